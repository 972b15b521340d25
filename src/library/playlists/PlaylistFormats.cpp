#include "library/playlists/PlaylistFormats.h"

namespace corvane::library {
namespace {

struct ExtensionRow {
    QLatin1StringView extension;
    PlaylistParser parser; // null: the content decides
};

constexpr ExtensionRow Extensions[] = {
    {QLatin1StringView("m3u"), parseM3u},       {QLatin1StringView("m3u8"), parseM3u},
    {QLatin1StringView("pls"), parsePls},       {QLatin1StringView("xspf"), parseXspf},
    {QLatin1StringView("wpl"), parseSmil},      {QLatin1StringView("zpl"), nullptr},
    {QLatin1StringView("asx"), parseAsx},       {QLatin1StringView("wax"), parseAsx},
    {QLatin1StringView("wvx"), parseAsx},       {QLatin1StringView("b4s"), parseB4s},
    {QLatin1StringView("smil"), parseSmil},     {QLatin1StringView("ram"), parseRam},
    {QLatin1StringView("qtl"), parseQuickTime}, {QLatin1StringView("cue"), parseCue},
};

// By the name's last extension, as QFileInfo::suffix() gives it, without a QFileInfo for each of
// a playlist's entries.
const ExtensionRow* rowFor(const QString& fileName) {
    const QStringView name = QStringView(fileName).sliced(fileName.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    const QStringView extension = dot < 0 ? QStringView() : name.sliced(dot + 1);
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

// A CUE sheet's commands, one of which starts its first line.
bool looksLikeCue(QStringView head) {
    for (const QStringView command :
         {QStringView(u"file "), QStringView(u"rem "), QStringView(u"performer "),
          QStringView(u"title "), QStringView(u"catalog "), QStringView(u"cdtextfile ")}) {
        if (head.startsWith(command)) {
            return head.contains(u"\ntrack ") || head.contains(u"\n  track ") ||
                   head.contains(u"\n\ttrack ");
        }
    }
    return false;
}

constexpr SniffRow Sniffers[] = {
    {[](QStringView head) { return head.startsWith(u"#extm3u"); }, parseM3u},
    {[](QStringView head) { return head.startsWith(u"[playlist]"); }, parsePls},
    {[](QStringView head) { return head.startsWith(u"[reference]") || head.startsWith(u"<asx"); },
     parseAsx},
    {[](QStringView head) { return head.startsWith(u"<?wpl") || head.contains(u"<smil"); },
     parseSmil},
    {[](QStringView head) { return head.contains(u"<playlist") && head.contains(u"xspf"); },
     parseXspf},
    {[](QStringView head) { return head.contains(u"<winampxml"); }, parseB4s},
    {[](QStringView head) { return head.startsWith(u"rtsptext") || head.contains(u"<?quicktime"); },
     parseQuickTime},
    {[](QStringView head) {
         return head.startsWith(u"nm=") || head.startsWith(u"ac=") || head.contains(u"\nnm=");
     },
     parseZplTags},
    {looksLikeCue, parseCue},
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
