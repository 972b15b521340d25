#include "library/files/FileLibrary.h"

#include "LibraryTestSupport.h"
#include "library/LibrarySource.h"
#include "library/demo/AudioWriter.h"
#include "library/disk/FileName.h"
#include "library/playlists/PlaylistFormats.h"
#include "stores/StoreFixtures.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace corvane::library;
using corvane::storefixtures::Connection;
using corvane::storefixtures::execSql;
using demo::SongTags;

namespace {

class FileLibraryTest : public ::testing::Test {
protected:
    // QTemporaryDir cannot remove names that are no UTF-8.
    void TearDown() override { std::filesystem::remove_all(encodeFileName(root_).toStdString()); }
    QString at(const QString& relative) const { return root_ + u'/' + relative; }
    void writeText(const QString& relative, const QByteArray& bytes) {
        ASSERT_TRUE(writeRawFile(at(relative), bytes)) << relative.toStdString();
    }
    void writeSong(const QString& relative, const SongTags& tags, double seconds = 5) {
        writeText(relative, {}); // its folders
        const QString written =
            at(QStringLiteral("written.") + relative.section(u'.', -1)); // the type
        ASSERT_TRUE(demo::writeSong(written, seconds, tags));
        ASSERT_EQ(
            ::rename(encodeFileName(written).constData(), encodeFileName(at(relative)).constData()),
            0);
    }
    std::shared_ptr<FileLibrary> open(const QString& relative = {},
                                      const LibraryOptions& options = {}) {
        QString error;
        auto player = openFileLibrary(relative.isEmpty() ? root_ : at(relative), &error, options);
        EXPECT_TRUE(player) << error.toStdString();
        return std::dynamic_pointer_cast<FileLibrary>(player);
    }
    // "~" stands for the temporary folder.
    QStringList listing(const PlaylistCollection& collection, const QString& name) const {
        return corvane::library::listing(collection, name)
            .replaceInStrings(root_, QStringLiteral("~"));
    }

    QTemporaryDir dir_;
    QString root_ = dir_.path();
};

// As VLC saves a playlist: every one titled "Playlist", each location a file URL.
QByteArray vlcXspf(const QByteArray& location) {
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<playlist xmlns="http://xspf.org/ns/0/" xmlns:vlc="http://www.videolan.org/vlc/playlist/ns/0/" version="1">
	<title>Playlist</title>
	<trackList>
		<track>
			<location>)" +
           location + R"(</location>
			<duration>5000</duration>
			<extension application="http://www.videolan.org/vlc/playlist/0">
				<vlc:id>0</vlc:id>
			</extension>
		</track>
	</trackList>
	<extension application="http://www.videolan.org/vlc/playlist/0">
			<vlc:item tid="0"/>
	</extension>
</playlist>
)";
}

// Files as a library left alone for a while holds them: changed an hour ago, long enough that
// the tag index keeps what is read from them.
void age(const QString& path, qint64 seconds = QDateTime::currentSecsSinceEpoch() - 3600) {
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, encodeFileName(path).constData(), times, 0), 0);
}

SongTags tagsOf(const QString& title, const QString& artist = QStringLiteral("Ann")) {
    return {title, artist, "Album", "Folk", "1999", {{"Windows Media Player 9 Series", 128}}, {}};
}

} // namespace

