// Writes the demo library: about a hundred tagged songs of silence and a handful of playlists
// in the formats the players leave behind. Usage: corvane_make_demo OUTPUT_FOLDER
#include "library/demo/AudioWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <QUrl>
#include <QXmlStreamWriter>
#include <cstdio>
#include <vector>

namespace {

using corvane::library::demo::SongTags;

struct Album {
    QString artist;
    QString title; // empty: singles without album, year or genre
    QString genre;
    QString date;
    QString extension;
    QStringList tracks;
};

struct Song {
    QString path; // relative to the library folder
    QString artist;
    QString title;
    int seconds = 0;
};

std::vector<Album> catalogue() {
    return {
        {"The Lantern Keepers",
         "Harbour of Small Lights",
         "Folk",
         "2004-06-15",
         "flac",
         {"Salt on the Window", "Everything I Borrowed From the Tide", "Rope and Tallow",
          "North Pier", "Keeper's Lullaby", "The Fog Bell Waltz", "Gulls Over Harrow Point",
          "Small Lights", "Driftwood Chair", "Last Ferry Home"}},
        {"the quiet arithmetic",
         "Long Division",
         "Electronic",
         "2011",
         "mp3",
         {"Carry the One", "Remainder", "Prime Suspect", "Zero Sum", "Fractions of a Second",
          "Square Root of Rain", "Approximately Tuesday", "Long Division", "Null Set",
          "Integer Overflow"}},
        {"Zoë Brévard",
         "Chansons du Quai",
         "Chanson",
         "1998-03-02",
         "flac",
         {"Café à l'aube", "Les Péniches", "Mémoire d'été", "Rue des Écluses", "Naïve",
          "Déjà la nuit", "Bleu Cérulé", "Où vont les mouettes", "Fenêtre ouverte",
          "Adieu, Quai Sainte-Anne"}},
        {"青い森の楽団",
         "夜明けの地図",
         "J-Pop",
         "2016-09-21",
         "mp3",
         {"夜明けの地図", "風の通り道", "星を数えて", "雨上がりの駅", "青い森", "遠い灯り",
          "紙飛行機", "月の階段", "さよなら夏祭り", "ふたたび"}},
        {"Orquesta Añil",
         "Noches de Añil",
         "Latin",
         "2008",
         "flac",
         {"Mañana Será", "Corazón de Añil", "La Niña del Puerto", "Ojalá", "Canción Pequeña",
          "Bailando Sola", "El Último Tranvía", "Señales", "Noches de Añil", "Sueño de Papel"}},
        {"Harbor Lights Trio",
         "Blue Hour Sessions",
         "Jazz",
         "1987",
         "flac",
         {"Blue Hour", "Walking Bass for Marguerite", "Nocturne for an Empty Dance Hall (Extended)",
          "Brushes", "Smoke Rings", "A Lighthouse Keeper's Second Letter", "Late Set",
          "Minor Detour", "Half Past Three", "Goodnight, Harbor"}},
        {"Nordlys Kvartett",
         "Vinterlys",
         "Classical",
         "2019-12-01",
         "flac",
         {"Vinterlys I: Morgen", "Vinterlys II: Snø", "Vinterlys III: Fjord", "Vinterlys IV: Kveld",
          "Aurora Study", "Polar Night Sarabande", "Sølvfjell", "Isbre", "Frost Pastorale",
          "Lys i Mørket"}},
        {"Mira Okonkwo",
         "Paper Satellites",
         "Rock",
         "2013",
         "mp3",
         {"Paper Satellites", "Gravity Is a Rumour", "Orbit", "Static Heart", "Launch Window",
          "Cardboard Rocket", "Houston, I Think We're Fine", "Re-entry", "Splashdown",
          "Ground Control Blues"}},
        {"DJ Kettle",
         "Steam & Static",
         "Alternative",
         "2021",
         "mp3",
         {"Whistle", "Boil Over", "Steam & Static", "Pressure Valve", "Copper Bottom",
          "Earl Grey Skies", "Loose Leaf", "Two Sugars", "Infuse", "Cold Brew Epilogue"}},
        {"Pip Calloway",
         {},
         {},
         {},
         "mp3",
         {"Demo Tape #1", "Untitled Sketch", "Song for Nobody in Particular", "Kitchen Radio",
          "Lo-Fi Morning", "Bedroom Take", "Voice Memo 14", "Hum", "Pocket Tune", "Goodbye Song"}},
    };
}

QString fileNameFor(int track, const QString& title, const QString& extension) {
    QString safe = title;
    for (const QChar c : {u'/', u'\\', u':', u'?', u'*', u'"', u'<', u'>', u'|', u'#'}) {
        safe.replace(c, u'_');
    }
    return QStringLiteral("%1 %2.%3").arg(track, 2, 10, QLatin1Char('0')).arg(safe, extension);
}

bool writeSongs(const QString& root, std::vector<Song>& songs) {
    const std::vector<Album> albums = catalogue();
    for (std::size_t a = 0; a < albums.size(); ++a) {
        const Album& album = albums[a];
        const QString folder =
            QStringLiteral("Music/%1/%2")
                .arg(album.artist, album.title.isEmpty() ? QStringLiteral("Singles") : album.title);
        QDir(root).mkpath(folder);
        for (int t = 0; t < album.tracks.size(); ++t) {
            const int index = static_cast<int>(a) * 10 + t;
            Song song{folder + u'/' + fileNameFor(t + 1, album.tracks[t], album.extension),
                      album.artist, album.tracks[t], 120 + (index * 37 + t * 53) % 211};
            if (album.tracks[t].contains(u"Extended")) {
                song.seconds = 642; // over ten minutes
            }
            SongTags tags{album.tracks[t], album.artist, album.title, album.genre,
                          album.date,      {},           {}};
            const int stars = (index * 7 + 3) % 6; // 0: unrated
            constexpr int PopmBytes[] = {0, 1, 64, 128, 196, 255};
            if (stars > 0 && album.extension == u"mp3") {
                tags.popularimeters.push_back(
                    {QStringLiteral("Windows Media Player 9 Series"), PopmBytes[stars]});
            } else if (stars > 0 && album.genre == u"Classical") {
                tags.fields.push_back({QStringLiteral("RATING"), QString::number(stars * 20)});
            } else if (stars > 0) {
                tags.fields.push_back(
                    {QStringLiteral("FMPS_RATING"), QString::number(stars / 5.0, 'f', 1)});
            }
            if (!corvane::library::demo::writeSong(root + u'/' + song.path, song.seconds, tags)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(song.path));
                return false;
            }
            songs.push_back(song);
        }
    }
    return true;
}

