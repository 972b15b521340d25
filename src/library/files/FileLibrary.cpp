#include "library/files/FileLibrary.h"

#include "library/DistinctNames.h"
#include "library/disk/FileName.h"
#include "library/disk/RegularFile.h"
#include "library/files/MpdConf.h"
#include "library/files/PathResolver.h"
#include "library/files/StatedSong.h"
#include "library/playlists/PlaylistFormats.h"
#include "library/songs/SongFile.h"
#include "library/songs/SongFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>
#include <QStandardPaths>
#include <algorithm>

namespace corvane::library {
namespace {

// What the playlists of one library share: the songs read so far and, for the listing under
// way, the resolver with the folders it listed.
struct Lookup {
    explicit Lookup(const LibraryOptions& options)
        : songs(options) {}

    SongFiles songs;
    std::unique_ptr<PathResolver> resolver; // made when the listing first needs it
    unsigned listing = 1;

    void newListing() {
        ++listing;
        songs.newListing();
        resolver.reset();
    }
};

// What a playlist file holds, as parsed.
struct PlaylistFile {
    QString title; // the playlist's own name: the title it gives, else its file's name
    std::vector<PlaylistEntry> entries;
    QStringList roots;    // where its moved songs are sought
    QStringList notes;    // what the user should know of it: cut, parts left out
    QStringList suffixes; // what tells it from others of its title: file name, folders
    // The other files its entries were read from (the playlists it names, an audio file's CUE
    // sheet), as they were then: a change to one is a change to it.
    std::vector<std::pair<QString, FileStamp>> others;
    QString leftOut; // why it is no list of songs (see ParsedPlaylist), and is not listed
};

// A playlist's entries are found on disk when its songs are asked for, not when the list of
// playlists is made: a playlist of a million missing files is listed as fast as an empty one.
// Once per listing they are all found (one look at each file), and their songs read meanwhile.
class FilePlaylist final : public Playlist {
    using Song = std::shared_ptr<const MediaItem>;

public:
    FilePlaylist(QString name, std::shared_ptr<const PlaylistFile> file,
                 std::shared_ptr<Lookup> lookup)
        : name_(std::move(name))
        , file_(std::move(file))
        , lookup_(std::move(lookup)) {}

    QString name() const override { return name_; }
    const PlaylistFile& file() const { return *file_; }
    int count() const override { return static_cast<int>(file_->entries.size()); }

    std::shared_ptr<const MediaItem> item(int index) const override {
        if (index < 0 || index >= count()) {
            throw LibraryError("song index out of range");
        }
        const auto i = static_cast<std::size_t>(index);
        return landing_ && i < landing_->done ? landing_->songs[i] : songs()[i];
    }

    void whenKnown(const std::function<void(int)>& known) const override {
        if (listed_.listing != lookup_->listing && !landing_) {
            listIt([&](std::size_t done) { known(static_cast<int>(done)); });
        }
        known(count());
    }

    // The songs of the listing under way, in the playlist's order.
    const std::vector<std::shared_ptr<const MediaItem>>& songs() const {
        if (listed_.listing != lookup_->listing) {
            listIt({});
        }
        return listed_.songs;
    }

    // Reads the songs not read yet, as a read ahead (see SongFiles::songs); true when done.
    bool readAhead(const std::function<bool()>& stop) const {
        if (!readAhead_) {
            read(stop);
            readAhead_ = !stop();
        }
        return readAhead_;
    }

private:
    // Reads the listing's songs, telling `done` of the first ones as they land.
    void listIt(const std::function<void(std::size_t)>& done) const {
        Landing landing;
        landing_ = &landing;
        const auto landed = qScopeGuard([&] { landing_ = nullptr; });
        auto songs = read({}, [&](std::size_t first, std::vector<Song>& songs) {
            stated(songs, landing.done, first);
            landing = {first, songs.data()};
            if (done) {
                done(first);
            }
        });
        stated(songs, landing.done, songs.size());
        listed_ = {lookup_->listing, std::move(songs)};
    }

