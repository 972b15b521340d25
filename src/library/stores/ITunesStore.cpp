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

// A file's bytes read forward a megabyte at a time, for a scan that needs no parser.
class ByteReader {
public:
    ByteReader(int fd, qint64 size)
        : fd_(fd)
        , size_(size) {}

    qint64 at() const { return base_ + i_; }
    // The bytes from here: at least `n` of them, unless the file ends first.
    QByteArrayView ahead(qsizetype n) {
        if (buffer_.size() - i_ < n && base_ + buffer_.size() < size_) {
            buffer_.remove(0, i_);
            base_ += i_;
            i_ = 0;
            const qsizetype had = buffer_.size();
            const qint64 more = std::min<qint64>(std::max<qint64>(n, 1 << 20), size_ - base_ - had);
            buffer_.resize(had + more);
            const ssize_t got =
                ::pread(fd_, buffer_.data() + had, static_cast<std::size_t>(more), base_ + had);
            buffer_.resize(had + std::max<ssize_t>(got, 0));
        }
        return QByteArrayView(buffer_).sliced(i_);
    }
    void skip(qsizetype n) { i_ += n; }
    // Moves to the next `text`; false when the file ends first.
    bool to(QByteArrayView text) {
        for (;;) {
            const QByteArrayView rest = ahead(text.size());
            if (const qsizetype found = rest.indexOf(text); found >= 0) {
                i_ += found;
                return true;
            }
            if (base_ + buffer_.size() >= size_) {
                return false;
            }
            i_ += std::max<qsizetype>(rest.size() - text.size() + 1, 0);
        }
    }

private:
    int fd_;
    qint64 size_;
    QByteArray buffer_;
    qint64 base_ = 0; // where the buffer begins in the file
    qsizetype i_ = 0; // where in the buffer the reader is
};

// Where the value of the top dict's "Tracks" key lies in the file, from its "<dict>" to past its
// "</dict>", found by the tags alone: the tracks of a large library are most of its bytes, and
// their reading waits until a playlist is opened. {-1, -1} where the bytes are not what such a
// scan may read (UTF-16, a document type that declares anything) or do not close as they should.
std::pair<qint64, qint64> tracksSpan(int fd, qint64 size) {
    constexpr std::pair<qint64, qint64> None{-1, -1};
    ByteReader bytes(fd, size);
    if (const QByteArrayView start = bytes.ahead(2);
        start.startsWith("\xFF\xFE") || start.startsWith("\xFE\xFF")) {
        return None;
    }
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    int depth = 0;          // 1 in the plist, 2 in its top dict
    bool tracksKey = false; // the top dict's last key was "Tracks"
    qint64 tracks = -1;
    while (bytes.to("<")) {
        const qint64 tag = bytes.at();
        const QByteArrayView next = bytes.ahead(9);
        // Comments, character data and instructions hold no tags; a document type that declares
        // anything may declare entities, which only a parser can expand.
        if (next.startsWith("<!--") || next.startsWith("<![CDATA[") || next.startsWith("<?")) {
            const QByteArrayView close = next.startsWith("<!--") ? "-->"
                                         : next.startsWith("<?") ? "?>"
                                                                 : "]]>";
            if (!bytes.to(close)) {
                return None;
            }
            bytes.skip(close.size());
            continue;
        }
        if (next.startsWith("<!")) {
            const QByteArrayView declaration = bytes.ahead(4096);
            const qsizetype end = declaration.indexOf('>');
            if (end < 0 || declaration.first(end).contains('[')) {
                return None;
            }
            bytes.skip(end + 1);
            continue;
        }
        // The tag to its '>', past any quoted value.
        const QByteArrayView rest = bytes.ahead(4096);
        qsizetype end = 1;
        for (char quote = 0; end < rest.size() && (quote != 0 || rest[end] != '>'); ++end) {
            if (quote != 0) {
                quote = rest[end] == quote ? 0 : quote;
            } else if (rest[end] == '"' || rest[end] == '\'') {
                quote = rest[end];
            }
        }
        if (end >= rest.size()) {
            return None; // a tag past a few kilobytes, or cut short
        }
        const bool closing = rest[1] == '/';
        QByteArrayView name = rest.sliced(closing ? 2 : 1, end - (closing ? 2 : 1));
        for (qsizetype i = 0; i < name.size(); ++i) {
            if (isSpace(name[i]) || name[i] == '/') {
                name = name.first(i);
                break;
            }
        }
        const char last = rest[end - 1];
        const bool isKey = name == "key";
        const bool isDict = name == "dict";
        bytes.skip(end + 1);
        if (closing) {
            if (--depth < 0) {
                return None;
            }
            if (tracks >= 0 && depth == 2) {
                return {tracks, bytes.at()};
            }
        } else if (last == '/') {
            if (depth == 2 && tracksKey) {
                return None; // no tracks: nothing worth passing over
            }
        } else {
            if (depth == 2 && tracksKey) {
                if (!isDict) {
                    return None;
                }
                tracks = tag;
            } else if (depth == 2 && isKey) {
                const QByteArrayView text = bytes.ahead(16);
                tracksKey = text.startsWith("Tracks</key>");
            }
            ++depth;
        }
    }
    return None;
}

// The playlists, the tracks passed over by their tags alone (a large library's tracks are most of
// its bytes): the document is read with an empty dict in their place. Where that fails, the
// whole is read, to say why as it does.
std::vector<ITunesPlaylist> readPlaylistsPassingTracks(QFile& file) {
    const qint64 size = file.size();
    if (const auto [begin, end] = tracksSpan(file.handle(), size); begin >= 0) {
        FilePart withoutTracks(file.handle(), {{{}, 0, begin}, {"<dict/>"}, {{}, end, size}});
        std::vector<ITunesPlaylist> playlists;
        if (resumeNext([&] { playlists = readPlaylists(withoutTracks); })) {
            return playlists;
        }
    }
    return readPlaylists(file);
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
            const auto playlists = store->playlists.getStreamed(store->file, [](QFile& file) {
                checkITunesLibrary(readStoreFileEnds(file, file.size()));
                return readPlaylistsPassingTracks(file);
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