bool writeText(const QString& path, const QString& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0;
}

// M3U with #EXTINF lines and Windows paths, CR LF line ends, as a Windows player writes it.
bool writeM3u(const QString& path, const QString& title, const std::vector<Song>& songs,
              bool windowsStyle) {
    QString text = QStringLiteral("#EXTM3U\n");
    if (!title.isEmpty()) {
        text += QStringLiteral("#PLAYLIST:%1\n").arg(title);
    }
    for (const Song& song : songs) {
        text +=
            QStringLiteral("#EXTINF:%1,%2 - %3\n").arg(song.seconds).arg(song.artist, song.title);
        text += windowsStyle ? QStringLiteral("..\\") + QString(song.path).replace(u'/', u'\\')
                             : QStringLiteral("../") + song.path;
        text += u'\n';
    }
    if (windowsStyle) {
        text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    }
    return writeText(path, text);
}

bool writeWpl(const QString& path, const QString& title, const std::vector<Song>& songs) {
    QString text;
    QXmlStreamWriter xml(&text);
    xml.setAutoFormatting(true);
    xml.writeProcessingInstruction(QStringLiteral("wpl"), QStringLiteral("version=\"1.0\""));
    xml.writeStartElement(QStringLiteral("smil"));
    xml.writeStartElement(QStringLiteral("head"));
    xml.writeEmptyElement(QStringLiteral("meta"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("ItemCount"));
    xml.writeAttribute(QStringLiteral("content"), QString::number(songs.size()));
    xml.writeTextElement(QStringLiteral("title"), title);
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("body"));
    xml.writeStartElement(QStringLiteral("seq"));
    for (const Song& song : songs) {
        xml.writeEmptyElement(QStringLiteral("media"));
        xml.writeAttribute(QStringLiteral("src"),
                           QStringLiteral("..\\") + QString(song.path).replace(u'/', u'\\'));
    }
    xml.writeEndDocument();
    return writeText(path, text);
}

