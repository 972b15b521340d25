#include "guide/Guide.h"

#include <QRegularExpression>
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
    EXPECT_EQ(lines[4], QStringLiteral("                   CORVANE FOR LINUX MUSIC PLAYERS"));
    EXPECT_EQ(lines[48], QStringLiteral("                             USER'S GUIDE"));
    // Its typography and trailing spaces.
    for (int line : {15, 20, 21, 22, 23, 41}) {
        EXPECT_TRUE(lines[line - 1].contains(QChar(0x2019))) << line;
        EXPECT_FALSE(lines[line - 1].contains(u'\'')) << line;
    }
    for (int line : {40, 77, 85, 86, 89}) {
        EXPECT_TRUE(lines[line - 1].endsWith(u' ')) << line;
        EXPECT_FALSE(lines[line - 1].endsWith(QStringLiteral("  "))) << line;
    }
    EXPECT_EQ(lines[42], QStringLiteral("For full info visit ") + WebAddress);
}

// What the guide says of installing, the sources, the system and the paper is true here, and
// nothing names another platform's installer, player or paper.
TEST(Guide, SaysWhatIsTrueOnLinux) {
    const QStringList& lines = GuideLines();
    const QRegularExpression otherPlatform(
        QStringLiteral("Windows|WMP|Microsoft|XP/|\\.exe|letter size|sales link"));
    for (const QString& line : lines) {
        EXPECT_FALSE(line.contains(otherPlatform)) << line.toStdString();
    }
    const std::pair<int, const char*> said[] = {
        {11, "Install the Debian package"},
        {12, "from source with CMake"},
        {14, "playlist files"},
        {15, "players’ stores"},
        {16, "MPD server"},
        {25, "Debian 12"},
        {57, "the paper the printer is set to"},
    };
    for (const auto& [line, text] : said) {
        EXPECT_TRUE(lines[line - 1].contains(QString::fromUtf8(text))) << line;
    }
}
