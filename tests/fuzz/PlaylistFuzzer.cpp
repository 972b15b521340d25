#include "FuzzSupport.h"
#include "library/playlists/PlaylistFormats.h"

#include <cmath>

// One playlist parser on the input as a file's bytes: CORVANE_FUZZ_PARSER names it, or, without
// it, the parser that choosePlaylistParser picks for a name whose extension the first byte
// chooses.
using namespace corvane;
using namespace corvane::library;

namespace {

PlaylistParser parserFor(QByteArray& bytes) {
#ifdef CORVANE_FUZZ_PARSER
    (void)bytes;
    return CORVANE_FUZZ_PARSER;
#else
    static const char* const names[] = {"a.m3u", "a.M3U8", "a.pls",     "a.xspf", "a.wpl", "a.zpl",
                                        "a.txt", "a",      "a.m3u.zpl", "a.asx",  "a.WAX", "a.wvx",
                                        "a.b4s", "a.smil", "a.ram",     "a.qtl",  "a.cue", "a.mov"};
    if (bytes.isEmpty()) {
        return nullptr;
    }
    const char* name = names[static_cast<unsigned char>(bytes[0]) % std::size(names)];
    bytes.remove(0, 1);
    return choosePlaylistParser(QString::fromLatin1(name), bytes);
#endif
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes = fuzz::bytesOf(data, size);
    const PlaylistParser parse = parserFor(bytes);
    if (parse == nullptr) {
        return 0;
    }
    const ParsedPlaylist playlist = parse(bytes, QStringLiteral("/music/lists"));
    for (const PlaylistEntry& entry : playlist.entries) {
        // Every location is an absolute path (a drive letter or UNC form for Windows) or a URL.
        const QString& at = entry.location;
        fuzz::require(at.startsWith(u'/') || hasDriveLetter(at) || isStreamLocation(at),
                      "an entry's location is absolute or a URL");
        fuzz::require(entry.length == -1 || (entry.length > 0 && std::isfinite(entry.length)),
                      "a stated length is a number, above 0 or none");
        fuzz::require(!entry.toFileEnd || entry.start >= 0, "a track to the file's end starts");
    }
    fuzz::require(playlist.leftOut.isEmpty() || playlist.entries.empty(),
                  "a file left out has no entries");
    return 0;
}
