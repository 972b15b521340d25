#include "library/stores/PlayerStores.h"

#include "library/disk/RegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace corvane::library {
namespace {

// An XDG variable's folder; the XDG rules ignore a relative one.
QString xdgFolder(const QString& given, const QString& home, const char* fallback) {
    return QDir::isAbsolutePath(given) ? QDir::cleanPath(given)
                                       : QDir::cleanPath(home + u'/' + QLatin1StringView(fallback));
}

bool isFolder(const QString& path) {
    return QFileInfo(path).isDir();
}

bool isFile(const QString& path) {
    return fileStamp(path).isRegularFile();
}

// The stores kept in one file, by its usual name: a folder holding one stands for it.
struct StoreFile {
    StoreKind kind;
    const char* name;
};
constexpr StoreFile StoreFiles[] = {
    {StoreKind::Rhythmbox, "rhythmdb.xml"},    {StoreKind::Strawberry, "strawberry.db"},
    {StoreKind::Clementine, "clementine.db"},  {StoreKind::ITunes, "iTunes Music Library.xml"},
    {StoreKind::ITunes, "iTunes Library.xml"}, {StoreKind::Lollypop, "lollypop.db"},
    {StoreKind::Elisa, "elisaDatabase.db"}};

const StoreFile* storeFileIn(const QString& folder) {
    for (const StoreFile& file : StoreFiles) {
        if (isFile(folder + u'/' + QLatin1StringView(file.name))) {
            return &file;
        }
    }
    return nullptr;
}

std::optional<StoreKind> folderKind(const QString& folder) {
    const QFileInfo info(folder);
    const QString name = info.fileName();
    const QString parent = QFileInfo(info.absolutePath()).fileName();
    if (const StoreFile* file = storeFileIn(folder)) {
        return file->kind;
    }
    if (isFile(folder + QStringLiteral("/order")) ||
        (name == u"audacious" && isFolder(folder + QStringLiteral("/playlists")))) {
        return StoreKind::Audacious;
    }
    if ((name == u"playlists" && parent == u"cmus") ||
        (name == u"cmus" && isFolder(folder + QStringLiteral("/playlists")))) {
        return StoreKind::Cmus;
    }
    if ((name == u"music" && parent == u"playlists" &&
         isFolder(folder + QStringLiteral("/../../Database"))) ||
        (isFolder(folder + QStringLiteral("/playlists/music")) &&
         isFolder(folder + QStringLiteral("/Database"))) ||
        isFolder(folder + QStringLiteral("/userdata/playlists/music"))) {
        return StoreKind::Kodi;
    }
    if ((name == u"playlists" && (parent == u"quodlibet" || parent == u".quodlibet")) ||
        ((name == u"quodlibet" || name == u".quodlibet") &&
         isFolder(folder + QStringLiteral("/playlists")))) {
        return StoreKind::QuodLibet;
    }
    return std::nullopt;
}

std::optional<StoreKind> fileKind(const QString& file) {
    const QString name = QFileInfo(file).fileName().toLower();
    if (name == u"strawberry.db") {
        return StoreKind::Strawberry;
    }
    if (name == u"clementine.db") {
        return StoreKind::Clementine;
    }
    if (name == u"rhythmdb.xml") {
        return StoreKind::Rhythmbox;
    }
    if (name == u"lollypop.db" ||
        (name == u"playlists.db" &&
         isFile(QFileInfo(file).absolutePath() + QStringLiteral("/lollypop.db")))) {
        return StoreKind::Lollypop;
    }
    if (name == u"elisadatabase.db") {
        return StoreKind::Elisa;
    }
    if (name.startsWith(u"mymusic") && name.endsWith(u".db")) {
        return StoreKind::Kodi;
    }
    QByteArray head;
    FileStamp stamp;
    if (!readRegularFile(file, 4096, &head, &stamp)) {
        return std::nullopt;
    }
    // Which of the two the tables tell, once the database is open.
    if (head.startsWith(QByteArrayView("SQLite format 3\0", 16))) {
        return StoreKind::Strawberry;
    }
    if (head.contains("<rhythmdb")) {
        return StoreKind::Rhythmbox;
    }
    if (head.contains("<plist") ||
        (name.endsWith(u".xml") && (name.contains(u"itunes") || name == u"library.xml"))) {
        return StoreKind::ITunes;
    }
    return std::nullopt;
}

} // namespace

StoreEnvironment StoreEnvironment::current() {
    return {QDir::homePath(), qEnvironmentVariable("XDG_DATA_HOME"),
            qEnvironmentVariable("XDG_CONFIG_HOME"),
            QStandardPaths::writableLocation(QStandardPaths::MusicLocation)};
}

