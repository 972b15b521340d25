#pragma once

#include "library/MediaLibrary.h"
#include "library/disk/RegularFile.h"

#include <QFileInfo>
#include <QString>
#include <QUrl>
#include <chrono>
#include <sqlite3.h>
#include <thread>

// Reading a player's SQLite database without ever writing it: statements, a read-only
// connection that waits briefly for a writer, and the retry around a read. Internal to the
// store readers.
namespace corvane::library::sqlite {

// How long a read waits for a player that is writing (a commit takes milliseconds), and how
// often it looks again meanwhile: a writer that takes the lock again after a short gap must not
// win every time, as it does against SQLite's own waits, which grow to 100 ms.
constexpr auto BusyTimeout = std::chrono::milliseconds(1000);
constexpr auto BusyPoll = std::chrono::milliseconds(2);
using Clock = std::chrono::steady_clock;

class Statement {
public:
    Statement(sqlite3* db, const QString& sql) {
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement_, nullptr) !=
            SQLITE_OK) {
            throw LibraryError(sqlite3_errmsg(db));
        }
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // The next row; false at the end. Throws when the step fails.
    bool next() {
        const int result = sqlite3_step(statement_);
        if (result == SQLITE_ROW) {
            return true;
        }
        if (result != SQLITE_DONE) {
            throw LibraryError(sqlite3_errmsg(sqlite3_db_handle(statement_)));
        }
        return false;
    }
    void bind(int index, qint64 value) { sqlite3_bind_int64(statement_, index, value); }
    void bind(int index, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(statement_, index, utf8.constData(), static_cast<int>(utf8.size()),
                          SQLITE_TRANSIENT);
    }
    bool isNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
    qint64 integer(int column) const { return sqlite3_column_int64(statement_, column); }
    double real(int column) const { return sqlite3_column_double(statement_, column); }
    // TEXT or BLOB (Clementine keeps a URL's bytes in a BLOB) as UTF-8 text.
    QString text(int column) const {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, column));
        return QString::fromUtf8(bytes, sqlite3_column_bytes(statement_, column));
    }

private:
    sqlite3_stmt* statement_ = nullptr;
};

inline bool isLocked(int code) {
    return (code & 0xFF) == SQLITE_BUSY || (code & 0xFF) == SQLITE_LOCKED;
}

// A database that a writer kept locked.
class LockedDatabase : public LibraryError {
public:
    using LibraryError::LibraryError;
};

inline bool fileExists(const QString& path) {
    return QFileInfo::exists(path);
}

// A connection that only ever reads: opened read-only (never a write lock, never a change to the
// player's files), reading what a running player committed, its WAL included. Its reads run in
// one transaction, so they see one state of the database.
class ReadOnlyDatabase {
public:
    // Waits for a writer up to `deadline`.
    ReadOnlyDatabase(const QString& path, Clock::time_point deadline)
        : deadline_(deadline) {
        checkHeader(path);
        const QByteArray uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded();
        int result = open(uri + "?mode=ro");
        // A database in WAL mode needs its -shm file, which a read-only folder (a backup on
        // read-only media) cannot get. Where no -wal or -journal file lies beside it, nothing
        // is writing it and nothing waits in a log: it is safe to read as immutable.
        if ((result & 0xFF) == SQLITE_CANTOPEN || (result & 0xFF) == SQLITE_READONLY) {
            if (!fileExists(path + QStringLiteral("-wal")) &&
                !fileExists(path + QStringLiteral("-journal"))) {
                sqlite3_close(db_);
                db_ = nullptr;
                result = open(uri + "?immutable=1");
            }
        }
        if (result != SQLITE_OK) {
            const QString why = describe(result);
            sqlite3_close(db_);
            if (isLocked(result)) {
                throw LockedDatabase(why.toStdString());
            }
            throw LibraryError(why.toStdString());
        }
    }
    ~ReadOnlyDatabase() {
        sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
    }
    ReadOnlyDatabase(const ReadOnlyDatabase&) = delete;
    ReadOnlyDatabase& operator=(const ReadOnlyDatabase&) = delete;

    sqlite3* get() const { return db_; }

private:
    static void checkHeader(const QString& path) {
        QByteArray header;
        FileStamp stamp;
        if (!readRegularFile(path, 16, &header, &stamp)) {
            throw LibraryError(whyUnreadable(path).toStdString());
        }
        if (header != QByteArray("SQLite format 3\0", 16)) {
            throw LibraryError(header.isEmpty() ? "an empty file, not an SQLite database"
                                                : "not an SQLite database");
        }
    }

    // Opens and begins the reading transaction, which reads the schema: a database that cannot
    // be read fails here.
    int open(const QByteArray& uri) {
        int result =
            sqlite3_open_v2(uri.constData(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
        if (result != SQLITE_OK) {
            return sqlite3_extended_errcode(db_);
        }
        sqlite3_extended_result_codes(db_, 1);
        sqlite3_busy_handler(db_, &ReadOnlyDatabase::waitForWriter, this);
        result = sqlite3_exec(db_, "BEGIN; SELECT count(*) FROM sqlite_master", nullptr, nullptr,
                              nullptr);
        return result == SQLITE_OK ? SQLITE_OK : sqlite3_extended_errcode(db_);
    }

    static int waitForWriter(void* self, int) {
        if (Clock::now() >= static_cast<ReadOnlyDatabase*>(self)->deadline_) {
            return 0;
        }
        std::this_thread::sleep_for(BusyPoll);
        return 1;
    }

    QString describe(int result) const {
        const QString message =
            QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(result));
        switch (result & 0xFF) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return QStringLiteral("the database is locked by another program (%1)").arg(message);
        case SQLITE_NOTADB:
            return QStringLiteral("not an SQLite database (%1)").arg(message);
        case SQLITE_CORRUPT:
            return QStringLiteral("the database is corrupt (%1)").arg(message);
        default:
            return message;
        }
    }

    sqlite3* db_ = nullptr;
    Clock::time_point deadline_;
};

// What a failed statement says, with a locked database named as such. A read that meets a lock
// (one SQLite reports without waiting, too) is tried again until the second is up.
template <class Read> auto reading(const QString& path, Read&& read) {
    const Clock::time_point deadline = Clock::now() + BusyTimeout;
    for (;;) {
        try {
            ReadOnlyDatabase db(path, deadline);
            try {
                return read(db.get());
            } catch (const LibraryError& error) {
                if (!isLocked(sqlite3_errcode(db.get()))) {
                    throw;
                }
                throw LockedDatabase(
                    QStringLiteral("the database is locked by another program (%1)")
                        .arg(QString::fromUtf8(error.what()))
                        .toStdString());
            }
        } catch (const LockedDatabase&) {
            if (Clock::now() >= deadline) {
                throw;
            }
            std::this_thread::sleep_for(BusyPoll);
        }
    }
}

} // namespace corvane::library::sqlite
