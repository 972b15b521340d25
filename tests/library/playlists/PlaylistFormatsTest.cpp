#include "library/playlists/PlaylistFormats.h"

#include "LibraryTestSupport.h"

#include <gtest/gtest.h>

using namespace corvane::library;

namespace {

const QString Base = QStringLiteral("/music/lists");

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

// An entry as one line: its location, then what the playlist states of it.
QString described(const PlaylistEntry& e) {
    QStringList parts{e.location};
    const std::pair<const char*, QString> texts[] = {{"title", e.title},
                                                     {"artist", e.artist},
                                                     {"album", e.album},
                                                     {"genre", e.genre},
                                                     {"date", e.date}};
    for (const auto& [what, text] : texts) {
        if (!text.isEmpty()) {
            parts.push_back(QStringLiteral("%1=%2").arg(QLatin1StringView(what), text));
        }
    }
    if (e.length >= 0) {
        parts.push_back(QStringLiteral("length=%1").arg(e.length));
    }
    if (e.start >= 0) {
        parts.push_back(QStringLiteral("start=%1").arg(e.start));
    }
    const std::pair<const char*, bool> flags[] = {
        {"split", e.titleSplit}, {"playlist", e.playlist}, {"to-end", e.toFileEnd}};
    for (const auto& [what, set] : flags) {
        if (set) {
            parts.push_back(QLatin1StringView(what));
        }
    }
    return parts.join(u' ');
}

QStringList described(const ParsedPlaylist& playlist) {
    QStringList result;
    for (const PlaylistEntry& entry : playlist.entries) {
        result.push_back(described(entry));
    }
    return result;
}

struct FormatCase {
    const char* what;
    PlaylistParser parse;
    QByteArray bytes;
    QString title;
    QStringList entries; // as described()
    QStringList notes{};
    QString leftOut{};
};

void expectParsed(const FormatCase& c) {
    const ParsedPlaylist playlist = c.parse(c.bytes, Base);
    EXPECT_EQ(playlist.title, c.title) << c.what;
    EXPECT_EQ(described(playlist), c.entries) << c.what;
    EXPECT_EQ(playlist.notes, c.notes) << c.what;
    EXPECT_EQ(playlist.leftOut, c.leftOut) << c.what;
}

} // namespace

