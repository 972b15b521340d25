#include "text/Format.h"

#include <QTextBoundaryFinder>
#include <algorithm>
#include <limits>
#include <unicode/uchar.h>

namespace corvane::text {
namespace {

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Below U+0300 every UTF-16 unit is one whole character one column wide: no combining marks,
// no surrogates, nothing wide.
bool isSimple(QStringView s) {
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x0300; });
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

struct Field {
    bool leftAligned = false;
    qsizetype places = 0;
    qsizetype trailingSpaces = 0; // the spaces that follow the places
    QStringView rest;             // what follows those spaces (":")
};

// Splits "[!]<n places><spaces><rest>", where a place is any character of `placeChars`.
Field parseField(QStringView pattern, QStringView placeChars) {
    Field f;
    qsizetype i = 0;
    if (pattern.startsWith(u'!')) {
        f.leftAligned = true;
        ++i;
    }
    const qsizetype placesStart = i;
    while (i < pattern.size() && placeChars.contains(pattern[i])) {
        ++i;
    }
    f.places = i - placesStart;
    const qsizetype spacesStart = i;
    while (i < pattern.size() && pattern[i] == u' ') {
        ++i;
    }
    f.trailingSpaces = i - spacesStart;
    f.rest = pattern.mid(i);
    return f;
}

// Lays `value` (of `length` characters) into the field; cuts it only when `mayCut`.
QString layOut(const Field& f, QStringView value, qsizetype length, bool mayCut) {
    QString out;
    if (length <= f.places) {
        const QString pad = spaces(f.places - length);
        out = f.leftAligned ? value.toString() + pad : pad + value.toString();
        out += spaces(f.trailingSpaces);
    } else {
        // Overflow: borrow trailing spaces, but always keep one so columns never run together.
        const qsizetype room = f.places + std::max<qsizetype>(f.trailingSpaces - 1, 0);
        if (length > room && mayCut) {
            // A wide character that would straddle the last column is left out: its place is
            // padded below.
            const Cut cut = cutAtColumns(value, room);
            value = value.first(cut.end);
            length = cut.columns;
        }
        out = value.toString();
        if (length <= room) {
            out += spaces(f.places + f.trailingSpaces - length);
        } else if (f.trailingSpaces > 0) {
            out += u' ';
        }
    }
    out += f.rest;
    return out;
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
    const auto category = static_cast<UCharCategory>(u_charType(static_cast<UChar32>(c)));
    // The soft hyphen is a format character that terminals show.
    if (category == U_NON_SPACING_MARK || category == U_ENCLOSING_MARK ||
        (category == U_FORMAT_CHAR && c != 0x00AD)) {
        return 0;
    }
    const auto width = static_cast<UEastAsianWidth>(
        u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_EAST_ASIAN_WIDTH));
    return width == U_EA_WIDE || width == U_EA_FULLWIDTH ? 2 : 1;
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
    return s + spaces(width - columnCount(s));
}

QString spaces(qsizetype n) {
    return n > 0 ? QString(n, u' ') : QString();
}

QString formatText(QStringView value, QStringView pattern) {
    return layOut(parseField(pattern, u"@"), value, columnCount(value), true);
}

QString formatNumber(long long value, QStringView pattern) {
    const QString digits = QString::number(value);
    if (pattern.startsWith(u'0')) {
        const Field f = parseField(pattern, u"0");
        const QString padded =
            digits.size() < f.places ? QString(f.places - digits.size(), u'0') + digits : digits;
        return padded + spaces(f.trailingSpaces) + f.rest.toString();
    }
    return layOut(parseField(pattern, u"@"), digits, digits.size(), false);
}

QString formatClock(QStringView value, QStringView pattern) {
    // "h:nn" is four places, filled from the left.
    Field f = parseField(pattern.mid(4), u"");
    f.leftAligned = true;
    f.places = 4;

    QString shown = value.toString();
    const qsizetype colon = value.indexOf(u':');
    if (colon > 0 && colon < value.size() - 1) {
        bool minutesOk = false;
        bool secondsOk = false;
        const long long minutes = value.first(colon).toLongLong(&minutesOk);
        const QStringView secondsText = value.mid(colon + 1);
        static_cast<void>(secondsText.toInt(&secondsOk));
        const bool digitsOnly = std::all_of(value.begin(), value.end(),
                                            [](QChar c) { return isAsciiDigit(c) || c == u':'; });
        if (minutesOk && secondsOk && digitsOnly && value.count(u':') == 1) {
            shown =
                QString::number(minutes) + u':' + secondsText.toString().rightJustified(2, u'0');
        }
    }
    return layOut(f, shown, columnCount(shown), false);
}

} // namespace corvane::text