TEST_F(FileLibraryTest, ListsPlaylistsBelowTheFolderInNaturalOrderEachWithANameOfItsOwn) {
    writeText("Mix 10.m3u", "");
    writeText("lists/Mix 2.m3u8", "");
    writeText("lists/deeper/alpha.pls", "[playlist]\n");
    writeText("Titled.xspf", "<playlist><title>Zulu</title><trackList/></playlist>");
    writeText("b.wpl", "<smil><head><title>Bravo</title></head><body><seq/></body></smil>");
    writeText("notes.txt", "#EXTM3U\n");
    writeText("Lists/Chill.xspf", vlcXspf("file:///music/a.mp3"));
    writeText("Lists/VLC Party.xspf", vlcXspf("file:///music/b.mp3"));
    writeText("Winamp.m3u", "#EXTM3U\r\n#EXTINF:225,A\r\nC:\\Music\\a.mp3\r\n");
    writeText("Winamp.pls", "[playlist]\r\nFile1=C:\\Music\\a.mp3\r\nTitle1=A\r\nLength1=225\r\n"
                            "File2=C:\\Music\\b.mp3\r\nNumberOfEntries=2\r\nVersion=2\r\n");
    writeText("Rock/Favorites.m3u", "a.mp3\nb.mp3\n");
    writeText("Jazz/Favorites.m3u", "a.mp3\n");
    writeText("favorites.m3u", "");
    // As GNOME's playlist exporter writes it.
    writeText("Exported.pls", "[playlist]\nX-GNOME-Title=Road Trip\nNumberOfEntries=1\n"
                              "File1=file:///music/a.mp3\nTitle1=A\n");
    const QStringList expected({"alpha", "Bravo", "Favorites", "favorites", "Favorites (Rock)",
                                "Mix 2", "Mix 10", "Playlist", "Playlist (VLC Party.xspf)",
                                "Road Trip", "Winamp", "Winamp (Winamp.pls)", "Zulu"});
    const auto library = open();
    EXPECT_EQ(names(library->getAll()), expected);
    EXPECT_EQ(names(library->getAll()), expected); // from one call to the next
    EXPECT_EQ(names(open()->getAll()), expected);  // and in any run
    EXPECT_EQ(library->getByName("Favorites (Rock)").item(0)->count(), 2);
    EXPECT_EQ(library->getByName("Winamp (Winamp.pls)").item(0)->count(), 2);
    EXPECT_EQ(library->getByName("Winamp").item(0)->count(), 1);
    EXPECT_EQ(library->getByName("Favorite").count(), 0);
    EXPECT_THROW(library->getByName("Winamp").item(1), LibraryError);
    EXPECT_THROW(library->getByName("Winamp").item(0)->item(5), LibraryError);
}

// What a playlist states fills in only what the file cannot give: a readable file's tags and
// length win, and "Artist - Title" stands in only for a file that gives neither.
TEST_F(FileLibraryTest, ReadsEverySongsAttributesAndWhatThePlaylistStatesOfThem) {
    writeSong("Music/Ann/First.mp3", tagsOf("First Song"), 225.36); // 6260 frames of 36 ms
    writeSong("Music/Ann/untitled.flac", {}, 61);
    writeSong("Music/Ann/artist only.flac", {{}, "Cid", {}, {}, {}, {}, {}}, 2);
    writeText("Lists/Mix.m3u",
              "#EXTM3U\n#EXTINF:225,Ann - Wrong Title\n..\\Music\\Ann\\First.mp3\n"
              "../music/ann/UNTITLED.flac\n#EXTINF:99,Bob - Stated\n../Music/Ann/untitled.flac\n"
              "#EXTINF:99,Bob - Not Used\n../Music/Ann/artist only.flac\n"
              "#EXTINF:203,Bob - Gone\ngone.mp3\n#EXTINF:-1,Radio One - Morning\n"
              "http://radio.example/live\n");
    const auto library = open();
    EXPECT_EQ(listing(*library, "Mix"),
              QStringList({"First Song|03:45|50|Ann|Folk|1999|Album|mp3|225.36",
                           "untitled|01:01|0|||||flac|61", "Stated|01:01|0|Bob||||flac|61",
                           "artist only|00:02|0|Cid||||flac|2",
                           "Gone|!~/Lists/gone.mp3: no such file", "Morning|||Radio One|||||"}));
    // A file that cannot be read has the length and artist the playlist states.
    const auto gone = library->getByName("Mix").item(0)->item(4);
    EXPECT_EQ(gone->durationString(), "03:23");
    EXPECT_EQ(gone->getItemInfo(attribute::Duration), "203");
    EXPECT_EQ(gone->getItemInfo(attribute::Artist), "Bob");
    EXPECT_THROW(gone->getItemInfo(attribute::Album), LibraryError);
}