bool writeXspf(const QString& path, const QString& title, const std::vector<Song>& songs) {
    QString text;
    QXmlStreamWriter xml(&text);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("playlist"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("xmlns"), QStringLiteral("http://xspf.org/ns/0/"));
    xml.writeTextElement(QStringLiteral("title"), title);
    xml.writeStartElement(QStringLiteral("trackList"));
    for (const Song& song : songs) {
        xml.writeStartElement(QStringLiteral("track"));
        xml.writeTextElement(
            QStringLiteral("location"),
            QString::fromLatin1(QUrl::toPercentEncoding(QStringLiteral("../") + song.path, "/")));
        xml.writeTextElement(QStringLiteral("title"), song.title);
        xml.writeEndElement();
    }
    xml.writeEndDocument();
    return writeText(path, text);
}

std::vector<Song> pick(const std::vector<Song>& songs, std::size_t first, std::size_t step,
                       std::size_t count) {
    std::vector<Song> picked;
    for (std::size_t i = first; i < songs.size() && picked.size() < count; i += step) {
        picked.push_back(songs[i]);
    }
    return picked;
}

bool writePlaylists(const QString& root, const std::vector<Song>& songs) {
    const QString folder = root + QStringLiteral("/Playlists");
    QDir().mkpath(folder);
    const auto byArtist = [&](const QString& artist) {
        std::vector<Song> found;
        std::copy_if(songs.begin(), songs.end(), std::back_inserter(found),
                     [&](const Song& s) { return s.artist == artist; });
        return found;
    };
    std::vector<Song> cafe = byArtist(QStringLiteral("Zoë Brévard"));
    for (const Song& s : byArtist(QStringLiteral("Harbor Lights Trio"))) {
        cafe.push_back(s);
    }
    std::vector<Song> night = byArtist(QStringLiteral("青い森の楽団"));
    for (const Song& s : pick(songs, 10, 10, 6)) {
        night.push_back(s);
    }
    const QString radio = QStringLiteral(
        "[playlist]\nFile1=http://radio.example.invalid/jazz.mp3\nTitle1=Example Jazz Radio\n"
        "File2=../Music/Pip Calloway/Singles/99 Lost Song.mp3\nTitle2=A Song Since Deleted\n"
        "NumberOfEntries=2\nVersion=2\n");
    return writeM3u(folder + QStringLiteral("/Road Trip Mix.m3u"), QStringLiteral("Road Trip Mix"),
                    pick(songs, 3, 4, 25), true) &&
           writeWpl(folder + QStringLiteral("/Café Classics.wpl"), QStringLiteral("Café Classics"),
                    cafe) &&
           writeXspf(folder + QStringLiteral("/夜のドライブ.xspf"), QStringLiteral("夜のドライブ"),
                     night) &&
           writeM3u(folder + QStringLiteral("/Everything.m3u8"), {}, songs, false) &&
           writeM3u(folder + QStringLiteral("/Mix 2.m3u"), {}, pick(songs, 1, 13, 8), false) &&
           writeM3u(folder + QStringLiteral("/Mix 10.m3u"), {}, pick(songs, 5, 11, 8), false) &&
           writeM3u(folder + QStringLiteral("/One Song Wonder.m3u"), {}, pick(songs, 42, 1, 1),
                    true) &&
           writeXspf(folder + QStringLiteral("/Nothing Yet.xspf"), QStringLiteral("Nothing Yet"),
                     {}) &&
           writeText(folder + QStringLiteral("/Radio and Lost Songs.pls"), radio);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane_make_demo OUTPUT_FOLDER\n");
        return 2;
    }
    // Build beside the target and swap it in whole, so that an interrupted run never leaves a
    // half-written library where the program looks for it.
    const QString target = QDir::cleanPath(QString::fromLocal8Bit(argv[1]));
    const QString building = target + QStringLiteral(".part");
    QDir(building).removeRecursively();
    std::vector<Song> songs;
    if (!QDir().mkpath(building) || !writeSongs(building, songs) ||
        !writePlaylists(building, songs)) {
        std::fprintf(stderr, "cannot write the demo library in %s\n", qPrintable(building));
        return 1;
    }
    QDir(target).removeRecursively();
    if (!QDir().rename(building, target)) {
        std::fprintf(stderr, "cannot move %s to %s\n", qPrintable(building), qPrintable(target));
        return 1;
    }
    return 0;
}
