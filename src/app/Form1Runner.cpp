#include "app/Form1Runner.h"

#include <QLocale>

namespace corvane::app {
namespace {

// How soon, and how often, a handler that runs says what it is doing.
constexpr int TickMs = 200;

} // namespace

QString readingText(library::ReadProgress::Now now) {
    const QLocale english(QLocale::English);
    return QStringLiteral("Reading %1 of %2 songs...")
        .arg(english.toString(now.done), english.toString(now.total));
}

Form1Runner::Form1Runner(Form1& form, std::shared_ptr<library::ReadProgress> progress)
    : form_(form)
    , progress_(std::move(progress))
    , ahead_(dynamic_cast<const library::ReadAhead*>(form.state().Player.get())) {
    ticks_.setInterval(TickMs);
    connect(&ticks_, &QTimer::timeout, this, &Form1Runner::tick);
    worker_ = std::thread([this] { work(); });
}

Form1Runner::~Form1Runner() {
    quit_ = true;
    if (progress_) {
        progress_->stop();
    }
    {
        const std::lock_guard lock(mutex_);
        wake_.notify_one();
    }
    worker_.join();
}

void Form1Runner::CmdPlaylists_Click() {
    post({Where::Apart, [](Form1& f) { f.CmdPlaylists_Click(); }, true});
}
void Form1Runner::List1_Click(int index) {
    post({Where::Apart, [index](Form1& f) { f.List1_Click(index); }});
}
void Form1Runner::CmdSelected_Click() {
    post({Where::Apart, [](Form1& f) { f.CmdSelected_Click(); }});
}
void Form1Runner::cmdCDLabel_Click() {
    post({Where::Apart, [](Form1& f) { f.cmdCDLabel_Click(); }});
}
void Form1Runner::cmdCustom_Click(int Index) {
    post({Where::Apart, [Index](Form1& f) { f.cmdCustom_Click(Index); }});
}
void Form1Runner::cmdReset_Click() {
    post({Where::Apart, [](Form1& f) { f.cmdReset_Click(); }});
}
void Form1Runner::cmdSort_Click(int Index) {
    post({Where::Apart, [Index](Form1& f) { f.cmdSort_Click(Index); }});
}
// These read no library; the printer and the browser are the window's.
void Form1Runner::cmdSave_Click() {
    post({Where::Here, [](Form1& f) { f.cmdSave_Click(); }});
}
void Form1Runner::cmdMinorSort_Click() {
    post({Where::Here, [](Form1& f) { f.cmdMinorSort_Click(); }});
}
void Form1Runner::CmdPrint_Click() {
    post({Where::Here, [](Form1& f) { f.CmdPrint_Click(); }});
}
void Form1Runner::cmdWebSite_Click() {
    post({Where::Here, [](Form1& f) { f.cmdWebSite_Click(); }});
}

void Form1Runner::inTurn(std::function<void(Form1&)> step) {
    post({Where::Here, std::move(step)});
}

void Form1Runner::List1_MouseMove(const views::ListBoxGeometry& geometry, float X, float Y) {
    if (idle()) {
        form_.List1_MouseMove(geometry, X, Y);
        Q_EMIT changed();
    }
}

QString Form1Runner::statusLine() const {
    return running_ ? shown_ : form_.statusLine();
}

void Form1Runner::post(Task task) {
    waiting_.push_back(std::move(task));
    next();
}

void Form1Runner::next() {
    while (!running_ && !waiting_.empty()) {
        Task task = std::move(waiting_.front());
        waiting_.pop_front();
        if (task.where == Where::Here) {
            task.handler(form_);
            Q_EMIT changed();
            continue;
        }
        running_ = true;
        if (progress_) {
            progress_->resume();
        }
        shown_ = form_.statusLine();
        ticks_.start();
        {
            const std::lock_guard lock(mutex_);
            jobWaiting_ = true;
            job_ = [this, task = std::move(task)] {
                task.handler(form_);
                if (task.readAheadAfter && ahead_) {
                    const std::lock_guard lock(mutex_);
                    readAhead_ = true;
                }
                QMetaObject::invokeMethod(this, &Form1Runner::finished, Qt::QueuedConnection);
            };
        }
        wake_.notify_one();
    }
}

void Form1Runner::finished() {
    running_ = false;
    ticks_.stop();
    Q_EMIT changed();
    next();
}

void Form1Runner::tick() {
    const library::ReadProgress::Now now =
        progress_ ? progress_->now() : library::ReadProgress::Now{};
    QString text = now.total > 0 ? readingText(now) : QStringLiteral("Reading the library...");
    if (text != shown_) {
        shown_ = std::move(text);
        Q_EMIT changed();
    }
}

void Form1Runner::cancel() {
    if (running_ && progress_) {
        progress_->cancel();
    }
}

void Form1Runner::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || job_ || readAhead_; });
        if (quit_) {
            return;
        }
        if (job_) {
            const std::function<void()> job = std::exchange(job_, {});
            jobWaiting_ = false;
            lock.unlock();
            job();
            lock.lock();
            continue;
        }
        // Nothing else to do: the songs of every playlist, read ahead until a handler waits.
        lock.unlock();
        const bool done = ahead_->readAhead([this] { return jobWaiting_.load() || quit_.load(); });
        lock.lock();
        readAhead_ = readAhead_ && !done;
    }
}

} // namespace corvane::app
