#pragma once

#include "DisplayChoice.h"
#include "library/MemoryLibrary.h"
#include "views/FormState.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <vector>

// Test failures show texts as texts.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

// What the print layer's tests share: a window state over an in-memory library, playlists of
// numbered songs, and label displays chosen item by item as the chooser sets them up.
namespace corvane::print::test_support {

class PrintTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    views::FormState state{
        views::DisplaySettingsFile(dir.filePath(QStringLiteral("user/Quembly.txt")), {})};
    std::shared_ptr<library::MemoryLibrary> library = std::make_shared<library::MemoryLibrary>();

    PrintTest() { state.Playlists = library; }

    // A playlist of `count` songs titled "Song 1", "Song 2", ..., each 3:20 long, selected.
    library::MemoryPlaylist& playlistOf(int count, const QString& name = QStringLiteral("Mix")) {
        library::MemoryPlaylist& playlist = library->addPlaylist(name);
        for (int k = 1; k <= count; ++k) {
            library::SongData song;
            song.title = QStringLiteral("Song %1").arg(k);
            song.artist = QStringLiteral("Artist %1").arg(k);
            song.seconds = 200;
            song.rating = 50;
            song.genre = QStringLiteral("Rock");
            song.year = QStringLiteral("1999");
            song.fileType = QStringLiteral("mp3");
            playlist.add(song);
        }
        state.SelectedPlaylist = name;
        return playlist;
    }

    // The label items in this order, with the layout numbers that go with their width.
    void chooseLabelItems(const std::vector<int>& codes) {
        test_support::chooseLabelItems(state, codes);
    }
};

} // namespace corvane::print::test_support
