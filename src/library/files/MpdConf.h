#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <vector>

// MPD's configuration, for the file library: MPD's playlists name their songs relative to its
// music folder, which is set apart from its playlist folder. A user who points the library at
// that playlist folder gets the songs found through the configuration.
namespace corvane::library {

struct MpdFolders {
    QString music;     // music_directory; empty when unset or not a local folder
    QString playlists; // playlist_directory; empty when unset
};

// The folders an mpd.conf sets. Lines are `name "value"` (a backslash escapes a quote or
// itself), "#" starts a comment, settings inside `name { ... }` blocks belong to a plugin. A
// path's leading "~" and "$NAME" (HOME, XDG_CONFIG_HOME, XDG_MUSIC_DIR, XDG_CACHE_HOME,
// XDG_RUNTIME_DIR) are expanded from `variables` ("~" as "HOME"); one that is not known leaves
// the setting unset.
MpdFolders parseMpdConf(const QByteArray& bytes, const QHash<QString, QString>& variables);

// The configurations on this machine, where MPD looks for them: $XDG_CONFIG_HOME/mpd/mpd.conf
// (~/.config/mpd/mpd.conf), ~/.mpdconf, ~/.mpd/mpd.conf, /etc/mpd.conf.
std::vector<MpdFolders> mpdConfigurations();

} // namespace corvane::library