std::vector<FoundStore> usualStoreLocations(const StoreEnvironment& environment) {
    const QString& home = environment.home;
    const QString data = xdgFolder(environment.dataHome, home, ".local/share");
    const QString config = xdgFolder(environment.configHome, home, ".config");
    const QString music = environment.musicFolder.isEmpty()
                              ? QDir::cleanPath(home + QStringLiteral("/Music"))
                              : QDir::cleanPath(environment.musicFolder);
    std::vector<FoundStore> places{
        {StoreKind::Rhythmbox, data + QStringLiteral("/rhythmbox/rhythmdb.xml")},
        {StoreKind::Strawberry, data + QStringLiteral("/strawberry/strawberry/strawberry.db")},
        {StoreKind::Clementine, config + QStringLiteral("/Clementine/clementine.db")},
        // Clementine has written to ~/.config whatever XDG_CONFIG_HOME says.
        {StoreKind::Clementine, home + QStringLiteral("/.config/Clementine/clementine.db")},
        {StoreKind::Audacious, config + QStringLiteral("/audacious/playlists")},
        {StoreKind::Cmus, config + QStringLiteral("/cmus/playlists")},
        {StoreKind::ITunes, music + QStringLiteral("/iTunes/iTunes Music Library.xml")},
        {StoreKind::ITunes, music + QStringLiteral("/iTunes/iTunes Library.xml")},
        {StoreKind::ITunes, music + QStringLiteral("/iTunes/Library.xml")},
        {StoreKind::ITunes, music + QStringLiteral("/Library.xml")},
        {StoreKind::Lollypop, data + QStringLiteral("/lollypop/playlists.db")},
        {StoreKind::Kodi, home + QStringLiteral("/.kodi/userdata")},
        {StoreKind::Elisa, data + QStringLiteral("/elisa/elisaDatabase.db")},
        {StoreKind::QuodLibet, config + QStringLiteral("/quodlibet/playlists")},
        // Its older versions' place, used while ~/.config/quodlibet is not there.
        {StoreKind::QuodLibet, home + QStringLiteral("/.quodlibet/playlists")},
    };
    // A place named twice (XDG_CONFIG_HOME set to ~/.config) is looked at once.
    std::vector<FoundStore> unique;
    for (FoundStore& place : places) {
        if (std::find(unique.begin(), unique.end(), place) == unique.end()) {
            unique.push_back(std::move(place));
        }
    }
    return unique;
}

std::vector<FoundStore> findStores(const StoreEnvironment& environment) {
    std::vector<FoundStore> found;
    for (const FoundStore& place : usualStoreLocations(environment)) {
        const bool taken = std::any_of(found.begin(), found.end(),
                                       [&](const FoundStore& f) { return f.kind == place.kind; });
        const bool folder = place.kind == StoreKind::Audacious || place.kind == StoreKind::Cmus ||
                            place.kind == StoreKind::QuodLibet;
        // Kodi makes its playlists folder when it first starts.
        const bool present = place.kind == StoreKind::Kodi
                                 ? isFolder(place.location + QStringLiteral("/playlists/music"))
                                 : (folder ? isFolder(place.location) : isFile(place.location));
        if (!taken && present) {
            found.push_back(place);
        }
    }
    return found;
}

std::optional<StoreKind> storeKindOf(const QString& source) {
    if (source.isEmpty()) {
        return std::nullopt;
    }
    return isFolder(source) ? folderKind(source) : fileKind(source);
}

std::shared_ptr<Player> openStore(StoreKind kind, QString location, SongSource songs,
                                  bool lookOnce) {
    if (const StoreFile* file = storeFileIn(location);
        file && file->kind == kind && kind != StoreKind::Rhythmbox && kind != StoreKind::Lollypop) {
        location = QDir::cleanPath(location + u'/' + QLatin1StringView(file->name));
    }
    switch (kind) {
    case StoreKind::Rhythmbox:
        return openRhythmbox(location, std::move(songs), lookOnce);
    case StoreKind::Strawberry:
    case StoreKind::Clementine:
        return openSqliteStore(kind, location, std::move(songs), lookOnce);
    case StoreKind::Audacious:
        return openAudacious(location, std::move(songs), lookOnce);
    case StoreKind::Cmus:
        return openCmus(location, std::move(songs), lookOnce);
    case StoreKind::ITunes:
        return openITunes(location, std::move(songs), lookOnce);
    case StoreKind::Lollypop:
        return openLollypop(location, std::move(songs), lookOnce);
    case StoreKind::Kodi:
        return openKodi(location, std::move(songs), lookOnce);
    case StoreKind::Elisa:
        // Its ratings go with the music folder's playlist files: see openElisaRatings.
        throw storeError(kind, location, QStringLiteral("it keeps ratings, not playlists"));
    case StoreKind::QuodLibet:
        return openQuodLibet(location, std::move(songs), lookOnce);
    }
    return nullptr;
}

} // namespace corvane::library
