#include "views/PlaylistListing.h"

#include "text/Format.h"

namespace corvane::views {

void ListPlaylists(FormState& state) {
    using library::resumeNext;

    // A library that fails shows no playlists, and the status line says why.
    library::PlaylistArray playlists;
    if (state.Playlists &&
        !resumeNext([&] { playlists = state.Playlists->getAll(); }, &state.StatusLine)) {
        state.LibraryFailed = true;
    }
    state.addNotes(playlists.notes());

    // Each new list of playlists starts in major-sort mode.
    state.MinorSortCaption = caption::MinorSortOff;
    state.MinorSortOn = false;
    state.Text1.clear();

    DisplayList& list = state.List1;
    list.AddItem({}, {LineKind::Blank});
    list.AddItem({}, {LineKind::Blank});
    // Seven spaces, as wide as a playlist line's number field, so that dropping seven characters
    // of any line gives a playlist's name or the heading.
    list.AddItem(text::spaces(7) + ListOfPlaylistsHeading, {LineKind::Title});
    list.AddItem({}, {LineKind::Blank});
    for (int n = 0; n < playlists.count(); ++n) {
        resumeNext([&] {
            list.AddItem(text::formatNumber(n + 1, u"@@@@   ") + playlists.item(n)->name(),
                         {LineKind::Playlist, n + 1});
        });
    }
}

} // namespace corvane::views
