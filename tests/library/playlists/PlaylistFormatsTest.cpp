#include "library/playlists/PlaylistFormats.h"

#include "LibraryTestSupport.h"

#include <gtest/gtest.h>

using namespace corvane::library;

namespace {

const QString Base = QStringLiteral("/music/lists");

QStringList locations(const ParsedPlaylist& playlist) {
    QStringList result;
    for (const PlaylistEntry& entry : playlist.entries) {
        result.push_back(entry.location);
    }
    return result;
}

QStringList titles(const ParsedPlaylist& playlist) {
    QStringList result;
    for (const PlaylistEntry& entry : playlist.entries) {
        result.push_back(entry.title);
    }
    return result;
}

} // namespace

TEST(PlaylistText, DecodesUtf8AndFallsBackToWindows1252) {
    EXPECT_EQ(decodePlaylistText("Caf\xC3\xA9"), QStringLiteral("Café"));
    // Not valid UTF-8: each byte is a Windows-1252 character, 0x80-0x9F included.
    EXPECT_EQ(decodePlaylistText("Caf\xE9 \x80 \x96 \x9F"), QStringLiteral("Café € – Ÿ"));
    EXPECT_EQ(decodePlaylistText("\xEF\xBB\xBF#EXTM3U"), QStringLiteral("#EXTM3U"));
    EXPECT_EQ(decodePlaylistText(QByteArray("\xFF\xFEN\0M\0=\0", 8)), QStringLiteral("NM="));
    EXPECT_EQ(decodePlaylistText(QByteArray("N\0M\0=\0", 6)), QStringLiteral("NM="));
}

TEST(PlaylistText, SplitsLinesOnEveryLineEndAndDropsRunawayLines) {
    const QString text =
        QStringLiteral("a\r\nb\rc\n\nd") + u'\n' + QString(100000, u'x') + QStringLiteral("\ne");
    std::vector<QStringView> lines = playlistLines(text);
    QStringList got;
    for (QStringView line : lines) {
        got.push_back(line.toString());
    }
    EXPECT_EQ(got, QStringList({"a", "b", "c", "", "d", "e"}));
}

