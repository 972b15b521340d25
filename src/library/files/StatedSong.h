#pragma once

#include "library/MediaLibrary.h"
#include "library/playlists/PlaylistFormats.h"

#include <memory>

// What a playlist states of an entry (a length, an artist, a CUE sheet's track) over the song its
// file gives.
namespace corvane::library {

// True when `entry` states anything beyond where its song is.
bool statesAnything(const PlaylistEntry& entry);

// The song of `entry`, from `song` (its file's, or one without a file). For a CUE sheet's track
// the sheet's texts win and its length is the track's; for any other entry the file's own tags
// and length win, and what the playlist states fills in only what the file cannot give (a file
// that cannot be read, a stream, a tag it lacks). `fileTitled`: the file's tags gave a title.
std::shared_ptr<const MediaItem> statedSong(std::shared_ptr<const MediaItem> song,
                                            const PlaylistEntry& entry, bool fileTitled);

} // namespace corvane::library
