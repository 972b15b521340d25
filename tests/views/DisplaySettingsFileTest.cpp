#include "views/DisplaySettingsFile.h"

#include "views/DisplayReset.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace corvane::views;

namespace {

QByteArray lines(const QList<int>& values, const char* end = "\r\n") {
    QByteArray text;
    for (int v : values) {
        text += QByteArray::number(v) + end;
    }
    return text;
}

// Title, Artist, Time on the list; the title alone on the label.
const QList<int> TitleArtistTime = {11, 2,  68, 54, 2, 0, 1, 2, 3, 4, 5, 6, 7, 8,
                                    0,  30, 32, 70, 0, 0, 1, 2, 3, 4, 5, 6, 7};

void write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

struct SettingsTest : ::testing::Test {
    QTemporaryDir dir;
    QString user = dir.filePath("config/corvane/Quembly.txt");
    QString delivered = dir.filePath("bin/Quembly.txt");
    FormState state{DisplaySettingsFile(user, delivered)};
};

} // namespace

TEST(DisplaySettingsFile, DeliveredDefaultIsConsistentAndRoundTrips) {
    const DisplayConfiguration d = DisplayConfiguration::delivered();
    EXPECT_TRUE(d.problem().isEmpty());
    // List: Title, Artist, Time, Rating -> 9 + 31 + 22 + 6 + 7.
    EXPECT_EQ((std::array<int, 5>{d.ListWidth, d.ListLastItem, d.ListFontSize, d.ListIndent,
                                  d.ListSongsPerPage}),
              (std::array<int, 5>{75, 3, 11, 2, 54}));
    // Label: Title, Artist, Time -> 30 + 21 + 5.
    EXPECT_EQ((std::array<int, 6>{d.LabelWidth, d.LabelLastItem, d.LabelFontSize, d.LabelIndent,
                                  d.LabelRows, d.LabelLineWidth}),
              (std::array<int, 6>{56, 2, 8, 0, 32, 70}));

    const QByteArray text = DisplaySettingsFile::serialize(d);
    EXPECT_EQ(text.count("\r\n"), 27);
    EXPECT_EQ(text.count('\n'), 27);
    QString error;
    EXPECT_EQ(DisplaySettingsFile::parse(text, &error), d);
}

TEST(DisplaySettingsFile, ReadsLfCrlfAndCommas) {
    QString error;
    const auto crlf = DisplaySettingsFile::parse(lines(TitleArtistTime), &error);
    ASSERT_TRUE(crlf) << error.toStdString();
    EXPECT_EQ(crlf->ListWidth, 68);
    EXPECT_EQ(crlf->LabelLastItem, 0);
    EXPECT_EQ(DisplaySettingsFile::parse(lines(TitleArtistTime, "\n"), &error), crlf);
    EXPECT_EQ(DisplaySettingsFile::parse(lines(TitleArtistTime, ","), &error), crlf);
    EXPECT_EQ(DisplaySettingsFile::parse(lines(TitleArtistTime) + "\r\n\r\n", &error), crlf);
}

// Each refusal names the line, what it holds and what it may hold.
TEST(DisplaySettingsFile, RefusesEveryBrokenFileAndSaysWhy) {
    const auto refused = [](QList<int> values, int index, const QByteArray& replacement,
                            const char* expected) {
        QByteArray text;
        for (int i = 0; i < values.size(); ++i) {
            text += (i == index ? replacement : QByteArray::number(values[i])) + "\r\n";
        }
        QString error;
        EXPECT_FALSE(DisplaySettingsFile::parse(text, &error)) << text.toStdString();
        EXPECT_TRUE(error.contains(QString::fromUtf8(expected))) << error.toStdString();
    };
    refused(TitleArtistTime.mid(0, 20), -1, {},
            "holds 20 values, not 27: value 21 is missing, the label's order, place 2, which may "
            "be a whole number from 0 to 7");
    refused(TitleArtistTime, 2, "wide",
            "line 3 holds \"wide\", not a whole number: it is the list's width, which may be a "
            "whole number from 0 to 200");
    refused(TitleArtistTime, 3, "32768", "line 4 holds \"32768\", not a whole number");
    refused(TitleArtistTime, 4, "8",
            "line 5 holds 8: it is the list's last item, which may be a "
            "whole number from -1 to 7");
    refused(TitleArtistTime, 18, "6", "line 19 holds 6: it is the label's last item");
    refused(TitleArtistTime, 7, "8", "line 8 holds 8: it is the list's order, place 3");
    refused(TitleArtistTime, 26, "-1", "line 27 holds -1: it is the label's order, place 8");
    refused(TitleArtistTime, 0, "0", "line 1 holds 0: it is the list's font size");
    refused(TitleArtistTime, 13, "-6", "line 14 holds -6: it is the label's font size");
    refused(TitleArtistTime, 3, "0", "line 4 holds 0: it is the list's songs per page");
    refused(TitleArtistTime, 16, "0", "line 17 holds 0: it is the label's rows");
    // Values that no page holds, and one value too many.
    refused(TitleArtistTime, 2, "-1",
            "the list's width, which may be a whole number from 0 to 200");
    refused(TitleArtistTime, 16, "32767",
            "line 17 holds 32767: it is the label's rows, which may "
            "be a whole number from 1 to 80");
    refused(TitleArtistTime, 17, "32767", "line 18 holds 32767: it is the label's line width");
    refused(TitleArtistTime + QList<int>{0}, -1, {},
            "holds 28 values, not 27: line 28 holds \"0\", one too many");
    refused({}, -1, {}, "holds 0 values");
    refused({0}, 0, QByteArray("\x7f\x45\x4c\x46\x02\x01", 6), "line 1 holds");
    // Values on a line of several are told by their place on it.
    QString error;
    EXPECT_FALSE(DisplaySettingsFile::parse("11,2,x\r\n", &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("line 1, value 3 holds \"x\"")))
        << error.toStdString();
}

