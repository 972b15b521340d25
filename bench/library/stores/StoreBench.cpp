// The players' stores, each holding 10,000 songs, a playlist of them all ("All Songs") and 19
// playlists of 10 songs, written once per run under a temporary HOME:
// - ListPlaylists/<store>: opening the store and listing its playlists' names, as at start-up;
// - ElisaRatings: reading Elisa's ratings of every song, as a run without --library does;
// - AllStores: finding every store under HOME and listing all their playlists (budget: 100 ms);
// - Discovery: everything found as a run without --library finds it (the music folder's M3U
//   files of the same playlists with Elisa's ratings, every store, no MPD at a socket where none
//   listens) and the one merged list of their playlists (budget: 100 ms);
// - OpenPlaylist/<store>: "All Songs" in a library just opened, and every call a listing makes
//   for each song, with the number of songs asked of their audio files (none where the store
//   holds the tags and the rating; the benchmark's song source reads no file).
#include "Listing.h"
#include "library/LibrarySource.h"
#include "library/stores/PlayerStores.h"
#include "stores/StoreFixtures.h"

#include <QDate>
#include <QDir>
#include <QTemporaryDir>
#include <QUrl>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>

using namespace corvane::library;
namespace fixtures = corvane::storefixtures;

namespace {

constexpr int Songs = 10000;
constexpr int SmallPlaylists = 19;
const QString AllSongs = QStringLiteral("All Songs");

struct BenchSong {
    QString path, title, artist, album, genre;
    int year, seconds, stars;
};

BenchSong songNumber(int i) {
    const QString artist = QStringLiteral("Artist %1").arg(i / 100);
    const QString album = QStringLiteral("Album %1").arg(i / 10);
    const QString title = QStringLiteral("Song number %1").arg(i);
    return {QStringLiteral("/music/%1/%2/%3 %4.mp3").arg(artist, album).arg(i % 10).arg(title),
            title,
            artist,
            album,
            QStringLiteral("Genre %1").arg(i % 7),
            1960 + i % 60,
            120 + i % 300,
            i % 6};
}

// The songs of each playlist: all of them, then 19 of ten each.
std::vector<std::pair<QString, std::vector<int>>> playlists() {
    std::vector<std::pair<QString, std::vector<int>>> lists;
    std::vector<int> all(Songs);
    for (int i = 0; i < Songs; ++i) {
        all[static_cast<std::size_t>(i)] = i;
    }
    lists.emplace_back(AllSongs, std::move(all));
    for (int p = 0; p < SmallPlaylists; ++p) {
        std::vector<int> some;
        for (int i = 0; i < 10; ++i) {
            some.push_back(p * 10 + i);
        }
        lists.emplace_back(QStringLiteral("Mix %1").arg(p + 1), std::move(some));
    }
    return lists;
}

QString xml(const QString& text) {
    return text.toHtmlEscaped();
}

QString url(const QString& path) {
    return QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded());
}

bool writeRhythmbox(const QString& folder) {
    QString db = QStringLiteral("<?xml version=\"1.0\" standalone=\"yes\"?>\n"
                                "<rhythmdb version=\"2.0\">\n");
    for (int i = 0; i < Songs; ++i) {
        const BenchSong s = songNumber(i);
        db += QStringLiteral(
                  "  <entry type=\"song\">\n    <title>%1</title>\n    <genre>%2</genre>\n"
                  "    <artist>%3</artist>\n    <album>%4</album>\n"
                  "    <track-number>%5</track-number>\n    <duration>%6</duration>\n"
                  "    <file-size>4000000</file-size>\n    <location>%7</location>\n"
                  "    <mtime>1700000000</mtime>\n    <first-seen>1700000000</first-seen>\n"
                  "    <last-seen>1700000000</last-seen>\n%8"
                  "    <bitrate>320</bitrate>\n    <date>%9</date>\n"
                  "    <media-type>audio/mpeg</media-type>\n  </entry>\n")
                  .arg(xml(s.title), xml(s.genre), xml(s.artist), xml(s.album))
                  .arg(i % 10 + 1)
                  .arg(s.seconds)
                  .arg(xml(url(s.path)),
                       s.stars ? QStringLiteral("    <rating>%1</rating>\n").arg(s.stars) : "")
                  .arg(QDate(s.year, 1, 1).toJulianDay() - 1721425);
    }
    db += QStringLiteral("</rhythmdb>\n");
    QString lists = QStringLiteral("<?xml version=\"1.0\"?>\n<rhythmdb-playlists>\n"
                                   "  <playlist name=\"Play Queue\" type=\"queue\"/>\n");
    for (const auto& [name, songs] : playlists()) {
        lists += QStringLiteral("  <playlist name=\"%1\" type=\"static\">\n").arg(name);
        for (const int i : songs) {
            lists +=
                QStringLiteral("    <location>%1</location>\n").arg(xml(url(songNumber(i).path)));
        }
        lists += QStringLiteral("  </playlist>\n");
    }
    lists += QStringLiteral("</rhythmdb-playlists>\n");
    return writeRawFile(folder + QStringLiteral("/rhythmdb.xml"), db.toUtf8()) &&
           writeRawFile(folder + QStringLiteral("/playlists.xml"), lists.toUtf8());
}

