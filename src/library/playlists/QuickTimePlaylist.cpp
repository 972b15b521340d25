#include "library/playlists/PlaylistFormats.h"

namespace corvane::library {

// A QuickTime link is either text, "RTSPtext" followed by the stream's URL (on its line or the
// next), or a QTL: XML holding <embed src="..."/>, its title in the attribute "moviename".
ParsedPlaylist parseQuickTime(const QByteArray& bytes, const QString& baseFolder) {
    ParsedPlaylist playlist;
    const QString text = decodePlaylistText(bytes);
    const QStringView trimmed = QStringView(text).trimmed();
    if (trimmed.startsWith(u"RTSPtext", Qt::CaseInsensitive)) {
        for (QStringView line : playlistLines(trimmed.sliced(8))) {
            for (QStringView word : line.split(u' ', Qt::SkipEmptyParts)) {
                if (QString location = entryLocation(word.toString(), baseFolder);
                    isStreamLocation(location)) {
                    playlist.entries.push_back(PlaylistEntry::at(std::move(location)));
                }
            }
        }
        return playlist;
    }
    for (const LooseTag& tag : looseXmlTags(text)) {
        if (!tag.end && tag.name == u"embed") {
            PlaylistEntry entry;
            entry.location = entryLocation(tag.attributes.value(QStringLiteral("src")), baseFolder);
            entry.title = statedText(tag.attributes.value(QStringLiteral("moviename")));
            if (!entry.location.isEmpty()) {
                playlist.entries.push_back(std::move(entry));
            }
        }
    }
    return playlist;
}

} // namespace corvane::library
