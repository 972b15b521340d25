#include "library/playlists/PlaylistFormats.h"

namespace corvane::library {
namespace {

// The value of a command: the quoted text, else the rest of the line.
QString cueValue(QStringView rest) {
    rest = rest.trimmed();
    if (rest.startsWith(u'"')) {
        rest = rest.sliced(1);
        const qsizetype quote = rest.indexOf(u'"');
        return statedText(quote < 0 ? rest : rest.first(quote));
    }
    return statedText(rest);
}

// "FILE "name.flac" WAVE": the name, quoted or not (the file's type follows it).
QString cueFileName(QStringView rest) {
    rest = rest.trimmed();
    if (rest.startsWith(u'"')) {
        return cueValue(rest);
    }
    const qsizetype space = rest.lastIndexOf(u' ');
    return (space > 0 ? rest.first(space) : rest).trimmed().toString();
}

// "mm:ss:ff", 75 frames a second; negative when it is none.
double cueTime(QStringView text) {
    const QList<QStringView> parts = text.trimmed().split(u':');
    if (parts.size() != 3) {
        return -1;
    }
    int values[3] = {};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        values[i] = parts[i].toInt(&ok);
        if (!ok || values[i] < 0) {
            return -1;
        }
    }
    return values[0] * 60.0 + values[1] + values[2] / 75.0;
}

struct Track {
    int number = 0;
    bool audio = true;
    QString file; // as its FILE line names it, the one in force at its INDEX 01
    PlaylistEntry entry;
};

std::vector<Track> readTracks(const QString& text, PlaylistEntry& sheet, QString& title) {
    std::vector<Track> tracks;
    QString file;
    for (QStringView line : playlistLines(text)) {
        line = line.trimmed();
        const qsizetype space = line.indexOf(u' ');
        const QStringView command = space < 0 ? line : line.first(space);
        const QStringView rest = space < 0 ? QStringView() : line.sliced(space + 1).trimmed();
        PlaylistEntry& of = tracks.empty() ? sheet : tracks.back().entry;
        const auto is = [&](QStringView name) {
            return command.compare(name, Qt::CaseInsensitive) == 0;
        };
        if (is(u"FILE")) {
            file = cueFileName(rest);
        } else if (is(u"TRACK")) {
            Track track;
            const QList<QStringView> words = rest.split(u' ', Qt::SkipEmptyParts);
            track.number = words.isEmpty() ? 0 : words.front().toInt();
            track.audio = words.size() < 2 || words[1].compare(u"AUDIO", Qt::CaseInsensitive) == 0;
            track.file = file;
            tracks.push_back(std::move(track));
        } else if (is(u"INDEX") && !tracks.empty()) {
            const QList<QStringView> words = rest.split(u' ', Qt::SkipEmptyParts);
            if (words.size() == 2 && words[0].toInt() == 1) {
                of.start = cueTime(words[1]);
                tracks.back().file = file;
            }
        } else if (is(u"TITLE")) {
            (tracks.empty() ? title : of.title) = cueValue(rest);
        } else if (is(u"PERFORMER")) {
            of.artist = cueValue(rest);
        } else if (is(u"REM")) {
            const qsizetype at = rest.indexOf(u' ');
            const QStringView key = at < 0 ? rest : rest.first(at);
            const QString value = at < 0 ? QString() : cueValue(rest.sliced(at + 1));
            if (key.compare(u"GENRE", Qt::CaseInsensitive) == 0) {
                of.genre = value;
            } else if (key.compare(u"DATE", Qt::CaseInsensitive) == 0) {
                of.date = value;
            }
        }
    }
    return tracks;
}

// Each audio track as an entry: the sheet's performer, title (as album), genre and date where
// the track gives none, and its length up to the next track in the same file.
ParsedPlaylist cueEntries(const QString& text, const QString& baseFolder, const QString* only) {
    ParsedPlaylist playlist;
    PlaylistEntry sheet;
    std::vector<Track> tracks = readTracks(text, sheet, playlist.title);
    QStringList withoutFile, withoutIndex, outOfOrder;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        Track& track = tracks[i];
        PlaylistEntry& entry = track.entry;
        if (!track.audio) {
            continue; // a data track: no song
        }
        const QString number = QString::number(track.number);
        if (track.file.isEmpty() && !only) {
            withoutFile.push_back(number);
            continue;
        }
        if (entry.start < 0) {
            withoutIndex.push_back(number);
            continue;
        }
        entry.location = only ? *only : entryLocation(track.file, baseFolder);
        if (entry.location.isEmpty()) {
            withoutFile.push_back(number);
            continue;
        }
        entry.artist = entry.artist.isEmpty() ? sheet.artist : entry.artist;
        entry.album = playlist.title;
        entry.genre = entry.genre.isEmpty() ? sheet.genre : entry.genre;
        entry.date = entry.date.isEmpty() ? sheet.date : entry.date;
        // The next track with a start, of any kind (a data track too), ends this one.
        const auto next =
            std::find_if(tracks.begin() + static_cast<std::ptrdiff_t>(i) + 1, tracks.end(),
                         [](const Track& t) { return t.entry.start >= 0; });
        if (next == tracks.end() || (!only && next->file != track.file)) {
            entry.toFileEnd = true;
        } else if (next->entry.start > entry.start) {
            entry.length = next->entry.start - entry.start;
        } else {
            outOfOrder.push_back(number);
        }
        playlist.entries.push_back(std::move(entry));
    }
    const auto note = [&](const QStringList& numbers, const char* what) {
        if (!numbers.isEmpty()) {
            playlist.notes.push_back(
                QStringLiteral("track %1: %2")
                    .arg(numbers.join(QStringLiteral(", ")), QLatin1StringView(what)));
        }
    };
    note(withoutFile, "no FILE names its audio file, left out");
    note(withoutIndex, "no INDEX 01 says where it starts, left out");
    note(outOfOrder, "the next track starts before it, its length is unknown");
    return playlist;
}

} // namespace

// FILE "a.flac" WAVE / TRACK 01 AUDIO / TITLE, PERFORMER / INDEX 01 00:00:00, the sheet's own
// TITLE, PERFORMER and REM GENRE, REM DATE before its first TRACK; several FILE blocks may follow
// each other. Data tracks (MODE1/2352...) are no songs.
ParsedPlaylist parseCue(const QByteArray& bytes, const QString& baseFolder) {
    return cueEntries(decodePlaylistText(bytes), baseFolder, nullptr);
}

ParsedPlaylist parseEmbeddedCue(const QString& sheet, const QString& audioFile) {
    return cueEntries(sheet, {}, &audioFile);
}

} // namespace corvane::library
