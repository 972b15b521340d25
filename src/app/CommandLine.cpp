#include "app/CommandLine.h"

#include "app/Suggestions.h"
#include "views/DisplayConfiguration.h"

#include <QCommandLineParser>
#include <algorithm>

namespace corvane::app {
namespace {

QStringList itemNames() {
    QStringList names;
    for (const QString& name : views::ItemNames) {
        names << name;
    }
    return names;
}

// The item code of a name as the item buttons read it, in any case.
std::optional<int> itemCode(const QString& name) {
    const auto index = matchName(name, itemNames());
    return index ? std::optional<int>(static_cast<int>(*index)) : std::nullopt;
}

// "unknown item "Artst" in --items: did you mean "Artist"? (items: Title, Artist, ...)"
QString unknownItem(const char* what, const QString& name, const char* option) {
    const QString suggestion = didYouMean(closestNames(name, itemNames()));
    return QStringLiteral("unknown %1 \"%2\" in %3%4 (items: %5)")
        .arg(QLatin1String(what), name, QLatin1String(option),
             suggestion.isEmpty() ? QString() : QStringLiteral(": ") + suggestion,
             itemNames().join(QStringLiteral(", ")));
}

// Every option by its long name (and its one-letter name), and the name of its value for those
// that take one.
struct OptionInfo {
    const char* name;
    const char* valueName = nullptr;
    const char* shortName = nullptr;
};
constexpr OptionInfo Options[] = {
    {"help", nullptr, "h"},
    {"version"},
    {"quiet", nullptr, "q"},
    {"no-index"},
    {"library", "SOURCE"},
    {"music-folder", "DIR"},
    {"list-sources"},
    {"list-playlists"},
    {"playlist", "NAME"},
    {"label"},
    {"items", "LIST"},
    {"sort", "KEYS"},
    {"text"},
    {"print-text", "FILE"},
    {"pdf", "FILE"},
    {"print"},
};

const OptionInfo* optionNamed(const QString& name) {
    const auto* o =
        std::find_if(std::begin(Options), std::end(Options),
                     [&](const OptionInfo& option) { return name == QLatin1String(option.name); });
    return o != std::end(Options) ? o : nullptr;
}

QString dashed(const QString& name) {
    return QStringLiteral("--") + name;
}

// The options among `names` that were given, in the order given.
QStringList givenOf(const QCommandLineParser& parser, const QStringList& names) {
    QStringList given = parser.optionNames();
    given.removeIf([&](const QString& option) { return !names.contains(option); });
    return given;
}

struct Reader {
    const QStringList& arguments;
    const QCommandLineParser& parser;
    CommandLine& cl;
    QString error;

    void fail(const QString& message) {
        if (error.isEmpty()) {
            error = message;
        }
    }

    // QCommandLineParser's own error text is prose about the whole line; these name the option.
    void readSyntax() {
        if (!parser.unknownOptionNames().isEmpty()) {
            const QString name = parser.unknownOptionNames().front();
            const bool longForm = name.size() > 1 || arguments.contains(dashed(name));
            fail(QStringLiteral("unknown option %1")
                     .arg(longForm ? dashed(name) : QStringLiteral("-") + name));
        }
        for (const OptionInfo& o : Options) {
            const QString name = QLatin1String(o.name);
            const qsizetype values = parser.values(name).size();
            if (o.valueName != nullptr && parser.optionNames().count(name) > values) {
                fail(QStringLiteral("%1 needs a value").arg(dashed(name)));
            } else if (values > 1 &&
                       QStringList{"library", "music-folder", "items", "sort"}.contains(name)) {
                fail(QStringLiteral("%1 is given twice").arg(dashed(name)));
            }
        }
        // A value given to an option that takes none, found as the parser walks the line.
        for (qsizetype i = 0; i < arguments.size() && arguments[i] != QStringLiteral("--"); ++i) {
            const QString& a = arguments[i];
            const OptionInfo* o = a.startsWith(QStringLiteral("--"))
                                      ? optionNamed(a.mid(2).section(QLatin1Char('='), 0, 0))
                                      : nullptr;
            if (o == nullptr) {
                continue;
            }
            const bool inlineValue = a.contains(QLatin1Char('='));
            if (o->valueName == nullptr && inlineValue) {
                fail(QStringLiteral("%1 takes no value").arg(dashed(QLatin1String(o->name))));
            } else if (o->valueName != nullptr && !inlineValue) {
                ++i; // its value, whatever it looks like
            }
        }
        if (!parser.positionalArguments().isEmpty()) {
            fail(QStringLiteral("unexpected argument \"%1\"")
                     .arg(parser.positionalArguments().front()));
        }
    }

