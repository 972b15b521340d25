#include "library/files/MpdConf.h"

#include "library/disk/FileName.h"
#include "library/disk/RegularFile.h"

#include <QDir>
#include <QStandardPaths>

namespace corvane::library {
namespace {

// The quoted value at the start of `text`; false when there is none.
bool quotedValue(QStringView text, QString* value) {
    if (!text.startsWith(u'"')) {
        return false;
    }
    value->clear();
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
            *value += text[++i];
        } else if (text[i] == u'"') {
            const QStringView rest = text.sliced(i + 1).trimmed();
            return rest.isEmpty() || rest.startsWith(u'#');
        } else {
            *value += text[i];
        }
    }
    return false;
}

QString expandedPath(const QString& value, const QHash<QString, QString>& variables) {
    QString name;
    qsizetype end = 0;
    if (value.startsWith(u'~') && (value.size() == 1 || value[1] == u'/')) {
        name = QStringLiteral("HOME");
        end = 1;
    } else if (value.startsWith(u'$')) {
        end = value.indexOf(u'/');
        end = end < 0 ? value.size() : end;
        name = value.mid(1, end - 1);
    } else {
        return value;
    }
    const QString expansion = variables.value(name);
    return expansion.isEmpty() ? QString() : QDir::cleanPath(expansion + value.mid(end));
}

} // namespace

MpdFolders parseMpdConf(const QByteArray& bytes, const QHash<QString, QString>& variables) {
    MpdFolders folders;
    int depth = 0; // inside plugin blocks
    for (const QByteArray& raw : bytes.split('\n')) {
        const QString line = decodeFileName(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        if (line == u"}") {
            depth = std::max(depth - 1, 0);
            continue;
        }
        if (line.endsWith(u'{')) {
            ++depth;
            continue;
        }
        const qsizetype space =
            std::find_if(line.begin(), line.end(), [](QChar c) { return c.isSpace(); }) -
            line.begin();
        QString value;
        if (depth > 0 || space == line.size() ||
            !quotedValue(QStringView(line).sliced(space).trimmed(), &value)) {
            continue;
        }
        const QStringView name = QStringView(line).first(space);
        if (name == u"music_directory") {
            // A URL (nfs://, smb://) is no folder of this machine.
            folders.music =
                value.contains(QStringLiteral("://")) ? QString() : expandedPath(value, variables);
        } else if (name == u"playlist_directory") {
            folders.playlists = expandedPath(value, variables);
        }
    }
    return folders;
}

std::vector<MpdFolders> mpdConfigurations() {
    QHash<QString, QString> variables;
    for (const char* name :
         {"HOME", "XDG_CONFIG_HOME", "XDG_MUSIC_DIR", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        variables.insert(QLatin1StringView(name), decodeFileName(qgetenv(name)));
    }
    const QString home = variables.value(QStringLiteral("HOME"));
    if (variables.value(QStringLiteral("XDG_CONFIG_HOME")).isEmpty() && !home.isEmpty()) {
        variables.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    }
    if (variables.value(QStringLiteral("XDG_MUSIC_DIR")).isEmpty()) {
        variables.insert(QStringLiteral("XDG_MUSIC_DIR"),
                         QStandardPaths::writableLocation(QStandardPaths::MusicLocation));
    }
    QStringList files;
    if (const QString config = variables.value(QStringLiteral("XDG_CONFIG_HOME"));
        !config.isEmpty()) {
        files.push_back(config + QStringLiteral("/mpd/mpd.conf"));
    }
    if (!home.isEmpty()) {
        files.push_back(home + QStringLiteral("/.mpdconf"));
        files.push_back(home + QStringLiteral("/.mpd/mpd.conf"));
    }
    files.push_back(QStringLiteral("/etc/mpd.conf"));
    std::vector<MpdFolders> found;
    for (const QString& file : files) {
        QByteArray bytes;
        constexpr qsizetype MaxConfBytes = 1024 * 1024;
        if (readRegularFile(file, MaxConfBytes, &bytes, nullptr)) {
            MpdFolders folders = parseMpdConf(bytes, variables);
            if (!folders.music.isEmpty() && !folders.playlists.isEmpty()) {
                found.push_back(std::move(folders));
            }
        }
    }
    return found;
}

} // namespace corvane::library
