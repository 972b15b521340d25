#include "print/RecordingPrinter.h"

namespace corvane::print {

void RecordingPrinter::setFontName(const QString& face) {
    operations_.append(QStringLiteral("font ") + face);
}

void RecordingPrinter::setBold(bool bold) {
    operations_.append(QStringLiteral("bold %1").arg(bold ? 1 : 0));
}

void RecordingPrinter::setFontSize(float points) {
    operations_.append(QStringLiteral("size %1").arg(points));
}

void RecordingPrinter::printLine(const QString& text, const text::CellStarts& cells) {
    operations_.append(text.isEmpty() ? QStringLiteral("line") : QStringLiteral("line ") + text);
    if (!cells.empty()) {
        cells_.append({lines_, cells});
    }
    ++lines_;
}

void RecordingPrinter::setLabelFrame(int columns, int rows) {
    operations_.append(QStringLiteral("frame %1x%2").arg(columns).arg(rows));
}

void RecordingPrinter::newPage() {
    operations_.append(QStringLiteral("page"));
}

void RecordingPrinter::endDocument() {
    operations_.append(QStringLiteral("end"));
}

QString RecordingPrinter::outcome() const {
    if (!operations_.endsWith(QStringLiteral("end"))) {
        return {};
    }
    const auto n = pages().size();
    return n == 1 ? QStringLiteral("Recorded 1 page") : QStringLiteral("Recorded %1 pages").arg(n);
}

QList<QStringList> RecordingPrinter::pages() const {
    QList<QStringList> pages;
    for (const QString& op : operations_) {
        if (pages.isEmpty() || op == QStringLiteral("page")) {
            pages.append(QStringList());
        }
        if (op == QStringLiteral("line")) {
            pages.back().append(QString());
        } else if (op.startsWith(QStringLiteral("line "))) {
            pages.back().append(op.mid(5));
        }
    }
    return pages;
}

} // namespace corvane::print
