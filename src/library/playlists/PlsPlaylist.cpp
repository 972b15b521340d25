#include "library/playlists/PlaylistFormats.h"

#include <map>

namespace corvane::library {

// "[playlist]" then "FileN=", "TitleN=", "LengthN=" lines; the entries go by N, whatever order the
// lines come in. GNOME's exporter names the playlist in "X-GNOME-Title=".
ParsedPlaylist parsePls(const QByteArray& bytes, const QString& baseFolder) {
    std::map<qint64, PlaylistEntry> byNumber;
    QString title;
    const QString text = decodePlaylistText(bytes);
    for (QStringView line : playlistLines(text)) {
        line = line.trimmed();
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0) {
            continue;
        }
        const QStringView key = line.first(equals).trimmed();
        const QStringView value = line.sliced(equals + 1).trimmed();
        if (key.compare(u"X-GNOME-Title", Qt::CaseInsensitive) == 0) {
            title = value.toString();
            continue;
        }
        const bool isFile = key.startsWith(u"File", Qt::CaseInsensitive);
        const bool isTitle = key.startsWith(u"Title", Qt::CaseInsensitive);
        if (!isFile && !isTitle) {
            continue;
        }
        bool ok = false;
        const qint64 number = key.sliced(isFile ? 4 : 5).toLongLong(&ok);
        if (!ok) {
            continue;
        }
        PlaylistEntry& entry = byNumber[number];
        if (isFile) {
            entry.location = entryLocation(value.toString(), baseFolder);
        } else {
            entry.title = value.toString();
        }
    }
    ParsedPlaylist playlist;
    playlist.title = std::move(title);
    for (auto& [number, entry] : byNumber) {
        if (!entry.location.isEmpty()) {
            playlist.entries.push_back(std::move(entry));
        }
    }
    return playlist;
}

} // namespace corvane::library
