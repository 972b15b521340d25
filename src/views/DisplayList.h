#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
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
// kept with its role, added and cleared together, so the two never fall out of step.
class DisplayList {
public:
    float fontSize = 8.25F; // points

    void Clear() {
        lines_.clear();
        roles_.clear();
    }
    void AddItem(QString line, LineRole role = {}) {
        lines_.append(std::move(line));
        roles_.push_back(role);
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
};

} // namespace corvane::views
