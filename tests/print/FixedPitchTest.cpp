#include "print/FixedPitch.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using corvane::print::drawFixedPitch;

namespace {

// The leftmost and rightmost columns with ink after drawing `text` in Courier New, on the grid or
// as the font lays it out by itself.
std::pair<int, int> inkOf(const QString& text, bool onTheGrid = true) {
    QImage image(600, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("Courier New"));
    font.setPointSizeF(12);
    painter.setFont(font);
    painter.setPen(Qt::black);
    if (onTheGrid) {
        drawFixedPitch(painter, QFontMetricsF(font, &image), QPointF(4, 28), text);
    } else {
        painter.drawText(QPointF(4, 28), text);
    }
    painter.end();
    std::pair<int, int> ink{-1, -1};
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (qGray(image.pixel(x, y)) < 128) {
                ink = {ink.first < 0 ? x : ink.first, x};
                break;
            }
        }
    }
    return ink;
}

} // namespace

TEST(FixedPitch, EveryCharacterTakesItsColumnsWhateverItsScript) {
    // Five columns each, the bar in the fifth: the bars stand in one column. CJK and the emoji
    // take two, a combining accent none.
    const int latin = inkOf(QStringLiteral("abcd|")).second;
    ASSERT_GT(latin, 0);
    for (const QString& text : {QStringLiteral("\u6771ab|"), QStringLiteral("Cafe\u0301|"),
                                QStringLiteral("\U0001F3B8bc|"), QStringLiteral("\u6771\u4eac|")}) {
        EXPECT_NEAR(inkOf(text).second, latin, 1) << text.toStdString();
    }
    // A wide character keeps its natural width over its two cells.
    const auto natural = inkOf(QStringLiteral("\u6771"), false);
    const auto drawn = inkOf(QStringLiteral("\u6771"));
    EXPECT_NEAR(drawn.second - drawn.first, natural.second - natural.first, 1);
}
