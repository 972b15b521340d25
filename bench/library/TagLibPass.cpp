// The yardstick of a first listing: a bare one-thread TagLib pass over a playlist's files. Each
// file named by the M3U playlist given (one absolute path a line) is opened with TagLib::FileRef,
// its tag and length read, and one line printed for it.
#include <cstdio>
#include <fileref.h>
#include <fstream>
#include <string>
#include <tag.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_taglib_pass PLAYLIST.m3u8\n");
        return 2;
    }
    std::ifstream playlist(argv[1]);
    if (!playlist) {
        std::fprintf(stderr, "bench_taglib_pass: cannot read %s\n", argv[1]);
        return 2;
    }
    int songs = 0;
    for (std::string path; std::getline(playlist, path);) {
        if (path.empty() || path[0] == '#') {
            continue;
        }
        const TagLib::FileRef file(path.c_str());
        if (file.isNull() || !file.tag()) {
            std::fprintf(stderr, "bench_taglib_pass: cannot read %s\n", path.c_str());
            return 1;
        }
        const TagLib::Tag* tag = file.tag();
        const int milliseconds =
            file.audioProperties() ? file.audioProperties()->lengthInMilliseconds() : 0;
        std::printf("%s\t%s\t%s\t%s\t%u\t%d\n", tag->title().toCString(true),
                    tag->artist().toCString(true), tag->album().toCString(true),
                    tag->genre().toCString(true), tag->year(), milliseconds);
        ++songs;
    }
    return songs > 0 ? 0 : 1;
}
