#include "ui/output/split_runner.h"

#include <QTimer>

namespace tessivo {

SplitRunner::SplitRunner(Document& doc, QObject* parent) : QObject(parent), doc_(doc) {
    pollTimer_ = new QTimer(this);
    pollTimer_->setInterval(50);
    connect(pollTimer_, &QTimer::timeout, this, &SplitRunner::poll);
}

SplitRunner::~SplitRunner() {
    if (worker_.joinable())
        worker_.join();
}

bool SplitRunner::start(PartFileSystem& fs, const SplitOptions& options) {
    if (running_)
        return false;
    running_ = true;
    done_ = false;
    percent_ = 0.0;
    const Document::PendingSplit pending = doc_.BeginSplit(options);
    emit started();
    worker_ = std::thread([this, pending, &fs] {
        result_ = doc_.RunSplit(pending, fs, [this](uint64_t done, uint64_t total) {
            if (total > 0)
                percent_ = 100.0 * static_cast<double>(done) / static_cast<double>(total);
        });
        done_ = true;
    });
    pollTimer_->start();
    return true;
}

void SplitRunner::poll() {
    if (done_)
        finish();
    else
        emit progress(percent_.load());
}

void SplitRunner::wait() {
    if (running_)
        finish();
}

void SplitRunner::finish() {
    pollTimer_->stop();
    if (worker_.joinable())
        worker_.join();
    running_ = false;
    doc_.FinishSplit(result_);
    const SplitResult result = std::move(result_);
    result_ = SplitResult{};
    emit finished(result);
}

} // namespace tessivo
