#include "library/songs/Rating.h"

#include <algorithm>
#include <cmath>

namespace corvane::library {

int ratingFromStars(int stars) {
    constexpr int ByStars[] = {0, 1, 25, 50, 75, 99};
    return stars >= 0 && stars <= 5 ? ByStars[stars] : 0;
}

int ratingFromPopularimeter(int byte) {
    if (byte <= 0 || byte > 255) {
        return 0;
    }
    return ratingFromStars(byte < 32 ? 1 : byte < 96 ? 2 : byte < 160 ? 3 : byte < 224 ? 4 : 5);
}

int ratingFromPercent(double percent) {
    if (!std::isfinite(percent) || percent > 100) {
        return 0;
    }
    const long rounded = std::lround(percent);
    if (rounded <= 0) {
        return 0;
    }
    return ratingFromStars(static_cast<int>((rounded + 19) / 20));
}

int ratingFromFraction(double fraction) {
    if (!std::isfinite(fraction) || fraction < 0 || fraction > 1) {
        return 0;
    }
    return ratingFromPercent(fraction * 100);
}

int ratingFromPlayerFraction(double fraction) {
    if (!std::isfinite(fraction) || fraction <= 0 || fraction > 1) {
        return 0;
    }
    return ratingFromStars(std::max(1, static_cast<int>(std::lround(fraction * 5))));
}

int ratingFromText(const QString& text) {
    const QString trimmed = text.trimmed();
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok) {
        return 0;
    }
    if (trimmed.contains(u'.') && value <= 1) {
        return ratingFromFraction(value);
    }
    if (value <= 5 && value == std::floor(value)) {
        return ratingFromStars(static_cast<int>(value));
    }
    return ratingFromPercent(value);
}

int ratingFromWindowsMedia(long long value) {
    return value <= 0 ? 0 : value >= 99 ? 99 : static_cast<int>(value);
}

int ratingFromTenPoints(const QString& text) {
    bool ok = false;
    const int points = text.trimmed().toInt(&ok);
    return ok && points >= 0 && points <= 10 ? ratingFromStars((points + 1) / 2) : 0;
}

} // namespace corvane::library
