#include "../library/mpd/ScriptedMpdServer.h"
#include "FuzzSupport.h"
#include "library/mpd/MpdLibrary.h"

#include <QRegularExpression>
#include <QTemporaryDir>

// The MPD backend against a server whose answers are the input: after its greeting, the server
// gives each command in turn the next part of the input (parts are separated by a line "--"),
// then "OK". It never waits, so a run ends as soon as the answers do. The backend lists the
// playlists and every song of the first few, as the views ask for them.
using namespace corvane;
using namespace corvane::library;

namespace {

const QRegularExpression Clock(QStringLiteral("^\\d\\d+:\\d\\d$"));

void requireShown(const MediaItem& song) {
    const QString clock = song.durationString();
    fuzz::require(clock.isEmpty() || (Clock.match(clock).hasMatch() && clock.size() <= 8),
                  "a time is mm:ss of a song's length, or none");
    fuzz::require(song.name().size() <= MaxOutsideText, "a title is bounded");
    for (const QString& attribute : {attribute::Artist, attribute::Album, attribute::Genre}) {
        fuzz::require(song.getItemInfo(attribute).size() <= MaxOutsideText,
                      "a text from outside is bounded");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = fuzz::bytesOf(data, size);
    QList<QByteArray> answers;
    for (qsizetype from = 0; from <= bytes.size();) {
        qsizetype at = bytes.indexOf("\n--\n", from);
        if (at < 0) {
            at = bytes.size();
        }
        answers.push_back(bytes.sliced(from, at - from) + (at < bytes.size() ? "\n" : ""));
        from = at + 4;
    }
    const QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("mpd"));
    // The backend connects again, once, when a connection is dropped.
    qsizetype next = 0;
    const ScriptedMpdServer server(
        socket, "OK MPD 0.23.5\n",
        [&](const QByteArray&) {
            return next < answers.size() ? answers[next++] : QByteArray("OK\n");
        },
        2);
    try {
        const MpdLibrary library(MpdAddress{{{socket, 0}}, {}}, 1,
                                 MpdLibrary::Bounds{1, 2000, 200, nullptr});
        const PlaylistArray all = library.getAll();
        for (int p = 0; p < std::min(all.count(), 3); ++p) {
            const QString name = all.item(p)->name();
            fuzz::require(name.size() <= MaxOutsideText, "a playlist's name is bounded");
            const PlaylistArray found = library.getByName(name);
            for (int f = 0; f < found.count(); ++f) {
                const auto playlist = found.item(f);
                for (int i = 0; i < playlist->count(); ++i) {
                    requireShown(*playlist->item(i));
                }
            }
        }
    } catch (const LibraryError& e) {
        const QString said = QString::fromUtf8(e.what());
        fuzz::require(said.startsWith(u"MPD at ") && !said.contains(u'\n'),
                      "a failure is one line naming the server");
    }
    return 0;
}
