#include "library/songs/Rating.h"
#include "library/stores/SqliteReading.h"
#include "library/stores/StoreFiles.h"
#include "library/stores/StoreFormats.h"

#include <QCollator>
#include <QDir>
#include <QRegularExpression>
#include <algorithm>

namespace corvane::library {
namespace {

using sqlite::reading;
using sqlite::Statement;

// The songs a smart playlist may pick, as the player adds to every query: not skipped (loved -1),
// and in the collection or saved from the web (storage types 2 and 8).
const QString Pickable = QStringLiteral("tracks.loved != -1 AND (tracks.storage_type & 10) != 0");

// What the editor's orders sort by; random is shown in the library's order, as a pick made again
// at every listing cannot be printed.
QString orderClause(const QString& order) {
    static const QHash<QString, QString> orders{
        {QStringLiteral("random()"), QString()},
        {QStringLiteral("albums.name"),
         QStringLiteral("(SELECT name FROM albums WHERE albums.rowid = tracks.album_id), ")},
        {QStringLiteral("artists.name"),
         QStringLiteral("(SELECT min(artists.name) FROM track_artists, artists WHERE "
                        "artists.rowid = track_artists.artist_id AND track_artists.track_id = "
                        "tracks.rowid), ")},
        {QStringLiteral("tracks.year DESC"), QStringLiteral("tracks.year DESC, ")},
        {QStringLiteral("tracks.year ASC"), QStringLiteral("tracks.year ASC, ")},
        {QStringLiteral("tracks.duration DESC"), QStringLiteral("tracks.duration DESC, ")},
        {QStringLiteral("tracks.duration ASC"), QStringLiteral("tracks.duration ASC, ")}};
    const auto found = orders.constFind(order);
    if (found == orders.cend()) {
        throw LibraryError(QStringLiteral("an order it cannot read (%1)")
                               .arg(order.simplified().left(80))
                               .toStdString());
    }
    return *found + QStringLiteral("tracks.rowid");
}

// One criterion as a condition on `tracks`, its value bound as parameter `index`.
QString condition(const LollypopRule& rule, int index) {
    const QString compare = QStringLiteral("%1 ?%2").arg(rule.op).arg(index);
    if (rule.field == u"genre") {
        return QStringLiteral("EXISTS (SELECT 1 FROM album_genres, genres WHERE "
                              "album_genres.genre_id = genres.rowid AND album_genres.album_id = "
                              "tracks.album_id AND genres.name %1 COLLATE NOCASE)")
            .arg(compare);
    }
    if (rule.field == u"album") {
        return QStringLiteral("EXISTS (SELECT 1 FROM albums WHERE albums.rowid = tracks.album_id "
                              "AND albums.name %1 COLLATE NOCASE)")
            .arg(compare);
    }
    if (rule.field == u"artist") {
        return QStringLiteral("EXISTS (SELECT 1 FROM track_artists, artists WHERE "
                              "artists.rowid = track_artists.artist_id AND "
                              "track_artists.track_id = tracks.rowid AND artists.name %1 "
                              "COLLATE NOCASE)")
            .arg(compare);
    }
    return QStringLiteral("tracks.%1 %2").arg(rule.field, compare);
}

// One criterion as the editor writes it between "((" and "))": "tracks.rate >= '3'",
// "genres.name LIKE '%Folk%' COLLATE NOCASE".
LollypopRule parseRule(QString text) {
    static const QRegularExpression form(QStringLiteral(
        R"(^(tracks\.rate|tracks\.popularity|tracks\.year|tracks\.bpm|genres\.name|albums\.name|)"
        R"(artists\.name) (=|!=|>|<|LIKE|NOT LIKE) '((?:[^']|'')*)'( COLLATE NOCASE)?$)"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch()) {
        throw LibraryError(QStringLiteral("a rule it cannot read (%1)")
                               .arg(text.simplified().left(80))
                               .toStdString());
    }
    static const QHash<QString, QString> fields{
        {"tracks.rate", "rate"},   {"tracks.popularity", "popularity"},
        {"tracks.year", "year"},   {"tracks.bpm", "bpm"},
        {"genres.name", "genre"},  {"albums.name", "album"},
        {"artists.name", "artist"}};
    LollypopRule rule{fields.value(match.captured(1)), match.captured(2),
                      match.captured(3).replace(QStringLiteral("''"), QStringLiteral("'"))};
    const bool text_ = rule.field == u"genre" || rule.field == u"album" || rule.field == u"artist";
    const bool textOp = rule.op.contains(u"LIKE");
    const bool numberOp = rule.op == u">" || rule.op == u"<";
    bool number = true;
    if (!text_) {
        rule.value.toLongLong(&number);
    }
    // The editor offers LIKE for texts, > and < for numbers, and a number for a number.
    if ((text_ && numberOp) || (!text_ && textOp) || !number) {
        throw LibraryError(QStringLiteral("a rule it cannot read (%1)")
                               .arg(text.simplified().left(80))
                               .toStdString());
    }
    return rule;
}

StoreSong songAt(const Statement& row) {
    StoreSong song;
    song.tagged = true;
    song.location = row.text(0);
    song.title = boundedText(row.text(1));
    song.album = boundedText(row.text(2));
    const qint64 year = row.integer(3);
    song.year = year > 0 ? QString::number(year) : QString();
    const qint64 milliseconds = row.integer(4);
    song.seconds = milliseconds > 0 ? songLength(milliseconds / 1000.0) : -1;
    // 1-5 stars; below 1 the player shows the popularity instead: unrated.
    const qint64 rate = row.integer(5);
    song.rating = rate >= 1 && rate <= 5 ? ratingFromStars(static_cast<int>(rate)) : 0;
    song.artist = boundedText(row.text(6));
    song.genre = boundedText(row.text(7));
    return song;
}

} // namespace

std::vector<LollypopPlaylistRow> readLollypopPlaylists(sqlite3* playlists) {
    Statement statement(playlists, QStringLiteral("SELECT rowid, name, smart_enabled, smart_sql "
                                                  "FROM playlists ORDER BY rowid"));
    std::vector<LollypopPlaylistRow> rows;
    while (statement.next()) {
        rows.push_back({statement.integer(0), boundedText(statement.text(1)),
                        statement.integer(2) == 1, statement.text(3)});
    }
    // By name as the user's language sorts it, whatever the case, as the player lists them.
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(rows.begin(), rows.end(), [&](const auto& a, const auto& b) {
        return collator.compare(a.name, b.name) < 0;
    });
    return rows;
}

QStringList readLollypopPlaylistUris(sqlite3* playlists, qint64 id) {
    Statement statement(playlists, QStringLiteral("SELECT uri FROM tracks WHERE playlist_id = ?1 "
                                                  "ORDER BY rowid"));
    statement.bind(1, id);
    QStringList uris;
    while (statement.next()) {
        uris.push_back(statement.text(0));
    }
    return uris;
}

LollypopSmart parseLollypopSmart(const QString& sql) {
    // The editor's two forms: one SELECT whose WHERE joins the rules with AND, or one SELECT per
    // rule joined by UNION; both end in ORDER BY and LIMIT.
    static const QRegularExpression tail(
        QStringLiteral(R"( ORDER BY (random\(\)|[a-z]+\.[a-z]+(?: DESC| ASC)?) LIMIT (\d+)$)"));
    const QString query = sql.trimmed();
    const QRegularExpressionMatch end = tail.match(query);
    if (!query.startsWith(u"SELECT DISTINCT(tracks.rowid)") || !end.hasMatch()) {
        throw LibraryError("a query its editor does not write");
    }
    LollypopSmart smart;
    smart.order = end.captured(1);
    orderClause(smart.order);
    smart.limit = end.captured(2).toInt();
    smart.matchAll = !query.contains(u" UNION ");
    const QString rules = query.first(end.capturedStart());
    const QStringList parts = rules.split(QStringLiteral("(("));
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const qsizetype close = parts[i].indexOf(QStringLiteral("))"));
        if (close < 0) {
            throw LibraryError("a query its editor does not write");
        }
        smart.rules.push_back(parseRule(parts[i].first(close)));
    }
    if (smart.rules.empty()) {
        throw LibraryError("a query its editor does not write");
    }
    return smart;
}

QHash<QString, StoreSong> readLollypopSongs(sqlite3* music) {
    Statement statement(
        music, QStringLiteral(
                   "SELECT tracks.uri, tracks.name, albums.name, tracks.year, tracks.duration, "
                   "tracks.rate, (SELECT group_concat(artists.name, ', ') FROM track_artists, "
                   "artists WHERE artists.rowid = track_artists.artist_id AND "
                   "track_artists.track_id = tracks.rowid), (SELECT group_concat(genres.name, "
                   "', ') FROM track_genres, genres WHERE genres.rowid = track_genres.genre_id AND "
                   "track_genres.track_id = tracks.rowid) FROM tracks LEFT JOIN albums ON "
                   "albums.rowid = tracks.album_id"));
    QHash<QString, StoreSong> songs;
    while (statement.next()) {
        StoreSong song = songAt(statement);
        songs.insert(song.location, std::move(song));
    }
    return songs;
}

QStringList readLollypopSmartUris(sqlite3* music, const LollypopSmart& smart) {
    // The criteria are bound as values: nothing of the store's query text is run.
    QStringList conditions;
    for (std::size_t i = 0; i < smart.rules.size(); ++i) {
        conditions.push_back(condition(smart.rules[i], static_cast<int>(i) + 1));
    }
    const QString where = conditions.join(smart.matchAll ? u" AND " : u" OR ");
    Statement statement(music, QStringLiteral("SELECT tracks.uri FROM tracks WHERE (%1) AND %2 "
                                              "ORDER BY %3 LIMIT %4")
                                   .arg(where, Pickable, orderClause(smart.order))
                                   .arg(smart.limit));
    for (std::size_t i = 0; i < smart.rules.size(); ++i) {
        const LollypopRule& rule = smart.rules[i];
        const int index = static_cast<int>(i) + 1;
        if (rule.field == u"genre" || rule.field == u"album" || rule.field == u"artist") {
            statement.bind(index, rule.value);
        } else {
            statement.bind(index, rule.value.toLongLong());
        }
    }
    QStringList uris;
    while (statement.next()) {
        uris.push_back(statement.text(0));
    }
    return uris;
}

std::shared_ptr<Player> openLollypop(const QString& location, SongSource songs, bool lookOnce) {
    const QFileInfo info(location);
    const QString folder = info.isDir() ? QDir::cleanPath(location) : info.absolutePath();
    const QString playlistsDb = folder + QStringLiteral("/playlists.db");
    const QString musicDb = folder + QStringLiteral("/lollypop.db");
    // The songs by their locations; none where the player has not made its song database yet.
    const auto knownSongs = [musicDb] {
        if (!QFileInfo::exists(musicDb)) {
            return QHash<QString, StoreSong>();
        }
        return namingStore(StoreKind::Lollypop, musicDb,
                           [&] { return reading(musicDb, readLollypopSongs); });
    };
    const auto staticSongs = [=](qint64 id) {
        const QStringList uris = namingStore(StoreKind::Lollypop, playlistsDb, [&] {
            return reading(playlistsDb,
                           [&](sqlite3* db) { return readLollypopPlaylistUris(db, id); });
        });
        const QHash<QString, StoreSong> known = knownSongs();
        std::vector<StoreSong> songs;
        for (const QString& uri : uris) {
            songs.push_back(known.value(uri, untaggedSong(uri)));
        }
        return songs;
    };
    const auto smartSongs = [=](const LollypopSmart& smart) {
        return namingStore(StoreKind::Lollypop, musicDb, [&] {
            return reading(musicDb, [&](sqlite3* db) {
                const QStringList uris = readLollypopSmartUris(db, smart);
                const QHash<QString, StoreSong> known = readLollypopSongs(db);
                std::vector<StoreSong> songs;
                for (const QString& uri : uris) {
                    songs.push_back(known.value(uri));
                }
                return songs;
            });
        });
    };
    // Opening reads the playlists, so a store that is not one fails at once.
    auto reader = [=] {
        const auto rows = namingStore(StoreKind::Lollypop, playlistsDb,
                                      [&] { return reading(playlistsDb, readLollypopPlaylists); });
        std::vector<StoreListing> listings;
        for (const LollypopPlaylistRow& row : rows) {
            StoreListing listing{row.name, nullptr};
            if (!row.smart) {
                listing.songs = [=, id = row.id](QStringList&) { return staticSongs(id); };
            } else {
                try {
                    listing.songs = [=, smart = parseLollypopSmart(row.smartSql)](QStringList&) {
                        return smartSongs(smart);
                    };
                } catch (const LibraryError& error) {
                    listing.leftOut =
                        QStringLiteral("Lollypop's smart playlist \"%1\" is left out: %2")
                            .arg(row.name, QString::fromUtf8(error.what()));
                }
            }
            listings.push_back(std::move(listing));
        }
        return listings;
    };
    return std::make_shared<StoreLibrary>(std::move(reader), std::move(songs), lookOnce);
}

} // namespace corvane::library
