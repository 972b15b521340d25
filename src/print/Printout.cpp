#include "print/Printout.h"

#include "text/Format.h"

#include <algorithm>

namespace corvane::print {
namespace {

using views::DisplayList;
using views::LineKind;

const QString FontFace = QStringLiteral("Courier New");
constexpr float GuideFontSize = 10.0F;
constexpr int GuideMargin = 12;
constexpr int PlaylistsMargin = 10;
constexpr int SelectedMargin = 3;
constexpr int LabelMargin = 20;
constexpr int PlaylistsPerPage = 50;

// A letter sheet inside the printers' margins (11 inches less a sixth of an inch top and
// bottom) holds this many points of lines, and a line of the fixed-pitch face is this many
// times its size tall: 84 lines at 8 points.
constexpr double SheetPoints = 768.0;
constexpr double LineHeightPerPoint = 1.1328;

// The cells of a display-list line printed after `prefix` characters of margin (and frame),
// with the closing frame dot at `closing` a run of its own.
text::CellStarts printedCells(const text::CellStarts& cells, qsizetype prefix,
                              qsizetype closing = -1) {
    if (cells.empty()) {
        return {};
    }
    text::CellStarts out;
    out.reserve(cells.size() + 2);
    out.push_back(prefix);
    for (const qsizetype start : cells) {
        out.push_back(start + prefix);
    }
    if (closing >= 0) {
        out.push_back(closing);
    }
    return out;
}

void printGuide(const DisplayList& list, Printer& printer) {
    const QString margin = text::spaces(GuideMargin);
    printer.setFontSize(GuideFontSize);
    for (int i = 0; i < list.ListCount(); ++i) {
        if (list.role(i).kind == LineKind::FormFeed) {
            printer.newPage();
            // The line after a page break is printed as it stands, even a second page break.
            if (++i == list.ListCount()) {
                break;
            }
        }
        printer.printLine(margin + list.List(i));
    }
    printer.endDocument();
}

void printListOfPlaylists(const DisplayList& list, Printer& printer) {
    const QString margin = text::spaces(PlaylistsMargin);
    const int last = list.ListCount() - 1;
    for (int i = 0; i <= last; ++i) {
        printer.printLine(margin + list.List(i));
        const views::LineRole role = list.role(i);
        if (role.kind == LineKind::Playlist && role.number % PlaylistsPerPage == 0 && i != last) {
            printer.newPage();
            printer.printLine();
            printer.printLine();
            printer.printLine(text::spaces(17) + views::ListOfPlaylistsHeading);
            printer.printLine();
        }
    }
    printer.endDocument();
}

void printSelectedPlaylist(const views::FormState& state, Printer& printer) {
    const DisplayList& list = state.List1;
    const QString margin = text::spaces(SelectedMargin);
    // Without a page length (a damaged configuration) the songs run on; the printer still starts
    // a new sheet where the paper ends.
    const int perPage = state.Configuration.ListSongsPerPage;
    const int last = list.ListCount() - 1;
    for (int i = 0; i <= last; ++i) {
        printer.printLine(margin + list.List(i), printedCells(list.cells(i), margin.size()));
        const views::LineRole role = list.role(i);
        if (role.kind == LineKind::Song && perPage > 0 && role.number % perPage == 0) {
            if (i == last) {
                break;
            }
            printer.newPage();
            printer.printLine();
            printer.printLine();
            printer.printLine(margin + state.TitleLine);
            printer.printLine();
            printer.printLine(margin + state.HeadingLine);
        }
    }
    printer.endDocument();
}

// Half of `whole`, rounded to the nearest whole number with halves to the even neighbour.
int halfToEven(int whole) {
    const int half = whole / 2;
    return whole % 2 != 0 && half % 2 != 0 ? half + 1 : half;
}

// Two labels share a sheet where both fit on it at the label's size, as every label the window
// makes does (84 lines at 8 points); a taller one takes a sheet of its own.
int labelsPerSheet(const views::DisplayConfiguration& c) {
    const int twoLabels = 2 * (c.LabelRows + 8) + 4; // each in its frame, two empty lines before
    return twoLabels * LineHeightPerPoint * c.LabelFontSize <= SheetPoints ? 2 : 1;
}

void printLabels(const views::FormState& state, Printer& printer) {
    const DisplayList& list = state.List1;
    const views::DisplayConfiguration& c = state.Configuration;
    const int rows = c.LabelRows;
    const int n = list.ListCount();
    const QString margin = text::spaces(LabelMargin);
    const QString border = margin + QString(std::max(c.LabelLineWidth + 2, 0), u'.');
    const QString emptyRow = margin + u'.' + text::spaces(c.LabelLineWidth) + u'.';
    const int perSheet = labelsPerSheet(c);

    // Every frame is as tall as a full label: rows + 6 inside its borders.
    int top = 1;
    int bottom = 0;
    if (n <= rows + 4) {
        const int free = rows + 6 - n;
        top = halfToEven(free);
        bottom = free - top;
    } else {
        bottom = rows + 5 - n % (rows + 4);
    }

    printer.setLabelFrame(c.LabelLineWidth + 2, rows + 8);
    printer.printLine(border);
    for (int k = 0; k < top; ++k) {
        printer.printLine(emptyRow);
    }
    int songLines = 0; // of the label being printed
    int closed = 0;
    for (int i = 0; i < n; ++i) {
        const QString& line = list.List(i);
        printer.printLine(
            margin + u'.' + line + u'.',
            printedCells(list.cells(i), margin.size() + 1, margin.size() + 1 + line.size()));
        if (list.role(i).kind != LineKind::LabelSongs || ++songLines < rows) {
            continue;
        }
        // The label is full.
        songLines = 0;
        printer.printLine(emptyRow);
        printer.printLine(border);
        if (i == n - 1) {
            printer.endDocument();
            return;
        }
        if (++closed % perSheet == 0) {
            printer.newPage();
        }
        printer.printLine();
        printer.printLine();
        printer.printLine(border);
        printer.printLine(emptyRow);
    }
    for (int k = 0; k < bottom; ++k) {
        printer.printLine(emptyRow);
    }
    printer.printLine(border);
    printer.endDocument();
}

} // namespace

void Printout(const views::FormState& state, Printer& printer) {
    if (state.List1.ListCount() == 0) {
        return;
    }
    using views::PrintLayout;
    const bool labelLayout =
        state.PrintKind != PrintLayout::Guide && state.PrintKind != PrintLayout::List;
    if (labelLayout && state.Configuration.LabelRows <= 0) {
        // Frames and page breaks both count label rows: without them there is no layout.
        throw PrintError(QStringLiteral("The label display has %1 songs a label: nothing printed.")
                             .arg(state.Configuration.LabelRows)
                             .toStdString());
    }

    printer.setFontName(FontFace);
    printer.setBold(true);
    printer.printLine();
    if (state.DisplayKind == views::Display::List) {
        printer.setFontSize(state.Configuration.ListFontSize);
    } else if (state.DisplayKind == views::Display::Label) {
        printer.setFontSize(state.Configuration.LabelFontSize);
    }

    if (state.PrintKind == PrintLayout::Guide) {
        printGuide(state.List1, printer);
    } else if (state.PrintKind == PrintLayout::List) {
        if (state.SelectedPlaylist.isEmpty() || state.PlaylistsShowing == 1) {
            printListOfPlaylists(state.List1, printer);
        } else {
            printSelectedPlaylist(state, printer);
        }
    } else {
        printLabels(state, printer);
    }
}

} // namespace corvane::print
