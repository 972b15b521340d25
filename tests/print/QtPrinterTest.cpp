#include "print/QtPrinter.h"

#include "PdfTestSupport.h"
#include "PrintTestSupport.h"
#include "print/Label.h"
#include "print/Printout.h"
#include "print/RecordingPrinter.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QUuid>
#include <cstdio>
#include <cstdlib>

using namespace corvane;
using namespace corvane::print;
using namespace corvane::print::test_support;
using views::Album, views::Artist, views::Genre, views::Rating, views::Time, views::Title,
    views::Type, views::Year;

namespace {

// Every word of every page lies on the paper.
void expectOnThePaper(const QString& path) {
    const QString boxes =
        tool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    const QRegularExpression pageRe(
        QStringLiteral("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\""));
    const QRegularExpression wordRe(QStringLiteral(
        "<word xMin=\"([-0-9.]+)\" yMin=\"([-0-9.]+)\" xMax=\"([-0-9.]+)\" yMax=\"([-0-9.]+)\""));
    int words = 0;
    for (const QString& page : boxes.split(QStringLiteral("</page>"))) {
        const auto size = pageRe.match(page);
        if (!size.hasMatch()) {
            continue;
        }
        const double width = size.captured(1).toDouble();
        const double height = size.captured(2).toDouble();
        for (auto it = wordRe.globalMatch(page); it.hasNext(); ++words) {
            const auto w = it.next();
            EXPECT_GE(w.captured(1).toDouble(), 0.0);
            EXPECT_GE(w.captured(2).toDouble(), 0.0);
            ASSERT_LE(w.captured(3).toDouble(), width) << path.toStdString();
            ASSERT_LE(w.captured(4).toDouble(), height) << path.toStdString();
        }
    }
    EXPECT_GT(words, 0);
}

class QtPrinterTest : public test_support::PrintTest {
protected:
    // Prints the display list to a PDF; returns what a recording printer got from the same
    // printout, page by page.
    QList<QStringList> printPdf(const QString& path, Paper paper) {
        const std::unique_ptr<Printer> pdf = makePdfPrinter(path, paper);
        Printout(state, *pdf);
        RecordingPrinter recording;
        Printout(state, recording);
        return recording.pages();
    }

    void chooseListItems(const std::vector<int>& codes, int fontSize, int indent, int perPage) {
        views::DisplayConfiguration& c = state.Configuration;
        c.ListWidth = 9;
        test_support::placeItems(codes, c.ListOrder, c.ListLastItem, c.ListWidth,
                                 views::Display::List);
        c.ListFontSize = static_cast<std::int16_t>(fontSize);
        c.ListIndent = static_cast<std::int16_t>(indent);
        c.ListSongsPerPage = static_cast<std::int16_t>(perPage);
        state.DisplayKind = views::Display::List;
    }
};

} // namespace

