#include "print/Printout.h"

#include "PrintTestSupport.h"
#include "guide/Guide.h"
#include "print/Label.h"
#include "print/RecordingPrinter.h"
#include "print/TextPrinter.h"
#include "text/Format.h"

#include <QBuffer>
#include <algorithm>
#include <optional>

using namespace corvane;
using namespace corvane::print;
using test_support::chooseLabelItems;
using views::Artist, views::Genre, views::Rating, views::Time, views::Title, views::Year;

namespace {

const QString Start[] = {QStringLiteral("font Courier New"), QStringLiteral("bold 1"),
                         QStringLiteral("line")};

QString line(const QString& text) {
    return text.isEmpty() ? QStringLiteral("line") : QStringLiteral("line ") + text;
}

class PrintoutTest : public test_support::PrintTest {
protected:
    RecordingPrinter printer;

    const QStringList& print() {
        printer = RecordingPrinter();
        Printout(state, printer);
        return printer.operations();
    }

    // Prints at the first font size `size` on pages of these sizes: the first begins with
    // `first`, each further one with `further`, and the last ends with `last`.
    void expectPages(const QString& size, const QList<int>& sizes, const QStringList& first,
                     const QStringList& further, const QString& last) {
        const QStringList& ops = print();
        EXPECT_EQ(ops[3], size);
        EXPECT_EQ(ops.back(), QStringLiteral("end"));
        const QList<QStringList> pages = printer.pages();
        QList<int> printed;
        for (const QStringList& page : pages) {
            printed << static_cast<int>(page.size());
        }
        EXPECT_EQ(printed, sizes);
        EXPECT_EQ(pages[0].mid(0, first.size()), first);
        for (const QStringList& page : pages.mid(1)) {
            EXPECT_EQ(page.mid(0, further.size()), further);
        }
        EXPECT_EQ(pages.back().back(), last);
    }

    void showLabel(const std::vector<int>& items, int songs) {
        chooseLabelItems(state, items);
        playlistOf(songs, QStringLiteral("Label of %1").arg(songs));
        Label(state);
    }

    QString border() const {
        return text::spaces(20) + QString(state.Configuration.LabelLineWidth + 2, u'.');
    }
    // The lines printed inside a label's frame; `count` empty ones by default.
    QStringList framed(int count, QStringList lines = {}) const {
        lines.append(QStringList(count, text::spaces(state.Configuration.LabelLineWidth)));
        for (QString& l : lines) {
            l = line(text::spaces(20) + u'.' + l + u'.');
        }
        return lines;
    }
};

// The frames of a label printout, page by page, each as the rows inside its borders with their
// dots taken off. (A blank display-list line looks like an empty frame row, so a frame's empty
// rows are told by where its album line and its last text stand.)
struct Frame {
    QStringList rows;

    static bool hasText(const QString& row) { return !row.trimmed().isEmpty(); }
    // Empty frame rows above the block's first (blank) line.
    qsizetype above() const {
        return std::find_if(rows.begin(), rows.end(), hasText) - rows.begin() - 1;
    }
    const QString& closingLine() const {
        return *std::find_if(rows.rbegin(), rows.rend(), hasText);
    }
};

QList<QList<Frame>> framesByPage(const RecordingPrinter& printer) {
    QList<QList<Frame>> pages;
    std::optional<Frame> open;
    for (const QStringList& page : printer.pages()) {
        pages.append(QList<Frame>());
        for (const QString& row : page) {
            if (row.trimmed().isEmpty()) {
                EXPECT_FALSE(open) << "an empty line inside a frame";
                continue;
            }
            const QString inner = row.mid(20);
            if (!inner.contains(u' ')) {
                if (open) {
                    pages.back().append(*open);
                    open.reset();
                } else {
                    open = Frame();
                }
            } else if (open) {
                EXPECT_TRUE(inner.startsWith(u'.') && inner.endsWith(u'.'));
                open->rows.append(inner.mid(1, inner.size() - 2));
            } else {
                ADD_FAILURE() << "a row outside the frames";
            }
        }
    }
    EXPECT_FALSE(open) << "a frame left open";
    return pages;
}

} // namespace

TEST_F(PrintoutTest, GuidePrintsOnTwoPagesAtTenPoints) {
    state.Configuration.ListFontSize = 11;
    views::ShowUsersGuide(state);
    const QStringList& guide = guide::GuideLines();
    QStringList expected(std::begin(Start), std::end(Start));
    expected << QStringLiteral("size 11") << QStringLiteral("size 10");
    for (int k = 0; k < 44; ++k) {
        expected << line(text::spaces(12) + guide[k]);
    }
    expected << QStringLiteral("page");
    for (int k = 45; k < 105; ++k) {
        expected << line(text::spaces(12) + guide[k]);
    }
    expected << QStringLiteral("end");
    EXPECT_EQ(print(), expected);

    // Any other display kind leaves the first size to the printer.
    state.DisplayKind = static_cast<views::Display>(0);
    EXPECT_EQ(print()[3], QStringLiteral("size 10"));
}

