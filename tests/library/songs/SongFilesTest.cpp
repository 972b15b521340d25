#include "library/songs/SongFiles.h"

#include "LibraryTestSupport.h"
#include "library/demo/AudioWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace corvane::library;

TEST(SongFiles, LooksAtAFileOncePerListingAndReadsItOnlyWhenChanged) {
    const QTemporaryDir dir;
    const QString path = dir.filePath("a.mp3");
    const auto write = [&](const QString& title, double seconds) {
        ASSERT_TRUE(demo::writeSong(path, seconds, {title, {}, {}, {}, {}, {}, {}}));
    };
    write("One", 5);
    SongFiles songs;
    EXPECT_EQ(songs.song(path, "fallback")->name(), "One");
    write("Two", 7);
    // The same listing asks again: the file is not looked at.
    EXPECT_EQ(songs.song(path, "fallback")->durationString(), "00:05");
    songs.newListing();
    EXPECT_EQ(songs.song(path, "fallback")->name(), "Two");
    EXPECT_EQ(songs.reads(), 2);

    // Nothing there: the caller may look elsewhere.
    QFile::remove(path);
    songs.newListing();
    EXPECT_EQ(songs.song(path, "fallback"), nullptr);
}
