#include "library/playlists/PlaylistFormats.h"

#include <QFileInfo>

namespace corvane::library {
namespace {

struct ExtensionRow {
    QLatin1StringView extension;
    PlaylistParser parser; // null: the content decides
};

constexpr ExtensionRow Extensions[] = {
    {QLatin1StringView("m3u"), parseM3u},  {QLatin1StringView("m3u8"), parseM3u},
    {QLatin1StringView("pls"), parsePls},  {QLatin1StringView("xspf"), parseXspf},
    {QLatin1StringView("wpl"), parseSmil}, {QLatin1StringView("zpl"), nullptr},
};

const ExtensionRow* rowFor(const QString& fileName) {
    const QString extension = QFileInfo(fileName).suffix();
    for (const ExtensionRow& row : Extensions) {
        if (extension.compare(row.extension, Qt::CaseInsensitive) == 0) {
            return &row;
        }
    }
    return nullptr;
}

struct SniffRow {
    bool (*matches)(QStringView head);
    PlaylistParser parser;
};

constexpr SniffRow Sniffers[] = {
    {[](QStringView head) { return head.startsWith(u"#extm3u"); }, parseM3u},
    {[](QStringView head) { return head.startsWith(u"[playlist]"); }, parsePls},
    {[](QStringView head) { return head.startsWith(u"<?wpl") || head.contains(u"<smil"); },
     parseSmil},
    {[](QStringView head) { return head.contains(u"<playlist") && head.contains(u"xspf"); },
     parseXspf},
    {[](QStringView head) {
         return head.startsWith(u"nm=") || head.startsWith(u"ac=") || head.contains(u"\nnm=");
     },
     parseZplTags},
};

PlaylistParser sniff(const QByteArray& bytes) {
    const QString head = decodePlaylistText(bytes.left(4096)).trimmed().toLower();
    for (const SniffRow& row : Sniffers) {
        if (row.matches(head)) {
            return row.parser;
        }
    }
    return nullptr;
}

} // namespace

PlaylistParser choosePlaylistParser(const QString& fileName, const QByteArray& bytes) {
    const ExtensionRow* row = rowFor(fileName);
    if (row && row->parser) {
        return row->parser;
    }
    if (PlaylistParser parser = sniff(bytes)) {
        return parser;
    }
    // A ZPL that is no SMIL document is the tag kind, even before its first tag.
    return row ? parseZplTags : nullptr;
}

bool hasPlaylistExtension(const QString& fileName) {
    return rowFor(fileName) != nullptr;
}

QString playlistFileTypes() {
    QStringList types;
    for (const ExtensionRow& row : Extensions) {
        types.push_back(QString(row.extension).toUpper());
    }
    return types.join(QStringLiteral(", "));
}

} // namespace corvane::library
