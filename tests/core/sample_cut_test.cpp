// Cut lines at a sample: the document's edits that place a line exactly at a
// sample of the time base (on the frame nearest it), their refusals and their
// undo; the typed time that keeps its sample; and the decoded samples the
// waveform shows at its finest zoom, checked against the mpg123 program.
#include "analysis_test_support.h"

#include "core/analysis/sample_stretch.h"
#include "core/analysis/time_base.h"
#include "core/document/document.h"
#include "core/parts/cut_lines.h"
#include "core/parts/part_access.h"
#include "core/parts/part_times.h"
#include "core/parts/typed_cut.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using analysis_test::Analyse;
using analysis_test::Fixture;
using namespace tessivo;

class SampleCutTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto analysed = Analyse("long65.mp3", true);
        ASSERT_GT(analysed->FrameCount, 1000u);
        doc_.AdoptFile(std::move(*analysed));
        tb_ = TimeBaseOf(st_);
        ASSERT_GT(tb_.samples, 0);
        doc_.SetEditRecorder([this](EditKind, const PartTable& before, const PartTable& after) {
            befores_.push_back(before);
            afters_.push_back(after);
        });
        doc_.Subscribe([this](DocumentChange) { ++notes_; });
    }
    int64_t At(double seconds) const { return NearestSampleAt(tb_, seconds); }

    ProgramState st_;
    Document doc_{st_};
    TimeBase tb_;
    std::vector<PartTable> befores_, afters_;
    int notes_ = 0;
};

TEST_F(SampleCutTest, AddingAtASampleKeepsItOnTheNearestFrameAndUndoes) {
    const int64_t s = At(12.3456);
    ASSERT_TRUE(doc_.AddCutLineAtSample(s));
    EXPECT_EQ(notes_, 1);
    ASSERT_EQ(PartCount(st_), 2);
    EXPECT_EQ(PartCutSample(st_, 2), s);
    EXPECT_EQ(PartStartSample(st_, st_, 2), s);
    // The frame whose start lies nearest: within half a frame of the sample.
    const int64_t frameStart = FrameStartSample(tb_, PartFirstFrame(st_, 2));
    EXPECT_LE(std::llabs(frameStart - s), tb_.samplesPerFrame / 2);
    EXPECT_NEAR(PartStartSeconds(st_, st_, 2), 12.3456, 0.5 / tb_.rate);

    ASSERT_EQ(befores_.size(), 1u);
    doc_.RestoreParts(befores_[0]);
    EXPECT_EQ(PartCount(st_), 1);
    doc_.RestoreParts(afters_[0]);
    EXPECT_EQ(PartCutSample(st_, 2), s);
}

TEST_F(SampleCutTest, SamplesOutsideTheAudioOrOnAnotherLineAreRefused) {
    const int64_t s = At(20.0);
    ASSERT_TRUE(doc_.AddCutLineAtSample(s));
    notes_ = 0;
    const PartTable kept = st_;
    for (int64_t bad : {int64_t{-5}, int64_t{0}, tb_.samples, tb_.samples + 1000, s, s + 1,
                        int64_t{tb_.samples - 5 * tb_.samplesPerFrame}}) {
        EXPECT_FALSE(doc_.AddCutLineAtSample(bad)) << bad;
        EXPECT_FALSE(CutSampleRefusal(st_, st_, bad, 0).empty()) << bad;
    }
    EXPECT_EQ(doc_.MoveCutLineToSample(2, tb_.samples), 2);
    EXPECT_EQ(doc_.MoveCutLineToSample(2, 0), 2);
    EXPECT_EQ(notes_, 0);
    EXPECT_EQ(befores_.size(), 1u);
    EXPECT_TRUE(static_cast<const PartTable&>(st_) == kept);
    // The line itself may take any other sample of its own frame.
    EXPECT_EQ(CutSampleRefusal(st_, st_, s + 1, 2), "");
}

