#pragma once

#include "app/CommandLine.h"
#include "app/OutputFile.h"
#include "library/LibrarySource.h"

#include <QString>
#include <cstdio>
#include <functional>
#include <memory>

// A run of the program once its command line is read, as the program and its window module share
// it: the module alone holds Qt's GUI libraries (the window, and pages drawn for a printer or a
// PDF), so that a run that only reads and prints text starts without loading them.
namespace corvane::app {

// `line` and a line break, in the locale's encoding.
void say(FILE* stream, const QString& line);

// The library on the command line, in $CORVANE_LIBRARY, or everything found on this machine.
library::ChosenLibrary chooseLibrary(const CommandLine& cl,
                                     std::shared_ptr<library::ReadProgress> progress = {});

// Where the library was sought, when nothing was found.
QString nothingFound();

// --list-sources: what the library is made of, one line a source on standard output.
int listSources(const CommandLine& cl);

// The printers that draw pages; only the window module has them.
struct PagePrinters {
    std::function<std::unique_ptr<print::Printer>()> standard; // the default printer (--print)
    OutputFile::PagePrinter pdf;                               // --pdf FILE
};

// --list-playlists or --playlist, in the application object the caller made (a QGuiApplication
// when the output draws pages, with `pages`). The exit status.
int runWithoutWindow(const CommandLine& cl, const PagePrinters& pages = {});

} // namespace corvane::app