    void readLibrary() {
        if (parser.isSet(QStringLiteral("library"))) {
            cl.library = parser.value(QStringLiteral("library"));
            if (cl.library->isEmpty()) {
                fail(QStringLiteral("--library needs a folder or a playlist file"));
            }
        }
        if (parser.isSet(QStringLiteral("music-folder"))) {
            cl.musicFolder = parser.value(QStringLiteral("music-folder"));
            if (cl.musicFolder.isEmpty()) {
                fail(QStringLiteral("--music-folder needs a folder"));
            }
        }
    }

    void readView() {
        const QStringList views = givenOf(parser, {"list-playlists", "playlist", "list-sources"});
        if (views.size() > 1) {
            fail(QStringLiteral("%1 cannot be combined with another view").arg(dashed(views[1])));
        }
        if (views.isEmpty()) {
            return;
        }
        if (views.front() == QStringLiteral("list-playlists")) {
            cl.mode = CommandLine::Mode::ListPlaylists;
            return;
        }
        if (views.front() == QStringLiteral("list-sources")) {
            cl.mode = CommandLine::Mode::ListSources;
            return;
        }
        cl.mode = CommandLine::Mode::Playlist;
        cl.playlist = parser.value(QStringLiteral("playlist"));
        if (cl.playlist.isEmpty()) {
            fail(QStringLiteral("--playlist needs a playlist's name"));
        }
    }

    void readItems() {
        if (!parser.isSet(QStringLiteral("items"))) {
            return;
        }
        std::vector<int> codes;
        for (const QString& part : parser.value(QStringLiteral("items")).split(QLatin1Char(','))) {
            const auto code = itemCode(part.trimmed());
            if (!code) {
                return fail(unknownItem("item", part.trimmed(), "--items"));
            }
            codes.push_back(*code);
        }
        cl.items = codes;
    }

    void readSort() {
        if (!parser.isSet(QStringLiteral("sort"))) {
            return;
        }
        for (const QString& part : parser.value(QStringLiteral("sort")).split(QLatin1Char(','))) {
            const QString name = part.section(QLatin1Char(':'), 0, 0).trimmed();
            const QString direction = part.section(QLatin1Char(':'), 1).trimmed();
            const auto code = itemCode(name);
            if (!code) {
                return fail(unknownItem("sort key", name, "--sort"));
            }
            const bool descending =
                direction.compare(QStringLiteral("desc"), Qt::CaseInsensitive) == 0;
            if (!descending && !direction.isEmpty() &&
                direction.compare(QStringLiteral("asc"), Qt::CaseInsensitive) != 0) {
                return fail(QStringLiteral("bad sort key \"%1\": write KEY or KEY:desc")
                                .arg(part.trimmed()));
            }
            if (std::any_of(cl.sort.begin(), cl.sort.end(),
                            [&](const SortKey& k) { return k.item == *code; })) {
                return fail(QStringLiteral("the sort key %1 is given twice")
                                .arg(views::ItemNames[static_cast<std::size_t>(*code)]));
            }
            cl.sort.push_back({*code, descending});
        }
    }

    void readOutput() {
        const QStringList outputs = givenOf(parser, {"text", "print-text", "pdf", "print"});
        if (outputs.size() > 1) {
            fail(QStringLiteral("%1: only one of --text, --print-text, --pdf and --print")
                     .arg(dashed(outputs[1])));
        }
        if (outputs.isEmpty()) {
            return;
        }
        using O = CommandLine::Output;
        const QString& option = outputs.front();
        cl.output = option == QStringLiteral("text")         ? O::Text
                    : option == QStringLiteral("print-text") ? O::PrintText
                    : option == QStringLiteral("pdf")        ? O::Pdf
                                                             : O::Print;
        if (cl.output == O::PrintText || cl.output == O::Pdf) {
            cl.outputFile = parser.value(option);
            if (cl.outputFile.isEmpty()) {
                fail(QStringLiteral("%1 needs a file name").arg(dashed(option)));
            }
        }
    }