    // What the playlist states of its entries `from` .. `to` - 1, over their files' songs.
    void stated(std::vector<Song>& songs, std::size_t from, std::size_t to) const {
        const std::vector<PlaylistEntry>& entries = file_->entries;
        for (std::size_t i = from; i < to; ++i) {
            if (songs[i] && statesAnything(entries[i])) {
                const bool titled = SongFiles::givesTitle(*songs[i]);
                songs[i] = statedSong(std::move(songs[i]), entries[i], titled);
            }
        }
    }

    // Every entry's song. Its file is looked for once: as the entry writes it (one stat, on any
    // thread, while the songs of entries found are read), else by the resolver.
    std::vector<Song> read(const std::function<bool()>& stop,
                           const SongFiles::Landed& landed = {}) const {
        using Entry = SongFiles::Entry;
        const std::vector<PlaylistEntry>& entries = file_->entries;
        const auto fallback = [&](const PlaylistEntry& entry) {
            return entry.title.isEmpty() ? locationName(entry.location) : entry.title;
        };
        const auto local = [](const QString& location) {
            return location.startsWith(u'/') && !location.startsWith(u"//");
        };
        QStringList gone; // files named as they are written, and not there
        const auto find = [&](std::size_t i) {
            const PlaylistEntry& entry = entries[i];
            if (isStreamLocation(entry.location)) {
                return Entry::ofSong(songWithoutFile(fallback(entry)));
            }
            if (local(entry.location)) {
                bool exists = false;
                const FileStamp stamp = fileStamp(entry.location, &exists);
                if (exists) {
                    return Entry::ofFile({entry.location, stamp, fallback(entry)});
                }
            }
            return Entry{};
        };
        const auto findHere = [&](std::size_t i) {
            const PlaylistEntry& entry = entries[i];
            if (local(entry.location)) {
                gone.push_back(entry.location);
            }
            if (!lookup_->resolver) {
                lookup_->resolver = std::make_unique<PathResolver>();
            }
            if (QString path = lookup_->resolver->resolve(entry.location, file_->roots);
                !path.isEmpty()) {
                bool exists = false;
                const FileStamp stamp = fileStamp(path, &exists);
                if (exists) {
                    return Entry::ofFile({std::move(path), stamp, fallback(entry)});
                }
            }
            return Entry::ofSong(
                songWithoutFile(fallback(entry), entry.location, QStringLiteral("no such file")));
        };
        return lookup_->songs.songs(entries.size(), find, findHere, gone, stop, landed);
    }

    QString name_;
    std::shared_ptr<const PlaylistFile> file_;
    std::shared_ptr<Lookup> lookup_;
    mutable struct {
        unsigned listing = 0;
        std::vector<Song> songs;
    } listed_;
    // While the listing's songs land: the first `done` of them.
    struct Landing {
        std::size_t done = 0;
        const Song* songs = nullptr;
    };
    mutable const Landing* landing_ = nullptr;
    mutable bool readAhead_ = false;
};

// The playlist files in a folder and below it. A folder whose modification time is unchanged
// holds the same entries, so only changed folders are listed again; symbolic links to folders
// are not followed (no loops).
class PlaylistFinder {
public:
    struct Found {
        QStringList files;      // sorted by path
        QStringList unreadable; // folders that could not be listed, "path: why", sorted
    };

