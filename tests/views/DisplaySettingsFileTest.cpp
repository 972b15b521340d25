#include "views/DisplaySettingsFile.h"

#include <gtest/gtest.h>

using namespace corvane::views;

TEST(DisplaySettingsFile, SerializeAndParseRoundTrip) {
    const DisplayConfiguration delivered = DisplayConfiguration::delivered();
    EXPECT_TRUE(delivered.problem().isEmpty());
    const QByteArray text = DisplaySettingsFile::serialize(delivered);
    EXPECT_EQ(text.count("\r\n"), DisplaySettingsFile::ValueCount);
    EXPECT_TRUE(text.startsWith("11\r\n2\r\n75\r\n54\r\n3\r\n0\r\n1\r\n"));
    QString error;
    const auto parsed = DisplaySettingsFile::parse(text, &error);
    ASSERT_TRUE(parsed.has_value()) << error.toStdString();
    EXPECT_EQ(*parsed, delivered);
}
