#pragma once

#include "LibraryTestSupport.h"
#include "library/MemoryLibrary.h"
#include "library/stores/StoreLibrary.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QTemporaryDir>

struct sqlite3;

// Players' stores written as the players write them, for the store tests and the benchmark.
namespace corvane::storefixtures {

// A player's tables as its own schema declares them, from schemas/PLAYER.sql: "strawberry",
// "clementine" (as its upgrades leave them), "lollypop" and "lollypop-playlists" (its song and
// playlist databases), "kodi-music" (the tables of songs) and "elisa".
QString schema(const char* player);

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

// A temporary folder to write stores in. Its writes stop the run when they fail: a test that
// cannot set itself up says so, rather than failing for another reason.
class StoreFolder {
public:
    QString at(const QString& relative) const { return dir_.path() + u'/' + relative; }
    void write(const QString& relative, const QByteArray& bytes) const;
    // Runs `statements` on the database at `relative`, made when missing.
    void sql(const QString& relative, const QString& statements) const;

protected:
    QTemporaryDir dir_;
};

// Two songs as the stores name them: a space, a non-ASCII letter and a '#' escaped.
inline const QString First = QStringLiteral("file:///music/Ann/First%20Song.mp3");
inline const QString Second = QStringLiteral("file:///music/B%C3%A4r/Zweites%20Lied%20%231.flac");

// A song that no store knows, found at /music/new.mp3 by FakeFiles.
inline const library::SongData NewSong{"New", "Ann", "Album", "2020", "Pop", 50, 5, "mp3"};

// "'text'" as an SQL literal.
QString sqlText(const QString& text);

} // namespace corvane::storefixtures
