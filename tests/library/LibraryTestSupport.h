#pragma once

#include "library/MediaLibrary.h"
#include "library/disk/FileName.h"

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <ostream>
#include <type_traits>

// Failures show texts as text.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << "{\n";
    for (const QString& s : list) {
        *os << "  \"" << s.toStdString() << "\"\n";
    }
    *os << '}';
}

#include <cstring>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

// While it lives, this thread reads files as a user does: root's permission to read anything
// (which CI runs under) is dropped, so that a file or folder without read permission is one.
class WithoutReadingEverything {
public:
    WithoutReadingEverything() {
        ::syscall(SYS_capget, &header_, saved_);
        __user_cap_data_struct reduced[2];
        std::memcpy(reduced, saved_, sizeof reduced);
        reduced[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH));
        ::syscall(SYS_capset, &header_, reduced);
    }
    ~WithoutReadingEverything() { ::syscall(SYS_capset, &header_, saved_); }
    WithoutReadingEverything(const WithoutReadingEverything&) = delete;
    WithoutReadingEverything& operator=(const WithoutReadingEverything&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
};

namespace corvane::library {

// Writes `bytes` to the file at `path`, making its folders. Names keep every byte (see FileName.h),
// so the file is made with the system's own calls.
inline bool writeRawFile(const QString& path, const QByteArray& bytes) {
    const QByteArray name = encodeFileName(path);
    for (qsizetype slash = name.indexOf('/', 1); slash > 0; slash = name.indexOf('/', slash + 1)) {
        ::mkdir(name.first(slash).constData(), 0755);
    }
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool written = fd >= 0 && ::write(fd, bytes.constData(), bytes.size()) == bytes.size();
    if (fd >= 0) {
        ::close(fd);
    }
    return written;
}

// The names of the playlists, in order.
inline QStringList names(const PlaylistArray& playlists) {
    QStringList result;
    for (int i = 0; i < playlists.count(); ++i) {
        result.push_back(playlists.item(i)->name());
    }
    return result;
}

// A library's playlist collection: the library itself, or its player's.
template <class Library> const PlaylistCollection& collectionOf(const Library& library) {
    if constexpr (std::is_base_of_v<PlaylistCollection, Library>) {
        return library;
    } else {
        return *library.playlistCollection();
    }
}

template <class Library> QStringList names(const Library& library) {
    return names(collectionOf(library).getAll());
}

// One listing of the (first) playlist named `name` as the views make it: every call the song
// table and the total time make, a song a line "name|mm:ss|rating|artist|genre|year|album|type|
// seconds", each made as soon as the playlist knows its song. A song whose calls fail is its name
// and "!" with why the first call failed.
template <class Library> QStringList listing(const Library& library, const QString& name) {
    QStringList lines;
    const PlaylistArray found = collectionOf(library).getByName(name);
    const auto playlist = found.count() > 0 ? found.item(0) : nullptr;
    if (!playlist) {
        return lines;
    }
    int listed = 0;
    playlist->whenKnown([&](int known) {
        EXPECT_GE(known, listed);
        for (; listed < known; ++listed) {
            const auto song = playlist->item(listed);
            try {
                QStringList cells{song->name(), song->durationString()};
                for (const QString& attribute :
                     {attribute::UserRating, attribute::Artist, attribute::Genre, attribute::Year,
                      attribute::Album, attribute::FileType, attribute::Duration}) {
                    cells.push_back(song->getItemInfo(attribute));
                }
                lines.push_back(cells.join(u'|'));
            } catch (const LibraryError& e) {
                lines.push_back(song->name() + "|!" + QString::fromUtf8(e.what()));
            }
        }
    });
    EXPECT_EQ(listed, playlist->count());
    return lines;
}

// The titles of the songs of the playlist `name`, in order.
template <class Library> QStringList titles(const Library& library, const QString& name) {
    QStringList shown;
    for (const QString& line : listing(library, name)) {
        shown.push_back(line.section(u'|', 0, 0));
    }
    return shown;
}

} // namespace corvane::library

// Sets an environment variable for one test and puts the old value back.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QByteArray& value)
        : name_(name)
        , had_(qEnvironmentVariableIsSet(name))
        , old_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedVariable() {
        if (had_) {
            qputenv(name_, old_);
        } else {
            qunsetenv(name_);
        }
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};
