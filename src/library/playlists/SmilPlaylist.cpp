#include "library/playlists/PlaylistFormats.h"

#include <QXmlStreamReader>

namespace corvane::library {

// <smil><head><title/></head><body><seq><media src="..."/>...</seq></body></smil>. Zune's ZPL
// adds the track's title as the attribute trackTitle; WPL has it in newer files too.
ParsedPlaylist parseSmil(const QByteArray& bytes, const QString& baseFolder) {
    ParsedPlaylist playlist;
    QXmlStreamReader xml(bytes);
    bool inHead = false;
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
            playlist.title = xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
        } else if (xml.name() == u"media") {
            const QXmlStreamAttributes attributes = xml.attributes();
            QString location =
                entryLocation(attributes.value(QLatin1StringView("src")).toString(), baseFolder);
            if (!location.isEmpty()) {
                playlist.entries.push_back(
                    {std::move(location),
                     attributes.value(QLatin1StringView("trackTitle")).trimmed().toString()});
            }
        }
    }
    if (xml.hasError()) {
        // Keep what the reader got, and add the sources the rest of the file still holds.
        const QStringList sources =
            salvageXmlValues(bytes, QStringLiteral(R"(<media\s[^>]*?\bsrc\s*=\s*"([^"]*)\")"));
        for (qsizetype i = static_cast<qsizetype>(playlist.entries.size()); i < sources.size();
             ++i) {
            QString location = entryLocation(sources[i], baseFolder);
            if (!location.isEmpty()) {
                playlist.entries.push_back({std::move(location), {}});
            }
        }
    }
    return playlist;
}

} // namespace corvane::library
