#include <QDirIterator>
#include <QFile>
#include <cstdint>
#include <cstdio>

// Without libFuzzer (another compiler, an ordinary build) a fuzz target replays its seed corpus:
// every file in the folders and files named on the command line, once.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int replay(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return 1;
    }
    const QByteArray bytes = file.readAll();
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                           static_cast<std::size_t>(bytes.size()));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    int inputs = 0;
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QFile::decodeName(argv[i]);
        if (!QFileInfo(argument).isDir()) {
            failures += replay(argument);
            ++inputs;
            continue;
        }
        for (QDirIterator it(argument, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            failures += replay(it.next());
            ++inputs;
        }
    }
    std::printf("%d inputs replayed\n", inputs);
    return failures == 0 && inputs > 0 ? 0 : 1;
}
