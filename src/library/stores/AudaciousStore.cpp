#include "library/disk/FileName.h"
#include "library/playlists/PlaylistFormats.h"
#include "library/stores/StoreFiles.h"
#include "library/stores/StoreFormats.h"

#include <QDir>
#include <QHash>
#include <QUrl>
#include <algorithm>
#include <climits>

namespace corvane::library {
namespace {

// True when the system could open the path: at most PATH_MAX bytes, each name at most NAME_MAX.
bool withinPathLimits(QStringView path) {
    constexpr qsizetype MaxNameBytes = NAME_MAX;
    if (path.size() * 3 < MaxNameBytes) {
        return true; // the common case, without encoding anything
    }
    const QByteArray bytes = encodeFileName(path);
    if (bytes.size() >= PATH_MAX) {
        return false;
    }
    qsizetype start = 0;
    for (qsizetype slash = 0; slash >= 0; start = slash + 1) {
        slash = bytes.indexOf('/', start);
        if ((slash < 0 ? bytes.size() : slash) - start > MaxNameBytes) {
            return false;
        }
    }
    return true;
}

} // namespace

QStringList parseAudaciousOrder(const QByteArray& bytes) {
    QStringList numbers;
    for (const QString& word : QString::fromUtf8(bytes).simplified().split(u' ')) {
        // Only numbers name playlist files: nothing else is looked for beside them.
        // A playlist named twice is listed once, where it is first named.
        bool number = false;
        word.toULongLong(&number);
        if (number && !numbers.contains(word)) {
            numbers.push_back(word);
        }
    }
    return numbers;
}

StorePlaylist parseAudaciousPlaylist(const QByteArray& bytes) {
    StorePlaylist playlist;
    const QString text = QString::fromUtf8(bytes);
    StoreSong* song = nullptr;
    const auto decoded = [](QStringView value) {
        return boundedText(QUrl::fromPercentEncoding(
            value.first(std::min<qsizetype>(value.size(), 3 * MaxOutsideText)).toUtf8()));
    };
    for (const QStringView line : playlistLines(text)) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0) {
            continue; // a [heading] or junk
        }
        const QStringView key = line.first(equals).trimmed();
        const QStringView value = line.sliced(equals + 1).trimmed();
        if (key == u"uri") {
            song = &playlist.songs.emplace_back();
            song->location = entryLocation(value.toString(), QDir::rootPath());
        } else if (!song) {
            if (key == u"title" && playlist.name.isEmpty()) {
                playlist.name = decoded(value);
            }
        } else if (key == u"title") {
            song->title = decoded(value);
            song->tagged = true;
        } else if (key == u"artist") {
            song->artist = decoded(value);
            song->tagged = true;
        } else if (key == u"album") {
            song->album = decoded(value);
            song->tagged = true;
        } else if (key == u"genre") {
            song->genre = decoded(value);
            song->tagged = true;
        } else if (key == u"year") {
            const int year = value.toInt();
            song->year = year > 0 ? QString::number(year) : QString();
        } else if (key == u"length") {
            const qint64 ms = value.toLongLong();
            song->seconds = ms > 0 ? songLength(ms / 1000.0) : -1;
        }
    }
    return playlist;
}

QString audaciousPlaylistTitle(const QByteArray& bytes) {
    // The title comes first; only the lines before the first song are looked at.
    const qsizetype firstSong = bytes.startsWith("uri=") ? 0 : bytes.indexOf("\nuri=");
    return parseAudaciousPlaylist(firstSong < 0 ? bytes : bytes.first(firstSong)).name;
}

std::vector<StoreSong> parseCmusPlaylist(const QByteArray& bytes, int* dropped) {
    std::vector<StoreSong> songs;
    int left = 0;
    const QString text = QString::fromUtf8(bytes);
    // Line by line: a line that names no file the system could open (a NUL in it, a path past
    // the system's limits) is counted, not passed over.
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r') {
            ++end;
        }
        const QStringView line = QStringView(text).sliced(start, end - start);
        start = end + 1;
        if (line.trimmed().isEmpty()) {
            continue;
        }
        if (QString location = entryLocation(line.toString(), QDir::rootPath());
            !location.isEmpty() && (isStreamLocation(location) || withinPathLimits(location))) {
            songs.push_back(untaggedSong(std::move(location)));
        } else {
            ++left;
        }
    }
    if (dropped) {
        *dropped = left;
    }
    return songs;
}