// A playlist naming another has that one's songs in its place; one naming itself or a playlist
// it is part of is cut there, and an HLS stream's playlist is no playlist; each is said.
TEST_F(FileLibraryTest, NamedPlaylistsStandInForTheirEntriesAndCyclesAreCut) {
    writeSong("a.mp3", tagsOf("A"));
    writeSong("b.mp3", tagsOf("B"));
    writeText("Outer.m3u", "a.mp3\nsub/Inner.pls\n");
    writeText("sub/Inner.pls", "[playlist]\nFile1=../b.mp3\nFile2=../Outer.m3u\n");
    writeText("Self.m3u", "a.mp3\nSelf.m3u\n");
    writeText("Windows.asx", "<asx version=\"3.0\"><entryref href=\"Self.m3u\"/></asx>");
    writeText("Stream.m3u8", "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10,\nseg0.ts\n");
    const auto library = open();
    const PlaylistArray all = library->getAll();
    EXPECT_EQ(names(all), QStringList({"Inner", "Outer", "Self", "Windows"}));
    QStringList notes = all.notes();
    EXPECT_EQ(notes.replaceInStrings(root_, "~"),
              QStringList({"~/Stream.m3u8: an HLS stream's playlist, not a list of songs: left out",
                           "~/Outer.m3u: names ~/sub/Inner.pls, which names it: left out there",
                           "~/sub/Inner.pls: names ~/Outer.m3u, which names it: left out there",
                           "~/Self.m3u: names itself: left out there",
                           "~/Self.m3u: names itself: left out there"}));
    EXPECT_EQ(titles(*library, "Outer"), QStringList({"A", "B"}));
    EXPECT_EQ(titles(*library, "Inner"), QStringList({"B", "A"}));
    EXPECT_EQ(titles(*library, "Windows"), QStringList({"A"}));
    // A change to a named playlist is a change to the one naming it.
    writeText("sub/Inner.pls", "[playlist]\nFile1=../b.mp3\nFile2=../b.mp3\nX-GNOME-Title=Inner\n");
    EXPECT_EQ(titles(*library, "Outer"), QStringList({"A", "B", "B"}));
}

// Each audio track of a CUE sheet is a song: a stretch of its audio file, described by the
// sheet; a FILE that is not there is sought under another audio extension, as players do.
TEST_F(FileLibraryTest, CueSheetsTracksAreSongs) {
    writeSong("Rip/Album.flac", tagsOf("Whole Image"), 30);
    writeText("Rip/Album.cue", "REM GENRE Jazz\r\nREM DATE 2001\r\nPERFORMER \"Ann\"\r\n"
                               "TITLE \"Live\"\r\nFILE \"Album.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n"
                               "    TITLE \"One\"\r\n    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n"
                               "    TITLE \"Two\"\r\n    PERFORMER \"Bob\"\r\n"
                               "    INDEX 01 00:10:00\r\nFILE \"Gone.flac\" WAVE\r\n"
                               "  TRACK 03 AUDIO\r\n    TITLE \"Three\"\r\n"
                               "    INDEX 01 00:00:00\r\n");
    // A FLAC file keeping its sheet, named alone by a playlist.
    SongTags embedded = tagsOf("Whole");
    embedded.fields.push_back({"CUESHEET", "TITLE \"Inside\"\nFILE \"x.wav\" WAVE\nTRACK 01 AUDIO\n"
                                           "TITLE \"In\"\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
                                           "TITLE \"Out\"\nINDEX 01 00:01:00\n"});
    writeSong("Image.flac", embedded, 4);
    writeText("Image.m3u", "Image.flac\n");
    const auto library = open();
    EXPECT_EQ(names(library->getAll()), QStringList({"Inside", "Live"}));
    EXPECT_EQ(listing(*library, "Live"), QStringList({"One|00:10|0|Ann|Jazz|2001|Live|flac|10",
                                                      "Two|00:20|0|Bob|Jazz|2001|Live|flac|20",
                                                      "Three|!~/Rip/Gone.flac: no such file"}));
    EXPECT_EQ(listing(*library, "Inside"),
              QStringList({"In|00:01|0|Ann|Folk|1999|Inside|flac|1",
                           "Out|00:03|0|Ann|Folk|1999|Inside|flac|3"}));
    EXPECT_EQ(library->audioFileReads(), 2);
}

