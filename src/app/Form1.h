#pragma once

#include "app/Layout.h"
#include "print/Printer.h"
#include "views/CustomDisplay.h"
#include "views/FormState.h"
#include "views/HoverTip.h"

#include <functional>
#include <memory>
#include <utility>
#include <vector>

// The main window without a widget toolkit: its controls as plain data, the view state, start-up
// and every handler. MainWindow draws it and forwards each event to it; the command line drives
// the same handlers without a window.
namespace corvane::app {

class Form1 {
public:
    using PrinterFactory = std::function<std::unique_ptr<print::Printer>()>;
    using UrlOpener = std::function<void(const QString&)>;

    // `player` may be empty (no library could be had). `libraryNote` says what is to be known
    // about the library (why it could not be read, or that the demo stands in); the status line
    // shows it whenever nothing newer is to be said.
    Form1(std::shared_ptr<const library::Player> player, views::DisplaySettingsFile settingsFile,
          ScreenMetrics screen, PrinterFactory makePrinter = {}, UrlOpener openUrl = {},
          QString libraryNote = {});

    // Start-up: scales the window to the screen, takes the library, loads the saved display and
    // ends on the user's guide.
    void Form_Load();
    void Form_Unload();

    void CmdPlaylists_Click();
    // A click on line `index` of the display list (out of range: no line, as below the last).
    void List1_Click(int index);
    void List1_Click(const QString& clickedLineText);
    void CmdSelected_Click();
    void cmdCDLabel_Click();
    void cmdCustom_Click(int Index);
    void cmdReset_Click();
    void cmdSave_Click();
    void cmdSort_Click(int Index);
    void cmdMinorSort_Click();
    // The view on the default printer. Where there is none, or its print server does not answer,
    // the status line says which and the window is asked for its print dialog.
    void CmdPrint_Click();
    // The view printed as PRINT prints it, on the printer the user chose (the print dialog's, a
    // PDF file). `finish`, when given, completes the output once the printout is done, told
    // whether it is whole, and returns what went wrong, empty when nothing did.
    void printWith(const PrinterFactory& makePrinter,
                   const std::function<QString(bool whole)>& finish = {});
    // The view drawn on `printer` as PRINT would print it, with nothing said (the print
    // preview). Throws print::PrintError.
    void drawPrintout(print::Printer& printer) const;
    // A name for a file that holds the view's printout: the playlist's name, with " label" for its
    // label; "Playlists"; "Corvane user's guide".
    QString printoutName() const;
    // Whether the last PRINT found no printer and asks for the print dialog; asking clears it.
    bool takePrintDialogRequest() { return std::exchange(printDialogWanted_, false); }
    void cmdWebSite_Click();
    // A mouse move over the display list at (X, Y) twips of its client area.
    void List1_MouseMove(const views::ListBoxGeometry& geometry, float X, float Y);

    // Runs `clicks` (this form's handlers) as one: a playlist's click, Reset and the item buttons
    // leave building the display list to the end, where it is built once, as the last of them
    // would have built it.
    // For a run that shows only the end (the command line).
    void asOneClick(const std::function<void()>& clicks);

    const views::FormState& state() const { return state_; }
    const ScreenMetrics& screen() const { return screen_; }

    // Every control as the window shows it now: place, caption, look, visibility.
    std::vector<Control> controls() const;
    // One of them by name (and index for the button arrays); throws std::out_of_range if none.
    Control control(const QString& name, int index = -1) const;
    // The display list's font size: what the views set, never zero or negative.
    float listFontSize() const;
    // The client area that shows the whole layout, in twips, scaled.
    Rect clientArea() const;
    // The window's one line of news: what the last click said, else the newest note that outlasts
    // its click (see Note), else what is to be known about the library.
    QString statusLine() const;

    // News that outlasts the click that brought it, each until a click of its own kind says
    // otherwise: the outcome of the last print (until the next print); why the settings file
    // could not be used (until the display is saved, or the file is read again, as Reset does).
    enum class Note { Print, Settings };
    // Sets (or, with an empty text, clears) a note; a note set becomes the newest.
    void setNote(Note kind, const QString& text);
    QString note(Note kind) const;
    // Counts the listings the display list has shown. Each new one starts at its top, even when
    // it shows the same lines again.
    int listingCount() const { return listings_; }

private:
    template <class Steps> void handle(Steps&& steps, const char* failure = "That did not work");
    Control* find(const QString& name, int index = -1);
    // Empties the display list for a new listing.
    void newListing();
    // Builds the display list again as the list or the label, now or at the end of asOneClick.
    using Rebuild = views::Rebuild;
    void rebuild(Rebuild what);

    views::FormState state_;
    ScreenMetrics screen_;
    PrinterFactory makePrinter_;
    UrlOpener openUrl_;
    QString libraryNote_;
    std::shared_ptr<const library::Player> givenPlayer_;
    std::vector<Control> controls_ = designControls();
    int listings_ = 0;
    std::vector<std::pair<Note, QString>> notes_; // the newest last
    bool printDialogWanted_ = false;
    bool oneClick_ = false;
    Rebuild pending_ = Rebuild::None;
};

} // namespace corvane::app
