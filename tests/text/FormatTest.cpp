#include "text/Format.h"

#include <gtest/gtest.h>

using namespace corvane::text;

TEST(Format, NumbersRightAlignedInTheirPlaces) {
    EXPECT_EQ(formatNumber(12, u"@@@@   "), QStringLiteral("  12   "));
    EXPECT_EQ(formatNumber(1, u"@@@@@  "), QStringLiteral("    1  "));
    EXPECT_EQ(formatNumber(2, u"@@@:"), QStringLiteral("  2:"));
    EXPECT_EQ(formatNumber(5, u"00:"), QStringLiteral("05:"));
    EXPECT_EQ(formatNumber(59, u"00"), QStringLiteral("59"));
    EXPECT_EQ(formatNumber(7, u"@@@@ "), QStringLiteral("   7 "));
}

TEST(Format, NumbersAreNeverCutAndKeepOneSpace) {
    // Uses the trailing spaces but one, then pushes the rest of the line right.
    EXPECT_EQ(formatNumber(12345, u"@@@@   "), QStringLiteral("12345  "));
    EXPECT_EQ(formatNumber(1234567, u"@@@@   "), QStringLiteral("1234567 "));
    EXPECT_EQ(formatNumber(10000, u"@@@@ "), QStringLiteral("10000 "));
    EXPECT_EQ(formatNumber(1234, u"@@@:"), QStringLiteral("1234:"));
    EXPECT_EQ(formatNumber(123, u"00"), QStringLiteral("123"));
}

TEST(Format, TextsLeftAlignedPaddedAndCut) {
    EXPECT_EQ(formatText(u"Rock", u"!@@@@@@@@@@@ "), QStringLiteral("Rock") + QString(8, u' '));
    EXPECT_EQ(formatText(u"", u"!@@@@  "), QString(6, u' '));
    EXPECT_EQ(formatText(u"abc", u"@@@@@"), QStringLiteral("  abc"));
    // "----" in three places borrows one of two trailing spaces.
    EXPECT_EQ(formatText(u"----", u"!@@@  "), QStringLiteral("---- "));
    EXPECT_EQ(formatText(u"webm-audio", u"!@@@  "), QStringLiteral("webm "));
    // Leading and trailing spaces of a value are kept.
    EXPECT_EQ(formatText(u" a ", u"!@@@@@ "), QStringLiteral(" a ") + QString(3, u' '));
}

TEST(Format, ClockTimesShowMinutesWithoutLeadingZero) {
    EXPECT_EQ(formatClock(u"03:45", u"h:nn  "), QStringLiteral("3:45  "));
    EXPECT_EQ(formatClock(u"00:45", u"h:nn  "), QStringLiteral("0:45  "));
    EXPECT_EQ(formatClock(u"12:07", u"h:nn  "), QStringLiteral("12:07 "));
    EXPECT_EQ(formatClock(u"75:00", u"h:nn  "), QStringLiteral("75:00 "));
    EXPECT_EQ(formatClock(u"----", u"h:nn  "), QStringLiteral("----  "));
    // Pushed, never cut, and one space kept.
    EXPECT_EQ(formatClock(u"12:07", u"h:nn "), QStringLiteral("12:07 "));
    EXPECT_EQ(formatClock(u"100:00", u"h:nn  "), QStringLiteral("100:00 "));
    // Not a clock time: shown as it stands.
    EXPECT_EQ(formatClock(u"1:2:3", u"h:nn "), QStringLiteral("1:2:3 "));
    EXPECT_EQ(formatClock(u"ab:cd", u"h:nn  "), QStringLiteral("ab:cd "));
    // Minutes or seconds too large to read are no time either.
    EXPECT_EQ(formatClock(u"99999999999999999999:00", u"h:nn "), "99999999999999999999:00 ");
    EXPECT_EQ(formatClock(u"9223372036854775807:5", u"h:nn "), "9223372036854775807:05 ");
    EXPECT_EQ(formatClock(u"1:2147483648", u"h:nn "), "1:2147483648 ");
}

