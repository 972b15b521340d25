#pragma once

#include "views/DisplayConfiguration.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The display settings file "Quembly.txt": both display configurations as 27 lines of decimal
// 16-bit integers. Read from the user's copy, else the copy delivered beside the program, else
// the built-in default; written only to the user's copy, atomically.
namespace corvane::views {

class DisplaySettingsFile {
public:
    static constexpr int ValueCount = DisplayConfiguration::ValueCount;

    DisplaySettingsFile(QString userPath, QString deliveredPath);

    // The user's copy under $XDG_CONFIG_HOME (~/.config/corvane/Quembly.txt) and the delivered
    // copy beside the running program (or in ../share/corvane of an installed one).
    static DisplaySettingsFile standard();

    struct Loaded {
        std::optional<DisplayConfiguration> configuration; // empty when the file is unusable
        QString error;                                     // why, in one line
        QString source;                                    // the file read; empty: built-in
    };
    Loaded load() const;

    // Writes the user's copy whole or not at all. Returns the error in one line, empty when saved.
    QString save(const DisplayConfiguration& configuration) const;

    const QString& userPath() const { return userPath_; }
    const QString& deliveredPath() const { return deliveredPath_; }

    // The file's text for a configuration: 27 values, each on its own CRLF-ended line.
    static QByteArray serialize(const DisplayConfiguration& configuration);
    // Values separated by line ends (CRLF or LF) or commas. Sets `error` and returns nothing
    // when a value is missing or one too many, not a whole number, out of the 16-bit range, or
    // when the whole breaks the configuration's invariants and ranges.
    static std::optional<DisplayConfiguration> parse(const QByteArray& text, QString* error);

private:
    QString userPath_;
    QString deliveredPath_;
};

} // namespace corvane::views