    Found find(const QString& root) {
        Found found;
        QHash<QString, Folder> seen;
        QStringList pending{root};
        while (!pending.isEmpty()) {
            const QString path = pending.takeLast();
            const qint64 modified = folderModifiedNs(path);
            if (modified < 0) {
                continue;
            }
            Folder folder;
            if (const auto known = folders_.constFind(path);
                known != folders_.cend() && known->modifiedNs == modified && !known->racy) {
                folder = *known;
            } else if (int error = 0; !list(path, modified, &folder, &error)) {
                found.unreadable.push_back(shownName(path) + QStringLiteral(": ") +
                                           errorText(error));
                continue;
            }
            found.files += folder.playlists;
            pending += folder.folders;
            seen.insert(path, std::move(folder));
        }
        folders_ = std::move(seen);
        found.files.sort();
        found.unreadable.sort();
        return found;
    }

private:
    struct Folder {
        qint64 modifiedNs = 0;
        bool racy = false; // changed so lately that a change within the same tick could follow
        QStringList playlists;
        QStringList folders;
    };

    static bool list(const QString& path, qint64 modified, Folder* folder, int* error) {
        const std::vector<FolderEntry> entries = listFolder(path, true, error);
        if (*error != 0) {
            return false;
        }
        folder->modifiedNs = modified;
        // File systems with coarse times (FAT: 2 s) could hide a second change.
        constexpr qint64 RacyNs = 3'000'000'000;
        folder->racy = QDateTime::currentMSecsSinceEpoch() * 1'000'000 - modified < RacyNs;
        const QString prefix = path.endsWith(u'/') ? path : path + u'/';
        for (const FolderEntry& entry : entries) {
            if (entry.kind == FolderEntry::Folder) {
                folder->folders.push_back(prefix + entry.name);
            } else if (entry.kind == FolderEntry::File && hasPlaylistExtension(entry.name)) {
                folder->playlists.push_back(prefix + entry.name);
            }
        }
        return true;
    }

    QHash<QString, Folder> folders_;
};

// A playlist file as read: its bytes and parser, or why it cannot be read as a playlist.
struct PlaylistRead {
    QByteArray bytes;
    FileStamp stamp;
    PlaylistParser parser = nullptr;
    QString why;      // why the file cannot be read as a playlist; empty when it can
    bool cut = false; // larger than MaxPlaylistBytes: cut after its last whole line there
};

PlaylistRead readPlaylistFile(const QString& file) {
    PlaylistRead read;
    if (!readRegularFile(file, MaxPlaylistBytes, &read.bytes, &read.stamp)) {
        read.why = whyUnreadable(file);
        return read;
    }
    read.parser = choosePlaylistParser(file, read.bytes);
    if (!read.parser) {
        read.why = QStringLiteral("not a playlist file (%1)").arg(playlistFileTypes());
    }
    read.cut = read.stamp.size > read.bytes.size();
    if (read.cut) {
        read.bytes = wholeLines(std::move(read.bytes));
    }
    return read;
}

bool isLocal(const QString& location) {
    return location.startsWith(u'/') && !location.startsWith(u"//");
}

// How deep playlists that name playlists are followed, and how many entries they may come to: a
// few files naming each other many times over would otherwise grow without end.
constexpr qsizetype MaxNesting = 8;
constexpr std::size_t MaxEntries = 4'000'000;

// A playlist's entries, each one that names a playlist file replaced by that playlist's entries
// (read relative to its own folder). A playlist that names itself or one it is part of is cut
// there, as is one nested too deep; either is said.
class Expansion {
public:
    std::vector<PlaylistEntry> entries;
    QStringList notes;
    std::vector<std::pair<QString, FileStamp>> others; // the playlists read

