#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/Form1Runner.h"
#include "app/Headless.h"
#include "app/MainWindow.h"
#include "app/OutputFile.h"
#include "library/LibrarySource.h"
#include "library/disk/FileName.h"
#include "library/songs/TagIndex.h"
#include "print/QtPrinter.h"
#include "print/TextPrinter.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QUrl>
#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>

using namespace corvane;

namespace {

void say(FILE* stream, const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

// The library on the command line, in $CORVANE_LIBRARY, or everything found on this machine.
// Songs are kept in the user's tag index unless --no-index; a run without a window looks at the
// library once.
library::ChosenLibrary chooseLibrary(const app::CommandLine& cl,
                                     std::shared_ptr<library::ReadProgress> progress = {}) {
    library::LibraryOptions options;
    options.musicFolder = cl.musicFolder;
    options.tagIndex = cl.noIndex ? QString() : library::TagIndex::standardFile();
    options.progress = std::move(progress);
    options.lookOnce = cl.headless();
    return library::chooseLibrary(cl.library.value_or(QString()), options,
                                  library::SourceEnvironment::current());
}

// Where the library was sought, when nothing was found.
QString nothingFound() {
    return QStringLiteral("no playlist found in %1")
        .arg(library::placesSought(library::SourceEnvironment::current()));
}

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

// What the library is made of, one line a source on standard output.
int listSources(const app::CommandLine& cl, int argc, char** argv) {
    const QCoreApplication application(argc, argv);
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

// How far the songs are read, on one line of standard error that each report rewrites and the
// end wipes; only where a person watches it (a terminal), and never with --quiet.
std::shared_ptr<library::ReadProgress> terminalProgress(const app::CommandLine& cl) {
    auto progress = std::make_shared<library::ReadProgress>();
    if (!cl.quiet && ::isatty(STDERR_FILENO) == 1) {
        progress->setListener([shown = false](library::ReadProgress::Now now) mutable {
            if (now.total > 0) {
                std::fputs(("\r" + app::readingText(now)).toLocal8Bit().constData(), stderr);
                shown = true;
            } else if (std::exchange(shown, false)) {
                std::fputs("\r\033[K", stderr);
            }
            std::fflush(stderr);
        });
    }
    return progress;
}

bool noDisplay() {
    return qEnvironmentVariableIsEmpty("DISPLAY") &&
           qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
           qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

int runHeadless(const app::CommandLine& cl, int argc, char** argv) {
    std::unique_ptr<QCoreApplication> application;
    if (cl.drawsPages()) {
        // Pages are drawn with Qt's GUI library, which needs a platform even without a screen.
        if (noDisplay()) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }

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
    std::optional<app::OutputFile> outputFile;
    app::Form1::PrinterFactory makePrinter;
    switch (cl.output) {
    case app::CommandLine::Output::Text:
        break;
    case app::CommandLine::Output::PrintText:
        if (cl.outputFile == QStringLiteral("-")) {
            makePrinter = [&] { return std::make_unique<print::TextPrinter>(standardOutput); };
            break;
        }
        outputFile.emplace(cl.outputFile, app::OutputFile::Kind::Text);
        makePrinter = [&] { return outputFile->makePrinter(); };
        break;
    case app::CommandLine::Output::Pdf:
        outputFile.emplace(cl.outputFile, app::OutputFile::Kind::Pdf);
        makePrinter = [&] { return outputFile->makePrinter(); };
        break;
    case app::CommandLine::Output::Print:
        makePrinter = [] { return print::makeDefaultPrinter(); };
        break;
    }

    // Headless runs read the settings file and never write it.
    app::Form1 form(player, views::DisplaySettingsFile::standard(), app::ScreenMetrics{},
                    makePrinter);
    app::HeadlessResult result = app::runHeadless(form, cl, standardOutput, sourcesRead(chosen));
    // A failed printout throws its file away; after a good one, what could not be written fails.
    QString unwritten = outputFile ? outputFile->finish(result.exitCode == 0) : QString();
    if (unwritten.isEmpty() && result.exitCode == 0) {
        unwritten = app::flushOutput(standardOutput, QStringLiteral("standard output"));
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

int runWindow(const app::CommandLine& cl, int argc, char** argv) {
    if (noDisplay()) {
        say(stderr, QStringLiteral("corvane: no display to open the window on (DISPLAY is not "
                                   "set); --list-playlists and --playlist work without one"));
        return 2;
    }
    QApplication application(argc, argv);

    const auto progress = std::make_shared<library::ReadProgress>();
    const library::ChosenLibrary chosen = chooseLibrary(cl, progress);
    const auto& player = chosen.player;
    QString note;
    if (!player) {
        say(stderr, QStringLiteral("corvane: %1").arg(chosen.problem));
        note = chosen.problem;
    } else if (chosen.demo) {
        const QString nothing = nothingFound();
        note = nothing.left(1).toUpper() + nothing.mid(1) +
               QStringLiteral(": showing the demo library.");
    }

    app::Form1 form(
        player, views::DisplaySettingsFile::standard(),
        app::screenMetrics(QGuiApplication::primaryScreen()),
        [] { return print::makeDefaultPrinter(); },
        [](const QString& address) { QDesktopServices::openUrl(QUrl(address)); }, note);
    form.Form_Load();
    app::MainWindow window(form, progress);
    window.show();
    const int status = application.exec();
    form.Form_Unload();
    // The window was shown on the guide alone; the exit status still says the library failed.
    return status != 0 ? status : (player ? 0 : 2);
}

} // namespace

int main(int argc, char** argv) {
    // With TZ unset, the C library looks at /etc/localtime again for every time it converts:
    // once for each song of an MPD answer. The same zone, named, is read once.
    if (!qEnvironmentVariableIsSet("TZ")) {
        qputenv("TZ", ":/etc/localtime");
    }
    // The settings' folder, and how docks and task switchers find the menu entry and icon.
    QCoreApplication::setApplicationName(QStringLiteral("corvane"));
    QGuiApplication::setDesktopFileName(QStringLiteral("corvane"));
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << library::decodeFileName(argv[i]); // file names keep every byte
    }
    const app::ParsedCommandLine parsed = app::parseCommandLine(arguments);
    if (!parsed.error.isEmpty()) {
        say(stderr, QStringLiteral("corvane: %1 (see corvane --help)").arg(parsed.error));
        return 2;
    }
    const app::CommandLine& cl = parsed.commandLine;
    if (cl.quiet) {
        // Qt's own notes and warnings too: only errors are left.
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false\n"
                                                        "*.warning=false"));
    }
    switch (cl.mode) {
    case app::CommandLine::Mode::Help:
        std::fputs(app::usageText().toLocal8Bit().constData(), stdout);
        return 0;
    case app::CommandLine::Mode::Version:
        say(stdout, QStringLiteral("corvane " CORVANE_VERSION));
        return 0;
    case app::CommandLine::Mode::Window:
        return runWindow(cl, argc, argv);
    case app::CommandLine::Mode::ListPlaylists:
    case app::CommandLine::Mode::Playlist:
        return runHeadless(cl, argc, argv);
    case app::CommandLine::Mode::ListSources:
        return listSources(cl, argc, argv);
    }
    return 2;
}
