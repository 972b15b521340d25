#include "library/mpd/MpdAddress.h"

#include "LibraryTestSupport.h"

#include <gtest/gtest.h>

using namespace corvane::library;

TEST(MpdAddress, SourcesAndTheDefaultServerAsMpdClientsFindIt) {
    struct Case {
        const char* source;
        MpdEnvironment environment;
        const char* endpoints; // tried in this order, joined by ", "
        const char* password;
    };
    const MpdEnvironment none;
    const MpdEnvironment runtime{{}, {}, "/run/user/1000"};
    const Case cases[] = {
        {"mpd://pi", runtime, "pi:6600", ""},
        {"MPD://secret@pi:6601", runtime, "pi:6601", "secret"},
        {"mpd://pi/", none, "pi:6600", ""},
        {"mpd://:6601", none, "localhost:6601", ""},
        {"mpd:///run/mpd/socket", none, "/run/mpd/socket", ""},
        {"mpd://pw@/run/mpd/socket", none, "/run/mpd/socket", "pw"},
        {"mpd://@mpd", none, "@mpd", ""}, // an abstract socket, no empty password
        {"mpd://[::1]:6601", none, "[::1]:6601", ""},
        {"mpd://::1", none, "[::1]:6600", ""},
        // The default server: MPD_HOST (with MPD_PORT), else the user's socket, else localhost.
        {"mpd://", none, "localhost:6600", ""},
        {"mpd:", runtime, "/run/user/1000/mpd/socket, localhost:6600", ""},
        {"mpd:", {{}, "6603", "/run/user/1000"}, "/run/user/1000/mpd/socket, localhost:6603", ""},
        {"mpd://", {"pw@pi", "6602", "/run/user/1000"}, "pi:6602", "pw"},
        {"mpd:", {"/tmp/mpd.socket", "6602", {}}, "/tmp/mpd.socket", ""},
        {"mpd:", {"@mpd", {}, {}}, "@mpd", ""},
        {"mpd:", {"pw@@mpd", {}, {}}, "@mpd", "pw"},
        {"mpd://other@", {"pw@pi", {}, {}}, "pi:6600", "other"},
        {"mpd://other@", runtime, "/run/user/1000/mpd/socket, localhost:6600", "other"},
    };
    for (const Case& c : cases) {
        QString error;
        const auto address = parseMpdSource(QString::fromUtf8(c.source), c.environment, &error);
        ASSERT_TRUE(address) << c.source << ": " << error.toStdString();
        QStringList endpoints;
        for (const MpdEndpoint& endpoint : address->endpoints) {
            endpoints << endpoint.text();
        }
        EXPECT_EQ(endpoints.join(QStringLiteral(", ")), QString::fromUtf8(c.endpoints)) << c.source;
        EXPECT_EQ(address->password, QString::fromUtf8(c.password)) << c.source;
    }
}

TEST(MpdAddress, MalformedSourcesSayWhy) {
    const struct {
        const char* source;
        MpdEnvironment environment;
        const char* error;
    } cases[] = {
        {"mpd://pi:http", {}, "\"http\" is no port number (1-65535)"},
        {"mpd://pi:0", {}, "\"0\" is no port number (1-65535)"},
        {"mpd://pi:65536", {}, "\"65536\" is no port number (1-65535)"},
        {"mpd://[::1", {}, "\"[::1\" is no host name or address"},
        {"mpd:pi", {}, "write an MPD address as mpd://[PASSWORD@]HOST[:PORT]"},
        {"mpd:", {{}, "x", {}}, "MPD_PORT \"x\" is no port number (1-65535)"},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(parseMpdSource(QString::fromUtf8(c.source), c.environment, &error))
            << c.source;
        EXPECT_EQ(error, QString::fromUtf8(c.error));
    }
    EXPECT_TRUE(isMpdSource(QStringLiteral("Mpd://pi")));
    EXPECT_FALSE(isMpdSource(QStringLiteral("/music/mpd:")));
}
