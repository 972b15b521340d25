#include "app/CommandLine.h"

#include "views/DisplayConfiguration.h"

#include <algorithm>

namespace corvane::app {
namespace {

// The item code of a name as the item buttons read it, in any case.
std::optional<int> itemCode(const QString& name) {
    for (int code = 0; code < views::ItemCount; ++code) {
        if (name.compare(views::ItemNames[static_cast<std::size_t>(code)], Qt::CaseInsensitive) ==
            0) {
            return code;
        }
    }
    return std::nullopt;
}

QString itemList() {
    QStringList names;
    for (const QString& name : views::ItemNames) {
        names << name;
    }
    return names.join(QStringLiteral(", "));
}

struct Parser {
    QStringList args;
    qsizetype next = 0;
    CommandLine cl;
    QString error;
    bool sawOutput = false;
    bool sawHelp = false;
    bool sawVersion = false;
    bool sawMode = false;
    QString labelRefusal;

    bool fail(const QString& message) {
        if (error.isEmpty()) {
            error = message;
        }
        return false;
    }

    // The value of an option: "--name=value" or the next argument.
    std::optional<QString> value(const QString& option, const std::optional<QString>& inline_) {
        if (inline_) {
            return inline_;
        }
        if (next >= args.size()) {
            fail(QStringLiteral("%1 needs a value").arg(option));
            return std::nullopt;
        }
        return args[next++];
    }

    bool setMode(CommandLine::Mode mode, const QString& option) {
        if (sawMode) {
            return fail(QStringLiteral("%1 cannot be combined with another view").arg(option));
        }
        sawMode = true;
        cl.mode = mode;
        return true;
    }

    bool setOutput(CommandLine::Output output, const QString& option) {
        if (sawOutput) {
            return fail(QStringLiteral("%1: only one of --text, --print-text, --pdf and --print")
                            .arg(option));
        }
        sawOutput = true;
        cl.output = output;
        return true;
    }

    bool parseItems(const QString& list) {
        std::vector<int> codes;
        for (const QString& part : list.split(QLatin1Char(','))) {
            const auto code = itemCode(part.trimmed());
            if (!code) {
                return fail(QStringLiteral("unknown item \"%1\" in --items (items: %2)")
                                .arg(part.trimmed(), itemList()));
            }
            codes.push_back(*code);
        }
        cl.items = codes;
        return true;
    }

