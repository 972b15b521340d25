#pragma once

#include "text/Format.h"

#include <QPointF>
#include <QString>

class QFontMetricsF;
class QPainter;

namespace corvane::print {

// Draws `text` with its baseline starting at `origin` on the fixed-pitch font's grid of cells,
// each character in as many cells as it takes columns (text::characterColumns), so that columns
// and frame dots line up whatever the script.
//
// Each cell of the line (`cells`; none: the whole line is one) is laid out on its own, as an
// isolated run with a left-to-right base direction: a right-to-left text reads right to left
// inside its cell's columns and is shaped there (Arabic letters joined), and never moves into
// another cell. Characters the face lacks come from fallback faces of other widths: a wide one
// (CJK) is drawn at its natural width over its two cells, and one wider than its cells is
// narrowed to fit. Emoji come from the colour emoji font over their two cells; zero-width
// characters draw nothing.
void drawFixedPitch(QPainter& painter, const QFontMetricsF& metrics, QPointF origin,
                    const QString& text, const text::CellStarts& cells = {});

} // namespace corvane::print
