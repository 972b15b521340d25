#include "app/WindowModule.h"

#include "app/Form1.h"
#include "app/MainWindow.h"
#include "app/Run.h"
#include "print/QtPrinter.h"

#include <QApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>
#include <cstring>

using namespace corvane;

namespace {

// True when there is no display to open a window on.
bool noDisplay() {
    return qEnvironmentVariableIsEmpty("DISPLAY") &&
           qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
           qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

int runWindow(const app::CommandLine& cl, int argc, char** argv) {
    if (noDisplay()) {
        app::say(stderr, QStringLiteral("corvane: no display to open the window on (DISPLAY is "
                                        "not set); --list-playlists and --playlist work without "
                                        "one"));
        return 2;
    }
    QApplication application(argc, argv);

    const auto progress = std::make_shared<library::ReadProgress>();
    const library::ChosenLibrary chosen = app::chooseLibrary(cl, progress);
    const auto& player = chosen.player;
    QString note;
    if (!player) {
        app::say(stderr, QStringLiteral("corvane: %1").arg(chosen.problem));
        note = chosen.problem;
    } else if (chosen.demo) {
        const QString nothing = app::nothingFound();
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

// Pages are drawn with Qt's GUI library, which needs a platform even without a screen.
int drawPages(const app::CommandLine& cl, int argc, char** argv) {
    if (noDisplay()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const QGuiApplication application(argc, argv);
    return app::runWithoutWindow(cl, {[] { return print::makeDefaultPrinter(); },
                                      [](QIODevice& file, const QString& name) {
                                          return print::makePdfPrinter(file, name);
                                      }});
}

} // namespace

int corvaneWindowMain(const char* version, const app::CommandLine* commandLine, int argc,
                      char** argv) {
    if (std::strcmp(version, CORVANE_VERSION) != 0) {
        app::say(stderr, QStringLiteral("corvane: the window's module is of version %1, not %2: "
                                        "install both again")
                             .arg(QLatin1StringView(CORVANE_VERSION), QLatin1StringView(version)));
        return 2;
    }
    // How docks and task switchers find the menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("corvane"));
    return commandLine->mode == app::CommandLine::Mode::Window
               ? runWindow(*commandLine, argc, argv)
               : drawPages(*commandLine, argc, argv);
}
