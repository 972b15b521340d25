#include "library/disk/RegularFile.h"

#include "library/disk/FileName.h"

#include <QDir>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <system_error>
#include <unistd.h>

namespace corvane::library {
namespace {

qint64 modifiedNs(const struct stat& status) {
    return static_cast<qint64>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
}

FileStamp stampOf(const struct stat& status) {
    if (!S_ISREG(status.st_mode)) {
        return {};
    }
    return {static_cast<qint64>(status.st_size), modifiedNs(status),
            static_cast<quint64>(status.st_ino)};
}

// The kernel's own file systems, wherever they are mounted (or reached by a symbolic link).
bool isKernelFileSystem(const struct statfs& system) {
    switch (static_cast<unsigned long>(system.f_type)) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case PSTOREFS_MAGIC:
    case EFIVARFS_MAGIC:
    case BPF_FS_MAGIC:
    case DEVPTS_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

bool onKernelFileSystem(int fd) {
    struct statfs system {};
    return ::fstatfs(fd, &system) == 0 && isKernelFileSystem(system);
}

} // namespace

FileStamp fileStamp(const QString& path, bool* exists) {
    struct stat status {};
    const bool found = ::stat(encodeFileName(path).constData(), &status) == 0;
    if (exists) {
        *exists = found;
    }
    return found && !isSystemPath(path) ? stampOf(status) : FileStamp{};
}

qint64 folderModifiedNs(const QString& path) {
    struct stat status {};
    if (::stat(encodeFileName(path).constData(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return -1;
    }
    return modifiedNs(status);
}

bool isSystemPath(QStringView path) {
    for (const QStringView top : {u"/proc", u"/sys", u"/dev"}) {
        if (path.startsWith(top) && (path.size() == top.size() || path[top.size()] == u'/')) {
            return true;
        }
    }
    return false;
}

int openRegularFile(const QString& path, FileStamp* stamp) {
    if (isSystemPath(path)) {
        errno = EPERM;
        return -1;
    }
    // O_NONBLOCK: open() returns at once even on a FIFO; fstat then tells what was opened.
    const int fd = ::open(encodeFileName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct stat status {};
    const FileStamp opened = ::fstat(fd, &status) == 0 ? stampOf(status) : FileStamp{};
    // The kernel's file systems have no disk (major 0): a file on a disk needs no second look.
    if (!opened.isRegularFile() || (major(status.st_dev) == 0 && onKernelFileSystem(fd))) {
        ::close(fd);
        errno = EPERM;
        return -1;
    }
    // Regular files never block; reads go on in the ordinary blocking mode (O_NONBLOCK was the
    // only status flag set).
    ::fcntl(fd, F_SETFL, 0);
    if (stamp) {
        *stamp = opened;
    }
    return fd;
}

QString errorText(int error) {
    // "Permission denied" reads as "permission denied" after a colon.
    QString text = QString::fromStdString(std::generic_category().message(error));
    if (!text.isEmpty()) {
        text[0] = text[0].toLower();
    }
    return text;
}

QString whyUnreadable(const QString& path) {
    const QByteArray name = encodeFileName(path);
    struct stat status {};
    if (::stat(name.constData(), &status) != 0) {
        const int error = errno;
        return error == ENOENT || error == ENOTDIR ? QStringLiteral("no such file")
                                                   : errorText(error);
    }
    if (S_ISDIR(status.st_mode)) {
        return QStringLiteral("a folder, not a file");
    }
    if (!S_ISREG(status.st_mode)) {
        return QStringLiteral("not a regular file");
    }
    struct statfs system {};
    if (isSystemPath(path) ||
        (::statfs(name.constData(), &system) == 0 && isKernelFileSystem(system))) {
        return QStringLiteral("a system file, never read");
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errorText(errno);
    }
    ::close(fd);
    return QStringLiteral("cannot be read");
}

bool readRegularFile(const QString& path, qsizetype maxBytes, QByteArray* bytes, FileStamp* stamp) {
    FileStamp opened;
    const int fd = openRegularFile(path, &opened);
    if (fd < 0) {
        return false;
    }
    const qsizetype size = std::min<qint64>(opened.size, maxBytes);
    bytes->resize(size);
    qsizetype done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, bytes->data() + done, static_cast<size_t>(size - done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break; // the file shrank while being read: keep what was there
        }
        done += got;
    }
    ::close(fd);
    bytes->truncate(done);
    if (stamp) {
        *stamp = opened;
    }
    return true;
}

std::vector<FolderEntry> listFolder(const QString& path, bool kinds, int* error) {
    std::vector<FolderEntry> entries;
    *error = 0;
    if (isSystemPath(path)) {
        *error = EPERM;
        return entries;
    }
    const int fd =
        ::open(encodeFileName(path).constData(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return entries;
    }
    if (onKernelFileSystem(fd)) {
        ::close(fd);
        *error = EPERM;
        return entries;
    }
    DIR* folder = ::fdopendir(fd); // owns fd from here on
    if (!folder) {
        *error = errno;
        ::close(fd);
        return entries;
    }
    while (const dirent* entry = ::readdir(folder)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) {
            continue;
        }
        FolderEntry::Kind kind = FolderEntry::Other;
        if (kinds) {
            unsigned char type = entry->d_type;
            const bool link = type == DT_LNK;
            struct stat status {};
            if (type == DT_UNKNOWN || link) {
                type = ::fstatat(fd, name, &status, 0) != 0 ? DT_UNKNOWN
                       : S_ISDIR(status.st_mode)            ? DT_DIR
                                                            : DT_REG;
            }
            kind = type == DT_DIR ? (link ? FolderEntry::LinkToFolder : FolderEntry::Folder)
                                  : FolderEntry::File;
        }
        entries.push_back({decodeFileName(name), kind});
    }
    ::closedir(folder);
    return entries;
}

QString realPath(const QString& path) {
    char resolved[PATH_MAX];
    if (!::realpath(encodeFileName(path).constData(), resolved)) {
        return {};
    }
    return decodeFileName(resolved);
}

QString absolutePath(const QString& path) {
    if (path.startsWith(u'/')) {
        return QDir::cleanPath(path);
    }
    char folder[PATH_MAX];
    const QString working = ::getcwd(folder, sizeof folder) ? decodeFileName(folder) : QString();
    return QDir::cleanPath(working + u'/' + path);
}

bool pathExists(const QString& path, int* error) {
    struct stat status {};
    if (::stat(encodeFileName(path).constData(), &status) == 0) {
        return true;
    }
    if (error) {
        *error = errno;
    }
    return false;
}

} // namespace corvane::library
