#include "library/PlaylistFormats.h"

#include <QUrl>
#include <QXmlStreamReader>

namespace corvane::library {
namespace {

bool looksLikeWindowsPath(const QString& text) {
    return text.contains(u'\\') || hasDriveLetter(text);
}

// A <location> is a URI, relative ones against the xml:base in force (the playlist's folder
// when none). Windows paths written where a URI belongs are taken as paths.
QString trackLocation(const QString& text, const QUrl& base, const QString& baseFolder) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return {};
    }
    if (looksLikeWindowsPath(trimmed) || isStreamLocation(trimmed)) {
        return entryLocation(trimmed, baseFolder); // a URL of its own: no base applies
    }
    const QUrl url = base.resolved(QUrl(trimmed, QUrl::TolerantMode));
    if (url.isLocalFile()) {
        return entryLocation(url.toLocalFile(), baseFolder);
    }
    return entryLocation(url.toString(), baseFolder);
}

} // namespace

// <playlist><title/><trackList><track><location/><title/></track>...</trackList></playlist>;
// a track's first <location> is the one played.
ParsedPlaylist parseXspf(const QByteArray& bytes, const QString& baseFolder) {
    ParsedPlaylist playlist;
    QXmlStreamReader xml(bytes);
    std::vector<QString> elements;
    std::vector<QUrl> bases{QUrl::fromLocalFile(baseFolder + u'/')};
    QString text;
    PlaylistEntry track;
    bool inTrack = false;
    const auto parentIs = [&](QStringView name) {
        return elements.size() >= 2 && elements[elements.size() - 2] == name;
    };
    while (!xml.atEnd() && !xml.hasError()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            QUrl base = bases.back();
            const QStringView xmlBase = xml.attributes().value(
                QStringLiteral("http://www.w3.org/XML/1998/namespace"), QStringLiteral("base"));
            if (!xmlBase.isEmpty()) {
                base = base.resolved(QUrl(xmlBase.toString(), QUrl::TolerantMode));
            }
            bases.push_back(base);
            elements.push_back(xml.name().toString());
            text.clear();
            if (elements.back() == u"track" && parentIs(u"trackList")) {
                track = {};
                inTrack = true;
            }
            break;
        }
        case QXmlStreamReader::Characters:
            text += xml.text();
            break;
        case QXmlStreamReader::EndElement: {
            const QString& name = elements.back();
            if (inTrack && parentIs(u"track")) {
                if (name == u"location" && track.location.isEmpty()) {
                    track.location = trackLocation(text, bases.back(), baseFolder);
                } else if (name == u"title") {
                    track.title = text.trimmed();
                }
            } else if (name == u"track" && inTrack) {
                if (!track.location.isEmpty()) {
                    playlist.entries.push_back(std::move(track));
                }
                inTrack = false;
            } else if (name == u"title" && parentIs(u"playlist")) {
                playlist.title = text.trimmed();
            }
            elements.pop_back();
            bases.pop_back();
            text.clear();
            break;
        }
        default:
            break;
        }
    }
    if (xml.hasError()) {
        // Keep what the reader got, and add the locations the rest of the file still holds.
        const QStringList locations =
            salvageXmlValues(bytes, QStringLiteral("<location>([^<]*)</location>"));
        for (qsizetype i = static_cast<qsizetype>(playlist.entries.size()); i < locations.size();
             ++i) {
            QString location = trackLocation(locations[i], bases.front(), baseFolder);
            if (!location.isEmpty()) {
                playlist.entries.push_back({std::move(location), {}});
            }
        }
    }
    return playlist;
}

} // namespace corvane::library
