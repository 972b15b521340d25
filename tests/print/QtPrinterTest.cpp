#include "print/QtPrinter.h"

#include "PdfTestSupport.h"
#include "PrintTestSupport.h"
#include "print/Label.h"
#include "print/Printout.h"
#include "print/RecordingPrinter.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QPrinter>
#include <QRegularExpression>
#include <cstdio>
#include <cstdlib>

using namespace corvane;
using namespace corvane::print;
using namespace corvane::print::test_support;
using views::Album, views::Artist, views::Genre, views::Rating, views::Time, views::Title,
    views::Type, views::Year;

namespace {

// The words of every page of a PDF that has any: box (points) and text, and the page's size.
struct Word {
    double xMin, yMin, xMax, yMax;
    QString text;
};
struct PdfPage {
    double width, height;
    QList<Word> words;
};
QList<PdfPage> wordsOf(const QString& path) {
    const QString boxes =
        tool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    const QRegularExpression pageRe(
        QStringLiteral("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\""));
    const QRegularExpression wordRe(
        QStringLiteral("<word xMin=\"([-0-9.]+)\" yMin=\"([-0-9.]+)\" xMax=\"([-0-9.]+)\" "
                       "yMax=\"([-0-9.]+)\">([^<]*)</word>"));
    QList<PdfPage> pages;
    for (const QString& page : boxes.split(QStringLiteral("</page>"))) {
        const auto size = pageRe.match(page);
        PdfPage read{size.captured(1).toDouble(), size.captured(2).toDouble(), {}};
        for (auto it = wordRe.globalMatch(page); it.hasNext();) {
            const auto w = it.next();
            read.words.append({w.captured(1).toDouble(), w.captured(2).toDouble(),
                               w.captured(3).toDouble(), w.captured(4).toDouble(), w.captured(5)});
        }
        if (!read.words.isEmpty()) {
            pages.append(read);
        }
    }
    return pages;
}

// Every word of every page lies on the paper.
void expectOnThePaper(const QString& path) {
    const QList<PdfPage> pages = wordsOf(path);
    EXPECT_FALSE(pages.isEmpty());
    for (const PdfPage& page : pages) {
        for (const Word& w : page.words) {
            EXPECT_GE(w.xMin, 0.0);
            EXPECT_GE(w.yMin, 0.0);
            ASSERT_LE(w.xMax, page.width) << path.toStdString();
            ASSERT_LE(w.yMax, page.height) << path.toStdString();
        }
    }
}

// A label frame as it comes out on paper, from the centre of a border dot to the centre of the
// opposite one, and its character cell, in millimetres.
struct FrameOnPaper {
    double width, height, cell;
};

// Every label frame of a PDF, told by its border rows: the runs of dots alone on their row.
QList<FrameOnPaper> labelFrames(const QString& path) {
    constexpr double mm = 25.4 / 72;
    QList<FrameOnPaper> frames;
    for (const PdfPage& page : wordsOf(path)) {
        QList<Word> borders;
        for (const Word& w : page.words) {
            if (w.text.size() > 20 && w.text.count(u'.') == w.text.size()) {
                borders.append(w);
            }
        }
        for (qsizetype i = 0; i + 1 < borders.size(); i += 2) {
            const Word& top = borders[i];
            const double cell = (top.xMax - top.xMin) / static_cast<double>(top.text.size());
            frames.append({(top.xMax - top.xMin - cell) * mm, (borders[i + 1].yMin - top.yMin) * mm,
                           cell * mm});
        }
    }
    return frames;
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

// An empty printout begins no document; a file that cannot be written is reported in one line.
TEST_F(QtPrinterTest, AnEmptyPrintoutBeginsNoDocumentAndAFailedOneIsReported) {
    const QString path = dir.filePath(QStringLiteral("empty.pdf"));
    std::unique_ptr<Printer> pdf = makePdfPrinter(path);
    Printout(state, *pdf);
    pdf->endDocument();
    EXPECT_FALSE(QFileInfo::exists(path));

    views::ShowUsersGuide(state);
    pdf = makePdfPrinter(dir.filePath(QStringLiteral("no such folder/guide.pdf")));
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
    // Two columns of 32 songs, one of 32, one of 42 at 6 points: one to six items.
    const std::vector<std::vector<int>> labels = {{Title},
                                                  {Artist, Time},
                                                  {Title, Artist, Time, Rating},
                                                  {Title, Artist, Genre, Time},
                                                  {Title, Artist, Time, Rating, Genre, Year}};
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
            chooseLabelItems(state, items);
            const int rows = state.Configuration.LabelRows;
            const int perLabel = state.Configuration.LabelWidth <= 30 ? 2 * rows : rows;
            playlistOf(4 * perLabel, QStringLiteral("Label %1").arg(++n));
            Label(state);
            check(2, QStringLiteral("labels %1 wide").arg(state.Configuration.LabelWidth));
            // Cut out, each label goes into a jewel case's 120 mm booklet slot, its text no
            // narrower than the face's own by more than a tenth.
            const QList<FrameOnPaper> frames =
                labelFrames(dir.filePath(QStringLiteral("fit%1.pdf").arg(n)));
            EXPECT_EQ(frames.size(), 4);
            const double faceCell = 0.6 * state.Configuration.LabelFontSize * 25.4 / 72;
            for (const FrameOnPaper& f : frames) {
                EXPECT_NEAR(f.width, 117.5, 2.5);
                EXPECT_NEAR(f.height, 117.5, 2.5);
                EXPECT_GE(f.cell, 0.9 * faceCell);
            }
        }
    }
}

