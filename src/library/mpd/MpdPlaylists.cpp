#include "library/mpd/MpdPlaylists.h"

#include "library/mpd/MpdConnection.h"
#include "library/mpd/MpdRatings.h"
#include "library/playlists/PlaylistFormats.h"

#include <mpd/client.h>

namespace corvane::library {
namespace {

// A tag's values, as the file backend joins them.
QString tagText(const mpd_song* song, mpd_tag_type tag) {
    QString text;
    for (unsigned i = 0; const char* value = mpd_song_get_tag(song, tag, i); ++i) {
        if (i > 0) {
            text += QStringLiteral("; ");
        }
        text += QString::fromUtf8(value);
    }
    return text.trimmed();
}

std::shared_ptr<const ReadySong> songOf(const mpd_song* song, const QHash<QString, int>& ratings) {
    const QString uri = QString::fromUtf8(mpd_song_get_uri(song));
    const QString file = locationName(uri);
    const unsigned milliseconds = mpd_song_get_duration_ms(song);
    // A song that the database does not hold (a stale entry, or a stream) comes as its name alone.
    if (mpd_song_get_last_modified(song) == 0 && milliseconds == 0) {
        return std::make_shared<const ReadySong>(file, QString(), ItemInfo{});
    }
    const qsizetype dot = file.lastIndexOf(u'.');
    QString title = tagText(song, MPD_TAG_TITLE);
    if (title.isEmpty()) {
        title = dot > 0 ? file.left(dot) : file;
    }
    const double seconds = milliseconds / 1000.0;
    return std::make_shared<const ReadySong>(
        std::move(title), durationText(seconds),
        ItemInfo{secondsText(seconds), QString::number(ratings.value(uri)),
                 tagText(song, MPD_TAG_ARTIST), tagText(song, MPD_TAG_GENRE),
                 yearOf(tagText(song, MPD_TAG_DATE)), tagText(song, MPD_TAG_ALBUM),
                 dot > 0 ? file.mid(dot + 1).toLower() : QString()});
}

} // namespace

std::vector<MpdListed> MpdPlaylists::list(mpd_connection* c) {
    const QString doing = QStringLiteral("listing the playlists");
    if (!mpd_send_list_playlists(c)) {
        connection_.fail(doing);
    }
    std::vector<MpdListed> listed;
    while (mpd_playlist* playlist = mpd_recv_playlist(c)) {
        listed.push_back({QString::fromUtf8(mpd_playlist_get_path(playlist)),
                          mpd_playlist_get_last_modified(playlist)});
        mpd_playlist_free(playlist);
    }
    if (!mpd_response_finish(c)) {
        connection_.fail(doing);
    }
    return listed;
}

std::shared_ptr<const MpdSongs> MpdPlaylists::songsOf(mpd_connection* c,
                                                      const MpdListed& playlist) {
    if (const auto found = songs_.constFind(playlist.name);
        found != songs_.cend() && found->modified == playlist.modified) {
        return found->songs;
    }
    const QHash<QString, int>& rated = ratings_.all(connection_, c);
    const QString doing = QStringLiteral("listing \"%1\"").arg(playlist.name);
    if (!mpd_send_list_playlist_meta(c, playlist.name.toUtf8().constData())) {
        connection_.fail(doing);
    }
    auto read = std::make_shared<MpdSongs>();
    while (mpd_song* song = mpd_recv_song(c)) {
        read->push_back(songOf(song, rated));
        mpd_song_free(song);
    }
    if (!mpd_response_finish(c)) {
        connection_.fail(doing);
    }
    ++reads_;
    songs_.insert(playlist.name, {playlist.modified, read});
    return read;
}

std::shared_ptr<const MpdSongs> MpdPlaylists::currentSongs(mpd_connection* c, const QString& name) {
    for (const MpdListed& playlist : list(c)) {
        if (playlist.name == name) {
            return songsOf(c, playlist);
        }
    }
    return std::make_shared<const MpdSongs>();
}

void MpdPlaylists::changed(unsigned events) {
    if (events & (MPD_IDLE_STORED_PLAYLIST | MPD_IDLE_DATABASE | MPD_IDLE_STICKER)) {
        songs_.clear();
    }
}

} // namespace corvane::library
