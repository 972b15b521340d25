#include "DisplayChoice.h"
#include "library/MemoryLibrary.h"
#include "print/Label.h"
#include "print/Printout.h"
#include "print/QtPrinter.h"
#include "print/TextPrinter.h"
#include "views/SelectedPlaylistView.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace corvane;

namespace {

constexpr int Songs = 10000;

struct Setup {
    QTemporaryDir dir;
    std::shared_ptr<library::MemoryLibrary> library = std::make_shared<library::MemoryLibrary>();
    views::FormState state{
        views::DisplaySettingsFile(dir.filePath(QStringLiteral("user/Quembly.txt")), {})};

    Setup() {
        library::MemoryPlaylist& playlist = library->addPlaylist(QStringLiteral("Everything"));
        for (int k = 0; k < Songs; ++k) {
            library::SongData song;
            song.title = QStringLiteral("Title of song number %1").arg(k);
            song.artist = QStringLiteral("Artist %1").arg(k % 97);
            song.album = QStringLiteral("Album %1").arg(k % 31);
            song.genre = QStringLiteral("Genre %1").arg(k % 7);
            song.year = QString::number(1960 + k % 60);
            song.rating = k % 100;
            song.seconds = 120 + k % 300;
            song.fileType = QStringLiteral("mp3");
            playlist.add(song);
        }
        state.Playlists = library;
        state.SelectedPlaylist = playlist.name();
    }
};

// Label: the song table loaded from the library and laid out (what LABEL CD CASE does), or laid
// out only (minor-sort mode keeps the table).
void labelBench(benchmark::State& bench, const std::vector<int>& items, bool layoutOnly) {
    Setup setup;
    print::test_support::chooseLabelItems(setup.state, items);
    print::Label(setup.state);
    setup.state.MinorSortOn = layoutOnly;
    for (auto _ : bench) {
        print::Label(setup.state);
        benchmark::DoNotOptimize(setup.state.List1.ListCount());
    }
    bench.counters["lines"] = static_cast<double>(setup.state.List1.ListCount());
}

void BM_Label_TwoColumns(benchmark::State& s) {
    labelBench(s, {views::Title}, false);
}
void BM_Label_OneColumn32(benchmark::State& s) {
    labelBench(s, {views::Title, views::Artist, views::Time}, false);
}
void BM_Label_OneColumn42(benchmark::State& s) {
    labelBench(s,
               {views::Title, views::Artist, views::Time, views::Rating, views::Genre, views::Year},
               false);
}
void BM_LabelLayoutOnly_TwoColumns(benchmark::State& s) {
    labelBench(s, {views::Title}, true);
}
void BM_LabelLayoutOnly_OneColumn42(benchmark::State& s) {
    labelBench(s,
               {views::Title, views::Artist, views::Time, views::Rating, views::Genre, views::Year},
               true);
}

// The selected playlist as a list of 10,000 songs, 54 to a page.
Setup& listed(Setup& setup) {
    views::DisplayConfiguration& c = setup.state.Configuration;
    c = views::DisplayConfiguration::delivered();
    setup.state.DisplayKind = views::Display::List;
    setup.state.PrintKind = views::PrintLayout::List;
    views::ListSelectedPlaylists(setup.state);
    return setup;
}

void BM_Printout_ListToPdf(benchmark::State& bench) {
    Setup setup;
    listed(setup);
    const QString path = setup.dir.filePath(QStringLiteral("list.pdf"));
    for (auto _ : bench) {
        const std::unique_ptr<print::Printer> pdf = print::makePdfPrinter(path, print::Paper::A4);
        print::Printout(setup.state, *pdf);
    }
    bench.counters["bytes"] = static_cast<double>(QFileInfo(path).size());
}

void BM_Printout_ListToText(benchmark::State& bench) {
    Setup setup;
    listed(setup);
    qint64 bytes = 0;
    for (auto _ : bench) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        print::TextPrinter text(out);
        print::Printout(setup.state, text);
        bytes = out.size();
    }
    bench.counters["bytes"] = static_cast<double>(bytes);
}