bool writeSqlite(const QString& path, bool strawberry) {
    QString sql = QStringLiteral("BEGIN;") +
                  (strawberry ? fixtures::schema("strawberry") : fixtures::schema("clementine"));
    for (int i = 0; i < Songs; ++i) {
        const BenchSong s = songNumber(i);
        const QString values = QStringLiteral("%1, %2, %3, %4, %5, %6, %7")
                                   .arg(fixtures::sqlText(s.title), fixtures::sqlText(s.artist),
                                        fixtures::sqlText(s.album), fixtures::sqlText(s.genre))
                                   .arg(s.year)
                                   .arg(qint64(s.seconds) * 1'000'000'000)
                                   .arg(s.stars ? s.stars / 5.0 : -1.0);
        sql += strawberry ? QStringLiteral("INSERT INTO songs (title, artist, album, genre, year, "
                                           "length, rating, url) VALUES (%1, %2);")
                                .arg(values, fixtures::sqlText(url(s.path)))
                          : QStringLiteral("INSERT INTO songs (title, artist, album, genre, year, "
                                           "length, rating, filename, directory, mtime, ctime, "
                                           "filesize) VALUES (%1, CAST(%2 AS BLOB), 1, 0, 0, 0);")
                                .arg(values, fixtures::sqlText(url(s.path)));
    }
    int order = 0;
    for (const auto& [name, songs] : playlists()) {
        sql += QStringLiteral("INSERT INTO playlists (name, ui_order) VALUES (%1, %2);")
                   .arg(fixtures::sqlText(name))
                   .arg(order++);
        for (const int i : songs) {
            sql += strawberry ? QStringLiteral("INSERT INTO playlist_items (playlist, type, "
                                               "collection_id, url) VALUES (%1, 2, %2, '');")
                                    .arg(order)
                                    .arg(i + 1)
                              : QStringLiteral("INSERT INTO playlist_items (playlist, type, "
                                               "library_id) VALUES (%1, 'Library', %2);")
                                    .arg(order)
                                    .arg(i + 1);
        }
    }
    sql += QStringLiteral("COMMIT;");
    const QString error = fixtures::execSql(path, sql);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
    }
    return error.isEmpty();
}

QString percent(const QString& text) {
    return QString::fromUtf8(QUrl::toPercentEncoding(text, "/"));
}

bool writeAudacious(const QString& folder) {
    QStringList order;
    int number = 1000;
    for (const auto& [name, songs] : playlists()) {
        QString audpl = QStringLiteral("title=%1\n").arg(percent(name));
        for (const int i : songs) {
            const BenchSong s = songNumber(i);
            audpl += QStringLiteral("uri=%1\ntitle=%2\nartist=%3\nalbum=%4\ngenre=%5\nyear=%6\n"
                                    "track-number=%7\nlength=%8\ncodec=MPEG-1 layer 3\n")
                         .arg(url(s.path), percent(s.title), percent(s.artist), percent(s.album),
                              percent(s.genre))
                         .arg(s.year)
                         .arg(i % 10 + 1)
                         .arg(s.seconds * 1000);
        }
        order.push_back(QString::number(number));
        if (!writeRawFile(folder + QStringLiteral("/%1.audpl").arg(number++), audpl.toUtf8())) {
            return false;
        }
    }
    return writeRawFile(folder + QStringLiteral("/order"), order.join(u' ').toUtf8());
}

bool writeCmus(const QString& folder) {
    for (const auto& [name, songs] : playlists()) {
        QString lines;
        for (const int i : songs) {
            lines += songNumber(i).path + u'\n';
        }
        if (!writeRawFile(folder + u'/' + name, lines.toUtf8())) {
            return false;
        }
    }
    return true;
}