// Each parser on what players write: the playlist's title, then each entry's location and what
// the playlist states of it.
TEST(PlaylistFormats, EachParserOnWhatPlayersWrite) {
    const FormatCase cases[] = {
        // What #EXTINF states belongs to the entry right after it only; "Artist - Title" is split.
        {"m3u",
         parseM3u,
         "\xEF\xBB\xBF#EXTM3U\r\n#PLAYLIST:Road Trip\r\n#EXTINF:225,Ann - First\r\nfirst.mp3\n"
         "# a comment\n\n..\\Music\\second.flac\n#EXTINF:-1 tvg-name=\"a,b\",Live, Radio\n"
         "http://radio.example/"
         "live\n#EXTINF:0,\nthird.mp3\n#EXTINF:12.5,Don\xC2\x92t\nfourth.mp3\n",
         "Road Trip",
         {"/music/lists/first.mp3 title=First artist=Ann length=225 split",
          "/music/Music/second.flac", "http://radio.example/live title=Live, Radio",
          "/music/lists/third.mp3", "/music/lists/fourth.mp3 title=Don\u2019t length=12.5"}},
        {"m3u junk: a runaway line, control characters",
         parseM3u,
         "good.mp3\n" + QByteArray(200000, 'x') + QByteArray("\0\1\2\n", 4) + "also good.mp3\n",
         {},
         {"/music/lists/good.mp3", "/music/lists/also good.mp3"}},
        {"hls media playlist",
         parseM3u,
         "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:10\n#EXTINF:9.97,\nsegment0.ts\n"
         "#EXTINF:9.97,\nsegment1.ts\n#EXT-X-ENDLIST\n",
         {},
         {},
         {},
         "an HLS stream's playlist, not a list of songs"},
        {"hls master playlist",
         parseM3u,
         "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1280000\nhttp://cdn.example/low.m3u8\n",
         {},
         {},
         {},
         "an HLS stream's playlist, not a list of songs"},
        {"pls: numbered order, malformed lines skipped, -1 no length",
         parsePls,
         "[playlist]\r\nTitle2=Second\r\nFile2=b.mp3\r\nfile1=C:\\Music\\a.mp3\r\nTitle1=First\r\n"
         "Length1=123\r\nLength2=-1\r\nFileX=bad.mp3\r\nFile=bad.mp3\r\n=x\r\nTitle3=No file\r\n"
         "File10=http://radio.example/x\r\nLength10=abc\r\nNumberOfEntries=3\r\nVersion=2\r\n",
         {},
         {"C:/Music/a.mp3 title=First length=123", "/music/lists/b.mp3 title=Second",
          "http://radio.example/x"}},
        {"xspf",
         parseXspf,
         R"(<?xml version="1.0" encoding="UTF-8"?>
<playlist version="1" xmlns="http://xspf.org/ns/0/">
  <title>Night Drive</title>
  <trackList>
    <track><location>file:///srv/My%20Music/a.flac</location><title>A</title>
      <creator>Ann</creator><album>Tour</album><duration>60000</duration></track>
    <track><location>Artist%20Name/b.mp3</location><location>ignored.mp3</location></track>
    <track><title>No location</title></track>
    <track><location>http://radio.example/s</location></track>
    <track><location>..\Old\c.mp3</location></track>
  </trackList>
</playlist>)",
         "Night Drive",
         {"/srv/My Music/a.flac title=A artist=Ann album=Tour length=60",
          "/music/lists/Artist Name/b.mp3", "http://radio.example/s", "/music/Old/c.mp3"}},
        // Declared Latin-1 by a Windows program that wrote Windows-1252.
        {"xspf in windows-1252 declared latin-1",
         parseXspf,
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><playlist><trackList><track>"
         "<location>a.mp3</location><title>Don\x92t \x96 Stop</title></track></trackList>"
         "</playlist>",
         {},
         {"/music/lists/a.mp3 title=Don\u2019t \u2013 Stop"}},
        {"xspf xml:base",
         parseXspf,
         R"(<playlist xmlns="http://xspf.org/ns/0/" xml:base="file:///data/">
  <trackList xml:base="songs/">
    <track><location>a.mp3</location></track>
    <track xml:base="http://host.example/"><location>b.mp3</location></track>
  </trackList>
</playlist>)",
         {},
         {"/data/songs/a.mp3", "http://host.example/b.mp3"}},
        {"broken xspf",
         parseXspf,
         "<playlist><trackList><track><location>a.mp3</location><title>A</title></track>"
         "<track><location>b &amp; c.mp3</location></track><oops & </broken>"
         "<track><location>d.mp3</location></track>",
         {},
         {"/music/lists/a.mp3 title=A", "/music/lists/b & c.mp3", "/music/lists/d.mp3"}},
        {"wpl",
         parseSmil,
         "\xEF\xBB\xBF<?wpl version=\"1.0\"?>\r\n<smil>\r\n<head><meta name=\"Generator\" "
         "content=\"x\"/><title>Caf\xC3\xA9 Classics</title></head>\r\n<body><seq>\r\n"
         "<media src=\"..\\Music\\Rock &amp; Roll\\a.wma\" tid=\"{1}\"/>\r\n"
         "<media src=\"\\\\nas\\music\\b.mp3\" albumTitle=\"X\" trackTitle=\"Song B\" "
         "trackArtist=\"Ann\" duration=\"203000\"/>\r\n<media/>\r\n</seq></body></smil>\r\n",
         "Café Classics",
         {"/music/Music/Rock & Roll/a.wma",
          "//nas/music/b.mp3 title=Song B artist=Ann album=X length=203"}},
        {"smil: audio and media, the rest left out",
         parseSmil,
         "<smil><head><meta name=\"title\" content=\"x\"/></head><body><par>"
         "<audio src=\"rtsp://media.example/a.rm\" title=\"Intro\"/><img src=\"cover.jpg\"/>"
         "<video src=\"clip.rm\"/><media src=\"b.ogg\"/></par></body></smil>",
         {},
         {"rtsp://media.example/a.rm title=Intro", "/music/lists/b.ogg"},
         {"2 video, image or text elements left out: not songs"}},
        {"broken smil",
         parseSmil,
         "<smil><body><seq><media src=\"a.mp3\"/><media src=\"Tom & Jerry.mp3\"/>"
         "<audio src=\"c.mp3\"/>",
         {},
         {"/music/lists/a.mp3", "/music/lists/Tom & Jerry.mp3", "/music/lists/c.mp3"}},
        {"zpl tags",
         parseZplTags,
         "AC=a.mp3\r\nNM=a.mp3\r\nTT=First\r\nDR=60\r\nBR!\r\ntt=Second\r\n"
         "nm=C:\\Music\\b.mp3\r\nbr!\r\nNM=c.mp3\r\nNM=d.mp3\r\n",
         {},
         {"/music/lists/a.mp3 title=First", "C:/Music/b.mp3 title=Second", "/music/lists/c.mp3",
          "/music/lists/d.mp3"}},
        {"zpl tags in UTF-16",
         parseZplTags,
         QByteArray("\xFF\xFEN\0M\0=\0\x1C\x59.\0m\0p\0003\0\r\0\n\0B\0R\0!\0\r\0\n\0", 32),
         {},
         {"/music/lists/夜.mp3"}},
        // Windows Media, Winamp, Real and QuickTime links.
        {"asx as players write it",
         parseAsx,
         "<ASX version=\"3.0\">\r\n<Title>Morning</Title>\r\n<Entry>\r\n"
         "<Ref href=\"\\\\nas\\music\\a.wma\"/><Ref "
         "href=\"ignored.wma\"/>\r\n<Title>First</Title>\r\n"
         "<Author>Ann</Author>\r\n<Duration value=\"00:03:23.5\"/>\r\n</Entry>\r\n"
         "<entry><ref HREF=\"mms://radio.example/live\"/><title>Live</title></entry>\r\n"
         "<EntryRef href=\"more.asx\"/>\r\n</ASX>\r\n",
         "Morning",
         {"//nas/music/a.wma title=First artist=Ann length=203.5",
          "mms://radio.example/live title=Live", "/music/lists/more.asx playlist"}},
        // Bare "&", an HTML entity, unquoted values, elements never closed, an entry never ended.
        {"asx as people write it",
         parseAsx,
         "<asx version=3.0><title>Rock & Roll &eacute;</title>\n<entry><ref href=a.mp3>"
         "<title>Tom &amp; Jerry</title><duration value=\"3:05\"></entry>\n"
         "<entry><ref href='b.mp3'><author>Bob & Co</author>\n<entry><ref href=\"c.mp3\">",
         "Rock & Roll &eacute;",
         {"/music/lists/a.mp3 title=Tom & Jerry length=185", "/music/lists/b.mp3 artist=Bob & Co",
          "/music/lists/c.mp3"}},
        {"asx ini",
         parseAsx,
         "[Reference]\r\nRef2=http://media.example/b.asf?MSWMExt=.asf\r\nRef1=mms://media.example/"
         "a.asf\r\nRefX=bad\r\n",
         {},
         {"mms://media.example/a.asf", "http://media.example/b.asf?MSWMExt=.asf"}},
        {"b4s",
         parseB4s,
         "<?xml version=\"1.0\" encoding='UTF-8' standalone=\"yes\"?>\r\n<WinampXML>\r\n"
         "<!-- Generated by: Nullsoft Winamp3 version 3.0d -->\r\n"
         "<playlist num_entries=\"2\" label=\"Playlist 001\">\r\n"
         "<entry Playstring=\"file:C:\\Music\\a.mp3\">\r\n<Name>Ann - First</Name>\r\n"
         "<Length>203000</Length>\r\n</entry>\r\n<entry Playstring=\"http://radio.example/x\">"
         "<Name>Radio</Name></entry>\r\n</playlist>\r\n</WinampXML>\r\n",
         "Playlist 001",
         {"C:/Music/a.mp3 title=First artist=Ann length=203 split",
          "http://radio.example/x title=Radio"}},
        {"ram",
         parseRam,
         "# RealAudio\r\nrtsp://media.example/a.rm?title=\"First%20Song\"&author=\"Ann\"\r\n\r\n"
         "pnm://media.example/b.ra\r\n--stop--\r\nhttp://media.example/never.rm\r\n",
         {},
         {"rtsp://media.example/a.rm?title=\"First%20Song\"&author=\"Ann\" title=First Song "
          "artist=Ann",
          "pnm://media.example/b.ra"}},
        {"rtsptext",
         parseQuickTime,
         "RTSPtext\r\nrtsp://media.example/a.mov\r\n",
         {},
         {"rtsp://media.example/a.mov"}},
        {"qtl",
         parseQuickTime,
         "<?xml version=\"1.0\"?>\n<?quicktime type=\"application/x-quicktime-media-link\"?>\n"
         "<embed src=\"http://media.example/a.mp3\" autoplay=\"true\" moviename=\"First\"/>\n",
         {},
         {"http://media.example/a.mp3 title=First"}},
        // The sheet's performer, genre and date where a track gives none; a pregap; the last
        // track of each file lasts to its end; a data track ends the one before and is no song.
        {"cue with two files and a data track",
         parseCue,
         "\xEF\xBB\xBFREM GENRE \"Art Rock\"\r\nREM DATE 1977\r\nPERFORMER \"Ann\"\r\n"
         "TITLE \"Live at Home\"\r\nFILE \"Disc A.flac\" WAVE\r\n  TRACK 01 AUDIO\r\n"
         "    TITLE \"Intro\"\r\n    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n    TITLE "
         "\"Song\"\r\n"
         "    PERFORMER \"Bob\"\r\n    INDEX 00 03:20:00\r\n    INDEX 01 03:22:37\r\n"
         "  TRACK 03 MODE1/2352\r\n    INDEX 01 07:00:00\r\nFILE C:\\Rips\\b.ape WAVE\r\n"
         "  TRACK 04 AUDIO\r\n    TITLE Unquoted Title\r\n    REM DATE 1978\r\n"
         "    INDEX 01 00:00:00\r\n",
         "Live at Home",
         {"/music/lists/Disc A.flac title=Intro artist=Ann album=Live at Home genre=Art Rock "
          "date=1977 length=202.493 start=0",
          "/music/lists/Disc A.flac title=Song artist=Bob album=Live at Home genre=Art Rock "
          "date=1977 length=217.507 start=202.493",
          "C:/Rips/b.ape title=Unquoted Title artist=Ann album=Live at Home genre=Art Rock "
          "date=1978 start=0 to-end"}},
        {"cue in windows-1252 with indexes out of order",
         parseCue,
         "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"Caf\xE9\"\nINDEX 01 04:00:00\n"
         "TRACK 02 AUDIO\nINDEX 01 02:00:00\nTRACK 03 AUDIO\n",
         {},
         {"/music/lists/a.wav title=Café start=240", "/music/lists/a.wav start=120 to-end"},
         {"track 3: no INDEX 01 says where it starts, left out",
          "track 1: the next track starts before it, its length is unknown"}},
        {"cue without FILE",
         parseCue,
         "TITLE \"Lost\"\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 01:00:00\n",
         "Lost",
         {},
         {"track 1, 2: no FILE names its audio file, left out"}},
    };
    for (const FormatCase& c : cases) {
        expectParsed(c);
    }
    // Kept in a FLAC file: its tracks are in that file, whatever FILE says.
    const ParsedPlaylist embedded = parseEmbeddedCue(
        "FILE \"CDImage.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
        "INDEX 01 00:01:00\n",
        "/music/album.flac");
    EXPECT_EQ(described(embedded), QStringList({"/music/album.flac length=1 start=0",
                                                "/music/album.flac start=1 to-end"}));
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
    EXPECT_EQ(described(playlist),
              QStringList({Base + "/" + QString("a/").repeated(64) + "x.mp3"}));
    ASSERT_EQ(playlist.notes.size(), 1);
    EXPECT_TRUE(playlist.notes.front().contains("xml:base"));
}

