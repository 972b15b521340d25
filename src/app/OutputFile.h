#pragma once

#include "print/Printer.h"

#include <QFileDevice>
#include <QString>
#include <functional>
#include <memory>

// The file that --pdf FILE and --print-text FILE print to. A regular file is written beside its
// target and renamed into place only when all of it is written, so that a failure, a crash or a
// kill leaves the earlier file as it was and nothing beside it; a device or a FIFO
// (/dev/stdout) cannot be renamed onto and is written in place.
namespace corvane::app {

class OutputFile {
public:
    // A printer that draws pages onto the open file (print::makePdfPrinter), which `name` is.
    using PagePrinter =
        std::function<std::unique_ptr<print::Printer>(QIODevice& file, const QString& name)>;

    // A text file, or with `pages` a PDF. Nothing is opened yet. Without finish(), or when it
    // fails, the new file is thrown away.
    explicit OutputFile(QString path, PagePrinter pages = {});
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // A printer on the file, which it opens. Throws print::PrintError when it cannot be written.
    std::unique_ptr<print::Printer> makePrinter();
    // When the printout is `whole`, puts the file in place (an empty document when nothing was
    // printed); else throws it away. The file's error in one line, empty when there is none.
    QString finish(bool whole);

private:
    QFileDevice& open();

    QString path_;
    PagePrinter pages_;
    std::unique_ptr<QFileDevice> file_;
};

// Flushes standard output (or any file device); the error in one line, empty when all of it was
// written.
QString flushOutput(QFileDevice& out, const QString& name);

} // namespace corvane::app
