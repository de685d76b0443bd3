// Runs a split on a worker thread so the window stays responsive: the files
// are written there, the progress and the result come back as signals on the
// window's thread. The document is finished (marks, notification) only on
// the window's thread.
#pragma once

#include "core/document/document.h"
#include "core/output/split_parts.h"

#include <QObject>

#include <atomic>
#include <thread>

class QTimer;

namespace tessivo {

class SplitRunner : public QObject {
    Q_OBJECT
public:
    SplitRunner(Document& doc, QObject* parent = nullptr);
    ~SplitRunner() override; // waits for a running split

    // Starts writing; false (and nothing happens) while a split runs.
    bool start(PartFileSystem& fs, const SplitOptions& options);
    bool isRunning() const { return running_; }
    // 0..100: the share of the bytes written so far.
    double percent() const { return percent_.load(); }
    // Blocks until a running split has written its files, then finishes it
    // as the timer would have (closing the window, tests).
    void wait();

signals:
    void started();
    void progress(double percent);
    void finished(const tessivo::SplitResult& result);

private:
    void poll();
    void finish();

    Document& doc_;
    QTimer* pollTimer_ = nullptr;
    std::thread worker_;
    bool running_ = false;
    std::atomic<bool> done_{false};
    std::atomic<double> percent_{0.0};
    SplitResult result_;
};

} // namespace tessivo
