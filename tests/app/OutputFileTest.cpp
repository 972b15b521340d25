#include "AppTestSupport.h"
#include "PdfTestSupport.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>
#include <array>
#include <unistd.h>

using namespace corvane;
using namespace corvane::app;

namespace {

// The real program on a library of its own: "Streams" (stream entries, which need no files and
// print many lines) and "Empty".
struct Program : test::FormTest {
    QString libraryFolder = dir.filePath(QStringLiteral("library"));
    QString out = dir.filePath(QStringLiteral("out"));
    QString program = QStringLiteral(CORVANE_PROGRAM);

    Program() {
        playlist(QStringLiteral("Streams"), 2000);
        playlist(QStringLiteral("Empty"), 0);
        QDir().mkpath(out);
        const QString runtime = dir.filePath(QStringLiteral("runtime"));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void playlist(const QString& name, int entries) const {
        QByteArray text;
        for (int i = 1; i <= entries; ++i) {
            text += "http://radio.example/stream" + QByteArray::number(i) + ".mp3\n";
        }
        write(libraryFolder + u'/' + name + QStringLiteral(".m3u"), text);
    }

    void start(QProcess& process, const QStringList& arguments) const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("CORVANE_LIBRARY"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           dir.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                           dir.filePath(QStringLiteral("runtime")));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.start(program, QStringList{QStringLiteral("--library"), libraryFolder} + arguments);
        ASSERT_TRUE(process.waitForStarted());
    }

    struct Run {
        int exitCode = -1;
        QStringList errorLines;

        // Exit 1, and one line on standard error that tells why.
        void expectFailedToWrite() const {
            EXPECT_EQ(exitCode, 1);
            EXPECT_EQ(errorLines.size(), 1) << errorLines.join(u'\n').toStdString();
            EXPECT_TRUE(errorLines.value(0).startsWith(QStringLiteral("corvane: ")));
            EXPECT_TRUE(errorLines.value(0).contains(QStringLiteral("No space left on device")))
                << errorLines.value(0).toStdString();
        }
    };
    Run run(const QStringList& arguments, const QString& standardOutput = {}) const {
        QProcess process;
        if (!standardOutput.isEmpty()) {
            process.setStandardOutputFile(standardOutput);
        }
        start(process, arguments);
        EXPECT_TRUE(process.waitForFinished(120000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())
                                        .split(u'\n', Qt::SkipEmptyParts)};
    }

    // Waits until the running program has a file open in `folder`.
    static bool waitUntilWritingIn(const QProcess& process, const QString& folder) {
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(process.processId()));
        const QDeadlineTimer deadline(std::chrono::seconds(120));
        while (process.state() == QProcess::Running && !deadline.hasExpired()) {
            for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System)) {
                std::array<char, 4096> target{};
                const QByteArray link = QFile::encodeName(fds.filePath(fd));
                if (::readlink(link.constData(), target.data(), target.size() - 1) > 0 &&
                    QFile::decodeName(target.data()).startsWith(folder + u'/')) {
                    return true;
                }
            }
            QThread::usleep(200);
        }
        return false;
    }
};

const QByteArray Earlier = "the earlier printout\n";

} // namespace

TEST_F(Program, WritingOntoAFullDeviceIsAFailureOfOneLine) {
    const QString full = QStringLiteral("/dev/full");
    const std::vector<std::pair<QStringList, QString>> runs = {
        {{"--playlist", "Streams"}, full},
        {{"--playlist", "Streams", "--print-text", "-"}, full},
        {{"--list-playlists"}, full},
        {{"--playlist", "Streams", "--print-text", full}, {}},
        {{"--playlist", "Streams", "--pdf", full}, {}},
    };
    for (const auto& [arguments, standardOutput] : runs) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        run(arguments, standardOutput).expectFailedToWrite();
    }
}

// The window and drawn pages are a module's: a program installed without it still prints text,
// and says in one line why it draws no pages.
TEST_F(Program, WithoutItsWindowModuleTextIsPrintedAndPagesFailInOneLine) {
    program = dir.filePath(QStringLiteral("alone/corvane"));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("alone"))));
    ASSERT_TRUE(QFile::copy(QStringLiteral(CORVANE_PROGRAM), program));
    EXPECT_EQ(run({"--playlist", "Streams"}, out + QStringLiteral("/list.txt")).exitCode, 0);
    const Run pages = run({"--playlist", "Streams", "--pdf", out + QStringLiteral("/list.pdf")});
    EXPECT_EQ(pages.exitCode, 2);
    ASSERT_EQ(pages.errorLines.size(), 1);
    EXPECT_TRUE(pages.errorLines[0].startsWith(
        QStringLiteral("corvane: cannot load the window's module (")))
        << pages.errorLines[0].toStdString();
}

TEST_F(Program, AFullDiskKeepsTheEarlierFilesWholeAndLeavesNothingBeside) {
    const test::FullFolder full;
    if (!full.why.isEmpty()) {
        GTEST_SKIP() << full.why.toStdString();
    }
    write(full.path + QStringLiteral("/list.pdf"), Earlier);
    write(full.path + QStringLiteral("/list.txt"), Earlier);
    const QStringList before = QDir(full.path).entryList(QDir::Files);
    full.fill();

    for (const QString& option : {QStringLiteral("--pdf"), QStringLiteral("--print-text")}) {
        SCOPED_TRACE(option.toStdString());
        const QString target =
            full.path + (option == QStringLiteral("--pdf") ? "/list.pdf" : "/list.txt");
        run({"--playlist", "Streams", option, target}).expectFailedToWrite();
    }
    EXPECT_EQ(read(full.path + QStringLiteral("/list.pdf")), Earlier);
    EXPECT_EQ(read(full.path + QStringLiteral("/list.txt")), Earlier);
    EXPECT_EQ(QDir(full.path).entryList(QDir::Files).size(), before.size() + 1); // + the filler
}

TEST_F(Program, AKillWhileWritingLeavesTheEarlierFileWhole) {
    // Enough lines that the printout is still being written when the kill comes.
    playlist(QStringLiteral("Streams"), 50000);
    for (const QString& option : {QStringLiteral("--pdf"), QStringLiteral("--print-text")}) {
        SCOPED_TRACE(option.toStdString());
        const QString target = out + QStringLiteral("/printout");
        write(target, Earlier);
        QProcess process;
        start(process, {"--playlist", "Streams", option, target});
        ASSERT_TRUE(waitUntilWritingIn(process, out)) << "the program never wrote";
        process.kill();
        process.waitForFinished();
        EXPECT_EQ(process.exitStatus(), QProcess::CrashExit) << "it ended before the kill";
        EXPECT_EQ(read(target), Earlier);
    }
}

TEST_F(Program, AnEmptyLabelIsAnEmptyDocumentNotAStaleOne) {
    const QString pdf = out + QStringLiteral("/label.pdf");
    const QString text = out + QStringLiteral("/label.txt");
    write(pdf, Earlier);
    write(text, Earlier);
    for (const QString& option : {QStringLiteral("--pdf"), QStringLiteral("--print-text")}) {
        const Run r = run({"--playlist", "Empty", "--label", option,
                           option == QStringLiteral("--pdf") ? pdf : text});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.errorLines.join(u'\n'),
                  QStringLiteral("corvane: warning: the display is empty: nothing to print"));
    }
    EXPECT_EQ(read(text), QByteArray());
    EXPECT_EQ(print::test_support::pageCount(pdf), 1);
    EXPECT_TRUE(print::test_support::pdfText(pdf).value(0).isEmpty());
}
