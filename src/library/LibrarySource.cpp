#include "library/LibrarySource.h"

#include "library/MergedLibrary.h"
#include "library/disk/FileName.h"
#include "library/files/FileLibrary.h"
#include "library/mpd/MpdConnection.h"
#include "library/mpd/MpdLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace corvane::library {
namespace {

const QString PlaylistFiles = QStringLiteral("playlist files");
const QString Mpd = QStringLiteral("MPD");

QString kindOf(const QString& source) {
    if (isMpdSource(source)) {
        return Mpd;
    }
    if (const std::optional<StoreKind> kind = storeKindOf(source)) {
        return storeName(*kind);
    }
    return PlaylistFiles;
}

// The source at `location`, opened by `open` (which throws LibraryError saying why it cannot).
FoundSource opened(QString kind, QString location,
                   std::function<std::shared_ptr<const Player>()> open) {
    FoundSource found{std::move(kind), std::move(location), nullptr, {}, std::move(open)};
    resumeNext([&] { found.player = found.open(); }, &found.problem);
    return found;
}

QString musicFolderOf(const SourceEnvironment& environment) {
    const QString& music = environment.stores.musicFolder;
    return music.isEmpty() ? QDir::cleanPath(environment.stores.home + QStringLiteral("/Music"))
                           : QDir::cleanPath(music);
}

QStringList mpdEndpoints(const SourceEnvironment& environment) {
    QStringList endpoints;
    if (const auto address = parseMpdSource(QStringLiteral("mpd://"), environment.mpd, nullptr)) {
        for (const MpdEndpoint& endpoint : address->endpoints) {
            endpoints.push_back(endpoint.text());
        }
    }
    return endpoints;
}

constexpr StoreKind Players[] = {StoreKind::Rhythmbox, StoreKind::Strawberry, StoreKind::Clementine,
                                 StoreKind::Audacious, StoreKind::Cmus,       StoreKind::ITunes,
                                 StoreKind::Lollypop,  StoreKind::Kodi,       StoreKind::Elisa,
                                 StoreKind::QuodLibet};

// The music folder's playlist files with Elisa's ratings, from its database at `location`.
std::shared_ptr<Player> openElisa(const QString& location, const QString& musicFolder,
                                  LibraryOptions options) {
    options.ratings = openElisaRatings(location);
    return std::make_shared<FileLibrary>(musicFolder, options);
}

} // namespace

SourceEnvironment SourceEnvironment::current() {
    return {StoreEnvironment::current(),
            {qEnvironmentVariable("MPD_HOST"), qEnvironmentVariable("MPD_PORT"),
             qEnvironmentVariable("XDG_RUNTIME_DIR")}};
}

std::shared_ptr<Player> openLibrary(const QString& source, QString* error,
                                    const LibraryOptions& options) {
    if (isMpdSource(source)) {
        return openMpdLibrary(source, error, options.progress);
    }
    if (const std::optional<StoreKind> kind = storeKindOf(source)) {
        try {
            if (*kind == StoreKind::Elisa) {
                return openElisa(source, musicFolderOf(SourceEnvironment::current()), options);
            }
            return openStore(*kind, source, songFileSource(), options.lookOnce);
        } catch (const LibraryError& failure) {
            if (error) {
                *error = QString::fromStdString(failure.what());
            }
            return nullptr;
        }
    }
    return openFileLibrary(source, error, options);
}