    // What only makes sense together.
    void check() {
        if (cl.mode != CommandLine::Mode::Playlist) {
            for (const auto& [given, option] :
                 {std::pair{cl.label, "--label"}, std::pair{cl.items.has_value(), "--items"},
                  std::pair{!cl.sort.empty(), "--sort"}}) {
                if (given) {
                    fail(QStringLiteral("%1 needs --playlist NAME").arg(QLatin1String(option)));
                }
            }
        }
        if ((cl.mode == CommandLine::Mode::Window || cl.mode == CommandLine::Mode::ListSources) &&
            !givenOf(parser, {"text", "print-text", "pdf", "print"}).isEmpty()) {
            fail(QStringLiteral("an output needs --list-playlists or --playlist NAME"));
        }
        if (cl.label && cl.items) {
            for (int code : *cl.items) {
                if (code == views::Album || code == views::Type) {
                    fail(QStringLiteral("%1 cannot be shown on a label")
                             .arg(views::ItemNames[static_cast<std::size_t>(code)]));
                }
            }
        }
    }
};

} // namespace

ParsedCommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    for (const OptionInfo& o : Options) {
        QStringList names{QLatin1String(o.name)};
        if (o.shortName != nullptr) {
            names.prepend(QLatin1String(o.shortName));
        }
        parser.addOption(QCommandLineOption(
            names, {}, o.valueName != nullptr ? QLatin1String(o.valueName) : QString()));
    }
    parser.parse(QStringList{QStringLiteral("corvane")} + arguments);

    ParsedCommandLine result;
    CommandLine& cl = result.commandLine;
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version"))) {
        // Asked for help, the user gets it whatever else the line holds.
        cl.mode = parser.isSet(QStringLiteral("help")) ? CommandLine::Mode::Help
                                                       : CommandLine::Mode::Version;
        return result;
    }
    Reader reader{arguments, parser, cl, {}};
    reader.readSyntax();
    reader.readLibrary();
    reader.readView();
    reader.readItems();
    reader.readSort();
    cl.label = parser.isSet(QStringLiteral("label"));
    cl.quiet = parser.isSet(QStringLiteral("quiet"));
    cl.noIndex = parser.isSet(QStringLiteral("no-index"));
    reader.readOutput();
    reader.check();
    result.error = reader.error;
    return result;
}

QString usageText() {
    return QStringLiteral(
        "Usage:\n"
        "  corvane [--library SOURCE]                      open the window\n"
        "  corvane [--library SOURCE] --list-playlists [OUTPUT]\n"
        "  corvane [--library SOURCE] --playlist NAME [--label] [--items LIST] [--sort KEYS] "
        "[OUTPUT]\n"
        "  corvane [--library SOURCE] --list-sources\n"
        "  corvane --help | --version\n"
        "\n"
        "Shows a music library's playlists as text, sorts them, makes CD case labels and\n"
        "prints them.\n"
        "\n"
        "  --library SOURCE   a folder of playlist files (searched below it too), one playlist\n"
        "                     file, a player's store, or mpd://[PASSWORD@]HOST[:PORT]; default\n"
        "                     $CORVANE_LIBRARY, else everything found on this machine\n"
        "  --list-sources     what the library is made of: kind, place and number of playlists\n"
        "  --music-folder DIR where a playlist's relative or moved songs are sought too\n"
        "  --list-playlists   the numbered list of every playlist\n"
        "  --playlist NAME    the playlist of that name, as a list of its songs\n"
        "  --label            ... as CD case labels instead\n"
        "  --items LIST       a custom display, e.g. Title,Artist,Time (items: Title, Artist,\n"
        "                     Time, Rating, Genre, Year, Album, Type; no Album or Type on a\n"
        "                     label); default: the saved display\n"
        "  --sort KEYS        KEY[:desc],... the first key the major order, e.g. "
        "Artist,Rating:desc\n"
        "  --quiet, -q        nothing on standard error but errors\n"
        "  --no-index         read every song from its file, not from the tag index\n"
        "\n"
        "OUTPUT, one of:\n"
        "  --text             the display's lines on standard output (the default)\n"
        "  --print-text FILE  the printout as plain text, form feeds between pages ('-': "
        "standard output)\n"
        "  --pdf FILE         the printout as a PDF file\n"
        "  --print            the printout on the default printer\n"
        "\n"
        "Exit status: 0 done; 2 a usage error, a library that cannot be read, an unknown\n"
        "playlist or item; 1 a printout that failed.\n");
}

} // namespace corvane::app
