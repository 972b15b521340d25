#include "DisplayChoice.h"
#include "library/MemoryLibrary.h"
#include "print/Label.h"
#include "print/Printout.h"
#include "print/QtPrinter.h"
#include "print/TextPrinter.h"
#include "views/SelectedPlaylistView.h"

#include <QBuffer>
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

} // namespace

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
