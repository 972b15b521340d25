#pragma once

#include <QString>
#include <QStringList>
#include <ostream>

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
#include <linux/capability.h>
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
