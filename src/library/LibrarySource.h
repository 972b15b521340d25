#pragma once

#include "library/MediaLibrary.h"

#include <QString>
#include <memory>

// Where the library comes from: the one place that turns a SOURCE (the command line's
// --library, $CORVANE_LIBRARY, or what is found on this machine) into the backend that reads it.
namespace corvane::library {

struct LibraryChoice {
    QString source;
    bool demo = false;
};
// --library SOURCE when given (non-empty), else $CORVANE_LIBRARY where set, else the user's
// music folder (QStandardPaths::MusicLocation); and when neither was given and the music folder
// holds no playlist file, the demo library beside the program (demo = true).
LibraryChoice chooseLibrary(const QString& commandLineSource);

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
