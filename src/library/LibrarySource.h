#pragma once

#include "library/MediaLibrary.h"
#include "library/mpd/MpdAddress.h"
#include "library/stores/PlayerStores.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

// Where the library comes from: the one place that turns a SOURCE (the command line's
// --library, $CORVANE_LIBRARY, or what is found on this machine) into the backend that reads it.
namespace corvane::library {

// What tells where sources are found: $HOME, the XDG folders, the music folder and MPD's
// variables.
struct SourceEnvironment {
    StoreEnvironment stores;
    MpdEnvironment mpd;

    // This process's.
    static SourceEnvironment current();
};

// How long an MPD server at the default address may take to greet before it counts as absent.
inline constexpr int MpdGreetingMs = 300;

// One source of the library.
struct FoundSource {
    QString kind;     // "playlist files", the player's name ("Strawberry"), "MPD"
    QString location; // what --library accepts for it
    std::shared_ptr<const Player> player; // null when it cannot be read
    QString problem; // why it cannot be read: one line naming it; empty when it can
    // Opens it again (throws LibraryError saying why it cannot): a store that was locked, or a
    // server that was restarting, may be read at the next listing.
    std::function<std::shared_ptr<const Player>()> open;
};

// Every source found: the music folder's playlist files (when it holds any), each player's store
// that is in its usual place, and an MPD server at the default address that greets within
// MpdGreetingMs. Each is opened; one that cannot be read comes with why.
std::vector<FoundSource> findSources(const SourceEnvironment& environment,
                                     const LibraryOptions& options = {});

// Where findSources looks, for a message: "/home/ann/Music, the usual places of Rhythmbox, ...
// and MPD at localhost:6600".
QString placesSought(const SourceEnvironment& environment);

// One line for each source, "KIND<TAB>LOCATION<TAB>12 playlists", or why it cannot be read in
// place of the count. Lists each source's playlists to count them.
QStringList sourceLines(const std::vector<FoundSource>& sources);

// The library and what it is made of.
struct ChosenLibrary {
    std::shared_ptr<const Player> player; // null: it cannot be read, for `problem`
    QString problem;
    std::vector<FoundSource> sources; // the one named, or every one found
    bool demo = false;                // nothing was found: the demo library stands in
};

// --library SOURCE when given (non-empty), else $CORVANE_LIBRARY where set, else everything found
// (findSources) merged into one list of playlists with distinct names; when nothing is found, the
// demo library beside the program (demo = true), else the music folder as a file library.
ChosenLibrary chooseLibrary(const QString& commandLineSource, const LibraryOptions& options,
                            const SourceEnvironment& environment);

// The demo library beside the running program: <applicationDirPath>/demo-library, or
// <applicationDirPath>/../share/corvane/demo-library when installed. Empty when absent.
QString demoLibraryPath();

// The library that reads `source`, by the backend for its kind: an MPD server for "mpd:..."
// (MpdLibrary.h), a player's store (PlayerStores.h), else a folder or playlist file
// (FileLibrary.h). Returns nullptr and sets *error (one line naming the source and why) when it
// cannot be read.
std::shared_ptr<Player> openLibrary(const QString& source, QString* error,
                                    const LibraryOptions& options = {});

} // namespace corvane::library