TEST_F(SettingsTest, ReadsTheUsersCopyThenTheDeliveredOneThenTheBuiltInDefault) {
    EXPECT_EQ(state.SettingsFile.load().configuration, DisplayConfiguration::delivered());
    write(delivered, lines(TitleArtistTime));
    EXPECT_EQ(state.SettingsFile.load().configuration->ListWidth, 68);
    DisplayConfiguration mine = DisplayConfiguration::delivered();
    mine.ListFontSize = 7;
    write(user, DisplaySettingsFile::serialize(mine));
    EXPECT_EQ(state.SettingsFile.load().configuration, mine);
}

TEST_F(SettingsTest, AFifoIsRefusedWithoutWaitingForAWriter) {
    QDir().mkpath(QFileInfo(user).absolutePath());
    ASSERT_EQ(::mkfifo(QFile::encodeName(user).constData(), 0600), 0);
    auto loading = std::async(std::launch::async, [&] { return state.SettingsFile.load(); });
    if (loading.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
        QFile writer(user); // lets the reader go
        writer.open(QIODevice::WriteOnly);
        FAIL() << "reading the settings waited for a writer";
    }
    const DisplaySettingsFile::Loaded loaded = loading.get();
    EXPECT_FALSE(loaded.configuration);
    EXPECT_TRUE(loaded.error.contains(QStringLiteral("not a regular file")))
        << loaded.error.toStdString();
}

TEST_F(SettingsTest, ResetsRestoreTheSavedDisplayAndTheButtons) {
    write(user, lines(TitleArtistTime));
    state.CustomActive = true;
    state.MinorSortOn = true;
    state.LastSort = 3;
    ResetLabel(state);
    EXPECT_EQ(state.Configuration.ListWidth, 68); // the saved display
    EXPECT_EQ(state.DisplayKind, Display::Label);
    EXPECT_EQ(state.PrintCaption, QStringLiteral("PRINT\nlabel"));
    EXPECT_FALSE(state.CustomActive);
    EXPECT_TRUE(state.MinorSortOn); // the label leaves minor sort alone
    EXPECT_EQ(state.LastSort, -1);

    state.SortCaptions.fill(QStringLiteral(" "));
    ResetList(state);
    EXPECT_EQ(state.DisplayKind, Display::List);
    EXPECT_EQ(state.PrintCaption, QStringLiteral("PRINT\nselected list"));
    EXPECT_FALSE(state.MinorSortOn);
    EXPECT_EQ(state.MinorSortCaption, QStringLiteral("Minor Sort Off"));
    EXPECT_EQ(state.CustomCaptions[6], QStringLiteral("Album"));
    EXPECT_EQ(state.CustomCaptions[7], QStringLiteral("Type"));
    const std::array<QString, 8> expected = {"Title", "Artist", "Time", "", "", "", "", ""};
    EXPECT_EQ(state.SortCaptions, expected);
    // No items in force: every sort button empty.
    QList<int> none = TitleArtistTime;
    none[4] = -1;
    write(user, lines(none));
    ResetList(state);
    EXPECT_EQ(state.Configuration.ListLastItem, -1);
    EXPECT_EQ(state.SortCaptions, (std::array<QString, 8>{}));
}
