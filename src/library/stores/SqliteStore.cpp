#include "library/playlists/PlaylistFormats.h"
#include "library/songs/Rating.h"
#include "library/stores/SqliteReading.h"
#include "library/stores/StoreFiles.h"
#include "library/stores/StoreFormats.h"

#include <QDir>
#include <sqlite3.h>

namespace corvane::library {
namespace {

using sqlite::reading;
using sqlite::Statement;

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

StoreKind kindOf(SqliteLayout layout) {
    return layout == SqliteLayout::Strawberry ? StoreKind::Strawberry : StoreKind::Clementine;
}

} // namespace

std::shared_ptr<Player> openSqliteStore(StoreKind kind, const QString& location, SongSource songs,
                                        bool lookOnce) {
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
    return std::make_shared<StoreLibrary>(std::move(reader), std::move(songs), lookOnce);
}

} // namespace corvane::library