    bool parseSort(const QString& keys) {
        for (const QString& part : keys.split(QLatin1Char(','))) {
            const QString name = part.section(QLatin1Char(':'), 0, 0).trimmed();
            const QString direction = part.section(QLatin1Char(':'), 1).trimmed();
            const auto code = itemCode(name);
            if (!code) {
                return fail(QStringLiteral("unknown sort key \"%1\" in --sort (items: %2)")
                                .arg(name, itemList()));
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
        return true;
    }

    bool parseOne(const QString& arg) {
        std::optional<QString> inline_;
        QString option = arg;
        if (arg.startsWith(QStringLiteral("--")) && arg.contains(QLatin1Char('='))) {
            option = arg.section(QLatin1Char('='), 0, 0);
            inline_ = arg.section(QLatin1Char('='), 1);
        }
        const auto takesNoValue = [&] {
            return !inline_ || fail(QStringLiteral("%1 takes no value").arg(option));
        };
        using M = CommandLine::Mode;
        using O = CommandLine::Output;
        if (option == QStringLiteral("--help") || option == QStringLiteral("-h")) {
            sawHelp = true;
            return takesNoValue();
        }
        if (option == QStringLiteral("--version")) {
            sawVersion = true;
            return takesNoValue();
        }
        if (option == QStringLiteral("--library")) {
            const auto source = value(option, inline_);
            if (!source) {
                return false;
            }
            if (cl.library) {
                return fail(QStringLiteral("--library is given twice"));
            }
            if (source->isEmpty()) {
                return fail(QStringLiteral("--library needs a folder or a playlist file"));
            }
            cl.library = *source;
            return true;
        }
        if (option == QStringLiteral("--list-playlists")) {
            return takesNoValue() && setMode(M::ListPlaylists, option);
        }
        if (option == QStringLiteral("--playlist")) {
            const auto name = value(option, inline_);
            if (!name || !setMode(M::Playlist, option)) {
                return false;
            }
            if (name->isEmpty()) {
                return fail(QStringLiteral("--playlist needs a playlist's name"));
            }
            cl.playlist = *name;
            return true;
        }
        if (option == QStringLiteral("--label")) {
            cl.label = true;
            return takesNoValue();
        }
        if (option == QStringLiteral("--items")) {
            const auto list = value(option, inline_);
            if (cl.items) {
                return fail(QStringLiteral("--items is given twice"));
            }
            return list && parseItems(*list);
        }
        if (option == QStringLiteral("--sort")) {
            const auto keys = value(option, inline_);
            if (!cl.sort.empty()) {
                return fail(QStringLiteral("--sort is given twice"));
            }
            return keys && parseSort(*keys);
        }
        if (option == QStringLiteral("--text")) {
            return takesNoValue() && setOutput(O::Text, option);
        }
        if (option == QStringLiteral("--print")) {
            return takesNoValue() && setOutput(O::Print, option);
        }
        if (option == QStringLiteral("--print-text") || option == QStringLiteral("--pdf")) {
            const auto file = value(option, inline_);
            if (!file ||
                !setOutput(option == QStringLiteral("--pdf") ? O::Pdf : O::PrintText, option)) {
                return false;
            }
            if (file->isEmpty()) {
                return fail(QStringLiteral("%1 needs a file name").arg(option));
            }
            cl.outputFile = *file;
            return true;
        }
        if (arg.startsWith(QLatin1Char('-')) && arg != QStringLiteral("-")) {
            return fail(QStringLiteral("unknown option %1").arg(option));
        }
        return fail(QStringLiteral("unexpected argument \"%1\"").arg(arg));
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
        if (cl.mode == CommandLine::Mode::Window && sawOutput) {
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
    Parser p;
    p.args = arguments;
    // Read to the end even after an error, so that --help anywhere is seen.
    while (p.next < p.args.size()) {
        p.parseOne(p.args[p.next++]);
    }
    if (p.sawHelp || p.sawVersion) {
        // Asked for help, the user gets it whatever else the line holds.
        CommandLine only;
        only.mode = p.sawHelp ? CommandLine::Mode::Help : CommandLine::Mode::Version;
        return {only, {}};
    }
    p.check();
    return {p.cl, p.error};
}

QString usageText() {
    return QStringLiteral(
        "Usage:\n"
        "  corvane [--library SOURCE]                      open the window\n"
        "  corvane [--library SOURCE] --list-playlists [OUTPUT]\n"
        "  corvane [--library SOURCE] --playlist NAME [--label] [--items LIST] [--sort KEYS] "
        "[OUTPUT]\n"
        "  corvane --help | --version\n"
        "\n"
        "Shows a music library's playlists as text, sorts them, makes CD case labels and\n"
        "prints them.\n"
        "\n"
        "  --library SOURCE   a folder of playlist files (searched below it too) or one\n"
        "                     playlist file; default $CORVANE_LIBRARY, else your music folder\n"
        "  --list-playlists   the numbered list of every playlist\n"
        "  --playlist NAME    the playlist of that name, as a list of its songs\n"
        "  --label            ... as CD case labels instead\n"
        "  --items LIST       a custom display, e.g. Title,Artist,Time (items: Title, Artist,\n"
        "                     Time, Rating, Genre, Year, Album, Type; no Album or Type on a\n"
        "                     label); default: the saved display\n"
        "  --sort KEYS        KEY[:desc],... the first key the major order, e.g. "
        "Artist,Rating:desc\n"
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