TEST(PlaylistText, CutsAFileAfterItsLastWholeLine) {
    const struct {
        QByteArray bytes;
        QByteArray whole;
    } cases[] = {
        {"a.mp3\nb.mp3\nc.m", "a.mp3\nb.mp3\n"},
        {"a.mp3\r\nb.m", "a.mp3\r\n"},
        {"a.mp3\rb.m", "a.mp3\r"},
        {"no line end", ""},
        {QByteArray("\xFF\xFE"
                    "a\0\n\0b\0\n",
                    9),
         QByteArray("\xFF\xFE"
                    "a\0\n\0",
                    6)},
        {QByteArray("a\0b\0\n\0c\0\n", 9), QByteArray("a\0b\0\n\0", 6)},
        {QByteArray("\xFE\xFF\0a\0\n\0b\0", 9), QByteArray("\xFE\xFF\0a\0\n", 6)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(wholeLines(c.bytes), c.whole) << c.bytes.toHex().constData();
    }
}

TEST(PlaylistText, MakesLocationsOfEveryKindOfEntry) {
    EXPECT_EQ(entryLocation("song.mp3", Base), "/music/lists/song.mp3");
    EXPECT_EQ(entryLocation("  ../Artist/song.mp3 ", Base), "/music/Artist/song.mp3");
    EXPECT_EQ(entryLocation("a/./b//c/.", Base), "/music/lists/a/b/c");
    EXPECT_EQ(entryLocation("/srv/x/../a.flac", "/"), "/srv/a.flac");
    EXPECT_EQ(entryLocation("..\\Artist\\song.mp3", Base), "/music/Artist/song.mp3");
    EXPECT_EQ(entryLocation("/srv/a.flac", Base), "/srv/a.flac");
    EXPECT_EQ(entryLocation("C:\\Users\\Ann\\Music\\a.mp3", Base), "C:/Users/Ann/Music/a.mp3");
    EXPECT_EQ(entryLocation("\\\\nas\\music\\a.mp3", Base), "//nas/music/a.mp3");
    EXPECT_EQ(entryLocation("file:///srv/My%20Music/a.mp3", Base), "/srv/My Music/a.mp3");
    EXPECT_EQ(entryLocation("file:///C:/Music/a%23b.mp3", Base), "C:/Music/a#b.mp3");
    EXPECT_EQ(entryLocation("http://radio.example/live", Base), "http://radio.example/live");
    EXPECT_TRUE(isStreamLocation("http://radio.example/live"));
    EXPECT_FALSE(isStreamLocation("C:/Music/a.mp3"));
    EXPECT_EQ(entryLocation("   ", Base), QString());
}

// Each parser on what players write: the playlist's title, then each entry's location and title.
TEST(PlaylistFormats, ReadEntriesTitlesAndWhatCanBeSalvaged) {
    const struct {
        const char* what;
        PlaylistParser parse;
        QByteArray bytes;
        QString title;
        QStringList locations;
        QStringList titles;
    } cases[] = {
        // A title belongs to the entry right after its #EXTINF line only.
        {"m3u",
         parseM3u,
         "\xEF\xBB\xBF#EXTM3U\r\n#PLAYLIST:Road Trip\r\n#EXTINF:225,Ann - First\r\nfirst.mp3\n"
         "# a comment\n\n..\\Music\\second.flac\n#EXTINF:-1 tvg-name=\"a,b\",Live, Radio\n"
         "http://radio.example/live\n",
         "Road Trip",
         {"/music/lists/first.mp3", "/music/Music/second.flac", "http://radio.example/live"},
         {"Ann - First", "", "Live, Radio"}},
        {"m3u junk: a runaway line, control characters",
         parseM3u,
         "good.mp3\n" + QByteArray(200000, 'x') + QByteArray("\0\1\2\n", 4) + "also good.mp3\n",
         {},
         {"/music/lists/good.mp3", "/music/lists/also good.mp3"},
         {"", ""}},
        {"pls: numbered order, malformed lines skipped",
         parsePls,
         "[playlist]\r\nTitle2=Second\r\nFile2=b.mp3\r\nfile1=C:\\Music\\a.mp3\r\nTitle1=First\r\n"
         "FileX=bad.mp3\r\nFile=bad.mp3\r\n=x\r\nTitle3=No file\r\n"
         "File10=http://radio.example/x\r\nNumberOfEntries=3\r\nVersion=2\r\n",
         {},
         {"C:/Music/a.mp3", "/music/lists/b.mp3", "http://radio.example/x"},
         {"First", "Second", ""}},
        {"xspf",
         parseXspf,
         R"(<?xml version="1.0" encoding="UTF-8"?>
<playlist version="1" xmlns="http://xspf.org/ns/0/">
  <title>Night Drive</title>
  <trackList>
    <track><location>file:///srv/My%20Music/a.flac</location><title>A</title></track>
    <track><location>Artist%20Name/b.mp3</location><location>ignored.mp3</location></track>
    <track><title>No location</title></track>
    <track><location>http://radio.example/s</location></track>
    <track><location>..\Old\c.mp3</location></track>
  </trackList>
</playlist>)",
         "Night Drive",
         {"/srv/My Music/a.flac", "/music/lists/Artist Name/b.mp3", "http://radio.example/s",
          "/music/Old/c.mp3"},
         {"A", "", "", ""}},
        {"xspf xml:base",
         parseXspf,
         R"(<playlist xmlns="http://xspf.org/ns/0/" xml:base="file:///data/">
  <trackList xml:base="songs/">
    <track><location>a.mp3</location></track>
    <track xml:base="http://host.example/"><location>b.mp3</location></track>
  </trackList>
</playlist>)",
         {},
         {"/data/songs/a.mp3", "http://host.example/b.mp3"},
         {"", ""}},
        {"broken xspf",
         parseXspf,
         "<playlist><trackList><track><location>a.mp3</location><title>A</title></track>"
         "<track><location>b &amp; c.mp3</location></track><oops & </broken>"
         "<track><location>d.mp3</location></track>",
         {},
         {"/music/lists/a.mp3", "/music/lists/b & c.mp3", "/music/lists/d.mp3"},
         {"A", "", ""}},
        {"wpl",
         parseSmil,
         "\xEF\xBB\xBF<?wpl version=\"1.0\"?>\r\n<smil>\r\n<head><meta name=\"Generator\" "
         "content=\"x\"/><title>Caf\xC3\xA9 Classics</title></head>\r\n<body><seq>\r\n"
         "<media src=\"..\\Music\\Rock &amp; Roll\\a.wma\" tid=\"{1}\"/>\r\n"
         "<media src=\"\\\\nas\\music\\b.mp3\" albumTitle=\"X\" trackTitle=\"Song B\"/>\r\n"
         "<media/>\r\n</seq></body></smil>\r\n",
         "Café Classics",
         {"/music/Music/Rock & Roll/a.wma", "//nas/music/b.mp3"},
         {"", "Song B"}},
        {"broken smil",
         parseSmil,
         "<smil><body><seq><media src=\"a.mp3\"/><media src=\"Tom & Jerry.mp3\"/>"
         "<media src=\"c.mp3\"/>",
         {},
         {"/music/lists/a.mp3", "/music/lists/Tom & Jerry.mp3", "/music/lists/c.mp3"},
         {"", "", ""}},
        {"zpl tags",
         parseZplTags,
         "AC=a.mp3\r\nNM=a.mp3\r\nTT=First\r\nDR=60\r\nBR!\r\ntt=Second\r\n"
         "nm=C:\\Music\\b.mp3\r\nbr!\r\nNM=c.mp3\r\nNM=d.mp3\r\n",
         {},
         {"/music/lists/a.mp3", "C:/Music/b.mp3", "/music/lists/c.mp3", "/music/lists/d.mp3"},
         {"First", "Second", "", ""}},
        {"zpl tags in UTF-16",
         parseZplTags,
         QByteArray("\xFF\xFEN\0M\0=\0\x1C\x59.\0m\0p\0003\0\r\0\n\0B\0R\0!\0\r\0\n\0", 32),
         {},
         {"/music/lists/夜.mp3"},
         {""}},
    };
    for (const auto& c : cases) {
        const ParsedPlaylist playlist = c.parse(c.bytes, Base);
        EXPECT_EQ(playlist.title, c.title) << c.what;
        EXPECT_EQ(locations(playlist), c.locations) << c.what;
        EXPECT_EQ(titles(playlist), c.titles) << c.what;
    }
}

