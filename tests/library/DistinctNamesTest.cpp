#include "library/DistinctNames.h"

#include "LibraryTestSupport.h"

#include <gtest/gtest.h>

using namespace corvane::library;

TEST(DistinctNames, TheFirstKeepsItsNameALaterOneGetsTheShortestSuffixThatTellsItApart) {
    const struct {
        std::vector<NameClaim> claims;
        QStringList names;
    } cases[] = {
        // VLC titles every playlist "Playlist"; Winamp.m3u beside Winamp.pls.
        {{{"Playlist", {"Chill.xspf", "Lists"}}, {"Playlist", {"VLC Party.xspf", "Lists"}}},
         {"Playlist", "Playlist (VLC Party.xspf)"}},
        // The same file name in two folders: the folder tells them apart, else the folders above.
        {{{"Favorites", {"Favorites.m3u", "Jazz", "Music/Jazz"}},
          {"Favorites", {"Favorites.m3u", "Rock", "Music/Rock"}},
          {"Favorites", {"Favorites.m3u", "Rock", "Old/Rock"}}},
         {"Favorites", "Favorites (Music/Rock)", "Favorites (Old/Rock)"}},
        // Letter case tells names apart already.
        {{{"Mix", {"Mix.m3u"}}, {"mix", {"mix.m3u"}}}, {"Mix", "mix"}},
        // A name some playlist has of its own is never given to another; nothing tells: a number.
        {{{"A", {"a.m3u"}}, {"A (b.m3u)", {"x.m3u"}}, {"A", {"b.m3u", "f"}}},
         {"A", "A (b.m3u)", "A (f)"}},
        {{{"B", {"b.m3u"}}, {"B", {"b.m3u"}}, {"B", {"b.m3u"}}}, {"B", "B (2)", "B (3)"}},
        // A merged list: the player's name.
        {{{"Road Trip", {}}, {"Road Trip", {"Strawberry"}}},
         {"Road Trip", "Road Trip (Strawberry)"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(distinctNames(c.claims), c.names) << c.names.join(" | ").toStdString();
    }
}
