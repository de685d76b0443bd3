// The part records and the edits of their cut lines: each part keeps its
// tick, tag fields and written file with its own audio.
#include "core/parts/cut_lines.h"

#include "core/output/id3v1_tag.h"
#include "core/parts/part_access.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tessivo;

namespace {

// A file of `frames` frames with one part, as after an open.
void Open(ProgramState& st, uint32_t frames) {
    st.FrameCount = frames;
    ResetToOnePart(st, st);
}

std::vector<int32_t> Starts(const ProgramState& st) {
    std::vector<int32_t> starts;
    for (int k = 1; k <= PartCount(st); ++k)
        starts.push_back(PartFirstFrame(st, k));
    return starts;
}

// Parts tile the file: ascending starts from 0, each ends before the next.
void ExpectTiled(const ProgramState& st) {
    ASSERT_GE(PartCount(st), 1);
    EXPECT_EQ(PartFirstFrame(st, 1), 0);
    for (int k = 1; k < PartCount(st); ++k) {
        EXPECT_LE(PartFirstFrame(st, k), PartFirstFrame(st, k + 1)) << "part " << k;
        EXPECT_EQ(PartLastFrame(st, st, k), PartFirstFrame(st, k + 1) - 1) << "part " << k;
    }
    EXPECT_EQ(PartLastFrame(st, st, PartCount(st)), int32_t(st.FrameCount) - 1);
}

// Four parts at 0, 1000, 2000, 3000 titled "1".."4", each written to a file.
void FourTitledParts(ProgramState& st) {
    Open(st, 4000);
    ReplaceParts(st, st, {1000, 2000, 3000});
    for (int k = 1; k <= 4; ++k) {
        PartRecord& p = st.Parts[size_t(k - 1)];
        p.own.title = std::to_string(k);
        p.ownFields = kTagTitle;
        p.writtenFile = "part" + std::to_string(k) + ".mp3";
    }
}

std::string Title(const ProgramState& st, int k) {
    return EffectivePartTag(st, k).fields.title;
}

} // namespace

TEST(CutLines, OpenedFileHasOneWholePart) {
    ProgramState st;
    st.FrameCount = 1000;
    st.Parts.assign(3, PartRecord{.start = 77, .ticked = false, .writtenFile = "old.mp3"});
    st.SelectedPart = 3;
    ResetToOnePart(st, st);
    ASSERT_EQ(PartCount(st), 1);
    EXPECT_EQ(PartFirstFrame(st, 1), 0);
    EXPECT_EQ(PartLastFrame(st, st, 1), 999);
    EXPECT_TRUE(PartTicked(st, 1));
    EXPECT_FALSE(PartSaved(st, 1));
    EXPECT_EQ(st.SelectedPart, 0);
}

TEST(CutLines, SortKeepsEqualsTurnsNegativesToZeroAndLeavesMarksInTheirSlots) {
    ProgramState st;
    Open(st, 1000);
    st.Parts[0].ticked = false;
    st.Parts[0].ownFields = kTagTitle;
    ReplaceParts(st, st, {200, 200, 999, 1500});
    EXPECT_EQ(Starts(st), (std::vector<int32_t>{0, 200, 200}));
    for (int k = 1; k <= PartCount(st); ++k) {
        EXPECT_TRUE(PartTicked(st, k));
        EXPECT_EQ(PartAt(st, k).ownFields, 0u);
    }
    // Two lines on one frame give an empty part (end = start - 1).
    EXPECT_EQ(PartLastFrame(st, st, 2), PartFirstFrame(st, 2) - 1);
    ExpectTiled(st);
}

TEST(CutLines, AddSplitsThePartAndRefusesTheLastTenFrames) {
    ProgramState st;
    Open(st, 1000);
    ASSERT_TRUE(AddCutLine(st, st, 100));
    EXPECT_EQ(Starts(st), (std::vector<int32_t>{0, 100}));
    EXPECT_EQ(PartLastFrame(st, st, 1), 99);
    EXPECT_EQ(PartLastFrame(st, st, 2), 999);
    EXPECT_FALSE(AddCutLine(st, st, 990)); // 990 + 10 is not below 1000
    EXPECT_FALSE(AddCutLine(st, st, -1));
    EXPECT_TRUE(AddCutLine(st, st, 989));
    ASSERT_TRUE(AddCutLine(st, st, 100));
    EXPECT_EQ(Starts(st), (std::vector<int32_t>{0, 100, 100, 989}));
    ExpectTiled(st);
}

