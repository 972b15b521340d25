#include "print/Label.h"

#include "text/Format.h"
#include "views/SongTable.h"

#include <algorithm>
#include <array>

namespace corvane::print {
namespace {

QString albumLine(const views::FormState& state, const views::PlayingTime& total) {
    const views::DisplayConfiguration& c = state.Configuration;
    const QString album = text::firstColumns(state.SelectedPlaylist, 27);
    return text::spaces(5 + c.LabelIndent) + QStringLiteral("ALBUM: ") + album +
           text::spaces(36 - text::columnCount(album)) + text::spaces(c.LabelWidth - 63) +
           QStringLiteral("Total Time") + text::formatNumber(total.hours, u"@@@:") +
           text::formatNumber(total.minutes, u"00:") + text::formatNumber(total.seconds, u"00");
}

// Builds the lines of one label view; the working strings live only as long as it does.
class LabelLayout {
public:
    LabelLayout(const views::FormState& state, const views::PlayingTime& total)
        : state_(state)
        , c_(state.Configuration)
        , columns_(views::shownItems(c_.LabelOrder, c_.LabelLastItem), views::Display::Label)
        , album_(albumLine(state, total))
        , base_(text::spaces(c_.LabelIndent + 4) + columns_.headings()) {}

    // The rows of the song table from 0 to `lastSong`.
    void oneColumn(views::DisplayList& list, int lastSong) {
        const QString album = padded(album_);
        const QString header = padded(u' ' + base_);
        for (int i = 0; i <= lastSong; ++i) {
            if (i % c_.LabelRows == 0) {
                addHeader(list, album, header);
            }
            line_.clear();
            appendSong(i);
            addSongs(list, i);
        }
    }

    void twoColumns(views::DisplayList& list, int lastSong) {
        const int rows = c_.LabelRows;
        QString header = u' ' + base_;
        if (lastSong >= rows) {
            header += u' ' + base_;
        }
        header = padded(header);
        // Three spaces fill the album line to the standard 70; a configuration outside the
        // songs-per-label table is still padded, so the printed frame keeps its dots in line.
        const QString album = padded(album_ + QStringLiteral("   "));
        for (int first = 0; first <= lastSong; first += 2 * rows) {
            addHeader(list, album, header);
            for (int i = first; i < first + rows && i <= lastSong; ++i) {
                line_.clear();
                appendSong(i);
                if (i + rows <= lastSong) {
                    appendSong(i + rows);
                }
                addSongs(list, i);
            }
        }
    }

private:
    // The four lines that open each label.
    void addHeader(views::DisplayList& list, const QString& album, const QString& header) const {
        using views::LineKind;
        list.AddItem(blank(), {LineKind::Blank});
        list.AddItem(album, {LineKind::Title});
        list.AddItem(blank(), {LineKind::Blank});
        list.AddItem(header, {LineKind::Heading});
    }

    QString blank() const { return text::spaces(c_.LabelLineWidth); }
    QString padded(const QString& line) const { return text::padRight(line, c_.LabelLineWidth); }

    // Pads the line of songs to the label's width; its first song's row names it.
    void addSongs(views::DisplayList& list, int row) {
        line_.appendRepeated(c_.LabelLineWidth - text::columnCount(line_.view()));
        list.addLine(line_, {views::LineKind::LabelSongs, row + 1});
    }

    void appendSong(int row) {
        line_.appendRepeated(c_.LabelIndent);
        text::appendNumber(line_, row + 1, number_);
        columns_.appendCells(line_, state_.SongTable[static_cast<std::size_t>(row)]);
    }

    const views::FormState& state_;
    const views::DisplayConfiguration& c_;
    views::ColumnSet columns_;
    QString album_;
    QString base_;
    text::Pattern number_{u"@@@@ "};
    text::Line line_; // the line being built
};

} // namespace

void Label(views::FormState& state) {
    using library::resumeNext;

    state.List1.Clear();

    if (!state.playlistSelected()) {
        state.PrintCaption = views::caption::UsersGuide;
        state.List1.fontSize = static_cast<float>(11.0 * state.ScaleX / 1.44);
        views::ShowUsersGuide(state);
        return;
    }

    state.SortGroupVisible = false;
    state.PlaylistsShowing = 0;
    state.PrintKind = views::PrintLayout::Label;
    state.List1.fontSize =
        static_cast<float>(state.Configuration.LabelFontSize * double{state.ScaleX} / 1.28 * 1.35);

    std::shared_ptr<const library::Playlist> playlist;
    QString why;
    // A playlist whose store failed in part shows the songs it could read; the failure is said
    // all the same, first in the status line.
    QString partFailed;
    if (state.Playlists) {
        library::PlaylistArray found;
        state.LibraryFailed =
            !resumeNext([&] { found = state.Playlists->getByName(state.SelectedPlaylist); }, &why);
        partFailed = found.error();
        resumeNext([&] { playlist = found.item(0); });
    }
    if (!playlist) {
        // Labelling whatever the song table still holds would pass another playlist's songs
        // off as this one's.
        state.StatusLine = !why.isEmpty()
                               ? why
                               : QStringLiteral("There is no playlist named \"%1\" in the library.")
                                     .arg(state.SelectedPlaylist);
        state.SongTable.clear();
        state.LastSong = -1;
        return;
    }
    if (state.Configuration.LabelRows <= 0) {
        state.StatusLine =
            QStringLiteral("The label display has %1 songs a label; reset it or choose its items.")
                .arg(state.Configuration.LabelRows);
        return;
    }

    views::PlayingTime total;
    resumeNext([&] { total = views::TotalPlaylistTime(state, *playlist); });
    LabelLayout layout(state, total);

    bool goOn = true;
    if (!state.MinorSortOn) {
        goOn = false;
        resumeNext([&] { goOn = views::LoadSongTable(state, *playlist); });
    }
    state.sayError(partFailed); // the table's own warning comes after it
    if (!goOn) {
        return;
    }
    resumeNext([&] { state.LastSong = playlist->count() - 1; });
    // Rows that the kept table of minor-sort mode lacks (the playlist grew meanwhile) cannot be
    // shown.
    state.LastSong = std::min(state.LastSong, static_cast<int>(state.SongTable.size()) - 1);

    if (state.Configuration.LabelWidth > 30) {
        layout.oneColumn(state.List1, state.LastSong);
    } else {
        layout.twoColumns(state.List1, state.LastSong);
    }

    state.LastSort = state.SortRequest;
    state.SortRequest = -1;
}

} // namespace corvane::print
