#include "library/playlists/PlaylistFormats.h"

namespace corvane::library {

// <WinampXML><playlist label="..."><entry Playstring="file:C:\a.mp3"><Name>Artist - Title</Name>
// <Length>203000</Length></entry></playlist></WinampXML>: the name as Winamp displays it, the
// length in milliseconds.
ParsedPlaylist parseB4s(const QByteArray& bytes, const QString& baseFolder) {
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
    for (const LooseTag& tag : looseXmlTags(decodePlaylistText(bytes))) {
        if (!tag.end && tag.name == u"playlist") {
            playlist.title = statedText(tag.attributes.value(QStringLiteral("label")));
        } else if (!tag.end && tag.name == u"entry") {
            finishEntry();
            inEntry = true;
            entry.location =
                entryLocation(tag.attributes.value(QStringLiteral("playstring")), baseFolder);
        } else if (tag.end && inEntry && tag.name == u"name") {
            setDisplayTitle(entry, tag.textBefore);
        } else if (tag.end && inEntry && tag.name == u"length") {
            entry.length = statedLength(tag.textBefore, 0.001);
        } else if (tag.end && tag.name == u"entry") {
            finishEntry();
        }
    }
    finishEntry();
    return playlist;
}

} // namespace corvane::library
