#include "library/playlists/PlaylistFormats.h"

#include <QXmlStreamReader>

namespace corvane::library {

// <smil><head><title/></head><body><seq><media src="..."/>...</seq></body></smil>, or <audio
// src> as SMIL players write it. Zune's ZPL adds the track's title, artist and album as the
// attributes trackTitle, trackArtist and albumTitle, its length as duration (milliseconds); WPL has
// them in newer files too. What else a presentation shows (<video>, <img>, <text>...) is no song:
// left out, and said.
ParsedPlaylist parseSmil(const QByteArray& bytes, const QString& baseFolder) {
    ParsedPlaylist playlist;
    QXmlStreamReader xml(bytes);
    bool inHead = false;
    int others = 0;
    while (!xml.atEnd() && !xml.hasError()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == u"head") {
            inHead = false;
        }
        if (token != QXmlStreamReader::StartElement) {
            continue;
        }
        if (xml.name() == u"head") {
            inHead = true;
        } else if (inHead && xml.name() == u"title") {
            playlist.title = statedText(xml.readElementText(QXmlStreamReader::SkipChildElements));
        } else if (xml.name() == u"media" || xml.name() == u"audio") {
            const QXmlStreamAttributes attributes = xml.attributes();
            PlaylistEntry entry;
            entry.location =
                entryLocation(attributes.value(QLatin1StringView("src")).toString(), baseFolder);
            entry.title = statedText(attributes.value(QLatin1StringView("trackTitle")));
            if (entry.title.isEmpty()) {
                entry.title = statedText(attributes.value(QLatin1StringView("title")));
            }
            entry.artist = statedText(attributes.value(QLatin1StringView("trackArtist")));
            entry.album = statedText(attributes.value(QLatin1StringView("albumTitle")));
            entry.length = statedLength(attributes.value(QLatin1StringView("duration")), 0.001);
            if (!entry.location.isEmpty()) {
                playlist.entries.push_back(std::move(entry));
            }
        } else if (!inHead && xml.attributes().hasAttribute(QLatin1StringView("src"))) {
            ++others;
        }
    }
    if (xml.hasError()) {
        // Keep what the reader got, and add the sources the rest of the file still holds.
        const QStringList sources = salvageXmlValues(
            bytes, QStringLiteral(R"(<(?:media|audio)\s[^>]*?\bsrc\s*=\s*"([^"]*)\")"));
        for (qsizetype i = static_cast<qsizetype>(playlist.entries.size()); i < sources.size();
             ++i) {
            QString location = entryLocation(sources[i], baseFolder);
            if (!location.isEmpty()) {
                playlist.entries.push_back(PlaylistEntry::at(std::move(location)));
            }
        }
    }
    if (others > 0) {
        playlist.notes.push_back(
            QStringLiteral("%1 video, image or text elements left out: not songs").arg(others));
    }
    return playlist;
}

} // namespace corvane::library
