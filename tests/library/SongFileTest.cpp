#include "library/SongFile.h"

#include "LibraryTestSupport.h"
#include "library/demo/AudioWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <apetag.h>
#include <flacfile.h>
#include <functional>
#include <gtest/gtest.h>
#include <id3v1tag.h>
#include <id3v2tag.h>
#include <infotag.h>
#include <mpegfile.h>
#include <popularimeterframe.h>
#include <sys/stat.h>
#include <textidentificationframe.h>
#include <wavfile.h>
#include <xiphcomment.h>

using namespace corvane::library;
using demo::SongTags;

namespace {

const QString WindowsMediaPlayer = QStringLiteral("Windows Media Player 9 Series");
const QString QuodLibet = QStringLiteral("rating:quodlibet@lists.sacredchao.net");

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

// --- Tags written by other tools, with TagLib as they write them ------------------------------

using namespace TagLib;

QByteArray nameOf(const QString& path) {
    return QFile::encodeName(path);
}

void addText(ID3v2::Tag& tag, const char* id, const char* text) {
    auto* frame = new ID3v2::TextIdentificationFrame(id, String::UTF8);
    frame->setText(String(text, String::UTF8));
    tag.addFrame(frame);
}

void addPopularimeter(ID3v2::Tag& tag, const char* email, int rating) {
    auto* frame = new ID3v2::PopularimeterFrame();
    frame->setEmail(email);
    frame->setRating(rating);
    tag.addFrame(frame);
}

// ffmpeg's MP3: an ID3v2.4 tag naming only the encoder.
void encodeLikeFfmpeg(const QString& path) {
    ASSERT_TRUE(demo::writeSilentMp3(path, 2));
    MPEG::File file(nameOf(path).constData(), false);
    addText(*file.ID3v2Tag(true), "TSSE", "Lavf59.27.100");
    ASSERT_TRUE(file.save(MPEG::File::ID3v2, File::StripOthers, ID3v2::v4, File::DoNotDuplicate));
}

// Then a tagger that adds its own tag and leaves the others as they are.
void addMpegTag(const QString& path, MPEG::File::TagTypes type,
                const std::function<void(MPEG::File&)>& fill) {
    MPEG::File file(nameOf(path).constData(), false);
    fill(file);
    ASSERT_TRUE(file.save(type, File::StripNone, ID3v2::v4, File::DoNotDuplicate));
}

void fillBasics(Tag& tag) {
    tag.setTitle("Salt on the Window");
    tag.setArtist("The Lantern Keepers");
    tag.setAlbum("Harbour of Small Lights");
    tag.setYear(2004);
}

} // namespace

TEST_F(SongFileTest, ReadsTheTagsAndLengthOfEachFormat) {
    SongTags tags = fullTags();
    tags.title = "Café 夜";
    const std::pair<const char*, double> files[] = {
        {"Song.MP3", 10.0}, {"song.flac", 642.5}, {"song.ogg", 5.0}, {"song.opus", 3.5}};
    for (const auto& [name, seconds] : files) {
        SCOPED_TRACE(name);
        const SongRead read = readSongFile(write(name, seconds, tags));
        ASSERT_TRUE(read.regularFile);
        EXPECT_TRUE(read.info.readable);
        EXPECT_EQ(read.info.title, tags.title);
        EXPECT_EQ(read.info.artist, tags.artist);
        EXPECT_EQ(read.info.album, tags.album);
        EXPECT_EQ(read.info.genre, tags.genre);
        EXPECT_EQ(read.info.year, "2004");
        EXPECT_EQ(read.info.fileType, QString::fromLatin1(name).section('.', 1).toLower());
        EXPECT_NEAR(read.info.seconds, seconds, 0.1);
    }
}

TEST_F(SongFileTest, RatingsByTheirKeysInOrder) {
    struct Case {
        const char* file;
        QList<demo::Popularimeter> popularimeters;
        QList<QPair<QString, QString>> fields;
        int rating;
    };
    const Case cases[] = {
        // POPM: Windows Media Player's frame wherever it stands, else the first other frame
        // that holds a rating.
        {"wmp.mp3", {{"someone@example.org", 255}, {WindowsMediaPlayer, 1}}, {}, 1},
        {"wmp0.mp3", {{"someone@example.org", 255}, {WindowsMediaPlayer, 0}}, {}, 0},
        {"first.mp3",
         {{"a@example.org", 0}, {"b@example.org", 64}, {"c@example.org", 255}},
         {},
         25},
        {"txxx.mp3", {}, {{"FMPS_Rating", "1.0"}}, 99},
        {"popm-first.mp3", {{"a@example.org", 128}}, {{"FMPS_Rating", "1.0"}}, 50},
        {"percent.flac", {}, {{"RATING", "40"}}, 25},
        {"stars.flac", {}, {{"RATING", "5"}}, 99},
        {"fmps-first.flac", {}, {{"FMPS_RATING", "0.2"}, {"RATING", "5"}}, 1},
        // A player's own "rating:EMAIL" holds a fraction, read after the keys above.
        {"ql.ogg", {}, {{QuodLibet, "0.8"}}, 75},
        {"ql.flac", {}, {{QuodLibet, "0.8"}}, 75},
        {"ql.opus", {}, {{QuodLibet, "0.8"}}, 75},
        {"ql-after.ogg", {}, {{QuodLibet, "1.0"}, {"RATING", "2"}}, 25},
        {"ql-bad.opus", {}, {{QuodLibet, "4"}}, 0},
    };
    for (const Case& c : cases) {
        SongTags tags = fullTags();
        tags.popularimeters = c.popularimeters;
        tags.fields = c.fields;
        EXPECT_EQ(readSongFile(write(c.file, 1, tags)).info.rating, c.rating) << c.file;
    }
}

