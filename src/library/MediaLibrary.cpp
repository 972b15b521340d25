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

double songLength(double seconds) {
    return std::isfinite(seconds) && seconds >= 0 && seconds <= LongestSongSeconds ? seconds : -1;
}

QString boundedText(QString text) {
    if (text.size() > MaxOutsideText) {
        const bool pairCut = text[MaxOutsideText - 1].isHighSurrogate();
        text.truncate(MaxOutsideText - (pairCut ? 1 : 0));
        text.squeeze();
    }
    return text;
}

// Digits are laid right to left into the end of a buffer: a listing makes thousands of these.
QString durationText(double seconds) {
    const long long total = std::isfinite(seconds) && seconds > 0 ? std::llround(seconds) : 0;
    char16_t text[24];
    qsizetype at = std::size(text);
    text[--at] = static_cast<char16_t>(u'0' + total % 10);
    text[--at] = static_cast<char16_t>(u'0' + total % 60 / 10);
    text[--at] = u':';
    long long minutes = total / 60;
    const qsizetype end = at;
    do {
        text[--at] = static_cast<char16_t>(u'0' + minutes % 10);
        minutes /= 10;
    } while (minutes > 0 || end - at < 2);
    return QString(reinterpret_cast<const QChar*>(text + at), std::size(text) - at);
}

QString secondsText(double seconds) {
    // What TagLib gives, whole milliseconds, is written without the general conversion: the
    // same digits (12 significant ones are more than such a value has), trailing zeros dropped.
    const long long milliseconds = std::isfinite(seconds) ? std::llround(seconds * 1000) : 0;
    if (milliseconds < 1 || milliseconds >= 1'000'000'000'000 ||
        static_cast<double>(milliseconds) / 1000 != seconds) {
        return QString::number(seconds, 'g', 12);
    }
    QString text = QString::number(milliseconds / 1000);
    if (int fraction = static_cast<int>(milliseconds % 1000); fraction > 0) {
        int digits = 3;
        for (; fraction % 10 == 0; fraction /= 10) {
            --digits;
        }
        text += u'.' + QString::number(fraction).rightJustified(digits, u'0');
    }
    return text;
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
