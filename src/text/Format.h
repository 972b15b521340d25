#pragma once

#include <QString>
#include <QStringView>

// The one small pattern language that lays out every cell and number of the views.
//
// "@" is one character place; places fill from the right (right-aligned) unless the pattern
// begins with "!" (left-aligned). "0" is a digit place shown with a leading zero. "h:nn" shows a
// clock time "m:ss" from a duration text "mm:ss". Every other character is copied as it stands.
//
// A value longer than its places may use the pattern's trailing spaces but keeps at least one of
// them; beyond that a text is cut, while numbers and times are shown whole (they push the rest of
// the line right rather than lie about a value).
//
// Lengths count user-perceived characters (grapheme clusters), never bytes or UTF-16 units, so
// an accented or emoji title is cut whole and pads to the same column as a plain one.
namespace corvane::text {

// Number of user-perceived characters in `s`.
qsizetype characterCount(QStringView s);

// The first `n` user-perceived characters of `s` (all of `s` when it is shorter).
QString firstCharacters(QStringView s, qsizetype n);

// `s` followed by spaces up to `width` characters; a longer `s` is returned unchanged.
QString padRight(const QString& s, qsizetype width);

// `n` spaces; none when `n` is zero or negative.
QString spaces(qsizetype n);

// A text laid out by an "@" pattern ("@@@@   ", "!@@@@@  "): cut when it does not fit.
QString formatText(QStringView value, QStringView pattern);

// A whole number laid out by an "@" pattern ("@@@@   ", "@@@:") or a "0" pattern ("00:", "00"):
// never cut.
QString formatNumber(long long value, QStringView pattern);

// A duration text "mm:ss" laid out by a clock pattern ("h:nn  ", "h:nn "): the minutes without
// their leading zero, a colon and the seconds ("03:45" -> "3:45"). A text that is no such time
// ("----") is shown as it stands. Never cut.
QString formatClock(QStringView value, QStringView pattern);

} // namespace corvane::text
