// library/: the media library. At the top, the interface every backend implements (this file,
// Reading.h, DistinctNames.h: they use nothing else of ours) and the libraries made of others
// (MergedLibrary, LibrarySource, MemoryLibrary), which may use every folder below. Below, one
// folder per kind of part: files/, mpd/ and stores/ are the backends; they use songs/ and
// playlists/, which use disk/. Nothing below uses the top but its interface.
#pragma once

#include <QCollator>
#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

// The media library as the views see it: a player, its playlist collection, playlists and their
// songs (media items), read only. Backends: the playlist files on disk (FileLibrary), an MPD
// server (MpdLibrary), the players' stores (StoreLibrary) and a library built in code
// (MemoryLibrary); MergedLibrary joins several, LibrarySource chooses them.
//
// Any call may fail by throwing LibraryError (or any std::exception); callers run each call under
// resumeNext() so that a failure skips that one statement and the procedure goes on.
namespace corvane::library {

class LibraryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class MediaItem {
public:
    virtual ~MediaItem() = default;
    // The song title.
    virtual QString name() const = 0;
    // "mm:ss": minutes with at least two digits, a colon, two-digit seconds ("03:45", "75:00").
    virtual QString durationString() const = 0;
    // "Duration", "UserRating", "Artist", "WM/Genre", "WM/Year", "Album", "FileType": the value as
    // text, empty when the song has none.
    virtual QString getItemInfo(const QString& attribute) const = 0;
};

class Playlist {
public:
    virtual ~Playlist() = default;
    virtual QString name() const = 0;
    virtual int count() const = 0;
    // The song at `index` (from 0), in the playlist's own order; throws LibraryError outside.
    virtual std::shared_ptr<const MediaItem> item(int index) const = 0;
    // Tells `known` on the calling thread, each time more of the first songs are known, how many
    // are (item() answers them at once), the last time count(): a listing forms its first lines
    // while later songs are still being read. `known` must not throw. Throws as count() does.
    // A playlist in memory knows all its songs at once.
    virtual void whenKnown(const std::function<void(int songs)>& known) const { known(count()); }
};

class PlaylistArray {
public:
    PlaylistArray() = default;
    explicit PlaylistArray(std::vector<std::shared_ptr<const Playlist>> playlists,
                           QStringList notes = {}, QString error = {})
        : playlists_(std::move(playlists))
        , notes_(std::move(notes))
        , error_(std::move(error)) {}
    int count() const { return static_cast<int>(playlists_.size()); }
    // Throws LibraryError outside 0 .. count() - 1.
    std::shared_ptr<const Playlist> item(int index) const;
    // What the user should know of a listing that succeeded all the same, one line each ("2
    // playlist files could not be read (first: /music/a.m3u: permission denied)", a file cut,
    // no playlist found); empty when there is nothing to say.
    const QStringList& notes() const { return notes_; }
    // A failure to read part of what was asked for (a store whose song database is damaged):
    // the playlists show what could be read all the same, and this is said as an error, in one
    // line. Empty when everything was read.
    const QString& error() const { return error_; }

private:
    std::vector<std::shared_ptr<const Playlist>> playlists_;
    QStringList notes_;
    QString error_;
};

class PlaylistCollection {
public:
    virtual ~PlaylistCollection() = default;
    // Every playlist, in a stable order.
    virtual PlaylistArray getAll() const = 0;
    // Every playlist whose name is exactly `name`.
    virtual PlaylistArray getByName(const QString& name) const = 0;
};

class Player {
public:
    virtual ~Player() = default;
    virtual QString versionInfo() const = 0;
    virtual std::shared_ptr<const PlaylistCollection> playlistCollection() const = 0;
};

class ReadProgress;

// The ratings a player keeps of the songs in its own database, which win over their files'.
class StoredRatings {
public:
    virtual ~StoredRatings() = default;
    // The rating (0-99) of the song at `path`; -1 when the player does not know the song.
    virtual int rating(const QString& path) const = 0;
    // Reads the ratings again when the player changed them; true when it did.
    virtual bool refresh() = 0;
};

// How a library is opened, beyond its source.
struct LibraryOptions {
    // Where a playlist's relative or moved songs are sought, beside the library's own folder
    // (--music-folder); empty when none is given.
    QString musicFolder;
    // The tag index file (TagIndex.h) that songs read from audio files are kept in; empty: none
    // (--no-index).
    QString tagIndex{};
    // Hears how far the reading of songs from their files is, and may stop it; may be null.
    std::shared_ptr<ReadProgress> progress{};
    // How many songs are read from their files at once; 0: one per core.
    int readingThreads = 0;
    // A run that shows one view (the command line): the library is looked at once, by its first
    // listing, and later listings show the same; else every listing looks at the files again.
    bool lookOnce = false;
    // A player's ratings of the songs read from files; null: the files' own.
    std::shared_ptr<StoredRatings> ratings{};
};

// Attribute names of getItemInfo.
namespace attribute {
inline const QString Duration = QStringLiteral("Duration");
inline const QString UserRating = QStringLiteral("UserRating");
inline const QString Artist = QStringLiteral("Artist");
inline const QString Genre = QStringLiteral("WM/Genre");
inline const QString Year = QStringLiteral("WM/Year");
inline const QString Album = QStringLiteral("Album");
inline const QString FileType = QStringLiteral("FileType");
} // namespace attribute

// A song's getItemInfo texts, one for each attribute name, made once by a backend.
struct ItemInfo {
    QString duration;
    QString userRating;
    QString artist;
    QString genre;
    QString year;
    QString album;
    QString fileType;

