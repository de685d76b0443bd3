#include "ui/window/open_job.h"

#include "core/analysis/open_file.h"
#include "core/analysis/peak_cache.h"
#include "ui/document/core_text.h"

#include <QApplication>

#include <exception>

namespace tessivo {

OpenJob::OpenJob(Document& doc, std::atomic<double>& progress, PeakWorkSettings settings,
                 QObject* parent)
    : QObject(parent), doc_(doc), progress_(progress), settings_(std::move(settings)) {
    openWork_ = new BackgroundJob(this);
    connect(openWork_, &BackgroundJob::finished, this, &OpenJob::finishOpen);
    connect(openWork_, &BackgroundJob::progress, this, &OpenJob::progress);
}

OpenJob::~OpenJob() {
    cancel();
}

void OpenJob::start(const std::string& path, bool viewerEnabled) {
    cancelPeaks();
    busy_ = true;
    setWaitCursor(true);
    runWorker(path, viewerEnabled);
}

void OpenJob::runWorker(const std::string& path, bool viewerEnabled) {
    // The worker fills the scratch file; it becomes the result when it is ok.
    scratch_ = std::make_unique<AnalysedFile>();
    scratch_->ViewerEnabled = viewerEnabled;
    result_.reset();
    resultExact_ = false;
    workerOk_ = false;
    workerFailed_ = false;
    workerMessage_.clear();

    openWork_->start([this, path] {
        AnalysedFile* scratch = scratch_.get();
        ProgressValues meter; // the open's own: the shown progress follows `progress`
        // Runs on the worker: only the atomics and the fields read after
        // finished() are written here.
        const ProgressFn progress = [this](const char*, double percent) {
            progress_ = percent;
            openWork_->report(percent);
        };
        try {
            const OpenResult r =
                AnalyseFile(*scratch, meter, path, false, progress, &openWork_->cancelFlag());
            if (r.ok)
                resultExact_ = InitialPeaks(*scratch, settings_.cacheFolder);
            workerOk_ = r.ok;
            if (!r.cancelled)
                workerMessage_ = CoreText(r.message);
        } catch (const std::exception& e) {
            workerMessage_ = QString::fromLocal8Bit(e.what());
            workerFailed_ = true;
        } catch (...) {
            workerMessage_ = tr("Unknown error while opening the file");
            workerFailed_ = true;
        }
        if (workerOk_)
            result_ = std::move(scratch_);
    });
}

void OpenJob::finishOpen() {
    progress_ = 0.0;
    busy_ = false;
    emit opened(workerOk_, workerFailed_, workerMessage_);
}

void OpenJob::cancel() {
    cancelPeaks();
    openWork_->cancel();
    result_.reset();
    if (busy_)
        progress_ = 0.0;
    busy_ = false;
    setWaitCursor(false);
}

void OpenJob::startPeaks() {
    cancelPeaks();
    peaks_ = std::make_unique<BackgroundPeaks>(
        doc_.State(), [this](FrameRange) { queuePeaksCopy(); }, settings_.threads,
        settings_.chunkFrames);
    peaks_->OnFinished([this] { queuePeaksCopy(); });
    peaks_->Start();
}

// Runs on a peak worker: one copy at a time is posted to the window's thread,
// and it takes every range finished by then. A copy posted for a job that was
// cancelled since finds nothing, or the next job's ranges.
void OpenJob::queuePeaksCopy() {
    if (copyQueued_.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            copyQueued_ = false;
            copyPeaks();
        },
        Qt::QueuedConnection);
}

void OpenJob::holdPeaks(bool held) {
    held_ = held;
    if (!held && peaks_)
        queuePeaksCopy(); // what arrived while held
}

void OpenJob::cancelPeaks() {
    if (peaks_)
        peaks_->Cancel();
    peaks_.reset();
}

double OpenJob::peaksPercent() const {
    return peaks_ ? peaks_->ProgressPercent() : 0.0;
}

void OpenJob::setViewRange(uint32_t first, uint32_t last) {
    if (peaks_)
        peaks_->SetPriorityRange(first, last);
}

// The ranges finished since the last copy go into the document; once all
// are, the table goes into the cache.
void OpenJob::copyPeaks() {
    if (held_ || !peaks_)
        return;
    const bool done = peaks_->Finished(); // before the copy: nothing comes after
    doc_.CopyFinishedPeaks(*peaks_);
    if (!done) {
        emit peaksProgress(peaks_->ProgressPercent());
        return;
    }
    if (!settings_.cacheFolder.empty())
        StorePeaks(settings_.cacheFolder, PeakCacheKeyOf(doc_.State()), doc_.State());
    peaks_.reset();
    emit peaksFinished();
}

void OpenJob::setWaitCursor(bool on) {
    if (on == waitCursor_)
        return;
    waitCursor_ = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace tessivo
