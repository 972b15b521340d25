#include "library/songs/Rating.h"

#include "LibraryTestSupport.h"

#include <gtest/gtest.h>

using namespace corvane::library;

namespace {

// Each input in turn against the rating at the same place.
template <class Input, class Convert>
void expectRatings(Convert convert, std::initializer_list<Input> inputs,
                   std::initializer_list<int> ratings) {
    ASSERT_EQ(inputs.size(), ratings.size());
    auto rating = ratings.begin();
    for (const Input& input : inputs) {
        EXPECT_EQ(convert(input), *rating++) << ::testing::PrintToString(input);
    }
}

} // namespace

// Each scale at the edges of every star's range, and values off the scale as unrated.
TEST(Rating, EachScaleAtItsStarBoundaries) {
    // The popularimeter bytes Windows Media Player writes, then other players' bytes at each
    // edge of a star's range.
    expectRatings<int>(ratingFromPopularimeter,
                       {0, 1, 64, 128, 196, 255, 31, 32, 95, 96, 159, 160, 223, 224, -1, 256},
                       {0, 1, 25, 50, 75, 99, 1, 25, 25, 50, 50, 75, 75, 99, 0, 0});
    expectRatings<double>(ratingFromFraction,
                          {0.0, 0.1, 0.2, 0.21, 0.4, 0.6, 0.8, 0.81, 1.0, 1.5, -0.2},
                          {0, 1, 1, 25, 25, 50, 75, 99, 99, 0, 0});
    expectRatings<double>(ratingFromPlayerFraction, {0.0, 0.1, 0.25, 0.5, 0.75, 0.8, 1.0, 1.1},
                          {0, 1, 1, 50, 75, 75, 99, 0});
    expectRatings<int>(ratingFromPercent, {1, 20, 21, 100, 101}, {1, 1, 25, 99, 0});
    // Windows Media's own ratings stay as they are.
    expectRatings<int>(ratingFromWindowsMedia, {0, 25, 99, 100, -5}, {0, 25, 99, 99, 0});
    // Texts as stars (0-5), percentages or fractions.
    expectRatings<const char*>(
        [](const char* text) { return ratingFromText(QString::fromUtf8(text)); },
        {"0", "1", "3", "5", "6", "60", "100", "0.8", " 1.0 ", "great", "", "250"},
        {0, 1, 50, 99, 1, 50, 99, 75, 99, 0, 0, 0});
    // MPD clients' stickers: 0-10, a half star rounding up.
    expectRatings<const char*>(
        [](const char* text) { return ratingFromTenPoints(QString::fromUtf8(text)); },
        {"0", "1", "2", "3", " 7 ", "9", "10", "11", "-1", "x"},
        {0, 1, 1, 25, 75, 99, 99, 0, 0, 0});
}
