#include "app/CommandLine.h"

#include <gtest/gtest.h>

using namespace corvane::app;
using Mode = CommandLine::Mode;
using Output = CommandLine::Output;

namespace {

CommandLine parsed(const QStringList& arguments) {
    const ParsedCommandLine p = parseCommandLine(arguments);
    EXPECT_TRUE(p.error.isEmpty())
        << arguments.join(' ').toStdString() << ": " << p.error.toStdString();
    return p.commandLine;
}

QString errorOf(const QStringList& arguments) {
    return parseCommandLine(arguments).error;
}

} // namespace

TEST(CommandLine, EachViewWithEachOutput) {
    using Case = std::tuple<QStringList, Mode, Output, QString>;
    for (const auto& [arguments, mode, output, file] : std::vector<Case>{
             {{}, Mode::Window, Output::Text, {}},
             {{"--list-playlists", "--text"}, Mode::ListPlaylists, Output::Text, {}},
             {{"--print-text", "-", "--list-playlists"},
              Mode::ListPlaylists,
              Output::PrintText,
              "-"},
             {{"--list-playlists", "--pdf=out.pdf"}, Mode::ListPlaylists, Output::Pdf, "out.pdf"},
             {{"--playlist", "x", "--print"}, Mode::Playlist, Output::Print, {}}}) {
        const CommandLine cl = parsed(arguments);
        EXPECT_TRUE(cl.mode == mode && cl.output == output && cl.outputFile == file &&
                    cl.headless() == (mode != Mode::Window) &&
                    cl.drawsPages() == (output == Output::Pdf || output == Output::Print))
            << arguments.join(' ').toStdString();
    }
    EXPECT_FALSE(parsed({}).quiet);
    EXPECT_TRUE(parsed({"--list-playlists", "-q"}).quiet);
    EXPECT_TRUE(parsed({"--quiet"}).quiet);
    EXPECT_FALSE(parsed({}).noIndex);
    EXPECT_TRUE(parsed({"--playlist", "x", "--no-index"}).noIndex);
    EXPECT_FALSE(parsed({}).library);
    EXPECT_EQ(parsed({"--library", "/music"}).library, QStringLiteral("/music"));
    EXPECT_EQ(parsed({"--library=/my music"}).library, QStringLiteral("/my music"));
    EXPECT_EQ(parsed({"--list-sources"}).mode, Mode::ListSources);
    EXPECT_EQ(parsed({"--music-folder", "/m", "--list-playlists"}).musicFolder,
              QStringLiteral("/m"));
}

TEST(CommandLine, APlaylistWithItemsAndSortKeys) {
    const CommandLine cl = parsed({"--library", "lib", "--playlist", "  Road Trip ", "--items",
                                   "title,ARTIST, Time", "--sort", "Artist,Rating:desc,time:asc"});
    EXPECT_EQ(cl.mode, Mode::Playlist);
    EXPECT_EQ(cl.playlist, QStringLiteral("  Road Trip ")); // the name exactly as given
    EXPECT_EQ(cl.items, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(cl.sort, (std::vector<SortKey>{{1, false}, {3, true}, {2, false}}));
    EXPECT_FALSE(cl.label);
    // A name that looks like an option is still a name.
    EXPECT_EQ(parsed({"--playlist", "--label"}).playlist, QStringLiteral("--label"));
    EXPECT_EQ(parsed({"--playlist", "--print=yes"}).playlist, QStringLiteral("--print=yes"));
    const CommandLine label = parsed({"--playlist=Jazz", "--label", "--items", "Year,Genre"});
    EXPECT_TRUE(label.label);
    EXPECT_EQ(label.items, (std::vector<int>{5, 4}));
}

TEST(CommandLine, HelpAndVersionWinOverEverythingElse) {
    EXPECT_EQ(parsed({"--help"}).mode, Mode::Help);
    EXPECT_EQ(parsed({"-h"}).mode, Mode::Help);
    EXPECT_EQ(parsed({"--version"}).mode, Mode::Version);
    EXPECT_EQ(parsed({"--list-playlists", "--bogus", "--help"}).mode, Mode::Help);
    EXPECT_TRUE(usageText().contains(QStringLiteral("--print-text FILE")));
}

TEST(CommandLine, UsageErrorsSayWhich) {
    const std::vector<std::pair<QStringList, QString>> cases = {
        {{"--bogus"}, "unknown option --bogus"},
        {{"-x"}, "unknown option -x"},
        {{"stray"}, "unexpected argument \"stray\""},
        {{"--list-playlists", "--", "--text"}, "unexpected argument \"--text\""},
        {{"--library"}, "--library needs a value"},
        {{"--library="}, "--library needs a folder"},
        {{"--library", "a", "--library", "b"}, "--library is given twice"},
        {{"--music-folder"}, "--music-folder needs a value"},
        {{"--music-folder="}, "--music-folder needs a folder"},
        {{"--list-sources", "--list-playlists"}, "cannot be combined"},
        {{"--list-sources", "--pdf", "x"}, "an output needs"},
        {{"--playlist"}, "--playlist needs a value"},
        {{"--playlist", ""}, "--playlist needs a playlist's name"},
        {{"--list-playlists", "--playlist", "x"}, "cannot be combined"},
        {{"--label"}, "--label needs --playlist NAME"},
        {{"--list-playlists", "--items", "Title"}, "--items needs --playlist NAME"},
        {{"--sort", "Title"}, "--sort needs --playlist NAME"},
        {{"--text"}, "an output needs"},
        {{"--list-playlists", "--text", "--print"}, "only one of"},
        {{"--list-playlists", "--pdf"}, "--pdf needs a value"},
        {{"--list-playlists", "--print-text="}, "--print-text needs a file name"},
        {{"--list-playlists", "--print=yes"}, "--print takes no value"},
        {{"--quiet=no"}, "--quiet takes no value"},
        {{"--playlist", "x", "--items", ""}, "unknown item \"\""},
        {{"--playlist", "x", "--items", "Title,,Time"}, "unknown item \"\""},
        {{"--playlist", "x", "--label", "--items", "Title,Album"},
         "Album cannot be shown on a label"},
        {{"--playlist", "x", "--items", "Type", "--label"}, "Type cannot be shown on a label"},
        {{"--playlist", "x", "--sort", "Title:down"}, "bad sort key \"Title:down\""},
        {{"--playlist", "x", "--sort", "Title,title:desc"}, "Title is given twice"},
        {{"--playlist", "x", "--sort", "Title", "--sort", "Time"}, "--sort is given twice"},
    };
    for (const auto& [arguments, expected] : cases) {
        const QString error = errorOf(arguments);
        EXPECT_TRUE(error.contains(expected))
            << arguments.join(' ').toStdString() << " -> " << error.toStdString();
        EXPECT_FALSE(error.contains('\n'));
    }
    // Album and Type are fine in a list.
    EXPECT_TRUE(errorOf({"--playlist", "x", "--items", "Album,Type"}).isEmpty());
}