TEST(Format, TextTakesDisplayColumns) {
    // A character is a grapheme cluster, never a byte or code unit: an accent composed or not,
    // an emoji (a surrogate pair). East Asian Wide and Fullwidth ones take two columns, and so do
    // emoji shown as such (a pictograph with U+FE0F, a flag); lone combining marks and invisible
    // format characters (zero-width space, joiners, word joiner, BOM) none.
    const std::pair<const char16_t*, qsizetype> counts[] = {
        {u"Beyonc\u00e9", 7},
        {u"Beyonce\u0301", 7},
        {u"\u6771\u4eac", 4},
        {u"a\U0001F3B8b", 4},
        {u"\uFF21\uFF71", 3},
        {u"\ud55c\uad6d", 4},
        {u"\u0301x", 1},
        {u"\u00AD\u03A9", 2},
        {u"\u2764\uFE0F", 2},
        {u"\u2764", 1},
        {u"\U0001F1E9\U0001F1EA", 2},
        {u"\U0001F468\u200D\U0001F469", 2},
        {u"a\u200B\u200C\u200D\uFEFF\u2060b", 2},
        {u"\u05E9\u05DC\u05D5\u05DD", 4},
        {u"\u0644\u0627", 2},
    };
    for (const auto& [text, columns] : counts) {
        EXPECT_EQ(columnCount(text), columns) << QString::fromUtf16(text).toStdString();
    }
    // A cut keeps whole characters; a wide one that would straddle the last column stays out.
    EXPECT_EQ(firstColumns(u"\u6771\u4eac\u90fd", 5), QStringLiteral("\u6771\u4eac"));
    EXPECT_EQ(firstColumns(u"Cafe\u0301 Noir", 4), QStringLiteral("Cafe\u0301"));
    EXPECT_EQ(firstCharacters(QStringLiteral("\U0001F3B8\U0001F3B8\U0001F3B8"), 2),
              QStringLiteral("\U0001F3B8\U0001F3B8"));
    EXPECT_EQ(firstCharacters(QStringLiteral("Cafe\u0301 Noir"), 4), QStringLiteral("Cafe\u0301"));
    EXPECT_EQ(firstCharacters(QStringLiteral("short"), 29), QStringLiteral("short"));

    // Whatever the script, a cell takes its pattern's columns; the place of a wide character
    // that did not fit is padded.
    for (const char16_t* value :
         {u"Cafe", u"Cafe\u0301", u"\U0001F3B8\U0001F3B8\U0001F3B8\U0001F3B8",
          u"\u65e5\u672c\u8a9e\u306e\u6b4c", u"a\u65e5\u672c\u8a9e"}) {
        EXPECT_EQ(columnCount(formatText(value, u"!@@@@@@ ")), 7);
        EXPECT_EQ(columnCount(formatText(value, u"!@@@@@ ")), 6);
    }
    EXPECT_EQ(formatText(u"\u65e5\u672c\u8a9e", u"!@@@@@ "), QStringLiteral("\u65e5\u672c  "));
    EXPECT_EQ(padRight(QStringLiteral("\u65e5\u672c"), 6), QStringLiteral("\u65e5\u672c  "));
}

TEST(Format, RightToLeftTextNeedsItsOwnLayout) {
    for (const char16_t* text : {u"\u05E9\u05DC\u05D5\u05DD", u"Mix \u0641\u064A\u0631\u0648\u0632",
                                 u"a\u202Eb", u"\u0661\u0662", u"x\u2067y\u2069"}) {
        EXPECT_TRUE(needsBidi(text)) << QString::fromUtf16(text).toStdString();
    }
    for (const char16_t* text : {u"Caf\u00e9 del Mar", u"\u6771\u4eac \U0001F3B8", u"",
                                 u"\u0395\u03bb\u03bb\u03ac\u03b4\u03b1"}) {
        EXPECT_FALSE(needsBidi(text)) << QString::fromUtf16(text).toStdString();
    }
    // Each value laid out by a pattern begins a cell of the line.
    Line line;
    line.appendRepeated(2);
    appendNumber(line, 7, Pattern(u"@@@@ "));
    appendText(line, u"\u05E9\u05DC\u05D5\u05DD", Pattern(u"!@@@@@@ "));
    appendClock(line, u"03:45", Pattern(u"h:nn "));
    EXPECT_EQ(line.cellStarts(), (CellStarts{2, 7, 14}));
    line.clear();
    EXPECT_TRUE(line.cellStarts().empty());
}
