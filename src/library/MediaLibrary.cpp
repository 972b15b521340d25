#include "library/MediaLibrary.h"

#include <cmath>

namespace corvane::library {

std::shared_ptr<const Playlist> PlaylistArray::item(int index) const {
    if (index < 0 || index >= count()) {
        throw LibraryError("playlist index out of range");
    }
    return playlists_[static_cast<std::size_t>(index)];
}

QString durationText(double seconds) {
    const long long total = std::isfinite(seconds) && seconds > 0 ? std::llround(seconds) : 0;
    return QStringLiteral("%1:%2")
        .arg(total / 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

} // namespace corvane::library