// As Quod Libet writes them: one XSPF file a playlist, its <location>s plain paths.
bool writeQuodLibet(const QString& folder) {
    for (const auto& [name, songs] : playlists()) {
        QString tracks;
        for (const int i : songs) {
            const BenchSong s = songNumber(i);
            tracks += QStringLiteral("<track><location>%1</location><title>%2</title><creator>%3"
                                     "</creator><album>%4</album><duration>%5</duration></track>")
                          .arg(s.path.toHtmlEscaped(), s.title.toHtmlEscaped(),
                               s.artist.toHtmlEscaped(), s.album.toHtmlEscaped())
                          .arg(s.seconds * 1000);
        }
        const QString xspf = QStringLiteral("<?xml version='1.0' encoding='utf-8'?>\n<playlist "
                                            "version=\"1\"><title>%1</title><trackList>%2"
                                            "</trackList></playlist>")
                                 .arg(name.toHtmlEscaped(), tracks);
        if (!writeRawFile(folder + u'/' + percent(name) + QStringLiteral(".xspf"), xspf.toUtf8())) {
            return false;
        }
    }
    return true;
}

bool writeM3u(const QString& folder) {
    for (const auto& [name, songs] : playlists()) {
        QString lines = QStringLiteral("#EXTM3U\n");
        for (const int i : songs) {
            const BenchSong s = songNumber(i);
            lines += QStringLiteral("#EXTINF:%1,%2 - %3\n%4\n")
                         .arg(s.seconds)
                         .arg(s.artist, s.title, s.path);
        }
        if (!writeRawFile(folder + u'/' + name + QStringLiteral(".m3u"), lines.toUtf8())) {
            return false;
        }
    }
    return true;
}

bool writeITunes(const QString& file) {
    QString plist = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST "
        "1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n"
        "<dict>\n\t<key>Major Version</key><integer>1</integer>\n"
        "\t<key>Minor Version</key><integer>1</integer>\n"
        "\t<key>Application Version</key><string>12.13.2.3</string>\n\t<key>Tracks</key>\n"
        "\t<dict>\n");
    for (int i = 0; i < Songs; ++i) {
        const BenchSong s = songNumber(i);
        plist +=
            QStringLiteral(
                "\t\t<key>%1</key>\n\t\t<dict>\n\t\t\t<key>Track ID</key><integer>%1</integer>\n"
                "\t\t\t<key>Name</key><string>%2</string>\n"
                "\t\t\t<key>Artist</key><string>%3</string>\n"
                "\t\t\t<key>Album</key><string>%4</string>\n"
                "\t\t\t<key>Genre</key><string>%5</string>\n"
                "\t\t\t<key>Kind</key><string>MPEG audio file</string>\n"
                "\t\t\t<key>Size</key><integer>4000000</integer>\n"
                "\t\t\t<key>Total Time</key><integer>%6</integer>\n"
                "\t\t\t<key>Year</key><integer>%7</integer>\n"
                "\t\t\t<key>Date Added</key><date>2020-01-01T00:00:00Z</date>\n"
                "\t\t\t<key>Bit Rate</key><integer>320</integer>\n"
                "\t\t\t<key>Rating</key><integer>%8</integer>\n"
                "\t\t\t<key>Persistent ID</key><string>%9</string>\n"
                "\t\t\t<key>Track Type</key><string>File</string>\n"
                "\t\t\t<key>Location</key><string>%10</string>\n\t\t</dict>\n")
                .arg(i + 1)
                .arg(xml(s.title), xml(s.artist), xml(s.album), xml(s.genre))
                .arg(s.seconds * 1000)
                .arg(s.year)
                .arg(s.stars * 20)
                .arg(QStringLiteral("%1").arg(i, 16, 16, QLatin1Char('0')), xml(url(s.path)));
    }
    plist += QStringLiteral("\t</dict>\n\t<key>Playlists</key>\n\t<array>\n"
                            "\t\t<dict><key>Name</key><string>Library</string>"
                            "<key>Master</key><true/><key>Playlist Items</key><array>");
    for (int i = 0; i < Songs; ++i) {
        plist += QStringLiteral("<dict><key>Track ID</key><integer>%1</integer></dict>").arg(i + 1);
    }
    plist += QStringLiteral("</array></dict>\n");
    for (const auto& [name, songs] : playlists()) {
        plist += QStringLiteral("\t\t<dict>\n\t\t\t<key>Name</key><string>%1</string>\n"
                                "\t\t\t<key>Playlist Items</key>\n\t\t\t<array>\n")
                     .arg(xml(name));
        for (const int i : songs) {
            plist += QStringLiteral("\t\t\t\t<dict><key>Track ID</key><integer>%1</integer>"
                                    "</dict>\n")
                         .arg(i + 1);
        }
        plist += QStringLiteral("\t\t\t</array>\n\t\t</dict>\n");
    }
    plist += QStringLiteral("\t</array>\n</dict>\n</plist>\n");
    return writeRawFile(file, plist.toUtf8());
}