TEST_F(QtPrinterTest, AnEmptyPrintoutBeginsNoDocument) {
    const QString path = dir.filePath(QStringLiteral("empty.pdf"));
    const std::unique_ptr<Printer> pdf = makePdfPrinter(path);
    Printout(state, *pdf);
    pdf->endDocument();
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(QtPrinterTest, AFileThatCannotBeWrittenIsReported) {
    views::ShowUsersGuide(state);
    const std::unique_ptr<Printer> pdf =
        makePdfPrinter(dir.filePath(QStringLiteral("no such folder/guide.pdf")));
    try {
        Printout(state, *pdf);
        FAIL() << "no error";
    } catch (const PrintError& e) {
        EXPECT_TRUE(QString::fromStdString(e.what()).contains(QStringLiteral("guide.pdf")));
        EXPECT_FALSE(QString::fromStdString(e.what()).contains(u'\n'));
    }
}

// A full page of every layout and font size fits letter and A4 paper: no page runs on to a
// sheet of its own, and nothing is printed off the paper. "Courier New" comes out as the face
// fontconfig maps it to, Liberation Mono Bold.
TEST_F(QtPrinterTest, FullPagesOfEveryLayoutFitLetterAndA4) {
    struct ListRow {
        std::vector<int> items;
        int fontSize, indent, perPage;
    };
    // The widest choice of each row of the list's size table.
    const std::vector<ListRow> lists = {
        {{Title, Artist, Time, Rating}, 11, 2, 54},
        {{Title, Artist, Time, Genre}, 10, 2, 60},
        {{Title, Artist, Time, Genre, Type}, 9, 4, 66},
        {{Title, Artist, Time, Rating, Genre, Year}, 8, 6, 78},
        {{Title, Artist, Time, Rating, Genre, Year, Album, Type}, 7, 2, 88}};
    const std::vector<std::vector<int>> labels = {
        {Title}, {Title, Artist, Time, Rating}, {Title, Artist, Time, Rating, Genre, Year}};
    int n = 0;
    for (const Paper paper : {Paper::Letter, Paper::A4}) {
        const auto check = [&](int pages, const QString& what) {
            SCOPED_TRACE(what.toStdString() + (paper == Paper::Letter ? " on letter" : " on A4"));
            const QString path = dir.filePath(QStringLiteral("fit%1.pdf").arg(++n));
            const QList<QStringList> printed = printPdf(path, paper);
            ASSERT_EQ(printed.size(), pages);
            EXPECT_EQ(pageCount(path), pages);
            EXPECT_EQ(pdfText(path), simplified(printed));
            EXPECT_TRUE(pdfInfo(path, QStringLiteral("Page size"))
                            .contains(paper == Paper::Letter ? "letter" : "A4"));
            EXPECT_TRUE(tool(QStringLiteral("pdffonts"), {path})
                            .contains(QStringLiteral("LiberationMono-Bold")));
            expectOnThePaper(path);
        };

        state.List1.Clear();
        views::ShowUsersGuide(state);
        check(2, QStringLiteral("the guide"));

        for (const int size : {11, 8}) {
            chooseListItems({Title}, size, 2, 54);
            showPlaylists(100, QStringLiteral("Playlist %1 with a name of some length"));
            check(2, QStringLiteral("100 playlists at %1 points").arg(size));
        }

        for (const ListRow& row : lists) {
            chooseListItems(row.items, row.fontSize, row.indent, row.perPage);
            showSelected(2 * row.perPage, QStringLiteral("List %1").arg(++n));
            check(2, QStringLiteral("a list at %1 points").arg(row.fontSize));
        }

        for (const auto& items : labels) {
            chooseLabelItems(items);
            const int rows = state.Configuration.LabelRows;
            const int perLabel = state.Configuration.LabelWidth <= 30 ? 2 * rows : rows;
            playlistOf(4 * perLabel, QStringLiteral("Label %1").arg(++n));
            Label(state);
            check(2, QStringLiteral("labels %1 wide").arg(state.Configuration.LabelWidth));
        }
    }
}

TEST_F(QtPrinterTest, APageLongerThanThePaperGoesOnOnANewSheet) {
    // Without a page length the list runs on, and the paper's foot turns the page.
    chooseListItems({Title, Artist, Time, Rating}, 11, 2, 0);
    showSelected(200, QStringLiteral("Long"));
    const QString path = dir.filePath(QStringLiteral("long.pdf"));
    const QList<QStringList> printed = printPdf(path, Paper::Letter);
    ASSERT_EQ(printed.size(), 1);
    const int pages = pageCount(path);
    EXPECT_EQ(pages, 4); // 205 lines of about 12.5 points on 10.3 inches
    QStringList all;
    for (const QStringList& page : pdfText(path)) {
        EXPECT_LE(page.size(), 62);
        all += page;
    }
    EXPECT_EQ(all, simplified(printed)[0]);
    expectOnThePaper(path);
}

// The default printer through CUPS: a list of two pages printed on the PDF printer that the CI
// sets up as the default, read back from the file it writes.
TEST_F(QtPrinterTest, PrintsOnTheDefaultCupsPrinter) {
    if (const QString why = whyNoPdfDefaultPrinter(); !why.isEmpty()) {
        GTEST_SKIP() << why.toStdString();
    }

    const QString token =
        QStringLiteral("Corvane ") + QUuid::createUuid().toString(QUuid::Id128).left(12);
    chooseListItems({Title, Artist, Time, Rating}, 11, 2, 54);
    showSelected(60, token);
    RecordingPrinter recording;
    Printout(state, recording);
    ASSERT_EQ(recording.pages().size(), 2);

    // File times may be coarser than the clock.
    const QDateTime start = QDateTime::currentDateTime().addSecs(-2);
    const std::unique_ptr<Printer> printer = makeDefaultPrinter();
    Printout(state, *printer);

    const QString pdf = waitForPdfHolding(token, start, 90);
    ASSERT_FALSE(pdf.isEmpty()) << "no PDF from the printer in "
                                << cupsPdfFolders().join(u' ').toStdString();
    EXPECT_EQ(pageCount(pdf), 2);
    EXPECT_EQ(pdfText(pdf), simplified(recording.pages()));
    expectOnThePaper(pdf);
    QFile::remove(pdf);
}

TEST_F(QtPrinterTest, NoDefaultPrinterIsReportedInOneLine) {
    // A print server that cannot be reached has no default printer to offer. The print system
    // reads where its server is once per process, so this runs in a process of its own.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto withoutPrintServer = [&] {
        qputenv("CUPS_SERVER", dir.filePath(QStringLiteral("no-cups.sock")).toLocal8Bit());
        qputenv("HOME", dir.path().toLocal8Bit()); // no ~/.cups/lpoptions default either
        try {
            makeDefaultPrinter();
        } catch (const PrintError& e) {
            std::fprintf(stderr, "%s\n", e.what());
            std::exit(QString::fromStdString(e.what()).contains(u'\n') ? 2 : 0);
        }
        std::exit(1);
    };
    EXPECT_EXIT(withoutPrintServer(), ::testing::ExitedWithCode(0), "default printer");
}

