#include "views/DisplaySettingsFile.h"

#include "library/disk/RegularFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <vector>

namespace corvane::views {
namespace {

const QString FileName = QStringLiteral("Quembly.txt");
// A settings file is a few dozen bytes; much more is not one.
constexpr qsizetype MaxBytes = 64 * 1024;

// One value of the file and where it stands: its line, and its place on a line of several.
struct Value {
    QString text;
    int line = 0;
    int place = 0; // 0: alone on its line
};

// The values, separated by line ends (CRLF, LF or CR) or commas; separators after the last value
// make no value.
std::vector<Value> valuesOf(const QByteArray& text) {
    static const QRegularExpression lineEnds(QStringLiteral("\r\n|[\r\n]"));
    const QStringList lines = QString::fromUtf8(text).split(lineEnds);
    std::vector<Value> values;
    for (qsizetype l = 0; l < lines.size(); ++l) {
        const QStringList parts = lines[l].split(QLatin1Char(','));
        for (qsizetype p = 0; p < parts.size(); ++p) {
            values.push_back({parts[p].trimmed(), static_cast<int>(l + 1),
                              parts.size() > 1 ? static_cast<int>(p + 1) : 0});
        }
    }
    while (!values.empty() && values.back().text.isEmpty()) {
        values.pop_back();
    }
    return values;
}

// A value as a message shows it: its start, with what cannot be shown on a line as "?".
QString shown(const QString& text) {
    QString s = text.left(20);
    for (QChar& c : s) {
        if (!c.isPrint()) {
            c = QLatin1Char('?');
        }
    }
    return s;
}

QString where(const Value& v) {
    return v.place == 0 ? QStringLiteral("line %1").arg(v.line)
                        : QStringLiteral("line %1, value %2").arg(v.line).arg(v.place);
}

// "the list's width, which may be from 0 to 200"
QString whatItMayHold(int index) {
    const auto& rule = DisplayConfiguration::rules()[static_cast<std::size_t>(index)];
    return QStringLiteral("%1, which may be a whole number from %2 to %3")
        .arg(rule.name)
        .arg(rule.low)
        .arg(rule.high);
}

// A file that cannot be used is mended by saving the display in force over it, or left behind.
QString howToGoOn(const QString& path) {
    return QStringLiteral("press Save in the window, or delete %1 to use the default display")
        .arg(path);
}

} // namespace

DisplaySettingsFile::DisplaySettingsFile(QString userPath, QString deliveredPath)
    : userPath_(std::move(userPath))
    , deliveredPath_(std::move(deliveredPath)) {}

DisplaySettingsFile DisplaySettingsFile::standard() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QString delivered;
    if (QCoreApplication::instance() != nullptr) {
        const QDir programDir(QCoreApplication::applicationDirPath());
        for (const QString& candidate :
             {programDir.filePath(FileName),
              programDir.filePath(QStringLiteral("../share/corvane/") + FileName)}) {
            if (QFileInfo::exists(candidate)) {
                delivered = QDir::cleanPath(candidate);
                break;
            }
        }
    }
    return {config + QStringLiteral("/corvane/") + FileName, delivered};
}

DisplaySettingsFile::Loaded DisplaySettingsFile::load() const {
    for (const QString& path : {userPath_, deliveredPath_}) {
        if (path.isEmpty() || !QFileInfo::exists(path)) {
            continue;
        }
        // Only a regular file, opened so that a FIFO cannot hold up the start.
        QByteArray text;
        if (!library::readRegularFile(path, MaxBytes + 1, &text, nullptr)) {
            const int error = errno;
            const QString why = library::fileStamp(path).isRegularFile()
                                    ? QString::fromLocal8Bit(std::strerror(error))
                                    : QStringLiteral("it is not a regular file");
            return {{},
                    QStringLiteral("Cannot read the display settings %1: %2; %3")
                        .arg(path, why, howToGoOn(path)),
                    path};
        }
        QString error = QStringLiteral("it is larger than a settings file");
        const auto configuration = text.size() > MaxBytes ? std::nullopt : parse(text, &error);
        if (!configuration) {
            return {{},
                    QStringLiteral("The display settings %1 were not loaded: %2; %3")
                        .arg(path, error, howToGoOn(path)),
                    path};
        }
        return {configuration, {}, path};
    }
    return {DisplayConfiguration::delivered(), {}, {}};
}

QString DisplaySettingsFile::save(const DisplayConfiguration& configuration) const {
    const QString failed = QStringLiteral("The display was not saved to %1: %2");
    if (userPath_.isEmpty()) {
        return failed.arg(QStringLiteral("the settings file"),
                          QStringLiteral("no folder for settings"));
    }
    if (!QDir().mkpath(QFileInfo(userPath_).absolutePath())) {
        return failed.arg(userPath_, QStringLiteral("cannot create its folder"));
    }
    QSaveFile file(userPath_);
    if (!file.open(QIODevice::WriteOnly)) {
        return failed.arg(userPath_, file.errorString());
    }
    const QByteArray text = serialize(configuration);
    // commit() renames even when the last buffered bytes found the disk full: flush first, and
    // cancel on any failure so that the earlier file stays.
    if (file.write(text) != text.size() || !file.flush()) {
        const QString why = file.errorString();
        file.cancelWriting();
        file.commit();
        return failed.arg(userPath_, why);
    }
    if (!file.commit()) {
        return failed.arg(userPath_, file.errorString());
    }
    return {};
}

QByteArray DisplaySettingsFile::serialize(const DisplayConfiguration& configuration) {
    QByteArray text;
    for (const std::int16_t value : configuration.values()) {
        text += QByteArray::number(value) + "\r\n";
    }
    return text;
}

std::optional<DisplayConfiguration> DisplaySettingsFile::parse(const QByteArray& text,
                                                               QString* error) {
    const std::vector<Value> values = valuesOf(text);
    std::array<std::int16_t, ValueCount> numbers{};
    for (std::size_t i = 0; i < values.size() && i < numbers.size(); ++i) {
        bool ok = false;
        numbers[i] = values[i].text.toShort(&ok);
        if (!ok) {
            *error = QStringLiteral("%1 holds \"%2\", not a whole number: it is %3")
                         .arg(where(values[i]), shown(values[i].text),
                              whatItMayHold(static_cast<int>(i)));
            return std::nullopt;
        }
    }
    if (values.size() < numbers.size()) {
        *error = QStringLiteral("it holds %1 values, not %2: value %3 is missing, %4")
                     .arg(values.size())
                     .arg(ValueCount)
                     .arg(values.size() + 1)
                     .arg(whatItMayHold(static_cast<int>(values.size())));
        return std::nullopt;
    }
    if (values.size() > numbers.size()) {
        *error = QStringLiteral("it holds %1 values, not %2: %3 holds \"%4\", one too many")
                     .arg(values.size())
                     .arg(ValueCount)
                     .arg(where(values[numbers.size()]), shown(values[numbers.size()].text));
        return std::nullopt;
    }
    const DisplayConfiguration c = DisplayConfiguration::fromValues(numbers);
    if (const auto bad = c.badValue()) {
        const Value& v = values[static_cast<std::size_t>(*bad)];
        *error = QStringLiteral("%1 holds %2: it is %3").arg(where(v), v.text, whatItMayHold(*bad));
        return std::nullopt;
    }
    return c;
}

} // namespace corvane::views