TEST_F(FileLibraryTest, SongsThatCannotBeReadKeepANameAndSayWhyWithoutEverBlocking) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("fifo.mp3")).constData(), 0600), 0);
    QDir().mkpath(at("folder.mp3"));
    writeText("bad.mp3", QByteArray(3000, '\xFF'));
    writeSong("real.mp3", tagsOf("Real"));
    // Files of the kernel's own file systems are never read (reading /proc/kmsg waits forever),
    // nor are they through a link.
    ASSERT_EQ(::symlink("/proc/kmsg", QFile::encodeName(at("kmsg.mp3")).constData()), 0);
    writeText("Mix.m3u", "#EXTINF:10,Gone Song\ngone.mp3\nalso gone.flac\n#EXTINF:-1,Radio\n"
                         "http://radio.example/live\nhttp://radio.example/\nfifo.mp3\nfolder.mp3\n"
                         "/dev/zero\n/proc/kmsg\nkmsg.mp3\nbad.mp3\nreal.mp3\n");
    // A FIFO with a playlist's name is not read either.
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("Trap.m3u")).constData(), 0600), 0);
    const auto library = open();
    EXPECT_EQ(names(library->getAll()), QStringList({"Mix"}));
    EXPECT_EQ(
        listing(*library, "Mix"),
        QStringList({"Gone Song|!~/gone.mp3: no such file",
                     "also gone.flac|!~/also gone.flac: no such file", "Radio||||||||",
                     "http://radio.example/||||||||", "fifo.mp3|!~/fifo.mp3: not a regular file",
                     "folder.mp3|!~/folder.mp3: a folder, not a file",
                     "zero|!/dev/zero: not a regular file",
                     "kmsg|!/proc/kmsg: a system file, never read",
                     "kmsg.mp3|!~/kmsg.mp3: a system file, never read",
                     "bad|!~/bad.mp3: not an audio file or damaged",
                     "Real|00:05|50|Ann|Folk|1999|Album|mp3|5.004"}));
    EXPECT_EQ(library->audioFileReads(), 2);
    // A file that is no audio file still has the type its name gives.
    EXPECT_EQ(library->getByName("Mix").item(0)->item(9)->getItemInfo(attribute::FileType), "mp3");
}

TEST_F(FileLibraryTest, NamesThatAreNoUtf8AreFoundListedAndOpened) {
    const QString latin = decodeFileName("Caf\xE9");
    writeSong("a.mp3", tagsOf("A"));
    writeSong(latin + u'/' + latin + QStringLiteral(" Song.mp3"), {});
    // As a Windows-1252 playlist names the untitled song.
    writeText(latin + u'/' + latin + QStringLiteral(".m3u"), "../a.mp3\nCaf\xE9 Song.mp3\n");
    writeText("list\nFAKE LINE.m3u", "a.mp3\n"); // one playlist, one line
    const QString shown = QStringLiteral("Caf\uFFFD");
    const auto library = open();
    EXPECT_EQ(names(library->getAll()), QStringList({shown, "list\uFFFDFAKE LINE"}));
    const QStringList lines = listing(*library, shown);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("A|00:05|"));
    EXPECT_TRUE(lines[1].startsWith(shown + " Song|00:05|")) << lines[1].toStdString();
    // The file itself as the library, as --library names it.
    EXPECT_EQ(names(open(latin + u'/' + latin + QStringLiteral(".m3u"))->getAll()),
              QStringList({shown}));
}

TEST_F(FileLibraryTest, ListingsSayWhatCouldNotBeReadOrWasCut) {
    // Nothing found: where the library looked, and for what.
    EXPECT_EQ(open()->getAll().notes(),
              QStringList({"no playlist found in " + root_ +
                           " or below (the files read: M3U, M3U8, PLS, XSPF, WPL, ZPL, ASX, WAX, "
                           "WVX, B4S, SMIL, RAM, QTL, CUE)"}));

    writeText("Fine.m3u", "");
    writeText("a/Locked.m3u", "");
    writeText("b/Locked too.pls", "");
    writeText("Private/Hidden.m3u", "");
    ASSERT_EQ(::symlink("nowhere.m3u", QFile::encodeName(at("Dangling.m3u")).constData()), 0);
    for (const char* locked : {"a/Locked.m3u", "b/Locked too.pls", "Private"}) {
        ASSERT_EQ(::chmod(QFile::encodeName(at(locked)).constData(), 0), 0);
    }
    // Over the limit: read up to the last whole line there, the cut-off entry left out.
    const QByteArray line = QByteArray(4000, 'x') + ".mp3\n";
    writeText("Big.m3u", line.repeated(MaxPlaylistBytes / line.size() + 1));
    {
        const WithoutReadingEverything asAUser;
        const auto library = open();
        const PlaylistArray all = library->getAll();
        EXPECT_EQ(names(all), QStringList({"Big", "Fine"}));
        EXPECT_EQ(all.item(0)->count(), MaxPlaylistBytes / line.size());
        EXPECT_EQ(QStringList(all.notes()).replaceInStrings(root_, "~"),
                  QStringList({"3 playlist files could not be read (first: ~/Dangling.m3u: no such "
                               "file)",
                               "1 folder could not be read (~/Private: permission denied)",
                               "~/Big.m3u: larger than 32 MB, only its first 32 MB were read"}));
        EXPECT_EQ(library->getByName("Big").notes(), all.notes().mid(2));
        EXPECT_TRUE(library->getByName("Fine").notes().isEmpty());
    }
    for (const char* locked : {"a/Locked.m3u", "b/Locked too.pls", "Private"}) {
        ::chmod(QFile::encodeName(at(locked)).constData(), 0700);
    }
}

