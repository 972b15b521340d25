#include "text/Format.h"

#include <QTextBoundaryFinder>
#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <unicode/uchar.h>

namespace corvane::text {
namespace {

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Below U+0300 every UTF-16 unit is one whole character one column wide: no combining marks,
// no surrogates, nothing wide. (The units' bits are or-ed together, with no branch per unit: a
// text that mixes U+01xx and U+02xx takes the longer way, to the same result.)
bool isSimple(QStringView s) {
    const char16_t* units = s.utf16();
    char16_t bits = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        bits |= units[i];
    }
    return bits < 0x0300;
}

// Where a beginning of a text ends (in UTF-16 units) and the columns it takes.
struct Cut {
    qsizetype end = 0;
    qsizetype columns = 0;
};

// The longest beginning of `s` of at most `maxColumns` columns.
Cut cutAtColumns(QStringView s, qsizetype maxColumns) {
    if (isSimple(s)) {
        const qsizetype n = std::clamp<qsizetype>(maxColumns, 0, s.size());
        return {n, n};
    }
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s.data(), s.size());
    Cut cut;
    for (qsizetype next = finder.toNextBoundary(); next > 0; next = finder.toNextBoundary()) {
        const qsizetype columns = cut.columns + characterColumns(s.sliced(cut.end, next - cut.end));
        if (columns > maxColumns) {
            break;
        }
        cut = {next, columns};
    }
    return cut;
}

// Appends the padding that follows a value of `length` columns, already appended, in a
// left-aligned field that does not cut.
void padAfter(Line& out, const Pattern& f, qsizetype length) {
    const qsizetype room = f.places + std::max<qsizetype>(f.trailingSpaces - 1, 0);
    if (length <= room) {
        out.appendRepeated(f.places + f.trailingSpaces - length);
    } else if (f.trailingSpaces > 0) {
        out.append(u' ');
    }
    out.append(f.rest);
}

// Appends `value` (of `length` columns) laid into the field; cuts it only when `mayCut`.
void layOut(Line& out, const Pattern& f, QStringView value, qsizetype length, bool mayCut) {
    if (length <= f.places && !f.leftAligned) {
        out.appendRepeated(f.places - length);
        out.append(value);
        out.appendRepeated(f.trailingSpaces);
        out.append(f.rest);
        return;
    }
    // Overflow borrows trailing spaces, but always keeps one so columns never run together.
    const qsizetype room = f.places + std::max<qsizetype>(f.trailingSpaces - 1, 0);
    if (length > room && mayCut) {
        // A wide character that would straddle the last column is left out: its place is
        // padded.
        const Cut cut = cutAtColumns(value, room);
        value = value.first(cut.end);
        length = cut.columns;
    }
    out.append(value);
    padAfter(out, f, length);
}

// The decimal digits of `value` (with its sign) at the end of `buffer`.
QStringView decimal(long long value, std::array<char16_t, 24>& buffer) {
    auto i = buffer.size();
    unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    do {
        buffer[--i] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) {
        buffer[--i] = u'-';
    }
    return QStringView(buffer.data() + i, static_cast<qsizetype>(buffer.size() - i));
}

// The whole number that a run of decimal digits spells, when it is at most `limit`.
std::optional<unsigned long long> digitsValue(QStringView digits, unsigned long long limit) {
    unsigned long long value = 0;
    for (const QChar c : digits) {
        const unsigned digit = c.unicode() - u'0';
        if (value > (limit - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    return value;
}

} // namespace

int characterColumns(QStringView character) {
    if (character.isEmpty()) {
        return 0;
    }
    // Its first code point: a base character and the marks that follow it take the base's columns.
    char32_t c = character.front().unicode();
    if (character.front().isHighSurrogate() && character.size() > 1 &&
        character[1].isLowSurrogate()) {
        c = QChar::surrogateToUcs4(character[0], character[1]);
    }
    const auto u = static_cast<UChar32>(c);
    const auto category = static_cast<UCharCategory>(u_charType(u));
    // The soft hyphen is a format character that terminals show.
    if (category == U_NON_SPACING_MARK || category == U_ENCLOSING_MARK ||
        (category == U_FORMAT_CHAR && c != 0x00AD)) {
        return 0;
    }
    const auto width =
        static_cast<UEastAsianWidth>(u_getIntPropertyValue(u, UCHAR_EAST_ASIAN_WIDTH));
    if (width == U_EA_WIDE || width == U_EA_FULLWIDTH) {
        return 2;
    }
    // A pictograph asked to be shown as an emoji (U+FE0F), and a flag (two regional indicators),
    // are drawn from the colour emoji font, as wide as the other emoji.
    if (u_hasBinaryProperty(u, UCHAR_REGIONAL_INDICATOR) ||
        (u_hasBinaryProperty(u, UCHAR_EXTENDED_PICTOGRAPHIC) &&
         character.contains(QChar(0xFE0F)))) {
        return 2;
    }
    return 1;
}

bool needsBidi(QStringView s) {
    if (isSimple(s)) {
        return false;
    }
    for (qsizetype i = 0; i < s.size(); ++i) {
        char32_t c = s[i].unicode();
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(s[i], s[i + 1]);
            ++i;
        }
        switch (QChar::direction(c)) {
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirAN:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirRLI:
        case QChar::DirLRE:
        case QChar::DirLRO:
        case QChar::DirLRI:
        case QChar::DirFSI:
        case QChar::DirPDF:
        case QChar::DirPDI:
            return true;
        default:
            break;
        }
    }
    return false;
}

qsizetype columnCount(QStringView s) {
    return isSimple(s) ? s.size() : cutAtColumns(s, std::numeric_limits<qsizetype>::max()).columns;
}

QString firstColumns(QStringView s, qsizetype n) {
    return s.first(cutAtColumns(s, n).end).toString();
}

QString firstCharacters(const QString& s, qsizetype n) {
    if (n <= 0) {
        return {};
    }
    if (isSimple(s)) {
        return s.size() <= n ? s : s.first(n);
    }
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s);
    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0 || next == s.size()) {
            return s;
        }
        if (i == n - 1) {
            return s.first(next);
        }
    }
    return s;
}