bool execOrSay(const QString& path, const QString& sql) {
    const QString error = fixtures::execSql(path, sql);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
    }
    return error.isEmpty();
}

// Lollypop's two databases, and five smart playlists beside the static ones.
bool writeLollypop(const QString& playlistsDb) {
    QString music = QStringLiteral("BEGIN;") + fixtures::schema("lollypop");
    for (int i = 0; i < Songs; ++i) {
        const BenchSong s = songNumber(i);
        music += QStringLiteral("INSERT INTO tracks VALUES (%1, %2, %3, %4, %5, 1, '', %6, %7, "
                                "NULL, 0, 0, %8, 0, 0, 2, NULL, NULL, NULL);"
                                "INSERT INTO track_artists VALUES (%1, %9);"
                                "INSERT INTO track_genres VALUES (%1, %10);")
                     .arg(i + 1)
                     .arg(fixtures::sqlText(s.title), fixtures::sqlText(url(s.path)))
                     .arg(s.seconds * 1000)
                     .arg(i % 10 + 1)
                     .arg(i / 10 + 1)
                     .arg(s.year)
                     .arg(s.stars)
                     .arg(i / 100 + 1)
                     .arg(i % 7 + 1);
    }
    for (int a = 0; a < Songs / 10; ++a) {
        music += QStringLiteral("INSERT INTO albums VALUES (%1, %2, NULL, NULL, 0, NULL, NULL, "
                                "'', 0, 0, 0, 0, 2, 0); INSERT INTO album_genres VALUES (%1, %3);")
                     .arg(a + 1)
                     .arg(fixtures::sqlText(songNumber(a * 10).album))
                     .arg(a % 7 + 1);
    }
    for (int a = 0; a < Songs / 100; ++a) {
        const QString name = fixtures::sqlText(songNumber(a * 100).artist);
        music +=
            QStringLiteral("INSERT INTO artists VALUES (%1, %2, %2, NULL);").arg(a + 1).arg(name);
    }
    for (int g = 0; g < 7; ++g) {
        music += QStringLiteral("INSERT INTO genres VALUES (%1, 'Genre %2');").arg(g + 1).arg(g);
    }
    QString lists = QStringLiteral("BEGIN;") + fixtures::schema("lollypop-playlists");
    int id = 0;
    for (const auto& [name, songs] : playlists()) {
        lists += QStringLiteral("INSERT INTO playlists (id, name, mtime) VALUES (%1, %2, 0);")
                     .arg(++id)
                     .arg(fixtures::sqlText(name));
        for (const int i : songs) {
            lists += QStringLiteral("INSERT INTO tracks VALUES (%1, %2);")
                         .arg(id)
                         .arg(fixtures::sqlText(url(songNumber(i).path)));
        }
    }
    for (int p = 0; p < 5; ++p) {
        lists +=
            QStringLiteral("INSERT INTO playlists (name, mtime, smart_enabled, smart_sql) VALUES "
                           "('Smart %1', 0, 1, 'SELECT DISTINCT(tracks.rowid) FROM tracks WHERE "
                           "( ((tracks.rate = ''%1'')) ) ORDER BY random() LIMIT 100');")
                .arg(p + 1);
    }
    const QString folder = QFileInfo(playlistsDb).path();
    return QDir().mkpath(folder) &&
           execOrSay(folder + QStringLiteral("/lollypop.db"), music + QStringLiteral("COMMIT;")) &&
           execOrSay(playlistsDb, lists + QStringLiteral("COMMIT;"));
}

