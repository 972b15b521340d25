#include "library/playlists/PlaylistFormats.h"
#include "library/songs/Rating.h"
#include "library/songs/SharedTexts.h"
#include "library/stores/RhythmboxQuery.h"
#include "library/stores/StoreFiles.h"
#include "library/stores/StoreFormats.h"

#include <QBuffer>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <cmath>

namespace corvane::library {
namespace {

// The newest database layout Rhythmbox writes ("2.0"); a newer one is another program's.
constexpr int NewestMajorVersion = 2;

// GLib counts days from 1 January of year 1 (day 1); Qt from the astronomical Julian day 0.
constexpr qint64 GlibToJulianDay = 1721425;

// Rhythmbox writes "Unknown" where a song has no artist, album or genre.
QString known(QString text) {
    return text == u"Unknown" ? QString() : text;
}

void expectRoot(QXmlStreamReader& xml, QStringView root, const char* what) {
    if (!xml.readNextStartElement() || xml.name() != root) {
        if (xml.hasError()) {
            throw xmlError(xml);
        }
        throw LibraryError(what);
    }
}

enum class Field {
    Title,
    Artist,
    Album,
    Genre,
    Duration,
    Date,
    Rating,
    Location,
    // What only an automatic playlist's criteria look at.
    PlayCount,
    LastPlayed,
    FirstSeen,
    FileSize,
    Hidden,
    Other
};

Field fieldNamed(QStringView name) {
    constexpr std::pair<const char16_t*, Field> Fields[] = {
        {u"title", Field::Title},          {u"artist", Field::Artist},
        {u"album", Field::Album},          {u"genre", Field::Genre},
        {u"duration", Field::Duration},    {u"date", Field::Date},
        {u"rating", Field::Rating},        {u"location", Field::Location},
        {u"play-count", Field::PlayCount}, {u"last-played", Field::LastPlayed},
        {u"first-seen", Field::FirstSeen}, {u"file-size", Field::FileSize},
        {u"hidden", Field::Hidden}};
    for (const auto& [text, field] : Fields) {
        if (name == text) {
            return field;
        }
    }
    return Field::Other;
}

// A count or a time as written; one out of bounds (the largest a terabyte) counts as none.
qint64 boundedNumber(const QString& text) {
    const qint64 number = text.toLongLong();
    return number > 0 && number <= (qint64{1} << 40) ? number : 0;
}

// `facts`, where not null, gets what the criteria of automatic playlists look at.
StoreSong readEntry(QXmlStreamReader& xml, QString* location, SharedTexts& shared,
                    RhythmboxFacts* facts) {
    StoreSong song;
    song.tagged = true;
    song.rating = 0; // no <rating>: unrated
    while (xml.readNextStartElement()) {
        const Field field = fieldNamed(xml.name());
        if (field == Field::Other || (!facts && field > Field::Location)) {
            xml.skipCurrentElement();
            continue;
        }
        // The reader leaves room to grow in what it reads: a million songs keep their texts.
        QString text = xml.readElementText();
        text.squeeze();
        if (field == Field::Location) {
            *location = text; // a location past the system's limits names nothing
            continue;
        }
        if (facts) {
            const qint64 number = boundedNumber(text);
            switch (field) {
            case Field::Duration:
                facts->duration = std::min(number, static_cast<qint64>(LongestSongSeconds));
                break;
            case Field::Date:
                facts->date = number;
                break;
            case Field::Rating:
                if (const float stars = text.toFloat(); std::isfinite(stars)) {
                    facts->stars = std::clamp(stars, 0.0F, 5.0F);
                }
                break;
            case Field::PlayCount:
                facts->playCount = number;
                break;
            case Field::LastPlayed:
                facts->lastPlayed = number;
                break;
            case Field::FirstSeen:
                facts->firstSeen = number;
                break;
            case Field::FileSize:
                facts->fileSize = number;
                break;
            case Field::Hidden:
                facts->hidden = number != 0;
                break;
            default:
                break;
            }
        }
        switch (field) {
        case Field::Title:
            song.title = boundedText(text);
            break;
        case Field::Artist:
            song.artist = shared(known(boundedText(text)));
            break;
        case Field::Album:
            song.album = shared(known(boundedText(text)));
            break;
        case Field::Genre:
            song.genre = shared(known(boundedText(text)));
            break;
        case Field::Duration:
            song.seconds = text.toLongLong() > 0 ? songLength(text.toDouble()) : -1;
            break;
        case Field::Date:
            if (const qint64 day = text.toLongLong(); day > 0) {
                song.year =
                    shared(QString::number(QDate::fromJulianDay(day + GlibToJulianDay).year()));
            }
            break;
        case Field::Rating: {
            const double stars = text.toDouble();
            song.rating = std::isfinite(stars) && stars > 0 && stars <= 5
                              ? ratingFromStars(static_cast<int>(std::lround(stars)))
                              : 0;
            break;
        }
        default:
            break;
        }
    }
    return song;
}

// The root element and its version, as the first bytes give them.
void expectDatabase(QXmlStreamReader& xml) {
    expectRoot(xml, u"rhythmdb", "not a Rhythmbox database (no <rhythmdb> element)");
    const QString version = xml.attributes().value(QLatin1StringView("version")).toString();
    if (version.section(u'.', 0, 0).toInt() > NewestMajorVersion) {
        throw LibraryError(QStringLiteral("written by a newer Rhythmbox (database version %1)")
                               .arg(version)
                               .toStdString());
    }
}

// The songs of a database as it is read (from its file, or its bytes in a buffer): each is given
// to `take` with its location as written; `facts`, where not null, holds the song's meanwhile.
template <class Take> void readSongs(QIODevice& input, Take take, RhythmboxFacts* facts = nullptr) {
    QXmlStreamReader xml(&input);
    expectDatabase(xml);
    SharedTexts shared;
    while (xml.readNextStartElement()) {
        const QStringView type = xml.attributes().value(QLatin1StringView("type"));
        if (xml.name() != u"entry" ||
            (type != u"song" && type != u"iradio" && type != u"podcast-post")) {
            xml.skipCurrentElement();
            continue;
        }
        if (facts) {
            *facts = {};
            facts->type = type == u"iradio"         ? RhythmboxFacts::Type::Radio
                          : type == u"podcast-post" ? RhythmboxFacts::Type::Podcast
                                                    : RhythmboxFacts::Type::Song;
        }
        QString location;
        StoreSong song = readEntry(xml, &location, shared, facts);
        if (!location.isEmpty()) {
            take(std::move(location), std::move(song));
        }
    }
    if (xml.hasError()) {
        throw documentError(xml, input);
    }
}

QHash<QString, StoreSong> readAllSongs(QIODevice& input) {
    QHash<QString, StoreSong> songs;
    readSongs(input, [&](QString location, StoreSong song) {
        songs.insert(std::move(location), std::move(song));
    });
    return songs;
}

// The window's database: each song with what automatic playlists look at.
QHash<QString, RhythmboxEntry> readAllEntries(QIODevice& input) {
    QHash<QString, RhythmboxEntry> entries;
    RhythmboxFacts facts;
    readSongs(
        input,
        [&](QString location, StoreSong song) {
            song.location = location;
            entries.insert(std::move(location), {std::move(song), facts});
        },
        &facts);
    return entries;
}

std::vector<RhythmboxPlaylist> readPlaylists(QIODevice& input) {
    QXmlStreamReader xml(&input);
    expectRoot(xml, u"rhythmdb-playlists",
               "not a Rhythmbox playlist file (no <rhythmdb-playlists> element)");
    std::vector<RhythmboxPlaylist> playlists;
    while (xml.readNextStartElement()) {
        const QStringView type = xml.attributes().value(QLatin1StringView("type"));
        if (xml.name() != u"playlist" || (type != u"static" && type != u"automatic")) {
            xml.skipCurrentElement();
            continue;
        }
        RhythmboxPlaylist playlist{
            boundedText(xml.attributes().value(QLatin1StringView("name")).toString()), {}};
        if (type == u"automatic") {
            playlist.query = std::make_shared<const RhythmboxQuery>(readRhythmboxQuery(xml));
            playlists.push_back(std::move(playlist));
            continue;
        }
        while (xml.readNextStartElement()) {
            if (xml.name() == u"location") {
                playlist.locations.push_back(xml.readElementText());
                playlist.locations.back().squeeze();
            } else {
                xml.skipCurrentElement();
            }
        }
        playlists.push_back(std::move(playlist));
    }
    if (xml.hasError()) {
        throw xmlError(xml);
    }
    return playlists;
}

} // namespace

QHash<QString, StoreSong> parseRhythmboxSongs(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readAllSongs(buffer);
}

void checkRhythmboxSongs(const QByteArray& bytes) {
    QXmlStreamReader xml(bytes.first(std::min<qsizetype>(bytes.size(), 4096)));
    expectDatabase(xml);
    if (!endsWithTag(bytes, QLatin1StringView("</rhythmdb>"))) {
        throw LibraryError("the file is cut short (no </rhythmdb> at its end)");
    }
}

std::vector<RhythmboxPlaylist> parseRhythmboxPlaylists(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readPlaylists(buffer);
}

namespace {

// A playlist's songs as `database` holds them; a location it does not know is read from its file.
std::vector<StoreSong> songsOf(const RhythmboxPlaylist& playlist,
                               const QHash<QString, RhythmboxEntry>& database) {
    std::vector<StoreSong> songs;
    songs.reserve(static_cast<std::size_t>(playlist.locations.size()));
    for (const QString& location : playlist.locations) {
        const auto found = database.constFind(location);
        songs.push_back(found != database.cend() ? found->song : untaggedSong({}));
        songs.back().location = location;
    }
    return songs;
}

// An automatic playlist's songs, as the player shows them now.
std::vector<StoreSong> chosenOf(const RhythmboxQuery& query,
                                const QHash<QString, RhythmboxEntry>& database) {
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    std::vector<RhythmboxEntry> matches;
    for (const RhythmboxEntry& entry : database) {
        if (rhythmboxMatches(query, entry, now)) {
            matches.push_back(entry);
        }
    }
    return rhythmboxChosen(query, std::move(matches));
}

// The same, the database read as it is parsed and only the songs that match kept of it.
std::vector<StoreSong> chosenOf(const RhythmboxQuery& query, QIODevice& database) {
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    QHash<QString, RhythmboxEntry> matches; // by location: a later entry stands, as in the hash
    RhythmboxFacts facts;
    readSongs(
        database,
        [&](QString location, StoreSong song) {
            song.location = location;
            RhythmboxEntry entry{std::move(song), facts};
            if (rhythmboxMatches(query, entry, now)) {
                matches.insert(std::move(location), std::move(entry));
            } else {
                matches.remove(location);
            }
        },
        &facts);
    return rhythmboxChosen(query, {matches.cbegin(), matches.cend()});
}

// The same, the database read as it is parsed and only the playlist's songs kept of it: a run
// that lists one playlist never holds a million other songs, nor each song twice.
std::vector<StoreSong> songsOf(const RhythmboxPlaylist& playlist, QFileDevice& database,
                               qint64 size) {
    std::vector<StoreSong> songs(static_cast<std::size_t>(playlist.locations.size()));
    // A large database is cut between two entries near its middle.
    const Halves halves{
        halfway(database, size,
                [](QByteArrayView bytes) { return nextAfter(bytes, "</entry>", "<entry"); }),
        "</rhythmdb>", "<rhythmdb>"};
    readPlaylistSongs(
        database, size, halves, PlaylistPlaces(playlist.locations),
        [](QIODevice& part, const auto& give) { readSongs(part, give); },
        [&](std::size_t i, const StoreSong& song) { songs[i] = song; },
        [&] { std::fill(songs.begin(), songs.end(), StoreSong{}); });
    for (std::size_t i = 0; i < songs.size(); ++i) {
        songs[i].location = playlist.locations[static_cast<qsizetype>(i)];
    }
    return songs;
}

struct Rhythmbox {
    Rhythmbox(QString folder, bool keep)
        : folder(std::move(folder))
        , keep(keep)
        , database(keep)
        , playlistFile(keep) {}

