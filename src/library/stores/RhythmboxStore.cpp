#include "library/playlists/PlaylistFormats.h"
#include "library/songs/Rating.h"
#include "library/songs/SharedTexts.h"
#include "library/stores/StoreFiles.h"
#include "library/stores/StoreFormats.h"

#include <QBuffer>
#include <QDate>
#include <QDir>
#include <cmath>
#include <cstring>
#include <thread>
#include <unistd.h>

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
        // The reader leaves room to grow in what it reads: a million songs keep their texts.
        QString text = xml.readElementText();
        text.squeeze();
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

// The songs of a database as it is read (from its file, or its bytes in a buffer): each is given
// to `take` with its location as written.
template <class Take> void readSongs(QIODevice& input, Take take) {
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
        QString location;
        StoreSong song = readEntry(xml, &location, shared);
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

std::vector<RhythmboxPlaylist> readPlaylists(QIODevice& input) {
    QXmlStreamReader xml(&input);
    expectRoot(xml, u"rhythmdb-playlists",
               "not a Rhythmbox playlist file (no <rhythmdb-playlists> element)");
    std::vector<RhythmboxPlaylist> playlists;
    while (xml.readNextStartElement()) {
        if (xml.name() != u"playlist" ||
            xml.attributes().value(QLatin1StringView("type")) != u"static") {
            xml.skipCurrentElement();
            continue;
        }
        RhythmboxPlaylist playlist{
            boundedText(xml.attributes().value(QLatin1StringView("name")).toString()), {}};
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
                               const QHash<QString, StoreSong>& database) {
    std::vector<StoreSong> songs;
    songs.reserve(static_cast<std::size_t>(playlist.locations.size()));
    for (const QString& location : playlist.locations) {
        const auto found = database.constFind(location);
        songs.push_back(found != database.cend() ? *found : untaggedSong({}));
        songs.back().location = location;
    }
    return songs;
}

// Part of a file read as a document of its own: `head`, the file's bytes from `begin` to `end`,
// then `tail`. Reads by position, so that parts of one file are read on several threads at once.
class FilePart final : public QIODevice {
public:
    FilePart(int fd, QByteArray head, qint64 begin, qint64 end, QByteArray tail)
        : fd_(fd)
        , head_(std::move(head))
        , begin_(begin)
        , end_(end)
        , tail_(std::move(tail)) {
        // Unbuffered: pos() is where the next read begins, as in QBuffer.
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    qint64 size() const override { return head_.size() + (end_ - begin_) + tail_.size(); }

protected:
    qint64 readData(char* data, qint64 most) override {
        qint64 at = pos();
        if (at < head_.size()) {
            return copy(head_, at, data, most);
        }
        at -= head_.size();
        if (at < end_ - begin_) {
            const ssize_t n =
                ::pread(fd_, data, static_cast<std::size_t>(std::min(most, end_ - begin_ - at)),
                        begin_ + at);
            return n < 0 ? -1 : n;
        }
        return copy(tail_, at - (end_ - begin_), data, most);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    static qint64 copy(const QByteArray& bytes, qint64 at, char* data, qint64 most) {
        const qint64 n = std::clamp<qint64>(bytes.size() - at, 0, most);
        std::memcpy(data, bytes.constData() + at, static_cast<std::size_t>(n));
        return n;
    }

    int fd_;
    QByteArray head_;
    qint64 begin_;
    qint64 end_;
    QByteArray tail_;
};

// Where a large database may be cut in two, each half read as a document of its own: the start
// of an entry that follows another near its middle; -1 when it may not (a document type, which
// may declare entities, or an encoding other than UTF-8).
qint64 halfway(QFileDevice& file, qint64 size) {
    constexpr qint64 SplitFrom = 32 << 20; // smaller databases are read in well under a second
    if (size < SplitFrom || std::thread::hardware_concurrency() < 2) {
        return -1;
    }
    const QByteArray start = file.peek(4096);
    if (start.startsWith("\xEF\xBB\xBF") || start.startsWith("\xFF\xFE") ||
        start.startsWith("\xFE\xFF")) {
        return -1;
    }
    QXmlStreamReader prolog(start);
    while (!prolog.atEnd() && !prolog.isStartElement()) {
        if (prolog.readNext() == QXmlStreamReader::DTD) {
            return -1;
        }
    }
    const QStringView encoding = prolog.documentEncoding();
    if (prolog.hasError() ||
        !(encoding.isEmpty() || encoding.compare(u"UTF-8", Qt::CaseInsensitive) == 0)) {
        return -1;
    }
    QByteArray window(1 << 20, Qt::Uninitialized);
    const ssize_t n = ::pread(file.handle(), window.data(), window.size(), size / 2);
    const QByteArrayView seen(window.constData(), std::max<ssize_t>(n, 0));
    const qsizetype end = seen.indexOf("</entry>");
    qsizetype next = end < 0 ? -1 : end + 8;
    while (next >= 0 && next < seen.size() && QChar::isSpace(seen[next])) {
        ++next;
    }
    return next >= 0 && seen.sliced(next).startsWith("<entry") ? size / 2 + next : -1;
}

// The same, the database read as it is parsed and only the playlist's songs kept of it: a run
// that lists one playlist never holds a million other songs, nor each song twice. A large one is
// read in two halves at once; where either half fails, the whole is read again to say why.
std::vector<StoreSong> songsOf(const RhythmboxPlaylist& playlist, QFileDevice& database,
                               qint64 size) {
    std::vector<StoreSong> songs(static_cast<std::size_t>(playlist.locations.size()));
    const PlaylistPlaces places(playlist.locations);
    const auto keep = [&](const QString& location, const StoreSong& song) {
        places.forEach(location, [&](std::size_t i) { songs[i] = song; });
    };
    const auto locate = [&] {
        for (std::size_t i = 0; i < songs.size(); ++i) {
            songs[i].location = playlist.locations[static_cast<qsizetype>(i)];
        }
        return std::move(songs);
    };
    if (const qint64 middle = halfway(database, size); middle > 0) {
        // The second half's songs are set down after the first's: a location the database
        // holds twice takes its last entry, as when it is read whole.
        std::vector<std::pair<std::size_t, StoreSong>> later;
        bool laterFailed = false;
        std::thread second([&] {
            FilePart part(database.handle(), "<rhythmdb>", middle, size, {});
            laterFailed = !resumeNext([&] {
                readSongs(part, [&](const QString& location, const StoreSong& song) {
                    places.forEach(location, [&](std::size_t i) { later.emplace_back(i, song); });
                });
            });
        });
        FilePart first(database.handle(), {}, 0, middle, "</rhythmdb>");
        const bool firstRead = resumeNext([&] { readSongs(first, keep); });
        second.join();
        if (firstRead && !laterFailed) {
            for (auto& [i, song] : later) {
                songs[i] = std::move(song);
            }
            return locate();
        }
        std::fill(songs.begin(), songs.end(), StoreSong{});
    }
    database.seek(0);
    readSongs(database, keep);
    return locate();
}

struct Rhythmbox {
    Rhythmbox(QString folder, bool keep)
        : folder(std::move(folder))
        , keep(keep)
        , database(keep)
        , playlistFile(keep) {}

    QString folder;
    bool keep; // the window's: the database, once read, serves every playlist
    ParsedFile<QHash<QString, StoreSong>> database;
    ParsedFile<std::vector<RhythmboxPlaylist>> playlistFile;

    QString databasePath() const { return folder + QStringLiteral("/rhythmdb.xml"); }
    QString playlistsPath() const { return folder + QStringLiteral("/playlists.xml"); }

    std::vector<StoreSong> songsOf(const RhythmboxPlaylist& playlist) {
        if (!keep) {
            FileStamp stamp;
            const std::unique_ptr<QFile> file = openStoreFile(databasePath(), &stamp);
            return library::songsOf(playlist, *file, stamp.size);
        }
        return library::songsOf(
            playlist, *database.getStreamed(databasePath(),
                                            [](QIODevice& file) { return readAllSongs(file); }));
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
            listings.push_back({(*playlists)[i].name,
                                [store, playlists, i](QStringList&) {
                                    return namingStore(
                                        StoreKind::Rhythmbox, store->databasePath(),
                                        [&] { return store->songsOf((*playlists)[i]); });
                                },
                                // Without the database, each song is read from its file.
                                [playlists, i] { return songsOf((*playlists)[i], {}); }});
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
