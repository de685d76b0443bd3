// The document: every edit is checked, changes the model and notifies its
// subscribers exactly once; refused edits change nothing and stay silent.
#include "analysis_test_support.h"

#include "core/cutting/cutting_mode.h"
#include "core/parts/part_access.h"

#include "core/analysis/peak_shares.h"
#include "core/document/document.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using analysis_test::Analyse;
using tessivo::Document;
using tessivo::DocumentChange;
using tessivo::HasChange;

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc_.Subscribe([this](DocumentChange c) { changes_.push_back(c); });
        auto analysed = Analyse("long65.mp3", true);
        ASSERT_GT(analysed->FrameCount, 1000u);
        doc_.AdoptFile(std::move(*analysed));
        changes_.clear();
    }

    // The one notification the last edit sent; fails when there was not
    // exactly one.
    DocumentChange OnlyChange() {
        EXPECT_EQ(changes_.size(), 1u);
        const DocumentChange c = changes_.empty() ? DocumentChange{} : changes_.back();
        changes_.clear();
        return c;
    }

    tessivo::ProgramState st_;
    Document doc_{st_};
    std::vector<DocumentChange> changes_;
};

TEST_F(DocumentTest, AdoptingAFileGivesOnePartSpanningItAndOneNotification) {
    tessivo::ProgramState other;
    Document doc(other);
    int calls = 0;
    DocumentChange seen{};
    doc.Subscribe([&](DocumentChange c) {
        ++calls;
        seen = c;
    });
    auto analysed = Analyse("cbr128_stereo.mp3", true);
    const uint32_t frames = analysed->FrameCount;
    doc.AdoptFile(std::move(*analysed));
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(HasChange(seen, DocumentChange::File));
    EXPECT_TRUE(other.FileLoaded);
    EXPECT_EQ(other.FrameCount, frames);
    EXPECT_EQ(PartCount(other), 1);
    EXPECT_EQ(PartFirstFrame(other, 1), 0);
    EXPECT_EQ(PartLastFrame(other, other, 1), static_cast<int32_t>(frames) - 1);
    EXPECT_EQ(other.SelectedPart, 0);
}

TEST_F(DocumentTest, CutLineEditsNotifyOnceEach) {
    ASSERT_TRUE(doc_.AddCutLine(1000));
    EXPECT_TRUE(HasChange(OnlyChange(), DocumentChange::CutLines));
    ASSERT_TRUE(doc_.AddCutLine(500));
    OnlyChange();
    EXPECT_EQ(PartCount(st_), 3);
    EXPECT_EQ(PartFirstFrame(st_, 2), 500);
    EXPECT_EQ(PartFirstFrame(st_, 3), 1000);

    // Moving line 2 past line 3 renumbers it; the caller follows the number.
    EXPECT_EQ(doc_.MoveCutLine(2, 1500), 3);
    EXPECT_TRUE(HasChange(OnlyChange(), DocumentChange::CutLines));
    EXPECT_EQ(PartFirstFrame(st_, 3), 1500);

    doc_.SelectPart(2);
    OnlyChange();
    ASSERT_TRUE(doc_.DeleteCutLine(2));
    const DocumentChange c = OnlyChange();
    EXPECT_TRUE(HasChange(c, DocumentChange::CutLines));
    EXPECT_TRUE(HasChange(c, DocumentChange::Selection));
    EXPECT_EQ(PartCount(st_), 2);
    EXPECT_EQ(st_.SelectedPart, 0);

    doc_.ClearCutLines();
    OnlyChange();
    EXPECT_EQ(PartCount(st_), 1);
}

