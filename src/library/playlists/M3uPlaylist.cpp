#include "library/playlists/PlaylistFormats.h"

#include <algorithm>

namespace corvane::library {
namespace {

// "#EXTINF:<seconds> [key="value" ...],<title>": the length comes first, the title follows the
// first comma outside quotes (attribute values may hold commas). A length of 0 or -1 says none.
void readExtinf(QStringView info, PlaylistEntry& entry) {
    bool quoted = false;
    qsizetype comma = -1;
    for (qsizetype i = 0; i < info.size() && comma < 0; ++i) {
        if (info[i] == u'"') {
            quoted = !quoted;
        } else if (info[i] == u',' && !quoted) {
            comma = i;
        }
    }
    QStringView length = (comma < 0 ? info : info.first(comma)).trimmed();
    if (const qsizetype space = length.indexOf(u' '); space >= 0) {
        length = length.first(space);
    }
    entry.length = statedLength(length);
    if (comma >= 0) {
        setDisplayTitle(entry, info.sliced(comma + 1));
    }
}

// Tags only HLS writes: the file describes one stream (its segments, or its variants).
bool isHlsTag(QStringView line) {
    for (const QStringView tag :
         {QStringView(u"#EXT-X-TARGETDURATION"), QStringView(u"#EXT-X-MEDIA-SEQUENCE"),
          QStringView(u"#EXT-X-STREAM-INF")}) {
        if (line.startsWith(tag, Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

} // namespace

ParsedPlaylist parseM3u(const QByteArray& bytes, const QString& baseFolder) {
    ParsedPlaylist playlist;
    const QString text = decodePlaylistText(bytes);
    // At most one entry a line: room for a usual playlist's at once, not grown and copied step by
    // step (bounded: a file of empty lines reserves no gigabytes).
    constexpr qsizetype Reserved = 65'536;
    playlist.entries.reserve(static_cast<std::size_t>(std::min(bytes.count('\n') + 1, Reserved)));
    PlaylistEntry stated; // from the #EXTINF line before an entry
    for (QStringView line : playlistLines(text)) {
        line = line.trimmed();
        if (line.isEmpty()) {
            continue;
        }
        if (line.startsWith(u'#')) {
            if (line.startsWith(u"#EXTINF:", Qt::CaseInsensitive)) {
                stated = {};
                readExtinf(line.sliced(8), stated);
            } else if (line.startsWith(u"#PLAYLIST:", Qt::CaseInsensitive)) {
                playlist.title = statedText(line.sliced(10));
            } else if (isHlsTag(line)) {
                playlist.entries.clear();
                playlist.leftOut = QStringLiteral("an HLS stream's playlist, not a list of songs");
                return playlist;
            }
            continue;
        }
        stated.location = entryLocation(line.toString(), baseFolder);
        if (!stated.location.isEmpty()) {
            playlist.entries.push_back(std::move(stated));
        }
        stated = {};
    }
    return playlist;
}

} // namespace corvane::library
