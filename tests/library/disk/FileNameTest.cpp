#include "library/disk/FileName.h"

#include "LibraryTestSupport.h"

#include <gtest/gtest.h>

using namespace corvane::library;

TEST(FileName, EveryByteRoundTripsAndValidUtf8ReadsAsText) {
    const QByteArray names[] = {
        "plain.mp3",
        "Caf\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x8E\xB8.m3u", // UTF-8, up to four bytes
        "Caf\xE9.m3u",                                   // Latin-1
        "\xFF\xFE\x80",                                  // never UTF-8
        "cut \xE6\x97",                                  // a sequence cut short
        "\xED\xB2\x80",                                  // an encoded surrogate
        "\xC0\xAF over long",
        "\xF4\x90\x80\x80 past U+10FFFF",
    };
    for (const QByteArray& bytes : names) {
        EXPECT_EQ(encodeFileName(decodeFileName(bytes)), bytes) << bytes.toHex().constData();
        if (bytes.isValidUtf8()) {
            EXPECT_EQ(decodeFileName(bytes), QString::fromUtf8(bytes));
        }
    }
    // Names that differ in one byte stay apart.
    EXPECT_NE(decodeFileName("a\xE9"), decodeFileName("a\xE8"));
}

TEST(FileName, ShowsControlsAndUndecodedBytesAsReplacementCharacters) {
    EXPECT_EQ(shownName(decodeFileName("list\nFAKE\tLINE\x7F\xE9")),
              QStringLiteral("list\uFFFDFAKE\uFFFDLINE\uFFFD\uFFFD"));
    EXPECT_EQ(shownName(QStringLiteral("a\u2028b \U0001F3B8 \u0085")),
              QStringLiteral("a\uFFFDb \U0001F3B8 \uFFFD"));
}
