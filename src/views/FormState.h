#pragma once

#include "library/MediaLibrary.h"
#include "views/Columns.h"
#include "views/DisplayConfiguration.h"
#include "views/DisplayList.h"
#include "views/DisplaySettingsFile.h"

#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <vector>

// The state of the main window that the views, the sort, the chooser and the printout read and
// write: the view state, the display configuration, the song table, the sort state, and the
// controls they touch, kept as plain data. The window (app/Form1) owns one and draws it.
namespace corvane::views {

// Print captions: "PRINT", a line feed and the name of what a click on it will print.
namespace caption {
inline const QString ListOfPlaylists = QStringLiteral("PRINT\nlist of playlists");
inline const QString SelectedList = QStringLiteral("PRINT\nselected list");
inline const QString CustomList = QStringLiteral("PRINT\ncustom list");
inline const QString LabelView = QStringLiteral("PRINT\nlabel");
inline const QString CustomLabel = QStringLiteral("PRINT\ncustom label");
inline const QString UsersGuide = QStringLiteral("PRINT\nuser's guide");
inline const QString MinorSortOff = QStringLiteral("Minor Sort Off");
inline const QString MinorSortOn = QStringLiteral("Minor Sort On");
} // namespace caption

// The heading line of the list of playlists, once its number field is dropped.
inline const QString ListOfPlaylistsHeading = QStringLiteral("LIST OF PLAYLISTS");

// The printout's layout for what the display list shows (PrintKind).
enum class PrintLayout : std::int16_t { Label = 8, List = 12, Guide = 20 };

struct FormState {
    explicit FormState(DisplaySettingsFile settingsFile)
        : SettingsFile(std::move(settingsFile)) {}

    // Media library, held from start-up on; empty when none could be had.
    std::shared_ptr<const library::Player> Player;
    std::shared_ptr<const library::PlaylistCollection> Playlists;

    // View state.
    QString SelectedPlaylist; // empty: none; ListOfPlaylistsHeading: the heading was picked
    int PlaylistsShowing = 0; // 1 while the list of playlists is showing
    Display DisplayKind = Display::List;
    bool CustomActive = false; // a custom display is being built with the item buttons
    PrintLayout PrintKind = PrintLayout::List;
    int NextPosition = -1; // the position the chooser's last item took

    // Sort state. LastSort -1 means no previous sort, so the first click sorts ascending.
    int SortRequest = -1;
    int LastSort = -1;
    bool MinorSortOn = false;

    // Copies of the selected playlist view's heading and column-header lines, for the printout.
    QString TitleLine;
    QString HeadingLine;

    // The display configuration in force and the file it is loaded from and saved to.
    DisplayConfiguration Configuration = DisplayConfiguration::delivered();
    DisplaySettingsFile SettingsFile;

    // Song table: rows 0 to LastSong of the selected playlist, one cell per item code.
    std::vector<SongRow> SongTable;
    int LastSong = -1;
    float TotalSeconds = 0.0F;

    // Screen scale factors, fixed at start-up.
    float ScaleX = 1.0F;
    float ScaleY = 1.0F;
    float FontScale = 1.0F;

    // Controls.
    DisplayList List1;
    QString Text1;
    QString PrintCaption = caption::UsersGuide;
    std::array<QString, ItemCount> SortCaptions;               // cmdSort(0..7)
    std::array<QString, ItemCount> CustomCaptions = ItemNames; // cmdCustom(0..7)
    QString MinorSortCaption;
    bool SortGroupVisible = true; // Label1, Frame1, cmdSort(0..7), cmdMinorSort
    QString StatusLine;           // one line saying what went wrong, empty when all is well
    // Why the settings file could not be used, until a load or a save of it succeeds: worth
    // saying beyond the click that found it.
    QString SettingsProblem;
    bool LibraryFailed = false; // a library call of the last handler failed: its view is empty

    // Adds the library's notes of a listing that succeeded to the status line, after what is
    // there, all on one line.
    void addNotes(const QStringList& notes) {
        for (const QString& note : notes) {
            StatusLine += (StatusLine.isEmpty() ? QString() : QStringLiteral("; ")) + note;
        }
    }

    // Puts what the library could not read (a playlist read in part) first on the status line,
    // before the notes and warnings, and marks the listing as failed.
    void sayError(const QString& error) {
        if (error.isEmpty() || StatusLine.startsWith(error)) {
            return;
        }
        LibraryFailed = true;
        StatusLine = StatusLine.isEmpty() ? error : error + QStringLiteral("; ") + StatusLine;
    }

    bool playlistSelected() const {
        return !SelectedPlaylist.isEmpty() && SelectedPlaylist != ListOfPlaylistsHeading;
    }
};

// Fills the display list with the user's guide (the caller clears it and sets caption and font).
void ShowUsersGuide(FormState& state);

} // namespace corvane::views
