#include "library/stores/RhythmboxQuery.h"

#include <QDate>
#include <algorithm>
#include <cmath>

namespace corvane::library {
namespace {

using Test = RhythmboxQuery::Test;
using Property = RhythmboxQuery::Property;
using Criterion = RhythmboxQuery::Criterion;
using Groups = std::vector<std::vector<Criterion>>;

// Groups within groups deeper than any editor makes are not followed.
constexpr int DeepestGroup = 16;

// GLib counts days from 1 January of year 1 (day 1); Qt from the astronomical Julian day 0.
constexpr qint64 GlibToJulianDay = 1721425;
constexpr double LastGlibDay = 3652059; // 31 December 9999

// As the player folds what it compares in its "-folded" properties: case and accents ignored.
QString folded(const QString& text) {
    QString decomposed = text.normalized(QString::NormalizationForm_KD);
    decomposed.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    return decomposed.toCaseFolded();
}

// A name from the file, kept short in a note.
QString quoted(QStringView text) {
    return text.left(40).toString();
}

bool isText(Property property) {
    return property <= Property::Genre;
}

class QueryReader {
public:
    explicit QueryReader(QXmlStreamReader& xml)
        : xml_(xml) {}

    QString unread;

    // The criteria up to the end of the current element: groups split where <disjunction/> is.
    Groups groups(int depth) {
        Groups groups(1);
        while (xml_.readNextStartElement()) {
            const QStringView name = xml_.name();
            if (name == u"disjunction") {
                xml_.skipCurrentElement();
                groups.emplace_back();
            } else if (name == u"conjunction" || name == u"subquery") {
                if (depth >= DeepestGroup) {
                    note(QStringLiteral("its criteria are nested too deep"));
                    xml_.skipCurrentElement();
                    continue;
                }
                Criterion group;
                group.groups = this->groups(depth + 1);
                groups.back().push_back(std::move(group));
            } else {
                groups.back().push_back(criterion());
            }
        }
        // An empty group matches nothing of its own: the player drops it.
        std::erase_if(groups, [](const auto& group) { return group.empty(); });
        return groups;
    }

    void note(const QString& why) {
        if (unread.isEmpty()) {
            unread = why;
        }
    }

private:
    Criterion criterion() {
        constexpr std::pair<const char16_t*, Test> Tests[] = {
            {u"equals", Test::Equals},
            {u"not-equal", Test::NotEqual},
            {u"greater", Test::Greater},
            {u"less", Test::Less},
            {u"like", Test::Like},
            {u"not-like", Test::NotLike},
            {u"prefix", Test::Prefix},
            {u"suffix", Test::Suffix},
            {u"current-time-within", Test::Within},
            {u"current-time-not-within", Test::NotWithin},
            {u"year-equals", Test::Between},
            {u"year-greater", Test::Greater},
            {u"year-less", Test::Less}};
        constexpr std::pair<const char16_t*, Property> Properties[] = {
            {u"title", Property::Title},
            {u"artist", Property::Artist},
            {u"album", Property::Album},
            {u"genre", Property::Genre},
            {u"type", Property::Type},
            {u"rating", Property::Rating},
            {u"play-count", Property::PlayCount},
            {u"last-played", Property::LastPlayed},
            {u"first-seen", Property::FirstSeen},
            {u"duration", Property::Duration},
            {u"file-size", Property::FileSize},
            {u"date", Property::Date}};
        const QString element = xml_.name().toString();
        QString prop = xml_.attributes().value(QLatin1StringView("prop")).toString();
        Criterion criterion;
        criterion.text = xml_.readElementText(QXmlStreamReader::SkipChildElements);
        const QString said = QStringLiteral("%1 %2").arg(quoted(prop), quoted(element));

        const auto test = std::find_if(std::begin(Tests), std::end(Tests),
                                       [&](const auto& t) { return element == t.first; });
        if (test == std::end(Tests)) {
            note(QStringLiteral("a criterion it cannot evaluate (%1)").arg(said));
            return criterion;
        }
        criterion.test = test->second;
        criterion.folded = prop.endsWith(u"-folded");
        if (criterion.folded) {
            prop.chop(7);
        }
        const auto property = std::find_if(std::begin(Properties), std::end(Properties),
                                           [&](const auto& p) { return prop == p.first; });
        if (property == std::end(Properties) || (criterion.folded && !isText(property->second))) {
            note(QStringLiteral("a criterion on a property it cannot read (%1)").arg(said));
            return criterion;
        }
        criterion.property = property->second;
        const Test t = criterion.test;
        const bool year = element.startsWith(u"year-");
        const bool time = t == Test::Within || t == Test::NotWithin;
        const bool fits =
            isText(criterion.property) ? t <= Test::Suffix && t != Test::Greater && t != Test::Less
            : criterion.property == Property::Type ? t == Test::Equals || t == Test::NotEqual
            : criterion.property == Property::Date ? t <= Test::Less || t == Test::Between
            : year                                 ? false
            : time                                 ? criterion.property == Property::LastPlayed ||
                         criterion.property == Property::FirstSeen
                   : t <= Test::Less;
        if (!fits) {
            note(QStringLiteral("a criterion it cannot evaluate (%1)").arg(said));
            return criterion;
        }
        if (isText(criterion.property) || criterion.property == Property::Type) {
            if (criterion.folded) {
                criterion.text = folded(criterion.text);
            }
            return criterion;
        }
        bool ok = false;
        criterion.number = criterion.text.toDouble(&ok);
        if (!ok || !std::isfinite(criterion.number)) {
            note(QStringLiteral("a value that is no number (%1 %2)")
                     .arg(said, quoted(criterion.text)));
            return criterion;
        }
        if (year) {
            // Any day of a year stands for the whole year; 0 for songs of no known year. Years
            // past 9999 are none a song has.
            if (criterion.number < 0 || criterion.number > LastGlibDay) {
                note(QStringLiteral("a day it cannot read (%1 %2)")
                         .arg(said, quoted(criterion.text)));
                return criterion;
            }
            qint64 begin = 0;
            qint64 end = 0;
            if (const auto day = static_cast<qint64>(criterion.number); day > 0) {
                const int y = QDate::fromJulianDay(day + GlibToJulianDay).year();
                begin = QDate(y, 1, 1).toJulianDay() - GlibToJulianDay;
                end = QDate(y, 12, 31).toJulianDay() - GlibToJulianDay;
            }
            criterion.number =
                t == Test::Less ? static_cast<double>(end) : static_cast<double>(begin);
            criterion.upTo = static_cast<double>(end);
        }
        return criterion;
    }

