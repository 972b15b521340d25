#pragma once

#include <QPointF>
#include <QString>

class QFontMetricsF;
class QPainter;

namespace corvane::print {

// Draws `text` with its baseline starting at `origin` on the fixed-pitch font's grid of cells,
// each character in as many cells as it takes columns (text::characterColumns), so that columns
// and frame dots line up whatever the script. Characters the face lacks come from fallback faces
// of other widths: a wide one (CJK) is drawn at its natural width over its two cells, and one
// wider than its cells is narrowed to fit.
void drawFixedPitch(QPainter& painter, const QFontMetricsF& metrics, QPointF origin,
                    const QString& text);

} // namespace corvane::print
