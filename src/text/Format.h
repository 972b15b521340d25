#pragma once

#include <QString>
#include <QStringView>
#include <algorithm>
#include <vector>

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

// The columns that the one user-perceived character `character` takes: 0, 1 or 2. An emoji
// shown as such (a pictograph with its emoji presentation, or a flag) takes two, as wide
// characters do; a zero-width space or joiner, none.
int characterColumns(QStringView character);

// Whether `s` holds anything that a left-to-right layout would not show as it stands: a letter
// of a right-to-left script (Hebrew, Arabic, ...) or a bidirectional control character.
bool needsBidi(QStringView s);

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

// A pattern read once, to lay out many values by it: "[!]@@@  " (text or number), "00:"
// (number with leading zeros) or "h:nn  " (clock). `rest` points into the pattern's text, which
// must outlive it.
struct Pattern {
    Pattern(QStringView pattern); // NOLINT(google-explicit-constructor): a literal will do

    bool leftAligned = false;
    bool zeros = false; // "0" places
    qsizetype places = 0;
    qsizetype trailingSpaces = 0; // the spaces that follow the places
    QStringView rest;             // what follows those spaces (":")
};

// A text laid out by an "@" pattern ("@@@@   ", "!@@@@@  "): cut when it does not fit.
QString formatText(QStringView value, QStringView pattern);

// A whole number laid out by an "@" pattern ("@@@@   ", "@@@:") or a "0" pattern ("00:", "00"):
// never cut.
QString formatNumber(long long value, QStringView pattern);

// A duration text "mm:ss" laid out by a clock pattern ("h:nn  ", "h:nn "): the minutes without
// their leading zero, a colon and the seconds ("03:45" -> "3:45"). A text that is no such time
// ("----") is shown as it stands. Never cut.
QString formatClock(QStringView value, QStringView pattern);

// Where the cells of a line begin, as offsets into its text in ascending order. Each cell is
// drawn on its own, as an isolated left-to-right run, so that a right-to-left text reads right to
// left inside its cell and never moves into another cell's columns.
using CellStarts = std::vector<qsizetype>;

// A line being built cell by cell in one reusable buffer; it becomes a string of exactly its
// length at the end, so a listing of many lines makes one allocation a line. Each value laid out
// by a pattern (appendText, appendNumber, appendClock) begins a cell.
class Line {
public:
    void clear() {
        size_ = 0;
        cells_.clear();
    }
    // Begins a cell at the end of the line.
    void startCell() { cells_.push_back(size_); }
    const CellStarts& cellStarts() const { return cells_; }
    qsizetype size() const { return size_; }
    QStringView view() const { return {buffer_.data(), size_}; }
    QString toString() const {
        return QString(reinterpret_cast<const QChar*>(buffer_.data()), size_);
    }

    void append(QStringView s) {
        char16_t* end = grow(s.size());
        const char16_t* units = s.utf16();
        for (qsizetype i = 0; i < s.size(); ++i) { // cells are short: no call to copy them
            end[i] = units[i];
        }
    }
    void append(char16_t c) { *grow(1) = c; }
    // `n` copies of `c`; none when `n` is zero or negative.
    void appendRepeated(qsizetype n, char16_t c = u' ') {
        if (n > 0) {
            std::fill_n(grow(n), n, c);
        }
    }

private:
    // Makes room for `n` more units at the end and returns where they go.
    char16_t* grow(qsizetype n) {
        if (size_ + n > static_cast<qsizetype>(buffer_.size())) {
            buffer_.resize(static_cast<std::size_t>(std::max(size_ + n, 2 * size_ + 64)));
        }
        size_ += n;
        return buffer_.data() + (size_ - n);
    }

    std::vector<char16_t> buffer_;
    qsizetype size_ = 0;
    CellStarts cells_;
};

// The same as the format functions, appended to `line`.
void appendText(Line& line, QStringView value, const Pattern& pattern);
void appendNumber(Line& line, long long value, const Pattern& pattern);
void appendClock(Line& line, QStringView value, const Pattern& pattern);

} // namespace corvane::text
