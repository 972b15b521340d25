#include "library/playlists/PlaylistFormats.h"

#include <QUrlQuery>

namespace corvane::library {

// One URL a line, "#" starting a comment; the player stops at "--stop--". A URL may name its
// clip: "rtsp://host/a.rm?title="Song"&author="Artist"".
ParsedPlaylist parseRam(const QByteArray& bytes, const QString& baseFolder) {
    ParsedPlaylist playlist;
    const QString text = decodePlaylistText(bytes);
    for (QStringView line : playlistLines(text)) {
        line = line.trimmed();
        if (line == u"--stop--") {
            break;
        }
        if (line.isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        PlaylistEntry entry;
        entry.location = entryLocation(line.toString(), baseFolder);
        if (entry.location.isEmpty()) {
            continue;
        }
        if (const qsizetype query = line.indexOf(u'?');
            query >= 0 && isStreamLocation(entry.location)) {
            const QUrlQuery items(line.sliced(query + 1).toString());
            const auto item = [&](const char* key) {
                QString value = items.queryItemValue(QLatin1StringView(key), QUrl::FullyDecoded);
                if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"')) {
                    value = value.mid(1, value.size() - 2);
                }
                return statedText(value);
            };
            entry.title = item("title");
            entry.artist = item("author");
        }
        playlist.entries.push_back(std::move(entry));
    }
    return playlist;
}

} // namespace corvane::library
