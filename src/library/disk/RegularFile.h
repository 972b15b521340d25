// library/disk/: the file system as the library touches it: regular files read without waiting
// (this file) and file names as bytes (FileName). Uses nothing else of ours; every room may use it.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// Files named by playlists may be anything: only regular files are opened, never in a way that
// could wait (opening a FIFO for reading blocks until a writer comes), and nothing is read from
// the kernel's own file systems (/proc/kmsg blocks, /sys files change under the reader). Paths
// are QStrings that keep every byte of the name (see FileName.h).
namespace corvane::library {

// Identifies one version of a file: a file is read again only when its stamp changed. The inode
// tells a file replaced by another of the same size and time (a copy that kept the time).
struct FileStamp {
    qint64 size = -1; // -1: not a regular file (missing, a folder, a FIFO, a device)
    qint64 modifiedNs = 0;
    quint64 inode = 0;
    bool isRegularFile() const { return size >= 0; }
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at `path`, following symbolic links; one stat. With `exists`, whether
// anything (a file, a folder, a device...) is there.
FileStamp fileStamp(const QString& path, bool* exists = nullptr);

// The modification time of the folder at `path`, in nanoseconds; -1 when it is no folder.
qint64 folderModifiedNs(const QString& path);

// True for a path below /proc, /sys or /dev, which are never read.
bool isSystemPath(QStringView path);

// A descriptor open for reading on the regular file at `path` (its stamp in *stamp), or -1.
int openRegularFile(const QString& path, FileStamp* stamp);

// Why the file at `path` cannot be opened for reading, in a few words ("no such file",
// "permission denied", "a folder, not a file").
QString whyUnreadable(const QString& path);
// The text of an errno value, as it reads after a colon ("permission denied").
QString errorText(int error);

// Up to `maxBytes` of the regular file at `path`; false when it is no regular file or cannot
// be read.
bool readRegularFile(const QString& path, qsizetype maxBytes, QByteArray* bytes, FileStamp* stamp);

struct FolderEntry {
    enum Kind { File, Folder, LinkToFolder, Other };
    QString name;
    Kind kind = Other; // Other when the kinds were not asked for
};
// The entries of the folder at `path` in the order the disk lists them, with their kinds when
// `kinds` (symbolic links followed). Empty and *error set (an errno value) when it cannot be
// listed; a kernel file system is never listed.
std::vector<FolderEntry> listFolder(const QString& path, bool kinds, int* error);

// The path with every symbolic link followed; empty when it does not exist.
QString realPath(const QString& path);
// The path made absolute against the working folder, and cleaned ("a/../b" is "b").
QString absolutePath(const QString& path);
// True when something (a file, a folder, a device...) is at `path`; *error is errno when not.
bool pathExists(const QString& path, int* error = nullptr);

} // namespace corvane::library
