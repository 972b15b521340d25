#include "library/playlists/PlaylistFormats.h"
#include "library/songs/Rating.h"
#include "library/songs/SharedTexts.h"
#include "library/stores/StoreFiles.h"
#include "library/stores/StoreFormats.h"

#include <QBuffer>
#include <QDate>
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

enum class Field { Title, Artist, Album, Genre, Duration, Date, Rating, Location, Other };

Field fieldNamed(QStringView name) {
    constexpr std::pair<const char16_t*, Field> Fields[] = {
        {u"title", Field::Title},   {u"artist", Field::Artist},     {u"album", Field::Album},
        {u"genre", Field::Genre},   {u"duration", Field::Duration}, {u"date", Field::Date},
        {u"rating", Field::Rating}, {u"location", Field::Location}};
    for (const auto& [text, field] : Fields) {
        if (name == text) {
            return field;
        }
    }
    return Field::Other;
}

StoreSong readEntry(QXmlStreamReader& xml, QString* location, SharedTexts& shared) {
    StoreSong song;
    song.tagged = true;
    song.rating = 0; // no <rating>: unrated
    while (xml.readNextStartElement()) {
        const Field field = fieldNamed(xml.name());
        if (field == Field::Other) {
            xml.skipCurrentElement();
            continue;
        }
        const QString text = xml.readElementText();
        if (field == Field::Location) {
            *location = text; // a location past the system's limits names nothing
            continue;
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
        case Field::Location:
        case Field::Other:
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

// The songs of a database as it is read (from its file, or its bytes in a buffer).
QHash<QString, StoreSong> readSongs(QIODevice& input) {
    QXmlStreamReader xml(&input);
    expectDatabase(xml);
    QHash<QString, StoreSong> songs;
    SharedTexts shared;
    while (xml.readNextStartElement()) {
        const QStringView type = xml.attributes().value(QLatin1StringView("type"));
        if (xml.name() != u"entry" ||
            (type != u"song" && type != u"iradio" && type != u"podcast-post")) {
            xml.skipCurrentElement();
            continue;
        }
        QString location;
        StoreSong song = readEntry(xml, &location, shared);
        if (!location.isEmpty()) {
            songs.insert(location, std::move(song));
        }
    }
    if (xml.hasError()) {
        throw documentError(xml, input);
    }
    return songs;
}

std::vector<StorePlaylist> readPlaylists(QIODevice& input) {
    QXmlStreamReader xml(&input);
    expectRoot(xml, u"rhythmdb-playlists",
               "not a Rhythmbox playlist file (no <rhythmdb-playlists> element)");
    std::vector<StorePlaylist> playlists;
    while (xml.readNextStartElement()) {
        if (xml.name() != u"playlist" ||
            xml.attributes().value(QLatin1StringView("type")) != u"static") {
            xml.skipCurrentElement();
            continue;
        }
        StorePlaylist playlist{
            boundedText(xml.attributes().value(QLatin1StringView("name")).toString()), {}};
        while (xml.readNextStartElement()) {
            if (xml.name() == u"location") {
                playlist.songs.push_back(untaggedSong(xml.readElementText()));
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
    return readSongs(buffer);
}

void checkRhythmboxSongs(const QByteArray& bytes) {
    QXmlStreamReader xml(bytes.first(std::min<qsizetype>(bytes.size(), 4096)));
    expectDatabase(xml);
    if (!endsWithTag(bytes, QLatin1StringView("</rhythmdb>"))) {
        throw LibraryError("the file is cut short (no </rhythmdb> at its end)");
    }
}

std::vector<StorePlaylist> parseRhythmboxPlaylists(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readPlaylists(buffer);
}

namespace {

struct Rhythmbox {
    QString folder;
    ParsedFile<QHash<QString, StoreSong>> database;
    ParsedFile<std::vector<StorePlaylist>> playlistFile;

    QString databasePath() const { return folder + QStringLiteral("/rhythmdb.xml"); }
    QString playlistsPath() const { return folder + QStringLiteral("/playlists.xml"); }

    std::shared_ptr<const QHash<QString, StoreSong>> songs() {
        return database.getStreamed(databasePath(),
                                    [](QIODevice& file) { return readSongs(file); });
    }

    // Rhythmbox writes playlists.xml on its first run; until then there are none.
    std::shared_ptr<const std::vector<StorePlaylist>> playlists() {
        if (!QFileInfo::exists(playlistsPath())) {
            return std::make_shared<const std::vector<StorePlaylist>>();
        }
        return playlistFile.getStreamed(playlistsPath(),
                                        [](QIODevice& file) { return readPlaylists(file); });
    }
};

// A playlist's songs as the database holds them; a location the database does not know is read
// from its file.
std::vector<StoreSong> songsOf(const StorePlaylist& playlist,
                               const QHash<QString, StoreSong>& database) {
    std::vector<StoreSong> songs;
    songs.reserve(playlist.songs.size());
    for (const StoreSong& listed : playlist.songs) {
        const auto found = database.constFind(listed.location);
        StoreSong song = found != database.cend() ? *found : listed;
        song.location = entryLocation(listed.location, QDir::rootPath());
        songs.push_back(std::move(song));
    }
    return songs;
}

} // namespace

std::shared_ptr<Player> openRhythmbox(const QString& location, SongSource songs) {
    const QFileInfo info(location);
    auto store = std::make_shared<Rhythmbox>();
    store->folder = QDir::cleanPath(info.isDir() ? info.absoluteFilePath() : info.absolutePath());
    // Each failure names the file it is in.
    auto reader = [store] {
        const auto playlists = namingStore(StoreKind::Rhythmbox, store->playlistsPath(),
                                           [&] { return store->playlists(); });
        std::vector<StoreListing> listings;
        for (std::size_t i = 0; i < playlists->size(); ++i) {
            listings.push_back({(*playlists)[i].name,
                                [store, playlists, i](QStringList&) {
                                    const auto songs =
                                        namingStore(StoreKind::Rhythmbox, store->databasePath(),
                                                    [&] { return store->songs(); });
                                    return songsOf((*playlists)[i], *songs);
                                },
                                // Without the database, each song is read from its file.
                                [playlists, i] { return songsOf((*playlists)[i], {}); }});
        }
        return listings;
    };
    // A store that cannot be read is refused now. Every entry is read only when a playlist is
    // first opened: listing the playlists needs none of them.
    namingStore(StoreKind::Rhythmbox, store->databasePath(),
                [&] { checkRhythmboxSongs(readStoreFileEnds(store->databasePath())); });
    reader();
    return std::make_shared<StoreLibrary>(std::move(reader), std::move(songs));
}

} // namespace corvane::library
