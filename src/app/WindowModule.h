#pragma once

#include "app/CommandLine.h"

#include <QtGlobal>

// The window module's one entry, which the program finds by this name once it has loaded the
// module: the window, or a run without one that draws pages (--pdf, --print). `version` is the
// program's, which must be the module's own (a module left from another version is refused).
extern "C" {
using CorvaneWindowMain = int(const char* version, const corvane::app::CommandLine* commandLine,
                              int argc, char** argv);
Q_DECL_EXPORT CorvaneWindowMain corvaneWindowMain;
}
