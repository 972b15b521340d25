#include "library/playlists/PlaylistFormats.h"

namespace corvane::library {

// One "KEY=value" tag a line: "NM=" the file, "TT=" its title, "BR!" ends the entry. Other tags
// (durations, the active file "AC=", sorting) do not change the list.
ParsedPlaylist parseZplTags(const QByteArray& bytes, const QString& baseFolder) {
    ParsedPlaylist playlist;
    PlaylistEntry entry;
    const auto finish = [&] {
        if (!entry.location.isEmpty()) {
            playlist.entries.push_back(std::move(entry));
        }
        entry = {};
    };
    const QString text = decodePlaylistText(bytes);
    for (QStringView line : playlistLines(text)) {
        line = line.trimmed();
        if (line.compare(u"BR!", Qt::CaseInsensitive) == 0) {
            finish();
            continue;
        }
        if (line.size() < 3 || line[2] != u'=') {
            continue;
        }
        const QStringView key = line.first(2);
        const QString value = line.sliced(3).trimmed().toString();
        if (key.compare(u"NM", Qt::CaseInsensitive) == 0) {
            if (!entry.location.isEmpty()) {
                finish(); // an entry whose "BR!" is missing
            }
            entry.location = entryLocation(value, baseFolder);
        } else if (key.compare(u"TT", Qt::CaseInsensitive) == 0) {
            entry.title = statedText(value);
        }
    }
    finish();
    return playlist;
}

} // namespace corvane::library
