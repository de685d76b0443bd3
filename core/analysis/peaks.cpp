#include "core/analysis/peaks.h"

#include "core/playback/mpg123_decoder.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tessivo {

namespace {

// Peaks of one decoded frame. Samples the decoder did not deliver count as 0.
void FramePeaks(ProgramState& st, uint32_t j, const int16_t* pcm, size_t bytes) {
    const int spf = st.SamplesPerFrame;
    const int ch = st.ChannelCount;
    const size_t have =
        std::min<size_t>(bytes / 2 / static_cast<size_t>(ch), static_cast<size_t>(spf));
    int16_t maxL = 0, minL = 0, maxR = 0, minR = 0;
    if (have > 0) {
        maxL = minL = pcm[0];
        if (ch == 2)
            maxR = minR = pcm[1];
    }
    if (ch == 2) {
        for (size_t s = 0; s < have; ++s) {
            const int16_t l = pcm[2 * s], r = pcm[2 * s + 1];
            maxL = std::max(maxL, l);
            minL = std::min(minL, l);
            maxR = std::max(maxR, r);
            minR = std::min(minR, r);
        }
    } else {
        for (size_t s = 0; s < have; ++s) {
            maxL = std::max(maxL, pcm[s]);
            minL = std::min(minL, pcm[s]);
        }
    }
    if (have < static_cast<size_t>(spf)) { // the missing samples are 0
        maxL = std::max<int16_t>(maxL, 0);
        minL = std::min<int16_t>(minL, 0);
        if (ch == 2) {
            maxR = std::max<int16_t>(maxR, 0);
            minR = std::min<int16_t>(minR, 0);
        }
    }
    st.PeakMaxL[j] = maxL;
    st.PeakMinL[j] = minL;
    st.PeakMaxR[j] = maxR;
    st.PeakMinR[j] = minR;
}

bool CanDecode(const ProgramState& st) {
    return st.IndexedFrames > 0 && st.FrameCount > 0 &&
           (st.ChannelCount == 1 || st.ChannelCount == 2) && st.SamplesPerFrame > 0;
}

} // namespace

void SizePeakArrays(ProgramState& st) {
    for (auto* v : {&st.PeakMaxL, &st.PeakMinL, &st.PeakMaxR, &st.PeakMinR})
        v->assign(st.FrameCount, 0);
}

std::string PeakProgressText(double percent) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "Calculating Peaks - %.1f%%", percent);
    return buf;
}

bool CalculatePeaks(ProgramState& st, const ProgressFn& progress, const std::atomic<bool>* cancel) {
    SizePeakArrays(st);
    if (!CanDecode(st))
        return true;
    Mpg123Decoder dec;
    bool streaming =
        dec.Open(st.FileBuffer.data(), st.FileBuffer.size(), static_cast<size_t>(st.FramePos[0]));
    const uint32_t n = st.FrameCount;
    for (uint32_t j = 0; j < n; ++j) {
        const int16_t* pcm = nullptr;
        size_t bytes = 0;
        if (streaming)
            streaming = dec.NextFrame(pcm, bytes);
        if (streaming)
            FramePeaks(st, j, pcm, bytes);
        const double x = static_cast<double>(j) / n * 100.0;
        st.ProgressPercent = x;
        if (x - st.LastShownPercent >= 1.0) {
            st.LastShownPercent = x;
            if (progress)
                progress("Calculating Peaks", x);
        }
        if (cancel && (j & 255) == 0 && cancel->load(std::memory_order_relaxed)) {
            st.ProgressPercent = 0.0;
            return false;
        }
    }
    st.ProgressPercent = 0.0;
    return true;
}

namespace {

// One piece of the parallel decode.
struct Share {
    uint32_t from = 0, to = 0;              // frames [from, to)
    std::unique_ptr<Mpg123Decoder> decoder; // left just past the tail frames
    std::vector<std::vector<int16_t>> head; // PCM of the first frames decoded from `from`
    std::vector<std::vector<int16_t>> tail; // PCM of the frames after `to`, same decoder
    bool ended = false;                     // the stream ended inside the share
};

// Frames compared at every seam between two shares.
constexpr uint32_t kSeamFrames = 32;

// Decodes frames [from, to) of `st` with `dec`, storing their peaks; the
// first `keepHead` frames' PCM go to `head`. False when the stream ended.
bool DecodeRange(ProgramState& st, Mpg123Decoder& dec, uint32_t from, uint32_t to,
                 std::vector<std::vector<int16_t>>* head, uint32_t keepHead,
                 const std::function<bool(uint32_t)>& tick) {
    for (uint32_t j = from; j < to; ++j) {
        const int16_t* pcm = nullptr;
        size_t bytes = 0;
        if (!dec.NextFrame(pcm, bytes))
            return false;
        FramePeaks(st, j, pcm, bytes);
        if (head && j - from < keepHead)
            head->emplace_back(pcm, pcm + bytes / 2);
        if (tick && !tick(j))
            return false;
    }
    return true;
}

// PCM of the next `count` frames (fewer when the stream ends).
std::vector<std::vector<int16_t>> DecodeTail(Mpg123Decoder& dec, uint32_t count) {
    std::vector<std::vector<int16_t>> out;
    for (uint32_t i = 0; i < count; ++i) {
        const int16_t* pcm = nullptr;
        size_t bytes = 0;
        if (!dec.NextFrame(pcm, bytes))
            break;
        out.emplace_back(pcm, pcm + bytes / 2);
    }
    return out;
}

// Shares of about equal size, each starting at an indexed frame; the last one
// runs to the end of the table.
std::vector<Share> PlanShares(uint32_t frames, uint32_t indexed, uint32_t shares) {
    std::vector<Share> parts(shares);
    const uint64_t span = std::min(frames, indexed);
    for (uint32_t k = 0; k < shares; ++k) {
        parts[k].from = static_cast<uint32_t>(span * k / shares);
        parts[k].to = k + 1 < shares ? static_cast<uint32_t>(span * (k + 1) / shares) : frames;
    }
    return parts;
}

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

// Decodes one share with a decoder of its own, keeping its first frames' PCM
// and (unless it is the last share) the PCM of the frames after it.
void DecodeShare(ProgramState& st, Share& sh, bool last, uint32_t indexed,
                 const std::function<bool(uint32_t)>& tick) {
    sh.decoder = std::make_unique<Mpg123Decoder>();
    if (!sh.decoder->OpenAtFrame(st.FileBuffer.data(), st.FileBuffer.size(), st.FramePos.data(),
                                 indexed, sh.from) ||
        !DecodeRange(st, *sh.decoder, sh.from, sh.to, &sh.head, kSeamFrames, tick)) {
        sh.ended = true;
        return;
    }
    if (!last)
        sh.tail = DecodeTail(*sh.decoder, kSeamFrames);
}

// Runs `threads` workers (this thread among them) that take shares in turn.
// False when cancelled.
bool RunWorkers(ProgramState& st, std::vector<Share>& parts, unsigned threads, uint32_t indexed,
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
            DecodeShare(st, parts[k], k + 1 == shares, indexed, tick);
        }
        prog.Report(pending);
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t)
        pool.emplace_back(worker);
    worker();
    for (auto& t : pool)
        t.join();
    return !prog.Stopped();
}

