#include "library/songs/TagIndex.h"

#include "library/MediaLibrary.h"
#include "library/disk/FileName.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <sqlite3.h>
#include <thread>

namespace corvane::library {
namespace {

// user_version: an index of another layout is set aside, never read.
constexpr int Version = 1;
// application_id ("Corv"): a database of another program at the index's path is not ours.
constexpr int ApplicationId = 0x436f7276;
// How long a step waits for another process that writes (a batch's commit takes milliseconds).
constexpr int BusyTimeoutMs = 1000;
// File systems with coarse times (FAT: 2 s) could hide a second change.
constexpr qint64 RacyNs = 3'000'000'000;

const char* const Schema = "CREATE TABLE songs ("
                           " path BLOB PRIMARY KEY," // the file name's bytes
                           " size INTEGER NOT NULL,"
                           " modified_ns INTEGER NOT NULL,"
                           " inode INTEGER NOT NULL,"
                           " song BLOB NOT NULL" // what was read: see Record
                           ") WITHOUT ROWID;"
                           "PRAGMA application_id = 1131377270;"
                           "PRAGMA user_version = 1;";
static_assert(ApplicationId == 1131377270 && Version == 1, "the schema's pragmas");

// What was read from a file, in one blob: a listing takes thousands of songs from the index, and
// one column is read much faster than thirteen. Readable (1 byte), rating (int32), seconds
// (double), then title, artist, album, genre, year, file type and problem, each its length in
// UTF-16 code units (uint32) and the code units, as QString holds them: every unit is kept, and
// nothing is converted.
class Record {
public:
    static QByteArray write(const SongRead& read) {
        const SongInfo& info = read.info;
        QByteArray bytes;
        bytes.reserve(64 + 2 * (info.title.size() + info.artist.size() + info.album.size()));
        const auto put = [&](const auto& value) {
            bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
        };
        put(static_cast<quint8>(info.readable ? 1 : 0));
        put(static_cast<qint32>(info.rating));
        put(info.seconds);
        for (const QString* text : {&info.title, &info.artist, &info.album, &info.genre, &info.year,
                                    &info.fileType, &read.problem}) {
            put(static_cast<quint32>(text->size()));
            bytes.append(reinterpret_cast<const char*>(text->utf16()), text->size() * 2);
        }
        return bytes;
    }

    // False when the bytes are no record.
    static bool read(const char* bytes, qsizetype size, SongRead* read) {
        Record in{bytes, bytes + size};
        SongInfo& info = read->info;
        quint8 readable = 0;
        qint32 rating = 0;
        const bool whole = in.get(&readable) && in.get(&rating) && in.get(&info.seconds) &&
                           in.get(&info.title) && in.get(&info.artist) && in.get(&info.album) &&
                           in.get(&info.genre) && in.get(&info.year) && in.get(&info.fileType) &&
                           in.get(&read->problem) && in.at_ == in.end_;
        info.readable = readable != 0;
        info.rating = rating;
        return whole;
    }

private:
    Record(const char* at, const char* end)
        : at_(at)
        , end_(end) {}

    template <class Value> bool get(Value* value) {
        if (end_ - at_ < static_cast<qsizetype>(sizeof *value)) {
            return false;
        }
        std::memcpy(value, at_, sizeof *value);
        at_ += sizeof *value;
        return true;
    }
    bool get(QString* text) {
        quint32 units = 0;
        if (!get(&units) || static_cast<quint64>(end_ - at_) < 2ULL * units) {
            return false;
        }
        if (units > 0) {
            // A text longer than any tag (a crafted index) is kept to the bound, and not copied.
            const auto kept = std::min<qsizetype>(units, MaxOutsideText + 1);
            *text = QString(kept, Qt::Uninitialized);
            std::memcpy(text->data(), at_, 2ULL * static_cast<std::size_t>(kept));
            *text = boundedText(std::move(*text));
            at_ += 2ULL * units;
        }
        return true;
    }

