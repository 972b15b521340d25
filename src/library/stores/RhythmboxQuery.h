#pragma once

#include "library/stores/StoreLibrary.h"

#include <QString>
#include <QXmlStreamReader>
#include <cstdint>
#include <vector>

// Rhythmbox's automatic playlists: the query playlists.xml holds for one, and the songs of
// rhythmdb.xml it chooses, as the player shows them at a given moment.
namespace corvane::library {

// What a query looks at in one rhythmdb.xml entry beside its tags. Times are seconds since 1970
// (0: never), the date a GLib Julian day (0: none).
struct RhythmboxFacts {
    enum class Type : std::uint8_t { Song, Radio, Podcast };
    Type type = Type::Song;
    bool hidden = false; // its file is gone: the player shows it nowhere
    float stars = 0;
    qint64 playCount = 0;
    qint64 lastPlayed = 0;
    qint64 firstSeen = 0;
    qint64 fileSize = 0; // bytes, at most a terabyte: sums of them stay far from overflowing
    qint64 duration = 0; // seconds, as bounded
    qint64 date = 0;
};

struct RhythmboxEntry {
    StoreSong song; // its location set
    RhythmboxFacts facts;
};

struct RhythmboxQuery {
    enum class Test {
        Equals,
        NotEqual,
        Greater, // inclusive, as the player's
        Less,
        Like,
        NotLike,
        Prefix,
        Suffix,
        Within, // the last `number` seconds before now
        NotWithin,
        Between, // number to upTo, both inclusive (a year)
        Group,   // any of `groups`, each all of its criteria
    };
    enum class Property {
        Title,
        Artist,
        Album,
        Genre,
        Type,
        Rating,
        PlayCount,
        LastPlayed,
        FirstSeen,
        Duration,
        FileSize,
        Date,
    };
    struct Criterion {
        Test test = Test::Group;
        Property property = Property::Title;
        bool folded = false; // compared case- and accent-insensitively
        QString text;
        double number = 0;
        double upTo = 0;
        std::vector<std::vector<Criterion>> groups;
    };
    enum class Sort {
        Artist,
        Album,
        Genre,
        Title,
        Year,
        Rating,
        PlayCount,
        Time,
        LastPlayed,
        FirstSeen
    };

    std::vector<std::vector<Criterion>> groups; // any of them, each all of its criteria
    Sort sort = Sort::Artist;
    bool descending = false;
    qint64 limitCount = 0; // 0: no limit
    qint64 limitMegabytes = 0;
    qint64 limitSeconds = 0;
    QString unread; // not empty: what of the query cannot be evaluated
};

// The query of the <playlist type="automatic"> element `xml` is at, read to its end. What cannot
// be evaluated is said in `unread`; XML that is not well-formed is left to the caller.
RhythmboxQuery readRhythmboxQuery(QXmlStreamReader& xml);

// True when the entry is one the playlist shows at `now` (seconds since 1970), limits aside.
bool rhythmboxMatches(const RhythmboxQuery& query, const RhythmboxEntry& entry, qint64 now);

// The entries that match, in the playlist's order and within its limits.
std::vector<StoreSong> rhythmboxChosen(const RhythmboxQuery& query,
                                       std::vector<RhythmboxEntry> matches);

} // namespace corvane::library
