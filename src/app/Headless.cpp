#include "app/Headless.h"

namespace corvane::app {
namespace {

// The playlist lines of the list of playlists begin at line 4, after a seven-character number.
constexpr int FirstPlaylistLine = 4;
constexpr int NumberField = 7;

int findPlaylistLine(const views::DisplayList& list, const QString& name) {
    for (int i = FirstPlaylistLine; i < list.ListCount(); ++i) {
        if (list.List(i).mid(NumberField) == name) {
            return i;
        }
    }
    return -1;
}

// The list position whose sort button sorts by `item`; -1 when the display does not show it.
int sortButtonOf(const views::DisplayConfiguration& c, int item) {
    for (int i = 0; i <= c.ListLastItem && i < views::ItemCount; ++i) {
        if (c.ListOrder[static_cast<std::size_t>(i)] == item) {
            return i;
        }
    }
    return -1;
}

QString itemName(int item) {
    return views::ItemNames[static_cast<std::size_t>(item)];
}

// As the window sorts: one key by its sort button (twice for descending); several with Minor
// Sort on, from the most minor key to the major one. Sorting for a label always refines, so that
// the label keeps the order.
HeadlessResult sort(Form1& form, const std::vector<SortKey>& keys, bool minor) {
    std::vector<int> buttons;
    for (const SortKey& key : keys) {
        const int button = sortButtonOf(form.state().Configuration, key.item);
        if (button < 0) {
            return {2, QStringLiteral("cannot sort by %1: the display does not show it")
                           .arg(itemName(key.item))};
        }
        buttons.push_back(button);
    }
    if (minor && !form.state().MinorSortOn) {
        form.cmdMinorSort_Click();
    }
    for (auto k = keys.size(); k-- > 0;) {
        form.cmdSort_Click(buttons[k]);
        if (keys[k].descending) {
            form.cmdSort_Click(buttons[k]);
        }
    }
    return {};
}

// Only the end is shown: the display list is built once, not after every click.
void clickItems(Form1& form, const std::vector<int>& items) {
    form.asOneClick([&] {
        form.cmdReset_Click();
        for (int item : items) {
            form.cmdCustom_Click(item);
        }
    });
}

// Warnings go on one line, each after the last.
void addWarning(QString& message, const QString& line) {
    message += (message.isEmpty() ? QString() : QStringLiteral("; ")) + line;
}

} // namespace

HeadlessResult runHeadless(Form1& form, const CommandLine& commandLine, QIODevice& text) {
    form.Form_Load();
    // A settings file that could not be used is worth a word; the built-in display stands in.
    HeadlessResult result{0, form.state().StatusLine};

    // A library that fails on the way leaves an empty view and says why in the status line
    // (exit 2); anything else the status line says on the way is a warning worth passing on.
    const auto failedOrWarn = [&] {
        const QString& line = form.state().StatusLine;
        if (!form.state().LibraryFailed && !line.isEmpty() && !result.message.contains(line)) {
            addWarning(result.message, line);
        }
        return form.state().LibraryFailed;
    };
    QString failure; // the library failed in part: exit 2 once what could be read is given
    const auto done = [&](HeadlessResult r) {
        return r.exitCode == 0 && !failure.isEmpty() ? HeadlessResult{2, failure} : r;
    };
    form.CmdPlaylists_Click();
    if (failedOrWarn()) {
        return {2, form.state().StatusLine};
    }
    if (commandLine.mode == CommandLine::Mode::Playlist) {
        const int line = findPlaylistLine(form.state().List1, commandLine.playlist);
        if (line < 0) {
            return {2, QStringLiteral("no playlist named \"%1\"").arg(commandLine.playlist)};
        }
        // The steps after the click show the same songs: their warnings would repeat it.
        form.List1_Click(line);
        if (failedOrWarn()) {
            // A store that failed in part still shows the songs read from their files: they are
            // given, and the run ends as a failure.
            if (form.state().SongTable.empty()) {
                return {2, form.state().StatusLine};
            }
            failure = form.state().StatusLine;
        }
        if (commandLine.label) {
            if (!commandLine.sort.empty()) {
                if (HeadlessResult r = sort(form, commandLine.sort, true); r.exitCode != 0) {
                    return r;
                }
            }
            form.cmdCDLabel_Click();
            if (commandLine.items) {
                clickItems(form, *commandLine.items);
            }
        } else {
            if (commandLine.items) {
                clickItems(form, *commandLine.items);
            }
            if (!commandLine.sort.empty()) {
                if (HeadlessResult r = sort(form, commandLine.sort, commandLine.sort.size() > 1);
                    r.exitCode != 0) {
                    return r;
                }
            }
        }
    }

    const views::DisplayList& list = form.state().List1;
    if (commandLine.output == CommandLine::Output::Text) {
        for (int i = 0; i < list.ListCount(); ++i) {
            const QByteArray line = list.List(i).toUtf8() + '\n';
            if (text.write(line) != line.size()) {
                return {1,
                        QStringLiteral("cannot write standard output: %1").arg(text.errorString())};
            }
        }
        return done(result);
    }
    form.CmdPrint_Click();
    if (!form.state().StatusLine.isEmpty()) {
        return {1, form.state().StatusLine};
    }
    if (list.ListCount() == 0) {
        // An empty label prints nothing; a file printed to holds an empty document.
        addWarning(result.message, QStringLiteral("the display is empty: nothing to print"));
    }
    return done(result);
}

} // namespace corvane::app
