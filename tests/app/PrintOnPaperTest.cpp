#include "AppTestSupport.h"
#include "app/MainWindow.h"
#include "print/QtPrinter.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QThread>
#include <QUuid>
#include <QtTest/QTest>
#include <optional>

using namespace corvane;
using namespace corvane::app;

namespace {

std::optional<QString> tool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Where the cups-pdf queue puts this user's PDFs (its configuration's folders, else its default).
QStringList cupsPdfFolders() {
    QString user = QString::fromLocal8Bit(qgetenv("USER"));
    if (user.isEmpty()) {
        user = tool(QStringLiteral("id"), {QStringLiteral("-un")}).value_or(QString()).trimmed();
    }
    QStringList folders = {QDir::home().filePath(QStringLiteral("PDF")),
                           QStringLiteral("/var/spool/cups-pdf/ANONYMOUS")};
    QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (conf.open(QIODevice::ReadOnly)) {
        const QRegularExpression setting(QStringLiteral("^(Out|AnonDirName)\\s+(\\S+)"),
                                         QRegularExpression::MultilineOption);
        for (auto it = setting.globalMatch(QString::fromUtf8(conf.readAll())); it.hasNext();) {
            QString folder = it.next().captured(2);
            folder.replace(QStringLiteral("${HOME}"), QDir::homePath());
            folder.replace(QStringLiteral("${USER}"), user);
            folders.prepend(folder);
        }
    }
    return folders;
}

// The text of the PDF written since `since` that holds `token`, page by page; nothing after
// 90 seconds.
std::optional<QStringList> waitForPages(const QString& token, const QDateTime& since,
                                        QString* path) {
    const QDeadlineTimer deadline{std::chrono::seconds{90}};
    while (!deadline.hasExpired()) {
        for (const QString& folder : cupsPdfFolders()) {
            for (const QFileInfo& file :
                 QDir(folder).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time)) {
                if (file.lastModified() < since) {
                    break;
                }
                const auto text =
                    tool(QStringLiteral("pdftotext"),
                         {QStringLiteral("-layout"), file.filePath(), QStringLiteral("-")});
                if (text && text->contains(token)) {
                    *path = file.filePath();
                    QStringList pages = text->split(u'\f');
                    if (pages.back().trimmed().isEmpty()) {
                        pages.removeLast();
                    }
                    return pages;
                }
            }
        }
        QThread::msleep(250);
    }
    return std::nullopt;
}

QStringList simplifiedLines(const QString& page) {
    QStringList lines;
    for (const QString& line : page.split(u'\n')) {
        if (!line.simplified().isEmpty()) {
            lines << line.simplified();
        }
    }
    return lines;
}

struct PrintOnPaper : test::FormTest {};

} // namespace

// PRINT pressed in the window sends the selected list to the default printer: the PDF printer
// that the CI sets up as the default, read back from the file it writes.
TEST_F(PrintOnPaper, PrintInTheWindowPrintsTheListOnTheDefaultPrinter) {
    const auto destination = tool(QStringLiteral("lpstat"), {QStringLiteral("-d")});
    if (!destination || !destination->contains(u':')) {
        GTEST_SKIP() << "no default CUPS printer (.ci/cups-pdf-printer.sh sets one up)";
    }
    const QString queue = destination->section(u':', 1).trimmed();
    if (!tool(QStringLiteral("lpstat"), {QStringLiteral("-v"), queue})
             .value_or(QString())
             .contains(QStringLiteral("cups-pdf:"))) {
        GTEST_SKIP() << "the default printer " << queue.toStdString() << " is not a PDF queue";
    }

    // More songs than the default display prints on a page.
    const QString name =
        QStringLiteral("Window ") + QUuid::createUuid().toString(QUuid::Id128).left(12);
    library::MemoryPlaylist& playlist = library->addPlaylist(name);
    for (int k = 1; k <= 60; ++k) {
        playlist.add(test::song(QStringLiteral("Song %1").arg(k), QStringLiteral("Artist"), 200));
    }
    auto form = makeForm(library, [] { return print::makeDefaultPrinter(); });
    form->Form_Load();
    MainWindow window(*form);
    window.show();
    QTest::mouseClick(qobject_cast<QPushButton*>(window.widgetOf(QStringLiteral("CmdPlaylists"))),
                      Qt::LeftButton);
    QListWidget* list = window.displayList();
    const int line = lineOf(*form, name);
    ASSERT_GE(line, 0);
    list->scrollToItem(list->item(line));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(list->item(line)).center());
    ASSERT_EQ(form->state().SelectedPlaylist, name);
    const int perPage = form->state().Configuration.ListSongsPerPage;
    ASSERT_LT(perPage, 60);

    const QDateTime start = QDateTime::currentDateTime().addSecs(-2);
    QTest::mouseClick(qobject_cast<QPushButton*>(window.widgetOf(QStringLiteral("cmdPrint"))),
                      Qt::LeftButton);
    EXPECT_TRUE(form->state().StatusLine.isEmpty()) << window.statusText().toStdString();

    QString path;
    const std::optional<QStringList> pages = waitForPages(name, start, &path);
    ASSERT_TRUE(pages) << "no PDF from the printer in "
                       << cupsPdfFolders().join(u' ').toStdString();
    EXPECT_TRUE(tool(QStringLiteral("pdfinfo"), {path})
                    .value_or(QString())
                    .contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))));
    ASSERT_EQ(pages->size(), 2);
    // Each page: the playlist's title and column headings, then its songs.
    const QStringList& shown = form->state().List1.lines;
    const QStringList first = simplifiedLines(pages->at(0));
    const QStringList second = simplifiedLines(pages->at(1));
    ASSERT_EQ(first.size(), 2 + perPage);
    ASSERT_EQ(second.size(), 2 + 60 - perPage);
    for (const QStringList& page : {first, second}) {
        EXPECT_EQ(page[0], shown[1].simplified());
        EXPECT_EQ(page[1], shown[3].simplified());
    }
    EXPECT_EQ(first.back(), shown[3 + perPage].simplified());
    EXPECT_EQ(second[2], shown[4 + perPage].simplified());
    EXPECT_EQ(second.back(), shown.back().simplified());
    QFile::remove(path);
}