void ClearPeaks(ProgramState& st, uint32_t from, uint32_t to) {
    for (uint32_t j = from; j < to; ++j)
        st.PeakMaxL[j] = st.PeakMinL[j] = st.PeakMaxR[j] = st.PeakMinR[j] = 0;
}

// Share `cur` decoded again by the previous share's decoder, which is known
// good: first the frames it already gave, then the rest.
void RedecodeShare(ProgramState& st, Share& prev, Share& cur, bool last) {
    uint32_t j = cur.from;
    for (const auto& pcm : prev.tail) {
        if (j >= cur.to)
            break;
        FramePeaks(st, j, pcm.data(), pcm.size() * 2);
        ++j;
    }
    bool ok = prev.tail.size() == kSeamFrames || cur.from + prev.tail.size() >= cur.to;
    if (ok)
        ok = DecodeRange(st, *prev.decoder, j, cur.to, nullptr, 0, {});
    ClearPeaks(st, ok ? cur.to : j, cur.to);
    cur.decoder = std::move(prev.decoder);
    cur.ended = !ok;
    cur.tail =
        ok && !last ? DecodeTail(*cur.decoder, kSeamFrames) : std::vector<std::vector<int16_t>>{};
}

// Seams, in order. Share 0 decoded from the first frame, like the sequential
// decode. A later share counts as decoded alike when its first frames equal,
// sample for sample, what the previous share's decoder gave for them;
// otherwise that decoder decodes the share again (the warm-up could not
// reproduce its state). Returns how many shares were decoded again.
uint32_t RepairSeams(ProgramState& st, std::vector<Share>& parts) {
    uint32_t redecoded = 0;
    for (size_t k = 1; k < parts.size(); ++k) {
        Share& prev = parts[k - 1];
        Share& cur = parts[k];
        if (!prev.ended && !cur.ended && prev.tail == cur.head)
            continue;
        if (prev.ended || !prev.decoder) {
            // The stream ended before this share: its frames stay silent, as
            // in the sequential decode.
            ClearPeaks(st, cur.from, cur.to);
            cur.ended = true;
            cur.decoder.reset();
            continue;
        }
        ++redecoded;
        RedecodeShare(st, prev, cur, k + 1 == parts.size());
    }
    return redecoded;
}

} // namespace

bool CalculatePeaksParallel(ProgramState& st, unsigned threads, const ProgressFn& progress,
                            const std::atomic<bool>* cancel, uint32_t shares, uint32_t* redecoded) {
    if (redecoded)
        *redecoded = 0;
    if (threads == 0)
        threads = std::max(1u, std::thread::hardware_concurrency());
    const uint32_t n = st.FrameCount;
    const uint32_t indexed = static_cast<uint32_t>(std::max(st.IndexedFrames, 0));
    if (shares == 0) {
        // Small files, or one core: not worth the warm-up frames.
        if (threads == 1 || n < 2000)
            return CalculatePeaks(st, progress, cancel);
        shares = threads * 2;
    }
    // Every share must be long enough for the seam check.
    shares = std::min(shares, std::min(n, indexed) / (2 * kSeamFrames));
    if (shares < 2 || !CanDecode(st))
        return CalculatePeaks(st, progress, cancel);
    SizePeakArrays(st);

    std::vector<Share> parts = PlanShares(n, indexed, shares);
    WorkerProgress prog(st, progress, cancel);
    if (!RunWorkers(st, parts, threads, indexed, prog)) {
        st.ProgressPercent = 0.0;
        return false;
    }
    const uint32_t again = RepairSeams(st, parts);
    if (redecoded)
        *redecoded = again;
    st.ProgressPercent = 0.0;
    return true;
}

} // namespace tessivo