// What the print dialog sets on its printer is honoured: a PDF file, the page range, and copies
// that a file cannot make itself; the outcome says where the pages went.
TEST_F(QtPrinterTest, ThePrintDialogsPageRangeAndCopies) {
    chooseListItems({Title, Artist, Time, Rating}, 11, 2, 54);
    showSelected(3 * 54, QStringLiteral("Three pages"));
    RecordingPrinter recording;
    Printout(state, recording);
    const QList<QStringList> pages = recording.pages();
    ASSERT_EQ(pages.size(), 3);

    const QString path = dir.filePath(QStringLiteral("dialog.pdf"));
    QPrinter chosen(QPrinter::HighResolution);
    chosen.setOutputFormat(QPrinter::PdfFormat);
    chosen.setOutputFileName(path);
    chosen.setPrintRange(QPrinter::PageRange);
    chosen.setFromTo(2, 3);
    chosen.setCopyCount(2);
    const std::unique_ptr<Printer> printer = makePrinter(chosen);
    Printout(state, *printer);
    EXPECT_EQ(pdfText(path), simplified({pages[1], pages[2], pages[1], pages[2]}));
    EXPECT_EQ(printer->outcome(), QStringLiteral("Saved 2 pages to ") + path);
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

// A print server that cannot be reached has no default printer to offer: one line says so, and
// that the server does not answer.
TEST_F(QtPrinterTest, NoDefaultPrinterIsReportedInOneLine) {
    // The print system reads where its server is once per process, so this runs in a process of
    // its own.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto withServer = [&](const QString& server) {
        qputenv("CUPS_SERVER", server.toLocal8Bit());
        qputenv("HOME", dir.path().toLocal8Bit()); // no ~/.cups/lpoptions default either
        try {
            makeDefaultPrinter();
        } catch (const NoPrinterError& e) {
            std::fprintf(stderr, "%s\n", e.what());
            std::exit(QString::fromStdString(e.what()).contains(u'\n') ? 2 : 0);
        }
        std::exit(1);
    };
    EXPECT_EXIT(withServer(dir.filePath(QStringLiteral("no-cups.sock"))),
                ::testing::ExitedWithCode(0),
                "There is no default printer: the print server at .*no-cups.sock does not answer");
}