    const char* at_;
    const char* end_;
};

int integer(sqlite3* db, const char* sql, int* value) {
    sqlite3_stmt* statement = nullptr;
    int code = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    if (code == SQLITE_OK) {
        code = sqlite3_step(statement);
        *value = sqlite3_column_int(statement, 0);
        code = code == SQLITE_ROW ? SQLITE_OK : code;
    }
    sqlite3_finalize(statement);
    return code;
}

bool isLock(int code) {
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

void bind(sqlite3_stmt* statement, int index, const QByteArray& bytes) {
    sqlite3_bind_blob(statement, index, bytes.constData(), static_cast<int>(bytes.size()),
                      SQLITE_STATIC);
}

qint64 nowNs() {
    return QDateTime::currentMSecsSinceEpoch() * 1'000'000;
}

} // namespace

TagIndex::TagIndex(QString file)
    : file_(std::move(file))
    , find_(nullptr, sqlite3_finalize)
    , keep_(nullptr, sqlite3_finalize)
    , drop_(nullptr, sqlite3_finalize) {}

TagIndex::~TagIndex() {
    close();
}

QString TagIndex::standardFile() {
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return cache.isEmpty() ? QString() : cache + QStringLiteral("/corvane/tags.sqlite");
}

void TagIndex::close() {
    find_.reset();
    keep_.reset();
    drop_.reset();
    sqlite3_close(db_);
    db_ = nullptr;
}

void TagIndex::note(const QString& line) {
    if (!said_.contains(line)) {
        said_.push_back(line);
        notes_.push_back(line);
    }
}

QStringList TagIndex::takeNotes() {
    return std::exchange(notes_, {});
}

TagIndex::Open TagIndex::open(QString* why) {
    const auto fail = [&](int code) {
        *why =
            db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString::fromUtf8(sqlite3_errstr(code));
        close();
        return isLock(code) ? Open::Locked : Open::Unusable;
    };
    int code = sqlite3_open_v2(encodeFileName(file_).constData(), &db_,
                               SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (code != SQLITE_OK) {
        return fail(code);
    }
    if (sqlite3_db_readonly(db_, "main") == 1) {
        *why = QStringLiteral("cannot be written");
        close();
        return Open::Unusable;
    }
    sqlite3_busy_timeout(db_, BusyTimeoutMs);
    // WAL: readers never wait for a writer, and a write cut short (a crash, kill -9) is rolled
    // back by the next reader. NORMAL: a power cut may lose the last batch, never the index.
    // Turning a new file to WAL takes its lock without the busy handler: a second process making
    // the index at the same moment is waited for here.
    for (int waited = 0;; waited += 10) {
        code = sqlite3_exec(db_,
                            "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL;"
                            "PRAGMA mmap_size = 268435456;",
                            nullptr, nullptr, nullptr);
        if (code != SQLITE_BUSY || waited >= BusyTimeoutMs) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    int version = 0;
    int application = 0;
    for (int attempt = 0; code == SQLITE_OK && attempt < 2; ++attempt) {
        if ((code = integer(db_, "PRAGMA user_version", &version)) != SQLITE_OK ||
            (code = integer(db_, "PRAGMA application_id", &application)) != SQLITE_OK) {
            break;
        }
        if (version != 0 || application != 0 || attempt > 0) {
            break;
        }
        // A new index, or another file: made into an index by one process, while another may be
        // making it too. A file holding tables of its own is left to the check below.
        code = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        int tables = 0;
        if (code == SQLITE_OK &&
            integer(db_, "SELECT count(*) FROM sqlite_schema", &tables) == SQLITE_OK &&
            tables == 0) {
            code = sqlite3_exec(db_, Schema, nullptr, nullptr, nullptr);
        }
        code = code == SQLITE_OK ? sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) : code;
        if (code != SQLITE_OK) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }
    if (code != SQLITE_OK) {
        return fail(code);
    }
    if (version != Version || application != ApplicationId) {
        *why = QStringLiteral("not an index of this version");
        close();
        return Open::Unusable;
    }
    const auto prepare = [&](auto& statement, const char* sql) {
        sqlite3_stmt* made = nullptr;
        if (code == SQLITE_OK) {
            code = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &made, nullptr);
            statement.reset(made);
        }
    };
    prepare(find_, "SELECT size, modified_ns, inode, song FROM songs WHERE path = ?");
    prepare(keep_, "INSERT OR REPLACE INTO songs VALUES (?, ?, ?, ?, ?)");
    prepare(drop_, "DELETE FROM songs WHERE path = ?");
    return code == SQLITE_OK ? Open::Done : fail(code);
}

bool TagIndex::setAside() {
    const QString aside = file_ + QStringLiteral(".bad");
    QFile::remove(aside);
    if (QFile::exists(file_) && !QFile::rename(file_, aside)) {
        return false;
    }
    // The log and shared memory of the old file would be taken for the new one's.
    QFile::remove(file_ + QStringLiteral("-wal"));
    QFile::remove(file_ + QStringLiteral("-shm"));
    return true;
}

void TagIndex::giveUp(const QString& why) {
    unusable_ = true;
    note(QStringLiteral("the tag index %1 could not be used (%2); every song is read from its "
                        "file")
             .arg(shownName(file_), why));
}

bool TagIndex::ready() {
    if (db_ || unusable_ || file_.isEmpty()) {
        return db_ != nullptr;
    }
    const QString folder = QFileInfo(file_).absolutePath();
    if (!QDir().mkpath(folder)) {
        giveUp(QStringLiteral("its folder %1 cannot be made").arg(shownName(folder)));
        return false;
    }
    QString why;
    Open result = open(&why);
    if (result == Open::Locked) {
        unusable_ = true;
        note(QStringLiteral("the tag index %1 is locked by another program (%2); every song is "
                            "read from its file")
                 .arg(shownName(file_), why));
        return false;
    }
    if (result == Open::Unusable && !renewed_ && setAside()) {
        // Only a cache: what cannot be used is set aside, and a new index made in its place.
        renewed_ = true;
        QString again;
        if (open(&again) == Open::Done) {
            note(QStringLiteral("the tag index %1 could not be used (%2): it was set aside as "
                                "%3, and a new one is made")
                     .arg(shownName(file_), why, shownName(file_ + QStringLiteral(".bad"))));
            return true;
        }
        why = again;
    } else if (result == Open::Done) {
        return true;
    }
    giveUp(why);
    return false;
}

void TagIndex::failed(int code, const QString& knownWhy) {
    const QString why = knownWhy.isEmpty() ? QString::fromUtf8(sqlite3_errmsg(db_)) : knownWhy;
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    if (isLock(code) || code == SQLITE_FULL) {
        // Another program holds it, or the disk is full: what was kept stays good.
        writable_ = false;
        note(QStringLiteral("the tag index %1 cannot be written now (%2); the songs read now are "
                            "not kept")
                 .arg(shownName(file_), why));
        return;
    }
    // Damaged: set aside, and the next use makes a new one (once a run).
    close();
    if (!renewed_ && setAside()) {
        renewed_ = true;
        note(QStringLiteral("the tag index %1 could not be used (%2): it was set aside as %3, and "
                            "a new one is made")
                 .arg(shownName(file_), why, shownName(file_ + QStringLiteral(".bad"))));
        return;
    }
    giveUp(why);
}

std::vector<std::optional<SongRead>> TagIndex::find(const std::vector<QString>& paths,
                                                    const std::vector<FileStamp>& stamps) {
    std::vector<std::optional<SongRead>> found(paths.size());
    if (paths.empty() || !ready()) {
        return found;
    }
    // One read transaction for the batch.
    int code = sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
    QString damaged; // set by hand, so SQLite's own message says nothing of it
    sqlite3_stmt* statement = find_.get();
    for (std::size_t i = 0; code == SQLITE_OK && i < paths.size(); ++i) {
        const QByteArray key = encodeFileName(paths[i]);
        bind(statement, 1, key);
        code = sqlite3_step(statement);
        if (code == SQLITE_ROW) {
            code = SQLITE_OK;
            const FileStamp stamp{sqlite3_column_int64(statement, 0),
                                  sqlite3_column_int64(statement, 1),
                                  static_cast<quint64>(sqlite3_column_int64(statement, 2))};
            if (stamp == stamps[i]) {
                SongRead read;
                read.regularFile = true;
                read.stamp = stamp;
                const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, 3));
                if (Record::read(bytes, sqlite3_column_bytes(statement, 3), &read)) {
                    found[i] = std::move(read);
                } else {
                    code = SQLITE_CORRUPT; // a record no version of this index wrote
                    damaged = QStringLiteral("a damaged record");
                }
            }
        } else if (code == SQLITE_DONE) {
            code = SQLITE_OK;
        }
        sqlite3_reset(statement);
    }
    if (code == SQLITE_OK) {
        code = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    }
    if (code != SQLITE_OK) {
        // The songs are read from their files instead.
        found.assign(paths.size(), std::nullopt);
        if (isLock(code)) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr); // keep() will say so
        } else {
            failed(code, damaged);
        }
    }
    return found;
}

