#include "text/Format.h"

#include <QTextBoundaryFinder>
#include <algorithm>

namespace corvane::text {
namespace {

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Below U+0300 every UTF-16 unit is one whole character: no combining marks, no surrogates.
bool isSimple(QStringView s) {
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x0300; });
}

// Position (in UTF-16 units) just after the first `n` characters of `s`.
qsizetype endOfCharacters(QStringView s, qsizetype n) {
    if (n <= 0) {
        return 0;
    }
    if (isSimple(s)) {
        return std::min(n, s.size());
    }
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s.data(), s.size());
    qsizetype pos = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0) {
            return s.size();
        }
        pos = next;
    }
    return pos;
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
            value = value.first(endOfCharacters(value, room));
            length = room;
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

qsizetype characterCount(QStringView s) {
    if (isSimple(s)) {
        return s.size();
    }
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s.data(), s.size());
    qsizetype count = 0;
    while (finder.toNextBoundary() >= 0) {
        ++count;
    }
    return count;
}

QString firstCharacters(QStringView s, qsizetype n) {
    return s.first(endOfCharacters(s, n)).toString();
}

QString padRight(const QString& s, qsizetype width) {
    return s + spaces(width - characterCount(s));
}

QString spaces(qsizetype n) {
    return n > 0 ? QString(n, u' ') : QString();
}

QString formatText(QStringView value, QStringView pattern) {
    return layOut(parseField(pattern, u"@"), value, characterCount(value), true);
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
    return layOut(f, shown, characterCount(shown), false);
}

} // namespace corvane::text