// Every script keeps to its cell: each character on the grid (a CJK one at its natural width over
// two cells, an emoji from the colour font as a picture), a Hebrew or Arabic title right to left
// inside its own column and Arabic joined, so every row's time and frame dots stand in one column.
TEST_F(QtPrinterTest, EveryScriptKeepsToItsCell) {
    chooseLabelItems(state, {Title, Artist, Time});
    library::MemoryPlaylist& playlist = library->addPlaylist(QStringLiteral("\u591c\u306e Mix"));
    const std::pair<QString, QString> rows[] = {
        // title, artist
        {QStringLiteral("\u661f\u3092\u6570\u3048\u3066"), QStringLiteral("\u5c71\u7530")},
        {QStringLiteral("Caf\u00e9 del Mar"), QStringLiteral("Plain")},
        {QStringLiteral("\u05d0\u05d1\u05d2 \u05d3\u05d4\u05d5"), // Hebrew, then Hebrew
         QStringLiteral("\u05d6\u05d7\u05d8")},
        {QStringLiteral("\u0628\u0627\u0628 \u0627\u0644\u0634\u0645\u0633 1967"),
         QStringLiteral("\u0641\u064a\u0631\u0648\u0632")},
        {QStringLiteral("Guitar \U0001F3B8 Hero\u200b"),
         QStringLiteral("\u0395\u03bb\u03bb\u03ac\u03b4\u03b1")},
    };
    for (int k = 0; k < 20; ++k) {
        const auto& [title, artist] = rows[k % std::size(rows)];
        playlist.add(Song(title).artist(artist).seconds(200));
    }
    state.SelectedPlaylist = playlist.name();
    Label(state);
    const QString path = dir.filePath(QStringLiteral("scripts.pdf"));
    printPdf(path, Paper::A4);

    const QList<PdfPage> pages = wordsOf(path);
    ASSERT_EQ(pages.size(), 1);
    // By row (its top, in hundredths of a point): the rightmost frame dot and where "3:20" starts.
    QMap<int, double> rightDot;
    QMap<int, double> time;
    // Where the first letter of a Hebrew title and of its artist stand, and its last.
    double aleph = -1, he = -1, vav = -1, zayin = -1;
    int joined = 0;
    int cjk = 0;
    for (const Word& w : pages[0].words) {
        const int row = qRound(w.yMin * 100);
        if (w.text.count(u'.') == w.text.size()) {
            rightDot[row] = std::max(rightDot.value(row), w.xMax);
        } else if (w.text == QStringLiteral("3:20")) {
            time[row] = w.xMin;
        }
        for (const QChar c : w.text) {
            aleph = c == u'\u05d0' ? w.xMin : aleph;
            he = c == u'\u05d4' ? w.xMin : he;
            vav = c == u'\u05d5' ? w.xMin : vav;
            zayin = c == u'\u05d6' ? w.xMin : zayin;
            // Arabic letters joined take their presentation forms.
            joined += c.unicode() >= 0xFE70 && c.unicode() <= 0xFEFF ? 1 : 0;
        }
        if (w.text.size() == 1 && w.text[0].unicode() >= 0x3040 && w.text[0].unicode() <= 0x9fff) {
            EXPECT_NEAR(w.xMax - w.xMin, 8.0, 0.5); // at 8 points a CJK character is 8 wide
            ++cjk;
        }
    }
    ASSERT_EQ(rightDot.size(), 38 + 2);
    for (auto it = rightDot.begin(); it != rightDot.end(); ++it) {
        EXPECT_NEAR(it.value(), rightDot.first(), 0.05) << "row at " << it.key() / 100.0;
    }
    ASSERT_EQ(time.size(), 20);
    for (auto it = time.begin(); it != time.end(); ++it) {
        EXPECT_NEAR(it.value(), time.first(), 0.05) << "row at " << it.key() / 100.0;
    }
    // The title reads right to left: its first word to the right of its second, each word's first
    // letter to the right of its last; the artist stays in its own column, right of the title.
    ASSERT_GT(aleph, 0);
    EXPECT_GT(aleph, he);
    EXPECT_GT(he, vav);
    EXPECT_GT(zayin, aleph);
    EXPECT_GT(joined, 0);
    EXPECT_GT(cjk, 0);
    // The emoji is a colour picture.
    EXPECT_TRUE(tool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path})
                    .contains(QStringLiteral("rgb")));
}
