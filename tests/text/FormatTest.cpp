#include "text/Format.h"

#include <gtest/gtest.h>

using namespace corvane::text;

TEST(Format, NumbersRightAlignedInTheirPlaces) {
    EXPECT_EQ(formatNumber(12, u"@@@@   "), QStringLiteral("  12   "));
    EXPECT_EQ(formatNumber(1, u"@@@@@  "), QStringLiteral("    1  "));
    EXPECT_EQ(formatNumber(2, u"@@@:"), QStringLiteral("  2:"));
    EXPECT_EQ(formatNumber(5, u"00:"), QStringLiteral("05:"));
    EXPECT_EQ(formatNumber(9, u"00"), QStringLiteral("09"));
    EXPECT_EQ(formatNumber(59, u"00"), QStringLiteral("59"));
    EXPECT_EQ(formatNumber(7, u"@@@@ "), QStringLiteral("   7 "));
}

TEST(Format, NumbersAreNeverCutAndKeepOneSpace) {
    // Uses the trailing spaces but one, then pushes the rest of the line right.
    EXPECT_EQ(formatNumber(12345, u"@@@@   "), QStringLiteral("12345  "));
    EXPECT_EQ(formatNumber(1234567, u"@@@@   "), QStringLiteral("1234567 "));
    EXPECT_EQ(formatNumber(123456, u"@@@@@  "), QStringLiteral("123456 "));
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
    // An 11-character genre in the label's 10 places keeps one space: cut.
    EXPECT_EQ(formatText(u"Alternative", u"!@@@@@@@@@@ "), QStringLiteral("Alternativ "));
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
    EXPECT_EQ(formatClock(u"03:45", u"h:nn "), QStringLiteral("3:45 "));
    // Pushed, never cut, and one space kept.
    EXPECT_EQ(formatClock(u"12:07", u"h:nn "), QStringLiteral("12:07 "));
    EXPECT_EQ(formatClock(u"100:00", u"h:nn  "), QStringLiteral("100:00 "));
    // Not a clock time: shown as it stands.
    EXPECT_EQ(formatClock(u"1:2:3", u"h:nn "), QStringLiteral("1:2:3 "));
    EXPECT_EQ(formatClock(u"ab:cd", u"h:nn  "), QStringLiteral("ab:cd "));
}

TEST(Format, CharactersAreCountedNotBytesOrCodeUnits) {
    // Precomposed and decomposed accents, CJK and an emoji (a surrogate pair) are one each.
    EXPECT_EQ(characterCount(u"Beyonc\u00e9"), 7);
    EXPECT_EQ(characterCount(u"Beyonce\u0301"), 7);
    EXPECT_EQ(characterCount(u"\u6771\u4eac"), 2);
    EXPECT_EQ(characterCount(u"a\U0001F3B8b"), 3);

    EXPECT_EQ(firstCharacters(u"\U0001F3B8\U0001F3B8\U0001F3B8", 2),
              QStringLiteral("\U0001F3B8\U0001F3B8"));
    EXPECT_EQ(firstCharacters(u"Cafe\u0301 Noir", 4), QStringLiteral("Cafe\u0301"));
    EXPECT_EQ(firstCharacters(u"short", 29), QStringLiteral("short"));

    // Accented titles pad to the same column as plain ones.
    const QString plain = formatText(u"Cafe", u"!@@@@@@ ");
    const QString accented = formatText(u"Cafe\u0301", u"!@@@@@@ ");
    EXPECT_EQ(characterCount(plain), characterCount(accented));
    EXPECT_EQ(characterCount(formatText(u"\U0001F3B8\U0001F3B8\U0001F3B8\U0001F3B8", u"!@@ ")), 3);
}
