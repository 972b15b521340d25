#pragma once

#include "library/MemoryLibrary.h"
#include "library/stores/StoreLibrary.h"

#include <QByteArray>
#include <QHash>
#include <QString>

struct sqlite3;

// Players' stores written as the players write them, for the store tests and the benchmark.
namespace corvane::storefixtures {

// The tables that Strawberry's schema declares for songs, playlists and their items.
extern const char* const StrawberryTables;
// The same tables as Clementine's schema and its upgrades leave them.
extern const char* const ClementineTables;

// The players' own schemas: Lollypop's song and playlist databases, Kodi's music database (the
// tables of songs), Elisa's tables of songs.
extern const char* const LollypopTables;
extern const char* const LollypopPlaylistTables;
extern const char* const KodiMusicTables;
extern const char* const ElisaTables;

// Runs `sql` on the database at `path`, made when missing; the error, empty when none. With
// `value`, the first column of the last row the statements gave.
QString execSql(const QString& path, const QString& sql, QString* value = nullptr);

// A connection of another program to a database, held open (a player writing its store, a
// second run locking the tag index).
class Connection {
public:
    explicit Connection(const QString& path);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    // SQLITE_OK, or the error's code.
    int exec(const char* sql);

private:
    sqlite3* db_ = nullptr;
};

// Songs "read from their files": the paths asked for, and a song for those that are there.
struct FakeFiles {
    QHash<QString, library::SongData> present;
    QStringList asked;
    library::SongSource source() {
        return {[this](const QString& path,
                       const QString&) -> std::shared_ptr<const library::MediaItem> {
            asked.push_back(path);
            const auto found = present.constFind(path);
            return found == present.cend() ? nullptr
                                           : std::make_shared<library::MemorySong>(*found);
        }};
    }
};

// Writes `bytes` to `path`, making its folders; false when that fails.
bool writeFile(const QString& path, const QByteArray& bytes);

// "'text'" as an SQL literal.
QString sqlText(const QString& text);

} // namespace corvane::storefixtures