TEST_F(FileLibraryTest, ARepeatListingReadsNoFile) {
    QByteArray m3u;
    for (int i = 0; i < 20; ++i) {
        writeSong(QStringLiteral("s%1.mp3").arg(i), tagsOf(QStringLiteral("Song %1").arg(i)));
        m3u += QStringLiteral("s%1.mp3\n").arg(i).toUtf8();
    }
    m3u += "s3.mp3\n"; // twice in the list, read once
    writeText("Mix.m3u", m3u);
    const auto library = open();
    const QStringList first = listing(*library, "Mix");
    EXPECT_EQ(library->audioFileReads(), 20);
    EXPECT_EQ(library->playlistFileReads(), 1);
    EXPECT_EQ(listing(*library, "Mix"), first);
    EXPECT_EQ(library->audioFileReads(), 20);
    EXPECT_EQ(library->playlistFileReads(), 1);

    // A changed song is read again, and only it.
    writeSong("s5.mp3", tagsOf("Changed", "Bob"), 7);
    const QStringList third = listing(*library, "Mix");
    EXPECT_EQ(library->audioFileReads(), 21);
    EXPECT_TRUE(third[5].startsWith("Changed|00:07|50|Bob|"));
    // A changed playlist is parsed again.
    writeText("Mix.m3u", "#PLAYLIST:Renamed\ns1.mp3\n");
    EXPECT_EQ(library->getByName("Mix").count(), 0);
    EXPECT_EQ(listing(*library, "Renamed").size(), 1);
    EXPECT_EQ(library->playlistFileReads(), 2);
    EXPECT_EQ(library->audioFileReads(), 21);
}

TEST_F(FileLibraryTest, SourcesThatCannotBeReadSayWhy) {
    writeSong("a.mp3", tagsOf("A"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("fifo.m3u")).constData(), 0600), 0);
    QDir().mkpath(at("locked"));
    ASSERT_EQ(::chmod(QFile::encodeName(at("locked")).constData(), 0), 0);
    const WithoutReadingEverything asAUser;
    for (const auto& [source, why] :
         {std::pair{"nowhere", "no such folder or file"},
          {"a.mp3", "not a playlist file (M3U, M3U8, PLS, XSPF, WPL, ZPL, ASX, WAX, WVX, B4S, "
                    "SMIL, RAM, QTL, CUE)"},
          {"fifo.m3u", "neither a folder nor a playlist file"},
          {"locked", "the folder cannot be read (permission denied)"}}) {
        QString error;
        EXPECT_FALSE(openFileLibrary(at(source), &error));
        EXPECT_EQ(error, QStringLiteral("cannot read the library \"%1\": %2").arg(at(source), why));
    }
    ::chmod(QFile::encodeName(at("locked")).constData(), 0700);
}

// One file is a library of one playlist, whose moved songs are sought in the music folder; MPD's
// playlist folder finds its songs in MPD's music folder.
TEST_F(FileLibraryTest, SongsNotWhereThePlaylistSaysAreSoughtInTheMusicFolder) {
    const ScopedVariable home("HOME", root_.toUtf8());
    const ScopedVariable config("XDG_CONFIG_HOME", at(".config").toUtf8());
    writeText(".config/user-dirs.dirs", "XDG_MUSIC_DIR=\"$HOME/Tunes\"\n");
    writeSong("Tunes/Ann/a.mp3", tagsOf("A"));
    writeText("Lists/VLC Party.xspf", vlcXspf("file:///home/ann/Music/Ann/a.mp3"));
    writeText("Lists/Other.m3u", "");
    const auto library = open("Lists/VLC Party.xspf");
    EXPECT_EQ(names(library->getAll()), QStringList({"Playlist"}));
    EXPECT_TRUE(listing(*library, "Playlist").value(0).startsWith("A|00:05"));

    writeText(".config/mpd/mpd.conf", "music_directory \"~/music\"\n"
                                      "playlist_directory \"~/.config/mpd/playlists\"\n"
                                      "audio_output {\n\ttype \"null\"\n\tname \"none\"\n}\n");
    writeSong("music/Ann/a.mp3", tagsOf("B")); // not the one in the user's music folder
    // As MPD saves them: relative to its music folder.
    writeText(".config/mpd/playlists/Road Trip.m3u", "Ann/a.mp3\nAnn/gone.mp3\n");
    const QStringList lines = listing(*open(".config/mpd/playlists"), "Road Trip");
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("B|00:05|"));
    EXPECT_EQ(lines[1], "gone.mp3|!~/.config/mpd/playlists/Ann/gone.mp3: no such file");
}

