#include "library/mpd/MpdRatings.h"

#include "library/mpd/MpdConnection.h"
#include "library/songs/Rating.h"

#include <cstring>
#include <mpd/client.h>

namespace corvane::library {

const QHash<QString, int>& MpdRatings::all(MpdConnection& connection, mpd_connection* c) {
    if (ratings_) {
        return *ratings_;
    }
    MpdAnswer answer(connection, QStringLiteral("reading the ratings"),
                     connection.bounds().maxSongs, "ratings");
    const QString& doing = answer.doing();
    if (!mpd_send_sticker_find(c, "song", "", "rating")) {
        connection.fail(doing);
    }
    QHash<QString, int> found;
    QString uri;
    std::size_t pairs = 0;
    while (mpd_pair* pair = mpd_recv_pair(c)) {
        if (std::strcmp(pair->name, "file") == 0) {
            uri = QString::fromUtf8(pair->value);
        } else if (std::strcmp(pair->name, "sticker") == 0) {
            std::size_t nameLength = 0;
            if (const char* value = mpd_parse_sticker(pair->value, &nameLength)) {
                found.insert(uri, ratingFromTenPoints(QString::fromUtf8(value)));
            }
        }
        mpd_return_pair(c, pair);
        answer.received(++pairs / 2);
    }
    if (mpd_connection_get_error(c) == MPD_ERROR_SERVER && mpd_connection_clear_error(c)) {
        found.clear();
    } else if (!mpd_response_finish(c)) {
        connection.fail(doing);
    }
    ratings_ = std::move(found);
    return *ratings_;
}

void MpdRatings::changed(unsigned events) {
    if (events & (MPD_IDLE_DATABASE | MPD_IDLE_STICKER)) {
        ratings_.reset();
    }
}

} // namespace corvane::library