// Kodi's music database, its M3U playlists and five smart playlists.
bool writeKodi(const QString& userdata) {
    QString music = QStringLiteral("BEGIN;") + fixtures::schema("kodi-music");
    for (int i = 0; i < Songs; ++i) {
        const BenchSong s = songNumber(i);
        const QFileInfo file(s.path);
        if (i % 10 == 0) {
            music += QStringLiteral("INSERT INTO path (idPath, strPath) VALUES (%1, %2);"
                                    "INSERT INTO album (idAlbum, strAlbum) VALUES (%1, %3);")
                         .arg(i / 10 + 1)
                         .arg(fixtures::sqlText(file.path() + u'/'), fixtures::sqlText(s.album));
        }
        music += QStringLiteral("INSERT INTO song (idSong, idAlbum, idPath, strArtistDisp, "
                                "strGenres, strTitle, iTrack, iDuration, strReleaseDate, "
                                "strFileName, userrating) VALUES (%1, %2, %2, %3, %4, %5, %6, %7, "
                                "'%8', %9, %10);")
                     .arg(i + 1)
                     .arg(i / 10 + 1)
                     .arg(fixtures::sqlText(s.artist), fixtures::sqlText(s.genre),
                          fixtures::sqlText(s.title))
                     .arg(i % 10 + 1)
                     .arg(s.seconds)
                     .arg(s.year)
                     .arg(fixtures::sqlText(file.fileName()))
                     .arg(s.stars * 2);
    }
    const QString playlistsFolder = userdata + QStringLiteral("/playlists/music");
    if (!QDir().mkpath(userdata + QStringLiteral("/Database")) ||
        !execOrSay(userdata + QStringLiteral("/Database/MyMusic82.db"),
                   music + QStringLiteral("COMMIT;")) ||
        !writeM3u(playlistsFolder)) {
        return false;
    }
    for (int p = 0; p < 5; ++p) {
        const QString xsp =
            QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8" standalone="yes" ?>
<smartplaylist type="songs">
    <name>Smart %1</name>
    <match>all</match>
    <rule field="userrating" operator="is">
        <value>%2</value>
    </rule>
    <limit>100</limit>
</smartplaylist>
)")
                .arg(p + 1)
                .arg(p * 2 + 2);
        if (!writeRawFile(playlistsFolder + QStringLiteral("/Smart %1.xsp").arg(p + 1),
                          xsp.toUtf8())) {
            return false;
        }
    }
    return true;
}

// Elisa's ratings of every song.
bool writeElisa(const QString& database) {
    QString sql = QStringLiteral("BEGIN;") + fixtures::schema("elisa");
    for (int i = 0; i < Songs; ++i) {
        const BenchSong s = songNumber(i);
        sql += QStringLiteral("INSERT INTO Tracks (FileName, Priority, Title, Duration, Rating, "
                              "HasEmbeddedCover) VALUES (%1, 1, %2, %3, %4, 0);")
                   .arg(fixtures::sqlText(QUrl::fromLocalFile(s.path).toString()),
                        fixtures::sqlText(s.title))
                   .arg(s.seconds * 1000)
                   .arg(s.stars * 2);
    }
    return QDir().mkpath(QFileInfo(database).path()) &&
           execOrSay(database, sql + QStringLiteral("COMMIT;"));
}

// The temporary HOME with every store in its usual place, written on first use.
class Machine {
public:
    Machine() {
        environment_.home = home_.path();
        for (const FoundStore& place : usualStoreLocations(environment_)) {
            locations_.try_emplace(place.kind, place.location);
        }
        ok_ = home_.isValid() && writeRhythmbox(QFileInfo(at(StoreKind::Rhythmbox)).path()) &&
              writeSqlite(at(StoreKind::Strawberry), true) &&
              writeSqlite(at(StoreKind::Clementine), false) &&
              writeAudacious(at(StoreKind::Audacious)) && writeCmus(at(StoreKind::Cmus)) &&
              writeITunes(at(StoreKind::ITunes)) && writeLollypop(at(StoreKind::Lollypop)) &&
              writeKodi(at(StoreKind::Kodi)) && writeElisa(at(StoreKind::Elisa)) &&
              writeQuodLibet(at(StoreKind::QuodLibet)) &&
              writeM3u(home_.path() + QStringLiteral("/Music/Playlists"));
    }
    bool ok() const { return ok_; }
    const StoreEnvironment& environment() const { return environment_; }
    QString home() const { return home_.path(); }
    QString at(StoreKind kind) const { return locations_.at(kind); }

private:
    QTemporaryDir home_;
    StoreEnvironment environment_;
    std::map<StoreKind, QString> locations_;
    bool ok_ = false;
};

const Machine& machine() {
    static const Machine written;
    return written;
}

