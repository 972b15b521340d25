#include "print/FixedPitch.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using corvane::print::drawFixedPitch;

namespace {

// The rightmost column with ink after drawing `text` in Courier New.
int rightEdgeOf(const QString& text) {
    QImage image(600, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("Courier New"));
    font.setPointSizeF(12);
    painter.setFont(font);
    painter.setPen(Qt::black);
    drawFixedPitch(painter, QFontMetricsF(font, &image), QPointF(4, 28), text);
    painter.end();
    for (int x = image.width() - 1; x >= 0; --x) {
        for (int y = 0; y < image.height(); ++y) {
            if (qGray(image.pixel(x, y)) < 128) {
                return x;
            }
        }
    }
    return -1;
}

} // namespace

TEST(FixedPitch, EveryCharacterTakesOneCellWhateverItsScript) {
    // Five characters each, the bar in the fifth cell: the bars stand in one column.
    const int latin = rightEdgeOf(QStringLiteral("abcd|"));
    ASSERT_GT(latin, 0);
    EXPECT_NEAR(rightEdgeOf(QStringLiteral("\u6771\u4eacab|")), latin, 1);
    EXPECT_NEAR(rightEdgeOf(QStringLiteral("Cafe\u0301|").left(6)), latin, 1);
    EXPECT_NEAR(rightEdgeOf(QStringLiteral("\U0001F3B8bcd|")), latin, 1);
}