TEST(Xspf, KeepsOnlySoManyNestedXmlBases) {
    // Each level resolved whole and kept would need memory growing with the square of the depth.
    constexpr int Depth = 10000;
    QByteArray xml("<playlist xmlns=\"http://xspf.org/ns/0/\">");
    for (int i = 0; i < Depth; ++i) {
        xml += "<a xml:base=\"a/\">";
    }
    xml += "<trackList><track><location>x.mp3</location></track></trackList>";
    for (int i = 0; i < Depth; ++i) {
        xml += "</a>";
    }
    xml += "</playlist>";
    const ParsedPlaylist playlist = parseXspf(xml, Base);
    EXPECT_EQ(locations(playlist),
              QStringList({Base + "/" + QString("a/").repeated(64) + "x.mp3"}));
    ASSERT_EQ(playlist.notes.size(), 1);
    EXPECT_TRUE(playlist.notes.front().contains("xml:base"));
}

TEST(PlaylistChoice, GoesByExtensionThenByContent) {
    EXPECT_EQ(choosePlaylistParser("a.M3U", "x"), &parseM3u);
    EXPECT_EQ(choosePlaylistParser("a.m3u8", "x"), &parseM3u);
    EXPECT_EQ(choosePlaylistParser("a.pls", "x"), &parsePls);
    EXPECT_EQ(choosePlaylistParser("a.xspf", "x"), &parseXspf);
    EXPECT_EQ(choosePlaylistParser("a.wpl", "x"), &parseSmil);
    // Both kinds of ZPL.
    EXPECT_EQ(choosePlaylistParser("a.zpl", "<?zpl version=\"2.0\"?>\n<smil>"), &parseSmil);
    EXPECT_EQ(choosePlaylistParser("a.zpl", "NM=a.mp3\nBR!\n"), &parseZplTags);
    EXPECT_EQ(choosePlaylistParser("a.zpl", ""), &parseZplTags);
    // Unknown extensions: the content tells, or nothing does.
    EXPECT_EQ(choosePlaylistParser("a.txt", "  #EXTM3U\n"), &parseM3u);
    EXPECT_EQ(choosePlaylistParser("a", "[Playlist]\nFile1=a"), &parsePls);
    EXPECT_EQ(choosePlaylistParser("a.xml", "<?xml?><playlist xmlns=\"http://xspf.org/ns/0/\">"),
              &parseXspf);
    EXPECT_EQ(choosePlaylistParser("a.mp3", "ID3\x04"), nullptr);
    EXPECT_TRUE(hasPlaylistExtension("/x/Mix.Xspf"));
    EXPECT_FALSE(hasPlaylistExtension("/x/song.mp3"));
}
