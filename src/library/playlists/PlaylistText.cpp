#include "library/playlists/PlaylistFormats.h"

#include <QDir>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>
#include <cmath>

namespace corvane::library {
namespace {

// Windows-1252 differs from Latin-1 only in 0x80-0x9F. Bytes that code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) keep their Latin-1 value, as Windows itself decodes them.
// A table of our own keeps the decoding independent of how Qt was built (with or without ICU).
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

QString decodeWindows1252(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = QChar(b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : char16_t(b));
    }
    return text;
}

namespace {

QString decodeWith(QStringConverter::Encoding encoding, QByteArrayView bytes) {
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

bool startsWith(QByteArrayView bytes, std::initializer_list<unsigned char> prefix) {
    if (bytes.size() < static_cast<qsizetype>(prefix.size())) {
        return false;
    }
    qsizetype i = 0;
    for (const unsigned char b : prefix) {
        if (static_cast<unsigned char>(bytes[i++]) != b) {
            return false;
        }
    }
    return true;
}

bool isSchemeCharacter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'+' || c == u'-' || c == u'.';
}

// The scheme of a URL ("http", "file"), empty for a path. A single letter before the colon is a
// Windows drive, never a scheme.
QString urlScheme(const QString& text) {
    const qsizetype colon = text.indexOf(u':');
    if (colon < 2 || !text.front().isLetter() || text.front().unicode() > 0x7F) {
        return {};
    }
    for (qsizetype i = 0; i < colon; ++i) {
        if (!isSchemeCharacter(text[i])) {
            return {};
        }
    }
    return text.left(colon).toLower();
}

QString localPathOfFileUrl(const QString& text) {
    QString path = QUrl(text, QUrl::TolerantMode).toLocalFile();
    if (path.isEmpty()) {
        // Not a URL Qt can read ("file:C:\x.mp3"): take what follows the scheme, decoded.
        path = QUrl::fromPercentEncoding(text.mid(5).toUtf8());
        while (path.startsWith(u"//")) {
            path.remove(0, 1);
        }
    }
    // "file:///C:/Music/a.mp3" gives "/C:/Music/a.mp3".
    if (path.size() >= 3 && path[0] == u'/' && hasDriveLetter(QStringView(path).sliced(1))) {
        path.remove(0, 1);
    }
    return path;
}

// True when cleaning would not change the path: no "." or ".." component, no empty one (from
// "//"), no slash at the end.
bool isClean(QStringView path) {
    if (path.endsWith(u'/') && path.size() > 1) {
        return false;
    }
    qsizetype start = path.startsWith(u'/') ? 1 : 0;
    while (start <= path.size()) {
        qsizetype end = path.indexOf(u'/', start);
        if (end < 0) {
            end = path.size();
        }
        const QStringView component = path.sliced(start, end - start);
        if ((component.isEmpty() && end < path.size()) || component == u"." || component == u"..") {
            return false;
        }
        start = end + 1;
    }
    return true;
}

} // namespace

QString decodePlaylistText(const QByteArray& bytes) {
    if (startsWith(bytes, {0xEF, 0xBB, 0xBF})) {
        return decodeWith(QStringConverter::Utf8, QByteArrayView(bytes).sliced(3));
    }
    if (startsWith(bytes, {0xFF, 0xFE})) {
        return decodeWith(QStringConverter::Utf16LE, QByteArrayView(bytes).sliced(2));
    }
    if (startsWith(bytes, {0xFE, 0xFF})) {
        return decodeWith(QStringConverter::Utf16BE, QByteArrayView(bytes).sliced(2));
    }
    // UTF-16 without a mark: ASCII text leaves every second byte zero.
    if (bytes.size() >= 4 && bytes[0] != 0 && bytes[1] == 0 && bytes[2] != 0 && bytes[3] == 0) {
        return decodeWith(QStringConverter::Utf16LE, bytes);
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        return text;
    }
    return decodeWindows1252(bytes);
}

QByteArray wholeLines(QByteArray bytes) {
    const bool utf16le =
        startsWith(bytes, {0xFF, 0xFE}) ||
        (bytes.size() >= 4 && bytes[0] != 0 && bytes[1] == 0 && bytes[2] != 0 && bytes[3] == 0);
    const bool utf16be = startsWith(bytes, {0xFE, 0xFF});
    qsizetype end = -1; // the last line end's last byte
    if (utf16le || utf16be) {
        for (qsizetype i = (bytes.size() & ~qsizetype(1)) - 2; i >= 0 && end < 0; i -= 2) {
            const char low = utf16le ? bytes[i] : bytes[i + 1];
            const char high = utf16le ? bytes[i + 1] : bytes[i];
            if (high == 0 && (low == '\n' || low == '\r')) {
                end = i + 1;
            }
        }
    } else {
        end = std::max(bytes.lastIndexOf('\n'), bytes.lastIndexOf('\r'));
    }
    bytes.truncate(end + 1);
    return bytes;
}

std::vector<QStringView> playlistLines(QStringView text) {
    std::vector<QStringView> lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && text[end] != u'\n' && text[end] != u'\r') {
            ++end;
        }
        if (end - start <= MaxLineLength) {
            lines.push_back(text.sliced(start, end - start));
        }
        if (end < size && text[end] == u'\r' && end + 1 < size && text[end + 1] == u'\n') {
            ++end;
        }
        start = end + 1;
    }
    return lines;
}