TEST(PlaylistChoice, GoesByExtensionThenByContent) {
    const struct {
        const char* name;
        QByteArray head;
        PlaylistParser parser;
    } cases[] = {
        {"a.M3U", "x", parseM3u},
        {"a.m3u8", "x", parseM3u},
        {"a.pls", "x", parsePls},
        {"a.xspf", "x", parseXspf},
        {"a.wpl", "x", parseSmil},
        // Both kinds of ZPL.
        {"a.zpl", "<?zpl version=\"2.0\"?>\n<smil>", parseSmil},
        {"a.zpl", "NM=a.mp3\nBR!\n", parseZplTags},
        {"a.zpl", "", parseZplTags},
        {"a.WAX", "", parseAsx},
        {"a.wvx", "", parseAsx},
        {"a.b4s", "", parseB4s},
        {"a.smil", "", parseSmil},
        {"a.ram", "", parseRam},
        {"a.qtl", "", parseQuickTime},
        {"a.cue", "", parseCue},
        // Unknown extensions: the content tells, or nothing does.
        {"a.txt", "  #EXTM3U\n", parseM3u},
        {"a", "[Playlist]\nFile1=a", parsePls},
        {"a.xml", "<?xml?><playlist xmlns=\"http://xspf.org/ns/0/\">", parseXspf},
        {"a.mp3", "ID3\x04", nullptr},
        {"a", "\r\n<ASX version=\"3.0\">", parseAsx},
        {"a.asf", "[Reference]\r\nRef1=http://x/a.asf", parseAsx},
        {"a.xml", "<?xml version=\"1.0\"?><WinampXML>", parseB4s},
        {"a.mov", "RTSPtext rtsp://x/a.mov", parseQuickTime},
        {"a.txt", "REM DATE 1999\r\nFILE \"a.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n", parseCue},
        {"a.txt", "TITLE is a word\nand so is FILE\n", nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(choosePlaylistParser(c.name, c.head), c.parser)
            << c.name << " " << c.head.constData();
    }
    EXPECT_TRUE(hasPlaylistExtension("/x/Mix.Xspf"));
    EXPECT_TRUE(hasPlaylistExtension("/x/Album.CUE"));
    EXPECT_FALSE(hasPlaylistExtension("/x/song.mp3"));
}
