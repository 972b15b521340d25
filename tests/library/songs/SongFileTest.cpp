#include "library/songs/SongFile.h"

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
#include <string>
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

using namespace TagLib;

// An MP3 as ffmpeg leaves it (an ID3v2.4 tag naming only the encoder), then tagged by a tool that
// writes the tags of `types` and leaves the others as they are. Two minutes (120 KB): the tags at
// its end lie well beyond the bytes read first.
void tagFfmpegMp3(const QString& path, int types, const std::function<void(MPEG::File&)>& tag) {
    ASSERT_TRUE(demo::writeSilentMp3(path, 120));
    for (const int written : {int(MPEG::File::ID3v2), types}) {
        MPEG::File file(QFile::encodeName(path).constData(), false);
        if (written == MPEG::File::ID3v2) {
            auto* encoder = new ID3v2::TextIdentificationFrame("TSSE", String::Latin1);
            encoder->setText("Lavf59.27.100");
            file.ID3v2Tag(true)->addFrame(encoder);
        } else {
            tag(file);
        }
        ASSERT_TRUE(file.save(written, File::StripNone, ID3v2::v4, File::DoNotDuplicate));
    }
}

} // namespace

// Each format, and a FLAC file named .mp3: read by its content, its type the one its name gives.
TEST_F(SongFileTest, ReadsTheTagsAndLengthOfEachFormat) {
    SongTags tags = fullTags();
    tags.title = "Café 夜";
    const std::tuple<const char*, double, SongTags, const char*> files[] = {
        {"Song.MP3", 10.0, tags, ""}, {"song.flac", 642.5, tags, ""},
        {"song.ogg", 5.0, tags, ""},  {"song.opus", 3.5, tags, ""},
        {"bare.flac", 3.0, {}, ""},   {"lies.mp3", 4.0, tags, "flac"}};
    for (const auto& [name, seconds, written, writtenAs] : files) {
        SCOPED_TRACE(name);
        const QString path = *writtenAs ? dir_.filePath(name) : write(name, seconds, written);
        if (*writtenAs) {
            const QString real = write(QStringLiteral("real.") + writtenAs, seconds, written);
            ASSERT_TRUE(QFile::rename(real, path));
        }
        const SongRead read = readSongFile(path);
        ASSERT_TRUE(read.regularFile);
        EXPECT_TRUE(read.info.readable);
        EXPECT_EQ(QStringList({read.info.title, read.info.artist, read.info.album, read.info.genre,
                               read.info.year}),
                  QStringList({written.title, written.artist, written.album, written.genre,
                               written.date.left(4)}));
        EXPECT_EQ(read.info.fileType, QString::fromLatin1(name).section('.', 1).toLower());
        EXPECT_EQ(read.info.rating, 0);
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
        // Quod Libet's frame holds its fraction of 255 (4 stars: 63, 127, 191, 255).
        {"ql.mp3", {{"quodlibet@lists.sacredchao.net", 63}}, {}, 1},
        {"ql4.mp3", {{"quodlibet@lists.sacredchao.net", 191}}, {}, 75},
        {"percent.flac", {}, {{"RATING", "40"}}, 25},
        {"stars.flac", {}, {{"RATING", "5"}}, 99},
        {"fmps-first.flac", {}, {{"FMPS_RATING", "0.2"}, {"RATING", "5"}}, 1},
        // A player's own "rating:EMAIL" holds a fraction of its stars, read after the keys
        // above: Quod Libet's lowest of four stars is the lowest of five.
        {"ql.ogg", {}, {{QuodLibet, "0.25"}}, 1},
        {"ql.flac", {}, {{QuodLibet, "0.8"}}, 75},
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
    const auto basics = [](Tag* tag) {
        tag->setTitle("Salt");
        tag->setArtist("Keepers");
        tag->setAlbum("Harbour");
        tag->setYear(2004);
    };
    struct Case {
        const char* file;
        std::function<void(const QString&)> write;
        const char* titleArtistAlbumYearRating;
    };
    const Case cases[] = {
        {"ffmpeg-ape.mp3",
         [&](const QString& path) {
             tagFfmpegMp3(path, MPEG::File::APE, [&](MPEG::File& file) {
                 basics(file.APETag(true));
                 file.APETag()->addValue("FMPS_RATING", "0.8");
             });
         },
         "Salt|Keepers|Harbour|2004|75"},
        {"ffmpeg-id3v1.mp3",
         [&](const QString& path) {
             tagFfmpegMp3(path, MPEG::File::ID3v1,
                          [&](MPEG::File& file) { basics(file.ID3v1Tag(true)); });
         },
         "Salt|Keepers|Harbour|2004|0"},
        // ID3v2, then APEv2, then ID3v1; the rating too.
        {"three.mp3",
         [&](const QString& path) {
             tagFfmpegMp3(path, MPEG::File::AllTags, [&](MPEG::File& file) {
                 file.ID3v2Tag()->setTitle("ID3v2");
                 // A tag longer than the bytes read first, as cover art makes it.
                 file.ID3v2Tag()->setComment(String(std::string(100'000, 'x')));
                 basics(file.APETag(true));
                 file.APETag()->setYear(0);
                 file.APETag()->addValue("RATING", "3");
                 basics(file.ID3v1Tag(true));
                 file.ID3v1Tag()->setArtist("ID3v1");
                 file.ID3v1Tag()->setYear(1999);
             });
         },
         "ID3v2|Keepers|Harbour|1999|50"},
        // FLAC: the Xiph comment, then ID3v2.
        {"id3.flac",
         [&](const QString& path) {
             ASSERT_TRUE(demo::writeSilentFlac(path, 2));
             FLAC::File file(QFile::encodeName(path).constData(), false);
             file.xiphComment(true)->setTitle("Xiph");
             basics(file.ID3v2Tag(true));
             ASSERT_TRUE(file.save());
         },
         "Xiph|Keepers|Harbour|2004|0"},
        // WAV: ID3v2, then RIFF INFO.
        {"info.wav",
         [&](const QString& path) {
             ASSERT_TRUE(demo::writeSilentWav(path, 2));
             RIFF::WAV::File file(QFile::encodeName(path).constData(), false);
             file.ID3v2Tag()->setTitle("ID3v2");
             basics(file.InfoTag());
             ASSERT_TRUE(file.save(RIFF::WAV::File::AllTags));
         },
         "ID3v2|Keepers|Harbour|2004|0"},
    };
    for (const Case& c : cases) {
        const QString path = dir_.filePath(c.file);
        c.write(path);
        const SongInfo info = readSongFile(path).info;
        EXPECT_EQ(QStringList({info.title, info.artist, info.album, info.year,
                               QString::number(info.rating)})
                      .join(u'|'),
                  c.titleArtistAlbumYearRating)
            << c.file;
    }
}

TEST_F(SongFileTest, SaysWhyAFileCannotBeReadWithoutEverBlocking) {
    ASSERT_TRUE(QFile::resize(write("cut.flac", 5, fullTags()), 20));
    write("good.flac", 1, {});
    ASSERT_TRUE(writeRawFile(dir_.filePath("junk.mp3"), QByteArray(5000, 'j')));
    ASSERT_TRUE(writeRawFile(dir_.filePath("empty.flac"), {}));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir_.filePath("fifo.mp3")).constData(), 0600), 0);
    const struct {
        QString path; // below the temporary folder, unless absolute
        bool regularFile;
        const char* problem;
    } cases[] = {
        {"good.flac", true, ""},
        {"junk.mp3", true, "not an audio file or damaged"},
        {"cut.flac", true, "not an audio file or damaged"},
        {"empty.flac", true, "not an audio file or damaged"},
        {"fifo.mp3", false, "not a regular file"}, // at once, though no writer comes
        {".", false, "a folder, not a file"},
        {"/dev/zero", false, "not a regular file"},
        {"missing.mp3", false, "no such file"},
        {"missing/a.mp3", false, "no such file"},
    };
    for (const auto& c : cases) {
        const SongRead read =
            readSongFile(c.path.startsWith(u'/') ? c.path : dir_.filePath(c.path));
        EXPECT_EQ(read.regularFile, c.regularFile) << c.path.toStdString();
        EXPECT_EQ(read.problem, c.problem) << c.path.toStdString();
        EXPECT_EQ(read.info.readable, read.problem.isEmpty()) << c.path.toStdString();
    }
}