QString entryLocation(QString raw, const QString& baseFolder) {
    raw = raw.trimmed();
    if (raw.isEmpty() || raw.contains(QChar(0)) || raw.size() > MaxLineLength) {
        return {};
    }
    const QString scheme = urlScheme(raw);
    if (scheme == u"file") {
        // "file:///%00/etc/passwd" is no "/": a NUL ends a path for the system, never here.
        raw = localPathOfFileUrl(raw);
        if (raw.isEmpty() || raw.contains(QChar(0))) {
            return {};
        }
    } else if (!scheme.isEmpty()) {
        return raw; // a stream
    }
    raw.replace(u'\\', u'/');
    if (hasDriveLetter(raw)) {
        QString rest = raw.mid(2);
        return raw.left(2) + u'/' + QDir::cleanPath(rest.startsWith(u'/') ? rest.mid(1) : rest);
    }
    if (raw.startsWith(u"//")) {
        return QStringLiteral("//") + QDir::cleanPath(raw.mid(2));
    }
    if (raw.startsWith(u'/')) {
        return isClean(raw) ? raw : QDir::cleanPath(raw);
    }
    // Most entries are plain relative paths: joined as they are, a million of them in no time.
    QString joined = baseFolder + u'/' + raw;
    return isClean(raw) && isClean(baseFolder) ? joined : QDir::cleanPath(joined);
}

namespace {

// XML's five entities and character references in `value`; anything else after a "&" (a bare
// "&", an HTML entity) stays as it is.
QString decodeReferences(const QString& value) {
    if (!value.contains(u'&')) {
        return value;
    }
    static const QRegularExpression reference(
        QStringLiteral("&(#x[0-9a-f]+|#[0-9]+|amp|lt|gt|quot|apos);"),
        QRegularExpression::CaseInsensitiveOption);
    QString decoded;
    qsizetype from = 0;
    for (const QRegularExpressionMatch& ref : reference.globalMatch(value)) {
        decoded += QStringView(value).sliced(from, ref.capturedStart() - from);
        const QString name = ref.captured(1).toLower();
        if (name.startsWith(u'#')) {
            bool ok = false;
            const uint code =
                name.startsWith(u"#x") ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10FFFF) {
                const char32_t character = code;
                decoded += QString::fromUcs4(&character, 1);
            }
        } else {
            decoded += name == u"amp"    ? u'&'
                       : name == u"lt"   ? u'<'
                       : name == u"gt"   ? u'>'
                       : name == u"quot" ? u'"'
                                         : u'\'';
        }
        from = ref.capturedEnd();
    }
    decoded += QStringView(value).sliced(from);
    return decoded;
}

bool isNameCharacter(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'-' || c == u'.' || c == u':';
}

// The attributes of a tag, from after its name to before its ">" or "/>".
QHash<QString, QString> looseAttributes(QStringView text) {
    QHash<QString, QString> attributes;
    qsizetype i = 0;
    const qsizetype size = text.size();
    while (i < size) {
        while (i < size && !isNameCharacter(text[i])) {
            ++i;
        }
        const qsizetype nameStart = i;
        while (i < size && isNameCharacter(text[i])) {
            ++i;
        }
        const QString name = text.sliced(nameStart, i - nameStart).toString().toLower();
        while (i < size && text[i].isSpace()) {
            ++i;
        }
        QString value;
        if (i < size && text[i] == u'=') {
            ++i;
            while (i < size && text[i].isSpace()) {
                ++i;
            }
            if (i < size && (text[i] == u'"' || text[i] == u'\'')) {
                const QChar quote = text[i++];
                qsizetype end = text.indexOf(quote, i);
                end = end < 0 ? size : end;
                value = text.sliced(i, end - i).toString();
                i = end + 1;
            } else {
                const qsizetype valueStart = i;
                while (i < size && !text[i].isSpace()) {
                    ++i;
                }
                value = text.sliced(valueStart, i - valueStart).toString();
            }
        }
        if (!name.isEmpty() && !attributes.contains(name)) {
            attributes.insert(name, decodeReferences(value));
        }
    }
    return attributes;
}

} // namespace

