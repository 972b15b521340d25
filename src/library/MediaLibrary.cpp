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

QString secondsText(double seconds) {
    return QString::number(seconds, 'g', 12);
}

QString durationText(double seconds) {
    const long long total = std::isfinite(seconds) && seconds > 0 ? std::llround(seconds) : 0;
    return QStringLiteral("%1:%2")
        .arg(total / 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

QString yearOf(const QString& date) {
    const auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    for (qsizetype i = 0; i < date.size();) {
        if (!isDigit(date[i])) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < date.size() && isDigit(date[end])) {
            ++end;
        }
        if (end - i == 4) {
            const QString year = date.mid(i, 4);
            return year == u"0000" ? QString() : year;
        }
        i = end;
    }
    return {};
}

PlaylistNameOrder::PlaylistNameOrder()
    : collator_(QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale()) {
    collator_.setNumericMode(true);
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

bool PlaylistNameOrder::operator()(const QString& a, const QString& b) const {
    const int order = collator_.compare(a, b);
    return order != 0 ? order < 0 : a < b;
}

} // namespace corvane::library