    QString folder;
    bool keep; // the window's: the database, once read, serves every playlist
    ParsedFile<QHash<QString, RhythmboxEntry>> database;
    ParsedFile<std::vector<RhythmboxPlaylist>> playlistFile;

    QString databasePath() const { return folder + QStringLiteral("/rhythmdb.xml"); }
    QString playlistsPath() const { return folder + QStringLiteral("/playlists.xml"); }

    std::vector<StoreSong> songsOf(const RhythmboxPlaylist& playlist) {
        if (!keep) {
            FileStamp stamp;
            const std::unique_ptr<QFile> file = openStoreFile(databasePath(), &stamp);
            return playlist.query ? chosenOf(*playlist.query, *file)
                                  : library::songsOf(playlist, *file, stamp.size);
        }
        const auto songs = database.getStreamed(
            databasePath(), [](QIODevice& file) { return readAllEntries(file); });
        return playlist.query ? chosenOf(*playlist.query, *songs)
                              : library::songsOf(playlist, *songs);
    }

    // Rhythmbox writes playlists.xml on its first run; until then there are none.
    std::shared_ptr<const std::vector<RhythmboxPlaylist>> playlists() {
        if (!QFileInfo::exists(playlistsPath())) {
            return std::make_shared<const std::vector<RhythmboxPlaylist>>();
        }
        return playlistFile.getStreamed(playlistsPath(),
                                        [](QIODevice& file) { return readPlaylists(file); });
    }
};

} // namespace

std::shared_ptr<Player> openRhythmbox(const QString& location, SongSource songs, bool lookOnce) {
    const QFileInfo info(location);
    auto store = std::make_shared<Rhythmbox>(
        QDir::cleanPath(info.isDir() ? info.absoluteFilePath() : info.absolutePath()), !lookOnce);
    // Each failure names the file it is in.
    auto reader = [store] {
        const auto playlists = namingStore(StoreKind::Rhythmbox, store->playlistsPath(),
                                           [&] { return store->playlists(); });
        std::vector<StoreListing> listings;
        for (std::size_t i = 0; i < playlists->size(); ++i) {
            const RhythmboxPlaylist& playlist = (*playlists)[i];
            StoreListing listing{playlist.name, [store, playlists, i](QStringList&) {
                                     return namingStore(
                                         StoreKind::Rhythmbox, store->databasePath(),
                                         [&] { return store->songsOf((*playlists)[i]); });
                                 }};
            if (!playlist.query) {
                // Without the database, each song is read from its file.
                listing.withoutStore = [playlists, i] { return songsOf((*playlists)[i], {}); };
            } else if (!playlist.query->unread.isEmpty()) {
                listing.leftOut =
                    QStringLiteral("Rhythmbox's automatic playlist \"%1\" is left out: %2")
                        .arg(playlist.name, playlist.query->unread);
            }
            listings.push_back(std::move(listing));
        }
        return listings;
    };
    // A store that cannot be read is refused now, as the library reads its playlists. Every
    // entry is read only when a playlist is first opened: listing the playlists needs none.
    namingStore(StoreKind::Rhythmbox, store->databasePath(),
                [&] { checkRhythmboxSongs(readStoreFileEnds(store->databasePath())); });
    return std::make_shared<StoreLibrary>(std::move(reader), std::move(songs), lookOnce);
}

} // namespace corvane::library