std::vector<LooseTag> looseXmlTags(QStringView text) {
    std::vector<LooseTag> tags;
    QString pending; // text since the last tag
    qsizetype i = 0;
    const qsizetype size = text.size();
    const auto skipPast = [&](QStringView end) {
        const qsizetype at = text.indexOf(end, i);
        i = at < 0 ? size : at + end.size();
    };
    while (i < size) {
        const qsizetype open = text.indexOf(u'<', i);
        pending += text.sliced(i, (open < 0 ? size : open) - i);
        if (open < 0) {
            break;
        }
        i = open;
        const QStringView rest = text.sliced(open);
        if (rest.startsWith(u"<!--")) {
            skipPast(u"-->");
        } else if (rest.startsWith(u"<![CDATA[")) {
            const qsizetype end = text.indexOf(u"]]>", open);
            pending += text.sliced(open + 9, (end < 0 ? size : end) - open - 9);
            i = end < 0 ? size : end + 3;
        } else if (rest.startsWith(u"<?") || rest.startsWith(u"<!")) {
            skipPast(u">");
        } else {
            // Up to the ">" outside quotes.
            qsizetype end = open + 1;
            QChar quote;
            for (; end < size; ++end) {
                if (!quote.isNull()) {
                    quote = text[end] == quote ? QChar() : quote;
                } else if (text[end] == u'"' || text[end] == u'\'') {
                    quote = text[end];
                } else if (text[end] == u'>') {
                    break;
                }
            }
            QStringView inside = text.sliced(open + 1, std::min(end, size) - open - 1).trimmed();
            i = end + 1;
            LooseTag tag;
            tag.end = inside.startsWith(u'/');
            if (tag.end) {
                inside = inside.sliced(1).trimmed();
            }
            tag.closed = inside.endsWith(u'/');
            if (tag.closed) {
                inside.chop(1);
            }
            qsizetype nameEnd = 0;
            while (nameEnd < inside.size() && isNameCharacter(inside[nameEnd])) {
                ++nameEnd;
            }
            if (nameEnd == 0) {
                pending += text.sliced(open, std::min(i, size) - open); // "a < b": text
                continue;
            }
            tag.name = inside.first(nameEnd).toString().toLower();
            if (!tag.end) {
                tag.attributes = looseAttributes(inside.sliced(nameEnd));
            }
            tag.textBefore = decodeReferences(pending);
            pending.clear();
            tags.push_back(std::move(tag));
        }
    }
    return tags;
}

QStringList salvageXmlValues(const QByteArray& bytes, const QString& pattern) {
    const QRegularExpression expression(pattern,
                                        QRegularExpression::CaseInsensitiveOption |
                                            QRegularExpression::DotMatchesEverythingOption);
    QStringList values;
    const QString text = decodePlaylistText(bytes);
    for (const QRegularExpressionMatch& match : expression.globalMatch(text)) {
        values.push_back(decodeReferences(match.captured(1)));
    }
    return values;
}

QString statedText(QStringView text) {
    QString stated = text.trimmed().toString();
    for (QChar& c : stated) {
        if (c.unicode() >= 0x80 && c.unicode() < 0xA0) {
            c = QChar(Cp1252High[c.unicode() - 0x80]);
        }
    }
    return stated;
}

void setDisplayTitle(PlaylistEntry& entry, QStringView text) {
    const QString title = statedText(text);
    const qsizetype dash = title.indexOf(QLatin1StringView(" - "));
    if (dash > 0 && dash + 3 < title.size()) {
        entry.artist = title.first(dash).trimmed();
        entry.title = title.sliced(dash + 3).trimmed();
        entry.titleSplit = true;
    } else {
        entry.title = title;
    }
}

double statedLength(QStringView text, double unit) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok) * unit;
    return ok && value > 0 && std::isfinite(value) ? value : -1;
}

double clockSeconds(QStringView text) {
    text = text.trimmed();
    if (text.isEmpty()) {
        return -1;
    }
    double seconds = 0;
    const QList<QStringView> parts = text.split(u':');
    if (parts.size() > 3) {
        return -1;
    }
    for (QStringView part : parts) {
        bool ok = false;
        const double value = part.trimmed().toDouble(&ok);
        if (!ok || value < 0 || !std::isfinite(value)) {
            return -1;
        }
        seconds = seconds * 60 + value;
    }
    return seconds;
}

bool hasDriveLetter(QStringView path) {
    return path.size() >= 2 && path[1] == u':' && path[0].unicode() < 0x80 && path[0].isLetter();
}

bool isStreamLocation(const QString& location) {
    return !urlScheme(location).isEmpty();
}

QString locationName(const QString& location) {
    QString name = isStreamLocation(location) ? QUrl(location).fileName()
                                              : location.mid(location.lastIndexOf(u'/') + 1);
    return name.isEmpty() ? location : name;
}

} // namespace corvane::library
