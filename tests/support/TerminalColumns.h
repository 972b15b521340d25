#pragma once

#include <QString>
#include <clocale>
#include <cwchar>
#include <gtest/gtest.h>
#include <locale.h>

// The columns a terminal gives a line, by the C library's own character widths (wcswidth in a
// UTF-8 locale): a measure that owes nothing to the code under test.
namespace corvane::terminal {

inline int columns(const QString& line) {
    const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (utf8 == static_cast<locale_t>(nullptr)) {
        ADD_FAILURE() << "no C.UTF-8 locale to measure columns with";
        return -1;
    }
    const locale_t before = uselocale(utf8);
    const std::wstring wide = line.toStdWString();
    const int columns = wcswidth(wide.c_str(), wide.size());
    uselocale(before);
    freelocale(utf8);
    return columns;
}

} // namespace corvane::terminal
