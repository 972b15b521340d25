#pragma once

#include "FailingSong.h"
#include "library/MemoryLibrary.h"
#include "views/FormState.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

// Failures show texts as text.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

// What the views' tests share: a window state over an in-memory library, with its settings file
// in a temporary folder, and songs spelled out item by item.
namespace corvane::views::test_support {

class Song {
public:
    explicit Song(QString title) { data_.title = std::move(title); }
    Song& artist(QString v) { return set(data_.artist, std::move(v)); }
    Song& album(QString v) { return set(data_.album, std::move(v)); }
    Song& year(QString v) { return set(data_.year, std::move(v)); }
    Song& genre(QString v) { return set(data_.genre, std::move(v)); }
    Song& type(QString v) { return set(data_.fileType, std::move(v)); }
    Song& rating(int v) { return set(data_.rating, v); }
    Song& seconds(double v) { return set(data_.seconds, v); }
    // The member ("Name", "durationString" or an attribute) whose call fails.
    Song& failing(const QString& member) {
        failing_.insert(member);
        return *this;
    }
    // What the failing calls say; "cannot read MEMBER" by default.
    Song& because(QString why) { return set(why_, std::move(why)); }
    operator std::shared_ptr<const library::MediaItem>() const {
        auto song = std::make_shared<const library::MemorySong>(data_);
        if (failing_.isEmpty()) {
            return song;
        }
        return std::make_shared<const library::test_support::FailingSong>(song, failing_, why_);
    }

private:
    template <class T, class V> Song& set(T& field, V&& value) {
        field = std::forward<V>(value);
        return *this;
    }
    library::SongData data_;
    QSet<QString> failing_;
    QString why_;
};

class ViewsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    FormState state{DisplaySettingsFile(dir.filePath(QStringLiteral("user/Quembly.txt")),
                                        dir.filePath(QStringLiteral("Quembly.txt")))};
    std::shared_ptr<library::MemoryLibrary> library = std::make_shared<library::MemoryLibrary>();

    ViewsTest() { state.Playlists = library; }

    // Song rows of the display list: line 4 on.
    QStringList songLines() const { return state.List1.lines().mid(4); }
};

} // namespace corvane::views::test_support