TEST(CutLines, AddKeepsMarksAndTagsWithTheirSlots) {
    // Parts 1-3 with part 2 unticked and titled: a line inside part 2 makes
    // two unticked parts titled as it was; the others keep theirs.
    ProgramState st;
    Open(st, 3000);
    ReplaceParts(st, st, {1000, 2000});
    st.Parts[1].ticked = false;
    st.Parts[1].own.title = "Chorus";
    st.Parts[1].ownFields = kTagTitle;
    st.Parts[1].writtenFile = "song-02.mp3";
    st.Parts[2].writtenFile = "song-03.mp3";
    ASSERT_TRUE(AddCutLine(st, st, 1500));
    EXPECT_EQ(Starts(st), (std::vector<int32_t>{0, 1000, 1500, 2000}));
    EXPECT_TRUE(PartTicked(st, 1));
    EXPECT_FALSE(PartTicked(st, 2));
    EXPECT_FALSE(PartTicked(st, 3));
    EXPECT_TRUE(PartTicked(st, 4));
    EXPECT_EQ(Title(st, 2), "Chorus");
    EXPECT_EQ(Title(st, 3), "Chorus");
    // Both halves' ranges changed: neither is in a file now. Part 4's is.
    EXPECT_FALSE(PartSaved(st, 2));
    EXPECT_FALSE(PartSaved(st, 3));
    EXPECT_EQ(PartAt(st, 4).writtenFile, "song-03.mp3");
}

TEST(CutLines, AmongEqualPositionsTheLowerSlotEndsHigher) {
    // A line moved onto another line's frame keeps its place before it: the
    // records are ordered by start, equal starts as they stood.
    ProgramState st;
    Open(st, 1000);
    ASSERT_TRUE(AddCutLine(st, st, 400));
    ASSERT_TRUE(AddCutLine(st, st, 600));
    st.Parts[1].ticked = false;
    EXPECT_EQ(MoveCutLine(st, st, 2, 600), 2);
    EXPECT_EQ(Starts(st), (std::vector<int32_t>{0, 600, 600}));
    EXPECT_FALSE(PartTicked(st, 2)); // the moved part, now empty
    EXPECT_TRUE(PartTicked(st, 3));
    EXPECT_EQ(PartLastFrame(st, st, 2), 599);
    ExpectTiled(st);
}

TEST(CutLines, TableRefusesTheThousandthPart) {
    ProgramState st;
    Open(st, 100000);
    for (int i = 1; i < kMaxParts; ++i)
        ASSERT_TRUE(AddCutLine(st, st, i * 50)) << i;
    EXPECT_EQ(PartCount(st), kMaxParts);
    const std::vector<int32_t> before = Starts(st);
    EXPECT_FALSE(AddCutLine(st, st, 25));
    EXPECT_EQ(Starts(st), before);
    ExpectTiled(st);
}

TEST(CutLines, MoveIsHeldTenFramesBeforeTheEnd) {
    ProgramState st;
    Open(st, 1000);
    AddCutLine(st, st, 300);
    EXPECT_EQ(MoveCutLine(st, st, 2, 5000), 2);
    EXPECT_EQ(PartFirstFrame(st, 2), 990);
    EXPECT_EQ(MoveCutLine(st, st, 2, -40), 2);
    EXPECT_EQ(PartFirstFrame(st, 2), 0);
    MoveCutLine(st, st, 1, 400);
    MoveCutLine(st, st, 3, 400);
    EXPECT_EQ(Starts(st), (std::vector<int32_t>{0, 0}));
}

TEST(CutLines, MoveKeepsBothRecordsAndForgetsTheirFiles) {
    ProgramState st;
    FourTitledParts(st);
    EXPECT_EQ(MoveCutLine(st, st, 3, 2500), 3);
    EXPECT_EQ(Starts(st), (std::vector<int32_t>{0, 1000, 2500, 3000}));
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(Title(st, k), std::to_string(k));
    EXPECT_TRUE(PartSaved(st, 1));
    EXPECT_FALSE(PartSaved(st, 2));
    EXPECT_FALSE(PartSaved(st, 3));
    EXPECT_TRUE(PartSaved(st, 4));
}

