#include "library/files/MpdConf.h"

#include "LibraryTestSupport.h"

#include <gtest/gtest.h>

using namespace corvane::library;

TEST(MpdConf, ReadsTheMusicAndPlaylistFoldersAsMpdDoes) {
    const QHash<QString, QString> variables{{"HOME", "/home/ann"},
                                            {"XDG_CONFIG_HOME", "/home/ann/.config"}};
    const struct {
        QByteArray conf;
        QString music;
        QString playlists;
    } cases[] = {
        // As Debian delivers it.
        {"# An example configuration file for MPD.\n"
         "music_directory\t\t\"/var/lib/mpd/music\"\n"
         "playlist_directory\t\t\"/var/lib/mpd/playlists\"\n"
         "db_file\t\t\t\"/var/lib/mpd/tag_cache\"\n",
         "/var/lib/mpd/music", "/var/lib/mpd/playlists"},
        // A user's: "~" and $XDG_CONFIG_HOME; a plugin's block holds no folders of MPD's.
        {"music_directory \"~/Music\"   # mine\n"
         "audio_output {\n  type \"null\"\n  music_directory \"/not/this\"\n}\n"
         "playlist_directory \"$XDG_CONFIG_HOME/mpd/playlists\"\n",
         "/home/ann/Music", "/home/ann/.config/mpd/playlists"},
        // Escapes; the last setting wins; a URL, an unknown variable, no quotes: no folder.
        {"music_directory \"/srv/a \\\"b\\\"\"\nplaylist_directory \"/x\"\n"
         "playlist_directory \"/srv/lists\"\n",
         "/srv/a \"b\"", "/srv/lists"},
        {"music_directory \"nfs://nas/music\"\nplaylist_directory \"$NOWHERE/lists\"\n", "", ""},
        {"music_directory /srv/music\nplaylist_directory \"/srv/lists\n", "", ""},
    };
    for (const auto& c : cases) {
        const MpdFolders folders = parseMpdConf(c.conf, variables);
        EXPECT_EQ(folders.music, c.music) << c.conf.constData();
        EXPECT_EQ(folders.playlists, c.playlists) << c.conf.constData();
    }
}
