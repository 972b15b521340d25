#include "library/RegularFile.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
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
    return {static_cast<qint64>(status.st_size), modifiedNs(status)};
}

} // namespace

FileStamp fileStamp(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        return {};
    }
    return stampOf(status);
}

qint64 folderModifiedNs(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return -1;
    }
    return modifiedNs(status);
}

int openRegularFile(const QString& path, FileStamp* stamp) {
    // O_NONBLOCK: open() returns at once even on a FIFO; fstat then tells what was opened.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct stat status {};
    const FileStamp opened = ::fstat(fd, &status) == 0 ? stampOf(status) : FileStamp{};
    if (!opened.isRegularFile()) {
        ::close(fd);
        return -1;
    }
    // Regular files never block; reads go on in the ordinary blocking mode.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (stamp) {
        *stamp = opened;
    }
    return fd;
}

QString whyUnreadable(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    int error = 0;
    if (::stat(name.constData(), &status) != 0) {
        error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            return QStringLiteral("no such file");
        }
    } else if (S_ISDIR(status.st_mode)) {
        return QStringLiteral("a folder, not a file");
    } else if (!S_ISREG(status.st_mode)) {
        return QStringLiteral("not a regular file");
    } else if (const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); fd < 0) {
        error = errno;
    } else {
        ::close(fd);
        return QStringLiteral("cannot be read");
    }
    // "Permission denied" reads as "permission denied" after a colon.
    QString text = QString::fromStdString(std::generic_category().message(error));
    if (!text.isEmpty()) {
        text[0] = text[0].toLower();
    }
    return text;
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

} // namespace corvane::library