    // `chain`: the real paths of the playlist whose entries these are and of those it is part of.
    void add(std::vector<PlaylistEntry> list, QStringList& chain) {
        // Most playlists name no other: their entries are taken as they are, not one by one.
        if (entries.empty() && list.size() <= MaxEntries &&
            std::none_of(list.begin(), list.end(), namesPlaylist)) {
            entries = std::move(list);
            return;
        }
        for (PlaylistEntry& entry : list) {
            if (entries.size() >= MaxEntries) {
                notes.push_back(QStringLiteral("%1: its nested playlists come to more than %2 "
                                               "entries: only those were read")
                                    .arg(shownName(chain.front()))
                                    .arg(MaxEntries));
                return;
            }
            const QString real = namesPlaylist(entry) ? realPath(entry.location) : QString();
            if (real.isEmpty()) {
                entries.push_back(std::move(entry));
                continue;
            }
            if (chain.contains(real)) {
                notes.push_back(real == chain.back()
                                    ? QStringLiteral("%1: names itself: left out there")
                                          .arg(shownName(chain.back()))
                                    : QStringLiteral("%1: names %2, which names it: left out there")
                                          .arg(shownName(chain.back()), shownName(real)));
                continue;
            }
            if (chain.size() > MaxNesting) {
                notes.push_back(QStringLiteral("%1: playlists nested more than %2 deep: left out")
                                    .arg(shownName(real))
                                    .arg(MaxNesting));
                continue;
            }
            PlaylistRead read = readPlaylistFile(real);
            if (!read.why.isEmpty()) {
                entries.push_back(std::move(entry)); // a song that cannot be read, as it says
                continue;
            }
            others.emplace_back(real, read.stamp);
            ParsedPlaylist nested =
                read.parser(read.bytes, QFileInfo(entry.location).absolutePath());
            if (!nested.leftOut.isEmpty()) {
                notes.push_back(shownName(real) + QStringLiteral(": ") + nested.leftOut +
                                QStringLiteral(": left out"));
                continue;
            }
            for (const QString& note : nested.notes) {
                notes.push_back(shownName(real) + QStringLiteral(": ") + note);
            }
            chain.push_back(real);
            add(std::move(nested.entries), chain);
            chain.pop_back();
        }
    }

private:
    static bool namesPlaylist(const PlaylistEntry& entry) {
        return isLocal(entry.location) && entry.start < 0 &&
               (entry.playlist || hasPlaylistExtension(entry.location));
    }
};

// A CUE sheet's audio file that is not where its FILE line says, sought as players seek it:
// beside the sheet too, and under its name with any audio file's extension (a WAV rip that was
// compressed since). The location as it is when none is there.
QString cueAudioFile(const QString& location, const QString& sheetFolder) {
    bool exists = false;
    if (isLocal(location) && (fileStamp(location, &exists), exists)) {
        return location;
    }
    static const char* const Extensions[] = {"flac", "ape", "wv",  "wav",  "mp3", "ogg",
                                             "opus", "m4a", "tta", "aiff", "mpc", "wma"};
    const QString name = locationName(location);
    const QString base = name.left(name.lastIndexOf(u'.'));
    QStringList folders{sheetFolder};
    if (isLocal(location)) {
        folders.prepend(location.left(location.lastIndexOf(u'/')));
    }
    for (const QString& folder : folders) {
        for (const char* extension : Extensions) {
            const QString candidate = folder + u'/' + (base.isEmpty() ? name : base) + u'.' +
                                      QLatin1StringView(extension);
            if (fileStamp(candidate, &exists); exists) {
                return candidate;
            }
        }
    }
    return location;
}

// "1 playlist file could not be read (/music/a.m3u: permission denied)", "3 ... (first: ...)".
QString countNote(const QStringList& problems, const char* one, const char* many) {
    return problems.size() == 1
               ? QStringLiteral("1 %1 (%2)").arg(QLatin1StringView(one), problems.front())
               : QStringLiteral("%1 %2 (first: %3)")
                     .arg(problems.size())
                     .arg(QLatin1StringView(many), problems.front());
}

} // namespace

struct FileLibrary::State {
    QString root;       // the folder whose playlists are listed, and where moved songs are sought
    QString singleFile; // the one playlist file, when the source is a file
    QStringList roots;  // where moved songs are sought: the root, then the music folders
    QHash<QString, QString> mpdMusic; // MPD's music folder, by its playlist folder's real path

