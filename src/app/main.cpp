#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/Headless.h"
#include "app/MainWindow.h"
#include "app/OutputFile.h"
#include "library/LibrarySource.h"
#include "print/QtPrinter.h"
#include "print/TextPrinter.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QUrl>
#include <cstdio>
#include <memory>
#include <optional>

using namespace corvane;

namespace {

void say(FILE* stream, const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

// The library on the command line, in $CORVANE_LIBRARY or in the music folder; `problem` says
// why none could be read.
std::shared_ptr<const library::Player> openLibrary(const app::CommandLine& cl, QString* problem,
                                                   bool* demo) {
    const library::LibraryChoice choice = library::chooseLibrary(cl.library.value_or(QString()));
    *demo = choice.demo;
    return library::openLibrary(choice.source, problem);
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
    const auto player = openLibrary(cl, &problem, &demo);
    if (!player) {
        say(stderr, QStringLiteral("corvane: %1").arg(problem));
        return 2;
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
    app::HeadlessResult result = app::runHeadless(form, cl, standardOutput);
    // A failed printout throws its file away; after a good one, what could not be written fails.
    QString unwritten = outputFile ? outputFile->finish(result.exitCode == 0) : QString();
    if (unwritten.isEmpty() && result.exitCode == 0) {
        unwritten = app::flushOutput(standardOutput, QStringLiteral("standard output"));
    }
    if (!unwritten.isEmpty()) {
        result = {1, unwritten};
    }
    if (!result.message.isEmpty()) {
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
    const auto player = openLibrary(cl, &problem, &demo);
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
    app::MainWindow window(form);
    window.show();
    const int status = application.exec();
    form.Form_Unload();
    // The window was shown on the guide alone; the exit status still says the library failed.
    return status != 0 ? status : (player ? 0 : 2);
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const app::ParsedCommandLine parsed = app::parseCommandLine(arguments);
    if (!parsed.error.isEmpty()) {
        say(stderr, QStringLiteral("corvane: %1 (see corvane --help)").arg(parsed.error));
        return 2;
    }
    const app::CommandLine& cl = parsed.commandLine;
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
