#pragma once

#include <QPointF>
#include <QString>

class QFontMetricsF;
class QPainter;

namespace corvane::print {

// Draws `text` with its baseline starting at `origin`, one character to each cell of the
// fixed-pitch font's width, so that columns and frame dots line up whatever the script.
// Characters the face lacks come from fallback faces of other widths (CJK is about twice as
// wide); each is put in its own cell and narrowed to fit where wider.
void drawFixedPitch(QPainter& painter, const QFontMetricsF& metrics, QPointF origin,
                    const QString& text);

} // namespace corvane::print
