#pragma once

#include "library/MediaLibrary.h"
#include "library/disk/FileName.h"
#include "library/disk/RegularFile.h"
#include "library/stores/PlayerStores.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QStringList>
#include <QXmlStreamReader>
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

// What the store readers share: reading a store's file, parsing it again only when it changed,
// and saying why XML could not be read. Internal to the library.
namespace corvane::library {

// The bytes of a store's file; throws LibraryError saying why it cannot be read.
inline QByteArray readStoreFile(const QString& path, FileStamp* stamp) {
    if (fileStamp(path).size > MaxStoreBytes) {
        throw LibraryError("the file is larger than 512 MiB");
    }
    QByteArray bytes;
    if (!readRegularFile(path, MaxStoreBytes, &bytes, stamp)) {
        throw LibraryError(whyUnreadable(path).toStdString());
    }
    return bytes;
}

// A store's file open to be read as it is parsed, never whole into memory (a store of a million
// songs is hundreds of megabytes); throws LibraryError saying why it cannot be read.
inline std::unique_ptr<QFile> openStoreFile(const QString& path, FileStamp* stamp) {
    const int fd = openRegularFile(path, stamp);
    if (fd < 0) {
        throw LibraryError(whyUnreadable(path).toStdString());
    }
    auto file = std::make_unique<QFile>();
    if (stamp->size > MaxStoreBytes ||
        !file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw LibraryError(stamp->size > MaxStoreBytes ? "the file is larger than 512 MiB"
                                                       : "the file cannot be read");
    }
    return file;
}

// The first 4 KiB and the last 256 bytes (a byte order mark's code units kept whole) of a file
// of `size` bytes open at its start, or all of it when it is no larger: enough to tell what a
// store is and whether it ends. The file is left at its start again.
inline QByteArray readStoreFileEnds(QFileDevice& file, qint64 size) {
    QByteArray ends;
    if (size <= 8192) {
        ends = file.readAll();
    } else {
        ends = file.read(4096);
        if (!file.seek((size - 256) & ~qint64{1})) {
            throw LibraryError("the file cannot be read");
        }
        ends += file.readAll();
    }
    file.seek(0);
    return ends;
}
inline QByteArray readStoreFileEnds(const QString& path) {
    FileStamp stamp;
    return readStoreFileEnds(*openStoreFile(path, &stamp), stamp.size);
}

// One store file parsed into a T, parsed again only when the file's stamp changed: from its
// bytes by get, as it is read by getStreamed. Without `keep` (a run that lists once), a parse is
// held only while a caller holds it: a million songs are not kept for a listing that never comes.
template <class T> class ParsedFile {
public:
    explicit ParsedFile(bool keep = true)
        : keep_(keep) {}

    template <class Parse> std::shared_ptr<const T> get(const QString& path, Parse parse) {
        if (auto value = value_.lock(); value && fileStamp(path) == stamp_) {
            return value;
        }
        FileStamp read;
        const QByteArray bytes = readStoreFile(path, &read);
        return keep(std::make_shared<const T>(parse(bytes)), read);
    }
    template <class Parse> std::shared_ptr<const T> getStreamed(const QString& path, Parse parse) {
        if (auto value = value_.lock(); value && fileStamp(path) == stamp_) {
            return value;
        }
        kept_.reset(); // not kept while its successor is read
        FileStamp read;
        const std::unique_ptr<QFile> file = openStoreFile(path, &read);
        return keep(std::make_shared<const T>(parse(*file)), read);
    }

private:
    std::shared_ptr<const T> keep(std::shared_ptr<const T> value, const FileStamp& stamp) {
        value_ = value;
        kept_ = keep_ ? value : nullptr;
        stamp_ = stamp;
        return value;
    }

    bool keep_;
    FileStamp stamp_;
    std::weak_ptr<const T> value_;
    std::shared_ptr<const T> kept_;
};

// A playlist's songs by their keys in the store (locations, track IDs), and the places each key
// holds in it: a store read as it is parsed keeps only the songs of the one playlist listed.
class PlaylistPlaces {
public:
    explicit PlaylistPlaces(const QStringList& keys)
        : before_(static_cast<std::size_t>(keys.size()), -1) {
        last_.reserve(keys.size());
        for (qsizetype i = 0; i < keys.size(); ++i) {
            if (const auto at = last_.find(keys[i]); at != last_.end()) {
                before_[static_cast<std::size_t>(i)] = std::exchange(*at, static_cast<int>(i));
            } else {
                last_.insert(keys[i], static_cast<int>(i));
            }
        }
    }

