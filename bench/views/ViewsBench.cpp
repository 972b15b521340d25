// Speed of the selected playlist view over a generated 10,000-song in-memory library: the listing,
// each sort against the pass-based bubble sort it replaces, and a run of item-button clicks.
//
//   build-<dir>/bin/bench_views [--benchmark_filter=...]

#include "library/MemoryLibrary.h"
#include "views/CustomDisplay.h"
#include "views/SelectedPlaylistView.h"
#include "views/SongTable.h"
#include "views/Sort.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdint>
#include <memory>

using namespace corvane;
using namespace corvane::views;

namespace {

constexpr int Songs = 10'000;
const QString PlaylistName = QStringLiteral("Ten Thousand");

// A small deterministic generator, so every run sorts the same rows.
class Random {
public:
    std::uint32_t next() {
        state_ = state_ * 1664525U + 1013904223U;
        return state_ >> 8;
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }

private:
    std::uint32_t state_ = 12345U;
};

QString word(Random& random, int letters) {
    QString w;
    w += QChar(u'A' + random.below(26));
    for (int i = 1; i < letters; ++i) {
        w += QChar(u'a' + random.below(26));
    }
    return w;
}

// Titles with and without articles, a few hundred artists, all six ratings, some empty cells.
std::shared_ptr<library::MemoryLibrary> generatedLibrary(int songs) {
    Random random;
    auto library = std::make_shared<library::MemoryLibrary>();
    auto& playlist = library->addPlaylist(PlaylistName);
    QStringList artists;
    for (int i = 0; i < 300; ++i) {
        artists << (random.below(4) == 0 ? QStringLiteral("The ") : QString()) +
                       word(random, 4 + random.below(8));
    }
    const QStringList genres = {"Rock", "Pop", "Jazz", "Classical", "Alternative", "", "Blues"};
    const QStringList types = {"mp3", "flac", "ogg", "m4a", "wav"};
    const int ratings[] = {0, 1, 25, 50, 75, 99};
    for (int i = 0; i < songs; ++i) {
        library::SongData s;
        const int prefix = random.below(6);
        s.title = (prefix == 0   ? QStringLiteral("The ")
                   : prefix == 1 ? QStringLiteral("the ")
                                 : QString()) +
                  word(random, 3 + random.below(10)) + u' ' + word(random, 2 + random.below(12));
        s.artist = artists[random.below(static_cast<int>(artists.size()))];
        s.album = random.below(10) == 0 ? QString() : word(random, 5 + random.below(20));
        s.year = random.below(8) == 0 ? QString() : QString::number(1950 + random.below(75));
        s.genre = genres[random.below(static_cast<int>(genres.size()))];
        s.rating = ratings[random.below(6)];
        s.seconds = 60 + random.below(600) + random.below(10) / 10.0;
        s.fileType = types[random.below(static_cast<int>(types.size()))];
        playlist.add(std::move(s));
    }
    return library;
}

// A window state showing the generated playlist; the settings file lives in a temporary folder.
struct Bench {
    QTemporaryDir dir;
    FormState state{DisplaySettingsFile(dir.filePath(QStringLiteral("user/Quembly.txt")),
                                        dir.filePath(QStringLiteral("Quembly.txt")))};

    explicit Bench(int songs) {
        state.Playlists = generatedLibrary(songs);
        state.SelectedPlaylist = PlaylistName;
    }

    void showAllItems() {
        DisplayConfiguration& c = state.Configuration;
        c.ListOrder = {Title, Artist, Time, Rating, Genre, Year, Album, Type};
        c.ListLastItem = 7;
        c.ListWidth = 127;
    }

