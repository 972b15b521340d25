#include "views/SelectedPlaylistView.h"

#include "text/Format.h"
#include "views/SongTable.h"
#include "views/Sort.h"

#include <algorithm>

namespace corvane::views {
namespace {

using library::resumeNext;

// Each header is as wide as its column, so headers and cells line up.
const std::array<QString, ItemCount> ListItemHeaders = {
    QStringLiteral("SONG TITLE -----------------  "),
    QStringLiteral("ARTIST ------------  "),
    QStringLiteral("TIME  "),
    QStringLiteral("RATING "),
    QStringLiteral("GENRE ----  "),
    QStringLiteral("YEAR  "),
    QStringLiteral("ALBUM --------------------  "),
    QStringLiteral("TYPE "),
};

const std::array<QString, ItemCount> ListItemFormats = {
    QStringLiteral("!@@@@@@@@@@@@@@@@@@@@@@@@@@@@@ "),
    QStringLiteral("!@@@@@@@@@@@@@@@@@@@@ "),
    QStringLiteral("h:nn  "),
    QStringLiteral("!@@@@@  "),
    QStringLiteral("!@@@@@@@@@@@ "),
    QStringLiteral("!@@@@  "),
    QStringLiteral("!@@@@@@@@@@@@@@@@@@@@@@@@@@@ "),
    QStringLiteral("!@@@  "),
};

// The item codes shown, left to right: positions 0 to ListLastItem of ListOrder.
std::vector<int> shownItems(const DisplayConfiguration& c) {
    std::vector<int> items;
    const int last = std::min<int>(c.ListLastItem, ItemCount - 1);
    for (int j = 0; j <= last; ++j) {
        const int code = c.ListOrder[static_cast<std::size_t>(j)];
        if (code >= 0 && code < ItemCount) {
            items.push_back(code);
        }
    }
    return items;
}

QString cell(const SongRow& row, int code) {
    const auto& value = row[static_cast<std::size_t>(code)];
    const auto& pattern = ListItemFormats[static_cast<std::size_t>(code)];
    return code == Time ? text::formatClock(value, pattern) : text::formatText(value, pattern);
}

QString titleLine(const FormState& state, const PlayingTime& total) {
    const DisplayConfiguration& c = state.Configuration;
    // A long name is cut so that at least four spaces follow it.
    QString name = state.SelectedPlaylist;
    if (text::characterCount(name) >= 30) {
        name = text::firstCharacters(name, 29);
    }
    const int pad = std::max(c.ListWidth - 76, 0);
    return text::spaces(7 + c.ListIndent) + QStringLiteral("PLAYLIST: ") + name +
           text::spaces(33 - text::characterCount(name)) + text::spaces(pad) +
           QStringLiteral(" Total Time") + text::formatNumber(total.hours, u"@@@:") +
           text::formatNumber(total.minutes, u"00:") + text::formatNumber(total.seconds, u"00");
}

QString headingLine(const FormState& state, const std::vector<int>& items) {
    QString line = text::spaces(state.Configuration.ListIndent + 7);
    for (const int code : items) {
        line += ListItemHeaders[static_cast<std::size_t>(code)];
    }
    return line;
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
        state.PrintKind = PrintList;
        state.PrintCaption = caption::SelectedList;
    }
    const DisplayConfiguration& c = state.Configuration;
    state.List1.fontSize =
        static_cast<float>(static_cast<double>(state.ScaleX) / 1.44 * c.ListFontSize * 1.1);

    // A library that fails shows no songs, and the status line says why.
    std::shared_ptr<const library::Playlist> playlist;
    if (state.Playlists) {
        library::PlaylistArray found;
        if (!resumeNext([&] { found = state.Playlists->getByName(state.SelectedPlaylist); },
                        &state.StatusLine)) {
            state.LibraryFailed = true;
        }
        state.addNotes(found.notes());
        resumeNext([&] { playlist = found.item(0); });
    }
    PlayingTime total;
    if (playlist) {
        total = TotalPlaylistTime(state, *playlist);
    } else {
        state.TotalSeconds = 0.0F;
    }

    const std::vector<int> items = shownItems(c);
    state.TitleLine = titleLine(state, total);
    state.HeadingLine = headingLine(state, items);
    DisplayList& list = state.List1;
    list.AddItem({});
    list.AddItem(state.TitleLine);
    list.AddItem({});
    list.AddItem(state.HeadingLine);

    // A playlist gone from the library (renamed meanwhile) has no rows to show: never show an
    // earlier playlist's table under its name. The pending sort waits, as for an empty one.
    if (!playlist) {
        state.SongTable.clear();
        state.LastSong = -1;
        return;
    }
    // In minor-sort mode the table keeps the order of the last sort, to be refined.
    if (!state.MinorSortOn && !LoadSongTable(state, *playlist)) {
        return;
    }
    // Only the table's own rows are listed, even when the playlist changed meanwhile.
    state.LastSong = static_cast<int>(state.SongTable.size()) - 1;
    if (state.SortRequest > -1) {
        Sort(state, state.SortRequest, state.LastSong);
    }
    const QString indent = text::spaces(c.ListIndent);
    for (int i = 0; i <= state.LastSong; ++i) {
        const SongRow& row = state.SongTable[static_cast<std::size_t>(i)];
        QString line = indent + text::formatNumber(i + 1, u"@@@@@  ");
        for (const int code : items) {
            line += cell(row, code);
        }
        list.AddItem(line);
    }
    state.LastSort = state.SortRequest;
    state.SortRequest = -1;
}

} // namespace corvane::views