    std::size_t size() const { return before_.size(); }

    // Calls `place(i)` for each place in the playlist that holds `key`.
    template <class Place> void forEach(const QString& key, Place place) const {
        if (const auto found = last_.constFind(key); found != last_.cend()) {
            for (int i = *found; i >= 0; i = before_[static_cast<std::size_t>(i)]) {
                place(static_cast<std::size_t>(i));
            }
        }
    }

private:
    QHash<QString, int> last_; // each key's last place
    std::vector<int> before_;  // the place before it with the same key; -1: none
};

// Parts of a file read as a document of their own, each piece either bytes given or the file's
// bytes from `begin` to `end`. Reads by position, so that parts of one file are read on several
// threads at once.
class FilePart final : public QIODevice {
public:
    struct Piece {
        QByteArray bytes;
        qint64 begin = 0;
        qint64 end = 0; // a piece of the file where end > begin
        qint64 size() const { return end > begin ? end - begin : bytes.size(); }
    };

    FilePart(int fd, std::vector<Piece> pieces)
        : fd_(fd)
        , pieces_(std::move(pieces)) {
        // Unbuffered: pos() is where the next read begins, as in QBuffer.
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    // `head`, the file's bytes from `begin` to `end`, then `tail`.
    FilePart(int fd, QByteArray head, qint64 begin, qint64 end, QByteArray tail)
        : FilePart(fd, {{std::move(head)}, {{}, begin, end}, {std::move(tail)}}) {}

    qint64 size() const override {
        qint64 total = 0;
        for (const Piece& piece : pieces_) {
            total += piece.size();
        }
        return total;
    }

protected:
    qint64 readData(char* data, qint64 most) override {
        qint64 at = pos();
        for (const Piece& piece : pieces_) {
            if (at >= piece.size()) {
                at -= piece.size();
                continue;
            }
            const qint64 n = std::min(most, piece.size() - at);
            if (piece.end > piece.begin) {
                const ssize_t read =
                    ::pread(fd_, data, static_cast<std::size_t>(n), piece.begin + at);
                return read < 0 ? -1 : read;
            }
            std::memcpy(data, piece.bytes.constData() + at, static_cast<std::size_t>(n));
            return n;
        }
        return 0;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    int fd_;
    std::vector<Piece> pieces_;
};

// A store document cut in two between two songs, each half read as a document of its own.
struct Halves {
    qint64 middle = -1;    // where the second half begins; -1: the document is read whole
    QByteArray firstTail;  // what closes the first half ("</rhythmdb>")
    QByteArray secondHead; // what opens the second ("<rhythmdb>")
};

// The first place in `bytes` where, after `end` and white space, `next` begins; -1: none.
inline qsizetype nextAfter(QByteArrayView bytes, QByteArrayView end, QByteArrayView next) {
    for (qsizetype at = bytes.indexOf(end); at >= 0; at = bytes.indexOf(end, at + 1)) {
        qsizetype start = at + end.size();
        while (start < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[start]))) {
            ++start;
        }
        if (bytes.sliced(start).startsWith(next)) {
            return start;
        }
    }
    return -1;
}

// Where a store document of `size` bytes may be cut in two: `boundary` gives the place in the
// megabyte from its middle. -1 for a document read in well under a second anyway, and for one
// with a byte order mark, declarations in its document type (entities) or an encoding other
// than UTF-8: its halves would not read as it does.
template <class Boundary> qint64 halfway(QFileDevice& file, qint64 size, Boundary boundary) {
    if (size < (32 << 20) || std::thread::hardware_concurrency() < 2) {
        return -1;
    }
    const QByteArray start = file.peek(4096);
    if (start.startsWith("\xEF\xBB\xBF") || start.startsWith("\xFF\xFE") ||
        start.startsWith("\xFE\xFF")) {
        return -1;
    }
    QXmlStreamReader prolog(start);
    while (!prolog.atEnd() && !prolog.isStartElement()) {
        // iTunes names its document type; one that declares anything (entities) is not cut.
        if (prolog.readNext() == QXmlStreamReader::DTD && prolog.text().contains(u'[')) {
            return -1;
        }
    }
    const QStringView encoding = prolog.documentEncoding();
    if (prolog.hasError() ||
        !(encoding.isEmpty() || encoding.compare(u"UTF-8", Qt::CaseInsensitive) == 0)) {
        return -1;
    }
    QByteArray window(1 << 20, Qt::Uninitialized);
    const ssize_t n =
        ::pread(file.handle(), window.data(), static_cast<std::size_t>(window.size()), size / 2);
    const qsizetype at = boundary(QByteArrayView(window.constData(), std::max<ssize_t>(n, 0)));
    return at < 0 ? -1 : size / 2 + at;
}

// One playlist's songs read from a store document by `read(device, give)`, which gives
// each song with its key (a location, a Track ID), and reads a half to its very end (a half cut
// anywhere but between two songs does not end as a document should): each song the playlist
// holds goes to keep(place, song), in the document's order. A document cut in halves is read on
// two threads at once (`keep` then called from both, never for one place at once); where either
// half fails, `restart` forgets what was kept and the whole is read again, so that a fault is said
// as reading it whole says it.
template <class Read, class Keep, class Restart>
void readPlaylistSongs(QFileDevice& file, qint64 size, const Halves& halves,
                       const PlaylistPlaces& places, Read read, Keep keep, Restart restart) {
    const auto give = [&](const QString& key, const StoreSong& song) {
        places.forEach(key, [&](std::size_t i) { keep(i, song); });
    };
    if (halves.middle > 0) {
        // Both halves set their songs down as they are read. Where both hold a key, the second
        // half's song stands, as when the document is read whole.
        std::vector<std::uint8_t> setByLater(places.size());
        std::array<std::mutex, 64> locks;
        const auto setDown = [&](bool later) {
            return [&, later](const QString& key, const StoreSong& song) {
                places.forEach(key, [&](std::size_t i) {
                    const std::lock_guard lock(locks[i % locks.size()]);
                    if (later || !setByLater[i]) {
                        keep(i, song);
                        setByLater[i] = setByLater[i] || later;
                    }
                });
            };
        };
        bool laterRead = false;
        std::thread second([&] {
            FilePart part(file.handle(), halves.secondHead, halves.middle, size, {});
            laterRead = resumeNext([&] { read(part, setDown(true)); });
        });
        FilePart first(file.handle(), {}, 0, halves.middle, halves.firstTail);
        const bool firstRead = resumeNext([&] { read(first, setDown(false)); });
        second.join();
        if (firstRead && laterRead) {
            return;
        }
        restart();
    }
    file.seek(0);
    read(file, give);
}

// Sorts `names` as the user's language sorts the names `nameOf` gives them, whatever their case;
// equal names keep their order. With a collator of its own: the one that QDir::LocaleAware and
// QString::localeAwareCompare keep per thread is never freed.
template <class NameOf> void sortByName(QStringList& names, NameOf nameOf) {
    const QCollator collator;
    std::stable_sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        return collator.compare(nameOf(a).toLower(), nameOf(b).toLower()) < 0;
    });
}

