#pragma once

#include "app/Form1.h"
#include "library/Reading.h"

#include <QObject>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// A window that never stalls: Form1's handlers run one after another, in the order their events
// came, and those that may read the library run on a thread of their own while the window goes on
// drawing. No toolkit: MainWindow forwards its events here and draws when told.
namespace corvane::app {

// What the status line says while songs are read: "Reading 3,200 of 10,000 songs...".
QString readingText(library::ReadProgress::Now now);

class Form1Runner final : public QObject {
    Q_OBJECT

public:
    // `form` is loaded; `progress` is the one its library reports to (may be null). When the
    // library can read ahead (library::ReadAhead), it reads the songs of every playlist once the
    // list of playlists is shown, whenever no handler runs.
    Form1Runner(Form1& form, std::shared_ptr<library::ReadProgress> progress);
    // Stops the library's reading and waits for the handler that runs.
    ~Form1Runner() override;
    Form1Runner(const Form1Runner&) = delete;
    Form1Runner& operator=(const Form1Runner&) = delete;

    // Form1's handlers, each run in its turn.
    void CmdPlaylists_Click();
    void List1_Click(int index);
    void CmdSelected_Click();
    void cmdCDLabel_Click();
    void cmdCustom_Click(int Index);
    void cmdReset_Click();
    void cmdSave_Click();
    void cmdSort_Click(int Index);
    void cmdMinorSort_Click();
    void CmdPrint_Click();
    void cmdWebSite_Click();
    // Runs `step` in its turn on the window's thread, once no handler runs: the window's
    // dialogs, which read Form1's state.
    void inTurn(std::function<void(Form1&)> step);
    // Passed over while a handler runs or waits: the tip is for lines being replaced.
    void List1_MouseMove(const views::ListBoxGeometry& geometry, float X, float Y);

    // Cancels the listing that runs (Escape): the library stops reading, and says so.
    void cancel();

    // No handler runs or waits: Form1's state may be read (and drawn).
    bool idle() const { return !running_ && waiting_.empty(); }
    // Form1's status line when idle; while a handler runs for a while, what it is doing.
    QString statusLine() const;

Q_SIGNALS:
    // Form1's state, or the status line while a handler runs, changed: draw again.
    void changed();

private:
    enum class Where { Here, Apart }; // on the window's thread, or on the runner's own
    struct Task {
        Where where;
        std::function<void(Form1&)> handler;
        bool readAheadAfter = false;
    };
    void post(Task task);
    void next();
    void finished();
    void tick();
    void work();

    Form1& form_;
    std::shared_ptr<library::ReadProgress> progress_;
    const library::ReadAhead* ahead_ = nullptr;

    // The window's thread only.
    std::deque<Task> waiting_;
    bool running_ = false; // a task runs apart
    QString shown_;        // the status line while it runs
    QTimer ticks_;         // while it runs: a few times a second, how far it is

    // Shared with the runner's thread.
    std::mutex mutex_;
    std::condition_variable wake_;
    std::function<void()> job_;
    bool readAhead_ = false;
    std::atomic<bool> jobWaiting_{false}; // stops a read ahead
    std::atomic<bool> quit_{false};
    std::thread worker_;
};

} // namespace corvane::app
