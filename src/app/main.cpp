#include "app/CommandLine.h"
#include "app/Run.h"
#include "app/WindowModule.h"
#include "library/disk/FileName.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QLoggingCategory>
#include <cstdio>

using namespace corvane;

namespace {

// The window, and pages drawn for a printer or a PDF, are the window module's: Qt's GUI libraries
// are loaded only for them. The module sits beside the program in the build folder, and in the
// program's library folder once installed.
int runWindowModule(const app::CommandLine& cl, int argc, char** argv) {
    const QString folder =
        QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
    const QString name = QStringLiteral("corvane-window.so");
    QString path = folder + u'/' + name;
    if (!QFileInfo::exists(path)) {
        path = folder + QStringLiteral("/" CORVANE_MODULE_FOLDER "/") + name;
    }
    QLibrary module(path);
    const auto entry = reinterpret_cast<CorvaneWindowMain*>(module.resolve("corvaneWindowMain"));
    if (entry == nullptr) {
        app::say(stderr, QStringLiteral("corvane: cannot load the window's module (%1)")
                             .arg(module.errorString()));
        return 2;
    }
    return entry(CORVANE_VERSION, &cl, argc, argv);
}

} // namespace

int main(int argc, char** argv) {
    // With TZ unset, the C library looks at /etc/localtime again for every time it converts:
    // once for each song of an MPD answer. The same zone, named, is read once.
    if (!qEnvironmentVariableIsSet("TZ")) {
        qputenv("TZ", ":/etc/localtime");
    }
    // The settings' folder.
    QCoreApplication::setApplicationName(QStringLiteral("corvane"));
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << library::decodeFileName(argv[i]); // file names keep every byte
    }
    const app::ParsedCommandLine parsed = app::parseCommandLine(arguments);
    if (!parsed.error.isEmpty()) {
        app::say(stderr, QStringLiteral("corvane: %1 (see corvane --help)").arg(parsed.error));
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
        app::say(stdout, QStringLiteral("corvane " CORVANE_VERSION));
        return 0;
    case app::CommandLine::Mode::Window:
        return runWindowModule(cl, argc, argv);
    case app::CommandLine::Mode::ListPlaylists:
    case app::CommandLine::Mode::Playlist:
        if (cl.drawsPages()) {
            return runWindowModule(cl, argc, argv);
        } else {
            const QCoreApplication application(argc, argv);
            return app::runWithoutWindow(cl);
        }
    case app::CommandLine::Mode::ListSources: {
        const QCoreApplication application(argc, argv);
        return app::listSources(cl);
    }
    }
    return 2;
}
