#include "guide/Guide.h"

#include <gtest/gtest.h>

using corvane::guide::GuideLines;
using corvane::guide::WebAddress;

TEST(Guide, HasItsLinesWithOnePageBreakTypographyAndTrailingSpaces) {
    const QStringList& lines = GuideLines();
    ASSERT_EQ(lines.size(), 105);
    EXPECT_EQ(lines.count(QStringLiteral("\f")), 1);
    EXPECT_EQ(lines[44], QStringLiteral("\f"));
    for (const QString& line : lines) {
        EXPECT_LE(line.size(), 77) << line.toStdString();
    }
    EXPECT_EQ(lines[3], QString(77, u'-'));
    EXPECT_EQ(lines[47], QString(77, u'-'));
    EXPECT_EQ(lines[52], QString(17, u'-'));
    EXPECT_EQ(lines[4], QStringLiteral("                   WINDOWS MEDIA PLAYER CORVANE"));
    EXPECT_EQ(lines[48], QStringLiteral("                             USER'S GUIDE"));
    // Its typography and trailing spaces.
    for (int line : {15, 18, 21, 22}) {
        EXPECT_TRUE(lines[line - 1].contains(QChar(0x2019))) << line;
        EXPECT_FALSE(lines[line - 1].contains(u'\'')) << line;
    }
    for (int line : {40, 77, 85, 86, 89}) {
        EXPECT_TRUE(lines[line - 1].endsWith(u' ')) << line;
        EXPECT_FALSE(lines[line - 1].endsWith(QStringLiteral("  "))) << line;
    }
    EXPECT_EQ(lines[10],
              QStringLiteral(
                  "Can only be installed using the \"Setup(Quembly).exe\" file, as only this"));
    EXPECT_EQ(lines[42], QStringLiteral("For full info visit ") + WebAddress);
}