    struct Cached {
        FileStamp stamp;
        std::shared_ptr<const PlaylistFile> file;
        std::shared_ptr<const FilePlaylist> playlist; // under its distinct name
    };
    QHash<QString, Cached> playlists;                         // by file
    std::vector<std::shared_ptr<const FilePlaylist>> inOrder; // natural order of names
    QStringList notes; // of the last listing: what could not be read, or that nothing was found
    PlaylistFinder finder;
    std::shared_ptr<Lookup> lookup;
    long long playlistReads = 0;
    qsizetype filesFound = 0;
    bool lookOnce = false; // see LibraryOptions
    bool looked = false;

    explicit State(const LibraryOptions& options)
        : lookup(std::make_shared<Lookup>(options))
        , lookOnce(options.lookOnce) {}

    std::shared_ptr<const PlaylistFile> parse(const QString& path, PlaylistRead read) const {
        const QFileInfo info(path); // names only: the file system is asked nothing
        ParsedPlaylist parsed = read.parser(read.bytes, info.absolutePath());
        auto file = std::make_shared<PlaylistFile>();
        file->leftOut = parsed.leftOut;
        if (read.cut) {
            file->notes.push_back(
                QStringLiteral("%1: larger than %2 MB, only its first %2 MB were read")
                    .arg(shownName(path))
                    .arg(MaxPlaylistBytes / (1024 * 1024)));
        }
        for (const QString& note : parsed.notes) {
            file->notes.push_back(shownName(path) + QStringLiteral(": ") + note);
        }
        // Names are keys, shown on one line each: a control character in a file name or a
        // title never breaks one in two.
        Expansion expansion;
        QStringList chain{realPath(path)};
        expansion.add(std::move(parsed.entries), chain);
        file->notes += expansion.notes;
        file->others = std::move(expansion.others);
        file->entries = std::move(expansion.entries);
        embeddedSheet(*file, parsed.title);
        QHash<QString, QString> audio; // of the CUE sheets' FILEs
        for (PlaylistEntry& entry : file->entries) {
            if (entry.start >= 0) {
                auto found = audio.find(entry.location);
                if (found == audio.end()) {
                    found = audio.insert(entry.location,
                                         cueAudioFile(entry.location, info.absolutePath()));
                }
                entry.location = *found;
            }
        }
        const QString title = parsed.title.trimmed();
        file->title = shownName(title.isEmpty() ? info.completeBaseName() : title);
        file->roots = roots;
        // MPD's playlists name their songs relative to MPD's music folder.
        if (const QString music = mpdMusic.value(realPath(info.absolutePath())); !music.isEmpty()) {
            file->roots.insert(1, music);
        }
        // The file's name, then its folders up to the library's own.
        file->suffixes.push_back(shownName(info.fileName()));
        const QString from = root.left(root.lastIndexOf(u'/') + 1);
        QStringList folders = info.absolutePath().mid(from.size()).split(u'/', Qt::SkipEmptyParts);
        for (qsizetype k = folders.size() - 1; k >= 0; --k) {
            file->suffixes.push_back(shownName(folders.sliced(k).join(u'/')));
        }
        return file;
    }

    // A playlist of one audio file that keeps a CUE sheet in its tags is that sheet's tracks,
    // named by the sheet's title when the playlist gives none.
    static void embeddedSheet(PlaylistFile& file, QString& title) {
        if (file.entries.size() != 1 || file.entries.front().start >= 0 ||
            !isLocal(file.entries.front().location)) {
            return;
        }
        const QString path = file.entries.front().location;
        const QString type = QFileInfo(path).suffix().toLower();
        if (type != u"flac" && type != u"ape" && type != u"wv") {
            return;
        }
        bool exists = false;
        const FileStamp stamp = fileStamp(path, &exists);
        const QString sheet = exists ? embeddedCueSheet(path) : QString();
        ParsedPlaylist tracks = parseEmbeddedCue(sheet, path);
        if (tracks.entries.empty()) {
            return;
        }
        file.entries = std::move(tracks.entries);
        file.others.emplace_back(path, stamp);
        title = title.trimmed().isEmpty() ? tracks.title : title;
    }

