#include "app/Form1.h"

#include "guide/Guide.h"
#include "print/Label.h"
#include "print/Printout.h"
#include "views/CustomDisplay.h"
#include "views/DisplayReset.h"
#include "views/PlaylistListing.h"
#include "views/SelectedPlaylistView.h"

#include <cmath>
#include <exception>
#include <stdexcept>

namespace corvane::app {

using library::resumeNext;
using views::caption::CustomList;

namespace {

const QString Label1Caption = QStringLiteral("Selected Playlist Sort\nAscending/Descending");
const QString Label3Caption = QStringLiteral("Custom Display");
const QString CDLabelCaption = QStringLiteral("LABEL\nCD CASE");
const QString PlaylistsCaption = QStringLiteral("LIST ALL\nPLAYLISTS");
const QString DisplaySaved = QStringLiteral("Display saved as the default");
const QString DefaultRestored = QStringLiteral("Default display restored");

QString webSiteCaption() {
    return QStringList{
        QStringLiteral("Compliments of"), guide::WebAddress, QStringLiteral("CLICK HERE TO:"),
        QStringLiteral("1)Check for latest version"), QStringLiteral("2)Check out the latest ads")}
        .join(QLatin1Char('\n'));
}

bool inSortGroup(const QString& name) {
    return name == QStringLiteral("Label1") || name == QStringLiteral("Frame1") ||
           name == QStringLiteral("cmdSort") || name == QStringLiteral("cmdMinorSort");
}

QString firstLine(const QString& text) {
    return text.section(QLatin1Char('\n'), 0, 0).trimmed();
}

} // namespace

Form1::Form1(std::shared_ptr<const library::Player> player, views::DisplaySettingsFile settingsFile,
             ScreenMetrics screen, PrinterFactory makePrinter, UrlOpener openUrl,
             QString libraryNote)
    : state_(std::move(settingsFile))
    , screen_(screen)
    , makePrinter_(std::move(makePrinter))
    , openUrl_(std::move(openUrl))
    , libraryNote_(std::move(libraryNote))
    , givenPlayer_(std::move(player)) {}

// Every handler runs to its end or stops at a failure; either way the window goes on, and a
// failure is told in the status line. What is wrong with the settings file outlasts the click.
template <class Steps> void Form1::handle(Steps&& steps, const char* failure) {
    state_.StatusLine.clear();
    state_.LibraryFailed = false;
    try {
        steps();
    } catch (const std::exception& e) {
        state_.StatusLine = QStringLiteral("%1: %2").arg(QLatin1String(failure),
                                                         firstLine(QString::fromUtf8(e.what())));
    } catch (...) {
        state_.StatusLine = QLatin1String(failure) + QLatin1Char('.');
    }
    if (state_.SettingsProblem != note(Note::Settings)) {
        setNote(Note::Settings, state_.SettingsProblem);
    }
}

void Form1::Form_Load() {
    handle([&] {
        const ScaleFactors scale = FitToScreen(screen_);
        state_.ScaleX = scale.ScaleX;
        state_.ScaleY = scale.ScaleY;
        state_.FontScale = scale.FontScale;
        // From here on a step that fails is passed over and start-up goes on.
        resumeNext([&] { scaleControls(controls_, scale); });
        // The player is the library this window was given.
        resumeNext([&] { state_.Player = givenPlayer_; });
        resumeNext([&] {
            if (state_.Player) {
                state_.Playlists = state_.Player->playlistCollection();
            }
        });
        state_.SortRequest = -1;
        state_.PrintKind = views::PrintLayout::List;
        state_.DisplayKind = views::Display::List;
        resumeNext([&] {
            find(QStringLiteral("Label1"))->caption = Label1Caption;
            find(QStringLiteral("Label3"))->caption = Label3Caption;
            find(QStringLiteral("cmdCDLabel"))->caption = CDLabelCaption;
            find(QStringLiteral("CmdPlaylists"))->caption = PlaylistsCaption;
            find(QStringLiteral("cmdWebSite"))->caption = webSiteCaption();
        });
        // ItemNames and the width tables are the views' constant tables: nothing to build.
        resumeNext([&] { views::ResetList(state_); });
        state_.List1.fontSize = 11.0F * state_.ScaleX / 1.44F;
        state_.PrintCaption = views::caption::UsersGuide;
        resumeNext([&] { views::ShowUsersGuide(state_); });
    });
}

void Form1::Form_Unload() {
    state_.Playlists.reset();
    state_.Player.reset();
}

void Form1::CmdPlaylists_Click() {
    handle([&] {
        state_.PlaylistsShowing = 1;
        state_.PrintKind = views::PrintLayout::List;
        state_.PrintCaption = views::caption::ListOfPlaylists;
        state_.List1.fontSize = state_.ScaleX * 11.0F / 1.28F;
        newListing();
        state_.SelectedPlaylist.clear();
        views::ListPlaylists(state_);
    });
}

void Form1::List1_Click(int index) {
    const views::DisplayList& list = state_.List1;
    List1_Click(index >= 0 && index < list.ListCount() ? list.List(index) : QString());
}

void Form1::List1_Click(const QString& clickedLineText) {
    if (state_.PlaylistsShowing != 1) {
        return;
    }
    handle([&] {
        // Every line of the list of playlists begins with a seven-character number field, and
        // the heading with seven spaces: what remains is a name or the heading. A shorter line
        // holds no name.
        state_.SelectedPlaylist = clickedLineText.mid(7);
        if (state_.SelectedPlaylist != views::ListOfPlaylistsHeading) {
            state_.Text1 = state_.SelectedPlaylist;
        }
        state_.PlaylistsShowing = 0;
        state_.PrintKind = views::PrintLayout::List;
        state_.PrintCaption = state_.CustomActive ? CustomList : views::caption::SelectedList;
        state_.SortGroupVisible = true;
        rebuild(Rebuild::List);
    });
}

void Form1::CmdSelected_Click() {
    handle([&] {
        newListing();
        views::ResetList(state_);
        state_.SortGroupVisible = true;
        views::ListSelectedPlaylists(state_);
    });
}

void Form1::cmdCDLabel_Click() {
    handle([&] {
        ++listings_; // the label empties the list itself
        views::ResetLabel(state_);
        print::Label(state_);
    });
}

void Form1::cmdCustom_Click(int Index) {
    if (!state_.playlistSelected() || Index < 0 || Index >= views::ItemCount ||
        state_.CustomCaptions[static_cast<std::size_t>(Index)].isEmpty()) {
        return;
    }
    handle([&] {
        // An item already shown changes nothing, and the list stays as it is.
        if (const Rebuild what = views::cmdCustom_Click(state_, Index); what != Rebuild::None) {
            rebuild(what);
        }
    });
}

void Form1::cmdReset_Click() {
    handle([&] {
        if (state_.DisplayKind == views::Display::List) {
            views::ResetList(state_);
        } else if (state_.DisplayKind == views::Display::Label) {
            views::ResetLabel(state_);
        }
        if (state_.SettingsProblem.isEmpty()) {
            state_.StatusLine = DefaultRestored;
        }
        rebuild(state_.DisplayKind == views::Display::List    ? Rebuild::List
                : state_.DisplayKind == views::Display::Label ? Rebuild::Label
                                                              : Rebuild::None);
    });
}

void Form1::cmdSave_Click() {
    if (!state_.playlistSelected()) {
        return;
    }
    handle([&] {
        if (views::SaveDisplaySettings(state_)) {
            state_.StatusLine = DisplaySaved;
        }
    });
}

void Form1::cmdSort_Click(int Index) {
    if (Index < 0 || Index > state_.Configuration.ListLastItem || Index >= views::ItemCount) {
        return;
    }
    handle([&] {
        newListing();
        views::cmdSort_Click(state_, Index);
    });
}

void Form1::cmdMinorSort_Click() {
    if (!state_.playlistSelected()) {
        return;
    }
    handle([&] { views::cmdMinorSort_Click(state_); });
}

void Form1::CmdPrint_Click() {
    printWith(makePrinter_);
}

void Form1::printWith(const PrinterFactory& makePrinter,
                      const std::function<QString(bool whole)>& finish) {
    printDialogWanted_ = false;
    QString outcome;
    handle(
        [&] {
            // An empty display list prints nothing, so it needs no printer either.
            if (state_.List1.ListCount() == 0) {
                outcome = QStringLiteral("The display is empty: nothing to print.");
                if (finish) {
                    finish(true);
                }
                return;
            }
            std::unique_ptr<print::Printer> printer;
            try {
                printer = makePrinter ? makePrinter() : nullptr;
            } catch (const print::NoPrinterError&) {
                // The user may choose another printer, or a file, in the print dialog.
                printDialogWanted_ = true;
                throw;
            }
            if (!printer) {
                throw print::PrintError("there is no printer to print on");
            }
            try {
                print::Printout(state_, *printer);
            } catch (...) {
                printer.reset(); // a broken-off print is thrown away before its output is
                if (finish) {
                    finish(false);
                }
                throw;
            }
            outcome = printer->outcome();
            printer.reset();
            if (finish) {
                if (const QString problem = finish(true); !problem.isEmpty()) {
                    throw print::PrintError(problem.toStdString());
                }
            }
        },
        "Nothing was printed");
    // What became of it stays until the next print.
    setNote(Note::Print, state_.StatusLine.isEmpty() ? outcome : state_.StatusLine);
}

QString Form1::printoutName() const {
    QString name;
    if (state_.PrintKind == views::PrintLayout::Guide) {
        name = QStringLiteral("Corvane user's guide");
    } else if (state_.PlaylistsShowing == 1 || !state_.playlistSelected()) {
        name = QStringLiteral("Playlists");
    } else {
        name = state_.SelectedPlaylist;
        if (state_.PrintKind == views::PrintLayout::Label) {
            name += QStringLiteral(" label");
        }
    }
    // A file name holds no folder separator.
    return name.replace(u'/', u'-');
}

void Form1::drawPrintout(print::Printer& printer) const {
    print::Printout(state_, printer);
}

void Form1::cmdWebSite_Click() {
    handle([&] {
        newListing();
        // What the browser makes of it is not ours to report.
        resumeNext([&] {
            if (openUrl_) {
                openUrl_(guide::WebAddress);
            }
        });
    });
}

void Form1::List1_MouseMove(const views::ListBoxGeometry& geometry, float X, float Y) {
    try {
        views::List1_MouseMove(state_, geometry, X, Y, screen_.twipsPerPixelX,
                               screen_.twipsPerPixelY);
    } catch (...) {
        state_.Text1.clear();
    }
}

std::vector<Control> Form1::controls() const {
    std::vector<Control> result = controls_;
    for (Control& c : result) {
        const auto i = static_cast<std::size_t>(c.index);
        if (c.name == QStringLiteral("cmdPrint")) {
            c.caption = state_.PrintCaption;
        } else if (c.name == QStringLiteral("cmdSort")) {
            c.caption = state_.SortCaptions.at(i);
        } else if (c.name == QStringLiteral("cmdCustom")) {
            c.caption = state_.CustomCaptions.at(i);
        } else if (c.name == QStringLiteral("cmdMinorSort")) {
            c.caption = state_.MinorSortCaption;
        } else if (c.name == QStringLiteral("Text1")) {
            c.caption = state_.Text1;
        } else if (c.name == QStringLiteral("List1")) {
            c.fontSize = listFontSize();
        }
        if (inSortGroup(c.name)) {
            c.visible = state_.SortGroupVisible;
        }
    }
    return result;
}

Control Form1::control(const QString& name, int index) const {
    for (const Control& c : controls()) {
        if (c.name == name && c.index == index) {
            return c;
        }
    }
    throw std::out_of_range("no control " + name.toStdString());
}

float Form1::listFontSize() const {
    const float size = state_.List1.fontSize;
    if (std::isfinite(size) && size >= 1.0F) {
        return size;
    }
    // Whatever a view or a file set, the list stays readable: the design size, scaled.
    return 8.25F * state_.FontScale;
}

Rect Form1::clientArea() const {
    return {0, 0, LayoutWidth * static_cast<double>(state_.ScaleX),
            LayoutHeight * static_cast<double>(state_.ScaleY)};
}

QString Form1::statusLine() const {
    if (!state_.StatusLine.isEmpty()) {
        return state_.StatusLine;
    }
    return notes_.empty() ? libraryNote_ : notes_.back().second;
}

void Form1::setNote(Note kind, const QString& text) {
    std::erase_if(notes_, [kind](const auto& note) { return note.first == kind; });
    if (!text.isEmpty()) {
        notes_.emplace_back(kind, text);
    }
}

QString Form1::note(Note kind) const {
    for (const auto& [k, text] : notes_) {
        if (k == kind) {
            return text;
        }
    }
    return {};
}

void Form1::newListing() {
    state_.List1.Clear();
    ++listings_;
}

void Form1::rebuild(Rebuild what) {
    if (oneClick_) {
        pending_ = what;
        return;
    }
    newListing();
    if (what == Rebuild::List) {
        views::ListSelectedPlaylists(state_);
    } else if (what == Rebuild::Label) {
        print::Label(state_);
    }
}

void Form1::asOneClick(const std::function<void()>& clicks) {
    oneClick_ = true;
    pending_ = Rebuild::None;
    clicks();
    oneClick_ = false;
    if (const Rebuild what = std::exchange(pending_, Rebuild::None); what != Rebuild::None) {
        handle([&] { rebuild(what); });
    }
}

Control* Form1::find(const QString& name, int index) {
    for (Control& c : controls_) {
        if (c.name == name && c.index == index) {
            return &c;
        }
    }
    throw std::out_of_range("no control " + name.toStdString());
}

} // namespace corvane::app
