#include "print/Printout.h"

#include "PrintTestSupport.h"
#include "guide/Guide.h"
#include "print/Label.h"
#include "print/RecordingPrinter.h"
#include "print/TextPrinter.h"
#include "text/Format.h"
#include "views/PlaylistListing.h"
#include "views/SelectedPlaylistView.h"

#include <QBuffer>
#include <algorithm>
#include <optional>

using namespace corvane;
using namespace corvane::print;
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
        Printout(state, printer);
        return printer.operations();
    }

    void showPlaylists(int count) {
        for (int k = 1; k <= count; ++k) {
            library->addPlaylist(QStringLiteral("P%1").arg(k));
        }
        state.SelectedPlaylist.clear();
        state.PlaylistsShowing = 1;
        state.PrintKind = views::PrintList;
        state.List1.Clear();
        views::ListPlaylists(state);
    }

    void showSelected(int songs) {
        playlistOf(songs, QStringLiteral("List of %1").arg(songs));
        state.DisplayKind = 1;
        state.PlaylistsShowing = 0;
        state.List1.Clear();
        views::ListSelectedPlaylists(state);
        ASSERT_EQ(state.List1.ListCount(), 4 + songs);
    }

    void showLabel(const std::vector<int>& items, int songs) {
        chooseLabelItems(items);
        playlistOf(songs, QStringLiteral("Label of %1").arg(songs));
        Label(state);
    }

    QString border() const {
        return text::spaces(20) + QString(state.Configuration.LabelLineWidth + 2, u'.');
    }
    QString emptyRow() const {
        return text::spaces(20) + u'.' + text::spaces(state.Configuration.LabelLineWidth) + u'.';
    }
    QStringList emptyRows(int count) const {
        QStringList rows;
        for (int k = 0; k < count; ++k) {
            rows.append(line(emptyRow()));
        }
        return rows;
    }
    QStringList contentRows() const {
        QStringList rows;
        for (const QString& l : state.List1.lines) {
            rows.append(line(text::spaces(20) + u'.' + l + u'.'));
        }
        return rows;
    }
};

// The frames of a label printout, page by page, each as the rows inside its borders with their
// dots taken off. (A blank display-list line looks like an empty frame row, so a frame's empty
// rows are told by where its album line and its last text stand.)
struct Frame {
    QStringList rows;

    qsizetype firstText() const {
        return std::find_if(rows.begin(), rows.end(),
                            [](const QString& r) { return !r.trimmed().isEmpty(); }) -
               rows.begin();
    }
    qsizetype lastText() const {
        return std::find_if(rows.rbegin(), rows.rend(),
                            [](const QString& r) { return !r.trimmed().isEmpty(); }) -
               rows.rbegin();
    }
    // Empty frame rows above the block's first (blank) line and below its last line.
    qsizetype above() const { return firstText() - 1; }
    qsizetype below() const { return lastText(); }
    const QString& closingLine() const { return rows[rows.size() - 1 - lastText()]; }
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

TEST_F(PrintoutTest, AnEmptyDisplayListPrintsNothing) {
    for (const int kind : {views::PrintGuide, views::PrintList, views::PrintLabel}) {
        state.PrintKind = kind;
        EXPECT_TRUE(print().isEmpty());
    }
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    TextPrinter textPrinter(out);
    Printout(state, textPrinter);
    EXPECT_TRUE(out.data().isEmpty());
}

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
    state.DisplayKind = 0;
    printer = RecordingPrinter();
    EXPECT_EQ(print()[3], QStringLiteral("size 10"));
}

