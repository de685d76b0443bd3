// One piece of long work on a worker thread, for the window's open, split,
// join and batch: the work reports its share done and reads the cancel
// flag; the progress and the end come back as signals on the window's
// thread, so nothing polls and nothing waits in a nested event loop.
#pragma once

#include <QObject>

#include <atomic>
#include <functional>
#include <thread>

namespace tessivo {

class BackgroundJob : public QObject {
    Q_OBJECT
public:
    explicit BackgroundJob(QObject* parent = nullptr);
    // Asks a running work to stop and waits for it.
    ~BackgroundJob() override;

    // Runs `work` on a worker thread; false (and nothing runs) while a work
    // runs. The cancel flag is cleared first.
    bool start(std::function<void()> work);
    bool isRunning() const { return running_; }

    // From the work: its share done, 0..100. progress() follows on the
    // window's thread for every tenth of a percent.
    void report(double percent);
    double percent() const { return percent_.load(); }
    // The flag the work stops at.
    const std::atomic<bool>& cancelFlag() const { return cancel_; }
    bool cancelled() const { return cancel_.load(); }

    // Sets the cancel flag; the work stops at it and finished() follows.
    void requestCancel() { cancel_ = true; }
    // Sets the cancel flag and waits for the work; no finished() follows.
    void cancel();
    // Waits for the work and sends finished() now (closing, tests).
    void wait();

signals:
    void progress(double percent);
    // The work has returned; its results may be read now.
    void finished();

private:
    void complete(unsigned generation);
    void join();

    std::thread worker_;
    bool running_ = false;
    // Counts the works started: a late end of an earlier one is ignored.
    unsigned generation_ = 0;
    std::atomic<bool> cancel_{false};
    std::atomic<double> percent_{0.0};
    std::atomic<int> shownTenths_{-1};
};

} // namespace tessivo
