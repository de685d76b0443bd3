// The exact peaks computed in the background: equal to CalculatePeaks for
// any chunk size, thread count and view, the view's chunks first, and a
// cancel that stops at once and publishes nothing more; the end is told once,
// after the last range.
#include "analysis_test_support.h"
#include "core/analysis/background_peaks.h"
#include "core/analysis/peaks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

using namespace tessivo;
using namespace analysis_test;

namespace {

bool SameTable(const PeakTable& a, const PeakTable& b) {
    return a.PeakMaxL == b.PeakMaxL && a.PeakMinL == b.PeakMinL && a.PeakMaxR == b.PeakMaxR &&
           a.PeakMinR == b.PeakMinR;
}

PeakTable Sequential(ProgramState& st) {
    EXPECT_TRUE(CalculatePeaks(st, st));
    return PeakTable(st);
}

// Frames covered by a set of ranges.
std::vector<bool> Covered(const std::vector<FrameRange>& ranges, uint32_t frames) {
    std::vector<bool> c(frames, false);
    for (const FrameRange& r : ranges) {
        EXPECT_LE(r.first, r.last);
        EXPECT_LE(r.last, frames);
        for (uint32_t j = r.first; j < r.last && j < frames; ++j)
            c[j] = true;
    }
    return c;
}

struct BgRun {
    unsigned threads;
    uint32_t chunk;
    FrameRange view; // in thousandths of the file
};

} // namespace

class BackgroundPeaksFixture : public ::testing::TestWithParam<std::string> {};