    // The text for `attribute`; empty for any other name.
    QString get(const QString& attribute) const;
};

// No song lasts longer than a week: a length that is not finite, negative or longer than that is
// a damaged or hostile store's, and is unknown (-1). Every backend's lengths pass through here.
inline constexpr double LongestSongSeconds = 7 * 24 * 3600.0;
double songLength(double seconds);

// Texts from outside (tags, names, paths, a server's answers) are kept to this many characters:
// more is no title or path, and would cost every listing and message its size.
inline constexpr qsizetype MaxOutsideText = 4096;
// `text` cut to MaxOutsideText characters, a surrogate pair kept whole.
QString boundedText(QString text);

// "mm:ss" for a duration in seconds, rounded to the nearest second ("03:45", "75:00").
QString durationText(double seconds);
// The "Duration" text of a length in seconds: up to 12 significant digits ("225.5", "3").
QString secondsText(double seconds);

// A song whose texts were all made when it was read, as the backends that read a whole playlist
// at once make them.
class ReadySong final : public MediaItem {
public:
    ReadySong(QString name, QString clock, ItemInfo texts)
        : name_(std::move(name))
        , clock_(std::move(clock))
        , texts_(std::move(texts)) {}

    QString name() const override { return name_; }
    QString durationString() const override { return clock_; }
    QString getItemInfo(const QString& attribute) const override { return texts_.get(attribute); }

private:
    QString name_;
    QString clock_;
    ItemInfo texts_;
};

// The year of a date tag: its first run of four digits ("2019-05-03", "03/05/2019"); empty when
// there is none, or it is "0000".
QString yearOf(const QString& date);

// The order of playlists in the list, by name: the user's locale (English under the C locale),
// numbers by their value, case ignored; names still equal by their code points.
class PlaylistNameOrder {
public:
    PlaylistNameOrder();
    bool operator()(const QString& a, const QString& b) const;

private:
    QCollator collator_;
};

// What a failure says, for a status line: the exception's message, never empty.
QString failureReason(const std::exception_ptr& failure);

// Runs one statement of a procedure; a failure skips it and the procedure goes on. With
// `failure`, a failure's reason is kept there.
template <class Statement>
bool resumeNext(Statement&& statement, QString* failure = nullptr) noexcept {
    try {
        statement();
        return true;
    } catch (...) {
        if (failure) {
            *failure = failureReason(std::current_exception());
        }
        return false;
    }
}

} // namespace corvane::library
