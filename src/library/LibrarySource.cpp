#include "library/LibrarySource.h"

#include "library/FileLibrary.h"
#include "library/FileName.h"
#include "library/MpdLibrary.h"
#include "library/PlayerStores.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace corvane::library {

std::shared_ptr<Player> openLibrary(const QString& source, QString* error,
                                    const LibraryOptions& options) {
    if (isMpdSource(source)) {
        return openMpdLibrary(source, error);
    }
    if (const std::optional<StoreKind> kind = storeKindOf(source)) {
        try {
            return openStore(*kind, source, songFileSource());
        } catch (const LibraryError& failure) {
            if (error) {
                *error = QString::fromStdString(failure.what());
            }
            return nullptr;
        }
    }
    return openFileLibrary(source, error, options);
}

QString demoLibraryPath() {
    if (!QCoreApplication::instance()) {
        return {};
    }
    const QString programFolder = QCoreApplication::applicationDirPath();
    for (const QString& candidate :
         {programFolder + QStringLiteral("/demo-library"),
          programFolder + QStringLiteral("/../share/corvane/demo-library")}) {
        if (QFileInfo(candidate).isDir()) {
            return QDir::cleanPath(candidate);
        }
    }
    return {};
}

LibraryChoice chooseLibrary(const QString& commandLineSource) {
    if (!commandLineSource.isEmpty()) {
        return {commandLineSource, false};
    }
    const QString fromEnvironment = decodeFileName(qgetenv("CORVANE_LIBRARY"));
    if (!fromEnvironment.isEmpty()) {
        return {fromEnvironment, false};
    }
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (!music.isEmpty() && QFileInfo(music).isDir() && holdsPlaylistFile(music)) {
        return {music, false};
    }
    if (const QString demo = demoLibraryPath(); !demo.isEmpty()) {
        return {demo, true};
    }
    return {music, false};
}

} // namespace corvane::library