TEST_F(SampleCutTest, MovingToASampleFollowsTheLineAndEveryChangeIsOneEdit) {
    ASSERT_TRUE(doc_.AddCutLineAtSample(At(10.0)));
    ASSERT_TRUE(doc_.AddCutLineAtSample(At(20.0)));
    notes_ = 0;
    // Line 2 past line 3: renumbered, at exactly its sample.
    const int64_t far = At(30.000123);
    EXPECT_EQ(doc_.MoveCutLineToSample(2, far), 3);
    EXPECT_EQ(PartCutSample(st_, 3), far);
    EXPECT_EQ(PartCutSample(st_, 2), At(20.0));
    // One sample on, inside the same frame: still an edit.
    EXPECT_EQ(doc_.MoveCutLineToSample(3, far + 1), 3);
    EXPECT_EQ(PartCutSample(st_, 3), far + 1);
    EXPECT_EQ(notes_, 2);
    EXPECT_EQ(befores_.size(), 4u);
    // The same sample again changes nothing.
    EXPECT_EQ(doc_.MoveCutLineToSample(3, far + 1), 3);
    EXPECT_EQ(notes_, 2);
    // Dragged onto the grid of its own frame, it leaves its sample: an edit.
    EXPECT_EQ(doc_.MoveCutLine(3, PartFirstFrame(st_, 3)), 3);
    EXPECT_EQ(PartCutSample(st_, 3), -1);
    EXPECT_EQ(notes_, 3);
    doc_.RestoreParts(befores_.back());
    EXPECT_EQ(PartCutSample(st_, 3), far + 1);
}

TEST_F(SampleCutTest, ATypedTimeKeepsItsNearestSample) {
    const TypedCut cut = TypedCutFrame(st_, st_, "12.3456", 0);
    ASSERT_TRUE(cut.ok) << cut.message;
    EXPECT_EQ(cut.sample, std::llround(12.3456 * tb_.rate));
    EXPECT_EQ(cut.frame, NearestFrameToSample(tb_, cut.sample));
    // The file's start is line 1's, whatever the Info frame and delay hold.
    EXPECT_FALSE(TypedCutFrame(st_, st_, "0:00:00.000", 0).ok);
    EXPECT_FALSE(TypedCutFrame(st_, st_, "1:00:00", 0).ok);
}

// The samples of a stretch decoded from the middle of a file are those the
// mpg123 program decodes from its start (same conventions: nothing trimmed,
// the Info frame decoded), at the same place: within 1 LSB, as a decode that
// starts later can round the synthesis differently.
TEST(SampleStretch, HoldsTheSamplesMpg123DecodesThere) {
    for (const char* name : {"cbr128_stereo.mp3", "vbr_stereo.mp3", "mpeg2_22k.mp3", "mono.mp3"}) {
        auto st = Analyse(name, false);
        ASSERT_GT(st->FrameCount, 60u) << name;
        const std::vector<int16_t> ref = analysis_test::Mpg123Pcm(Fixture(name));
        const TimeBase tb = TimeBaseOf(*st);
        const SampleStretch s = DecodeFrameStretch(*st, 40, 44);
        ASSERT_EQ(s.count(), 4 * int64_t{st->SamplesPerFrame}) << name;
        ASSERT_EQ(s.channels, st->ChannelCount) << name;
        EXPECT_EQ(s.firstSample, 40 * int64_t{st->SamplesPerFrame} - tb.zeroSample) << name;
        int worst = 0;
        for (int64_t i = 0; i < s.count(); ++i)
            for (int c = 0; c < s.channels; ++c) {
                const size_t at =
                    static_cast<size_t>((s.firstSample + i + tb.zeroSample) * s.channels + c);
                ASSERT_LT(at, ref.size()) << name;
                worst = std::max(
                    worst, std::abs(s.pcm[static_cast<size_t>(i * s.channels + c)] - ref[at]));
            }
        EXPECT_LE(worst, 1) << name;
        EXPECT_TRUE(StretchHolds(s, *st, 41, 44));
        EXPECT_FALSE(StretchHolds(s, *st, 39, 44));
        EXPECT_FALSE(StretchHolds(s, *st, 41, 45));
    }
}

TEST(SampleStretch, ExtremesOfAStretchOfSamples) {
    SampleStretch s;
    s.file = reinterpret_cast<const uint8_t*>(&s);
    s.firstSample = 100;
    s.channels = 2;
    s.pcm = {1, -1, 5, -7, -3, 2, 4, 9};
    int16_t lo = 0, hi = 0;
    ASSERT_TRUE(SampleExtremes(s, 100, 103, 0, lo, hi));
    EXPECT_EQ(lo, -3);
    EXPECT_EQ(hi, 5);
    ASSERT_TRUE(SampleExtremes(s, 102, 110, 1, lo, hi));
    EXPECT_EQ(lo, 2);
    EXPECT_EQ(hi, 9);
    EXPECT_FALSE(SampleExtremes(s, 104, 110, 0, lo, hi));
    EXPECT_FALSE(SampleExtremes(s, 90, 100, 0, lo, hi));
    EXPECT_FALSE(SampleExtremes(s, 100, 101, 2, lo, hi));
}

} // namespace
