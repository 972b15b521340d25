#include "library/playlists/PlaylistFormats.h"
#include "library/stores/StoreFiles.h"
#include "library/stores/StoreFormats.h"

#include <QDir>
#include <QRegularExpression>
#include <QUrl>
#include <QXmlStreamReader>
#include <algorithm>

namespace corvane::library {

StorePlaylist parseQuodLibetXspf(const QByteArray& bytes) {
    StorePlaylist playlist;
    QXmlStreamReader xml(bytes);
    StoreSong song;
    bool inTrack = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == u"track" && inTrack) {
            if (!song.location.isEmpty()) {
                playlist.songs.push_back(std::move(song));
            }
            inTrack = false;
        }
        if (!xml.isStartElement()) {
            continue;
        }
        const QString name = xml.name().toString();
        if (name == u"track") {
            song = {};
            inTrack = true;
            continue;
        }
        if (!inTrack || (name != u"location" && name != u"title" && name != u"creator" &&
                         name != u"album" && name != u"duration")) {
            continue;
        }
        const QString text = boundedText(xml.readElementText(QXmlStreamReader::SkipChildElements));
        if (name == u"location" && song.location.isEmpty()) {
            // The path as the file system has it, its line breaks dropped as the player does.
            QString path = text.trimmed();
            path.remove(u'\n');
            path.remove(u'\r');
            song.location = entryLocation(path, QDir::rootPath());
        } else if (name == u"title") {
            song.title = text;
        } else if (name == u"creator") {
            song.artist = text;
        } else if (name == u"album") {
            song.album = text;
        } else if (name == u"duration") {
            const double ms = text.toDouble();
            song.seconds = ms > 0 ? songLength(ms / 1000) : -1;
        }
        // The file's own tags and rating come first; these stand in where it is gone.
        song.tagged = true;
    }
    if (xml.hasError()) {
        throw xmlError(xml);
    }
    return playlist;
}

QString quodLibetPlaylistName(const QString& fileName) {
    QString name = QUrl::fromPercentEncoding(fileName.toUtf8());
    if (name.endsWith(u".xspf", Qt::CaseInsensitive)) {
        name.chop(5);
    }
    return boundedText(name);
}

namespace {

// The playlist files, sorted by the names they give: hidden ones (".backup", where the player
// keeps the older files it converted) left out.
QStringList quodLibetFiles(const QString& folder) {
    static const QRegularExpression hidden(QStringLiteral("^\\.\\w[^.]*"));
    QStringList files;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        if (!hidden.match(name).hasMatch()) {
            files.push_back(name);
        }
    }
    sortByName(files, quodLibetPlaylistName);
    return files;
}

std::vector<StoreSong> quodLibetSongs(const QString& path, const QString& name,
                                      QStringList& notes) {
    FileStamp stamp;
    const QByteArray bytes = readStoreFile(path, &stamp);
    if (path.endsWith(u".xspf", Qt::CaseInsensitive)) {
        return parseQuodLibetXspf(bytes).songs;
    }
    int dropped = 0;
    auto songs = parseCmusPlaylist(bytes, &dropped);
    if (dropped > 0) {
        notes.push_back(droppedLinesNote(StoreKind::QuodLibet, name, dropped));
    }
    return songs;
}

} // namespace

std::shared_ptr<Player> openQuodLibet(const QString& location, SongSource songs, bool lookOnce) {
    const QString folder = playlistFolder(location);
    auto reader = [folder] {
        return namingStore(StoreKind::QuodLibet, folder, [&] {
            expectFolder(folder);
            std::vector<StoreListing> listings;
            for (const QString& file : quodLibetFiles(folder)) {
                const QString name = quodLibetPlaylistName(file);
                listings.push_back(
                    {name, [folder, path = folder + u'/' + file, name](QStringList& notes) {
                         return namingStore(StoreKind::QuodLibet, folder,
                                            [&] { return quodLibetSongs(path, name, notes); });
                     }});
            }
            return listings;
        });
    };
    return std::make_shared<StoreLibrary>(std::move(reader), std::move(songs), lookOnce);
}

} // namespace corvane::library
