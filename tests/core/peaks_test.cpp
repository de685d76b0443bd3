// The peak table: against the mpg123 program's decode, parallel against
// sequential, and the silent, mono and full-scale cases.
#include "analysis_test_support.h"
#include "core/analysis/peaks.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tessivo;
using namespace analysis_test;

namespace {

struct Table {
    std::vector<int16_t> maxL, minL, maxR, minR;
    bool operator==(const Table&) const = default;
};

Table TableOf(const ProgramState& st) {
    return {st.PeakMaxL, st.PeakMinL, st.PeakMaxR, st.PeakMinR};
}

// The peak table computed here from an independent decode.
Table TableFromPcm(const std::vector<int16_t>& pcm, int spf, int ch, uint32_t frames) {
    Table t;
    for (uint32_t j = 0; j < frames; ++j) {
        int16_t a = 0, b = 0, c = 0, d = 0;
        for (int s = 0; s < spf; ++s) {
            const size_t i = (static_cast<size_t>(j) * spf + s) * ch;
            const int16_t l = i < pcm.size() ? pcm[i] : 0;
            const int16_t r = ch == 2 && i + 1 < pcm.size() ? pcm[i + 1] : 0;
            if (s == 0) {
                a = b = l;
                c = d = r;
            }
            a = std::max(a, l);
            b = std::min(b, l);
            c = std::max(c, r);
            d = std::min(d, r);
        }
        t.maxL.push_back(a);
        t.minL.push_back(b);
        t.maxR.push_back(c);
        t.minR.push_back(d);
    }
    return t;
}

} // namespace

class PeaksFixture : public ::testing::TestWithParam<std::string> {};