// Why an XML reader stopped: the file is cut short, or not well-formed at a line.
inline LibraryError xmlError(const QXmlStreamReader& xml) {
    if (xml.error() == QXmlStreamReader::PrematureEndOfDocumentError) {
        return LibraryError(
            QStringLiteral("the file is cut short (line %1)").arg(xml.lineNumber()).toStdString());
    }
    // The reader's words may quote the file: kept to one line.
    return LibraryError(QStringLiteral("not well-formed XML at line %1: %2")
                            .arg(xml.lineNumber())
                            .arg(xml.errorString().simplified())
                            .toStdString());
}

// True when the XML document ends in `endTag` ("</plist>"), in UTF-8 or, after its byte order
// mark, UTF-16.
inline bool endsWithTag(const QByteArray& bytes, QLatin1StringView endTag) {
    const bool utf16 = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
    if (!utf16) {
        return QByteArrayView(bytes).trimmed().endsWith(
            QByteArrayView(endTag.data(), endTag.size()));
    }
    // The last few characters, whole code units from the end.
    const qsizetype tail = std::min<qsizetype>((bytes.size() - 2) / 2 * 2, 256);
    QStringDecoder decode(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                       : QStringConverter::Utf16BE);
    const QString end = decode(QByteArrayView(bytes).last(tail));
    return QStringView(end).trimmed().endsWith(endTag);
}