std::vector<FoundSource> findSources(const SourceEnvironment& environment,
                                     const LibraryOptions& options) {
    std::vector<FoundSource> found;
    const std::vector<FoundStore> stores = findStores(environment.stores);
    // Elisa's playlists are the music folder's files: found, its ratings go with them, and it
    // stands for the music folder (when it cannot be read, the folder is listed as it is).
    const auto elisa = std::find_if(stores.begin(), stores.end(),
                                    [](const FoundStore& s) { return s.kind == StoreKind::Elisa; });
    LibraryOptions musicOptions = options;
    QString elisaProblem;
    if (elisa != stores.end()) {
        resumeNext([&] { musicOptions.ratings = openElisaRatings(elisa->location); },
                   &elisaProblem);
    }
    const bool withElisa = musicOptions.ratings != nullptr;
    // The music folder counts when it holds a playlist file, read or not.
    const QString music = musicFolderOf(environment);
    if (QFileInfo(music).isDir()) {
        const auto files = std::make_shared<FileLibrary>(music, musicOptions);
        files->getAll();
        if (files->playlistFilesFound() > 0 || withElisa) {
            found.push_back({withElisa ? storeName(StoreKind::Elisa) : PlaylistFiles,
                             withElisa ? elisa->location : music,
                             files,
                             {},
                             [files] { return files; }});
        }
    }
    for (const FoundStore& store : stores) {
        if (store.kind == StoreKind::Elisa) {
            if (!withElisa) {
                found.push_back({storeName(store.kind), store.location, nullptr, elisaProblem,
                                 [elisaProblem]() -> std::shared_ptr<const Player> {
                                     throw LibraryError(elisaProblem.toStdString());
                                 }});
            }
            continue;
        }
        found.push_back(
            opened(storeName(store.kind), store.location, [store, lookOnce = options.lookOnce] {
                return openStore(store.kind, store.location, songFileSource(), lookOnce);
            }));
    }
    // A server counts when it answers at once: nobody waits for one that is not there.
    if (std::optional<MpdAddress> address =
            parseMpdSource(QStringLiteral("mpd://"), environment.mpd, nullptr)) {
        if (const auto endpoint = answeringMpdEndpoint(*address, MpdGreetingMs)) {
            address->endpoints = {*endpoint};
            found.push_back(opened(Mpd, QStringLiteral("mpd://") + endpoint->text(),
                                   [address = *address, progress = options.progress] {
                                       return std::make_shared<MpdLibrary>(
                                           address, MpdLibrary::DefaultTimeoutSeconds,
                                           MpdLibrary::Bounds{.progress = progress});
                                   }));
        }
    }
    return found;
}

QString placesSought(const SourceEnvironment& environment) {
    QStringList players;
    for (const StoreKind kind : Players) {
        players.push_back(storeName(kind));
    }
    const QString last = players.takeLast();
    return QStringLiteral("%1, the usual places of %2 and %3, and MPD at %4")
        .arg(shownName(musicFolderOf(environment)), players.join(QStringLiteral(", ")), last,
             mpdEndpoints(environment).join(QStringLiteral(" or ")));
}

QStringList sourceLines(const std::vector<FoundSource>& sources) {
    QStringList lines;
    for (const FoundSource& source : sources) {
        QString state = source.problem;
        if (source.player) {
            resumeNext(
                [&] {
                    const int count = source.player->playlistCollection()->getAll().count();
                    state = count == 1 ? QStringLiteral("1 playlist")
                                       : QStringLiteral("%1 playlists").arg(count);
                },
                &state);
        }
        lines.push_back(QStringList{source.kind, shownName(source.location), state}.join(u'\t'));
    }
    return lines;
}

QString demoLibraryPath() {
    if (!QCoreApplication::instance()) {
        return {};
    }
    const QString programFolder = QCoreApplication::applicationDirPath();
    for (const QString& candidate :
         {programFolder + QStringLiteral("/demo-library"),
          programFolder + QStringLiteral("/../share/corvane/demo-library")}) {
        if (QFileInfo(candidate).isDir()) {
            return QDir::cleanPath(candidate);
        }
    }
    return {};
}

ChosenLibrary chooseLibrary(const QString& commandLineSource, const LibraryOptions& options,
                            const SourceEnvironment& environment) {
    ChosenLibrary chosen;
    const auto openOne = [&](const QString& source) {
        QString problem;
        std::shared_ptr<const Player> player = openLibrary(source, &problem, options);
        chosen.player = player;
        chosen.problem = problem;
        chosen.sources = {{kindOf(source), source, std::move(player), problem, {}}};
        return std::move(chosen);
    };
    if (!commandLineSource.isEmpty()) {
        return openOne(commandLineSource);
    }
    if (const QString named = decodeFileName(qgetenv("CORVANE_LIBRARY")); !named.isEmpty()) {
        return openOne(named);
    }
    chosen.sources = findSources(environment, options);
    if (chosen.sources.empty()) {
        const QString demo = demoLibraryPath();
        chosen.demo = !demo.isEmpty();
        // Without a demo, the music folder says itself that it holds no playlist.
        const QString fallback = chosen.demo ? demo : musicFolderOf(environment);
        chosen.player = openLibrary(fallback, &chosen.problem, options);
        return chosen;
    }
    std::vector<MergedLibrary::Part> parts;
    for (const FoundSource& source : chosen.sources) {
        parts.push_back({source.kind, source.open, source.player});
    }
    chosen.player = std::make_shared<MergedLibrary>(std::move(parts));
    return chosen;
}

} // namespace corvane::library
