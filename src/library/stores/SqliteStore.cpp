#include "library/playlists/PlaylistFormats.h"
#include "library/songs/Rating.h"
#include "library/stores/StoreFiles.h"
#include "library/stores/StoreFormats.h"

#include <QDir>
#include <QUrl>
#include <chrono>
#include <sqlite3.h>
#include <thread>

namespace corvane::library {
namespace {

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

bool hasColumn(sqlite3* db, const QString& table, const QString& column) {
    Statement statement(db, QStringLiteral("SELECT 1 FROM pragma_table_info(?1) WHERE name = ?2"));
    statement.bind(1, table);
    statement.bind(2, column);
    return statement.next();
}

} // namespace

SqliteLayout sqliteLayoutOf(sqlite3* db) {
    for (const QString& table :
         {QStringLiteral("playlists"), QStringLiteral("playlist_items"), QStringLiteral("songs")}) {
        Statement statement(db, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' "
                                               "AND name = ?1"));
        statement.bind(1, table);
        if (!statement.next()) {
            throw LibraryError(QStringLiteral("no table \"%1\": not a Strawberry or Clementine "
                                              "database")
                                   .arg(table)
                                   .toStdString());
        }
    }
    if (hasColumn(db, QStringLiteral("playlist_items"), QStringLiteral("collection_id"))) {
        return SqliteLayout::Strawberry;
    }
    if (hasColumn(db, QStringLiteral("playlist_items"), QStringLiteral("library_id"))) {
        return SqliteLayout::Clementine;
    }
    throw LibraryError("a playlist_items table of unknown layout (no collection_id or library_id)");
}

std::vector<SqlitePlaylistRow> readSqlitePlaylists(sqlite3* db) {
    // A closed playlist that the user kept (a favourite) has ui_order -1: after the open tabs.
    Statement statement(db, QStringLiteral("SELECT ROWID, name FROM playlists "
                                           "ORDER BY ui_order < 0, ui_order, ROWID"));
    std::vector<SqlitePlaylistRow> playlists;
    while (statement.next()) {
        playlists.push_back({statement.integer(0), boundedText(statement.text(1))});
    }
    return playlists;
}

std::vector<StoreSong> readSqlitePlaylistSongs(sqlite3* db, SqliteLayout layout, qint64 playlist) {
    // Strawberry links an item of the collection (source 2) by collection_id and keeps URLs
    // in "url"; Clementine links a "Library" item by library_id and keeps them in "filename".
    const bool strawberry = layout == SqliteLayout::Strawberry;
    const QString link = strawberry
                             ? QStringLiteral("p.type = 2 AND s.ROWID = p.collection_id")
                             : QStringLiteral("p.type = 'Library' AND s.ROWID = p.library_id");
    const QString url = strawberry ? QStringLiteral("url") : QStringLiteral("filename");
    Statement statement(
        db, QStringLiteral("SELECT s.ROWID, s.%1, s.title, s.artist, s.album, s.genre, s.year, "
                           "s.length, s.rating, p.%1, p.title, p.artist, p.album, p.genre, "
                           "p.year, p.length, p.rating "
                           "FROM playlist_items AS p LEFT JOIN songs AS s ON %2 "
                           "WHERE p.playlist = ?1 ORDER BY p.ROWID")
                .arg(url, link));
    statement.bind(1, playlist);
    std::vector<StoreSong> songs;
    while (statement.next()) {
        // The library's song where the item points at one that is there, else the item's own.
        const int from = statement.isNull(0) ? 9 : 1;
        StoreSong song;
        song.tagged = true;
        song.location = entryLocation(statement.text(from), QDir::rootPath());
        song.title = boundedText(statement.text(from + 1));
        song.artist = boundedText(statement.text(from + 2));
        song.album = boundedText(statement.text(from + 3));
        song.genre = boundedText(statement.text(from + 4));
        const qint64 year = statement.integer(from + 5);
        song.year = year > 0 ? QString::number(year) : QString();
        const qint64 nanoseconds = statement.integer(from + 6);
        song.seconds = nanoseconds > 0 ? songLength(nanoseconds / 1e9) : -1;
        // A fraction 0-1 in a column declared INTEGER; -1 (or none) unrated.
        song.rating = statement.isNull(from + 7) ? 0 : ratingFromFraction(statement.real(from + 7));
        songs.push_back(std::move(song));
    }
    return songs;
}

namespace {

bool isLocked(int code) {
    return (code & 0xFF) == SQLITE_BUSY || (code & 0xFF) == SQLITE_LOCKED;
}

// A database that a writer kept locked.
class LockedDatabase : public LibraryError {
public:
    using LibraryError::LibraryError;
};

bool exists(const QString& path) {
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
            if (!exists(path + QStringLiteral("-wal")) &&
                !exists(path + QStringLiteral("-journal"))) {
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

StoreKind kindOf(SqliteLayout layout) {
    return layout == SqliteLayout::Strawberry ? StoreKind::Strawberry : StoreKind::Clementine;
}

} // namespace

std::shared_ptr<Player> openSqliteStore(StoreKind kind, const QString& location, SongSource songs) {
    // The tables tell the player; until they are read, the caller's guess names the store.
    const SqliteLayout layout = namingStore(kind, location, [&] {
        return reading(location, [](sqlite3* db) { return sqliteLayoutOf(db); });
    });
    kind = kindOf(layout);
    auto reader = [kind, location, layout] {
        return namingStore(kind, location, [&] {
            const auto rows =
                reading(location, [](sqlite3* db) { return readSqlitePlaylists(db); });
            std::vector<StoreListing> listings;
            for (const SqlitePlaylistRow& row : rows) {
                listings.push_back({row.name, [kind, location, layout, id = row.id](QStringList&) {
                                        return namingStore(kind, location, [&] {
                                            return reading(location, [&](sqlite3* db) {
                                                return readSqlitePlaylistSongs(db, layout, id);
                                            });
                                        });
                                    }});
            }
            return listings;
        });
    };
    reader();
    return std::make_shared<StoreLibrary>(std::move(reader), std::move(songs));
}

} // namespace corvane::library
