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

// The fields in file order.
std::vector<std::int16_t*> fields(DisplayConfiguration& c) {
    std::vector<std::int16_t*> f = {&c.ListFontSize, &c.ListIndent, &c.ListWidth,
                                    &c.ListSongsPerPage, &c.ListLastItem};
    for (auto& v : c.ListOrder) {
        f.push_back(&v);
    }
    for (auto* v : {&c.LabelFontSize, &c.LabelIndent, &c.LabelWidth, &c.LabelRows,
                    &c.LabelLineWidth, &c.LabelLastItem}) {
        f.push_back(v);
    }
    for (auto& v : c.LabelOrder) {
        f.push_back(&v);
    }
    return f;
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
            return {
                {}, QStringLiteral("Cannot read the display settings %1: %2").arg(path, why), path};
        }
        QString error = QStringLiteral("it is larger than a settings file");
        const auto configuration = text.size() > MaxBytes ? std::nullopt : parse(text, &error);
        if (!configuration) {
            return {{},
                    QStringLiteral("The display settings %1 were not loaded: %2").arg(path, error),
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
    DisplayConfiguration copy = configuration;
    QByteArray text;
    for (const std::int16_t* value : fields(copy)) {
        text += QByteArray::number(*value) + "\r\n";
    }
    return text;
}

std::optional<DisplayConfiguration> DisplaySettingsFile::parse(const QByteArray& text,
                                                               QString* error) {
    static const QRegularExpression separators(QStringLiteral("\r\n|[\r\n,]"));
    QStringList values = QString::fromUtf8(text).split(separators);
    // Line ends after the last value are no value.
    while (!values.isEmpty() && values.last().trimmed().isEmpty()) {
        values.removeLast();
    }

    DisplayConfiguration c;
    const auto targets = fields(c);
    for (qsizetype i = 0; i < ValueCount && i < values.size(); ++i) {
        const QString value = values[i].trimmed();
        bool ok = false;
        const short number = value.toShort(&ok);
        if (!ok) {
            *error = QStringLiteral("value %1 \"%2\" is not a whole number from -32768 to 32767")
                         .arg(i + 1)
                         .arg(value.left(20));
            return std::nullopt;
        }
        *targets[static_cast<std::size_t>(i)] = number;
    }
    if (values.size() != ValueCount) {
        *error = QStringLiteral("it holds %1 values, not %2").arg(values.size()).arg(ValueCount);
        return std::nullopt;
    }
    if (const QString problem = c.problem(); !problem.isEmpty()) {
        *error = problem;
        return std::nullopt;
    }
    return c;
}

} // namespace corvane::views