QString padRight(const QString& s, qsizetype width) {
    const qsizetype pad = width - columnCount(s);
    return pad > 0 ? s + QString(pad, u' ') : s;
}

QString spaces(qsizetype n) {
    return n > 0 ? QString(n, u' ') : QString();
}

Pattern::Pattern(QStringView pattern) {
    qsizetype i = 0;
    char16_t place = u'@';
    if (pattern.startsWith(u"h:nn")) {
        // Four places, filled from the left.
        leftAligned = true;
        places = 4;
        i = 4;
        place = u'\0';
    } else if (pattern.startsWith(u'0')) {
        zeros = true;
        place = u'0';
    } else if (pattern.startsWith(u'!')) {
        leftAligned = true;
        ++i;
    }
    const qsizetype placesStart = i;
    while (i < pattern.size() && pattern[i] == place) {
        ++i;
    }
    places += i - placesStart;
    const qsizetype spacesStart = i;
    while (i < pattern.size() && pattern[i] == u' ') {
        ++i;
    }
    trailingSpaces = i - spacesStart;
    rest = pattern.sliced(i);
}

void appendText(Line& line, QStringView value, const Pattern& pattern) {
    line.startCell();
    layOut(line, pattern, value, columnCount(value), true);
}

void appendNumber(Line& line, long long value, const Pattern& pattern) {
    line.startCell();
    std::array<char16_t, 24> buffer{};
    const QStringView digits = decimal(value, buffer);
    if (pattern.zeros) {
        line.appendRepeated(pattern.places - digits.size(), u'0');
        line.append(digits);
        line.appendRepeated(pattern.trailingSpaces);
        line.append(pattern.rest);
        return;
    }
    layOut(line, pattern, digits, digits.size(), false);
}

void appendClock(Line& line, QStringView value, const Pattern& pattern) {
    line.startCell();
    // "mm:ss" in digits: the minutes without leading zeros, the seconds at least two digits.
    qsizetype colon = -1;
    bool digitsAndOneColon = true;
    for (qsizetype i = 0; i < value.size() && digitsAndOneColon; ++i) {
        if (value[i] == u':') {
            digitsAndOneColon = colon < 0;
            colon = i;
        } else {
            digitsAndOneColon = isAsciiDigit(value[i]);
        }
    }
    if (digitsAndOneColon && colon > 0 && colon < value.size() - 1) {
        const QStringView secondsText = value.sliced(colon + 1);
        const auto minutes = digitsValue(value.first(colon), std::numeric_limits<long long>::max());
        // Numbers too large to read are no time.
        if (minutes && digitsValue(secondsText, std::numeric_limits<int>::max())) {
            std::array<char16_t, 24> buffer{};
            const qsizetype start = line.size();
            line.append(decimal(static_cast<long long>(*minutes), buffer));
            line.append(u':');
            line.appendRepeated(2 - secondsText.size(), u'0');
            line.append(secondsText);
            padAfter(line, pattern, line.size() - start);
            return;
        }
    }
    layOut(line, pattern, value, columnCount(value), false);
}

QString formatText(QStringView value, QStringView pattern) {
    Line out;
    appendText(out, value, pattern);
    return out.toString();
}

QString formatNumber(long long value, QStringView pattern) {
    Line out;
    appendNumber(out, value, pattern);
    return out.toString();
}

QString formatClock(QStringView value, QStringView pattern) {
    Line out;
    appendClock(out, value, pattern);
    return out.toString();
}

} // namespace corvane::text
