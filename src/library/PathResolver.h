#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// Finds the file that a playlist entry's location (see PlaylistFormats.h) names on this disk:
// the path itself; else the same path with its letter case differing, as Windows file systems
// ignore case; else, for a path from another machine (a drive letter, a UNC share, another
// user's folder), the longest tail of it that exists below the library's root folder. One
// resolver serves one reading of the library: it remembers the folders it has listed.
namespace corvane::library {

class PathResolver {
public:
    explicit PathResolver(QString libraryRoot);
    // The path found on disk (it may be a folder or a device: opening is for the caller to
    // judge); empty for a stream or when nothing matches.
    QString resolve(const QString& location);

private:
    QString findIgnoringCase(const QString& path);
    const QStringList& entriesOf(const QString& folder);

    QString root_;
    QHash<QString, QStringList> listings_;
};

} // namespace corvane::library