#ifdef CORVANE_DEMO_LIBRARY
// The generated demo library as the user meets it: found beside the program, every playlist and
// song read.
TEST(DemoLibrary, IsFoundBesideTheProgramAndListsEveryPlaylistAndSong) {
    int argc = 1;
    char name[] = "test_library";
    char* argv[] = {name, nullptr};
    const QCoreApplication app(argc, argv);
    const QString built = QStringLiteral(CORVANE_DEMO_LIBRARY);
    if (!QFileInfo(built).isDir()) {
        GTEST_SKIP() << "the demo library is not built";
    }
    ASSERT_EQ(demoLibraryPath(), built);
    QString error;
    const auto library = std::dynamic_pointer_cast<FileLibrary>(openFileLibrary(built, &error));
    ASSERT_TRUE(library) << error.toStdString();
    const PlaylistArray all = library->getAll();
    EXPECT_GE(all.count(), 4);
    int songs = 0;
    bool longSong = false;
    bool unrated = false;
    for (int p = 0; p < all.count(); ++p) {
        const QStringList lines = listing(*library, all.item(p)->name());
        for (const QString& line : lines) {
            const QStringList cells = line.split(u'|');
            longSong = longSong || cells[8].toDouble() > 600;
            unrated = unrated || cells[2] == u"0";
        }
        songs += static_cast<int>(lines.size());
    }
    EXPECT_GT(songs, 100);
    EXPECT_TRUE(longSong);
    EXPECT_TRUE(unrated);
    EXPECT_EQ(library->getByName("Nothing Yet").item(0)->count(), 0);
    EXPECT_EQ(library->getByName("One Song Wonder").item(0)->count(), 1);
}
#endif

