#include "library/playlists/PlaylistFormats.h"

#include <QUrl>
#include <QXmlStreamReader>

namespace corvane::library {
namespace {

bool looksLikeWindowsPath(const QString& text) {
    return text.contains(u'\\') || hasDriveLetter(text);
}

// xml:base may be set at every element, each resolved against the one outside it. Only so many
// are kept, each only so long: a hostile file nesting thousands would need memory growing with
// the square of its depth. Real playlists set one or two.
constexpr std::size_t MaxXmlBases = 64;

// A <location> is a URI, relative ones against the xml:base in force (the playlist's folder
// when none). Windows paths written where a URI belongs are taken as paths.
QString trackLocation(const QString& text, const QUrl* base, const QString& baseFolder) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return {};
    }
    if (looksLikeWindowsPath(trimmed) || isStreamLocation(trimmed)) {
        return entryLocation(trimmed, baseFolder); // a URL of its own (a scheme): no base applies
    }
    if (!base && !trimmed.contains(u'?') && !trimmed.contains(u'#')) {
        // Relative to the playlist's folder: the path, percent-decoded, without a QUrl per track.
        const QString path = QUrl::fromPercentEncoding(trimmed.toUtf8());
        if (!path.contains(u':') && !path.contains(u'\\')) {
            return entryLocation(path, baseFolder);
        }
    }
    const QUrl url = (base ? *base : QUrl::fromLocalFile(baseFolder + u'/'))
                         .resolved(QUrl(trimmed, QUrl::TolerantMode));
    if (url.isLocalFile()) {
        return entryLocation(url.toLocalFile(), baseFolder);
    }
    return entryLocation(url.toString(), baseFolder);
}

} // namespace

// <playlist><title/><trackList><track><location/><title/><creator/><album/><duration/></track>
// ...</trackList></playlist>, the duration in milliseconds; a track's first <location> is the one
// played.
ParsedPlaylist parseXspf(const QByteArray& bytes, const QString& baseFolder) {
    ParsedPlaylist playlist;
    QXmlStreamReader xml(bytes);
    std::vector<QString> elements;
    struct Base {
        std::size_t depth; // of the element that sets it
        QUrl url;
    };
    std::vector<Base> bases;
    bool basesLeftOut = false;
    QString text;
    PlaylistEntry track;
    bool inTrack = false;
    const auto parentIs = [&](QStringView name) {
        return elements.size() >= 2 && elements[elements.size() - 2] == name;
    };
    while (!xml.atEnd() && !xml.hasError()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            elements.push_back(xml.name().toString());
            const QStringView xmlBase = xml.attributes().value(
                QStringLiteral("http://www.w3.org/XML/1998/namespace"), QStringLiteral("base"));
            if (!xmlBase.isEmpty() && bases.size() >= MaxXmlBases) {
                basesLeftOut = true;
            } else if (!xmlBase.isEmpty()) {
                const QUrl outer =
                    bases.empty() ? QUrl::fromLocalFile(baseFolder + u'/') : bases.back().url;
                QUrl url = outer.resolved(QUrl(xmlBase.toString(), QUrl::TolerantMode));
                if (url.toString().size() <= MaxLineLength) {
                    bases.push_back({elements.size(), std::move(url)});
                } else {
                    basesLeftOut = true;
                }
            }
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
                    track.location = trackLocation(
                        text, bases.empty() ? nullptr : &bases.back().url, baseFolder);
                } else if (name == u"title") {
                    track.title = statedText(text);
                } else if (name == u"creator") {
                    track.artist = statedText(text);
                } else if (name == u"album") {
                    track.album = statedText(text);
                } else if (name == u"duration") {
                    track.length = statedLength(text, 0.001);
                }
            } else if (name == u"track" && inTrack) {
                if (!track.location.isEmpty()) {
                    playlist.entries.push_back(std::move(track));
                }
                inTrack = false;
            } else if (name == u"title" && parentIs(u"playlist")) {
                playlist.title = statedText(text);
            }
            if (!bases.empty() && bases.back().depth == elements.size()) {
                bases.pop_back();
            }
            elements.pop_back();
            text.clear();
            break;
        }
        default:
            break;
        }
    }
    if (basesLeftOut) {
        playlist.notes.push_back(
            QStringLiteral("xml:base nested more than %1 deep or too long: those were ignored")
                .arg(MaxXmlBases));
    }
    if (xml.hasError()) {
        // Keep what the reader got, and add the locations the rest of the file still holds.
        const QStringList locations =
            salvageXmlValues(bytes, QStringLiteral("<location>([^<]*)</location>"));
        for (qsizetype i = static_cast<qsizetype>(playlist.entries.size()); i < locations.size();
             ++i) {
            QString location = trackLocation(locations[i], nullptr, baseFolder);
            if (!location.isEmpty()) {
                playlist.entries.push_back(PlaylistEntry::at(std::move(location)));
            }
        }
    }
    return playlist;
}

} // namespace corvane::library
