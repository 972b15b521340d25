#pragma once

#include "LibraryTestSupport.h"
#include "app/Form1.h"
#include "library/MemoryLibrary.h"
#include "print/RecordingPrinter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

namespace corvane::app::test {

inline library::SongData song(const QString& title, const QString& artist, double seconds,
                              int rating = 0) {
    library::SongData s;
    s.title = title;
    s.artist = artist;
    s.seconds = seconds;
    s.rating = rating;
    return s;
}

// Hands every operation on to a printer that the test keeps.
struct Forwarding final : print::Printer {
    explicit Forwarding(print::Printer& to)
        : to(to) {}
    void setFontName(const QString& face) override { to.setFontName(face); }
    void setBold(bool bold) override { to.setBold(bold); }
    void setFontSize(float points) override { to.setFontSize(points); }
    void printLine(const QString& text, const text::CellStarts& cells) override {
        to.printLine(text, cells);
    }
    void setLabelFrame(int columns, int rows) override { to.setLabelFrame(columns, rows); }
    QString outcome() const override { return to.outcome(); }
    void newPage() override { to.newPage(); }
    void endDocument() override { to.endDocument(); }
    print::Printer& to;
};

// A printer that refuses the job at the first line.
struct RefusingPrinter final : print::Printer {
    void setFontName(const QString&) override {}
    void setBold(bool) override {}
    void setFontSize(float) override {}
    void printLine(const QString&, const text::CellStarts&) override {
        throw print::PrintError("the printer is out of paper");
    }
    void newPage() override {}
    void endDocument() override {}
};

// A folder on a small file system of its own, which fill() makes full: writes there fail as on
// a full disk. Mounting needs root: `why` says when there is none, and the tests skip then, but
// never as root (as CI runs them).
struct FullFolder {
    QTemporaryDir dir;
    QString path = dir.path();
    QString why;

    FullFolder() {
        if (::mount("tmpfs", path.toLocal8Bit().constData(), "tmpfs", 0, "size=64k") != 0) {
            why = QStringLiteral("cannot mount a small tmpfs (needs root): %1")
                      .arg(QString::fromLocal8Bit(std::strerror(errno)));
            path.clear();
            if (::geteuid() == 0) {
                ADD_FAILURE() << why.toStdString();
            }
        }
    }
    ~FullFolder() {
        if (!path.isEmpty()) {
            ::umount2(path.toLocal8Bit().constData(), MNT_DETACH);
        }
    }
    FullFolder(const FullFolder&) = delete;
    FullFolder& operator=(const FullFolder&) = delete;

    void fill() const {
        QFile filler(path + QStringLiteral("/filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        while (filler.write(block) > 0) {
        }
    }
};

// A small library, a settings folder of its own, and a window on a 1024 x 768 screen.
struct FormTest : ::testing::Test {
    QTemporaryDir dir;
    QString userSettings = dir.filePath(QStringLiteral("config/corvane/Quembly.txt"));
    QString deliveredSettings = dir.filePath(QStringLiteral("bin/Quembly.txt"));
    std::shared_ptr<library::MemoryLibrary> library = std::make_shared<library::MemoryLibrary>();
    ScreenMetrics screen{15.0F, 15.0F, 1024 * 15.0F, 768 * 15.0F};
    std::vector<QString> openedUrls;
    print::RecordingPrinter printed; // what every printer made by recordingPrinters() got
    int printersMade = 0;

    FormTest() {
        library->addPlaylist(QStringLiteral("Road Trip"))
            .add(song(QStringLiteral("The Zebra"), QStringLiteral("Zed"), 225, 75))
            .add(song(QStringLiteral("Apple"), QStringLiteral("Abba"), 62, 25));
        library->addPlaylist(QStringLiteral("Jazz"))
            .add(song(QStringLiteral("So What"), QStringLiteral("Miles"), 545, 99));
    }

    Form1::PrinterFactory recordingPrinters() {
        return [this]() -> std::unique_ptr<print::Printer> {
            ++printersMade;
            return std::make_unique<Forwarding>(printed);
        };
    }

    std::unique_ptr<Form1> makeForm(std::shared_ptr<const library::Player> player,
                                    Form1::PrinterFactory printers = {}) {
        if (!printers) {
            printers = recordingPrinters();
        }
        return std::make_unique<Form1>(
            std::move(player), views::DisplaySettingsFile(userSettings, deliveredSettings), screen,
            std::move(printers), [this](const QString& url) { openedUrls.push_back(url); },
            QStringLiteral("library note"));
    }

    std::unique_ptr<Form1> loadedForm() {
        auto form = makeForm(library);
        form->Form_Load();
        return form;
    }

    static void write(const QString& path, const QByteArray& bytes) {
        ASSERT_TRUE(library::writeRawFile(path, bytes)) << path.toStdString();
    }

    static QByteArray read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The line of the list of playlists that names `name`.
    static int lineOf(const Form1& form, const QString& name) {
        const auto& lines = form.state().List1.lines();
        for (int i = 4; i < lines.size(); ++i) {
            if (lines[i].mid(7) == name) {
                return i;
            }
        }
        return -1;
    }
};

} // namespace corvane::app::test
