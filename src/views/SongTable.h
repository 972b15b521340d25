#pragma once

#include "library/MediaLibrary.h"
#include "views/FormState.h"

// The selected playlist's songs as display-ready cells, and its total playing time.
namespace corvane::views {

// Fills SongTable and LastSong from `playlist`, in its own order. A call that fails leaves its
// cell "----"; how many songs could not be read, and why the first, goes to StatusLine. Returns
// false when the playlist has no songs: the view then stops after its header lines. With `rows`,
// the rows are filled as their songs become known, and `rows(first, end)` hears of each
// stretch filled, in order, while the later songs are still being read.
bool LoadSongTable(FormState& state, const library::Playlist& playlist,
                   const std::function<void(int first, int end)>& rows = {});

struct PlayingTime {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
};

// Sums the songs' "Duration" into TotalSeconds and splits it into hours, minutes and seconds.
PlayingTime TotalPlaylistTime(FormState& state, const library::Playlist& playlist);

} // namespace corvane::views
