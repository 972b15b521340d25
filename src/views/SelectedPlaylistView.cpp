#include "views/SelectedPlaylistView.h"

#include "text/Format.h"
#include "views/SongTable.h"
#include "views/Sort.h"

#include <algorithm>

namespace corvane::views {
namespace {

using library::resumeNext;

QString titleLine(const FormState& state, const PlayingTime& total) {
    const DisplayConfiguration& c = state.Configuration;
    // A long name is cut so that at least four spaces follow it.
    const QString name = text::firstColumns(state.SelectedPlaylist, 29);
    const int pad = std::max(c.ListWidth - 76, 0);
    return text::spaces(7 + c.ListIndent) + QStringLiteral("PLAYLIST: ") + name +
           text::spaces(33 - text::columnCount(name)) + text::spaces(pad) +
           QStringLiteral(" Total Time") + text::formatNumber(total.hours, u"@@@:") +
           text::formatNumber(total.minutes, u"00:") + text::formatNumber(total.seconds, u"00");
}

QString headingLine(const FormState& state, const ColumnSet& columns) {
    return text::spaces(state.Configuration.ListIndent + 7) + columns.headings();
}

} // namespace

void ListSelectedPlaylists(FormState& state) {
    if (!state.playlistSelected()) {
        state.PrintCaption = caption::UsersGuide;
        state.List1.fontSize = static_cast<float>(11.0 * state.ScaleX / 1.44);
        ShowUsersGuide(state);
        return;
    }
    // While a custom display is being built its chooser has set the caption already.
    if (!state.CustomActive) {
        state.PlaylistsShowing = 0;
        state.PrintKind = PrintLayout::List;
        state.PrintCaption = caption::SelectedList;
    }
    const DisplayConfiguration& c = state.Configuration;
    state.List1.fontSize =
        static_cast<float>(static_cast<double>(state.ScaleX) / 1.44 * c.ListFontSize * 1.1);

    // A library that fails shows no songs, and the status line says why.
    std::shared_ptr<const library::Playlist> playlist;
    QString partFailed;
    if (state.Playlists) {
        library::PlaylistArray found;
        if (!resumeNext([&] { found = state.Playlists->getByName(state.SelectedPlaylist); },
                        &state.StatusLine)) {
            state.LibraryFailed = true;
        }
        state.addNotes(found.notes());
        partFailed = found.error();
        state.sayError(partFailed);
        resumeNext([&] { playlist = found.item(0); });
    }
    const ColumnSet columns(shownItems(c.ListOrder, c.ListLastItem), Display::List);
    state.HeadingLine = headingLine(state, columns);
    DisplayList& list = state.List1;
    list.AddItem({}, {LineKind::Blank});
    const int title = list.ListCount();
    list.AddItem({}, {LineKind::Title}); // once the total time is known
    list.AddItem({}, {LineKind::Blank});
    list.AddItem(state.HeadingLine, {LineKind::Heading});
    const auto showTitle = [&] {
        PlayingTime total;
        if (playlist) {
            total = TotalPlaylistTime(state, *playlist);
        } else {
            state.TotalSeconds = 0.0F;
        }
        state.TitleLine = titleLine(state, total);
        list.setLine(title, state.TitleLine);
    };

    // A playlist gone from the library (renamed meanwhile) has no rows to show: never show an
    // earlier playlist's table under its name. The pending sort waits, as for an empty one.
    if (!playlist) {
        showTitle();
        state.SongTable.clear();
        state.LastSong = -1;
        return;
    }
    const text::Pattern number(u"@@@@@  ");
    text::Line line;
    const auto addLines = [&](int first, int end) {
        if (first == 0) { // room for every song's line at once
            list.reserve(list.ListCount() + static_cast<int>(state.SongTable.size()));
        }
        constexpr int Ahead = 8;
        for (int i = first; i < end; ++i) {
            if (i + Ahead < end) {
                columns.prefetch(state.SongTable[static_cast<std::size_t>(i + Ahead)]);
            }
            line.clear();
            line.appendRepeated(c.ListIndent);
            text::appendNumber(line, i + 1, number);
            columns.appendCells(line, state.SongTable[static_cast<std::size_t>(i)]);
            list.addLine(line, {LineKind::Song, i + 1});
        }
    };
    // In minor-sort mode the table keeps the order of the last sort, to be refined. Unsorted,
    // each song's line is formed as soon as its row is filled.
    const bool sorted = state.MinorSortOn || state.SortRequest > -1;
    if (!state.MinorSortOn) {
        const bool loaded =
            LoadSongTable(state, *playlist, sorted ? std::function<void(int, int)>() : addLines);
        showTitle();
        state.sayError(partFailed); // the table's own warning comes after it
        if (!loaded) {
            return;
        }
    } else {
        showTitle();
    }
    // Only the table's own rows are listed, even when the playlist changed meanwhile.
    state.LastSong = static_cast<int>(state.SongTable.size()) - 1;
    if (sorted) {
        if (state.SortRequest > -1) {
            Sort(state.SongTable, state.SortRequest, state.LastSong);
        }
        addLines(0, state.LastSong + 1);
    }
    state.LastSort = state.SortRequest;
    state.SortRequest = -1;
}

void cmdSort_Click(FormState& state, int Index) {
    const DisplayConfiguration& c = state.Configuration;
    if (Index < 0 || Index >= ItemCount || Index > c.ListLastItem) {
        return;
    }
    state.PlaylistsShowing = 0;
    state.PrintKind = PrintLayout::List;
    if (state.CustomActive) {
        state.PrintCaption = caption::CustomList;
    }
    state.List1.Clear();
    // A second click on the same item sorts it descending; any other click ascending.
    const int k = c.ListOrder[static_cast<std::size_t>(Index)];
    state.SortRequest = state.LastSort != k ? k : k + ItemCount;
    ListSelectedPlaylists(state);
}

void cmdMinorSort_Click(FormState& state) {
    if (!state.playlistSelected()) {
        return;
    }
    state.MinorSortOn = !state.MinorSortOn;
    state.MinorSortCaption = state.MinorSortOn ? caption::MinorSortOn : caption::MinorSortOff;
}

} // namespace corvane::views
