// library/stores/: the players' own stores, one reader per store format behind StoreLibrary
// (this file); finding and telling them apart (PlayerStores). Uses songs/, playlists/, disk/ and
// the library interface.
#pragma once

#include "library/MediaLibrary.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The library as a music player's own store holds it (a database, an XML file, a folder of
// playlists): one small reader per store gives its playlists and songs; StoreLibrary serves them
// through the library interface.
namespace corvane::library {

// The players whose stores are read.
enum class StoreKind {
    Rhythmbox,
    Strawberry,
    Clementine,
    Audacious,
    Cmus,
    ITunes,
    Lollypop,
    Kodi,
    Elisa,
    QuodLibet,
};

// The player's name as users know it ("Rhythmbox", "cmus", "iTunes").
QString storeName(StoreKind kind);

// The error for a store that cannot be read: one line naming the player, the store and why.
LibraryError storeError(StoreKind kind, const QString& location, const QString& why);

// A song as a store lists it.
struct StoreSong {
    QString location; // as entryLocation() gives it, or as the store writes it (a file: URL)
    QString title;    // empty when the store gives none
    QString artist;
    QString album;
    QString genre;
    QString year;
    double seconds = -1; // < 0: unknown
    int rating = -1;     // "UserRating", 0-99; -1: the store keeps no rating for the song
    bool tagged = false; // the store holds the song's tags; false: it holds only the location
};

// Where the songs whose tags a store does not hold are read from their audio files. `song` gives
// one as SongFiles::song does (a file that cannot be read fails saying why; null when nothing is
// at `path`); `newListing` starts a listing, within which a file is looked at once.
struct SongSource {
    std::function<std::shared_ptr<const MediaItem>(const QString& path, const QString& fallback)>
        song;
    std::function<void()> newListing = [] {};
};

// Songs read as the file backend reads them, through a SongFiles of their own.
SongSource songFileSource();

// One playlist as the store now lists it. Its songs are read when first asked for, and may
// throw LibraryError; what of them was left out is said in `notes`.
struct StoreListing {
    QString name;
    std::function<std::vector<StoreSong>(QStringList& notes)> songs;
    // When `songs` fails: the songs known without the part of the store that failed (Rhythmbox's
    // playlist locations without its song database), read from their files; null: none.
    std::function<std::vector<StoreSong>()> withoutStore = nullptr;
    // Not empty: the playlist is not listed (a smart playlist whose rules cannot be evaluated),
    // and this note says which and why.
    QString leftOut = {};
};

// Reads the store's playlists, in the player's order; throws LibraryError.
using StoreReader = std::function<std::vector<StoreListing>()>;

// A song's tags come from the store where it holds both its tags and its rating (no audio file
// is read); else from the file through `songs`, and where the file is not there, from what the
// store holds, else it fails saying so. Every getAll and getByName asks the reader again, and
// starts a listing of `songs`. getByName reads the songs of what it finds: a store that fails
// there gives the songs it can without it, and says why as the array's error.
//
// With `lookOnce` (a run that shows one view), the playlists read when the store is opened serve
// until one is listed; from then on only what getByName found is kept, and given again when the
// same name is asked for: a million-song playlist is not held twice, as the store's songs and as
// the listing's.
class StoreLibrary final : public Player,
                           public PlaylistCollection,
                           public std::enable_shared_from_this<StoreLibrary> {
public:
    // Reads the store's playlists now: throws LibraryError when it cannot be read.
    StoreLibrary(StoreReader reader, SongSource songs, bool lookOnce = false);

    QString versionInfo() const override { return QStringLiteral("12.0.0"); }
    std::shared_ptr<const PlaylistCollection> playlistCollection() const override;
    PlaylistArray getAll() const override;
    PlaylistArray getByName(const QString& name) const override;

private:
    std::vector<StoreListing> listings() const;
    std::vector<StoreListing> takeListings() const;

    StoreReader reader_;
    SongSource songs_;
    bool lookOnce_;
    mutable std::optional<std::vector<StoreListing>> opened_; // lookOnce: as read on opening
    mutable std::optional<std::pair<QString, PlaylistArray>> listed_; // lookOnce: the last found
};

} // namespace corvane::library
