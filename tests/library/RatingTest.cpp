#include "library/Rating.h"

#include "LibraryTestSupport.h"

#include <gtest/gtest.h>

using namespace corvane::library;

TEST(Rating, PopularimeterBytesAtTheirStarBoundaries) {
    EXPECT_EQ(ratingFromPopularimeter(0), 0);
    // The bytes Windows Media Player writes.
    EXPECT_EQ(ratingFromPopularimeter(1), 1);
    EXPECT_EQ(ratingFromPopularimeter(64), 25);
    EXPECT_EQ(ratingFromPopularimeter(128), 50);
    EXPECT_EQ(ratingFromPopularimeter(196), 75);
    EXPECT_EQ(ratingFromPopularimeter(255), 99);
    // Other players' bytes, at each edge of a star's range.
    EXPECT_EQ(ratingFromPopularimeter(31), 1);
    EXPECT_EQ(ratingFromPopularimeter(32), 25);
    EXPECT_EQ(ratingFromPopularimeter(95), 25);
    EXPECT_EQ(ratingFromPopularimeter(96), 50);
    EXPECT_EQ(ratingFromPopularimeter(159), 50);
    EXPECT_EQ(ratingFromPopularimeter(160), 75);
    EXPECT_EQ(ratingFromPopularimeter(223), 75);
    EXPECT_EQ(ratingFromPopularimeter(224), 99);
    EXPECT_EQ(ratingFromPopularimeter(-1), 0);
    EXPECT_EQ(ratingFromPopularimeter(256), 0);
}

TEST(Rating, FractionsAndPercentagesAtTheirStarBoundaries) {
    EXPECT_EQ(ratingFromFraction(0.0), 0);
    EXPECT_EQ(ratingFromFraction(0.1), 1);
    EXPECT_EQ(ratingFromFraction(0.2), 1);
    EXPECT_EQ(ratingFromFraction(0.21), 25);
    EXPECT_EQ(ratingFromFraction(0.4), 25);
    EXPECT_EQ(ratingFromFraction(0.6), 50);
    EXPECT_EQ(ratingFromFraction(0.8), 75);
    EXPECT_EQ(ratingFromFraction(0.81), 99);
    EXPECT_EQ(ratingFromFraction(1.0), 99);
    EXPECT_EQ(ratingFromFraction(1.5), 0);
    EXPECT_EQ(ratingFromFraction(-0.2), 0);
    EXPECT_EQ(ratingFromPercent(1), 1);
    EXPECT_EQ(ratingFromPercent(20), 1);
    EXPECT_EQ(ratingFromPercent(21), 25);
    EXPECT_EQ(ratingFromPercent(100), 99);
    EXPECT_EQ(ratingFromPercent(101), 0);
}

TEST(Rating, RatingTextsAsStarsPercentagesOrFractions) {
    EXPECT_EQ(ratingFromText("0"), 0);
    EXPECT_EQ(ratingFromText("1"), 1);
    EXPECT_EQ(ratingFromText("3"), 50);
    EXPECT_EQ(ratingFromText("5"), 99);
    EXPECT_EQ(ratingFromText("6"), 1);
    EXPECT_EQ(ratingFromText("60"), 50);
    EXPECT_EQ(ratingFromText("100"), 99);
    EXPECT_EQ(ratingFromText("0.8"), 75);
    EXPECT_EQ(ratingFromText(" 1.0 "), 99);
    EXPECT_EQ(ratingFromText("great"), 0);
    EXPECT_EQ(ratingFromText(""), 0);
    EXPECT_EQ(ratingFromText("250"), 0);
}

TEST(Rating, WindowsMediaRatingsStayAsTheyAre) {
    EXPECT_EQ(ratingFromWindowsMedia(0), 0);
    EXPECT_EQ(ratingFromWindowsMedia(25), 25);
    EXPECT_EQ(ratingFromWindowsMedia(99), 99);
    EXPECT_EQ(ratingFromWindowsMedia(100), 99);
    EXPECT_EQ(ratingFromWindowsMedia(-5), 0);
}
