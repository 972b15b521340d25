#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/Form1Runner.h"
#include "app/Headless.h"
#include "app/MainWindow.h"
#include "library/FileName.h"
#include "library/LibrarySource.h"
#include "library/TagIndex.h"
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
#include <unistd.h>

using namespace corvane;

namespace {

void say(FILE* stream, const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

// The library on the command line, in $CORVANE_LIBRARY or in the music folder; `problem` says
// why none could be read. Songs are kept in the user's tag index unless --no-index; a run without
// a window looks at the library once.
std::shared_ptr<const library::Player>
openLibrary(const app::CommandLine& cl, QString* problem, bool* demo,
            std::shared_ptr<library::ReadProgress> progress) {
    const library::LibraryChoice choice = library::chooseLibrary(cl.library.value_or(QString()));
    *demo = choice.demo;
    library::LibraryOptions options;
    options.tagIndex = cl.noIndex ? QString() : library::TagIndex::standardFile();
    options.progress = std::move(progress);
    options.lookOnce = cl.headless();
    return library::openLibrary(choice.source, problem, options);
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

    QString problem;
    bool demo = false;
    const auto player = openLibrary(cl, &problem, &demo, terminalProgress(cl));
    if (!player) {
        say(stderr, QStringLiteral("corvane: %1").arg(problem));
        return 2;
    }
    if (demo && !cl.quiet) {
        say(stderr, QStringLiteral("corvane: your music folder holds no playlist; using the demo "
                                   "library in %1")
                        .arg(library::demoLibraryPath()));
    }

    QFile standardOutput;
    standardOutput.open(stdout, QIODevice::WriteOnly);
    QFile textFile;
    app::Form1::PrinterFactory makePrinter;
    switch (cl.output) {
    case app::CommandLine::Output::Text:
        break;
    case app::CommandLine::Output::PrintText:
        makePrinter = [&]() -> std::unique_ptr<print::Printer> {
            if (cl.outputFile == QStringLiteral("-")) {
                return std::make_unique<print::TextPrinter>(standardOutput);
            }
            textFile.setFileName(cl.outputFile);
            if (!textFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                throw print::PrintError(QStringLiteral("cannot write %1: %2")
                                            .arg(cl.outputFile, textFile.errorString())
                                            .toStdString());
            }
            return std::make_unique<print::TextPrinter>(textFile);
        };
        break;
    case app::CommandLine::Output::Pdf:
        makePrinter = [&] { return print::makePdfPrinter(cl.outputFile); };
        break;
    case app::CommandLine::Output::Print:
        makePrinter = [] { return print::makeDefaultPrinter(); };
        break;
    }

    // Headless runs read the settings file and never write it.
    app::Form1 form(player, views::DisplaySettingsFile::standard(), app::ScreenMetrics{},
                    makePrinter);
    const app::HeadlessResult result = app::runHeadless(form, cl, standardOutput);
    standardOutput.flush();
    if (textFile.isOpen() && !textFile.flush()) {
        say(stderr, QStringLiteral("corvane: cannot write %1: %2")
                        .arg(cl.outputFile, textFile.errorString()));
        return 1;
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

    QString problem;
    bool demo = false;
    const auto progress = std::make_shared<library::ReadProgress>();
    const auto player = openLibrary(cl, &problem, &demo, progress);
    QString note;
    if (!player) {
        say(stderr, QStringLiteral("corvane: %1").arg(problem));
        note = problem;
    } else if (demo) {
        note = QStringLiteral("Your music folder holds no playlist: showing the demo library.");
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
    }
    return 2;
}
