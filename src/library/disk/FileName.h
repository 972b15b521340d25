#pragma once

#include <QByteArray>
#include <QString>

// File names are bytes. Qt decodes them as UTF-8 and replaces what is not, so a name that is no
// UTF-8 (copied from an old disk, written in Latin-1) could be neither listed nor opened again.
// These keep every byte: a byte that is not part of valid UTF-8 becomes the lone surrogate
// U+DC80-U+DCFF and turns back into the same byte, so names round-trip through QString.
namespace corvane::library {

QString decodeFileName(QByteArrayView bytes);
QByteArray encodeFileName(QStringView name);

// Characters that would break a shown line in two, reach a terminal as a command, or turn the
// text after them around (a right-to-left override, hiding what a name says): control
// characters, line and paragraph separators, and the bidirectional embeddings, overrides and
// isolates.
inline bool isUnshowable(QChar c) {
    const char16_t u = c.unicode();
    if ((u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069)) {
        return true;
    }
    const QChar::Category category = c.category();
    return category == QChar::Other_Control || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
}

// A name or path as shown: unshowable characters and bytes that were no UTF-8 become U+FFFD, so
// that it stays on one line and shows what could not be told; past MaxShownName characters it
// ends in an ellipsis.
QString shownName(QString name);
inline constexpr qsizetype MaxShownName = 1000;

} // namespace corvane::library
