#include "library/playlists/PlaylistFormats.h"
#include "library/songs/Rating.h"
#include "library/songs/SharedTexts.h"
#include "library/stores/StoreFiles.h"
#include "library/stores/StoreFormats.h"

#include <QBuffer>

namespace corvane::library {
namespace {

// The library XML's own version ("Major Version"); iTunes and Music have only ever written 1.
constexpr int KnownMajorVersion = 1;

// Property lists: a <dict> is a run of <key> elements, each followed by its value's element.
// Calls `onValue(key)` with the reader on each value's start; it reads or skips the value.
template <class OnValue> void readDict(QXmlStreamReader& xml, OnValue onValue) {
    while (xml.readNextStartElement()) {
        if (xml.name() != u"key") {
            xml.raiseError(QStringLiteral("a <dict> holds <%1> where a <key> belongs")
                               .arg(xml.name().toString()));
            return;
        }
        const QString key = xml.readElementText();
        if (!xml.readNextStartElement()) {
            return;
        }
        onValue(key);
    }
}

bool isTrue(const QXmlStreamReader& xml) {
    return xml.name() == u"true";
}

StoreSong readTrack(QXmlStreamReader& xml, SharedTexts& shared) {
    StoreSong song;
    song.tagged = true;
    int rating = 0;
    bool ratingComputed = false;
    readDict(xml, [&](const QString& key) {
        if (key == u"Name") {
            song.title = boundedText(xml.readElementText());
        } else if (key == u"Artist") {
            song.artist = shared(boundedText(xml.readElementText()));
        } else if (key == u"Album") {
            song.album = shared(boundedText(xml.readElementText()));
        } else if (key == u"Genre") {
            song.genre = shared(boundedText(xml.readElementText()));
        } else if (key == u"Year") {
            const int year = xml.readElementText().toInt();
            song.year = year > 0 ? shared(QString::number(year)) : QString();
        } else if (key == u"Total Time") {
            const qint64 ms = xml.readElementText().toLongLong();
            song.seconds = ms > 0 ? songLength(ms / 1000.0) : -1;
        } else if (key == u"Rating") {
            rating = xml.readElementText().toInt();
        } else if (key == u"Rating Computed") {
            ratingComputed = isTrue(xml);
            xml.skipCurrentElement();
        } else if (key == u"Location") {
            song.location = xml.readElementText(); // made a location when a playlist is read
        } else {
            xml.skipCurrentElement();
        }
    });
    // A computed rating is the album's, shown greyed out: the song itself is unrated.
    song.rating = ratingComputed ? 0 : ratingFromPercent(rating);
    return song;
}

ITunesPlaylist readPlaylist(QXmlStreamReader& xml, bool* usersOwn) {
    ITunesPlaylist playlist;
    *usersOwn = true;
    readDict(xml, [&](const QString& key) {
        if (key == u"Name") {
            playlist.name = boundedText(xml.readElementText());
        } else if (key == u"Master" || key == u"Folder") {
            *usersOwn = *usersOwn && !isTrue(xml);
            xml.skipCurrentElement();
        } else if (key == u"Distinguished Kind") {
            *usersOwn = false;
            xml.skipCurrentElement();
        } else if (key == u"Playlist Items" && xml.name() == u"array" && *usersOwn) {
            // iTunes writes what kind a playlist is before its items: the library's own lists
            // (every track, often twice) are skipped rather than read.
            while (xml.readNextStartElement()) {
                readDict(xml, [&](const QString& itemKey) {
                    if (itemKey == u"Track ID") {
                        playlist.trackIds.push_back(xml.readElementText());
                    } else {
                        xml.skipCurrentElement();
                    }
                });
            }
        } else {
            xml.skipCurrentElement();
        }
    });
    return playlist;
}

// Reads up to the top <dict> and checks the version, which iTunes writes first in it. Leaves
// the reader on the first top-level key that follows "Major Version", or at the end.
void expectLibrary(QXmlStreamReader& xml) {
    if (!xml.readNextStartElement() || xml.name() != u"plist" || !xml.readNextStartElement() ||
        xml.name() != u"dict") {
        if (xml.hasError()) {
            throw xmlError(xml);
        }
        throw LibraryError("not an iTunes library (no property list)");
    }
    while (xml.readNextStartElement() && xml.name() == u"key") {
        const QString key = xml.readElementText();
        if (!xml.readNextStartElement()) {
            break;
        }
        if (key == u"Major Version") {
            const QString version = xml.readElementText();
            if (version.toInt() != KnownMajorVersion) {
                // The version as the file writes it, on one line and short.
                throw LibraryError(QStringLiteral("an iTunes library of unknown version %1")
                                       .arg(version.simplified().left(20))
                                       .toStdString());
            }
            return;
        }
        xml.skipCurrentElement();
    }
    if (xml.hasError()) {
        throw xmlError(xml);
    }
    throw LibraryError("not an iTunes library (no Major Version)");
}

} // namespace

void checkITunesLibrary(const QByteArray& bytes) {
    QXmlStreamReader xml(bytes.first(std::min<qsizetype>(bytes.size(), 4096)));
    expectLibrary(xml);
    if (!endsWithTag(bytes, QLatin1StringView("</plist>"))) {
        throw LibraryError("the file is cut short (no </plist> at its end)");
    }
}

namespace {

// The tracks of a library as it is read (from its file, or its bytes in a buffer): each is given
// to `take` with its Track ID.
template <class Take> void readTracks(QIODevice& input, Take take) {
    QXmlStreamReader xml(&input);
    expectLibrary(xml);
    SharedTexts shared; // a library's artists, albums and genres repeat from song to song
    while (xml.readNextStartElement() && xml.name() == u"key") {
        const QString key = xml.readElementText();
        if (!xml.readNextStartElement()) {
            break;
        }
        if (key != u"Tracks" || xml.name() != u"dict") {
            xml.skipCurrentElement();
            continue;
        }
        readDict(xml, [&](const QString& id) {
            if (xml.name() == u"dict") {
                take(id, readTrack(xml, shared));
            } else {
                xml.skipCurrentElement();
            }
        });
        if (xml.hasError()) {
            throw xmlError(xml);
        }
        return; // the playlists that follow are read on their own
    }
    if (xml.hasError()) {
        throw xmlError(xml);
    }
    throw LibraryError("not an iTunes library (no Tracks)");
}

QHash<QString, StoreSong> readAllTracks(QIODevice& input) {
    QHash<QString, StoreSong> tracks;
    readTracks(input,
               [&](const QString& id, StoreSong song) { tracks.insert(id, std::move(song)); });
    return tracks;
}

std::vector<ITunesPlaylist> readPlaylists(QIODevice& input) {
    // The document is read as the structure it is, to its end: the top dict's "Playlists" key
    // (never one in a comment or a text), the tracks passed over unread, and a file that ends
    // early said to be cut short.
    QXmlStreamReader xml(&input);
    expectLibrary(xml);
    std::vector<ITunesPlaylist> playlists;
    while (xml.readNextStartElement() && xml.name() == u"key") {
        const QString key = xml.readElementText();
        if (!xml.readNextStartElement()) {
            break;
        }
        if (key != u"Playlists" || xml.name() != u"array") {
            xml.skipCurrentElement();
            continue;
        }
        while (xml.readNextStartElement()) {
            if (xml.name() != u"dict") {
                xml.skipCurrentElement();
                continue;
            }
            bool usersOwn = true;
            ITunesPlaylist playlist = readPlaylist(xml, &usersOwn);
            if (usersOwn) {
                playlists.push_back(std::move(playlist));
            }
        }
    }
    while (!xml.atEnd() && !xml.hasError()) {
        xml.readNext();
    }
    if (xml.hasError()) {
        throw documentError(xml, input);
    }
    return playlists;
}

template <class Read> auto readBytes(const QByteArray& bytes, Read read) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return read(buffer);
}

} // namespace