TEST_P(BackgroundPeaksFixture, EqualsSequentialWhateverTheView) {
    OpenResult r;
    auto st = Analyse(GetParam(), false, &r);
    ASSERT_TRUE(r.ok) << r.message;
    const PeakTable seq = Sequential(*st);
    const uint32_t n = st->FrameCount;
    // Chunks of 64 frames put seams everywhere; views start and end inside
    // chunks, at the end, past the end, or are empty.
    for (const BgRun& run :
         {BgRun{2, 64, {500, 510}}, BgRun{3, 100, {999, 1000}}, BgRun{1, 64, {0, 0}},
          BgRun{2, 77, {333, 1500}}, BgRun{2, 4096, {10, 20}}}) {
        SCOPED_TRACE(testing::Message() << run.threads << " threads, chunks of " << run.chunk
                                        << ", view " << run.view.first << ".." << run.view.last);
        std::mutex m;
        std::vector<FrameRange> published;
        BackgroundPeaks bg(
            *st,
            [&](FrameRange fr) {
                std::lock_guard<std::mutex> lock(m);
                published.push_back(fr);
            },
            run.threads, run.chunk);
        // The end is told once, after every range, with the table final.
        int doneCalls = 0;
        std::vector<bool> coveredAtDone;
        bool finishedAtDone = false;
        bg.OnFinished([&] {
            std::lock_guard<std::mutex> lock(m);
            ++doneCalls;
            finishedAtDone = bg.Finished();
            coveredAtDone = Covered(published, n);
        });
        bg.SetPriorityRange(static_cast<uint32_t>(uint64_t{n} * run.view.first / 1000),
                            static_cast<uint32_t>(uint64_t{n} * run.view.last / 1000));
        bg.Start();
        PeakTable copied;
        std::vector<FrameRange> taken;
        while (!bg.Finished()) {
            const auto got = bg.CopyFinished(copied);
            taken.insert(taken.end(), got.begin(), got.end());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        bg.Wait();
        const auto rest = bg.CopyFinished(copied);
        taken.insert(taken.end(), rest.begin(), rest.end());

        EXPECT_TRUE(SameTable(bg.Table(), seq));
        EXPECT_TRUE(SameTable(copied, seq)) << "the ranges copied out make the whole table";
        EXPECT_EQ(bg.ProgressPercent(), 100.0);
        const std::vector<bool> all(n, true);
        EXPECT_EQ(Covered(published, n), all);
        EXPECT_EQ(Covered(taken, n), all);
        EXPECT_EQ(doneCalls, 1);
        EXPECT_TRUE(finishedAtDone);
        EXPECT_EQ(coveredAtDone, all) << "the end came before the last range";
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, BackgroundPeaksFixture,
                         ::testing::Values("cbr128_stereo.mp3", "vbr_stereo.mp3", "mono.mp3",
                                           "mpeg25_8k.mp3", "crc.mp3", "speech_pauses.mp3",
                                           "long65.mp3", "silent.mp3"),
                         [](const auto& info) {
                             std::string s = info.param;
                             std::replace_if(
                                 s.begin(), s.end(), [](char c) { return !isalnum(c); }, '_');
                             return s;
                         });

TEST(BackgroundPeaks, TheViewIsPublishedFirst) {
    // A file whose chunks all join up at their seams on the first decode.
    auto st = Analyse("speech_pauses.mp3", false);
    ASSERT_GT(st->FrameCount, 600u);
    std::vector<FrameRange> order;
    BackgroundPeaks bg(
        *st, [&](FrameRange fr) { order.push_back(fr); }, 1, 64);
    const uint32_t viewFirst = st->FrameCount * 2 / 3 + 17;
    bg.SetPriorityRange(viewFirst, viewFirst + 100);
    bg.Start();
    bg.Wait();
    // One worker: the chunk before the view (for its seam), then the view's
    // chunks; every range published until the view is covered lies in it.
    const uint32_t viewLast = viewFirst + 100;
    std::vector<FrameRange> seen;
    for (const FrameRange& fr : order) {
        const std::vector<bool> c = Covered(seen, st->FrameCount);
        if (std::all_of(c.begin() + viewFirst, c.begin() + viewLast, [](bool b) { return b; }))
            break;
        EXPECT_LT(fr.first, viewLast);
        EXPECT_GT(fr.last, viewFirst);
        seen.push_back(fr);
    }
    EXPECT_LE(seen.size(), 3u);
}

TEST(BackgroundPeaks, SeamsAfterABrokenStreamFollowTheParallelRule) {
    // Zeroed frames in the middle: decoders that start there cannot agree
    // with the one that ran through, so seams are decoded again or cleared,
    // exactly as CalculatePeaksParallel does with the same shares.
    for (const char* name : {"cbr128_stereo.mp3", "long65.mp3"}) {
        SCOPED_TRACE(name);
        auto st = Analyse(name, false);
        const uint32_t k = st->FrameCount / 2;
        std::fill(st->FileBuffer.begin() + st->FramePos[k],
                  st->FileBuffer.begin() + st->FramePos[k + 20], 0);
        const uint32_t indexed = static_cast<uint32_t>(st->IndexedFrames);
        ASSERT_TRUE(CalculatePeaksParallel(*st, *st, 2, {}, nullptr, indexed / 64));
        const PeakTable parallel(*st);
        BackgroundPeaks bg(*st, {}, 2, 64);
        bg.SetPriorityRange(k + 30, k + 40);
        bg.Start();
        bg.Wait();
        ASSERT_TRUE(bg.Finished());
        EXPECT_TRUE(SameTable(bg.Table(), parallel));

        // The stream ends early: everything after is silent in both.
        std::fill(st->FileBuffer.begin() + st->FramePos[k], st->FileBuffer.end(), 0);
        const PeakTable cut = Sequential(*st);
        BackgroundPeaks bg2(*st, {}, 3, 64);
        bg2.SetPriorityRange(st->FrameCount - 10, st->FrameCount);
        bg2.Start();
        bg2.Wait();
        EXPECT_TRUE(SameTable(bg2.Table(), cut));
    }
}

TEST(BackgroundPeaks, CancelStopsAtOnceAndPublishesNothingMore) {
    auto st = Analyse("speech_32min.mp3", false);
    ASSERT_GT(st->FrameCount, 20000u);
    const PeakTable seq = Sequential(*st);
    for (unsigned threads : {1u, 2u}) {
        SCOPED_TRACE(threads);
        std::atomic<int> calls{0};
        BackgroundPeaks bg(
            *st, [&](FrameRange) { ++calls; }, threads, 512);
        std::atomic<bool> ended{false};
        bg.OnFinished([&] { ended = true; });
        bg.Start();
        while (calls.load() == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        const auto t0 = std::chrono::steady_clock::now();
        bg.Cancel();
        const auto took = std::chrono::steady_clock::now() - t0;
        EXPECT_LT(took, std::chrono::milliseconds(100));
        const int after = calls.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(calls.load(), after);
        EXPECT_FALSE(bg.Finished());
        EXPECT_FALSE(ended.load()) << "a cancelled job never tells its end";
        EXPECT_LT(bg.ProgressPercent(), 100.0);
        // What was published before the cancel is final.
        PeakTable t;
        const auto ranges = bg.CopyFinished(t);
        EXPECT_GE(ranges.size(), static_cast<size_t>(after));
        for (const FrameRange& fr : ranges)
            for (uint32_t j = fr.first; j < fr.last; ++j)
                ASSERT_EQ(t.PeakMaxL[j], seq.PeakMaxL[j]) << j;
    }
}

TEST(BackgroundPeaks, DestroyingARunningOneCancelsIt) {
    auto st = Analyse("speech_32min.mp3", false);
    std::atomic<int> calls{0};
    const auto t0 = std::chrono::steady_clock::now();
    {
        BackgroundPeaks bg(
            *st, [&](FrameRange) { ++calls; }, 2, 256);
        bg.Start();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(150));
    const int after = calls.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(calls.load(), after);
}
