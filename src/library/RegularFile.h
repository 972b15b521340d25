#pragma once

#include <QByteArray>
#include <QString>

// Files named by playlists may be anything: only regular files are opened, and never in a way
// that could wait (opening a FIFO for reading blocks until a writer comes).
namespace corvane::library {

// Identifies one version of a file: a file is read again only when its stamp changed.
struct FileStamp {
    qint64 size = -1; // -1: not a regular file (missing, a folder, a FIFO, a device)
    qint64 modifiedNs = 0;
    bool isRegularFile() const { return size >= 0; }
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at `path`, following symbolic links.
FileStamp fileStamp(const QString& path);

// The modification time of the folder at `path`, in nanoseconds; -1 when it is no folder.
qint64 folderModifiedNs(const QString& path);

// A descriptor open for reading on the regular file at `path` (its stamp in *stamp), or -1.
int openRegularFile(const QString& path, FileStamp* stamp);

// Why the file at `path` cannot be opened for reading, in a few words ("no such file",
// "permission denied", "a folder, not a file").
QString whyUnreadable(const QString& path);

// Up to `maxBytes` of the regular file at `path`; false when it is no regular file or cannot
// be read.
bool readRegularFile(const QString& path, qsizetype maxBytes, QByteArray* bytes, FileStamp* stamp);

} // namespace corvane::library
