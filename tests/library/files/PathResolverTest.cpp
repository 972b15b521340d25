#include "library/files/PathResolver.h"

#include "LibraryTestSupport.h"
#include "library/disk/FileName.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace corvane::library;

namespace {

const QString Nfd = QStringLiteral("Cafe\u0301");    // é as e and a combining accent
const QString Nfc = QStringLiteral("No\u00EBl");     // ë as one character
const QByteArray Latin1 = QByteArray("Caf\xE9 Old"); // é in Windows-1252, no UTF-8

class PathResolverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        for (const QString& file :
             QStringList{"Music/Artist/Album/01 Song.mp3", "Music/Other/song.mp3", "song.mp3",
                         "Music/" + Nfd + ".mp3", "Music/" + Nfc + ".mp3",
                         "Music/" + decodeFileName(Latin1) + ".mp3", "Elsewhere/Moved/b.mp3",
                         "Elsewhere/Other/song.mp3"}) {
            ASSERT_TRUE(writeRawFile(at(file), {}));
        }
    }
    QString at(const QString& relative) const { return dir_.path() + u'/' + relative; }

    QTemporaryDir dir_;
};

} // namespace

TEST_F(PathResolverTest, FindsEachKindOfLocation) {
    const struct {
        QString location; // "~" stands for the temporary root
        QString expected; // below the root; empty: nothing found
    } cases[] = {
        {"~/Music/Other/song.mp3", "Music/Other/song.mp3"},
        {"~/Music/Other", "Music/Other"},
        // Letter case, and the two Unicode forms, either way round.
        {"~/MUSIC/artist/ALBUM/01 song.MP3", "Music/Artist/Album/01 Song.mp3"},
        {"~/Music/Caf\u00E9.mp3", "Music/" + Nfd + ".mp3"},
        {"~/music/NOE\u0308L.mp3", "Music/" + Nfc + ".mp3"},
        // A name that is no UTF-8, named by a Windows-1252 playlist.
        {"~/Music/Caf\u00E9 Old.mp3", "Music/" + decodeFileName(Latin1) + ".mp3"},
        {"~/Music/Artist/Album/02 Song.mp3", ""},
        // Another machine's paths: the longest tail below the root.
        {"C:/Users/Ann/Music/Artist/Album/01 Song.mp3", "Music/Artist/Album/01 Song.mp3"},
        {"//nas/share/music/artist/album/01 song.mp3", "Music/Artist/Album/01 Song.mp3"},
        {"/home/ann/Music/Other/song.mp3", "Music/Other/song.mp3"},
        {"D:/Nowhere/song.mp3", "song.mp3"},
        {"C:/Music/Missing.mp3", ""},
        // Below a further root only when the first has nothing, and the longest tail first.
        {"/old/disk/Moved/b.mp3", "Elsewhere/Moved/b.mp3"},
        {"/old/disk/Other/song.mp3", "Elsewhere/Other/song.mp3"},
        // Streams are no files; the kernel's files are given back unlooked at.
        {"http://radio.example/Music/Other/song.mp3", ""},
        {"", ""},
    };
    PathResolver resolver;
    const QStringList roots{dir_.path(), at("Elsewhere")};
    for (const auto& c : cases) {
        QString location = c.location;
        location.replace(u'~', dir_.path());
        EXPECT_EQ(resolver.resolve(location, roots),
                  c.expected.isEmpty() ? QString() : at(c.expected))
            << c.location.toStdString();
    }
    EXPECT_EQ(resolver.resolve("/proc/kmsg", roots), "/proc/kmsg");
}