namespace {

struct Audacious {
    QString folder;
    // By file: the playlist's title for the list, its songs once it is opened.
    QHash<QString, ParsedFile<QString>> titles;
    QHash<QString, ParsedFile<StorePlaylist>> contents;

    // The playlist files in the player's order: as "order" names them, else every .audpl by
    // number.
    QStringList playlistFiles() const {
        const QString order = folder + QStringLiteral("/order");
        QStringList numbers;
        if (QFileInfo::exists(order)) {
            FileStamp stamp;
            numbers = parseAudaciousOrder(readStoreFile(order, &stamp));
        } else {
            for (const QString& name :
                 QDir(folder).entryList({QStringLiteral("*.audpl")}, QDir::Files)) {
                numbers.push_back(name.chopped(6));
            }
            std::sort(numbers.begin(), numbers.end(), [](const QString& a, const QString& b) {
                return a.toLongLong() < b.toLongLong();
            });
        }
        QStringList paths;
        for (const QString& number : numbers) {
            // Before 3.5 Audacious kept XSPF files; the order may still name one.
            for (const char* extension : {".audpl", ".xspf"}) {
                const QString path = folder + u'/' + number + QLatin1StringView(extension);
                if (QFileInfo::exists(path)) {
                    paths.push_back(path);
                    break;
                }
            }
        }
        return paths;
    }

    bool isXspf(const QString& path) const { return path.endsWith(u".xspf"); }

    QString title(const QString& path) {
        const QString title = *titles[path].get(path, [&](const QByteArray& bytes) {
            return isXspf(path) ? parseXspf(bytes, folder).title : audaciousPlaylistTitle(bytes);
        });
        return title.isEmpty() ? QFileInfo(path).completeBaseName() : title;
    }

    std::vector<StoreSong> songs(const QString& path) {
        return contents[path]
            .get(path,
                 [&](const QByteArray& bytes) {
                     if (!isXspf(path)) {
                         return parseAudaciousPlaylist(bytes);
                     }
                     StorePlaylist parsed;
                     for (const PlaylistEntry& entry : parseXspf(bytes, folder).entries) {
                         parsed.songs.push_back(untaggedSong(entry.location, entry.title));
                     }
                     return parsed;
                 })
            ->songs;
    }
};

} // namespace

std::shared_ptr<Player> openAudacious(const QString& location, SongSource songs, bool lookOnce) {
    auto store = std::make_shared<Audacious>();
    store->folder = playlistFolder(location);
    auto reader = [store] {
        return namingStore(StoreKind::Audacious, store->folder, [&] {
            expectFolder(store->folder);
            std::vector<StoreListing> listings;
            for (const QString& path : store->playlistFiles()) {
                listings.push_back({store->title(path), [store, path](QStringList&) {
                                        return namingStore(StoreKind::Audacious, store->folder,
                                                           [&] { return store->songs(path); });
                                    }});
            }
            return listings;
        });
    };
    return std::make_shared<StoreLibrary>(std::move(reader), std::move(songs), lookOnce);
}

std::shared_ptr<Player> openCmus(const QString& location, SongSource songs, bool lookOnce) {
    const QString folder = playlistFolder(location);
    auto reader = [folder] {
        return namingStore(StoreKind::Cmus, folder, [&] {
            expectFolder(folder);
            std::vector<StoreListing> listings;
            // cmus names each playlist's file after it.
            QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
            sortByName(names, [](const QString& name) { return name; });
            for (const QString& name : names) {
                const QString path = folder + u'/' + name;
                listings.push_back(
                    {name, [folder, path, name](QStringList& notes) {
                         return namingStore(StoreKind::Cmus, folder, [&] {
                             FileStamp stamp;
                             int dropped = 0;
                             auto songs = parseCmusPlaylist(readStoreFile(path, &stamp), &dropped);
                             if (dropped > 0) {
                                 notes.push_back(droppedLinesNote(StoreKind::Cmus, name, dropped));
                             }
                             return songs;
                         });
                     }});
            }
            return listings;
        });
    };
    return std::make_shared<StoreLibrary>(std::move(reader), std::move(songs), lookOnce);
}

} // namespace corvane::library
