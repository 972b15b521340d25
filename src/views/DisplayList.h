#pragma once

#include "text/Format.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace corvane::views {

// What a line of the display list is, as the view that built it knows it. The printout turns
// its pages by this, never by reading the text back.
enum class LineKind : std::uint8_t {
    Text,       // a line of the user's guide
    FormFeed,   // the guide's page break
    Blank,      // an empty line (a label's is spaces to its width)
    Title,      // the list of playlists' heading, a playlist's title line, a label's album line
    Heading,    // the column headings
    Playlist,   // a line of the list of playlists; number: its place in the list, from 1
    Song,       // a song of the selected playlist; number: its row, from 1
    LabelSongs, // a label line of one song or two side by side; number: the first one's row
};

struct LineRole {
    LineKind kind = LineKind::Text;
    int number = 0;
};

// The display list: every view is lines of fixed-pitch text at a settable size. Each line is
// kept with its role (and, where its cells must be drawn each on its own, where they begin),
// added and cleared together, so they never fall out of step.
class DisplayList {
public:
    float fontSize = 8.25F; // points

    void Clear() {
        lines_.clear();
        roles_.clear();
        cells_.clear();
    }
    void AddItem(QString line, LineRole role = {}) {
        lines_.append(std::move(line));
        roles_.push_back(role);
    }
    // A line built cell by cell. Its cells are kept only where drawing them as one run could
    // move a text out of its cell (right-to-left scripts): elsewhere the line is drawn as it
    // reads.
    void addLine(const text::Line& line, LineRole role) {
        if (text::needsBidi(line.view())) {
            cells_.emplace(ListCount(), line.cellStarts());
        }
        AddItem(line.toString(), role);
    }
    // Line `index` written again, as a plain line (one known only after those below it).
    void setLine(int index, QString line) {
        cells_.erase(index);
        lines_[index] = std::move(line);
    }
    // Where the cells of line `index` begin; empty when the line is drawn as one run.
    const text::CellStarts& cells(int index) const {
        static const text::CellStarts none;
        const auto found = cells_.find(index);
        return found == cells_.end() ? none : found->second;
    }
    // Room for `count` lines in all, so that a long listing grows its list once.
    void reserve(int count) {
        lines_.reserve(count);
        roles_.reserve(static_cast<std::size_t>(count));
    }
    int ListCount() const { return static_cast<int>(lines_.size()); }
    const QString& List(int index) const { return lines_.at(index); }
    const QStringList& lines() const { return lines_; }
    LineRole role(int index) const { return roles_.at(static_cast<std::size_t>(index)); }

private:
    QStringList lines_;
    std::vector<LineRole> roles_;
    std::unordered_map<int, text::CellStarts> cells_;
};

} // namespace corvane::views