// The number of the document's last line that holds anything.
inline qint64 lastLine(QByteArrayView bytes) {
    return bytes.trimmed().count('\n') + 1;
}
inline qint64 lastLine(QIODevice& device) {
    qint64 lines = 0;
    qint64 pending = 0; // line breaks that only white space followed so far
    device.seek(0);
    while (!device.atEnd()) {
        const QByteArray chunk = device.read(1 << 20);
        for (const char c : chunk) {
            if (c == '\n') {
                ++pending;
            } else if (c != ' ' && c != '\t' && c != '\r') {
                lines += pending;
                pending = 0;
            }
        }
    }
    return lines + 1;
}

// Why a whole document could not be read: as xmlError says, except that a document whose end
// tag closes it early (the middle of the file lost, its last line kept) is cut short too.
// `input` is the document's bytes or the device it was read from.
template <class Input> LibraryError documentError(const QXmlStreamReader& xml, Input& input) {
    if (xml.error() == QXmlStreamReader::NotWellFormedError &&
        xml.lineNumber() == lastLine(input)) {
        return LibraryError(QStringLiteral("the file is cut short (line %1: %2)")
                                .arg(xml.lineNumber())
                                .arg(xml.errorString())
                                .toStdString());
    }
    return xmlError(xml);
}

// One line for the lines of a playlist that name no file the system could open (a NUL in them,
// a path or a name past the system's limits).
inline QString droppedLinesNote(StoreKind kind, const QString& playlist, int dropped) {
    return QStringLiteral("%1 of the %2 playlist \"%3\" named no file that can be opened, and "
                          "%4 left out")
        .arg(dropped == 1 ? QStringLiteral("1 line") : QStringLiteral("%1 lines").arg(dropped),
             storeName(kind), shownName(playlist),
             dropped == 1 ? QStringLiteral("was") : QStringLiteral("were"));
}

// The folder that holds the playlists: `location` itself, or its "playlists" folder.
inline QString playlistFolder(const QString& location) {
    const QString below = location + QStringLiteral("/playlists");
    return QDir::cleanPath(QFileInfo(below).isDir() ? below : location);
}

// Throws LibraryError unless `folder` is one.
inline void expectFolder(const QString& folder) {
    if (!QFileInfo(folder).isDir()) {
        throw LibraryError(QFileInfo::exists(folder) ? "not a folder" : "no such folder");
    }
}

// Runs `read`, and turns the LibraryError it throws into one naming the store.
template <class Read> auto namingStore(StoreKind kind, const QString& location, Read&& read) {
    try {
        return read();
    } catch (const LibraryError& error) {
        throw storeError(kind, location, QString::fromStdString(error.what()));
    }
}

} // namespace corvane::library
