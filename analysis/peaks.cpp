#include "analysis/peaks.h"

#include "playback/mpg123_decoder.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
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

void SizePeakArrays(ProgramState& st) {
    for (auto* v : {&st.PeakMaxL, &st.PeakMinL, &st.PeakMaxR, &st.PeakMinR})
        v->assign(st.FrameCount, 0);
}

bool CanDecode(const ProgramState& st) {
    return st.IndexedFrames > 0 && st.FrameCount > 0 &&
           (st.ChannelCount == 1 || st.ChannelCount == 2) && st.SamplesPerFrame > 0;
}

} // namespace

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

bool CalculatePeaksParallel(ProgramState& st, unsigned threads, const ProgressFn& progress,
                            const std::atomic<bool>* cancel) {
    if (threads == 0)
        threads = std::max(1u, std::thread::hardware_concurrency());
    const uint32_t n = st.FrameCount;
    const uint32_t indexed = static_cast<uint32_t>(std::max(st.IndexedFrames, 0));
    // Small files, or one core: not worth the warm-up frames.
    if (threads == 1 || n < 2000 || !CanDecode(st))
        return CalculatePeaks(st, progress, cancel);
    SizePeakArrays(st);

    // Shares of about equal size; every share starts at an indexed frame, the
    // last one runs to the end of the table.
    const uint32_t shares = threads * 4;
    std::vector<uint32_t> begin;
    for (uint32_t k = 0; k < shares; ++k) {
        const uint32_t b = static_cast<uint32_t>(static_cast<uint64_t>(n) * k / shares);
        if (b < indexed && (begin.empty() || b > begin.back()))
            begin.push_back(b);
    }
    begin.push_back(n);

    std::atomic<size_t> nextShare{0};
    std::atomic<uint32_t> done{0};
    std::atomic<bool> stopped{false};
    std::mutex progressMutex;
    auto report = [&](uint32_t add) {
        const uint32_t d = done.fetch_add(add) + add;
        const double x = static_cast<double>(d) / n * 100.0;
        st.ProgressPercent = x;
        std::lock_guard<std::mutex> lock(progressMutex);
        if (x - st.LastShownPercent >= 1.0) {
            st.LastShownPercent = x;
            if (progress)
                progress("Calculating Peaks", x);
        }
    };
    auto worker = [&] {
        Mpg123Decoder dec;
        for (;;) {
            const size_t k = nextShare.fetch_add(1);
            if (k + 1 >= begin.size() || stopped.load())
                return;
            const uint32_t from = begin[k], to = begin[k + 1];
            bool streaming = dec.OpenAtFrame(st.FileBuffer.data(), st.FileBuffer.size(),
                                             st.FramePos.data(), indexed, from);
            uint32_t pending = 0;
            for (uint32_t j = from; j < to && streaming; ++j) {
                const int16_t* pcm = nullptr;
                size_t bytes = 0;
                streaming = dec.NextFrame(pcm, bytes);
                if (streaming)
                    FramePeaks(st, j, pcm, bytes);
                if (++pending == 256) {
                    report(pending);
                    pending = 0;
                    if (cancel && cancel->load(std::memory_order_relaxed)) {
                        stopped = true;
                        return;
                    }
                }
            }
            report(pending);
            dec.Close();
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t)
        pool.emplace_back(worker);
    worker();
    for (auto& t : pool)
        t.join();
    st.ProgressPercent = 0.0;
    return !stopped.load();
}

} // namespace tessivo