// Characters from fallback faces keep to the character grid, so the frame's right-hand dots stay
// in one column; a wide one (CJK) keeps its natural width over its two cells.
TEST_F(QtPrinterTest, WideCharactersKeepTheFrameInLine) {
    chooseLabelItems({Title});
    library::MemoryPlaylist& playlist = library->addPlaylist(QStringLiteral("\u591c\u306e Mix"));
    const QStringList titles = {
        QStringLiteral("\u661f\u3092\u6570\u3048\u3066"), QStringLiteral("Caf\u00e9 del Mar"),
        QStringLiteral("\u96e8\u4e0a\u304c\u308a\u306e\u99c5 Station"),
        QStringLiteral("\u0395\u03bb\u03bb\u03ac\u03b4\u03b1 \u041c\u043e\u0441\u043a\u0432\u0430"),
        QStringLiteral("Plain title")};
    for (int k = 0; k < 40; ++k) {
        playlist.add(Song(titles[k % titles.size()]).seconds(200));
    }
    state.SelectedPlaylist = playlist.name();
    Label(state);
    const QString path = dir.filePath(QStringLiteral("wide.pdf"));
    printPdf(path, Paper::A4);

    const QString boxes =
        tool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    const QRegularExpression wordRe(
        QStringLiteral("<word xMin=\"([-0-9.]+)\" yMin=\"([-0-9.]+)\" xMax=\"([-0-9.]+)\" "
                       "yMax=\"[-0-9.]+\">(\\.+)</word>"));
    // The frame's dots, row by row: the rightmost by the row's top, in hundredths of a point.
    QMap<int, double> rightEdgeOfRow;
    for (auto it = wordRe.globalMatch(boxes); it.hasNext();) {
        const auto w = it.next();
        const int row = qRound(w.captured(2).toDouble() * 100);
        rightEdgeOfRow[row] = std::max(rightEdgeOfRow.value(row), w.captured(3).toDouble());
    }
    ASSERT_EQ(rightEdgeOfRow.size(), 38 + 2);
    const double edge = rightEdgeOfRow.first();
    for (auto it = rightEdgeOfRow.begin(); it != rightEdgeOfRow.end(); ++it) {
        EXPECT_NEAR(it.value(), edge, 0.05) << "row at " << it.key() / 100.0;
    }
    // At 8 points a cell is 4.8 points wide, and a CJK character 8.
    const QRegularExpression cjkRe(
        QStringLiteral("<word xMin=\"([-0-9.]+)\" yMin=\"[-0-9.]+\" xMax=\"([-0-9.]+)\" "
                       "[^>]*>[\\x{3040}-\\x{9fff}]</word>"));
    int wide = 0;
    for (auto it = cjkRe.globalMatch(boxes); it.hasNext(); ++wide) {
        const auto w = it.next();
        EXPECT_NEAR(w.captured(2).toDouble() - w.captured(1).toDouble(), 8.0, 0.5);
    }
    EXPECT_GT(wide, 40);
}
