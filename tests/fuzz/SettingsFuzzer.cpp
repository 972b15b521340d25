#include "FuzzSupport.h"
#include "views/DisplaySettingsFile.h"

// The display settings file's reader on the input as the file's bytes.
using namespace corvane;
using namespace corvane::views;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QString error;
    const auto configuration = DisplaySettingsFile::parse(fuzz::bytesOf(data, size), &error);
    if (!configuration) {
        fuzz::require(!error.isEmpty() && !error.contains(u'\n') && !error.contains(u'\r'),
                      "a refused file is told in one line");
        return 0;
    }
    fuzz::require(configuration->problem().isEmpty(), "an accepted file is sound");
    QString again;
    fuzz::require(DisplaySettingsFile::parse(DisplaySettingsFile::serialize(*configuration),
                                             &again) == configuration,
                  "an accepted file is saved as it was read");
    return 0;
}