TEST_F(DocumentTest, RefusedEditsChangeNothingAndStaySilent) {
    const int32_t last = static_cast<int32_t>(st_.FrameCount) - 1;
    EXPECT_FALSE(doc_.AddCutLine(last - 5)); // within the last 10 frames
    EXPECT_FALSE(doc_.AddCutLine(-1));
    EXPECT_FALSE(doc_.DeleteCutLine(1)); // the first line stays
    EXPECT_EQ(doc_.MoveCutLine(1, 300), 1);
    EXPECT_FALSE(doc_.SetPartUsed(2, false)); // no part 2
    EXPECT_FALSE(doc_.SelectPart(5));
    EXPECT_FALSE(doc_.SetPartUsed(1, true)); // already ticked
    EXPECT_TRUE(changes_.empty());
    EXPECT_EQ(PartCount(st_), 1);
    EXPECT_EQ(st_.SelectedPart, 0);
}

TEST_F(DocumentTest, PartMarksTagsAndSettingsNotifyTheirKind) {
    ASSERT_TRUE(doc_.AddCutLine(800));
    OnlyChange();
    EXPECT_TRUE(doc_.SetPartUsed(2, false));
    EXPECT_TRUE(HasChange(OnlyChange(), DocumentChange::PartMarks));
    EXPECT_FALSE(PartTicked(st_, 2));

    tessivo::PartTagV2 tag;
    tag.title = "x";
    EXPECT_TRUE(doc_.SetPartTag(1, tag, tessivo::kTagTitle));
    EXPECT_TRUE(HasChange(OnlyChange(), DocumentChange::Tags));
    EXPECT_EQ(EffectivePartTag(st_, 1).fields.title, "x");
    EXPECT_EQ(EffectivePartTag(st_, 2).fields.title, st_.FileTag.fields.title);
    // The same tag again is no edit.
    EXPECT_FALSE(doc_.SetPartTag(1, tag, tessivo::kTagTitle));
    EXPECT_TRUE(changes_.empty());

    doc_.SetSplitMode("parts");
    EXPECT_TRUE(HasChange(OnlyChange(), DocumentChange::Settings));
    doc_.SetSplitMode("parts");
    EXPECT_TRUE(changes_.empty());
}

TEST_F(DocumentTest, PrepareNotifiesOnceAndUnsubscribedObserversHearNothing) {
    tessivo::PrepareInput in;
    in.mode = "parts";
    in.parts = 4;
    doc_.SetSplitMode(in.mode);
    changes_.clear();
    const tessivo::PrepareOutcome out = doc_.Prepare(in);
    EXPECT_TRUE(out.acted);
    EXPECT_TRUE(HasChange(OnlyChange(), DocumentChange::CutLines));
    EXPECT_EQ(PartCount(st_), 4);

    int late = 0;
    const int token = doc_.Subscribe([&](DocumentChange) { ++late; });
    doc_.ClearCutLines();
    doc_.Unsubscribe(token);
    doc_.AddCutLine(700);
    EXPECT_EQ(late, 1);
    EXPECT_EQ(changes_.size(), 2u);
}

TEST(DocumentWithoutFile, EditsAreRefused) {
    tessivo::ProgramState st;
    Document doc(st);
    int calls = 0;
    doc.Subscribe([&](DocumentChange) { ++calls; });
    EXPECT_FALSE(doc.AddCutLine(10));
    tessivo::PrepareInput in;
    in.mode = "parts";
    EXPECT_FALSE(doc.Prepare(in).acted);
    doc.ClearCutLines();
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(PartCount(st), 0);
}

} // namespace

// A document whose file was adopted with preview peaks, and the exact table.
class DocumentPeaksTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto analysed = Analyse("speech_pauses.mp3", true);
        exact_ = *analysed;
        for (auto* v :
             {&analysed->PeakMaxL, &analysed->PeakMinL, &analysed->PeakMaxR, &analysed->PeakMinR})
            std::fill(v->begin(), v->end(), int16_t{0});
        doc_.AdoptFile(std::move(*analysed), false);
        doc_.Subscribe([this](DocumentChange c) { changes_.push_back(c); });
    }

    tessivo::ProgramState st_;
    Document doc_{st_};
    tessivo::PeakTable exact_;
    std::vector<DocumentChange> changes_;
};