TEST_F(PrintoutTest, TheLineAfterAPageBreakIsPrintedAsItStands) {
    state.PrintKind = views::PrintLayout::Guide;
    state.DisplayKind = views::Display::Label;
    state.Configuration.LabelFontSize = 6;
    for (const QString& line : {QStringLiteral("Caf\u00e9"), QStringLiteral("\f"),
                                QStringLiteral("\f"), QStringLiteral("b"), QStringLiteral("\f")}) {
        state.List1.AddItem(line,
                            {line == u"\f" ? views::LineKind::FormFeed : views::LineKind::Text});
    }
    QStringList expected(std::begin(Start), std::end(Start));
    expected << QStringLiteral("size 6") << QStringLiteral("size 10")
             << line(QStringLiteral("            Caf\u00e9")) << QStringLiteral("page")
             << line(QStringLiteral("            \f")) << line(QStringLiteral("            b"))
             << QStringLiteral("page") << QStringLiteral("end");
    EXPECT_EQ(print(), expected);

    // As plain text: each line and LF, a page break a line of one form feed, in UTF-8.
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    TextPrinter textPrinter(out);
    Printout(state, textPrinter);
    EXPECT_EQ(out.data(), QByteArray("\n            Caf\xc3\xa9\n\f\n            \f\n"
                                     "            b\n\f\n"));
}

// Lists print at the size of the display last shown, the list of playlists 50 to a page, a
// playlist ListSongsPerPage songs to a page; a list that fills its last page ends there.
TEST_F(PrintoutTest, ListsTurnThePageAfterAFullPage) {
    state.Configuration.ListFontSize = 9;
    state.Configuration.LabelFontSize = 6;
    const QString margin = text::spaces(10);
    struct Case {
        int playlists;
        views::Display display;
        QList<int> pageSizes;
    };
    for (const Case& c : {Case{50, views::Display::List, {1 + 4 + 50}},
                          Case{51, views::Display::List, {1 + 4 + 50, 4 + 1}},
                          Case{100, views::Display::Label, {1 + 4 + 50, 4 + 50}}}) {
        SCOPED_TRACE(c.playlists);
        state.DisplayKind = c.display;
        showPlaylists(c.playlists);
        // Every line after the margin; each further page under the heading, 17 spaces in.
        expectPages(
            c.display == views::Display::List ? "size 9" : "size 6", c.pageSizes,
            {{}, margin, margin, margin + "       LIST OF PLAYLISTS", margin, margin + "   1   P1"},
            {{}, {}, text::spaces(17) + "LIST OF PLAYLISTS", {}},
            margin + text::formatNumber(c.playlists, u"@@@@   ") +
                QStringLiteral("P%1").arg(c.playlists));
    }
    // The heading line picked (SelectedPlaylist "LIST OF PLAYLISTS") still prints the list.
    state.SelectedPlaylist = views::ListOfPlaylistsHeading;
    EXPECT_EQ(print().count(QStringLiteral("page")), 1);
}

TEST_F(PrintoutTest, APlaylistRepeatsItsHeadingsOnEachPage) {
    state.Configuration.ListFontSize = 11;
    state.Configuration.LabelFontSize = 6;
    const QString margin = text::spaces(3);
    struct Case {
        int songs, indent, perPage;
        views::Display display;
        QList<int> pageSizes;
    };
    // A page length of zero or less (a damaged file) breaks no pages and divides by nothing.
    for (const Case& c : {Case{54, 2, 54, views::Display::List, {1 + 4 + 54}},
                          Case{55, 2, 54, views::Display::List, {1 + 4 + 54, 5 + 1}},
                          Case{157, 6, 78, views::Display::Label, {1 + 4 + 78, 5 + 78, 5 + 1}},
                          Case{157, 6, 0, views::Display::List, {1 + 4 + 157}},
                          Case{157, 6, -54, views::Display::List, {1 + 4 + 157}}}) {
        SCOPED_TRACE(c.songs);
        state.Configuration.ListIndent = static_cast<std::int16_t>(c.indent);
        state.Configuration.ListSongsPerPage = static_cast<std::int16_t>(c.perPage);
        showSelected(c.songs, QStringLiteral("List of %1").arg(c.songs));
        state.DisplayKind = c.display;
        // A continuation page begins as the first does: two empty lines, title, heading.
        expectPages(c.display == views::Display::List ? "size 11" : "size 6", c.pageSizes,
                    {{}, margin, margin + state.TitleLine, margin, margin + state.HeadingLine},
                    {{}, {}, margin + state.TitleLine, {}, margin + state.HeadingLine},
                    margin + state.List1.lines().back());
    }
}

