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

void SizePeakArrays(ProgramState& st, bool loudness) {
    for (auto* v : {&st.PeakMaxL, &st.PeakMinL, &st.PeakMaxR, &st.PeakMinR})
        v->assign(st.FrameCount, 0);
    st.FrameLoudness.assign(loudness ? st.FrameCount * kLoudnessSlices : 0, 0.0f);
}

std::string PeakProgressText(double percent) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "Calculating Peaks - %.1f%%", percent);
    return buf;
}

bool CalculatePeaks(ProgramState& st, const ProgressFn& progress, const std::atomic<bool>* cancel,
                    bool loudness) {
    SizePeakArrays(st, loudness);
    if (!CanDecode(st))
        return true;
    const uint32_t n = st.FrameCount;
    const bool done = DecodeSequential(st, st, [&](uint32_t j) {
        const double x = static_cast<double>(j) / n * 100.0;
        st.ProgressPercent = x;
        if (x - st.LastShownPercent >= 1.0) {
            st.LastShownPercent = x;
            if (progress)
                progress("Calculating Peaks", x);
        }
        return !(cancel && (j & 255) == 0 && cancel->load(std::memory_order_relaxed));
    });
    st.ProgressPercent = 0.0;
    return done;
}

namespace {

// Progress of the workers together, and the stop request they share.
class WorkerProgress {
public:
    WorkerProgress(ProgramState& st, const ProgressFn& progress, const std::atomic<bool>* cancel)
        : st_(st), progress_(progress), cancel_(cancel) {}

    // Counts `add` more frames decoded.
    void Report(uint32_t add) {
        const uint32_t d = done_.fetch_add(add) + add;
        const double x = std::min(100.0, static_cast<double>(d) / st_.FrameCount * 100.0);
        st_.ProgressPercent = x;
        std::lock_guard<std::mutex> lock(mutex_);
        if (x - st_.LastShownPercent >= 1.0) {
            st_.LastShownPercent = x;
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
    ProgramState& st_;
    const ProgressFn& progress_;
    const std::atomic<bool>* cancel_;
    std::atomic<uint32_t> done_{0};
    std::atomic<bool> stopped_{false};
    std::mutex mutex_;
};

// Runs `threads` workers (this thread among them) that take shares in turn.
// False when cancelled.
bool RunWorkers(ProgramState& st, std::vector<Share>& parts, unsigned threads,
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
            DecodeShare(st, st, parts[k], k + 1 == shares, tick);
        }
        prog.Report(pending);
    };
    RunOnThreads(threads, [&worker](size_t) { worker(); });
    return !prog.Stopped();
}

} // namespace

bool CalculatePeaksParallel(ProgramState& st, unsigned threads, const ProgressFn& progress,
                            const std::atomic<bool>* cancel, uint32_t shares, uint32_t* redecoded,
                            bool loudness) {
    if (redecoded)
        *redecoded = 0;
    if (threads == 0)
        threads = std::max(1u, std::thread::hardware_concurrency());
    const uint32_t n = st.FrameCount;
    const uint32_t indexed = static_cast<uint32_t>(std::max(st.IndexedFrames, 0));
    if (shares == 0) {
        // Small files, or one core: not worth the warm-up frames.
        if (threads == 1 || n < 2000)
            return CalculatePeaks(st, progress, cancel, loudness);
        shares = threads * 2;
    }
    // Every share must be long enough for the seam check.
    shares = std::min(shares, std::min(n, indexed) / (2 * kSeamFrames));
    if (shares < 2 || !CanDecode(st))
        return CalculatePeaks(st, progress, cancel, loudness);
    SizePeakArrays(st, loudness);

    std::vector<Share> parts = PlanShares(n, indexed, shares);
    WorkerProgress prog(st, progress, cancel);
    if (!RunWorkers(st, parts, threads, prog)) {
        st.ProgressPercent = 0.0;
        return false;
    }
    const uint32_t again = RepairSeams(st, st, parts);
    if (redecoded)
        *redecoded = again;
    st.ProgressPercent = 0.0;
    return true;
}

} // namespace tessivo
