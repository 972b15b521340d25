#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <unordered_map>

// Finds the file that a playlist entry's location (see PlaylistFormats.h) names on this disk:
// the path itself, its names compared as they are, else under Unicode's composed form (NFC) and
// ignoring letter case, as file systems differ in both; else, for a path from another machine (a
// drive letter, a UNC share, another user's folder) or a song moved since, the longest tail of
// it that exists below one of the given roots (the library's folder, the music folders). Each
// folder it passes is listed once, and only then: one resolver serves one listing.
namespace corvane::library {

class PathResolver {
public:
    PathResolver();
    ~PathResolver();
    PathResolver(const PathResolver&) = delete;
    PathResolver& operator=(const PathResolver&) = delete;

    // The path found on disk (it may be a folder or a device: opening is for the caller to
    // judge; a path below /proc, /sys or /dev is given back unlooked at); empty for a stream or
    // when nothing matches.
    QString resolve(const QString& location, const QStringList& roots);

private:
    struct Folder;
    const QString* match(Folder& folder, const QString& name, bool last);
    Folder& child(Folder& folder, const QString& name);
    Folder* folderAt(const QString& path);
    QString find(Folder& from, const QStringList& components, qsizetype first);

    std::unique_ptr<Folder> top_;
    std::unordered_map<QString, Folder*> roots_;
};

} // namespace corvane::library
