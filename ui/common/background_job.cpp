#include "ui/common/background_job.h"

#include <QMetaObject>

#include <cmath>

namespace tessivo {

BackgroundJob::BackgroundJob(QObject* parent) : QObject(parent) {}

BackgroundJob::~BackgroundJob() {
    cancel_ = true;
    join();
}

bool BackgroundJob::start(std::function<void()> work) {
    if (running_)
        return false;
    join();
    running_ = true;
    cancel_ = false;
    percent_ = 0.0;
    shownTenths_ = -1;
    const unsigned generation = ++generation_;
    worker_ = std::thread([this, generation, work = std::move(work)] {
        work();
        // Delivered on the window's thread; dropped if this job is gone.
        QMetaObject::invokeMethod(
            this, [this, generation] { complete(generation); }, Qt::QueuedConnection);
    });
    return true;
}

void BackgroundJob::report(double percent) {
    percent_ = percent;
    const int tenths = static_cast<int>(std::floor(percent * 10.0));
    if (shownTenths_.exchange(tenths) == tenths)
        return;
    QMetaObject::invokeMethod(
        this,
        [this, percent] {
            if (running_)
                emit progress(percent);
        },
        Qt::QueuedConnection);
}

void BackgroundJob::join() {
    if (worker_.joinable())
        worker_.join();
}

void BackgroundJob::complete(unsigned generation) {
    if (!running_ || generation != generation_)
        return;
    join();
    running_ = false;
    emit finished();
}

void BackgroundJob::cancel() {
    cancel_ = true;
    join();
    running_ = false;
}

void BackgroundJob::wait() {
    if (!running_)
        return;
    join();
    running_ = false;
    emit finished();
}

} // namespace tessivo