    static bool othersUnchanged(const PlaylistFile& file) {
        return std::all_of(file.others.begin(), file.others.end(), [](const auto& other) {
            return fileStamp(other.first) == other.second;
        });
    }

    // The playlists as the files now stand: only new and changed files are read.
    void refresh() {
        if (lookOnce && std::exchange(looked, true)) {
            return;
        }
        lookup->newListing();
        PlaylistFinder::Found found =
            singleFile.isEmpty() ? finder.find(root) : PlaylistFinder::Found{{singleFile}, {}};
        filesFound = found.files.size();
        QHash<QString, Cached> current;
        current.reserve(found.files.size());
        QStringList unreadable;
        bool changed = false;
        for (const QString& file : found.files) {
            const FileStamp stamp = fileStamp(file);
            if (const auto known = playlists.constFind(file); known != playlists.cend() &&
                                                              known->stamp == stamp &&
                                                              othersUnchanged(*known->file)) {
                current.insert(file, *known);
                continue;
            }
            PlaylistRead read = readPlaylistFile(file);
            if (!read.why.isEmpty()) {
                unreadable.push_back(shownName(file) + QStringLiteral(": ") + read.why);
                continue;
            }
            changed = true;
            ++playlistReads;
            const FileStamp readStamp = read.stamp;
            current.insert(file, {readStamp, parse(file, std::move(read)), nullptr});
        }
        notes.clear();
        for (const QString& file : found.files) {
            if (const auto read = current.constFind(file);
                read != current.cend() && !read->file->leftOut.isEmpty()) {
                notes.push_back(shownName(file) + QStringLiteral(": ") + read->file->leftOut +
                                QStringLiteral(": left out"));
            }
        }
        if (found.files.isEmpty() && found.unreadable.isEmpty()) {
            notes.push_back(QStringLiteral("no playlist found in %1 or below (the files read: %2)")
                                .arg(shownName(root), playlistFileTypes()));
        }
        if (!unreadable.isEmpty()) {
            notes.push_back(countNote(unreadable, "playlist file could not be read",
                                      "playlist files could not be read"));
        }
        if (!found.unreadable.isEmpty()) {
            notes.push_back(countNote(found.unreadable, "folder could not be read",
                                      "folders could not be read"));
        }
        if (changed || current.size() != playlists.size()) {
            playlists = std::move(current);
            name(found.files);
        }
    }

    // With what the user should know of the playlist files and of the tag index.
    PlaylistArray array(const std::vector<std::shared_ptr<const FilePlaylist>>& chosen,
                        QStringList more) const {
        std::vector<std::shared_ptr<const Playlist>> result(chosen.begin(), chosen.end());
        for (const auto& playlist : chosen) {
            more += playlist->file().notes;
        }
        more += lookup->songs.takeNotes();
        return PlaylistArray(std::move(result), std::move(more));
    }

