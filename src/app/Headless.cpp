#include "app/Headless.h"

#include "app/Suggestions.h"

namespace corvane::app {
namespace {

// A playlist's line begins with a seven-character number field.
constexpr int NumberField = 7;

struct PlaylistLines {
    QStringList names;
    std::vector<int> lines;
};

PlaylistLines playlistLines(const views::DisplayList& list) {
    PlaylistLines found;
    for (int i = 0; i < list.ListCount(); ++i) {
        if (list.role(i).kind == views::LineKind::Playlist) {
            found.names << list.List(i).mid(NumberField);
            found.lines.push_back(i);
        }
    }
    return found;
}

// The playlist's line: the name as given, or but for letter case. Else -1 and `why` says what
// there is instead.
int findPlaylistLine(const views::DisplayList& list, const QString& name,
                     const QString& sourcesRead, QString* why) {
    const PlaylistLines playlists = playlistLines(list);
    if (const auto index = matchName(name, playlists.names)) {
        return playlists.lines[static_cast<std::size_t>(*index)];
    }
    *why = QStringLiteral("no playlist named \"%1\"").arg(name);
    if (playlists.names.isEmpty()) {
        *why += QStringLiteral(": the library has no playlists");
        if (!sourcesRead.isEmpty()) {
            *why += QStringLiteral(" (read: %1)").arg(sourcesRead);
        }
    } else if (const QString guess = didYouMean(closestNames(name, playlists.names));
               !guess.isEmpty()) {
        *why += QStringLiteral("; ") + guess;
    } else {
        *why += QStringLiteral(" (--list-playlists lists the %1)")
                    .arg(playlists.names.size() == 1
                             ? QStringLiteral("one playlist")
                             : QStringLiteral("%1 playlists").arg(playlists.names.size()));
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

// The display of the items chosen, in their order.
void chooseItems(Form1& form, const std::vector<int>& items) {
    form.cmdReset_Click();
    for (int item : items) {
        form.cmdCustom_Click(item);
    }
}

// Warnings go on one line, each after the last.
void addWarning(QString& message, const QString& line) {
    message += (message.isEmpty() ? QString() : QStringLiteral("; ")) + line;
}

} // namespace

HeadlessResult runHeadless(Form1& form, const CommandLine& commandLine, QIODevice& text,
                           const QString& sourcesRead) {
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
        QString why;
        const int line =
            findPlaylistLine(form.state().List1, commandLine.playlist, sourcesRead, &why);
        if (line < 0) {
            return {2, why};
        }
        // The steps after the click show the same songs: their warnings would repeat it.
        const auto listed = [&] {
            if (!failedOrWarn()) {
                return true;
            }
            // A store that failed in part still shows the songs read from their files: they are
            // given, and the run ends as a failure.
            failure = form.state().StatusLine;
            return !form.state().SongTable.empty();
        };
        if (commandLine.label) {
            form.List1_Click(line);
            if (!listed()) {
                return {2, failure};
            }
            if (!commandLine.sort.empty()) {
                if (HeadlessResult r = sort(form, commandLine.sort, true); r.exitCode != 0) {
                    return r;
                }
            }
            form.cmdCDLabel_Click();
            if (commandLine.items) {
                form.asOneClick([&] { chooseItems(form, *commandLine.items); });
            }
        } else {
            // Only the end is shown: the playlist is listed once, with the items chosen.
            form.asOneClick([&] {
                form.List1_Click(line);
                if (commandLine.items) {
                    chooseItems(form, *commandLine.items);
                }
            });
            if (!listed()) {
                return {2, failure};
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
