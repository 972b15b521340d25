#include "views/SongTable.h"

#include "library/disk/FileName.h"
#include "library/songs/SharedTexts.h"
#include "text/Format.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace corvane::views {
namespace {

using library::resumeNext;

// Plain decimals of up to 15 digits ("245", "245.5") read without a locale, as every song's
// duration is on each listing: the digits make an exact whole number and the division by a power
// of ten rounds once, correctly, as the locale's reading does.
std::optional<double> plainDecimal(const QString& value) {
    constexpr std::array<double, 16> powersOfTen = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                    1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const qsizetype point = value.indexOf(u'.');
    const qsizetype digits = point < 0 ? value.size() : value.size() - 1;
    if (digits == 0 || digits > 15 || point == 0 || point == value.size() - 1) {
        return std::nullopt;
    }
    std::int64_t whole = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t c = value[i].unicode();
        if (i == point) {
            continue;
        }
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        whole = whole * 10 + (c - u'0');
    }
    const qsizetype decimals = point < 0 ? 0 : value.size() - point - 1;
    return static_cast<double>(whole) / powersOfTen[static_cast<std::size_t>(decimals)];
}

// A library value read as a number; a text that is none fails like a failed call.
double asNumber(const QString& value) {
    if (const std::optional<double> plain = plainDecimal(value)) {
        return *plain;
    }
    bool ok = false;
    const double number = value.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number)) {
        throw library::LibraryError("not a number: " + value.toStdString());
    }
    return number;
}

// 0 to 5 stars for the player's 0-99 rating: (r + 10) / 20, halves to the even neighbour
// (the default rounding mode), so 1 gives one star, 40 two and 60 four.
QString ratingStars(double rating) {
    static const std::array<QString, 6> Stars = {QString(),
                                                 QStringLiteral("*"),
                                                 QStringLiteral("**"),
                                                 QStringLiteral("***"),
                                                 QStringLiteral("****"),
                                                 QStringLiteral("*****")};
    const double stars = std::clamp(std::nearbyint((rating + 10.0) / 20.0), 0.0, 5.0);
    return Stars[static_cast<std::size_t>(stars)];
}

// A control character (a NUL, a newline, a tab, ESC), a line or paragraph separator or a
// bidirectional override in a tag or a file name would break a song's line in two, reach a
// terminal as a command or turn the columns after it around: each shows as U+FFFD, whichever
// backend the song came from.
QString printable(QString text) {
    if (std::any_of(text.cbegin(), text.cend(), library::isUnshowable)) {
        std::replace_if(text.begin(), text.end(), library::isUnshowable,
                        QChar::ReplacementCharacter);
    }
    return text;
}

// One song's row; returns the first of its calls to fail, if any.
QString fillRow(SongRow& row, const library::Playlist& playlist, int index,
                library::SharedTexts& shared) {
    QString failure;
    const auto call = [&](const auto& statement) {
        QString why;
        if (!resumeNext(statement, &why) && failure.isEmpty()) {
            failure = why;
        }
    };
    std::shared_ptr<const library::MediaItem> song;
    call([&] { song = playlist.item(index); });
    if (song) {
        const auto info = [&](const QString& attribute, int kept, QString& cell) {
            call([&] {
                cell = text::firstCharacters(printable(song->getItemInfo(attribute)), kept);
            });
        };
        // Each row's rating starts unset, so a failed read never shows another song's stars.
        QString rating;
        call([&] { rating = song->getItemInfo(library::attribute::UserRating); });
        call([&] { row[Title] = text::firstCharacters(printable(song->name()), 29); });
        info(library::attribute::Artist, 20, row[Artist]);
        call([&] { row[Time] = printable(song->durationString()); });
        // No rating (a stream's) is no failure of the song.
        resumeNext([&] { row[Rating] = ratingStars(asNumber(rating)); });
        info(library::attribute::Genre, 11, row[Genre]);
        call([&] { row[Year] = printable(song->getItemInfo(library::attribute::Year)); });
        info(library::attribute::Album, 27, row[Album]);
        call([&] { row[Type] = printable(song->getItemInfo(library::attribute::FileType)); });
    }
    for (const int code : {Artist, Time, Genre, Year, Album, Type}) {
        QString& cell = row[static_cast<std::size_t>(code)];
        cell = shared(std::move(cell));
    }
    for (QString& cell : row) {
        if (cell.isEmpty()) {
            cell = QStringLiteral("----");
        }
    }
    return failure;
}

int roundHalfEven(double value) {
    return static_cast<int>(std::nearbyint(value));
}

} // namespace

bool LoadSongTable(FormState& state, const library::Playlist& playlist,
                   const std::function<void(int first, int end)>& rows) {
    int count = 0;
    resumeNext([&] { count = std::max(playlist.count(), 0); });
    // A table of no rows: LastSong always names the table's own last row.
    state.SongTable.clear();
    state.LastSong = count - 1;
    if (count == 0) {
        return false;
    }

    state.SongTable.resize(static_cast<std::size_t>(count));
    int unread = 0; // songs with a call that failed
    QString firstFailure;
    library::SharedTexts shared; // titles are mostly distinct: only the other cells are shared
    int filled = 0;
    const auto fill = [&](int known) {
        const int first = filled;
        for (; filled < std::min(known, count); ++filled) {
            SongRow& row = state.SongTable[static_cast<std::size_t>(filled)];
            if (const QString failure = fillRow(row, playlist, filled, shared);
                !failure.isEmpty() && unread++ == 0) {
                firstFailure = printable(failure);
            }
        }
        if (rows && filled > first) {
            rows(first, filled);
        }
    };
    // Rows the playlist could not tell of (a failure on the way) are filled one by one after.
    resumeNext([&] { playlist.whenKnown(fill); });
    fill(count);
    // The cells show "----"; the status line says why, once for the whole table.
    if (unread == 1) {
        state.StatusLine = QStringLiteral("1 song could not be read (%1)").arg(firstFailure);
    } else if (unread > 1) {
        state.StatusLine =
            QStringLiteral("%1 songs could not be read (first: %2)").arg(unread).arg(firstFailure);
    }
    return true;
}

PlayingTime TotalPlaylistTime(FormState& state, const library::Playlist& playlist) {
    state.TotalSeconds = 0.0F;
    int count = 0;
    resumeNext([&] { count = playlist.count(); });
    for (int i = 0; i < count; ++i) {
        resumeNext([&] {
            // A length that no song has is unknown, and not summed.
            const double seconds = library::songLength(
                asNumber(playlist.item(i)->getItemInfo(library::attribute::Duration)));
            if (seconds > 0) {
                // The running sum is kept in single precision.
                state.TotalSeconds =
                    static_cast<float>(static_cast<double>(state.TotalSeconds) + seconds);
            }
        });
    }

    // Hours that would not fit the clock's int (a few billion songs of a week) stop there.
    const double total = std::min(static_cast<double>(state.TotalSeconds),
                                  3600.0 * std::numeric_limits<int>::max() - 3600.0);
    PlayingTime t;
    t.hours = static_cast<int>(std::floor(total / 3600.0));
    t.minutes = static_cast<int>(std::floor((total - 3600.0 * t.hours) / 60.0));
    t.seconds = roundHalfEven(total - 3600.0 * t.hours - 60.0 * t.minutes);
    // 59.5 seconds round up to a whole minute, and 59:59.6 on to a whole hour.
    if (t.seconds == 60) {
        t.seconds = 0;
        ++t.minutes;
    }
    if (t.minutes == 60) {
        t.minutes = 0;
        ++t.hours;
    }
    return t;
}

} // namespace corvane::views
