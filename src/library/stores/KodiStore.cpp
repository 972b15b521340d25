#include "library/playlists/PlaylistFormats.h"
#include "library/songs/Rating.h"
#include "library/stores/SqliteReading.h"
#include "library/stores/StoreFiles.h"
#include "library/stores/StoreFormats.h"

#include <QCollator>
#include <QDir>
#include <QRegularExpression>
#include <algorithm>

namespace corvane::library {
namespace {

enum class Field { Text, Number, Seconds };

// The song fields read here, of those the editor offers, and what kind of value each is.
const QHash<QString, Field>& ruleFields() {
    static const QHash<QString, Field> fields{
        {QStringLiteral("title"), Field::Text},    {QStringLiteral("artist"), Field::Text},
        {QStringLiteral("album"), Field::Text},    {QStringLiteral("genre"), Field::Text},
        {QStringLiteral("year"), Field::Number},   {QStringLiteral("time"), Field::Seconds},
        {QStringLiteral("rating"), Field::Number}, {QStringLiteral("userrating"), Field::Number}};
    return fields;
}

bool isTextOperator(const QString& op) {
    return op == u"contains" || op == u"doesnotcontain" || op == u"startswith" || op == u"endswith";
}

bool isNumberOperator(const QString& op) {
    return op == u"greaterthan" || op == u"lessthan" || op == u"between";
}

// "h:mm:ss", "m:ss" or seconds, as the editor takes a song's time.
double secondsOf(const QString& value) {
    double seconds = 0;
    for (const QString& part : value.trimmed().split(u':')) {
        bool ok = false;
        seconds = seconds * 60 + part.toDouble(&ok);
        if (!ok) {
            return -1;
        }
    }
    return seconds;
}

double numberOf(const QString& value, Field field) {
    if (field == Field::Seconds) {
        return secondsOf(value);
    }
    bool ok = false;
    const double number = value.trimmed().toDouble(&ok);
    return ok ? number : -1;
}

QStringList textsOf(const KodiSong& song, const QString& field) {
    if (field == u"artist") {
        return song.artists;
    }
    if (field == u"genre") {
        return song.genres;
    }
    return {field == u"title" ? song.song.title : song.song.album};
}

double numberOf(const KodiSong& song, const QString& field) {
    if (field == u"year") {
        return song.year;
    }
    if (field == u"time") {
        return song.song.seconds;
    }
    return field == u"rating" ? song.rating : song.userRating;
}

bool textMatches(const QString& text, const QString& op, const QString& value) {
    if (op == u"contains" || op == u"doesnotcontain") {
        return text.contains(value, Qt::CaseInsensitive);
    }
    if (op == u"startswith") {
        return text.startsWith(value, Qt::CaseInsensitive);
    }
    if (op == u"endswith") {
        return text.endsWith(value, Qt::CaseInsensitive);
    }
    return text.compare(value, Qt::CaseInsensitive) == 0; // is, isnot
}

bool numberMatches(double number, const KodiRule& rule, Field field) {
    const double value = numberOf(rule.values.value(0), field);
    if (rule.op == u"is" || rule.op == u"isnot") {
        return std::any_of(rule.values.begin(), rule.values.end(),
                           [&](const QString& v) { return number == numberOf(v, field); });
    }
    if (rule.op == u"greaterthan") {
        return number > value;
    }
    if (rule.op == u"lessthan") {
        return number < value;
    }
    if (rule.op == u"between") {
        return number >= value && number <= numberOf(rule.values.value(1), field);
    }
    return false;
}

// A rule holds when any of its values matches; a negative operator when none does.
bool matches(const KodiSong& song, const KodiRule& rule) {
    const Field field = ruleFields().value(rule.field);
    const bool negative = rule.op == u"isnot" || rule.op == u"doesnotcontain";
    bool any = false;
    if (field == Field::Text) {
        const QStringList texts = textsOf(song, rule.field);
        for (const QString& value : rule.values) {
            any = any || std::any_of(texts.begin(), texts.end(), [&](const QString& text) {
                      return textMatches(text, rule.op, value);
                  });
        }
    } else {
        any = numberMatches(numberOf(song, rule.field), rule, field);
    }
    return negative ? !any : any;
}

// Orders songs by `field` as the player does (texts whatever their case); ties keep the
// database's order.
void sortSongs(std::vector<const KodiSong*>& songs, const QString& field, bool descending) {
    if (field.isEmpty() || field == u"random") {
        return;
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    const Field kind = ruleFields().value(field);
    std::stable_sort(songs.begin(), songs.end(), [&](const KodiSong* a, const KodiSong* b) {
        const auto less = [&](const KodiSong* x, const KodiSong* y) {
            if (kind == Field::Text) {
                return collator.compare(textsOf(*x, field).join(u" / "),
                                        textsOf(*y, field).join(u" / ")) < 0;
            }
            return numberOf(*x, field) < numberOf(*y, field);
        };
        return descending ? less(b, a) : less(a, b);
    });
}

QString unreadOrder(const QString& order) {
    if (order.isEmpty() || order == u"random" || ruleFields().contains(order)) {
        return {};
    }
    return QStringLiteral("an order it cannot read (%1)").arg(order);
}

// The music database: the one of the highest version in the folder.
QString musicDatabaseIn(const QString& folder) {
    static const QRegularExpression name(QStringLiteral(R"(^MyMusic(\d+)\.db$)"));
    QString best;
    int version = -1;
    for (const QString& file :
         QDir(folder).entryList({QStringLiteral("MyMusic*.db")}, QDir::Files | QDir::Readable)) {
        const QRegularExpressionMatch match = name.match(file);
        if (match.hasMatch() && match.captured(1).toInt() > version) {
            version = match.captured(1).toInt();
            best = folder + u'/' + file;
        }
    }
    return best;
}

// The userdata folder: given, or named by the folder above it, by its playlists folder or by
// its music database.
QString userdataOf(const QString& location) {
    const QFileInfo info(location);
    QString at = QDir::cleanPath(info.absoluteFilePath());
    if (!info.isDir()) {
        return QDir::cleanPath(info.absolutePath() + QStringLiteral("/.."));
    }
    if (QFileInfo(at + QStringLiteral("/userdata")).isDir()) {
        return at + QStringLiteral("/userdata");
    }
    if (info.fileName() == u"music" && QFileInfo(info.absolutePath()).fileName() == u"playlists") {
        return QDir::cleanPath(at + QStringLiteral("/../.."));
    }
    return at;
}

} // namespace

KodiSmartPlaylist parseKodiSmartPlaylist(const QByteArray& bytes) {
    QXmlStreamReader xml(bytes);
    KodiSmartPlaylist playlist;
    if (!xml.readNextStartElement() || xml.name() != u"smartplaylist") {
        if (xml.hasError()) {
            throw xmlError(xml);
        }
        throw LibraryError("not a smart playlist (no <smartplaylist>)");
    }
    // Without a type, the player takes it for a list of songs.
    playlist.type = xml.attributes().value(QLatin1StringView("type")).toString();
    if (playlist.type.isEmpty()) {
        playlist.type = QStringLiteral("songs");
    }
    while (xml.readNextStartElement()) {
        const QStringView name = xml.name();
        if (name == u"name") {
            playlist.name = boundedText(xml.readElementText().trimmed());
        } else if (name == u"match") {
            playlist.matchAll = xml.readElementText().trimmed() != u"one";
        } else if (name == u"limit") {
            playlist.limit = std::max(0, xml.readElementText().trimmed().toInt());
        } else if (name == u"order") {
            playlist.descending =
                xml.attributes().value(QLatin1StringView("direction")) == u"descending";
            playlist.order = xml.readElementText().trimmed().toLower();
        } else if (name == u"rule") {
            KodiRule rule{
                xml.attributes().value(QLatin1StringView("field")).toString().toLower(),
                xml.attributes().value(QLatin1StringView("operator")).toString().toLower(),
                {}};
            // Values in <value> elements, or (as older versions wrote) the rule's own text.
            QString text;
            while (!xml.atEnd()) {
                xml.readNext();
                if (xml.isCharacters()) {
                    text += xml.text();
                } else if (xml.isStartElement() && xml.name() == u"value") {
                    rule.values.push_back(boundedText(xml.readElementText()));
                } else if (xml.isStartElement()) {
                    xml.skipCurrentElement();
                } else if (xml.isEndElement()) {
                    break;
                }
            }
            if (rule.values.isEmpty() && !text.trimmed().isEmpty()) {
                rule.values.push_back(boundedText(text.trimmed()));
            }
            playlist.rules.push_back(std::move(rule));
        } else {
            if (playlist.unread.isEmpty() && name == u"rules") {
                playlist.unread = QStringLiteral("a group of rules it cannot read");
            }
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError()) {
        throw xmlError(xml);
    }
    return playlist;
}

std::vector<KodiSong> readKodiSongs(sqlite3* music) {
    sqlite::Statement statement(
        music,
        QStringLiteral(
            "SELECT path.strPath || song.strFileName, song.strTitle, song.strArtistDisp, "
            "album.strAlbum, song.strGenres, song.strReleaseDate, song.iDuration, song.rating, "
            "song.userrating, (SELECT group_concat(artist.strArtist, char(31)) FROM song_artist "
            "JOIN artist ON artist.idArtist = song_artist.idArtist WHERE song_artist.idSong = "
            "song.idSong AND song_artist.idRole = 1), (SELECT group_concat(genre.strGenre, "
            "char(31)) FROM song_genre JOIN genre ON genre.idGenre = song_genre.idGenre WHERE "
            "song_genre.idSong = song.idSong) FROM song JOIN path ON path.idPath = song.idPath "
            "LEFT JOIN album ON album.idAlbum = song.idAlbum ORDER BY song.idSong"));
    std::vector<KodiSong> songs;
    while (statement.next()) {
        KodiSong kodi;
        StoreSong& song = kodi.song;
        song.tagged = true;
        song.location = statement.text(0);
        song.title = boundedText(statement.text(1));
        song.artist = boundedText(statement.text(2));
        song.album = boundedText(statement.text(3));
        song.genre = boundedText(statement.text(4));
        // A release date: "1999" or "1999-05-01".
        kodi.year = statement.text(5).left(4).toInt();
        song.year = kodi.year > 0 ? QString::number(kodi.year) : QString();
        const qint64 seconds = statement.integer(6);
        song.seconds = seconds > 0 ? songLength(static_cast<double>(seconds)) : -1;
        kodi.rating = statement.real(7);
        kodi.userRating = static_cast<int>(statement.integer(8));
        song.rating = ratingFromTenPoints(QString::number(kodi.userRating));
        const QChar separator(31);
        kodi.artists = statement.text(9).split(separator, Qt::SkipEmptyParts);
        kodi.genres = statement.text(10).split(separator, Qt::SkipEmptyParts);
        songs.push_back(std::move(kodi));
    }
    return songs;
}

QString kodiRuleUnread(const KodiRule& rule) {
    const auto field = ruleFields().constFind(rule.field);
    const QString said = QStringLiteral("%1 %2").arg(rule.field, rule.op);
    if (field == ruleFields().cend()) {
        return QStringLiteral("a rule on a field it cannot read (%1)").arg(said);
    }
    const bool any = rule.op == u"is" || rule.op == u"isnot";
    const bool fits =
        *field == Field::Text ? any || isTextOperator(rule.op) : any || isNumberOperator(rule.op);
    if (!fits) {
        return QStringLiteral("a rule it cannot read (%1)").arg(said);
    }
    const qsizetype needed = rule.op == u"between" ? 2 : 1;
    if (rule.values.size() < needed) {
        return QStringLiteral("a rule without its value (%1)").arg(said);
    }
    if (*field != Field::Text) {
        for (const QString& value : rule.values) {
            if (numberOf(value, *field) < 0) {
                return QStringLiteral("a rule whose value is no number (%1 %2)").arg(said, value);
            }
        }
    }
    return {};
}

std::vector<StoreSong> kodiSmartSongs(const KodiSmartPlaylist& playlist,
                                      const std::vector<KodiSong>& songs) {
    std::vector<const KodiSong*> chosen;
    for (const KodiSong& song : songs) {
        const auto holds = [&](const KodiRule& rule) { return matches(song, rule); };
        const bool in =
            playlist.rules.empty() ||
            (playlist.matchAll ? std::all_of(playlist.rules.begin(), playlist.rules.end(), holds)
                               : std::any_of(playlist.rules.begin(), playlist.rules.end(), holds));
        if (in) {
            chosen.push_back(&song);
        }
    }
    sortSongs(chosen, playlist.order, playlist.descending);
    if (playlist.limit > 0 && chosen.size() > static_cast<std::size_t>(playlist.limit)) {
        chosen.resize(static_cast<std::size_t>(playlist.limit));
    }
    std::vector<StoreSong> result;
    for (const KodiSong* song : chosen) {
        result.push_back(song->song);
    }
    return result;
}

std::shared_ptr<Player> openKodi(const QString& location, SongSource songs, bool lookOnce) {
    const QString userdata = userdataOf(location);
    const QString folder = userdata + QStringLiteral("/playlists/music");
    const QString shown = QFileInfo(location).isDir() ? folder : location;
    if (!QFileInfo(folder).isDir()) {
        throw storeError(StoreKind::Kodi, shown, QStringLiteral("no playlists/music folder"));
    }
    // The songs the music database knows, read once for a listing.
    const auto knownSongs = [userdata] {
        const QString database = musicDatabaseIn(userdata + QStringLiteral("/Database"));
        if (database.isEmpty()) {
            return std::vector<KodiSong>();
        }
        return namingStore(StoreKind::Kodi, database,
                           [&] { return sqlite::reading(database, readKodiSongs); });
    };
    auto reader = [=] {
        std::vector<StoreListing> listings;
        QStringList files = QDir(folder).entryList(
            {QStringLiteral("*.m3u"), QStringLiteral("*.m3u8"), QStringLiteral("*.xsp")},
            QDir::Files, QDir::Name | QDir::IgnoreCase);
        for (const QString& file : files) {
            const QString path = folder + u'/' + file;
            const QString base = QFileInfo(file).completeBaseName();
            if (!file.endsWith(u".xsp", Qt::CaseInsensitive)) {
                listings.push_back(
                    {base, [=](QStringList&) {
                         const QByteArray bytes = namingStore(StoreKind::Kodi, path, [&] {
                             FileStamp stamp;
                             return readStoreFile(path, &stamp);
                         });
                         QHash<QString, StoreSong> known;
                         for (KodiSong& song : knownSongs()) {
                             known.insert(song.song.location, song.song);
                         }
                         std::vector<StoreSong> songs;
                         for (const PlaylistEntry& entry : parseM3u(bytes, folder).entries) {
                             songs.push_back(known.value(
                                 entry.location, untaggedSong(entry.location, entry.title)));
                         }
                         return songs;
                     }});
                continue;
            }
            StoreListing listing{base, nullptr};
            try {
                KodiSmartPlaylist smart = namingStore(StoreKind::Kodi, path, [&] {
                    FileStamp stamp;
                    return parseKodiSmartPlaylist(readStoreFile(path, &stamp));
                });
                if (!smart.name.isEmpty()) {
                    listing.name = smart.name;
                }
                QString why = smart.unread;
                if (smart.type != u"songs" && why.isEmpty()) {
                    why = QStringLiteral("it lists %1, not songs").arg(smart.type);
                }
                for (const KodiRule& rule : smart.rules) {
                    if (why.isEmpty()) {
                        why = kodiRuleUnread(rule);
                    }
                }
                if (why.isEmpty()) {
                    why = unreadOrder(smart.order);
                }
                if (!why.isEmpty()) {
                    listing.leftOut = QStringLiteral("Kodi's smart playlist \"%1\" is left out: %2")
                                          .arg(listing.name, why);
                } else {
                    listing.songs = [=](QStringList&) {
                        return kodiSmartSongs(smart, knownSongs());
                    };
                }
            } catch (const LibraryError& error) {
                listing.leftOut = QString::fromUtf8(error.what());
            }
            listings.push_back(std::move(listing));
        }
        return listings;
    };
    return std::make_shared<StoreLibrary>(std::move(reader), std::move(songs), lookOnce);
}

} // namespace corvane::library
