#include "library/playlists/PlaylistFormats.h"

#include <map>

namespace corvane::library {
namespace {

// "[Reference]" then "Ref1=", "Ref2=" ... lines, by number.
ParsedPlaylist parseAsxIni(const QString& text, const QString& baseFolder) {
    std::map<qint64, QString> byNumber;
    for (QStringView line : playlistLines(text)) {
        line = line.trimmed();
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 3 || !line.startsWith(u"Ref", Qt::CaseInsensitive)) {
            continue;
        }
        bool ok = false;
        const qint64 number = line.sliced(3, equals - 3).toLongLong(&ok);
        if (ok) {
            byNumber[number] = entryLocation(line.sliced(equals + 1).toString(), baseFolder);
        }
    }
    ParsedPlaylist playlist;
    for (auto& [number, location] : byNumber) {
        if (!location.isEmpty()) {
            playlist.entries.push_back(PlaylistEntry::at(std::move(location)));
        }
    }
    return playlist;
}

} // namespace

// <asx version="3.0"><title/><entry><ref href/><title/><author/><duration value/></entry>
// <entryref href/></asx>, an entry's first <ref> the one played and an <entryref> another
// metafile whose entries stand in its place. Written by hand as often as by programs: element
// names in any case, elements left open, a bare "&" are all read as the player reads them.
ParsedPlaylist parseAsx(const QByteArray& bytes, const QString& baseFolder) {
    const QString text = decodePlaylistText(bytes);
    if (QStringView(text).trimmed().startsWith(u"[Reference]", Qt::CaseInsensitive)) {
        return parseAsxIni(text, baseFolder);
    }
    ParsedPlaylist playlist;
    PlaylistEntry entry;
    bool inEntry = false;
    const auto finishEntry = [&] {
        if (inEntry && !entry.location.isEmpty()) {
            playlist.entries.push_back(std::move(entry));
        }
        entry = {};
        inEntry = false;
    };
    // Elements are matched by name only: <ref>, <duration> and the like are as often left open
    // as closed, and an entry ends at its </entry> or at the next <entry>.
    for (const LooseTag& tag : looseXmlTags(text)) {
        if (tag.end) {
            if (tag.name == u"title") {
                (inEntry ? entry.title : playlist.title) = statedText(tag.textBefore);
            } else if (tag.name == u"author" && inEntry) {
                entry.artist = statedText(tag.textBefore);
            } else if (tag.name == u"entry") {
                finishEntry();
            }
            continue;
        }
        const QString href = tag.attributes.value(QStringLiteral("href"));
        if (tag.name == u"entry") {
            finishEntry();
            inEntry = true;
        } else if (tag.name == u"ref" && inEntry && entry.location.isEmpty()) {
            entry.location = entryLocation(href, baseFolder);
        } else if (tag.name == u"duration" && inEntry) {
            const double seconds = clockSeconds(tag.attributes.value(QStringLiteral("value")));
            entry.length = seconds > 0 ? seconds : -1;
        } else if (tag.name == u"entryref") {
            finishEntry();
            PlaylistEntry nested;
            nested.location = entryLocation(href, baseFolder);
            nested.playlist = true;
            if (!nested.location.isEmpty()) {
                playlist.entries.push_back(std::move(nested));
            }
        }
    }
    finishEntry();
    return playlist;
}

} // namespace corvane::library