TEST_F(PrintoutTest, OneLabelIsCentredInAFullSizeFrame) {
    struct Case {
        std::vector<int> items;
        int songs, above, below;
    };
    // 11 lines: 14 above, 13 below; 13 lines: 12 and 13 (halves to even); a full block of 36
    // lines ending with song 32 closes at its last line.
    for (const Case& c :
         {Case{{Title}, 7, 14, 13}, Case{{Title, Time}, 9, 12, 13}, Case{{Title}, 32, 1, 1},
          Case{{Title, Time}, 32, 1, 1}, Case{{Title}, 64, 1, 1}}) {
        showLabel(c.items, c.songs);
        QStringList expected(std::begin(Start), std::end(Start));
        expected << QStringLiteral("size 8") << QStringLiteral("frame 72x40") << line(border())
                 << framed(c.above) << framed(0, state.List1.lines()) << framed(c.below)
                 << line(border()) << QStringLiteral("end");
        EXPECT_EQ(print(), expected) << c.songs << " songs";
    }
}

// Labels: every frame as tall as a full one and closed after its last song; two labels a sheet
// where two fit at the label's size (as every label the window makes does), else one.
TEST_F(PrintoutTest, LabelsTurnThePageAfterWholeLabels) {
    struct Case {
        std::vector<int> items;
        int rows, fontSize; // 0: as the chooser sets them
        int songs;
        QList<int> framesPerPage;
        QList<int> closing; // the song each frame's last line leads with
    };
    const Case cases[] = {
        // One song a line: labels close after every 42 or 32 songs.
        {{Title, Artist, Time, Rating, Genre, Year}, 0, 0, 170, {2, 2, 1}, {42, 84, 126, 168, 170}},
        {{Artist, Time, Year}, 0, 0, 128, {2, 2}, {32, 64, 96, 128}},
        // Two songs a line: a label's lines lead with its left column's songs.
        {{Title}, 0, 0, 300, {2, 2, 1}, {32, 96, 160, 224, 288}},
        {{Title, Time}, 0, 0, 32 + 5, {2}, {32, 37}},
        // Rows that a settings file may hold: 20 rows of two songs; 40 rows, too tall for two a
        // sheet at 8 points but not at 6.
        {{Title}, 20, 8, 100, {2, 1}, {20, 60, 100}},
        {{Title, Artist, Time}, 40, 8, 100, {1, 1, 1}, {40, 80, 100}},
        {{Title, Artist, Time}, 40, 6, 100, {2, 1}, {40, 80, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.songs);
        chooseLabelItems(state, c.items);
        views::DisplayConfiguration& config = state.Configuration;
        config.LabelRows = static_cast<std::int16_t>(c.rows > 0 ? c.rows : config.LabelRows);
        config.LabelFontSize =
            static_cast<std::int16_t>(c.fontSize > 0 ? c.fontSize : config.LabelFontSize);
        playlistOf(c.songs, QStringLiteral("Labels of %1").arg(c.songs));
        Label(state);
        const QStringList& ops = print();
        EXPECT_EQ(ops[3], QStringLiteral("size %1").arg(config.LabelFontSize));
        EXPECT_EQ(ops.mid(ops.size() - 2), QStringList({line(border()), QStringLiteral("end")}));

        const auto pages = framesByPage(printer);
        QList<int> framesPerPage;
        QList<int> closing;
        for (const auto& page : pages) {
            framesPerPage << static_cast<int>(page.size());
            for (const Frame& frame : page) {
                EXPECT_EQ(frame.rows.size(), config.LabelRows + 6);
                EXPECT_EQ(frame.above(), 1);
                closing << frame.closingLine().trimmed().section(u' ', 0, 0).toInt();
            }
        }
        EXPECT_EQ(framesPerPage, c.framesPerPage);
        EXPECT_EQ(closing, c.closing);
        // A sheet's later labels follow two empty lines; its first begins at the top.
        const QList<QStringList> printed = printer.pages();
        EXPECT_EQ(printed[0].mid(0, 2), QStringList({QString(), border()}));
        if (printed.size() > 1) {
            EXPECT_EQ(printed[1].mid(0, 3), QStringList({QString(), QString(), border()}));
        }
    }
}

// An empty display list prints nothing on any printer; label rows of zero or less print nothing
// and say so; a text write that fails is reported.
TEST_F(PrintoutTest, PrintsNothingOrReportsWhyNot) {
    for (const auto kind :
         {views::PrintLayout::Guide, views::PrintLayout::List, views::PrintLayout::Label}) {
        state.PrintKind = kind;
        EXPECT_TRUE(print().isEmpty());
    }
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    TextPrinter textPrinter(out);
    Printout(state, textPrinter);
    EXPECT_TRUE(out.data().isEmpty());

    state.PrintKind = views::PrintLayout::Label;
    state.List1.AddItem(QStringLiteral("   1 a"), {views::LineKind::LabelSongs, 1});
    state.List1.AddItem(QStringLiteral("   2 b"), {views::LineKind::LabelSongs, 2});
    for (const int rows : {0, -4}) {
        state.Configuration.LabelRows = static_cast<std::int16_t>(rows);
        EXPECT_THROW(print(), PrintError);
        EXPECT_TRUE(printer.operations().isEmpty());
    }

    state.List1.Clear();
    views::ShowUsersGuide(state);
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    TextPrinter failing(readOnly);
    EXPECT_THROW(Printout(state, failing), PrintError);
}