// A playlist whose songs are made when asked for, as a library that reads them from an index
// would give them: it holds nothing itself, so the memory measured is the views' and the
// printout's. Its songs are those of Setup.
class GeneratedPlaylist final : public library::Playlist,
                                public library::PlaylistCollection,
                                public std::enable_shared_from_this<GeneratedPlaylist> {
public:
    explicit GeneratedPlaylist(int songs)
        : songs_(songs) {}
    QString name() const override { return QStringLiteral("Generated"); }
    int count() const override { return songs_; }
    std::shared_ptr<const library::MediaItem> item(int k) const override {
        return std::make_shared<Song>(k);
    }
    library::PlaylistArray getAll() const override { return getByName(name()); }
    library::PlaylistArray getByName(const QString&) const override {
        return library::PlaylistArray({shared_from_this()});
    }

private:
    class Song final : public library::MediaItem {
    public:
        explicit Song(int k)
            : k_(k) {}
        QString name() const override { return QStringLiteral("Title of song number %1").arg(k_); }
        QString durationString() const override { return library::durationText(seconds()); }
        QString getItemInfo(const QString& attribute) const override {
            const library::ItemInfo info{QString::number(seconds()),
                                         QString::number(k_ % 100),
                                         QStringLiteral("Artist %1").arg(k_ % 97),
                                         QStringLiteral("Genre %1").arg(k_ % 7),
                                         QString::number(1960 + k_ % 60),
                                         QStringLiteral("Album %1").arg(k_ % 31),
                                         QStringLiteral("mp3")};
            return info.get(attribute);
        }

    private:
        double seconds() const { return 120 + k_ % 300; }
        int k_;
    };

    int songs_;
};

// Resident memory of this process, in MB: "VmRSS:" now, "VmHWM:" at its highest so far.
double residentMB(const QByteArray& field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(field.size()).trimmed().split(' ').first().toDouble() / 1024;
        }
    }
    return -1;
}

// What --pdf does with a playlist of 1,000,000 songs: list it, then print it to PDF, all
// told: the peak is the whole process's. Run it alone (--benchmark_filter=MillionRows) for the
// peak to be its own. The yardstick: 48.6 s and 934 MB before; the goal under 600 MB.
void BM_Printout_MillionRowsToPdf(benchmark::State& bench) {
    const auto playlist = std::make_shared<GeneratedPlaylist>(static_cast<int>(bench.range(0)));
    QTemporaryDir dir;
    views::FormState state(views::DisplaySettingsFile(dir.filePath(QStringLiteral("Q.txt")), {}));
    state.Playlists = playlist;
    state.SelectedPlaylist = playlist->name();
    state.DisplayKind = views::Display::List;
    state.PrintKind = views::PrintLayout::List;
    const QString path = dir.filePath(QStringLiteral("million.pdf"));
    double listedMB = 0;
    for (auto _ : bench) {
        state.List1.Clear();
        views::ListSelectedPlaylists(state);
        listedMB = residentMB("VmRSS:");
        const std::unique_ptr<print::Printer> pdf = print::makePdfPrinter(path, print::Paper::A4);
        print::Printout(state, *pdf);
    }
    bench.counters["listed_MB"] = listedMB;
    bench.counters["peak_MB"] = residentMB("VmHWM:");
    bench.counters["yardstick_MB"] = 934;
    bench.counters["yardstick_s"] = 48.6;
    bench.counters["goal_MB"] = 600;
    bench.counters["pdf_MB"] = static_cast<double>(QFileInfo(path).size()) / (1024 * 1024);
}

} // namespace

BENCHMARK(BM_Printout_MillionRowsToPdf)
    ->ArgName("rows")
    ->Arg(1'000'000)
    ->Unit(benchmark::kSecond)
    ->Iterations(1);
BENCHMARK(BM_Label_TwoColumns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Label_OneColumn32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Label_OneColumn42)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LabelLayoutOnly_TwoColumns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LabelLayoutOnly_OneColumn42)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Printout_ListToPdf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Printout_ListToText)->Unit(benchmark::kMillisecond);

// The PDF backend draws text, which needs the graphical application (offscreen will do).
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
