// library/demo/: the demo library and the tagged audio files it, the tests and the benchmarks are
// made of. Uses nothing else of the library.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

// Writes small but real audio files of silence, tagged with TagLib: the demo library, the
// benchmark's library and the tests' songs are made with it.
namespace corvane::library::demo {

struct Popularimeter {
    QString email;
    int rating = 0; // the byte, 0-255
};

struct SongTags {
    QString title;
    QString artist;
    QString album;
    QString genre;
    QString date; // "2004" or a full date, "2004-06-15"
    // MP3: POPM frames, in this order.
    QList<Popularimeter> popularimeters;
    // FLAC, Ogg Vorbis, Opus: further Xiph comment fields ("FMPS_RATING", "RATING"); MP3: TXXX
    // frames.
    QList<QPair<QString, QString>> fields;
};

// A mono FLAC file (8 kHz, 16 bits) of `seconds` of silence: a few kilobytes even for an hour.
bool writeSilentFlac(const QString& path, double seconds);
// An MP3 file (MPEG-2 layer III, 16 kHz mono, 8 kbit/s) of `seconds` of silence, about one
// kilobyte a second.
bool writeSilentMp3(const QString& path, double seconds);
// A WAV file (8 kHz mono, 16-bit PCM) of `seconds` of silence, untagged.
bool writeSilentWav(const QString& path, double seconds);
// An Ogg Vorbis file (8 kHz mono) of `seconds` of silence, encoded by libvorbis.
bool writeSilentVorbis(const QString& path, double seconds);
// An Ogg Opus file (mono) of `seconds` of silence.
bool writeSilentOpus(const QString& path, double seconds);
// Writes the tags into an existing FLAC, MP3, Ogg Vorbis (.ogg) or Opus file (by its extension).
bool writeTags(const QString& path, const SongTags& tags);
// The writeSilent... for the extension (flac, mp3, ogg, opus), then writeTags.
bool writeSong(const QString& path, double seconds, const SongTags& tags);

} // namespace corvane::library::demo
