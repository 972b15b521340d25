#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// Every playlist of a library needs a name of its own: names are what a click, --playlist and a
// saved display find a playlist by. VLC titles every XSPF "Playlist", Winamp.m3u sits beside
// Winamp.pls, two folders each hold Favorites.m3u; a merged list holds several players' "Road
// Trip".
namespace corvane::library {

struct NameClaim {
    QString name;
    // What could tell this playlist from others of its name, shortest first: its file name, then
    // its folder; in a merged list, its player's name.
    QStringList suffixes;
};

// The names in the claims' order (which must not depend on the order the disk lists files in).
// The first claim of a name keeps it; a later one gets the first of its suffixes that no other
// claim of that name has at the same place, "Playlist (VLC Party.xspf)", else a number. Names
// differing only in letter case are distinct already.
QStringList distinctNames(const std::vector<NameClaim>& claims);

} // namespace corvane::library
