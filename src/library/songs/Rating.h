#pragma once

#include <QString>

// Ratings as the tags hold them, on the player's "UserRating" scale: 0 unrated, and 1, 25, 50,
// 75, 99 for one to five stars.
//
//   source                               value                     stars
//   ID3v2 POPM byte                      0                         unrated
//                                        1-31 (1 usual)            1
//                                        32-95 (64 usual)          2
//                                        96-159 (128 usual)        3
//                                        160-223 (196 usual)       4
//                                        224-255 (255 usual)       5
//   percentage (RATING 6-100, MP4 rate)  0                         unrated
//                                        1-20, 21-40, 41-60,       1, 2, 3,
//                                        61-80, 81-100             4, 5
//   fraction (FMPS_RATING 0.0-1.0)       as the percentage of f x 100, rounded; 0.0 unrated
//   a player's fraction (rating:EMAIL,   f x 5 stars, rounded, at least one; 0.0 unrated (Quod
//   Quod Libet's POPM byte / 255)        Libet's four stars, 0.25-1.0, keep both ends: 1 and 5)
//   RATING as a whole number 0-5         that many stars
//   RATING with a decimal point, <= 1    a fraction
//   ASF WM/SharedUserRating              kept as it is (already 0-99), capped at 99
//   MPD sticker "rating" (0-10)          0                         unrated
//                                        1-2, 3-4, 5-6, 7-8, 9-10  1, 2, 3, 4, 5 (a half
//                                                                  star rounds up)
//
// Values outside these ranges, and texts that are no numbers, count as unrated.
namespace corvane::library {

int ratingFromStars(int stars);
int ratingFromPopularimeter(int byte);
int ratingFromPercent(double percent);
int ratingFromFraction(double fraction);
// A player's own fraction of its scale, whatever number of stars it shows (see above).
int ratingFromPlayerFraction(double fraction);
// RATING in Xiph comments and MP4 atoms: stars, a percentage or a fraction (see above).
int ratingFromText(const QString& text);
int ratingFromWindowsMedia(long long value);
// MPD clients' sticker, a whole number 0-10.
int ratingFromTenPoints(const QString& text);

} // namespace corvane::library
