#include "library/files/PathResolver.h"

#include "library/disk/FileName.h"
#include "library/disk/RegularFile.h"
#include "library/playlists/PlaylistFormats.h"

#include <QHash>
#include <QSet>

namespace corvane::library {
namespace {

// Bounds the work spent on one unmatched entry (each step may list a folder).
constexpr qsizetype MaxComponents = 64;
// Bounds the folder names remembered as missing from one folder.
constexpr qsizetype MaxAbsent = 65536;

QString joined(const QString& folder, const QString& name) {
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

// The form under which two names are the same file name: composed (NFC), letter case folded.
QString folded(QStringView name) {
    // ASCII is composed already.
    const bool ascii = std::all_of(name.begin(), name.end(), [](QChar c) { return c < u'\x80'; });
    return ascii ? name.toString().toCaseFolded()
                 : name.toString().normalized(QString::NormalizationForm_C).toCaseFolded();
}

} // namespace

struct PathResolver::Folder {
    explicit Folder(QString at)
        : path(std::move(at)) {}

    QString path;
    bool listed = false;
    bool listable = false;
    // Every name in the folder (or, when it cannot be listed, each name found by trying it), and
    // the folder below by that name once walked into.
    std::unordered_map<QString, std::unique_ptr<Folder>> entries;
    QHash<QString, QString> byFolded; // folded name -> the least name of that form
    bool foldedMade = false;
    QSet<QString> absent;       // names looked for in vain (a playlist names them again)
    QHash<QString, bool> tried; // in a folder that cannot be listed: names tried one by one
};

PathResolver::PathResolver()
    : top_(std::make_unique<Folder>(QStringLiteral("/"))) {}

PathResolver::~PathResolver() = default;

// The entry of `folder` that `name` names: the same name, else one of the same folded form. A
// folder that cannot be listed (execute permission only) still finds a name spelled exactly.
const QString* PathResolver::match(Folder& folder, const QString& name, bool last) {
    if (!folder.listed) {
        folder.listed = true;
        int error = 0;
        for (FolderEntry& entry : listFolder(folder.path, false, &error)) {
            folder.entries.emplace(std::move(entry.name), nullptr);
        }
        folder.listable = error == 0;
    }
    if (const auto found = folder.entries.find(name); found != folder.entries.end()) {
        return &found->first;
    }
    if (!folder.listable) {
        auto tried = folder.tried.find(name);
        if (tried == folder.tried.end()) {
            tried = folder.tried.insert(name, pathExists(joined(folder.path, name)));
        }
        return *tried ? &folder.entries.emplace(name, nullptr).first->first : nullptr;
    }
    if (!folder.foldedMade) {
        folder.foldedMade = true;
        for (const auto& item : folder.entries) {
            const QString& entry = item.first;
            const auto keep = [&](const QString& key) {
                QString& least = folder.byFolded[key];
                if (least.isEmpty() || entry < least) {
                    least = entry; // the same whatever order the disk lists the names in
                }
            };
            keep(folded(entry));
            // A name that is no UTF-8 is most likely Windows-1252, as a playlist of the time
            // would spell it.
            const QByteArray bytes = encodeFileName(entry);
            if (!bytes.isValidUtf8()) {
                keep(folded(decodeWindows1252(bytes)));
            }
        }
    }
    if (folder.absent.contains(name)) {
        return nullptr;
    }
    const auto found = folder.byFolded.constFind(folded(name));
    if (found == folder.byFolded.cend()) {
        // Most of a missing song's path is a missing folder, named again by every song in it.
        if (!last && folder.absent.size() < MaxAbsent) {
            folder.absent.insert(name);
        }
        return nullptr;
    }
    return &found.value();
}

PathResolver::Folder& PathResolver::child(Folder& folder, const QString& name) {
    std::unique_ptr<Folder>& below = folder.entries[name];
    if (!below) {
        below = std::make_unique<Folder>(joined(folder.path, name));
    }
    return *below;
}

// Walks down from `from` along components[first...]; the path found, or empty.
QString PathResolver::find(Folder& from, const QStringList& components, qsizetype first) {
    Folder* folder = &from;
    for (qsizetype i = first; i < components.size(); ++i) {
        const QString* name = match(*folder, components[i], i + 1 == components.size());
        if (!name) {
            return {};
        }
        if (i + 1 == components.size()) {
            return joined(folder->path, *name);
        }
        folder = &child(*folder, *name);
    }
    return {};
}

PathResolver::Folder* PathResolver::folderAt(const QString& path) {
    const auto known = roots_.find(path);
    if (known != roots_.end()) {
        return known->second;
    }
    Folder* folder = top_.get();
    for (const QString& component : path.split(u'/', Qt::SkipEmptyParts)) {
        const QString* name = match(*folder, component, false);
        if (!name || *name != component) {
            folder = nullptr;
            break;
        }
        folder = &child(*folder, *name);
    }
    roots_.emplace(path, folder);
    return folder;
}

QString PathResolver::resolve(const QString& location, const QStringList& roots) {
    if (location.isEmpty() || isStreamLocation(location)) {
        return {};
    }
    QStringList components = location.split(u'/', Qt::SkipEmptyParts);
    const bool isLocal = location.startsWith(u'/') && !location.startsWith(u"//");
    if (isLocal) {
        if (isSystemPath(location)) {
            return location;
        }
        if (QString found = find(*top_, components, 0); !found.isEmpty()) {
            return found;
        }
    }
    // A path from another machine, or moved: try its tails below each root, the longest first.
    // The first component is the drive ("C:"), the server of a UNC path, or the top folder of a
    // path.
    components.removeAll(QStringLiteral(".."));
    components.removeAll(QStringLiteral("."));
    if (components.size() > MaxComponents) {
        components = components.mid(components.size() - MaxComponents);
    }
    std::vector<Folder*> folders;
    for (const QString& root : roots) {
        if (Folder* folder = root.isEmpty() ? nullptr : folderAt(root)) {
            if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
                folders.push_back(folder);
            }
        }
    }
    for (qsizetype first = 1; first < components.size(); ++first) {
        for (Folder* folder : folders) {
            if (QString found = find(*folder, components, first); !found.isEmpty()) {
                return found;
            }
        }
    }
    return {};
}

} // namespace corvane::library
