#include "print/FixedPitch.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <memory>
#include <unicode/ubidi.h>
#include <unicode/uchar.h>

namespace corvane::print {
namespace {

// The colour emoji font that the package depends on.
const QString EmojiFace = QStringLiteral("Noto Color Emoji");

char32_t firstCodePoint(QStringView s) {
    if (s.size() > 1 && s[0].isHighSurrogate() && s[1].isLowSurrogate()) {
        return QChar::surrogateToUcs4(s[0], s[1]);
    }
    return s.isEmpty() ? 0 : s[0].unicode();
}

bool isEmoji(QStringView grapheme, int columns) {
    const auto c = static_cast<UChar32>(firstCodePoint(grapheme));
    return columns == 2 && (u_hasBinaryProperty(c, UCHAR_EMOJI_PRESENTATION) ||
                            u_hasBinaryProperty(c, UCHAR_REGIONAL_INDICATOR) ||
                            (u_hasBinaryProperty(c, UCHAR_EXTENDED_PICTOGRAPHIC) &&
                             grapheme.contains(QChar(0xFE0F))));
}

// Draws a shaped run from its left edge at `at` into `room` (in the painter's units): narrowed
// to fit where it is wider.
void drawRun(QPainter& painter, QPointF at, qreal room, const QString& run,
             Qt::LayoutDirection direction) {
    QTextLayout layout(run, painter.font(), painter.device());
    QTextOption option;
    option.setTextDirection(direction);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    if (!line.isValid()) {
        return;
    }
    const qreal width = line.naturalTextWidth();
    // QTextLayout draws lines from their top: put the run on the grid's baseline.
    const QPointF top(0.0, -line.ascent());
    painter.save();
    painter.translate(at);
    if (width > room * 1.001 && width > 0) {
        painter.scale(room / width, 1.0);
    }
    layout.draw(&painter, top);
    painter.restore();
}

// An emoji, drawn from the colour emoji font as a picture over its two cells: colour glyphs are
// bitmaps, which a PDF or a printer takes only as a picture.
void drawEmoji(QPainter& painter, const QFontMetricsF& metrics, QPointF at, qreal room,
               const QString& emoji) {
    const qreal height = metrics.ascent() + metrics.descent();
    // Enough pixels for a printer's resolution at the size it will be drawn.
    const QTransform& t = painter.deviceTransform();
    const qreal scale = std::max({std::abs(t.m11()), std::abs(t.m22()), 1.0}) * 2.0;
    const QSize pixels(std::max(1, qRound(room * scale)), std::max(1, qRound(height * scale)));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        QFont font(EmojiFace);
        font.setPixelSize(std::max(1, qRound(pixels.height() * 0.8)));
        p.setFont(font);
        p.drawText(QRectF(QPointF(0, 0), QSizeF(pixels)), Qt::AlignCenter, emoji);
    }
    painter.drawImage(QRectF(at.x(), at.y() - metrics.ascent(), room, height), image);
}

// Draws a run that needs no reordering, each character on its own cells.
void drawOnTheGrid(QPainter& painter, const QFontMetricsF& metrics, QPointF origin,
                   const QString& text) {
    const qreal cell = metrics.horizontalAdvance(u' ');
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    int column = 0;
    for (qsizetype end = graphemes.toNextBoundary(); end > 0;
         start = end, end = graphemes.toNextBoundary()) {
        const QString g = text.mid(start, end - start);
        const int columns = text::characterColumns(g);
        const qreal room = cell * std::max(columns, 1);
        QPointF at(origin.x() + cell * column, origin.y());
        column += columns;
        if (columns == 0 && QChar::category(firstCodePoint(g)) == QChar::Other_Format) {
            continue; // a zero-width space or joiner: nothing to see, and no box for it
        }
        if (isEmoji(g, columns)) {
            drawEmoji(painter, metrics, at, room, g);
            continue;
        }
        const qreal width = metrics.horizontalAdvance(g);
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

// Draws one cell (or a line that is one run) as an isolated run with a left-to-right base
// direction, each of its right-to-left runs shaped inside its own columns.
void drawIsolated(QPainter& painter, const QFontMetricsF& metrics, QPointF origin,
                  const QString& text) {
    if (!text::needsBidi(text)) {
        drawOnTheGrid(painter, metrics, origin, text);
        return;
    }
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UBiDi, void (*)(UBiDi*)> bidi(ubidi_open(), ubidi_close);
    ubidi_setPara(bidi.get(), reinterpret_cast<const UChar*>(text.utf16()),
                  static_cast<int32_t>(text.size()), UBIDI_LTR, nullptr, &status);
    const int32_t runs = U_SUCCESS(status) ? ubidi_countRuns(bidi.get(), &status) : 0;
    if (U_FAILURE(status)) {
        drawOnTheGrid(painter, metrics, origin, text);
        return;
    }
    const qreal cell = metrics.horizontalAdvance(u' ');
    qsizetype column = 0;
    for (int32_t i = 0; i < runs; ++i) {
        int32_t start = 0;
        int32_t length = 0;
        const UBiDiDirection direction = ubidi_getVisualRun(bidi.get(), i, &start, &length);
        const QString run = text.mid(start, length);
        const qsizetype columns = text::columnCount(run);
        const QPointF at(origin.x() + cell * static_cast<qreal>(column), origin.y());
        if (direction == UBIDI_RTL) {
            drawRun(painter, at, cell * static_cast<qreal>(columns), run, Qt::RightToLeft);
        } else {
            drawOnTheGrid(painter, metrics, at, run);
        }
        column += columns;
    }
}

} // namespace

void drawFixedPitch(QPainter& painter, const QFontMetricsF& metrics, QPointF origin,
                    const QString& text, const text::CellStarts& cells) {
    const qreal cell = metrics.horizontalAdvance(u' ');
    const bool latin =
        std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x0300; });
    if (latin || (!text::needsBidi(text) &&
                  std::abs(metrics.horizontalAdvance(text) -
                           cell * static_cast<qreal>(text::columnCount(text))) < cell / 100)) {
        painter.drawText(origin, text);
        return;
    }
    if (cells.empty() || !text::needsBidi(text)) {
        drawIsolated(painter, metrics, origin, text);
        return;
    }
    qsizetype start = 0;
    qsizetype column = 0;
    const auto drawCell = [&](qsizetype end) {
        if (end <= start) {
            return;
        }
        const QString part = text.mid(start, end - start);
        drawIsolated(painter, metrics,
                     QPointF(origin.x() + cell * static_cast<qreal>(column), origin.y()), part);
        column += text::columnCount(part);
        start = end;
    };
    for (const qsizetype next : cells) {
        drawCell(std::clamp<qsizetype>(next, 0, text.size()));
    }
    drawCell(text.size());
}

} // namespace corvane::print
