#include "FuzzSupport.h"
#include "library/songs/SongFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// The song-file reader (TagLib behind our wrapper) on the input as an audio file's bytes. The
// reader takes a path: the input is written to a file whose extension the first byte chooses
// (the extension picks TagLib's class; content decides for an unknown one).
using namespace corvane;
using namespace corvane::library;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const char* const extensions[] = {
        "mp3", "mp2", "flac", "ogg",  "oga", "opus", "spx", "m4a", "m4b", "mp4", "wma",
        "asf", "wav", "aif",  "aiff", "ape", "mpc",  "wv",  "tta", "bin", "",
    };
    static const QTemporaryDir folder;
    if (size == 0 || !folder.isValid()) {
        return 0;
    }
    const char* extension = extensions[data[0] % std::size(extensions)];
    const QString path = folder.filePath(QStringLiteral("song.") + QLatin1String(extension));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(fuzz::bytesOf(data + 1, size - 1)) != static_cast<qint64>(size - 1)) {
            return 0;
        }
    }
    const SongRead read = readSongFile(path);
    fuzz::require(read.regularFile, "a regular file is read");
    fuzz::require(read.info.seconds >= 0.0, "a length is not negative");
    fuzz::require(read.info.rating >= 0 && read.info.rating <= 99, "a rating is from 0 to 99");
    QFile::remove(path);
    return 0;
}
