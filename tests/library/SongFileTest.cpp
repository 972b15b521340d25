#include "library/SongFile.h"

#include "LibraryTestSupport.h"
#include "library/demo/AudioWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace corvane::library;
using demo::SongTags;

namespace {

class SongFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString write(const QString& name, double seconds, const SongTags& tags) {
        const QString path = dir_.filePath(name);
        EXPECT_TRUE(demo::writeSong(path, seconds, tags)) << name.toStdString();
        return path;
    }
    QTemporaryDir dir_;
};

SongTags fullTags() {
    return {"Everything I Borrowed From the Tide",
            "The Lantern Keepers",
            "Small Lights",
            "Folk",
            "2004-06-15",
            {},
            {}};
}

} // namespace

TEST_F(SongFileTest, ReadsTheTagsAndLengthOfAnMp3) {
    SongTags tags = fullTags();
    tags.popularimeters = {{"Windows Media Player 9 Series", 196}};
    const SongRead read = readSongFile(write("Song.MP3", 10.0, tags));
    ASSERT_TRUE(read.regularFile);
    EXPECT_TRUE(read.info.readable);
    EXPECT_EQ(read.info.title, tags.title);
    EXPECT_EQ(read.info.artist, tags.artist);
    EXPECT_EQ(read.info.album, tags.album);
    EXPECT_EQ(read.info.genre, tags.genre);
    EXPECT_EQ(read.info.year, "2004");
    EXPECT_EQ(read.info.fileType, "mp3");
    EXPECT_EQ(read.info.rating, 75);
    EXPECT_NEAR(read.info.seconds, 10.0, 0.1);
}

TEST_F(SongFileTest, ReadsTheTagsAndLengthOfAFlac) {
    SongTags tags = fullTags();
    tags.title = "Café 夜";
    tags.fields = {{"FMPS_RATING", "0.6"}};
    const SongRead read = readSongFile(write("song.flac", 642.5, tags));
    EXPECT_EQ(read.info.title, "Café 夜");
    EXPECT_EQ(read.info.fileType, "flac");
    EXPECT_EQ(read.info.rating, 50);
    EXPECT_NEAR(read.info.seconds, 642.5, 0.01);
}

TEST_F(SongFileTest, PrefersWindowsMediaPlayersPopularimeter) {
    SongTags tags = fullTags();
    tags.popularimeters = {{"someone@example.org", 255}, {"Windows Media Player 9 Series", 1}};
    EXPECT_EQ(readSongFile(write("a.mp3", 1, tags)).info.rating, 1);
    tags.popularimeters = {{"someone@example.org", 0}, {"other@example.org", 128}};
    EXPECT_EQ(readSongFile(write("b.mp3", 1, tags)).info.rating, 50);
    tags.popularimeters = {};
    tags.fields = {{"FMPS_Rating", "1.0"}};
    EXPECT_EQ(readSongFile(write("c.mp3", 1, tags)).info.rating, 99);
}

TEST_F(SongFileTest, ReadsXiphRatingFields) {
    SongTags tags = fullTags();
    tags.fields = {{"RATING", "40"}};
    EXPECT_EQ(readSongFile(write("a.flac", 1, tags)).info.rating, 25);
    tags.fields = {{"RATING", "5"}};
    EXPECT_EQ(readSongFile(write("b.flac", 1, tags)).info.rating, 99);
    tags.fields = {{"FMPS_RATING", "0.2"}, {"RATING", "5"}};
    EXPECT_EQ(readSongFile(write("c.flac", 1, tags)).info.rating, 1);
}

TEST_F(SongFileTest, LeavesMissingTagsEmpty) {
    const SongRead read = readSongFile(write("bare.flac", 3, {}));
    EXPECT_TRUE(read.info.readable);
    EXPECT_EQ(read.info.title, QString());
    EXPECT_EQ(read.info.album, QString());
    EXPECT_EQ(read.info.year, QString());
    EXPECT_EQ(read.info.genre, QString());
    EXPECT_EQ(read.info.rating, 0);
    EXPECT_NEAR(read.info.seconds, 3, 0.01);
}

TEST_F(SongFileTest, CorruptAndTruncatedFilesGiveNoAttributes) {
    const QString junk = dir_.filePath("junk.mp3");
    QFile file(junk);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(5000, 'j'));
    file.close();
    const SongRead read = readSongFile(junk);
    EXPECT_TRUE(read.regularFile);
    EXPECT_FALSE(read.info.readable);
    EXPECT_EQ(read.info.fileType, "mp3");

    const QString flac = write("cut.flac", 5, fullTags());
    QFile::resize(flac, 20);
    EXPECT_FALSE(readSongFile(flac).info.readable);
    const QString empty = dir_.filePath("empty.flac");
    QFile(empty).open(QIODevice::WriteOnly);
    EXPECT_FALSE(readSongFile(empty).info.readable);
}

TEST_F(SongFileTest, ReadsAFileWhoseExtensionLies) {
    const QString flac = write("song.flac", 4, fullTags());
    const QString named = dir_.filePath("song.mp3");
    ASSERT_TRUE(QFile::rename(flac, named));
    const SongRead read = readSongFile(named);
    EXPECT_TRUE(read.info.readable);
    EXPECT_EQ(read.info.title, fullTags().title);
    EXPECT_NEAR(read.info.seconds, 4, 0.01);
    EXPECT_EQ(read.info.fileType, "mp3"); // the type the user sees is the file's name
}

TEST_F(SongFileTest, OpensOnlyRegularFiles) {
    const QString fifo = dir_.filePath("fifo.mp3");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(readSongFile(fifo).regularFile); // returns at once, though no writer comes
    EXPECT_FALSE(readSongFile(dir_.path()).regularFile);
    EXPECT_FALSE(readSongFile("/dev/zero").regularFile);
    EXPECT_FALSE(readSongFile(dir_.filePath("missing.mp3")).regularFile);
}
