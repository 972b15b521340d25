#include "library/playlists/PlaylistFormats.h"

namespace corvane::library {
namespace {

// "#EXTINF:<seconds> [key="value" ...],<title>": the title follows the first comma outside
// quotes (attribute values may hold commas).
QString extinfTitle(QStringView info) {
    bool quoted = false;
    for (qsizetype i = 0; i < info.size(); ++i) {
        if (info[i] == u'"') {
            quoted = !quoted;
        } else if (info[i] == u',' && !quoted) {
            return info.sliced(i + 1).trimmed().toString();
        }
    }
    return {};
}

} // namespace

ParsedPlaylist parseM3u(const QByteArray& bytes, const QString& baseFolder) {
    ParsedPlaylist playlist;
    const QString text = decodePlaylistText(bytes);
    QString title; // from the #EXTINF line before an entry
    for (QStringView line : playlistLines(text)) {
        line = line.trimmed();
        if (line.isEmpty()) {
            continue;
        }
        if (line.startsWith(u'#')) {
            if (line.startsWith(u"#EXTINF:", Qt::CaseInsensitive)) {
                title = extinfTitle(line.sliced(8));
            } else if (line.startsWith(u"#PLAYLIST:", Qt::CaseInsensitive)) {
                playlist.title = line.sliced(10).trimmed().toString();
            }
            continue;
        }
        QString location = entryLocation(line.toString(), baseFolder);
        if (!location.isEmpty()) {
            playlist.entries.push_back({std::move(location), title});
        }
        title.clear();
    }
    return playlist;
}

} // namespace corvane::library
