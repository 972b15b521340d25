#include "app/Run.h"

#include "app/Form1.h"
#include "app/Form1Runner.h"
#include "app/Headless.h"
#include "library/disk/FileName.h"
#include "library/songs/TagIndex.h"
#include "print/TextPrinter.h"

#include <QFile>
#include <optional>
#include <unistd.h>

namespace corvane::app {
namespace {

// What the library was read from, for a message: "playlist files in /music, the Strawberry store
// /home/ann/.local/share/strawberry/strawberry/strawberry.db, MPD at mpd://".
QString sourcesRead(const library::ChosenLibrary& chosen) {
    if (chosen.demo) {
        return QStringLiteral("the demo library in %1").arg(library::demoLibraryPath());
    }
    QStringList read;
    for (const library::FoundSource& source : chosen.sources) {
        const QString place = library::shownName(source.location);
        const QString how =
            source.kind == QStringLiteral("playlist files") ? QStringLiteral("%1 in %2")
            : source.kind == QStringLiteral("MPD")          ? QStringLiteral("%1 at %2")
                                                            : QStringLiteral("the %1 store %2");
        read << how.arg(source.kind, place);
    }
    return read.join(QStringLiteral(", "));
}

// How far the songs are read, on one line of standard error that each report rewrites and the
// end wipes; only where a person watches it (a terminal), and never with --quiet.
std::shared_ptr<library::ReadProgress> terminalProgress(const CommandLine& cl) {
    auto progress = std::make_shared<library::ReadProgress>();
    if (!cl.quiet && ::isatty(STDERR_FILENO) == 1) {
        progress->setListener([shown = false](library::ReadProgress::Now now) mutable {
            if (now.total > 0) {
                std::fputs(("\r" + readingText(now)).toLocal8Bit().constData(), stderr);
                shown = true;
            } else if (std::exchange(shown, false)) {
                std::fputs("\r\033[K", stderr);
            }
            std::fflush(stderr);
        });
    }
    return progress;
}

} // namespace

void say(FILE* stream, const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

// Songs are kept in the user's tag index unless --no-index; a run without a window looks at the
// library once.
library::ChosenLibrary chooseLibrary(const CommandLine& cl,
                                     std::shared_ptr<library::ReadProgress> progress) {
    library::LibraryOptions options;
    options.musicFolder = cl.musicFolder;
    options.tagIndex = cl.noIndex ? QString() : library::TagIndex::standardFile();
    options.progress = std::move(progress);
    options.lookOnce = cl.headless();
    return library::chooseLibrary(cl.library.value_or(QString()), options,
                                  library::SourceEnvironment::current());
}

QString nothingFound() {
    return QStringLiteral("no playlist found in %1")
        .arg(library::placesSought(library::SourceEnvironment::current()));
}

int listSources(const CommandLine& cl) {
    const library::ChosenLibrary chosen = chooseLibrary(cl);
    if (chosen.demo || chosen.sources.empty()) {
        if (!cl.quiet) {
            say(stderr, QStringLiteral("corvane: %1").arg(nothingFound()));
        }
        return 0;
    }
    for (const QString& line : library::sourceLines(chosen.sources)) {
        std::fputs((line + u'\n').toUtf8().constData(), stdout);
    }
    return 0;
}

int runWithoutWindow(const CommandLine& cl, const PagePrinters& pages) {
    const library::ChosenLibrary chosen = chooseLibrary(cl, terminalProgress(cl));
    const auto& player = chosen.player;
    if (!player) {
        say(stderr, QStringLiteral("corvane: %1").arg(chosen.problem));
        return 2;
    }
    if (chosen.demo && !cl.quiet) {
        say(stderr, QStringLiteral("corvane: %1; using the demo library in %2")
                        .arg(nothingFound(), library::demoLibraryPath()));
    }

    QFile standardOutput;
    standardOutput.open(stdout, QIODevice::WriteOnly);
    std::optional<OutputFile> outputFile;
    Form1::PrinterFactory makePrinter;
    switch (cl.output) {
    case CommandLine::Output::Text:
        break;
    case CommandLine::Output::PrintText:
        if (cl.outputFile == QStringLiteral("-")) {
            makePrinter = [&] { return std::make_unique<print::TextPrinter>(standardOutput); };
            break;
        }
        outputFile.emplace(cl.outputFile);
        makePrinter = [&] { return outputFile->makePrinter(); };
        break;
    case CommandLine::Output::Pdf:
        outputFile.emplace(cl.outputFile, pages.pdf);
        makePrinter = [&] { return outputFile->makePrinter(); };
        break;
    case CommandLine::Output::Print:
        makePrinter = pages.standard;
        break;
    }

    // Headless runs read the settings file and never write it.
    Form1 form(player, views::DisplaySettingsFile::standard(), ScreenMetrics{}, makePrinter);
    HeadlessResult result = runHeadless(form, cl, standardOutput, sourcesRead(chosen));
    // A failed printout throws its file away; after a good one, what could not be written fails.
    QString unwritten = outputFile ? outputFile->finish(result.exitCode == 0) : QString();
    if (unwritten.isEmpty() && result.exitCode == 0) {
        unwritten = flushOutput(standardOutput, QStringLiteral("standard output"));
    }
    if (!unwritten.isEmpty()) {
        result = {1, unwritten};
    }
    if (!result.message.isEmpty() && !(result.exitCode == 0 && cl.quiet)) {
        say(stderr, QStringLiteral("corvane: %1%2")
                        .arg(result.exitCode == 0 ? QStringLiteral("warning: ") : QString(),
                             result.message));
    }
    return result.exitCode;
}

} // namespace corvane::app
