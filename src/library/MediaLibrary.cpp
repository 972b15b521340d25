#include "library/MediaLibrary.h"

#include <cmath>

namespace corvane::library {

std::shared_ptr<const Playlist> PlaylistArray::item(int index) const {
    if (index < 0 || index >= count()) {
        throw LibraryError("playlist index out of range");
    }
    return playlists_[static_cast<std::size_t>(index)];
}

QString ItemInfo::get(const QString& attribute) const {
    if (attribute == attribute::Duration) {
        return duration;
    }
    if (attribute == attribute::UserRating) {
        return userRating;
    }
    if (attribute == attribute::Artist) {
        return artist;
    }
    if (attribute == attribute::Genre) {
        return genre;
    }
    if (attribute == attribute::Year) {
        return year;
    }
    if (attribute == attribute::Album) {
        return album;
    }
    if (attribute == attribute::FileType) {
        return fileType;
    }
    return {};
}

QString failureReason(const std::exception_ptr& failure) {
    QString reason;
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        reason = QString::fromUtf8(e.what());
    } catch (...) {
    }
    return reason.isEmpty() ? QStringLiteral("unknown failure") : reason;
}

QString durationText(double seconds) {
    const long long total = std::isfinite(seconds) && seconds > 0 ? std::llround(seconds) : 0;
    return QStringLiteral("%1:%2")
        .arg(total / 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

} // namespace corvane::library