TEST_F(PrintoutTest, TheLineAfterAPageBreakIsPrintedAsItStands) {
    state.PrintKind = views::PrintGuide;
    state.DisplayKind = 2;
    state.Configuration.LabelFontSize = 6;
    state.List1.lines = {QStringLiteral("Caf\u00e9"), QStringLiteral("\f"), QStringLiteral("\f"),
                         QStringLiteral("b"), QStringLiteral("\f")};
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

TEST_F(PrintoutTest, ListOfPlaylistsFiftyToAPage) {
    state.DisplayKind = 1;
    state.Configuration.ListFontSize = 9;
    showPlaylists(50);
    QStringList expected(std::begin(Start), std::end(Start));
    expected << QStringLiteral("size 9");
    for (const QString& l : state.List1.lines) {
        expected << line(text::spaces(10) + l);
    }
    expected << QStringLiteral("end");
    EXPECT_EQ(print(), expected);

    library->addPlaylist(QStringLiteral("P51"));
    showPlaylists(0);
    printer = RecordingPrinter();
    const QStringList& ops = print();
    ASSERT_EQ(ops.size(), expected.size() + 6);
    EXPECT_EQ(ops.mid(0, expected.size() - 1), expected.mid(0, expected.size() - 1));
    EXPECT_EQ(
        ops.mid(expected.size() - 1),
        QStringList({QStringLiteral("page"), QStringLiteral("line"), QStringLiteral("line"),
                     line(text::spaces(17) + QStringLiteral("LIST OF PLAYLISTS")),
                     QStringLiteral("line"), line(text::spaces(10) + QStringLiteral("  51   P51")),
                     QStringLiteral("end")}));
}

TEST_F(PrintoutTest, ListOfPlaylistsEndsWithoutAnEmptyPage) {
    // While a label was the last playlist view, the list comes out at the label's size.
    state.DisplayKind = 2;
    state.Configuration.LabelFontSize = 8;
    showPlaylists(100);
    const QList<QStringList> pages = (print(), printer.pages());
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(pages[0].size(), 1 + 4 + 50);
    EXPECT_EQ(pages[1].size(), 4 + 50);
    EXPECT_EQ(pages[1].back(), text::spaces(10) + QStringLiteral(" 100   P100"));
    EXPECT_EQ(printer.operations()[3], QStringLiteral("size 8"));
    EXPECT_EQ(printer.operations().back(), QStringLiteral("end"));

    // The heading line picked (SelectedPlaylist "LIST OF PLAYLISTS") still prints the list.
    state.SelectedPlaylist = views::ListOfPlaylistsHeading;
    printer = RecordingPrinter();
    EXPECT_EQ(print().count(QStringLiteral("page")), 1);
}

TEST_F(PrintoutTest, SelectedPlaylistRepeatsItsHeadingsOnEachPage) {
    state.Configuration.ListFontSize = 11;
    state.Configuration.ListIndent = 2;
    state.Configuration.ListSongsPerPage = 54;
    showSelected(54);
    const QStringList& ops = print();
    EXPECT_EQ(ops.count(QStringLiteral("page")), 0);
    EXPECT_EQ(ops[3], QStringLiteral("size 11"));
    EXPECT_EQ(ops.size(), 3 + 1 + 58 + 1);
    EXPECT_EQ(ops.mid(ops.size() - 2),
              QStringList(
                  {line(QStringLiteral("   ") + state.List1.lines.back()), QStringLiteral("end")}));

    showSelected(55);
    printer = RecordingPrinter();
    const QList<QStringList> pages = (print(), printer.pages());
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(pages[0].size(), 1 + 4 + 54);
    EXPECT_EQ(pages[1], QStringList({QString(), QString(), QStringLiteral("   ") + state.TitleLine,
                                     QString(), QStringLiteral("   ") + state.HeadingLine,
                                     QStringLiteral("   ") + state.List1.lines.back()}));
    // A continuation page begins as the first page does.
    EXPECT_EQ(
        pages[0].mid(0, 5),
        (QStringList{QString(), QStringLiteral("   "), QStringLiteral("   ") + state.TitleLine,
                     QStringLiteral("   "), QStringLiteral("   ") + state.HeadingLine}));
}

TEST_F(PrintoutTest, SelectedPlaylistPagesFollowTheIndentAndPageLength) {
    // Wide lists: indent 6 and 78 songs a page, printed at the label's size after a label view.
    state.Configuration.ListIndent = 6;
    state.Configuration.ListSongsPerPage = 78;
    state.Configuration.LabelFontSize = 6;
    showSelected(157);
    state.DisplayKind = 2;
    const QList<QStringList> pages = (print(), printer.pages());
    EXPECT_EQ(printer.operations()[3], QStringLiteral("size 6"));
    ASSERT_EQ(pages.size(), 3);
    EXPECT_EQ(pages[1].size(), 5 + 78);
    EXPECT_EQ(pages[2].size(), 5 + 1);

    // A page length of zero or less (a damaged file) breaks no pages and divides by nothing.
    for (const int perPage : {0, -54}) {
        state.Configuration.ListSongsPerPage = static_cast<std::int16_t>(perPage);
        printer = RecordingPrinter();
        EXPECT_EQ(print().count(QStringLiteral("page")), 0);
        EXPECT_EQ(printer.pages()[0].size(), 1 + 4 + 157);
    }
}

TEST_F(PrintoutTest, OneLabelIsCentredInAFullSizeFrame) {
    struct Case {
        std::vector<int> items;
        int songs;
        int above;
        int below;
    };
    // 11 lines: 14 above, 13 below; 13 lines: 12 and 13 (halves to even); a full block of 36
    // lines ending with song 32 closes at its last line.
    for (const Case& c :
         {Case{{Title}, 7, 14, 13}, Case{{Title, Time}, 9, 12, 13}, Case{{Title}, 32, 1, 1},
          Case{{Title, Time}, 32, 1, 1}, Case{{Title}, 64, 1, 1}}) {
        showLabel(c.items, c.songs);
        printer = RecordingPrinter();
        QStringList expected(std::begin(Start), std::end(Start));
        expected << QStringLiteral("size 8") << line(border()) << emptyRows(c.above)
                 << contentRows() << emptyRows(c.below) << line(border()) << QStringLiteral("end");
        EXPECT_EQ(print(), expected) << c.songs << " songs";
    }
}

TEST_F(PrintoutTest, OneSongALineTwoLabelsToAPage) {
    showLabel({Title, Artist, Time, Rating, Genre, Year}, 170);
    const QStringList& ops = print();
    EXPECT_EQ(ops[3], QStringLiteral("size 6"));
    const auto pages = framesByPage(printer);
    ASSERT_EQ(pages.size(), 3);
    ASSERT_EQ(pages[0].size(), 2);
    ASSERT_EQ(pages[1].size(), 2);
    ASSERT_EQ(pages[2].size(), 1);
    int label = 0;
    for (const auto& page : pages) {
        for (const Frame& frame : page) {
            ++label;
            SCOPED_TRACE(label);
            // Every frame is as tall as a full one: 42 + 6 rows inside its borders.
            EXPECT_EQ(frame.rows.size(), 48);
            EXPECT_EQ(frame.above(), 1);
            // Labels close after songs 42, 84, 126, 168, then the last after 170.
            EXPECT_EQ(text::leadingNumber(frame.closingLine(), 11), label < 5 ? 42 * label : 170);
        }
    }
    // Two empty lines between the labels of a page, none between a page's top and its label.
    const QList<QStringList> printed = printer.pages();
    EXPECT_EQ(printed[1][0], QString());
    EXPECT_EQ(printed[1][1], QString());
    EXPECT_EQ(printed[1][2], border());
    EXPECT_EQ(ops.back(), QStringLiteral("end"));
}

TEST_F(PrintoutTest, TwoSongsALineTurnThePageAfterLinesLeadingWith96And224) {
    showLabel({Title}, 300);
    print();
    const auto pages = framesByPage(printer);
    ASSERT_EQ(pages.size(), 3);
    const QList<int> framesPerPage = {2, 2, 1};
    const QList<int> closingNumbers = {32, 96, 160, 224, 288};
    int label = 0;
    for (int p = 0; p < pages.size(); ++p) {
        ASSERT_EQ(pages[p].size(), framesPerPage[p]);
        for (const Frame& frame : pages[p]) {
            EXPECT_EQ(frame.rows.size(), 38);
            EXPECT_EQ(frame.above(), 1);
            EXPECT_EQ(frame.below(), 1);
            EXPECT_EQ(text::leadingNumber(frame.closingLine(), 4), closingNumbers[label++]);
        }
    }
    // The last label closes at its last line, which leads with 288, and ends the document.
    const QStringList& ops = printer.operations();
    EXPECT_EQ(ops.mid(ops.size() - 3),
              QStringList({line(emptyRow()), line(border()), QStringLiteral("end")}));

    // With one song a line the same numbers would turn the page after every second label.
    showLabel({Artist, Time, Year}, 128);
    printer = RecordingPrinter();
    print();
    const auto oneColumn = framesByPage(printer);
    ASSERT_EQ(oneColumn.size(), 2);
    EXPECT_EQ(oneColumn[0].size(), 2);
    EXPECT_EQ(oneColumn[1].size(), 2);
}

TEST_F(PrintoutTest, TheLastOfSeveralLabelsIsAsTallAsTheFullOnes) {
    showLabel({Title, Time}, 32 + 5);
    print();
    const auto pages = framesByPage(printer);
    ASSERT_EQ(pages.size(), 1);
    ASSERT_EQ(pages[0].size(), 2);
    EXPECT_EQ(pages[0][0].rows.size(), 38);
    EXPECT_EQ(pages[0][1].rows.size(), 38);
    EXPECT_EQ(pages[0][1].above(), 1);
    EXPECT_EQ(pages[0][1].below(), 32 + 5 - (4 + 5));
    EXPECT_EQ(text::leadingNumber(pages[0][1].closingLine(), 4), 37);
}

TEST_F(PrintoutTest, LabelRowsOfZeroOrLessPrintNothing) {
    state.PrintKind = views::PrintLabel;
    state.List1.lines = {QStringLiteral("   1 a"), QStringLiteral("   2 b")};
    for (const int rows : {0, -4}) {
        state.Configuration.LabelRows = static_cast<std::int16_t>(rows);
        EXPECT_THROW(print(), PrintError);
        EXPECT_TRUE(printer.operations().isEmpty());
    }
}

TEST_F(PrintoutTest, TextPrinterReportsAWriteThatFails) {
    views::ShowUsersGuide(state);
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    TextPrinter textPrinter(readOnly);
    EXPECT_THROW(Printout(state, textPrinter), PrintError);
}