TEST_F(SongFileTest, AFieldMissingFromOneTagIsTakenFromTheNext) {
    struct Case {
        const char* file;
        std::function<void(const QString&)> write;
        QStringList titleArtistAlbumYear;
        int rating;
    };
    const auto ffmpegThen = [](MPEG::File::TagTypes type) {
        return [type](const QString& path) {
            encodeLikeFfmpeg(path);
            addMpegTag(path, type, [type](MPEG::File& file) {
                if (type == MPEG::File::APE) {
                    fillBasics(*file.APETag(true));
                    file.APETag()->addValue("FMPS_RATING", "0.8");
                } else {
                    fillBasics(*file.ID3v1Tag(true));
                }
            });
        };
    };
    const QStringList basics = {"Salt on the Window", "The Lantern Keepers",
                                "Harbour of Small Lights", "2004"};
    const Case cases[] = {
        {"ffmpeg-ape.mp3", ffmpegThen(MPEG::File::APE), basics, 75},
        {"ffmpeg-id3v1.mp3", ffmpegThen(MPEG::File::ID3v1), basics, 0},
        // ID3v2, then APEv2, then ID3v1; the rating too.
        {"three.mp3",
         [](const QString& path) {
             encodeLikeFfmpeg(path);
             addMpegTag(path, MPEG::File::AllTags, [](MPEG::File& file) {
                 file.ID3v2Tag()->setTitle("From ID3v2");
                 file.APETag(true)->setTitle("From APE");
                 file.APETag()->setArtist("Artist from APE");
                 file.APETag()->addValue("RATING", "3");
                 file.ID3v1Tag(true)->setArtist("Artist from ID3v1");
                 file.ID3v1Tag()->setAlbum("From ID3v1");
             });
         },
         {"From ID3v2", "Artist from APE", "From ID3v1", ""},
         50},
        // FLAC: the Xiph comment, then ID3v2.
        {"id3.flac",
         [](const QString& path) {
             ASSERT_TRUE(demo::writeSilentFlac(path, 2));
             FLAC::File file(nameOf(path).constData(), false);
             file.xiphComment(true)->setTitle("From Xiph");
             file.xiphComment()->addField("FMPS_RATING", "0.2");
             file.ID3v2Tag(true)->setTitle("From ID3v2");
             file.ID3v2Tag()->setArtist("Artist from ID3v2");
             addPopularimeter(*file.ID3v2Tag(), "Windows Media Player 9 Series", 255);
             ASSERT_TRUE(file.save());
         },
         {"From Xiph", "Artist from ID3v2", "", ""},
         1},
        // WAV: ID3v2, then RIFF INFO.
        {"info.wav",
         [](const QString& path) {
             ASSERT_TRUE(demo::writeSilentWav(path, 2));
             RIFF::WAV::File file(nameOf(path).constData(), false);
             file.ID3v2Tag()->setTitle("From ID3v2");
             file.InfoTag()->setTitle("From INFO");
             file.InfoTag()->setArtist("Artist from INFO");
             file.InfoTag()->setYear(1999);
             ASSERT_TRUE(file.save(RIFF::WAV::File::AllTags));
         },
         {"From ID3v2", "Artist from INFO", "", "1999"},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = dir_.filePath(c.file);
        c.write(path);
        const SongInfo info = readSongFile(path).info;
        EXPECT_TRUE(info.readable);
        EXPECT_EQ(QStringList({info.title, info.artist, info.album, info.year}),
                  c.titleArtistAlbumYear);
        EXPECT_EQ(info.rating, c.rating);
    }
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
    const QString empty = dir_.filePath("empty.flac");
    QFile(empty).open(QIODevice::WriteOnly);
    for (const QString& path : {junk, flac, empty}) {
        EXPECT_FALSE(readSongFile(path).info.readable) << path.toStdString();
        EXPECT_EQ(readSongFile(path).problem, "not an audio file or damaged");
    }
    EXPECT_EQ(readSongFile(write("good.flac", 1, {})).problem, QString());
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

TEST_F(SongFileTest, OpensOnlyRegularFilesAndSaysWhy) {
    const QString fifo = dir_.filePath("fifo.mp3");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const std::pair<QString, QString> cases[] = {
        {fifo, "not a regular file"}, // returns at once, though no writer comes
        {dir_.path(), "not a regular file"},
        {"/dev/zero", "not a regular file"},
        {dir_.filePath("missing.mp3"), "no such file"},
        {dir_.filePath("missing/a.mp3"), "no such file"},
    };
    for (const auto& [path, problem] : cases) {
        const SongRead read = readSongFile(path);
        EXPECT_FALSE(read.regularFile) << path.toStdString();
        EXPECT_EQ(read.problem, problem);
    }
}
