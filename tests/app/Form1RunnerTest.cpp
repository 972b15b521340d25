#include "app/Form1Runner.h"

#include "AppTestSupport.h"

#include <QtTest/QTest>
#include <atomic>
#include <future>

using namespace corvane;
using namespace corvane::app;

namespace {

// The test's library, but "Road Trip" is read slowly: its listing says how far it is and waits
// until the test releases it. It reads ahead until told to stop, and notes whether a listing ever
// came while it did.
class SlowLibrary final : public library::Player,
                          public library::PlaylistCollection,
                          public library::ReadAhead,
                          public std::enable_shared_from_this<SlowLibrary> {
public:
    SlowLibrary(std::shared_ptr<const library::PlaylistCollection> library,
                std::shared_ptr<library::ReadProgress> progress)
        : library_(std::move(library))
        , progress_(std::move(progress)) {}

    QString versionInfo() const override { return QStringLiteral("12.0.0"); }
    std::shared_ptr<const library::PlaylistCollection> playlistCollection() const override {
        return shared_from_this();
    }
    library::PlaylistArray getAll() const override { return library_->getAll(); }
    library::PlaylistArray getByName(const QString& name) const override {
        overlapped = overlapped || readingAhead;
        if (name == QStringLiteral("Road Trip")) {
            progress_->report(3200, 10000);
            released.wait_for(std::chrono::seconds(10)); // a window that waits fails, not hangs
            progress_->report(0, 0);
        }
        return library_->getByName(name);
    }
    bool readAhead(const std::function<bool()>& stop) const override {
        readingAhead = true;
        ++readsAhead;
        while (!stop() && readsAhead == 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        readingAhead = false;
        return readsAhead > 1;
    }

    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    mutable std::atomic<int> readsAhead{0};
    mutable std::atomic<bool> readingAhead{false};
    mutable std::atomic<bool> overlapped{false};

private:
    std::shared_ptr<const library::PlaylistCollection> library_;
    std::shared_ptr<library::ReadProgress> progress_;
};

struct Runner : test::FormTest {};

} // namespace

TEST_F(Runner, AClickDuringASlowListingIsAnsweredAfterItAndTheWindowSaysHowFarItIs) {
    const auto progress = std::make_shared<library::ReadProgress>();
    const auto slow = std::make_shared<SlowLibrary>(library, progress);
    auto form = makeForm(slow);
    form->Form_Load();
    auto runner = std::make_unique<Form1Runner>(*form, progress);
    int changes = 0;
    QObject::connect(runner.get(), &Form1Runner::changed, [&] { ++changes; });
    const auto idle = [&] { return QTest::qWaitFor([&] { return runner->idle(); }); };

    runner->CmdPlaylists_Click();
    ASSERT_TRUE(idle());
    // The list shown, the songs are read ahead while nothing else is asked.
    ASSERT_TRUE(QTest::qWaitFor([&] { return slow->readingAhead.load(); }));
    const int line = lineOf(*form, QStringLiteral("Road Trip"));
    runner->List1_Click(line);
    runner->cmdSort_Click(0); // comes while the listing runs
    EXPECT_FALSE(runner->idle());
    // The window's thread goes on: the status line says how far the reading is.
    const int drawn = changes;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return runner->statusLine() == QStringLiteral("Reading 3,200 of 10,000 songs...");
    }));
    EXPECT_GT(changes, drawn);
    slow->release.set_value();
    ASSERT_TRUE(idle());

    // As the same clicks one after another give it: the playlist, then sorted.
    auto sameClicks = loadedForm();
    sameClicks->CmdPlaylists_Click();
    sameClicks->List1_Click(line);
    sameClicks->cmdSort_Click(0);
    EXPECT_EQ(form->state().List1.lines(), sameClicks->state().List1.lines());
    EXPECT_TRUE(form->state().List1.lines().join(u'\n').contains(QStringLiteral("Apple")));
    EXPECT_EQ(runner->statusLine(), form->statusLine());
    // The read ahead gave way to the listing, and goes on after it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return slow->readsAhead.load() == 2; }));
    runner.reset();
    EXPECT_FALSE(slow->overlapped.load());
}