TEST_F(DocumentPeaksTest, FinishedRangesReplaceThePreviewAndNotifyOnceEach) {
    EXPECT_FALSE(doc_.PeaksExact());
    // Peaks of another file's frames are refused.
    {
        auto other = Analyse("speech_pauses.mp3", false);
        tessivo::BackgroundPeaks foreign(*other, {}, 1);
        foreign.Start();
        foreign.Wait();
        EXPECT_FALSE(doc_.CopyFinishedPeaks(foreign));
        EXPECT_TRUE(changes_.empty());
        EXPECT_EQ(st_.PeakMaxL, std::vector<int16_t>(st_.FrameCount, 0));
    }
    tessivo::BackgroundPeaks peaks(st_, {}, 1, 2 * tessivo::kSeamFrames);
    peaks.Start();
    peaks.Wait();
    ASSERT_TRUE(peaks.Finished());
    ASSERT_TRUE(doc_.CopyFinishedPeaks(peaks));
    ASSERT_EQ(changes_.size(), 1u);
    EXPECT_EQ(changes_[0], DocumentChange::Peaks);
    EXPECT_TRUE(st_.PeakMaxL == exact_.PeakMaxL && st_.PeakMinL == exact_.PeakMinL &&
                st_.PeakMaxR == exact_.PeakMaxR && st_.PeakMinR == exact_.PeakMinR);
    // Nothing new: nothing to tell.
    EXPECT_FALSE(doc_.CopyFinishedPeaks(peaks));
    EXPECT_EQ(changes_.size(), 1u);

    // Once exact, nothing more is copied.
    EXPECT_FALSE(doc_.FinishPeaks().has_value());
    EXPECT_TRUE(doc_.PeaksExact());
    tessivo::BackgroundPeaks again(st_, {}, 1);
    again.Start();
    again.Wait();
    EXPECT_FALSE(doc_.CopyFinishedPeaks(again));
}

TEST_F(DocumentPeaksTest, PrepareAtPausesWaitsForTheExactPeaksOthersDoNot) {
    tessivo::PrepareInput in;
    in.mode = "silence";
    const tessivo::PrepareOutcome waiting = doc_.Prepare(in);
    EXPECT_TRUE(waiting.waiting);
    EXPECT_FALSE(waiting.acted);
    EXPECT_TRUE(doc_.PreparePending());
    EXPECT_EQ(PartCount(st_), 1);
    EXPECT_TRUE(changes_.empty());

    // A near-pauses length that cannot be used is told at once.
    tessivo::PrepareInput bad;
    bad.mode = "near-pauses";
    bad.nearLength = "9:00:00";
    EXPECT_FALSE(doc_.Prepare(bad).message.empty());

    // Equal parts need no peaks.
    tessivo::PrepareInput parts;
    parts.mode = "parts";
    parts.parts = 3;
    EXPECT_TRUE(doc_.Prepare(parts).acted);
    EXPECT_EQ(PartCount(st_), 3);

    tessivo::BackgroundPeaks peaks(st_, {}, 1);
    peaks.Start();
    peaks.Wait();
    ASSERT_TRUE(doc_.CopyFinishedPeaks(peaks));
    const auto out = doc_.FinishPeaks();
    ASSERT_TRUE(out.has_value());
    EXPECT_TRUE(out->acted);
    EXPECT_FALSE(doc_.PreparePending());
    // The same cut lines as with the exact peaks from the start.
    const auto refFile = Analyse("speech_pauses.mp3", true);
    tessivo::ProgramState& ref = *refFile;
    ref.FileLoaded = true;
    tessivo::PrepareInput again;
    again.mode = "silence";
    ASSERT_TRUE(tessivo::PrepareCutLines(ref, ref, ref, again).acted);
    ASSERT_GT(PartCount(ref), 1);
    ASSERT_EQ(PartCount(st_), PartCount(ref));
    for (int k = 1; k <= PartCount(ref); ++k)
        EXPECT_EQ(PartFirstFrame(st_, k), PartFirstFrame(ref, k)) << k;
}
