#pragma once

#include "library/stores/StoreLibrary.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

// Finding the players' stores on this machine, telling a store from other sources, and opening
// one as a library.
namespace corvane::library {

// The folders under which the players keep their stores.
struct StoreEnvironment {
    QString home;
    QString dataHome;    // $XDG_DATA_HOME; empty or relative: $HOME/.local/share
    QString configHome;  // $XDG_CONFIG_HOME; empty or relative: $HOME/.config
    QString musicFolder; // the user's music folder; empty: $HOME/Music

    // This process's: $HOME, the XDG variables and the music folder (XDG_MUSIC_DIR).
    static StoreEnvironment current();
};

struct FoundStore {
    StoreKind kind;
    QString location; // the file or folder that --library accepts for it
    bool operator==(const FoundStore&) const = default;
};

// Where each player keeps its store, in a fixed order (Rhythmbox, Strawberry, Clementine,
// Audacious, cmus, iTunes, Lollypop, Kodi, Elisa, Quod Libet); for a player with several usual
// places, each in turn.
std::vector<FoundStore> usualStoreLocations(const StoreEnvironment& environment);

// The stores that exist: the first usual place of each player that holds its store.
std::vector<FoundStore> findStores(const StoreEnvironment& environment);

// The player whose store `source` is (a file by its name or first bytes, a folder by what it
// holds); nothing for any other source.
std::optional<StoreKind> storeKindOf(const QString& source);

// The library that reads the store at `location` (its file, or the folder that holds it);
// throws LibraryError (one line naming the player, the store and why) when it is missing or
// cannot be read as that player's store. With `lookOnce` (a run that shows one view) what is
// read of the store is kept only for the playlist listed (see StoreLibrary).
std::shared_ptr<Player> openStore(StoreKind kind, QString location, SongSource songs,
                                  bool lookOnce = false);

// --- One opener per store, behind openStore ---

// The Rhythmbox folder, its rhythmdb.xml or its playlists.xml.
std::shared_ptr<Player> openRhythmbox(const QString& location, SongSource songs, bool lookOnce);
// A Strawberry or Clementine database.
std::shared_ptr<Player> openSqliteStore(StoreKind kind, const QString& location, SongSource songs,
                                        bool lookOnce);
// Audacious's playlists folder (or the folder above it).
std::shared_ptr<Player> openAudacious(const QString& location, SongSource songs, bool lookOnce);
// cmus's playlists folder (or the folder above it).
std::shared_ptr<Player> openCmus(const QString& location, SongSource songs, bool lookOnce);
// An iTunes or Music library XML file.
std::shared_ptr<Player> openITunes(const QString& location, SongSource songs, bool lookOnce);
// Lollypop's folder, its playlists.db or its lollypop.db.
std::shared_ptr<Player> openLollypop(const QString& location, SongSource songs, bool lookOnce);
// Kodi's folder (~/.kodi), its userdata folder, its playlists/music folder or its music database.
std::shared_ptr<Player> openKodi(const QString& location, SongSource songs, bool lookOnce);

// Elisa keeps no playlists of its own (the user saves them as playlist files): its database
// (or the folder that holds it) gives the ratings of the songs it knows, which the playlist
// files' songs take. Throws LibraryError naming the store when it cannot be read.
std::shared_ptr<StoredRatings> openElisaRatings(const QString& location);
// Quod Libet's playlists folder (or the folder above it).
std::shared_ptr<Player> openQuodLibet(const QString& location, SongSource songs, bool lookOnce);

// Store files larger than this are refused rather than read into memory.
inline constexpr qsizetype MaxStoreBytes = 512 * 1024 * 1024;

} // namespace corvane::library
