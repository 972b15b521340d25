#pragma once

#include <QString>
#include <QStringView>

// The one small pattern language that lays out every cell and number of the views.
//
// "@" is one column place; places fill from the right (right-aligned) unless the pattern
// begins with "!" (left-aligned). "0" is a digit place shown with a leading zero. "h:nn" shows a
// clock time "m:ss" from a duration text "mm:ss". Every other character is copied as it stands.
//
// A value longer than its places may use the pattern's trailing spaces but keeps at least one of
// them; beyond that a text is cut, while numbers and times are shown whole (they push the rest of
// the line right rather than lie about a value).
//
// Lengths count display columns, as a fixed-pitch screen or terminal shows text: a
// user-perceived character (grapheme cluster) takes one column, two where it is East Asian Wide
// or Fullwidth, none where it is a lone combining mark or an invisible format character. A cut
// never splits a character; a wide one that would straddle the last column is left out, and
// the layout pads its place.
namespace corvane::text {

// The columns that the one user-perceived character `character` takes: 0, 1 or 2.
int characterColumns(QStringView character);

// The columns that `s` takes.
qsizetype columnCount(QStringView s);

// The longest beginning of `s` that takes at most `n` columns (all of `s` when it fits).
QString firstColumns(QStringView s, qsizetype n);

// The first `n` user-perceived characters of `s` (all of `s` when it is shorter).
QString firstCharacters(const QString& s, qsizetype n);

// `s` followed by spaces up to `width` columns; a wider `s` is returned unchanged.
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
