#include "FuzzSupport.h"
#include "library/playlists/PlaylistFormats.h"
#include "library/stores/RhythmboxQuery.h"
#include "library/stores/StoreFormats.h"

// One player's store reader on the input as its file's bytes: CORVANE_FUZZ_STORE names the
// player (rhythmbox, itunes, audacious, cmus, quodlibet; kodi: a smart playlist file; lollypop:
// a smart playlist's query). Every reader either refuses the bytes in one line or gives what it
// read within its bounds.
using namespace corvane;
using namespace corvane::library;

namespace {

// Runs `read`; a store it refuses is told in one line.
template <class Read> void refusedInOneLine(const Read& read) {
    try {
        read();
    } catch (const LibraryError& error) {
        const QString said = QString::fromUtf8(error.what());
        fuzz::require(!said.isEmpty() && !said.contains(u'\n'),
                      "a refused store is told in one line");
    }
}

void requireBounded(const StoreSong& song) {
    fuzz::require(song.seconds == -1 || (song.seconds >= 0 && song.seconds <= LongestSongSeconds),
                  "a length is a song's or unknown");
    for (const QString* text : {&song.title, &song.artist, &song.album, &song.genre, &song.year}) {
        fuzz::require(text->size() <= MaxOutsideText, "a text from outside is bounded");
    }
    fuzz::require(!song.location.contains(QChar(0)), "no location holds a NUL");
}

// A location as a store's song gives it: a path with no NUL, absolute, or a URL.
void requireLocation(const QString& at) {
    fuzz::require(at.isEmpty() || at.startsWith(u'/') || hasDriveLetter(at) || isStreamLocation(at),
                  "a location is absolute or a URL");
    fuzz::require(!at.contains(QChar(0)), "no location holds a NUL");
}

enum class Store { rhythmbox, itunes, audacious, cmus, kodi, lollypop, quodlibet };

void read(Store store, const QByteArray& bytes) {
    switch (store) {
    case Store::rhythmbox:
        refusedInOneLine([&] { checkRhythmboxSongs(bytes); });
        refusedInOneLine([&] {
            for (const StoreSong& song : parseRhythmboxSongs(bytes)) {
                requireBounded(song);
            }
        });
        refusedInOneLine([&] {
            for (const RhythmboxPlaylist& playlist : parseRhythmboxPlaylists(bytes)) {
                fuzz::require(playlist.name.size() <= MaxOutsideText, "a name is bounded");
                if (playlist.query) {
                    // An automatic playlist's query is evaluated on a song it may choose.
                    const RhythmboxEntry entry{untaggedSong("file:///a.mp3", "a"), {}};
                    const std::size_t chosen =
                        rhythmboxMatches(*playlist.query, entry, 0)
                            ? rhythmboxChosen(*playlist.query, {entry}).size()
                            : 0;
                    fuzz::require(chosen <= 1, "a query chooses among the songs it is given");
                }
            }
        });
        break;
    case Store::itunes:
        refusedInOneLine([&] {
            checkITunesLibrary(bytes);
            for (const ITunesPlaylist& playlist : parseITunesPlaylists(bytes)) {
                fuzz::require(playlist.name.size() <= MaxOutsideText, "a name is bounded");
            }
        });
        refusedInOneLine([&] {
            for (const StoreSong& song : parseITunesTracks(bytes)) {
                requireBounded(song);
            }
        });
        break;
    case Store::audacious: {
        QStringList order = parseAudaciousOrder(bytes);
        fuzz::require(order.removeDuplicates() == 0, "the order names each playlist once");
        const StorePlaylist playlist = parseAudaciousPlaylist(bytes);
        fuzz::require(audaciousPlaylistTitle(bytes).size() <= MaxOutsideText, "a title is bounded");
        for (const StoreSong& song : playlist.songs) {
            requireBounded(song);
            requireLocation(song.location);
        }
        break;
    }
    case Store::cmus: {
        int dropped = -1;
        const std::vector<StoreSong> songs = parseCmusPlaylist(bytes, &dropped);
        fuzz::require(dropped >= 0 && static_cast<qsizetype>(songs.size()) + dropped <=
                                          QString::fromUtf8(bytes).size(),
                      "each line is a song or counted as left out");
        for (const StoreSong& song : songs) {
            fuzz::require(!song.location.isEmpty(), "a song has a location");
            requireLocation(song.location);
        }
        break;
    }
    case Store::kodi:
        refusedInOneLine([&] {
            const KodiSmartPlaylist playlist = parseKodiSmartPlaylist(bytes);
            fuzz::require(playlist.name.size() <= MaxOutsideText && playlist.limit >= 0,
                          "a name is bounded, a limit not negative");
            // A playlist whose rules all read is evaluated without fault.
            std::vector<KodiSong> songs(1);
            songs[0].song.title = QStringLiteral("Title");
            if (std::all_of(playlist.rules.begin(), playlist.rules.end(),
                            [](const KodiRule& rule) { return kodiRuleUnread(rule).isEmpty(); })) {
                fuzz::require(kodiSmartSongs(playlist, songs).size() <= 1, "no song made up");
            }
        });
        break;
    case Store::lollypop:
        refusedInOneLine([&] {
            const LollypopSmart smart = parseLollypopSmart(QString::fromUtf8(bytes));
            fuzz::require(!smart.rules.empty() && smart.limit >= 0, "a query has rules");
        });
        break;
    case Store::quodlibet:
        refusedInOneLine([&] {
            for (const StoreSong& song : parseQuodLibetXspf(bytes).songs) {
                requireBounded(song);
                fuzz::require(!song.location.isEmpty(), "a song has a location");
                requireLocation(song.location);
            }
        });
        fuzz::require(quodLibetPlaylistName(QString::fromUtf8(bytes)).size() <= MaxOutsideText,
                      "a name is bounded");
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    read(Store::CORVANE_FUZZ_STORE, fuzz::bytesOf(data, size));
    return 0;
}
