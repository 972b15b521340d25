#include "print/TextPrinter.h"

#include <QFileDevice>

namespace corvane::print {

void TextPrinter::printLine(const QString& text, const text::CellStarts&) {
    write(text);
}

void TextPrinter::newPage() {
    write(QStringLiteral("\f"));
}

void TextPrinter::endDocument() {
    // A file device buffers; what could not be written must not pass for printed.
    if (auto* file = qobject_cast<QFileDevice*>(&out_); file != nullptr && !file->flush()) {
        throw PrintError("Cannot write the printout: " + file->errorString().toStdString());
    }
}

void TextPrinter::write(const QString& line) {
    const QByteArray bytes = (line + u'\n').toUtf8();
    if (out_.write(bytes) != bytes.size()) {
        throw PrintError("Cannot write the printout: " + out_.errorString().toStdString());
    }
}

} // namespace corvane::print
