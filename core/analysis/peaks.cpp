#include "core/analysis/peaks.h"

#include "core/util/run_on_threads.h"

#include "core/analysis/peak_shares.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tessivo {

void SizePeakArrays(const StreamFacts& stream, PeakTable& peaks, bool loudness) {
    for (auto* v : {&peaks.PeakMaxL, &peaks.PeakMinL, &peaks.PeakMaxR, &peaks.PeakMinR})
        v->assign(stream.FrameCount, 0);
    peaks.FrameLoudness.assign(loudness ? stream.FrameCount * kLoudnessSlices : 0, 0.0f);
}

std::string PeakProgressText(double percent) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "Calculating Peaks - %.1f%%", percent);
    return buf;
}

bool CalculatePeaks(AnalysedFile& file, ProgressValues& meter, const ProgressFn& progress,
                    const std::atomic<bool>* cancel, bool loudness) {
    SizePeakArrays(file, file, loudness);
    if (!CanDecode(file))
        return true;
    const uint32_t n = file.FrameCount;
    const bool done = DecodeSequential(file, file, [&](uint32_t j) {
        const double x = static_cast<double>(j) / n * 100.0;
        meter.ProgressPercent = x;
        if (x - meter.LastShownPercent >= 1.0) {
            meter.LastShownPercent = x;
            if (progress)
                progress("Calculating Peaks", x);
        }
        return !(cancel && (j & 255) == 0 && cancel->load(std::memory_order_relaxed));
    });
    meter.ProgressPercent = 0.0;
    return done;
}

namespace {

// Progress of the workers together, and the stop request they share.
class WorkerProgress {
public:
    WorkerProgress(uint32_t frames, ProgressValues& meter, const ProgressFn& progress,
                   const std::atomic<bool>* cancel)
        : frames_(frames), meter_(meter), progress_(progress), cancel_(cancel) {}

    // Counts `add` more frames decoded.
    void Report(uint32_t add) {
        const uint32_t d = done_.fetch_add(add) + add;
        const double x = std::min(100.0, static_cast<double>(d) / frames_ * 100.0);
        meter_.ProgressPercent = x;
        std::lock_guard<std::mutex> lock(mutex_);
        if (x - meter_.LastShownPercent >= 1.0) {
            meter_.LastShownPercent = x;
            if (progress_)
                progress_("Calculating Peaks", x);
        }
    }
    // True once the user cancelled (or another worker saw it).
    bool Stop() {
        if (stopped_.load() || (cancel_ && cancel_->load(std::memory_order_relaxed)))
            stopped_ = true;
        return stopped_.load();
    }
    bool Stopped() const { return stopped_.load(); }

private:
    uint32_t frames_;
    ProgressValues& meter_;
    const ProgressFn& progress_;
    const std::atomic<bool>* cancel_;
    std::atomic<uint32_t> done_{0};
    std::atomic<bool> stopped_{false};
    std::mutex mutex_;
};

// Runs `threads` workers (this thread among them) that take shares in turn.
// False when cancelled.
bool RunWorkers(AnalysedFile& file, std::vector<Share>& parts, unsigned threads,
                WorkerProgress& prog) {
    const uint32_t shares = static_cast<uint32_t>(parts.size());
    std::atomic<uint32_t> nextShare{0};
    auto worker = [&] {
        uint32_t pending = 0;
        auto tick = [&](uint32_t) {
            if (++pending == 256) {
                prog.Report(pending);
                pending = 0;
                if (prog.Stop())
                    return false;
            }
            return true;
        };
        for (;;) {
            const uint32_t k = nextShare.fetch_add(1);
            if (k >= shares || prog.Stopped())
                break;
            DecodeShare(file, file, parts[k], k + 1 == shares, tick);
        }
        prog.Report(pending);
    };
    RunOnThreads(threads, [&worker](size_t) { worker(); });
    return !prog.Stopped();
}

} // namespace

bool CalculatePeaksParallel(AnalysedFile& file, ProgressValues& meter, unsigned threads,
                            const ProgressFn& progress, const std::atomic<bool>* cancel,
                            uint32_t shares, uint32_t* redecoded, bool loudness) {
    if (redecoded)
        *redecoded = 0;
    if (threads == 0)
        threads = std::max(1u, std::thread::hardware_concurrency());
    const uint32_t n = file.FrameCount;
    const uint32_t indexed = static_cast<uint32_t>(std::max(file.IndexedFrames, 0));
    if (shares == 0) {
        // Small files, or one core: not worth the warm-up frames.
        if (threads == 1 || n < 2000)
            return CalculatePeaks(file, meter, progress, cancel, loudness);
        shares = threads * 2;
    }
    // Every share must be long enough for the seam check.
    shares = std::min(shares, std::min(n, indexed) / (2 * kSeamFrames));
    if (shares < 2 || !CanDecode(file))
        return CalculatePeaks(file, meter, progress, cancel, loudness);
    SizePeakArrays(file, file, loudness);

    std::vector<Share> parts = PlanShares(n, indexed, shares);
    WorkerProgress prog(n, meter, progress, cancel);
    if (!RunWorkers(file, parts, threads, prog)) {
        meter.ProgressPercent = 0.0;
        return false;
    }
    const uint32_t again = RepairSeams(file, file, parts);
    if (redecoded)
        *redecoded = again;
    meter.ProgressPercent = 0.0;
    return true;
}

} // namespace tessivo
