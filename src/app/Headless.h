#pragma once

#include "app/CommandLine.h"
#include "app/Form1.h"

#include <QIODevice>

// Shows or prints one view without a window, by the same handlers that the window's clicks
// drive, so that it gives exactly what the window would show and print.
namespace corvane::app {

struct HeadlessResult {
    int exitCode = 0; // 0 done; 2 a library that failed, an unknown playlist or a key not
                      // shown; 1 a failed printout
    QString message;  // one line for standard error; empty when there is nothing to say
};

// Runs `commandLine` (--list-playlists or --playlist) on `form`, which is not loaded yet. With
// --text the display list's lines go to `text`, each followed by LF; the other outputs go
// through `form`'s printer. `sourcesRead` names what the library was read from, for a library
// that turns out to have no playlists.
HeadlessResult runHeadless(Form1& form, const CommandLine& commandLine, QIODevice& text,
                           const QString& sourcesRead = {});

} // namespace corvane::app