TEST(CutLines, MoveFollowsTheLineAcrossItsNeighbours) {
    ProgramState st;
    FourTitledParts(st);
    const int k = MoveCutLine(st, st, 2, 2500);
    EXPECT_EQ(k, 3);
    EXPECT_EQ(Starts(st), (std::vector<int32_t>{0, 2000, 2500, 3000}));
    // The moved line's part starts at 2500 now; the one it passed follows
    // part 1. Only the last part's range is as it was.
    EXPECT_EQ(Title(st, 3), "2");
    EXPECT_EQ(Title(st, 2), "3");
    for (int p = 1; p <= 3; ++p)
        EXPECT_FALSE(PartSaved(st, p)) << p;
    EXPECT_TRUE(PartSaved(st, 4));
    ExpectTiled(st);
}

TEST(CutLines, DeleteMergesPartsMovesMarksButNotTags) {
    // Intro / Verse / Chorus (unticked) / Outro: deleting the Chorus's line
    // gives its audio to the Verse; the Outro keeps its title and tick.
    ProgramState st;
    FourTitledParts(st);
    st.Parts[2].ticked = false;
    st.SelectedPart = 4;
    ASSERT_TRUE(DeleteCutLine(st, 3));
    EXPECT_EQ(st.SelectedPart, 0);
    EXPECT_EQ(Starts(st), (std::vector<int32_t>{0, 1000, 3000}));
    EXPECT_EQ(Title(st, 2), "2");
    EXPECT_EQ(Title(st, 3), "4");
    EXPECT_TRUE(PartTicked(st, 2));
    EXPECT_TRUE(PartTicked(st, 3));
    EXPECT_FALSE(PartSaved(st, 2)); // its range grew
    EXPECT_EQ(PartAt(st, 3).writtenFile, "part4.mp3");
    EXPECT_EQ(PartId3v1(st, 3)[3], '4');
    ExpectTiled(st);
}

TEST(CutLines, DeleteIgnoresTheFirstLineAndNumbersOutsideTheTable) {
    ProgramState st;
    Open(st, 1000);
    AddCutLine(st, st, 500);
    st.SelectedPart = 2;
    for (int k : {0, 1, 3, -1, 1000}) {
        EXPECT_FALSE(DeleteCutLine(st, k)) << k;
        EXPECT_EQ(PartCount(st), 2);
        EXPECT_EQ(st.SelectedPart, 2);
    }
    RemoveCutLine(st, 1);
    EXPECT_EQ(Starts(st), (std::vector<int32_t>{0, 500}));
}

TEST(PartTags, PartFieldsOverrideTheFileTagFieldByField) {
    ProgramState st;
    Open(st, 1000);
    ReplaceParts(st, st, {500});
    st.FileTag = PartTagSlot{true, PartTagV2{.title = "Book", .artist = "Reader"}};
    st.Parts[1].own.title = "Chapter 2";
    st.Parts[1].ownFields = kTagTitle;
    EXPECT_EQ(EffectivePartTag(st, 1).fields.title, "Book");
    EXPECT_EQ(EffectivePartTag(st, 2).fields.title, "Chapter 2");
    EXPECT_EQ(EffectivePartTag(st, 2).fields.artist, "Reader");
    // A later change of the file tag reaches every field a part did not set.
    st.FileTag.fields.artist = "Narrator";
    EXPECT_EQ(EffectivePartTag(st, 1).fields.artist, "Narrator");
    EXPECT_EQ(EffectivePartTag(st, 2).fields.artist, "Narrator");
    EXPECT_EQ(EffectivePartTag(st, 2).fields.title, "Chapter 2");
    // No file tag and no own field: no tag at all.
    st.FileTag = PartTagSlot{};
    EXPECT_FALSE(EffectivePartTag(st, 1).present);
    EXPECT_TRUE(EffectivePartTag(st, 2).present);
}
