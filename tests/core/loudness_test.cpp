// Loudness from the peak decode's per-frame energies, held against libebur128
// fed the same decoded samples: whole files, parts and parts gated together
// (album), for MPEG-1 and 2, mono and stereo, music and speech. Then the
// peak cache keeping the energies, and a cache file of the older layout.
#include "analysis_test_support.h"
#include "core/analysis/loudness.h"
#include "core/analysis/peak_cache.h"
#include "core/analysis/peaks.h"
#include "core/analysis/true_peak.h"
#include "core/decode/mpg123_decoder.h"
#include "core/output/loudness_gain.h"

#include <ebur128.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <unistd.h>

using namespace tessivo;
using namespace analysis_test;

namespace {

using Meter = std::unique_ptr<ebur128_state, void (*)(ebur128_state*)>;

Meter NewMeter(const ProgramState& st, int mode = EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK) {
    return Meter(ebur128_init(static_cast<unsigned>(st.ChannelCount), st.SampleRate, mode),
                 [](ebur128_state* s) { ebur128_destroy(&s); });
}

// libebur128's true peak of frames [first, last] of a decode from frame 0.
double ReferenceTruePeak(const ProgramState& st, int32_t first, int32_t last) {
    Meter m = NewMeter(st, EBUR128_MODE_TRUE_PEAK);
    Mpg123Decoder dec;
    EXPECT_TRUE(dec.Open(st.FileBuffer.data(), st.FileBuffer.size(), size_t(st.FramePos[0])));
    const int16_t* pcm = nullptr;
    size_t bytes = 0;
    double most = 0.0;
    for (int32_t f = 0; f <= last && dec.NextFrame(pcm, bytes); ++f) {
        ebur128_add_frames_short(m.get(), pcm, bytes / 2 / size_t(st.ChannelCount));
        for (unsigned c = 0; f >= first && c < unsigned(st.ChannelCount); ++c) {
            double p = 0.0;
            ebur128_prev_true_peak(m.get(), c, &p);
            most = std::max(most, p);
        }
    }
    return most;
}

// libebur128 over the frames of each span, decoded as the peak decode does
// (one decoder from the first frame); one meter per span.
std::vector<Meter> ReferenceMeters(const ProgramState& st, const std::vector<FrameSpan>& spans) {
    std::vector<Meter> meters;
    for (size_t k = 0; k < spans.size(); ++k)
        meters.push_back(NewMeter(st));
    Mpg123Decoder dec;
    EXPECT_TRUE(dec.Open(st.FileBuffer.data(), st.FileBuffer.size(), size_t(st.FramePos[0])));
    const int16_t* pcm = nullptr;
    size_t bytes = 0;
    for (int32_t f = 0; f < int32_t(st.FrameCount) && dec.NextFrame(pcm, bytes); ++f)
        for (size_t k = 0; k < spans.size(); ++k)
            if (f >= spans[k].first && f <= spans[k].last)
                ebur128_add_frames_short(meters[k].get(), pcm, bytes / 2 / size_t(st.ChannelCount));
    return meters;
}

double Integrated(std::vector<Meter>& meters) {
    std::vector<ebur128_state*> raw;
    for (Meter& m : meters)
        raw.push_back(m.get());
    double out = 0.0;
    ebur128_loudness_global_multiple(raw.data(), raw.size(), &out);
    return out;
}

double Peak(std::vector<Meter>& meters) {
    double most = 0.0;
    for (Meter& m : meters)
        for (unsigned c = 0; c < m->channels; ++c) {
            double p = 0.0;
            ebur128_sample_peak(m.get(), c, &p);
            most = std::max(most, p);
        }
    return most;
}

TEST(Loudness, WholeFilesMatchLibebur128) {
    for (const char* name : {"cbr128_stereo.mp3", "vbr_stereo.mp3", "mono.mp3", "mpeg2_22k.mp3",
                             "mpeg25_8k.mp3", "speech_pauses.mp3", "long65.mp3"}) {
        SCOPED_TRACE(name);
        auto st = Analyse(name, true);
        ASSERT_EQ(st->FrameLoudness.size(), st->FrameCount * kLoudnessSlices);
        const std::vector<FrameSpan> whole = {{0, int32_t(st->FrameCount) - 1}};
        const Loudness got = SpansLoudness(*st, whole);
        std::vector<Meter> ref = ReferenceMeters(*st, whole);
        ASSERT_TRUE(got.measured);
        ASSERT_FALSE(got.silent);
        EXPECT_NEAR(got.lufs, Integrated(ref), 0.05);
        EXPECT_NEAR(got.peak, Peak(ref), 1e-4);
    }
}

TEST(Loudness, PartsAndPartsTogetherMatchLibebur128) {
    auto st = Analyse("speech_pauses.mp3", true);
    const int32_t n = int32_t(st->FrameCount);
    ASSERT_GT(n, 300);
    // A quiet stretch and the rest: gated together the album lies between.
    const std::vector<FrameSpan> parts = {{0, n / 3}, {n / 3 + 1, n - 1}};
    for (const FrameSpan& p : parts) {
        std::vector<Meter> one = ReferenceMeters(*st, {p});
        EXPECT_NEAR(SpansLoudness(*st, {p}).lufs, Integrated(one), 0.1);
    }
    std::vector<Meter> both = ReferenceMeters(*st, parts);
    EXPECT_NEAR(SpansLoudness(*st, parts).lufs, Integrated(both), 0.1);
}

// Six-second parts of speech in 72 ms frames (MPEG-2.5, 8 kHz): a block edge
// falls inside a frame at every step, so spreading a whole frame's energy
// evenly over it was 0.1 dB off; the slices keep it within a few hundredths.
TEST(Loudness, ShortPartsOfLongFramesMatchLibebur128) {
    auto st = Analyse("speech_32min.mp3", true);
    ASSERT_EQ(st->SampleRate, 8000);
    ASSERT_EQ(st->SamplesPerFrame, 576);
    const int32_t frames = int32_t(6.0 * st->SampleRate / st->SamplesPerFrame);
    ASSERT_GT(int32_t(st->FrameCount), 20 * frames);
    for (int32_t first = 10 * frames; first < 20 * frames; first += frames) {
        SCOPED_TRACE(first);
        const FrameSpan part{first, first + frames - 1};
        std::vector<Meter> one = ReferenceMeters(*st, {part});
        const Loudness got = SpansLoudness(*st, {part});
        if (!got.silent) {
            EXPECT_NEAR(got.lufs, Integrated(one), 0.03);
        }
    }
}

// The true peak found by decoding only the frames that may hold it, in runs
// spread over the cores, against a meter fed every frame; over whole files
// (one with samples at full scale, where peaks between samples go over it)
// and over a stretch in the middle.
TEST(Loudness, TruePeakOfTheLikelyFramesIsTheWholeDecodes) {
    for (const char* name : {"cbr128_stereo.mp3", "vbr_stereo.mp3", "mpeg2_22k.mp3", "mono.mp3",
                             "fullscale.mp3", "long65.mp3"}) {
        SCOPED_TRACE(name);
        auto st = Analyse(name, true);
        const int32_t last = int32_t(st->FrameCount) - 1;
        const double whole = FramesTruePeak(*st, 0, last, SampleWindow{}, 0.0);
        EXPECT_NEAR(whole, ReferenceTruePeak(*st, 0, last), 1e-4);
        EXPECT_GE(whole, SpansLoudness(*st, {{0, last}}).peak - 1e-4); // never below the samples'
        const int32_t a = last / 3, b = 2 * last / 3;
        EXPECT_NEAR(FramesTruePeak(*st, a, b, SampleWindow{}, 0.0), ReferenceTruePeak(*st, a, b),
                    1e-3);
    }
}

TEST(Loudness, SilenceAndNoMeasureAreTold) {
    auto silent = Analyse("silent.mp3", true);
    const Loudness s = SpansLoudness(*silent, {{0, int32_t(silent->FrameCount) - 1}});
    EXPECT_TRUE(s.measured);
    EXPECT_TRUE(s.silent);
    auto unmeasured = Analyse("cbr128_stereo.mp3", false);
    EXPECT_FALSE(SpansLoudness(*unmeasured, {{0, 10}}).measured);
    EXPECT_TRUE(ReplayGainFor(s, s, 0).empty());
}

TEST(Loudness, ParallelDecodeKeepsTheSequentialLoudness) {
    auto seq = Analyse("long65.mp3", true);
    auto par = Analyse("long65.mp3", false);
    ASSERT_TRUE(CalculatePeaksParallel(*par, *par, 2, {}, nullptr, 4));
    const std::vector<FrameSpan> whole = {{0, int32_t(seq->FrameCount) - 1}};
    // The filter starts anew at each share's first frame: a few milliseconds.
    EXPECT_NEAR(SpansLoudness(*par, whole).lufs, SpansLoudness(*seq, whole).lufs, 0.01);
}

TEST(Loudness, CacheKeepsTheEnergiesAndMissesOlderFiles) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("tessivo_loudness_cache_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    auto st = Analyse("vbr_stereo.mp3", true);
    const PeakCacheKey key = PeakCacheKeyOf(*st);
    ASSERT_TRUE(StorePeaks(dir.string(), key, *st));
    PeakTable got;
    ASSERT_TRUE(LookUpPeaks(dir.string(), key, st->FrameCount, got));
    EXPECT_EQ(got.FrameLoudness, st->FrameLoudness);
    // Peaks stored without loudness come back without it.
    PeakTable peaksOnly = *st;
    peaksOnly.FrameLoudness.clear();
    ASSERT_TRUE(StorePeaks(dir.string(), key, peaksOnly));
    ASSERT_TRUE(LookUpPeaks(dir.string(), key, st->FrameCount, got));
    EXPECT_TRUE(got.FrameLoudness.empty());
    EXPECT_EQ(got.PeakMaxL, st->PeakMaxL);
    // A file of the first layout (magic ending in '1', no loudness field) is
    // a miss, not a table read wrongly.
    const std::string path = PeakCachePath(dir.string(), key);
    std::vector<uint8_t> b = ReadBytes(path);
    // The same for the second (one energy a frame, not one a slice).
    for (char older : {'1', '2'}) {
        b[7] = older;
        WriteBytes(path, b);
        PeakTable old;
        EXPECT_FALSE(LookUpPeaks(dir.string(), key, st->FrameCount, old));
        EXPECT_TRUE(old.PeakMaxL.empty());
    }
    std::filesystem::remove_all(dir);
}

} // namespace