    QXmlStreamReader& xml_;
};

QString typeName(RhythmboxFacts::Type type) {
    switch (type) {
    case RhythmboxFacts::Type::Radio:
        return QStringLiteral("iradio");
    case RhythmboxFacts::Type::Podcast:
        return QStringLiteral("podcast-post");
    case RhythmboxFacts::Type::Song:
        break;
    }
    return QStringLiteral("song");
}

double numberOf(Property property, const RhythmboxFacts& facts) {
    switch (property) {
    case Property::Rating:
        return facts.stars;
    case Property::PlayCount:
        return static_cast<double>(facts.playCount);
    case Property::LastPlayed:
        return static_cast<double>(facts.lastPlayed);
    case Property::FirstSeen:
        return static_cast<double>(facts.firstSeen);
    case Property::Duration:
        return static_cast<double>(facts.duration);
    case Property::FileSize:
        return static_cast<double>(facts.fileSize);
    case Property::Date:
        return static_cast<double>(facts.date);
    default:
        return 0;
    }
}

QString textOf(Property property, const RhythmboxEntry& entry) {
    switch (property) {
    case Property::Title:
        return entry.song.title;
    case Property::Artist:
        return entry.song.artist;
    case Property::Album:
        return entry.song.album;
    case Property::Genre:
        return entry.song.genre;
    default:
        return typeName(entry.facts.type);
    }
}

bool holds(const Criterion& criterion, const RhythmboxEntry& entry, qint64 now);

bool anyGroup(const Groups& groups, const RhythmboxEntry& entry, qint64 now) {
    return groups.empty() || std::any_of(groups.begin(), groups.end(), [&](const auto& group) {
               return std::all_of(group.begin(), group.end(), [&](const Criterion& criterion) {
                   return holds(criterion, entry, now);
               });
           });
}

bool holds(const Criterion& criterion, const RhythmboxEntry& entry, qint64 now) {
    const Test test = criterion.test;
    if (test == Test::Group) {
        return anyGroup(criterion.groups, entry, now);
    }
    if (isText(criterion.property) || criterion.property == Property::Type) {
        const QString text = criterion.folded ? folded(textOf(criterion.property, entry))
                                              : textOf(criterion.property, entry);
        switch (test) {
        case Test::Equals:
            return text == criterion.text;
        case Test::NotEqual:
            return text != criterion.text;
        case Test::Like:
            return text.contains(criterion.text);
        case Test::NotLike:
            return !text.contains(criterion.text);
        case Test::Prefix:
            return text.startsWith(criterion.text);
        case Test::Suffix:
            return text.endsWith(criterion.text);
        default:
            return false;
        }
    }
    const double value = numberOf(criterion.property, entry.facts);
    switch (test) {
    case Test::Equals:
        return value == criterion.number;
    case Test::NotEqual:
        return value != criterion.number;
    case Test::Greater:
        return value >= criterion.number;
    case Test::Less:
        return value <= criterion.number;
    case Test::Within:
        return value >= static_cast<double>(now) - criterion.number;
    case Test::NotWithin:
        return value < static_cast<double>(now) - criterion.number;
    case Test::Between:
        return value >= criterion.number && value <= criterion.upTo;
    default:
        return false;
    }
}

// The order the playlist shows its songs in, from its sort key; ties go by artist, album and
// title, then location, so that every reading of the database gives one order.
bool before(const RhythmboxQuery& query, const RhythmboxEntry& a, const RhythmboxEntry& b) {
    using Sort = RhythmboxQuery::Sort;
    const auto byText = [](const QString& x, const QString& y) {
        return QString::compare(x, y, Qt::CaseInsensitive);
    };
    int order = 0;
    switch (query.sort) {
    case Sort::Album:
        order = byText(a.song.album, b.song.album);
        break;
    case Sort::Genre:
        order = byText(a.song.genre, b.song.genre);
        break;
    case Sort::Title:
        order = byText(a.song.title, b.song.title);
        break;
    case Sort::Artist:
        break;
    default: {
        const Property property = query.sort == Sort::Year         ? Property::Date
                                  : query.sort == Sort::Rating     ? Property::Rating
                                  : query.sort == Sort::PlayCount  ? Property::PlayCount
                                  : query.sort == Sort::Time       ? Property::Duration
                                  : query.sort == Sort::LastPlayed ? Property::LastPlayed
                                                                   : Property::FirstSeen;
        const double x = numberOf(property, a.facts);
        const double y = numberOf(property, b.facts);
        order = x < y ? -1 : x > y ? 1 : 0;
    }
    }
    for (const auto tie : {&StoreSong::artist, &StoreSong::album, &StoreSong::title}) {
        if (order == 0) {
            order = byText(a.song.*tie, b.song.*tie);
        }
    }
    if (order == 0) {
        order = a.song.location.compare(b.song.location);
    }
    return query.descending ? order > 0 : order < 0;
}

qint64 limitAttribute(const QXmlStreamAttributes& attributes, const char* name,
                      QueryReader& reader) {
    const QStringView text = attributes.value(QLatin1StringView(name));
    if (text.isEmpty()) {
        return 0;
    }
    bool ok = false;
    const qint64 limit = text.toLongLong(&ok);
    if (!ok || limit < 0) {
        reader.note(QStringLiteral("a limit it cannot read (%1 %2)")
                        .arg(QLatin1StringView(name), quoted(text)));
        return 0;
    }
    return limit;
}

} // namespace

RhythmboxQuery readRhythmboxQuery(QXmlStreamReader& xml) {
    constexpr std::pair<const char16_t*, RhythmboxQuery::Sort> Sorts[] = {
        {u"Artist", RhythmboxQuery::Sort::Artist},
        {u"Album", RhythmboxQuery::Sort::Album},
        {u"Genre", RhythmboxQuery::Sort::Genre},
        {u"Title", RhythmboxQuery::Sort::Title},
        {u"Year", RhythmboxQuery::Sort::Year},
        {u"Rating", RhythmboxQuery::Sort::Rating},
        {u"PlayCount", RhythmboxQuery::Sort::PlayCount},
        {u"Time", RhythmboxQuery::Sort::Time},
        {u"LastPlayed", RhythmboxQuery::Sort::LastPlayed},
        {u"FirstSeen", RhythmboxQuery::Sort::FirstSeen}};
    RhythmboxQuery query;
    QueryReader reader(xml);
    const QXmlStreamAttributes attributes = xml.attributes();
    // Without a sort key the player shows its songs by artist.
    if (const QStringView key = attributes.value(QLatin1StringView("sort-key")); !key.isEmpty()) {
        const auto sort = std::find_if(std::begin(Sorts), std::end(Sorts),
                                       [&](const auto& s) { return key == s.first; });
        if (sort == std::end(Sorts)) {
            reader.note(QStringLiteral("a sort it cannot follow (%1)").arg(quoted(key)));
        } else {
            query.sort = sort->second;
        }
    }
    query.descending = attributes.value(QLatin1StringView("sort-direction")) == u"1";
    query.limitCount = limitAttribute(attributes, "limit-count", reader);
    query.limitMegabytes = limitAttribute(attributes, "limit-size", reader);
    query.limitSeconds = limitAttribute(attributes, "limit-time", reader);
    query.groups = reader.groups(0);
    query.unread = reader.unread;
    return query;
}

bool rhythmboxMatches(const RhythmboxQuery& query, const RhythmboxEntry& entry, qint64 now) {
    return !entry.facts.hidden && anyGroup(query.groups, entry, now);
}

std::vector<StoreSong> rhythmboxChosen(const RhythmboxQuery& query,
                                       std::vector<RhythmboxEntry> matches) {
    std::sort(
        matches.begin(), matches.end(),
        [&](const RhythmboxEntry& a, const RhythmboxEntry& b) { return before(query, a, b); });
    std::vector<StoreSong> songs;
    qint64 bytes = 0;
    qint64 seconds = 0;
    for (RhythmboxEntry& entry : matches) {
        // The first song that would not fit ends the playlist, as in the player.
        bytes += entry.facts.fileSize;
        seconds += entry.facts.duration;
        if ((query.limitCount > 0 && std::ssize(songs) >= query.limitCount) ||
            (query.limitMegabytes > 0 && (bytes >> 20) > query.limitMegabytes) ||
            (query.limitSeconds > 0 && seconds > query.limitSeconds)) {
            break;
        }
        songs.push_back(std::move(entry.song));
    }
    return songs;
}

} // namespace corvane::library
