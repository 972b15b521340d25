#pragma once

#include "DisplayChoice.h"
#include "views/PlaylistListing.h"
#include "views/SelectedPlaylistView.h"
#include "views/ViewsTestSupport.h"

#include <vector>

// What the print layer's tests share: the views' test state, playlists of numbered songs, and
// the displays they print, label displays chosen item by item as the chooser sets them up.
namespace corvane::print::test_support {

using views::test_support::Song;

class PrintTest : public views::test_support::ViewsTest {
protected:
    // A playlist of `count` songs titled "Song 1", "Song 2", ..., each 3:20 long, selected.
    library::MemoryPlaylist& playlistOf(int count, const QString& name = QStringLiteral("Mix")) {
        library::MemoryPlaylist& playlist = library->addPlaylist(name);
        for (int k = 1; k <= count; ++k) {
            playlist.add(Song(QStringLiteral("Song %1").arg(k))
                             .artist(QStringLiteral("Artist %1").arg(k))
                             .seconds(200)
                             .rating(50)
                             .genre("Rock")
                             .year("1999")
                             .type("mp3"));
        }
        state.SelectedPlaylist = name;
        return playlist;
    }

    // A library of `count` playlists named after `pattern` ("P1", "P2", ...), listed.
    void showPlaylists(int count, const QString& pattern = QStringLiteral("P%1")) {
        library = std::make_shared<library::MemoryLibrary>();
        state.Playlists = library;
        for (int k = 1; k <= count; ++k) {
            library->addPlaylist(pattern.arg(k));
        }
        state.SelectedPlaylist.clear();
        state.PlaylistsShowing = 1;
        state.PrintKind = views::PrintLayout::List;
        state.List1.Clear();
        views::ListPlaylists(state);
    }

    // playlistOf(songs, name) shown in the list display.
    void showSelected(int songs, const QString& name) {
        playlistOf(songs, name);
        state.DisplayKind = views::Display::List;
        state.PlaylistsShowing = 0;
        state.List1.Clear();
        views::ListSelectedPlaylists(state);
    }
};

} // namespace corvane::print::test_support
