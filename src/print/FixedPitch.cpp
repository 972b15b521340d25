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
                          cell * static_cast<qreal>(text::characterCount(text))) < cell / 100) {
        painter.drawText(origin, text);
        return;
    }
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    int column = 0;
    for (qsizetype end = graphemes.toNextBoundary(); end > 0;
         start = end, end = graphemes.toNextBoundary(), ++column) {
        const QString g = text.mid(start, end - start);
        const qreal width = metrics.horizontalAdvance(g);
        const QPointF at(origin.x() + cell * column, origin.y());
        if (width <= cell * 1.001) {
            painter.drawText(at, g);
        } else {
            painter.save();
            painter.translate(at);
            painter.scale(cell / width, 1.0);
            painter.drawText(QPointF(0.0, 0.0), g);
            painter.restore();
        }
    }
}

} // namespace corvane::print
