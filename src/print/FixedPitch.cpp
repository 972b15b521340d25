#include "print/FixedPitch.h"

#include "text/Format.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <cmath>

namespace corvane::print {

void drawFixedPitch(QPainter& painter, const QFontMetricsF& metrics, QPointF origin,
                    const QString& text) {
    const qreal cell = metrics.horizontalAdvance(u' ');
    const bool latin =
        std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x0300; });
    if (latin || std::abs(metrics.horizontalAdvance(text) -
                          cell * static_cast<qreal>(text::columnCount(text))) < cell / 100) {
        painter.drawText(origin, text);
        return;
    }
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    int column = 0;
    for (qsizetype end = graphemes.toNextBoundary(); end > 0;
         start = end, end = graphemes.toNextBoundary()) {
        const QString g = text.mid(start, end - start);
        const int columns = text::characterColumns(g);
        const qreal room = cell * std::max(columns, 1);
        const qreal width = metrics.horizontalAdvance(g);
        QPointF at(origin.x() + cell * column, origin.y());
        column += columns;
        if (width <= room * 1.001) {
            // A wide character keeps its natural width, in the middle of its two cells.
            if (columns > 1) {
                at.rx() += (room - width) / 2;
            }
            painter.drawText(at, g);
        } else {
            painter.save();
            painter.translate(at);
            painter.scale(room / width, 1.0);
            painter.drawText(QPointF(0.0, 0.0), g);
            painter.restore();
        }
    }
}

} // namespace corvane::print