// Counts the songs asked of their files, and reads none.
SongSource counting(long long* reads) {
    return {[reads](const QString&, const QString&) -> std::shared_ptr<const MediaItem> {
        ++*reads;
        return nullptr;
    }};
}

void ListPlaylists(benchmark::State& state, StoreKind kind) {
    if (!machine().ok()) {
        state.SkipWithError("cannot write the stores");
        return;
    }
    long long reads = 0;
    for (auto _ : state) {
        const auto library = openStore(kind, machine().at(kind), counting(&reads));
        const PlaylistArray all = library->playlistCollection()->getAll();
        for (int i = 0; i < all.count(); ++i) {
            benchmark::DoNotOptimize(all.item(i)->name());
        }
    }
}

// Elisa's ratings of every song, read as a run without --library reads them.
void ElisaRatings(benchmark::State& state) {
    if (!machine().ok()) {
        state.SkipWithError("cannot write the stores");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(openElisaRatings(machine().at(StoreKind::Elisa)));
    }
    state.counters["songs"] = Songs;
}
BENCHMARK(ElisaRatings)->Unit(benchmark::kMillisecond);

void AllStores(benchmark::State& state) {
    if (!machine().ok()) {
        state.SkipWithError("cannot write the stores");
        return;
    }
    long long reads = 0;
    int playlistsListed = 0;
    for (auto _ : state) {
        playlistsListed = 0;
        for (const FoundStore& store : findStores(machine().environment())) {
            if (store.kind == StoreKind::Elisa) {
                continue; // its ratings go with the music folder's files: see Discovery
            }
            const auto library = openStore(store.kind, store.location, counting(&reads));
            const PlaylistArray all = library->playlistCollection()->getAll();
            for (int i = 0; i < all.count(); ++i) {
                benchmark::DoNotOptimize(all.item(i)->name());
                ++playlistsListed;
            }
        }
    }
    state.counters["playlists"] = playlistsListed;
    state.counters["budget_ms"] = 100;
}
BENCHMARK(AllStores)->Unit(benchmark::kMillisecond);

void Discovery(benchmark::State& state) {
    if (!machine().ok()) {
        state.SkipWithError("cannot write the stores");
        return;
    }
    qunsetenv("CORVANE_LIBRARY");
    const SourceEnvironment environment{machine().environment(),
                                        {machine().home() + QStringLiteral("/no-mpd"), {}, {}}};
    int playlistsListed = 0;
    std::size_t sources = 0;
    for (auto _ : state) {
        const ChosenLibrary chosen = chooseLibrary({}, {}, environment);
        const PlaylistArray all = chosen.player->playlistCollection()->getAll();
        for (int i = 0; i < all.count(); ++i) {
            benchmark::DoNotOptimize(all.item(i)->name());
        }
        playlistsListed = all.count();
        sources = chosen.sources.size();
    }
    state.counters["sources"] = static_cast<double>(sources);
    state.counters["playlists"] = playlistsListed;
    state.counters["budget_ms"] = 100;
}
BENCHMARK(Discovery)->Unit(benchmark::kMillisecond);

void OpenPlaylist(benchmark::State& state, StoreKind kind) {
    if (!machine().ok()) {
        state.SkipWithError("cannot write the stores");
        return;
    }
    long long reads = 0;
    long long perListing = 0;
    for (auto _ : state) {
        state.PauseTiming(); // a library just opened: nothing of the playlist read yet
        const auto library = openStore(kind, machine().at(kind), counting(&reads));
        state.ResumeTiming();
        const long long before = reads;
        listAll(*library, AllSongs, Songs, state);
        perListing = reads - before;
    }
    state.counters["songs"] = Songs;
    state.counters["audio_file_reads"] = static_cast<double>(perListing);
}

void registerPerStore() {
    for (const StoreKind kind : {StoreKind::Rhythmbox, StoreKind::Strawberry, StoreKind::Clementine,
                                 StoreKind::Audacious, StoreKind::Cmus, StoreKind::ITunes,
                                 StoreKind::Lollypop, StoreKind::Kodi, StoreKind::QuodLibet}) {
        const std::string name = storeName(kind).toStdString();
        benchmark::RegisterBenchmark(("ListPlaylists/" + name).c_str(), ListPlaylists, kind)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("OpenPlaylist/" + name).c_str(), OpenPlaylist, kind)
            ->Unit(benchmark::kMillisecond);
    }
}

} // namespace

int main(int argc, char** argv) {
    registerPerStore();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