    void list() {
        state.List1.Clear();
        ListSelectedPlaylists(state);
    }
};

// The sort the stable sort replaced: whole passes over the rows, exchanging neighbours cell by
// cell on a strict difference, until a pass exchanges nothing.
void BubbleSort(std::vector<SongRow>& table, int sortCode, int lastRow) {
    const bool descending = sortCode > 7;
    const auto column = static_cast<std::size_t>(descending ? sortCode - 8 : sortCode);
    const auto key = [column](const SongRow& row) {
        const QString& cell = row[column];
        if (column <= Artist && (cell.startsWith(u"The ") || cell.startsWith(u"the "))) {
            return QStringView(cell).mid(4);
        }
        return QStringView(cell);
    };
    for (int pass = 0; pass <= lastRow; ++pass) {
        bool swapped = false;
        for (int k = 0; k < lastRow; ++k) {
            auto& upper = table[static_cast<std::size_t>(k)];
            auto& lower = table[static_cast<std::size_t>(k + 1)];
            const int c = key(lower).compare(key(upper), Qt::CaseSensitive);
            if (descending ? c > 0 : c < 0) {
                for (std::size_t cell = 0; cell < upper.size(); ++cell) {
                    const QString held = upper[cell];
                    upper[cell] = lower[cell];
                    lower[cell] = held;
                }
                swapped = true;
            }
        }
        if (!swapped) {
            break;
        }
    }
}

void ListTenThousandSongs(benchmark::State& s) {
    Bench bench(Songs);
    if (s.range(0) == 1) {
        bench.showAllItems();
    }
    for (auto _ : s) {
        bench.list();
        benchmark::DoNotOptimize(bench.state.List1.ListCount());
    }
    s.SetItemsProcessed(s.iterations() * Songs);
}
BENCHMARK(ListTenThousandSongs)->ArgName("allItems")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The minor-sort listing keeps the table: formatting and the total alone.
void ListTenThousandSongsFromTheTable(benchmark::State& s) {
    Bench bench(Songs);
    bench.showAllItems();
    bench.list();
    bench.state.MinorSortOn = true;
    for (auto _ : s) {
        bench.list();
    }
    s.SetItemsProcessed(s.iterations() * Songs);
}
BENCHMARK(ListTenThousandSongsFromTheTable)->Unit(benchmark::kMillisecond);

// Each sort code on the 10,000 rows in playlist order, timed alone.
void SortTenThousandRows(benchmark::State& s) {
    Bench bench(Songs);
    bench.list();
    const std::vector<SongRow> loaded = bench.state.SongTable;
    const int code = static_cast<int>(s.range(0));
    for (auto _ : s) {
        bench.state.SongTable = loaded;
        const auto start = std::chrono::steady_clock::now();
        Sort(bench.state.SongTable, code, Songs - 1);
        s.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}
BENCHMARK(SortTenThousandRows)
    ->ArgName("code")
    ->DenseRange(0, 15)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The same sort against the bubble sort on the same rows, once each: bubble_ms and the ratio.
void SortAgainstBubbleSort(benchmark::State& s) {
    Bench bench(Songs);
    bench.list();
    const std::vector<SongRow> loaded = bench.state.SongTable;
    const int code = static_cast<int>(s.range(0));
    using Clock = std::chrono::steady_clock;
    for (auto _ : s) {
        constexpr int Repeats = 10;
        double stable = 0;
        for (int r = 0; r < Repeats; ++r) {
            bench.state.SongTable = loaded;
            const auto start = Clock::now();
            Sort(bench.state.SongTable, code, Songs - 1);
            stable += std::chrono::duration<double>(Clock::now() - start).count();
        }
        stable /= Repeats;

        std::vector<SongRow> bubbled = loaded;
        const auto start = Clock::now();
        BubbleSort(bubbled, code, Songs - 1);
        const double bubble = std::chrono::duration<double>(Clock::now() - start).count();

        if (bubbled != bench.state.SongTable) {
            s.SkipWithError("the bubble sort and the stable sort disagree");
            return;
        }
        s.SetIterationTime(stable);
        s.counters["bubble_ms"] = bubble * 1000;
        s.counters["ratio"] = bubble / stable;
    }
}
BENCHMARK(SortAgainstBubbleSort)
    ->ArgName("code")
    ->DenseRange(0, 15)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Sorting 1,000,000 rows by two keys as the command line does it (--sort Artist,Title): Minor
// Sort on, then a click on Title's sort button and one on Artist's, each sorting the kept table
// and listing it again. The yardstick: 17.6 s before, a goal of under 2 s.
void SortMillionRowsByTwoKeys(benchmark::State& s) {
    Bench bench(static_cast<int>(s.range(0)));
    bench.list();
    const std::vector<SongRow> loaded = bench.state.SongTable;
    for (auto _ : s) {
        s.PauseTiming();
        bench.state.SongTable = loaded;
        bench.state.MinorSortOn = false;
        bench.state.LastSort = -1;
        s.ResumeTiming();
        cmdMinorSort_Click(bench.state);
        cmdSort_Click(bench.state, 0); // Title, the minor key
        cmdSort_Click(bench.state, 1); // Artist, the major key
    }
    s.counters["yardstick_s"] = 17.6;
    s.counters["goal_s"] = 2.0;
}
BENCHMARK(SortMillionRowsByTwoKeys)
    ->ArgName("rows")
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Reset, then ten item-button clicks in a row, each rebuilding the list as the window does; the
// last two repeat items and rebuild nothing.
void TenItemClicks(benchmark::State& s) {
    Bench bench(static_cast<int>(s.range(0)));
    const int clicks[] = {Title, Artist, Time, Rating, Genre, Year, Album, Type, Title, Artist};
    for (auto _ : s) {
        bench.state.CustomActive = false;
        bench.state.Configuration = DisplayConfiguration::delivered();
        bench.state.SortCaptions.fill(QString());
        for (const int item : clicks) {
            if (cmdCustom_Click(bench.state, item) == Rebuild::List) {
                bench.list();
            }
        }
    }
}
BENCHMARK(TenItemClicks)->ArgName("songs")->Arg(100)->Arg(Songs)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