TEST_P(PeaksFixture, SequentialMatchesMpg123AndParallelMatchesSequential) {
    OpenResult r;
    auto st = Analyse(GetParam(), false, &r);
    ASSERT_TRUE(r.ok) << r.message;
    ASSERT_TRUE(CalculatePeaks(*st, *st));
    const Table seq = TableOf(*st);
    ASSERT_EQ(seq.maxL.size(), st->FrameCount);

    const Table ref = TableFromPcm(Mpg123Pcm(Fixture(GetParam())), st->SamplesPerFrame,
                                   st->ChannelCount, st->FrameCount);
    EXPECT_TRUE(seq == ref);

    // Many small shares, so workers start deep inside the file with warm-up.
    for (auto [threads, shares] : {std::pair{2u, 7u}, {3u, 16u}, {2u, 2u}}) {
        SCOPED_TRACE(testing::Message() << threads << " threads, " << shares << " shares");
        st->PeakMaxL.assign(st->FrameCount, 99); // must all be overwritten
        ASSERT_TRUE(CalculatePeaksParallel(*st, *st, threads, {}, nullptr, shares));
        EXPECT_TRUE(TableOf(*st) == seq);
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, PeaksFixture, ::testing::ValuesIn(ValidFixtures()),
                         [](const auto& info) {
                             std::string n = info.param;
                             for (char& c : n)
                                 if (!isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return n;
                         });

TEST(Peaks, SilentFileIsAllZero) {
    OpenResult r;
    auto st = Analyse("silent.mp3", true, &r);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(st->PeakMaxL.size(), st->FrameCount);
    for (const auto* v : {&st->PeakMaxL, &st->PeakMinL, &st->PeakMaxR, &st->PeakMinR})
        EXPECT_TRUE(std::all_of(v->begin(), v->end(), [](int16_t x) { return x == 0; }));
}

TEST(Peaks, MonoHasZeroRightChannelEvenAfterStereo) {
    auto st = std::make_unique<ProgramState>();
    ASSERT_TRUE(AnalyseFile(*st, *st, Fixture("fullscale.mp3"), true).ok);
    ASSERT_TRUE(AnalyseFile(*st, *st, Fixture("mono.mp3"), true).ok);
    EXPECT_EQ(st->ChannelCount, 1);
    ASSERT_EQ(st->PeakMaxR.size(), st->FrameCount);
    EXPECT_TRUE(
        std::all_of(st->PeakMaxR.begin(), st->PeakMaxR.end(), [](int16_t x) { return x == 0; }));
    EXPECT_TRUE(
        std::all_of(st->PeakMinR.begin(), st->PeakMinR.end(), [](int16_t x) { return x == 0; }));
    EXPECT_GT(*std::max_element(st->PeakMaxL.begin(), st->PeakMaxL.end()), 10000);
}

TEST(Peaks, SilentSecondChannel) {
    OpenResult r;
    auto st = Analyse("left_only.mp3", true, &r);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(
        std::all_of(st->PeakMaxR.begin(), st->PeakMaxR.end(), [](int16_t x) { return x == 0; }));
    EXPECT_GT(*std::max_element(st->PeakMaxL.begin(), st->PeakMaxL.end()), 10000);
}

TEST(Peaks, FullScaleReachesTheLimits) {
    OpenResult r;
    auto st = Analyse("fullscale.mp3", true, &r);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(*std::max_element(st->PeakMaxL.begin(), st->PeakMaxL.end()), 32767);
    EXPECT_EQ(*std::min_element(st->PeakMinL.begin(), st->PeakMinL.end()), -32768);
}

TEST(Peaks, FramesBeyondTheStreamAreSilent) {
    OpenResult r;
    auto st = Analyse("cbr128_stereo.mp3", false, &r);
    ASSERT_TRUE(r.ok);
    const uint32_t real = st->FrameCount;
    st->FrameCount = real + 10; // more frames than the decoder can deliver
    ASSERT_TRUE(CalculatePeaks(*st, *st));
    ASSERT_EQ(st->PeakMaxL.size(), real + 10);
    EXPECT_NE(st->PeakMaxL[real - 2], 0);
    for (uint32_t j = real; j < real + 10; ++j)
        EXPECT_EQ(st->PeakMaxL[j], 0);
    EXPECT_EQ(st->ProgressPercent.load(), 0.0);
}

TEST(Peaks, ProgressEveryPointAndCancel) {
    OpenResult r;
    auto st = Analyse("long65.mp3", false, &r); // 1808 frames
    ASSERT_TRUE(r.ok);
    std::vector<double> seen;
    st->LastShownPercent = 0;
    ASSERT_TRUE(CalculatePeaks(*st, *st, [&](const char* stage, double x) {
        EXPECT_STREQ(stage, "Calculating Peaks");
        seen.push_back(x);
    }));
    ASSERT_GE(seen.size(), 95u);
    ASSERT_LE(seen.size(), 100u);
    for (size_t i = 1; i < seen.size(); ++i)
        EXPECT_GE(seen[i] - seen[i - 1], 1.0);
    EXPECT_EQ(st->ProgressPercent.load(), 0.0);

    std::atomic<bool> cancel{true};
    EXPECT_FALSE(CalculatePeaks(*st, *st, {}, &cancel));
    EXPECT_FALSE(CalculatePeaksParallel(*st, *st, 2, {}, &cancel, 8));
    EXPECT_EQ(st->ProgressPercent.load(), 0.0);
    EXPECT_EQ(PeakProgressText(2.0), "Calculating Peaks - 2.0%");
}

TEST(Peaks, FiftyFramesReportEveryFrame) {
    OpenResult r;
    auto st = Analyse("cbr128_stereo.mp3", false, &r);
    ASSERT_TRUE(r.ok);
    st->FrameCount = 50;
    st->LastShownPercent = 0;
    std::vector<std::string> texts;
    ASSERT_TRUE(CalculatePeaks(
        *st, *st, [&](const char*, double x) { texts.push_back(PeakProgressText(x)); }));
    ASSERT_EQ(texts.size(), 49u);
    EXPECT_EQ(texts.front(), "Calculating Peaks - 2.0%");
    EXPECT_EQ(texts[1], "Calculating Peaks - 4.0%");
    EXPECT_EQ(texts.back(), "Calculating Peaks - 98.0%");
}