void TagIndex::keep(const std::vector<Song>& songs, const QStringList& gone) {
    if (!writable_ || (songs.empty() && gone.empty()) || !ready()) {
        return;
    }
    const qint64 now = nowNs();
    const auto drop = [&](const QString& path) {
        const QByteArray key = encodeFileName(path);
        bind(drop_.get(), 1, key);
        const int done = sqlite3_step(drop_.get());
        sqlite3_reset(drop_.get());
        return done == SQLITE_DONE ? SQLITE_OK : done;
    };
    int code = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    for (const Song& song : songs) {
        const SongRead& read = song.read;
        if (code != SQLITE_OK || !read.regularFile) {
            continue;
        }
        // A time ahead of the clock (in the same millisecond, or set in the future) is no older.
        if (now - read.stamp.modifiedNs < RacyNs) {
            code = drop(song.path); // what was kept of an earlier version is no use either
            continue;
        }
        sqlite3_stmt* s = keep_.get();
        const QByteArray key = encodeFileName(song.path);
        const QByteArray record = Record::write(read);
        bind(s, 1, key);
        sqlite3_bind_int64(s, 2, read.stamp.size);
        sqlite3_bind_int64(s, 3, read.stamp.modifiedNs);
        sqlite3_bind_int64(s, 4, static_cast<qint64>(read.stamp.inode));
        bind(s, 5, record);
        code = sqlite3_step(s);
        code = code == SQLITE_DONE ? SQLITE_OK : code;
        sqlite3_reset(s);
    }
    for (const QString& path : gone) {
        if (code == SQLITE_OK) {
            code = drop(path);
        }
    }
    if (code == SQLITE_OK) {
        code = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    }
    if (code != SQLITE_OK) {
        failed(code);
    }
}

} // namespace corvane::library