QHash<QString, StoreSong> parseITunesTracks(const QByteArray& bytes) {
    return readBytes(bytes, readAllTracks);
}

std::vector<ITunesPlaylist> parseITunesPlaylists(const QByteArray& bytes) {
    return readBytes(bytes, readPlaylists);
}

namespace {

// A playlist's songs as `tracks` holds them; a Track ID it does not know is left out.
std::vector<StoreSong> songsOf(const ITunesPlaylist& playlist,
                               const QHash<QString, StoreSong>& tracks) {
    std::vector<StoreSong> songs;
    songs.reserve(static_cast<std::size_t>(playlist.trackIds.size()));
    for (const QString& id : playlist.trackIds) {
        if (const auto found = tracks.constFind(id); found != tracks.cend()) {
            songs.push_back(*found);
        }
    }
    return songs;
}

// The same, the library read as it is parsed and only the playlist's tracks kept of it.
std::vector<StoreSong> songsOf(const ITunesPlaylist& playlist, QIODevice& library) {
    std::vector<StoreSong> songs(static_cast<std::size_t>(playlist.trackIds.size()));
    std::vector<bool> found(songs.size());
    const PlaylistPlaces ids(playlist.trackIds);
    readTracks(library, [&](const QString& id, const StoreSong& song) {
        ids.forEach(id, [&](std::size_t i) {
            songs[i] = song;
            found[i] = true;
        });
    });
    std::size_t kept = 0;
    for (std::size_t i = 0; i < songs.size(); ++i) {
        if (found[i] && kept++ != i) {
            songs[kept - 1] = std::move(songs[i]);
        }
    }
    songs.resize(kept);
    return songs;
}

struct ITunes {
    ITunes(QString file, bool keep)
        : file(std::move(file))
        , keep(keep)
        , tracks(keep)
        , playlists(keep) {}

    QString file;
    bool keep; // the window's: the tracks, once read, serve every playlist
    ParsedFile<QHash<QString, StoreSong>> tracks;
    ParsedFile<std::vector<ITunesPlaylist>> playlists;

    std::vector<StoreSong> songsOf(const ITunesPlaylist& playlist) {
        if (!keep) {
            FileStamp stamp;
            return library::songsOf(playlist, *openStoreFile(file, &stamp));
        }
        return library::songsOf(playlist, *tracks.getStreamed(file, readAllTracks));
    }
};

} // namespace

std::shared_ptr<Player> openITunes(const QString& location, SongSource songs, bool lookOnce) {
    auto store = std::make_shared<ITunes>(location, !lookOnce);
    auto reader = [store] {
        return namingStore(StoreKind::ITunes, store->file, [&] {
            // The whole file is checked (the first and last bytes) whenever it is read again.
            const auto playlists = store->playlists.getStreamed(store->file, [&](QIODevice& file) {
                checkITunesLibrary(readStoreFileEnds(store->file));
                return readPlaylists(file);
            });
            std::vector<StoreListing> listings;
            for (std::size_t i = 0; i < playlists->size(); ++i) {
                listings.push_back({(*playlists)[i].name, [store, playlists, i](QStringList&) {
                                        return namingStore(StoreKind::ITunes, store->file, [&] {
                                            return store->songsOf((*playlists)[i]);
                                        });
                                    }});
            }
            return listings;
        });
    };
    // A file that is not a whole library is refused now, as the library reads its playlists;
    // the tracks are read only when a playlist is first opened.
    return std::make_shared<StoreLibrary>(std::move(reader), std::move(songs), lookOnce);
}

} // namespace corvane::library
