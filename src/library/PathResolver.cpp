#include "library/PathResolver.h"

#include "library/PlaylistFormats.h"

#include <QDir>
#include <QFileInfo>

namespace corvane::library {
namespace {

bool exists(const QString& path) {
    return QFileInfo::exists(path);
}

// Bounds the work spent on one unmatched entry (each step may list a folder).
constexpr qsizetype MaxComponents = 64;

} // namespace

PathResolver::PathResolver(QString libraryRoot)
    : root_(QDir::cleanPath(std::move(libraryRoot))) {}

QString PathResolver::resolve(const QString& location) {
    if (location.isEmpty() || isStreamLocation(location)) {
        return {};
    }
    const bool isLocal = location.startsWith(u'/') && !location.startsWith(u"//");
    if (isLocal) {
        if (exists(location)) {
            return location;
        }
        if (QString found = findIgnoringCase(location); !found.isEmpty()) {
            return found;
        }
    }
    // A path from another machine: try its tails below the root, longest first. The first
    // component is the drive ("C:"), the server of a UNC path, or the top folder of a path.
    QStringList components = location.split(u'/', Qt::SkipEmptyParts);
    components.removeAll(QStringLiteral(".."));
    components.removeAll(QStringLiteral("."));
    if (components.size() > MaxComponents) {
        components = components.mid(components.size() - MaxComponents);
    }
    for (qsizetype first = 1; first < components.size(); ++first) {
        const QString candidate = root_ + u'/' + components.sliced(first).join(u'/');
        if (exists(candidate)) {
            return candidate;
        }
        if (QString found = findIgnoringCase(candidate); !found.isEmpty()) {
            return found;
        }
    }
    return {};
}

// Goes up to the deepest folder that exists, then down again, matching each remaining
// component to a folder entry whose name differs at most in letter case.
QString PathResolver::findIgnoringCase(const QString& path) {
    QStringList missing;
    QString folder = path;
    while (!exists(folder)) {
        const qsizetype slash = folder.lastIndexOf(u'/');
        if (slash < 0 || missing.size() >= MaxComponents) {
            return {};
        }
        missing.prepend(folder.mid(slash + 1));
        folder.truncate(slash);
        if (folder.isEmpty()) {
            folder = QStringLiteral("/");
            break;
        }
    }
    for (const QString& component : missing) {
        const QStringList& entries = entriesOf(folder);
        const auto match = std::find_if(entries.begin(), entries.end(), [&](const QString& e) {
            return e.compare(component, Qt::CaseInsensitive) == 0;
        });
        if (match == entries.end()) {
            return {};
        }
        folder = folder.endsWith(u'/') ? folder + *match : folder + u'/' + *match;
    }
    return folder;
}

const QStringList& PathResolver::entriesOf(const QString& folder) {
    auto found = listings_.find(folder);
    if (found == listings_.end()) {
        found =
            listings_.insert(folder, QDir(folder).entryList(QDir::AllEntries | QDir::Hidden |
                                                            QDir::System | QDir::NoDotAndDotDot));
    }
    return *found;
}

} // namespace corvane::library
