#include "print/Printout.h"

#include "text/Format.h"

#include <algorithm>

namespace corvane::print {
namespace {

const QString FontFace = QStringLiteral("Courier New");
constexpr float GuideFontSize = 10.0F;
constexpr int GuideMargin = 12;
constexpr int PlaylistsMargin = 10;
constexpr int SelectedMargin = 3;
constexpr int LabelMargin = 20;
constexpr int PlaylistsPerPage = 50;
constexpr int TwoColumnPageOffset = 32;
const QString FormFeedLine = QStringLiteral("\f");

void printGuide(const QStringList& lines, Printer& printer) {
    const QString margin = text::spaces(GuideMargin);
    printer.setFontSize(GuideFontSize);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i] == FormFeedLine) {
            printer.newPage();
            // The line after a page break is printed as it stands, even a second form feed.
            if (++i == lines.size()) {
                break;
            }
        }
        printer.printLine(margin + lines[i]);
    }
    printer.endDocument();
}

void printListOfPlaylists(const QStringList& lines, Printer& printer) {
    const QString margin = text::spaces(PlaylistsMargin);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        printer.printLine(margin + lines[i]);
        const long long number = text::leadingNumber(lines[i], 4);
        if (number > 0 && number % PlaylistsPerPage == 0 && i != lines.size() - 1) {
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
    const QStringList& lines = state.List1.lines;
    const views::DisplayConfiguration& c = state.Configuration;
    const QString margin = text::spaces(SelectedMargin);
    // Without a page length (a damaged configuration) the songs run on; the printer still starts
    // a new sheet where the paper ends.
    const int perPage = c.ListSongsPerPage;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        printer.printLine(margin + lines[i]);
        const long long number = text::leadingNumber(lines[i], c.ListIndent + 5);
        if (perPage > 0 && number > 0 && number % perPage == 0) {
            if (i == lines.size() - 1) {
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

void printLabels(const views::FormState& state, Printer& printer) {
    const QStringList& lines = state.List1.lines;
    const views::DisplayConfiguration& c = state.Configuration;
    const int rows = c.LabelRows;
    const qsizetype n = lines.size();
    const QString margin = text::spaces(LabelMargin);
    const QString border = margin + QString(std::max(c.LabelLineWidth + 2, 0), u'.');
    const QString emptyRow = margin + u'.' + text::spaces(c.LabelLineWidth) + u'.';

    // Every frame is as tall as a full label: rows + 6 inside its borders.
    qsizetype top = 1;
    qsizetype bottom = 0;
    if (n <= rows + 4) {
        const int free = rows + 6 - static_cast<int>(n);
        top = halfToEven(free);
        bottom = free - top;
    } else {
        bottom = rows + 5 - n % (rows + 4);
    }

    printer.printLine(border);
    for (qsizetype k = 0; k < top; ++k) {
        printer.printLine(emptyRow);
    }
    for (qsizetype i = 0; i < n; ++i) {
        printer.printLine(margin + u'.' + lines[i] + u'.');
        const long long number = text::leadingNumber(lines[i], c.LabelIndent + 4);
        if (number > 0 && number % rows == 0) {
            printer.printLine(emptyRow);
            printer.printLine(border);
            if (i == n - 1) {
                printer.endDocument();
                return;
            }
            // Two labels a page; with two songs a line a label's lines lead with its left
            // column's numbers, 32 apart from the right column's.
            const bool newPage = c.LabelWidth > 30
                                     ? number % (2LL * rows) == 0
                                     : (number + TwoColumnPageOffset) % (4LL * rows) == 0;
            if (newPage) {
                printer.newPage();
            }
            printer.printLine();
            printer.printLine();
            printer.printLine(border);
            printer.printLine(emptyRow);
        }
    }
    for (qsizetype k = 0; k < bottom; ++k) {
        printer.printLine(emptyRow);
    }
    printer.printLine(border);
    printer.endDocument();
}

} // namespace

void Printout(const views::FormState& state, Printer& printer) {
    const QStringList& lines = state.List1.lines;
    if (lines.isEmpty()) {
        return;
    }
    const bool labelLayout =
        state.PrintKind != views::PrintGuide && state.PrintKind != views::PrintList;
    if (labelLayout && state.Configuration.LabelRows <= 0) {
        // Frames and page breaks both count label rows: without them there is no layout.
        throw PrintError(QStringLiteral("The label display has %1 songs a label: nothing printed.")
                             .arg(state.Configuration.LabelRows)
                             .toStdString());
    }

    printer.setFontName(FontFace);
    printer.setBold(true);
    printer.printLine();
    if (state.DisplayKind == 1) {
        printer.setFontSize(state.Configuration.ListFontSize);
    } else if (state.DisplayKind == 2) {
        printer.setFontSize(state.Configuration.LabelFontSize);
    }

    if (state.PrintKind == views::PrintGuide) {
        printGuide(lines, printer);
    } else if (state.PrintKind == views::PrintList) {
        if (state.SelectedPlaylist.isEmpty() || state.PlaylistsShowing == 1) {
            printListOfPlaylists(lines, printer);
        } else {
            printSelectedPlaylist(state, printer);
        }
    } else {
        printLabels(state, printer);
    }
}

} // namespace corvane::print
