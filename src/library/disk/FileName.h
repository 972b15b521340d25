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

// A name or path as shown: control characters, line breaks and bytes that were no UTF-8 become
// U+FFFD, so that it stays on one line and shows what could not be told.
QString shownName(QString name);

} // namespace corvane::library
