#include "library/PathResolver.h"

#include "LibraryTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace corvane::library;

namespace {

class PathResolverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        root_ = dir_.path();
        touch("Music/Artist/Album/01 Song.mp3");
        touch("Music/Other/song.mp3");
    }
    void touch(const QString& relative) {
        const QString path = root_ + u'/' + relative;
        QDir().mkpath(path.left(path.lastIndexOf(u'/')));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QString at(const QString& relative) const { return root_ + u'/' + relative; }

    QTemporaryDir dir_;
    QString root_;
};

} // namespace

TEST_F(PathResolverTest, FindsAnExistingPathAsItIs) {
    PathResolver resolver(root_);
    EXPECT_EQ(resolver.resolve(at("Music/Other/song.mp3")), at("Music/Other/song.mp3"));
    EXPECT_EQ(resolver.resolve(at("Music/Other")), at("Music/Other"));
}

TEST_F(PathResolverTest, FindsAPathThatDiffersInLetterCase) {
    PathResolver resolver(root_);
    EXPECT_EQ(resolver.resolve(at("MUSIC/artist/ALBUM/01 song.MP3")),
              at("Music/Artist/Album/01 Song.mp3"));
    EXPECT_EQ(resolver.resolve(at("Music/Artist/Album/02 Song.mp3")), QString());
}

TEST_F(PathResolverTest, FindsDriveLetterAndUncPathsByTheirTailBelowTheRoot) {
    PathResolver resolver(root_);
    EXPECT_EQ(resolver.resolve("C:/Users/Ann/Music/Artist/Album/01 Song.mp3"),
              at("Music/Artist/Album/01 Song.mp3"));
    EXPECT_EQ(resolver.resolve("//nas/share/music/artist/album/01 song.mp3"),
              at("Music/Artist/Album/01 Song.mp3"));
    // Another machine's folder of the same library.
    EXPECT_EQ(resolver.resolve("/home/ann/Music/Other/song.mp3"), at("Music/Other/song.mp3"));
    // The longest tail wins over a file of the same name elsewhere.
    touch("song.mp3");
    EXPECT_EQ(PathResolver(root_).resolve("D:/Music/Other/song.mp3"), at("Music/Other/song.mp3"));
    EXPECT_EQ(PathResolver(root_).resolve("D:/Nowhere/song.mp3"), at("song.mp3"));
    EXPECT_EQ(resolver.resolve("C:/Music/Missing.mp3"), QString());
}

TEST_F(PathResolverTest, LeavesStreamsAlone) {
    PathResolver resolver(root_);
    EXPECT_EQ(resolver.resolve("http://radio.example/Music/Other/song.mp3"), QString());
    EXPECT_EQ(resolver.resolve(QString()), QString());
}
