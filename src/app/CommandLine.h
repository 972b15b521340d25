#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The command line: open the window, or show or print one view without a window.
//
//   corvane [--library SOURCE] [--music-folder DIR]
//   corvane [--library SOURCE] [--music-folder DIR] --list-playlists [OUTPUT]
//   corvane [--library SOURCE] [--music-folder DIR] --playlist NAME [--label] [--items LIST]
//           [--sort KEYS] [OUTPUT]
//   corvane [--library SOURCE] --list-sources
//   corvane --help | --version
//
// OUTPUT is one of --text (the default), --print-text FILE, --pdf FILE, --print. Data goes to
// standard output; errors, warnings and notes go to standard error, and --quiet keeps only the
// errors.
namespace corvane::app {

struct SortKey {
    int item = 0; // item code
    bool descending = false;
    bool operator==(const SortKey&) const = default;
};

struct CommandLine {
    enum class Mode { Window, ListPlaylists, Playlist, ListSources, Help, Version };
    enum class Output { Text, PrintText, Pdf, Print };

    Mode mode = Mode::Window;
    std::optional<QString> library;
    QString musicFolder; // where a playlist's relative or moved songs are sought; empty: none
    QString playlist;
    bool label = false;
    std::optional<std::vector<int>> items; // item codes, clicked in this order
    std::vector<SortKey> sort;             // the major key first
    Output output = Output::Text;
    QString outputFile;   // --print-text and --pdf; "-" is standard output for --print-text
    bool quiet = false;   // standard error carries errors only
    bool noIndex = false; // songs are read from their files, not from the tag index

    bool headless() const { return mode == Mode::ListPlaylists || mode == Mode::Playlist; }
    // --pdf and --print draw pages, which needs Qt's GUI library (though no screen).
    bool drawsPages() const {
        return headless() && (output == Output::Pdf || output == Output::Print);
    }
};

struct ParsedCommandLine {
    CommandLine commandLine;
    QString error; // one line; empty when the arguments are sound
};

// `arguments` without the program's own name.
ParsedCommandLine parseCommandLine(const QStringList& arguments);

// What --help prints.
QString usageText();

} // namespace corvane::app
