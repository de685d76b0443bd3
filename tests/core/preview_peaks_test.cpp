// The preview from the side information: the same loud and quiet stretches
// as the exact peaks, in their scale, without decoding.
#include "analysis_test_support.h"
#include "core/analysis/preview_peaks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace tessivo;
using namespace analysis_test;

namespace {

// Level in dB of the largest left-channel magnitude in each column of
// `frames` frames.
std::vector<double> ColumnDb(const PeakTable& t, uint32_t frames) {
    std::vector<double> out;
    for (size_t c = 0; c + frames <= t.PeakMaxL.size(); c += frames) {
        int m = 0;
        for (size_t j = c; j < c + frames; ++j)
            m = std::max({m, static_cast<int>(t.PeakMaxL[j]), -static_cast<int>(t.PeakMinL[j])});
        out.push_back(20.0 * std::log10(m + 1.0));
    }
    return out;
}

double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
    double ma = 0, mb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        ma += a[i];
        mb += b[i];
    }
    ma /= a.size();
    mb /= b.size();
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        ab += (a[i] - ma) * (b[i] - mb);
        aa += (a[i] - ma) * (a[i] - ma);
        bb += (b[i] - mb) * (b[i] - mb);
    }
    return ab / std::sqrt(aa * bb);
}

} // namespace

TEST(PreviewPeaks, LoudAndQuietStretchesLandInTheSameColumns) {
    // Speech with pauses (3 s quiet, speech, ...), and 32 minutes of speech,
    // pauses and noise, at the columns a window of 800 pixels would show.
    for (const char* name : {"speech_pauses.mp3", "speech_32min.mp3"}) {
        SCOPED_TRACE(name);
        auto st = Analyse(name, true);
        const PeakTable preview = PreviewPeaks(*st);
        ASSERT_EQ(preview.PeakMaxL.size(), st->FrameCount);
        const uint32_t perColumn = std::max(4u, st->FrameCount / 800);
        const std::vector<double> exact = ColumnDb(*st, perColumn);
        const std::vector<double> quick = ColumnDb(preview, perColumn);
        EXPECT_GT(Correlation(exact, quick), 0.8);
        // Normalised to each table's loudest column: quiet columns are quiet
        // in both, loud columns loud in both, but for a few single frames
        // whose gain misleads.
        const double topExact = *std::max_element(exact.begin(), exact.end());
        const double topQuick = *std::max_element(quick.begin(), quick.end());
        int quiet = 0, loud = 0, quietWrong = 0, loudWrong = 0;
        for (size_t c = 0; c < exact.size(); ++c) {
            if (exact[c] < topExact - 40) {
                ++quiet;
                quietWrong += quick[c] > topQuick - 20;
            }
            if (exact[c] > topExact - 6) {
                ++loud;
                loudWrong += quick[c] < topQuick - 20;
            }
        }
        if (std::string(name) == "speech_pauses.mp3") {
            EXPECT_GT(quiet, 20) << "the pauses are there to be compared";
        }
        EXPECT_GT(loud, 20);
        EXPECT_LE(quietWrong, quiet / 10 + 2) << quiet << " quiet columns";
        EXPECT_LE(loudWrong, loud / 10 + 2) << loud << " loud columns";
    }
}

TEST(PreviewPeaks, InTheExactTablesScale) {
    // A steady tone and full-scale audio: the preview lies within 15 dB of
    // the exact peak in most frames, symmetric around 0.
    for (const char* name :
         {"cbr128_stereo.mp3", "vbr_stereo.mp3", "fullscale.mp3", "long65.mp3"}) {
        SCOPED_TRACE(name);
        auto st = Analyse(name, true);
        const PeakTable p = PreviewPeaks(*st);
        int near = 0, counted = 0;
        for (uint32_t j = 0; j < st->FrameCount; ++j) {
            EXPECT_EQ(p.PeakMinL[j], -p.PeakMaxL[j]);
            const int exact = std::max<int>(st->PeakMaxL[j], -st->PeakMinL[j]);
            if (exact < 1000)
                continue;
            ++counted;
            near += std::abs(20 * std::log10(static_cast<double>(p.PeakMaxL[j]) / exact)) < 15;
        }
        ASSERT_GT(counted, 0);
        EXPECT_GT(near, counted * 3 / 4);
    }
}

TEST(PreviewPeaks, SilenceMonoAndChannels) {
    auto silent = Analyse("silent.mp3", false);
    const PeakTable s = PreviewPeaks(*silent);
    EXPECT_EQ(*std::max_element(s.PeakMaxL.begin(), s.PeakMaxL.end()), 0);
    EXPECT_EQ(*std::max_element(s.PeakMaxR.begin(), s.PeakMaxR.end()), 0);

    auto mono = Analyse("mono.mp3", false);
    const PeakTable m = PreviewPeaks(*mono);
    EXPECT_GT(*std::max_element(m.PeakMaxL.begin(), m.PeakMaxL.end()), 1000);
    EXPECT_TRUE(std::all_of(m.PeakMaxR.begin(), m.PeakMaxR.end(), [](int16_t v) { return !v; }));

    // Stereo, not joint: a silent right channel stays silent.
    auto left = Analyse("left_only.mp3", true);
    const PeakTable l = PreviewPeaks(*left);
    EXPECT_GT(*std::max_element(l.PeakMaxL.begin(), l.PeakMaxL.end()), 1000);
    EXPECT_LT(*std::max_element(l.PeakMaxR.begin(), l.PeakMaxR.end()), 100);
}

TEST(PreviewPeaks, LevelGrowsWithGlobalGainAndTable) {
    mp3::GranuleGain g;
    g.part23Length = 400;
    g.bigValues = 100;
    g.largestTable = 13; // values up to 15
    int16_t last = 0;
    for (int gain = 120; gain <= 200; ++gain) {
        g.globalGain = gain;
        const int16_t v = PreviewLevel(g);
        EXPECT_GE(v, last) << gain;
        last = v;
    }
    g.globalGain = 150;
    const int16_t small = PreviewLevel(g);
    g.largestTable = 24; // linbits: larger values
    EXPECT_GT(PreviewLevel(g), small);
    g.part23Length = 0; // nothing coded: silence
    EXPECT_EQ(PreviewLevel(g), 0);
    g.part23Length = 400;
    g.globalGain = 255;
    EXPECT_EQ(PreviewLevel(g), 32767);
}

TEST(PreviewPeaks, FramesPastTheIndexAreZero) {
    auto st = Analyse("cbr128_stereo.mp3", false);
    st->IndexedFrames = static_cast<int32_t>(st->FrameCount / 2);
    const PeakTable p = PreviewPeaks(*st);
    ASSERT_EQ(p.PeakMaxL.size(), st->FrameCount);
    EXPECT_GT(p.PeakMaxL[st->FrameCount / 2 - 1], 0);
    for (uint32_t j = st->FrameCount / 2; j < st->FrameCount; ++j)
        ASSERT_EQ(p.PeakMaxL[j], 0) << j;
}