    // Gives every playlist its distinct name, the files taken in the order of their paths (the
    // first of a name keeps it), and sorts them by name; ties keep that order.
    void name(const QStringList& files) {
        std::vector<Cached*> listed;
        std::vector<NameClaim> claims;
        for (const QString& file : files) {
            if (const auto found = playlists.find(file);
                found != playlists.end() && found->file->leftOut.isEmpty()) {
                listed.push_back(&found.value());
                claims.push_back({found->file->title, found->file->suffixes});
            }
        }
        const QStringList names = distinctNames(claims);
        inOrder.clear();
        for (std::size_t i = 0; i < listed.size(); ++i) {
            Cached& cached = *listed[i];
            const QString& name = names[static_cast<qsizetype>(i)];
            if (!cached.playlist || cached.playlist->name() != name) {
                cached.playlist = std::make_shared<const FilePlaylist>(name, cached.file, lookup);
            }
            inOrder.push_back(cached.playlist);
        }
        const PlaylistNameOrder order;
        std::stable_sort(inOrder.begin(), inOrder.end(),
                         [&](const auto& a, const auto& b) { return order(a->name(), b->name()); });
    }
};

FileLibrary::FileLibrary(const QString& source, const LibraryOptions& options)
    : state_(std::make_shared<State>(options)) {
    const QString path = absolutePath(source);
    if (folderModifiedNs(path) >= 0) {
        state_->root = path;
    } else {
        state_->singleFile = path;
        state_->root = path.left(std::max<qsizetype>(path.lastIndexOf(u'/'), 1));
    }
    state_->roots = QStringList{state_->root};
    if (!options.musicFolder.isEmpty()) {
        state_->roots.push_back(absolutePath(options.musicFolder));
    }
    state_->roots.push_back(QStandardPaths::writableLocation(QStandardPaths::MusicLocation));
    for (const MpdFolders& mpd : mpdConfigurations()) {
        if (const QString playlists = realPath(mpd.playlists); !playlists.isEmpty()) {
            state_->mpdMusic.insert(playlists, mpd.music);
        }
    }
}

FileLibrary::~FileLibrary() = default;

std::shared_ptr<const PlaylistCollection> FileLibrary::playlistCollection() const {
    return shared_from_this();
}

PlaylistArray FileLibrary::getAll() const {
    state_->refresh();
    return state_->array(state_->inOrder, state_->notes);
}

PlaylistArray FileLibrary::getByName(const QString& name) const {
    state_->refresh();
    std::vector<std::shared_ptr<const FilePlaylist>> found;
    for (const auto& playlist : state_->inOrder) {
        if (playlist->name() == name) {
            // Its songs are read now, so that what the tag index had to say comes with it.
            playlist->songs();
            found.push_back(playlist);
        }
    }
    return state_->array(found, {});
}

bool FileLibrary::readAhead(const std::function<bool()>& stop) const {
    for (const auto& playlist : state_->inOrder) {
        if (!playlist->readAhead(stop)) {
            return false;
        }
    }
    return true;
}

long long FileLibrary::audioFileReads() const {
    return state_->lookup->songs.reads();
}

long long FileLibrary::playlistFileReads() const {
    return state_->playlistReads;
}

qsizetype FileLibrary::playlistFilesFound() const {
    return state_->filesFound;
}

std::shared_ptr<Player> openFileLibrary(const QString& source, QString* error,
                                        const LibraryOptions& options) {
    const auto fail = [&](const QString& why) -> std::shared_ptr<Player> {
        if (error) {
            *error =
                QStringLiteral("cannot read the library \"%1\": %2").arg(shownName(source), why);
        }
        return nullptr;
    };
    if (source.isEmpty()) {
        return fail(QStringLiteral("no folder or playlist file named"));
    }
    if (int why = 0; !pathExists(source, &why)) {
        return fail(why == ENOENT || why == ENOTDIR ? QStringLiteral("no such folder or file")
                                                    : errorText(why));
    }
    if (folderModifiedNs(source) >= 0) {
        if (int why = 0; listFolder(source, false, &why).empty() && why != 0) {
            return fail(QStringLiteral("the folder cannot be read (%1)").arg(errorText(why)));
        }
    } else if (!fileStamp(source).isRegularFile()) {
        return fail(QStringLiteral("neither a folder nor a playlist file"));
    } else {
        if (const PlaylistRead read = readPlaylistFile(source); !read.why.isEmpty()) {
            return fail(read.why);
        }
    }
    return std::make_shared<FileLibrary>(source, options);
}

bool holdsPlaylistFile(const QString& folder) {
    return !PlaylistFinder().find(folder).files.isEmpty();
}

} // namespace corvane::library
