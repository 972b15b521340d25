#include "library/playlists/PlaylistFormats.h"

#include <algorithm>
#include <map>

namespace corvane::library {

// "[playlist]" then "FileN=", "TitleN=", "LengthN=" lines; the entries go by N, whatever order the
// lines come in; a length of -1 says none. GNOME's exporter names the playlist in
// "X-GNOME-Title=".
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
            title = statedText(value);
            continue;
        }
        const QLatin1StringView keys[] = {QLatin1StringView("File"), QLatin1StringView("Title"),
                                          QLatin1StringView("Length")};
        const auto which = std::find_if(std::begin(keys), std::end(keys), [&](auto name) {
            return key.startsWith(name, Qt::CaseInsensitive);
        });
        if (which == std::end(keys)) {
            continue;
        }
        bool ok = false;
        const qint64 number = key.sliced(which->size()).toLongLong(&ok);
        if (!ok) {
            continue;
        }
        PlaylistEntry& entry = byNumber[number];
        if (which == keys) {
            entry.location = entryLocation(value.toString(), baseFolder);
        } else if (which == keys + 1) {
            entry.title = statedText(value);
        } else {
            entry.length = statedLength(value);
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
