#include "app/OutputFile.h"

#include "print/TextPrinter.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace corvane::app {
namespace {

QString cannotWrite(const QString& name, const QString& why) {
    return QStringLiteral("cannot write %1: %2").arg(name, why);
}

} // namespace

OutputFile::OutputFile(QString path, PagePrinter pages)
    : path_(std::move(path))
    , pages_(std::move(pages)) {}

QFileDevice& OutputFile::open() {
    if (file_) {
        return *file_;
    }
    const QFileInfo target(path_);
    if (target.exists() && !target.isFile() && !target.isDir()) {
        file_ = std::make_unique<QFile>(path_);
    } else {
        file_ = std::make_unique<QSaveFile>(path_);
    }
    if (!file_->open(QIODevice::WriteOnly)) {
        const QString why = file_->errorString();
        file_.reset();
        throw print::PrintError(cannotWrite(path_, why).toStdString());
    }
    return *file_;
}

std::unique_ptr<print::Printer> OutputFile::makePrinter() {
    QFileDevice& file = open();
    if (pages_) {
        return pages_(file, path_);
    }
    return std::make_unique<print::TextPrinter>(file);
}

QString OutputFile::finish(bool whole) {
    if (!whole) {
        // A full disk shows in the file, and says more than the failed printout it caused.
        QString problem;
        if (file_ && file_->error() != QFileDevice::NoError) {
            problem = cannotWrite(path_, file_->errorString());
        }
        file_.reset();
        return problem;
    }
    try {
        if (!file_ && pages_) {
            // Nothing was printed: one empty page, so that the file tells so.
            const std::unique_ptr<print::Printer> printer = makePrinter();
            printer->printLine();
            printer->endDocument();
        }
        open();
    } catch (const print::PrintError& e) {
        return QString::fromStdString(e.what());
    }
    const QString problem = flushOutput(*file_, path_);
    auto* save = qobject_cast<QSaveFile*>(file_.get());
    if (save == nullptr) {
        file_->close();
        return problem;
    }
    if (!problem.isEmpty()) {
        // commit() alone would rename a file whose last bytes found the disk full.
        save->cancelWriting();
        save->commit();
        return problem;
    }
    return save->commit() ? QString() : cannotWrite(path_, save->errorString());
}

QString flushOutput(QFileDevice& out, const QString& name) {
    // An earlier write that failed leaves its error; the last buffered bytes fail only here.
    if (out.error() != QFileDevice::NoError || !out.flush()) {
        return cannotWrite(name, out.errorString());
    }
    return {};
}

} // namespace corvane::app
