#include "library/mpd/MpdPlaylists.h"

#include "library/disk/FileName.h"
#include "library/mpd/MpdConnection.h"
#include "library/mpd/MpdRatings.h"
#include "library/playlists/PlaylistFormats.h"
#include "library/songs/SharedTexts.h"

#include <mpd/client.h>

namespace corvane::library {
namespace {

// A tag's values, as the file backend joins them, kept to the bound of texts from outside.
QString tagText(const mpd_song* song, mpd_tag_type tag) {
    QString text;
    for (unsigned i = 0; const char* value = mpd_song_get_tag(song, tag, i); ++i) {
        if (i > 0) {
            text += QStringLiteral("; ");
        }
        text += QString::fromUtf8(value);
        if (text.size() > MaxOutsideText) {
            break;
        }
    }
    return boundedText(text.trimmed());
}

std::shared_ptr<const ReadySong> songOf(const mpd_song* song, const QHash<QString, int>& ratings,
                                        SharedTexts& shared) {
    const QString uri = QString::fromUtf8(mpd_song_get_uri(song));
    const QString file = locationName(uri);
    const unsigned milliseconds = mpd_song_get_duration_ms(song);
    // A song that the database does not hold (a stale entry, or a stream) comes as its name alone.
    if (mpd_song_get_last_modified(song) == 0 && milliseconds == 0) {
        return std::make_shared<const ReadySong>(file, QString(), ItemInfo{});
    }
    const qsizetype dot = file.lastIndexOf(u'.');
    QString title = tagText(song, MPD_TAG_TITLE);
    // Mopidy gives an untagged file its file name as its title.
    if (title.isEmpty() || title == file) {
        title = dot > 0 ? file.left(dot) : file;
    }
    const double seconds = songLength(milliseconds / 1000.0);
    const bool known = seconds >= 0;
    // Every text but the title is one of a few that the playlist's songs share.
    return std::make_shared<const ReadySong>(
        std::move(title), shared(known ? durationText(seconds) : QString()),
        ItemInfo{shared(known ? secondsText(seconds) : QString()),
                 shared(QString::number(ratings.value(uri))), shared(tagText(song, MPD_TAG_ARTIST)),
                 shared(tagText(song, MPD_TAG_GENRE)), shared(yearOf(tagText(song, MPD_TAG_DATE))),
                 shared(tagText(song, MPD_TAG_ALBUM)),
                 shared(dot > 0 ? file.mid(dot + 1).toLower() : QString())});
}

} // namespace

std::vector<MpdListed> MpdPlaylists::list(mpd_connection* c) {
    MpdAnswer answer(connection_, QStringLiteral("listing the playlists"),
                     connection_.bounds().maxPlaylists, "playlists");
    const QString& doing = answer.doing();
    if (!mpd_send_list_playlists(c)) {
        connection_.fail(doing);
    }
    std::vector<MpdListed> listed;
    while (mpd_playlist* playlist = mpd_recv_playlist(c)) {
        listed.push_back({boundedText(QString::fromUtf8(mpd_playlist_get_path(playlist))),
                          mpd_playlist_get_last_modified(playlist)});
        mpd_playlist_free(playlist);
        answer.received(listed.size());
    }
    if (!mpd_response_finish(c)) {
        connection_.fail(doing);
    }
    return listed;
}

MpdSongs MpdPlaylists::withUnknownSongs(mpd_connection* c, const QString& name,
                                        const QStringList& known, MpdSongs songs) {
    MpdAnswer answer(connection_, QStringLiteral("listing \"%1\"").arg(shownName(name)),
                     connection_.bounds().maxSongs, "songs");
    if (!mpd_send_list_playlist(c, name.toUtf8().constData())) {
        connection_.fail(answer.doing());
    }
    MpdSongs all;
    qsizetype next = 0;
    while (mpd_pair* pair = mpd_recv_pair_named(c, "file")) {
        const QString uri = QString::fromUtf8(pair->value);
        mpd_return_pair(c, pair);
        if (next < known.size() && known[next] == uri) {
            all.push_back(std::move(songs[next++]));
        } else {
            all.push_back(std::make_shared<const ReadySong>(boundedText(locationName(uri)),
                                                            QString(), ItemInfo{}));
        }
        answer.received(all.size());
    }
    if (!mpd_response_finish(c)) {
        connection_.fail(answer.doing());
    }
    return all;
}

std::shared_ptr<const MpdSongs> MpdPlaylists::songsOf(mpd_connection* c,
                                                      const MpdListed& playlist) {
    if (const auto found = songs_.constFind(playlist.name);
        found != songs_.cend() && found->modified == playlist.modified) {
        return found->songs;
    }
    const QHash<QString, int>& rated = ratings_.all(connection_, c);
    MpdAnswer answer(connection_, QStringLiteral("listing \"%1\"").arg(shownName(playlist.name)),
                     connection_.bounds().maxSongs, "songs");
    const QString& doing = answer.doing();
    if (!mpd_send_list_playlist_meta(c, playlist.name.toUtf8().constData())) {
        connection_.fail(doing);
    }
    auto read = std::make_shared<MpdSongs>();
    SharedTexts shared;
    QStringList uris;
    bool dated = false;
    while (mpd_song* song = mpd_recv_song(c)) {
        uris.push_back(QString::fromUtf8(mpd_song_get_uri(song)));
        dated = dated || mpd_song_get_last_modified(song) != 0;
        read->push_back(songOf(song, rated, shared));
        mpd_song_free(song);
        answer.received(read->size());
    }
    if (!mpd_response_finish(c)) {
        connection_.fail(doing);
    }
    // A server that keeps no database of files (Mopidy) dates none of its songs, and leaves out
    // of that answer the songs none of its backends could look up (a stream with its backend
    // off): the playlist's URIs are asked too, and those songs put back by name.
    if (!dated) {
        *read = withUnknownSongs(c, playlist.name, uris, std::move(*read));
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
