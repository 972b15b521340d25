// The real program on a library of 1,500 songs and its own cache folder: runs at the same time,
// a run killed while it writes the tag index, and how far the reading is on a terminal.
#include "StoreFixtures.h"
#include "library/demo/AudioWriter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int Songs = 1500;

struct TagIndexRun : ::testing::Test {
    QTemporaryDir dir;
    QString index = dir.filePath(QStringLiteral("cache/corvane/tags.sqlite"));
    QStringList listing{QStringLiteral("--library"), dir.filePath(QStringLiteral("Mix.m3u8")),
                        QStringLiteral("--playlist"), QStringLiteral("Mix")};

    // Untitled copies of one song, each named by its file, changed an hour ago (so that the
    // index keeps them).
    void SetUp() override {
        const QString song = dir.filePath(QStringLiteral("song.flac"));
        ASSERT_TRUE(corvane::library::demo::writeSong(song, 3, {}));
        QDir().mkpath(dir.filePath(QStringLiteral("music")));
        const qint64 then = QDateTime::currentSecsSinceEpoch() - 3600;
        const timespec times[2] = {{then, 0}, {then, 0}};
        QByteArray m3u;
        for (int i = 0; i < Songs; ++i) {
            const QString copy = dir.filePath(QStringLiteral("music/%1.flac").arg(i));
            ASSERT_TRUE(QFile::copy(song, copy));
            ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(copy).constData(), times, 0), 0);
            m3u += copy.toUtf8() + '\n';
        }
        QFile playlist(dir.filePath(QStringLiteral("Mix.m3u8")));
        ASSERT_TRUE(playlist.open(QIODevice::WriteOnly) && playlist.write(m3u) == m3u.size());
    }

    void start(QProcess& run, const QStringList& more = {}) const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), dir.filePath(QStringLiteral("cache")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           dir.filePath(QStringLiteral("config")));
        run.setProcessEnvironment(environment);
        run.start(QStringLiteral(CORVANE_PROGRAM), listing + more);
    }
    // Standard output; standard error must be empty, and the exit status 0.
    QByteArray list(const QStringList& more = {}) const {
        QProcess run;
        start(run, more);
        EXPECT_TRUE(run.waitForFinished(60000));
        EXPECT_EQ(run.readAllStandardError().toStdString(), "");
        EXPECT_EQ(run.exitCode(), 0);
        return run.readAllStandardOutput();
    }
    QString sql(const char* query) const {
        QString value;
        EXPECT_EQ(corvane::storefixtures::execSql(index, QString::fromUtf8(query), &value), "");
        return value;
    }
};

} // namespace

TEST_F(TagIndexRun, TwoRunsAtOnceBothListAndKeepTheSongs) {
    const QByteArray shown = list({QStringLiteral("--no-index")});
    ASSERT_EQ(shown.count('\n'), Songs + 4);
    EXPECT_FALSE(QFile::exists(index));
    QProcess runs[2];
    for (QProcess& run : runs) {
        start(run);
    }
    for (QProcess& run : runs) {
        EXPECT_TRUE(run.waitForFinished(60000));
        EXPECT_EQ(run.readAllStandardError().toStdString(), "");
        EXPECT_EQ(run.readAllStandardOutput(), shown);
    }
    EXPECT_EQ(sql("SELECT count(*) FROM songs"), QString::number(Songs));
    EXPECT_EQ(list(), shown);
}

TEST_F(TagIndexRun, ARunKilledWhileItWritesTheIndexLeavesOneTheNextRunUses) {
    const QByteArray shown = list({QStringLiteral("--no-index")});
    QProcess run;
    start(run);
    // Killed once the first batch is being written.
    const QString log = index + QStringLiteral("-wal");
    ASSERT_TRUE(run.waitForStarted());
    while (QFileInfo(log).size() == 0 && !run.waitForFinished(1)) {
    }
    ASSERT_EQ(run.state(), QProcess::Running) << "the run ended before it was killed";
    ::kill(static_cast<pid_t>(run.processId()), SIGKILL);
    run.waitForFinished();
    EXPECT_EQ(list(), shown); // and not a word about the index
    EXPECT_FALSE(QFile::exists(index + QStringLiteral(".bad")));
    EXPECT_EQ(sql("PRAGMA integrity_check"), QStringLiteral("ok"));
    EXPECT_EQ(sql("SELECT count(*) FROM songs"), QString::number(Songs));
}

TEST_F(TagIndexRun, HowFarTheReadingIsGoesToATerminalOnlyAndNeverWithQuiet) {
    for (const bool quiet : {false, true}) {
        QFile::remove(index);
        int terminal = -1;
        int end = -1;
        char name[64] = {};
        ASSERT_EQ(::openpty(&terminal, &end, name, nullptr, nullptr), 0);
        ::fcntl(terminal, F_SETFL, O_NONBLOCK);
        QProcess run;
        run.setStandardErrorFile(QString::fromLatin1(name));
        start(run, quiet ? QStringList{QStringLiteral("--quiet")} : QStringList{});
        ASSERT_TRUE(run.waitForFinished(60000));
        QByteArray said;
        char bytes[4096];
        for (ssize_t got; (got = ::read(terminal, bytes, sizeof bytes)) > 0;) {
            said.append(bytes, got);
        }
        ::close(terminal);
        ::close(end);
        if (quiet) {
            EXPECT_EQ(said, QByteArray());
        } else {
            EXPECT_TRUE(said.contains("\rReading 1,500 of 1,500 songs...")) << said.constData();
            EXPECT_TRUE(said.endsWith("\r\033[K")) << said.constData();
        }
    }
    // Not on a pipe: list() finds standard error empty.
    QFile::remove(index);
    list();
}