TEST_F(FileLibraryTest, FindsPlaylistsAddedToAndRemovedFromAFolderListedBefore) {
    writeText("Lists/a.m3u", "");
    writeText("Lists/Deep/b.m3u", "");
    // Folder times from long ago, as on a library left alone for a while.
    for (const char* folder : {"Lists", "Lists/Deep", ""}) {
        age(at(folder), 1'000'000'000);
    }
    const auto library = open();
    EXPECT_EQ(names(library->getAll()), QStringList({"a", "b"}));
    writeText("Lists/Deep/c.m3u", "");
    QFile::remove(at("Lists/a.m3u"));
    EXPECT_EQ(names(library->getAll()), QStringList({"b", "c"}));
}

namespace {

int indexedSongs(const QString& index, const QString& path) {
    QString count;
    EXPECT_EQ(
        execSql(index,
                "SELECT count(*) FROM songs WHERE path = X'" + encodeFileName(path).toHex() + "'",
                &count),
        "");
    return count.toInt();
}

} // namespace

struct TagIndexTest : FileLibraryTest {
    QString index = at("cache/corvane/tags.sqlite");

    LibraryOptions indexed(int threads = 0) const {
        LibraryOptions options;
        options.tagIndex = index;
        options.readingThreads = threads;
        return options;
    }
    // The listing of "Mix" by a new library (as a new run makes it), and what it had to say.
    QStringList listMix(const LibraryOptions& options, long long* reads = nullptr,
                        QStringList* notes = nullptr) {
        const auto library = open({}, options);
        const QStringList said = library->getByName("Mix").notes();
        if (notes) {
            *notes = QStringList(said).replaceInStrings(root_, "~");
        }
        const QStringList lines = listing(*library, "Mix");
        if (reads) {
            *reads = library->audioFileReads();
        }
        return lines;
    }
};

TEST_F(TagIndexTest, AFileChangedOrGoneIsReadAgainOrForgotten) {
    const qint64 then = QDateTime::currentSecsSinceEpoch() - 3600;
    struct Change {
        const char* what;
        const char* title; // "Two" makes a file as big as "One"'s
        qint64 time;       // 0: now
        bool replaced;     // another file moved in under the same name
    };
    writeText("Mix.m3u", "a.mp3\n");
    for (const Change& c : {Change{"same size, new time", "Two", then + 1, false},
                            Change{"same time, new size", "Two, longer", then, false},
                            Change{"another file of the same size and time", "Two", then, true},
                            Change{"changed just now: not kept", "Two", 0, false}}) {
        QFile::remove(index);
        writeSong("a.mp3", tagsOf("One"));
        age(at("a.mp3"), then);
        const qint64 size = QFileInfo(at("a.mp3")).size();
        listMix(indexed());
        writeSong(c.replaced ? "b.mp3" : "a.mp3", tagsOf(c.title));
        if (c.time != 0) {
            age(at(c.replaced ? "b.mp3" : "a.mp3"), c.time);
        }
        if (c.replaced) {
            ASSERT_EQ(::rename(QFile::encodeName(at("b.mp3")).constData(),
                               QFile::encodeName(at("a.mp3")).constData()),
                      0);
        }
        EXPECT_EQ(QFileInfo(at("a.mp3")).size() == size, QByteArray(c.title) == "Two") << c.what;
        long long reads = -1;
        EXPECT_TRUE(listMix(indexed(), &reads).value(0).startsWith(c.title)) << c.what;
        EXPECT_EQ(reads, 1) << c.what;
        listMix(indexed(), &reads);
        EXPECT_EQ(reads, c.time == 0 ? 1 : 0) << c.what;
        EXPECT_EQ(indexedSongs(index, at("a.mp3")), c.time == 0 ? 0 : 1) << c.what;
    }
    // A file gone is dropped.
    age(at("a.mp3"), then);
    listMix(indexed());
    EXPECT_EQ(indexedSongs(index, at("a.mp3")), 1);
    QFile::remove(at("a.mp3"));
    listMix(indexed());
    EXPECT_EQ(indexedSongs(index, at("a.mp3")), 0);
}

TEST_F(TagIndexTest, AnIndexThatCannotBeUsedIsSetAsideAndTheSongsAreReadFromTheirFiles) {
    writeText("Mix.m3u", "a.mp3\nb.mp3\nc.mp3\n");
    for (const char* song : {"a", "b", "c"}) {
        writeSong(QStringLiteral("%1.mp3").arg(song), tagsOf(song));
        age(at(QStringLiteral("%1.mp3").arg(song)));
    }
    const QStringList shown = listMix({});
    const auto warm = [&] {
        QFile::remove(index);
        listMix(indexed());
    };
    const auto sql = [&](const char* statements) { EXPECT_EQ(execSql(index, statements), ""); };
    struct Case {
        const char* what;
        std::function<void()> make;
        const char* said; // in the one note
        bool setAside;    // and a new index made
    };
    std::optional<Connection> holder;
    for (const Case& c : std::vector<Case>{
             {"garbage", [&] { writeText("cache/corvane/tags.sqlite", QByteArray(9000, 'x')); },
              "file is not a database", true},
             {"truncated", [&] { warm(), QFile(index).resize(QFileInfo(index).size() / 2); },
              "malformed", true},
             {"a damaged record", [&] { warm(), sql("UPDATE songs SET song = X'00'"); },
              "could not be used (a damaged record)", true},
             {"another version", [&] { warm(), sql("PRAGMA user_version = 99"); },
              "not an index of this version", true},
             {"another program's database",
              [&] { QFile::remove(index), sql("CREATE TABLE songs (x)"); },
              "not an index of this version", true},
             {"locked by another program",
              [&] {
                  warm();
                  writeSong("c.mp3", tagsOf("c")); // to be written again
                  age(at("c.mp3"));
                  EXPECT_EQ(holder.emplace(index).exec("BEGIN IMMEDIATE"), SQLITE_OK);
              },
              "cannot be written now (database is locked)", false},
         }) {
        QFile::remove(index + ".bad");
        c.make();
        QStringList notes;
        EXPECT_EQ(listMix(indexed(), nullptr, &notes), shown) << c.what;
        ASSERT_EQ(notes.size(), 1) << c.what;
        EXPECT_TRUE(notes[0].contains(c.said)) << c.what << ": " << notes[0].toStdString();
        holder.reset();
        EXPECT_EQ(QFile::exists(index + ".bad"), c.setAside) << c.what;
        long long reads = -1;
        listMix(indexed(), &reads, &notes);
        EXPECT_EQ(reads, c.setAside ? 0 : 1) << c.what << " made anew";
        EXPECT_TRUE(notes.isEmpty()) << c.what;
    }

    // A cache folder that cannot be written: every song is read, and the listing is the same.
    QFile::remove(index);
    ASSERT_EQ(::chmod(QFile::encodeName(at("cache/corvane")).constData(), 0555), 0);
    {
        const WithoutReadingEverything asAUser;
        long long reads = -1;
        QStringList notes;
        EXPECT_EQ(listMix(indexed(), &reads, &notes), shown);
        EXPECT_EQ(reads, 3);
        EXPECT_EQ(notes, QStringList({"the tag index ~/cache/corvane/tags.sqlite could not be used "
                                      "(unable to open database file); every song is read from "
                                      "its file"}));
    }
    ::chmod(QFile::encodeName(at("cache/corvane")).constData(), 0755);
}

// A crafted record: a length of -inf and a title of 100,000 characters.
TEST_F(TagIndexTest, ARecordsLengthThatNoSongHasIsUnknownAndItsTextsBounded) {
    writeText("Mix.m3u", "a.mp3\n");
    writeSong("a.mp3", tagsOf("a"));
    age(at("a.mp3"));
    listMix(indexed());
    QByteArray record;
    const auto put = [&](const auto& value) {
        record.append(reinterpret_cast<const char*>(&value), sizeof value);
    };
    put(quint8{1});
    put(qint32{0});
    put(-std::numeric_limits<double>::infinity());
    put(quint32{100'000});
    const QString title(100'000, u't');
    record.append(reinterpret_cast<const char*>(title.utf16()), 200'000);
    for (int text = 0; text < 6; ++text) {
        put(quint32{0});
    }
    EXPECT_EQ(execSql(index, "UPDATE songs SET song = X'" + record.toHex() + "'"), "");
    QStringList notes;
    EXPECT_EQ(listMix(indexed(), nullptr, &notes),
              QStringList({QString(MaxOutsideText, u't') + "||0||||||"}));
    EXPECT_TRUE(notes.isEmpty());
}

// Songs read on every core land in the playlist's order, and an index, empty or warm, changes
// nothing shown: texts outside the BMP or no UTF-16 at all, no audio file, a folder, no file.
TEST_F(TagIndexTest, ServesWhatWasReadInThePlaylistsOrderAndChangesNothingShown) {
    // Enough entries for many stretches on several threads, with files named twice and missing
    // ones (found on the calling thread) between them.
    QByteArray m3u;
    for (int i = 0; i < 300; ++i) {
        const QString name = QStringLiteral("s%1.%2").arg(i).arg(i % 3 ? "mp3" : "flac");
        if (i % 7 == 3) {
            writeText(name, QByteArray(100 + i, 'x')); // no audio file
        } else {
            writeSong(name, tagsOf(QStringLiteral("Song %1").arg(i)), 1 + i % 9);
        }
        age(at(name));
        m3u += name.toUtf8() + '\n';
        if (i % 70 == 69) {
            m3u += "gone.mp3\ns1.mp3\n";
        }
    }
    QDir().mkpath(at("folder.mp3"));
    writeSong("real.mp3", tagsOf(QStringLiteral("R\u00e9al \U0001F600"), QString(QChar(0xD800))));
    writeSong("untitled.flac", {}, 61.5);
    age(at("real.mp3"));
    age(at("untitled.flac"));
    writeText("Mix.m3u", m3u + "real.mp3\nfolder.mp3\nuntitled.flac\nreal.mp3\n");
    const QStringList shown = listMix({});
    long long reads = -1;
    EXPECT_EQ(listMix(indexed(1), &reads), shown); // an empty index, one thread
    EXPECT_EQ(reads, 302);
    QFile::remove(index);
    EXPECT_EQ(listMix(indexed(8), &reads), shown); // an empty index, several
    EXPECT_EQ(reads, 302);
    EXPECT_EQ(listMix(indexed(8), &reads), shown); // a warm one
    EXPECT_EQ(reads, 0);
    ASSERT_EQ(shown.size(), 312);
    EXPECT_TRUE(shown[307].startsWith("Song 299|00:03|")) << shown[307].toStdString();
    EXPECT_EQ(shown[70], "gone.mp3|!~/gone.mp3: no such file");
    EXPECT_EQ(shown[71], shown[1]);
    EXPECT_EQ(shown[311], shown[308]);

    // A listener that fails as songs land stops the listing, and the next one lists them all.
    const auto library = open({}, indexed(8));
    const auto mix = library->getByName("Mix").item(0);
    EXPECT_THROW(mix->whenKnown([](int) { throw std::runtime_error("full"); }), std::runtime_error);
    EXPECT_EQ(listing(*library, "Mix"), shown);
}
