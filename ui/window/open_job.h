// The window's open of a file, in two steps. First a worker thread reads the
// file and builds its frame index, with the peak table the cache holds for
// it or a preview from the side information; the window adopts that at once.
// Then the exact peaks are computed in the background (the frames in view
// first) and copied into the document as each range arrives (the workers
// post the copy to the window's thread); when all are done they
// go into the peak cache. Cancelling stops both at once.
#pragma once

#include "core/analysis/background_peaks.h"
#include "core/document/document.h"
#include "core/state/program_state.h"
#include "ui/common/background_job.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <string>
#include <utility>

namespace tessivo {

// Where and how the exact peaks are computed.
struct PeakWorkSettings {
    // The peak cache; empty: none is read or written.
    std::string cacheFolder;
    // Background decoders; 0: one per core.
    unsigned threads = 0;
    uint32_t chunkFrames = BackgroundPeaks::kDefaultChunkFrames;
};

// The window's title and status words before an open, put back when the
// open is refused.
struct ShownWords {
    QString title;
    QString status;
};

class OpenJob : public QObject {
    Q_OBJECT
public:
    // `progress` is the shown state's progress, which the file read moves.
    OpenJob(Document& doc, std::atomic<double>& progress, PeakWorkSettings settings,
            QObject* parent = nullptr);
    ~OpenJob() override;

    // --- The open (frame index) ---
    // Starts reading `path` on the worker thread; stops the background peaks
    // of the file shown first.
    void start(const std::string& path, bool viewerEnabled);
    // True from start() until opened() was sent.
    bool busy() const { return busy_; }
    // Stops a running open and the background peaks; returns once their
    // threads have stopped. No signal follows for a cancelled open.
    void cancel();
    // The analysed file after opened(true); empty once taken.
    std::unique_ptr<AnalysedFile> takeResult() { return std::move(result_); }
    // The result's peaks came from the cache: they are exact.
    bool resultExact() const { return resultExact_; }

    // --- The exact peaks of the adopted file ---
    // Starts computing the exact peaks of the document's file (its image and
    // frame index must not change until cancel()).
    void startPeaks();
    // True from startPeaks() until peaksFinished() was sent.
    bool peaksRunning() const { return peaks_ != nullptr; }
    // 0..100 of the exact peaks.
    double peaksPercent() const;
    // Frames [first, last) are in view: they are computed next.
    void setViewRange(uint32_t first, uint32_t last);
    // While held, nothing is copied into the document and the peaks do not
    // finish (tests: "still computing" for as long as they need).
    void holdPeaks(bool held);
    bool peaksHeld() const { return held_; }

    // --- The wait cursor and the words a refused open puts back ---
    void setWaitCursor(bool on);
    void setShownBefore(ShownWords words) { shownBefore_ = std::move(words); }
    const ShownWords& shownBefore() const { return shownBefore_; }

signals:
    // The open ended: ok, or refused with `message` (`failed`: an error
    // rather than a file that is not an MP3). Not sent after cancel().
    void opened(bool ok, bool failed, const QString& message);
    // Every exact peak is in the document now.
    void peaksFinished();
    // How far the file's read and the exact peaks are (0..100).
    void progress(double percent);
    void peaksProgress(double percent);

private:
    void runWorker(const std::string& path, bool viewerEnabled);
    void finishOpen();
    void queuePeaksCopy();
    void copyPeaks();
    void cancelPeaks();

    Document& doc_;
    std::atomic<double>& progress_;
    PeakWorkSettings settings_;
    bool busy_ = false;
    bool waitCursor_ = false;
    BackgroundJob* openWork_ = nullptr;
    std::unique_ptr<AnalysedFile> scratch_;
    std::unique_ptr<AnalysedFile> result_;
    bool resultExact_ = false;
    bool workerOk_ = false;
    bool workerFailed_ = false;
    QString workerMessage_;
    // The exact peaks, copied into the document as they are finished.
    std::unique_ptr<BackgroundPeaks> peaks_;
    // A copy is posted to the window's thread and has not run yet.
    std::atomic<bool> copyQueued_{false};
    bool held_ = false;
    ShownWords shownBefore_;
};

} // namespace tessivo
