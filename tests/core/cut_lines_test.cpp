// The cut-line table: sorting, adding, moving, removing and resetting.
#include "core/parts/cut_lines.h"

#include "core/output/id3v1_tag.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tessivo;

namespace {

// A file of `frames` frames with one part, as after an open.
void Open(ProgramState& st, uint32_t frames) {
    st.FrameCount = frames;
    ResetToOnePart(st);
}

std::vector<int32_t> Lines(const ProgramState& st) {
    return {st.CutLine.begin() + 1, st.CutLine.begin() + st.CutCount + 1};
}

// Every part's bounds as the derivation rule gives them.
void ExpectDerived(const ProgramState& st) {
    for (int k = 1; k <= st.CutCount; ++k) {
        EXPECT_EQ(st.PartStart[k], st.CutLine[k]) << "part " << k;
        const int32_t end = k < st.CutCount ? st.CutLine[k + 1] - 1 : int32_t(st.FrameCount) - 1;
        EXPECT_EQ(st.PartEnd[k], end) << "part " << k;
    }
    EXPECT_EQ(st.PartStart[st.CutCount + 1], int32_t(st.FrameCount) - 1);
}

} // namespace

TEST(CutLines, OpenedFileHasOneWholePart) {
    ProgramState st;
    st.FrameCount = 1000;
    st.CutLine[1] = 77; // left over from an earlier file
    st.PartUsed[1] = false;
    st.PartSaved[1] = true;
    st.SelectedPart = 3;
    ResetToOnePart(st);
    EXPECT_EQ(st.CutCount, 1);
    EXPECT_EQ(st.CutLine[1], 0);
    EXPECT_EQ(st.PartStart[1], 0);
    EXPECT_EQ(st.PartEnd[1], 999);
    EXPECT_TRUE(st.PartUsed[1]);
    EXPECT_FALSE(st.PartSaved[1]);
    EXPECT_EQ(st.SelectedPart, 0);
}

TEST(CutLines, SortKeepsEqualsTurnsNegativesToZeroAndLeavesMarksInTheirSlots) {
    ProgramState st;
    Open(st, 1000);
    st.CutCount = 6;
    const int32_t raw[] = {0, 500, 200, 500, -5, 300};
    for (int k = 1; k <= 6; ++k) {
        st.CutLine[k] = raw[k - 1];
        st.PartUsed[k] = (k % 2) == 0;
    }
    SortCutLines(st);
    EXPECT_EQ(Lines(st), (std::vector<int32_t>{0, 0, 200, 300, 500, 500}));
    for (int k = 1; k <= 6; ++k)
        EXPECT_EQ(st.PartUsed[k], (k % 2) == 0) << "slot " << k;
    ExpectDerived(st);
    // The two equal lines give an empty part 5 (end = start - 1).
    EXPECT_EQ(st.PartEnd[5], st.PartStart[5] - 1);
}

TEST(CutLines, AmongEqualPositionsTheLowerSlotEndsHigher) {
    // Slots 2 and 3 hold the same frame; the scan picks slot 2 first for the
    // highest place, so moving line 2 onto that frame puts it at number 3.
    ProgramState st;
    Open(st, 1000);
    ASSERT_TRUE(AddCutLine(st, 400));
    ASSERT_TRUE(AddCutLine(st, 600));
    EXPECT_EQ(MoveCutLine(st, 2, 600), 3);
    EXPECT_EQ(Lines(st), (std::vector<int32_t>{0, 600, 600}));
    // A line moved to below 0 comes out as 0 and keeps a number after line 1.
    EXPECT_EQ(MoveCutLine(st, 3, -40), 2);
    EXPECT_EQ(Lines(st), (std::vector<int32_t>{0, 0, 600}));
}

TEST(CutLines, AddSplitsThePartAndRefusesTheLastTenFrames) {
    ProgramState st;
    Open(st, 1000);
    ASSERT_TRUE(AddCutLine(st, 100));
    EXPECT_EQ(st.CutCount, 2);
    EXPECT_EQ(st.PartStart[1], 0);
    EXPECT_EQ(st.PartEnd[1], 99);
    EXPECT_EQ(st.PartStart[2], 100);
    EXPECT_EQ(st.PartEnd[2], 999);
    EXPECT_TRUE(st.PartUsed[2]);
    EXPECT_FALSE(st.PartSaved[2]);

    EXPECT_FALSE(AddCutLine(st, 990)); // 990 + 10 is not below 1000
    EXPECT_FALSE(AddCutLine(st, -1));
    EXPECT_TRUE(AddCutLine(st, 989));
    EXPECT_EQ(st.CutCount, 3);

    // A second line on the same frame gives an empty part.
    ASSERT_TRUE(AddCutLine(st, 100));
    EXPECT_EQ(Lines(st), (std::vector<int32_t>{0, 100, 100, 989}));
    EXPECT_EQ(st.PartStart[2], 100);
    EXPECT_EQ(st.PartEnd[2], 99);
    EXPECT_EQ(st.PartStart[3], 100);
    EXPECT_EQ(st.PartEnd[3], 988);
    ExpectDerived(st);
}

TEST(CutLines, AddKeepsMarksAndTagsWithTheirSlots) {
    // Parts 1-3 with part 2 unticked; a line inside part 1 leaves slot 2
    // unticked (now the second half of the old part 1) and ticks the old
    // part 2, which becomes part 3.
    ProgramState st;
    Open(st, 3000);
    AddCutLine(st, 1000);
    AddCutLine(st, 2000);
    st.PartUsed[2] = false;
    st.PartTag[2].present = true;
    st.PartTag[2].fields.title = "X";
    st.SelectedPart = 2;
    ASSERT_TRUE(AddCutLine(st, 500));
    EXPECT_EQ(Lines(st), (std::vector<int32_t>{0, 500, 1000, 2000}));
    EXPECT_TRUE(st.PartUsed[1]);
    EXPECT_FALSE(st.PartUsed[2]);
    EXPECT_TRUE(st.PartUsed[3]);
    EXPECT_TRUE(st.PartUsed[4]);
    EXPECT_EQ(PartId3v1(st, 2)[3], 'X');
    EXPECT_EQ(st.SelectedPart, 2);
}

TEST(CutLines, TableRefusesTheThousandthLine) {
    ProgramState st;
    Open(st, 100000);
    for (int i = 1; i < kMaxCutLines; ++i)
        ASSERT_TRUE(AddCutLine(st, i * 50)) << i;
    EXPECT_EQ(st.CutCount, kMaxCutLines);
    const std::vector<int32_t> before = Lines(st);
    EXPECT_FALSE(AddCutLine(st, 25));
    EXPECT_EQ(st.CutCount, kMaxCutLines);
    EXPECT_EQ(Lines(st), before);
    ExpectDerived(st); // the end marker now sits in slot 1000, the last slot
}

TEST(CutLines, MoveIsHeldTenFramesBeforeTheEnd) {
    ProgramState st;
    Open(st, 1000);
    AddCutLine(st, 300);
    EXPECT_EQ(MoveCutLine(st, 2, 5000), 2);
    EXPECT_EQ(st.CutLine[2], 990);
    EXPECT_EQ(st.PartEnd[2], 999);
    // Line 1 is never moved, nor a line that does not exist.
    MoveCutLine(st, 1, 400);
    MoveCutLine(st, 3, 400);
    EXPECT_EQ(Lines(st), (std::vector<int32_t>{0, 990}));
}

TEST(CutLines, MoveFollowsTheLineAcrossItsNeighbours) {
    ProgramState st;
    Open(st, 1000);
    AddCutLine(st, 100);
    AddCutLine(st, 200);
    AddCutLine(st, 300);
    const int k = MoveCutLine(st, 2, 250);
    EXPECT_EQ(k, 3);
    EXPECT_EQ(st.CutLine[k], 250);
    EXPECT_EQ(Lines(st), (std::vector<int32_t>{0, 200, 250, 300}));
    ExpectDerived(st);
}

TEST(CutLines, DeleteMergesPartsMovesMarksButNotTags) {
    // Deleting line 3 of 4: parts 2 and 3 merge into part 2 with part 2's
    // marks; part 4 becomes part 3 with its marks and the old part 3's tag.
    ProgramState st;
    Open(st, 4000);
    AddCutLine(st, 1000);
    AddCutLine(st, 2000);
    AddCutLine(st, 3000);
    st.PartUsed[2] = false;
    st.PartSaved[2] = true;
    st.PartUsed[3] = true;
    st.PartSaved[3] = false;
    st.PartUsed[4] = false;
    st.PartSaved[4] = true;
    for (int k = 1; k <= 4; ++k) {
        st.PartTag[k].present = true;
        st.PartTag[k].fields.title = std::string(1, static_cast<char>('0' + k));
    }
    st.SelectedPart = 4;

    ASSERT_TRUE(DeleteCutLine(st, 3));
    EXPECT_EQ(st.SelectedPart, 0);
    EXPECT_EQ(Lines(st), (std::vector<int32_t>{0, 1000, 3000}));
    EXPECT_EQ(st.PartStart[2], 1000);
    EXPECT_EQ(st.PartEnd[2], 2999);
    EXPECT_FALSE(st.PartUsed[2]);
    EXPECT_TRUE(st.PartSaved[2]);
    EXPECT_FALSE(st.PartUsed[3]);
    EXPECT_TRUE(st.PartSaved[3]);
    EXPECT_EQ(PartId3v1(st, 3)[3], '3');
    EXPECT_EQ(PartId3v1(st, 4)[3], '4');
    ExpectDerived(st);
}

TEST(CutLines, DeleteIgnoresTheFirstLineAndNumbersOutsideTheTable) {
    ProgramState st;
    Open(st, 1000);
    AddCutLine(st, 500);
    st.SelectedPart = 2;
    for (int k : {0, 1, 3, -1, 1000}) {
        EXPECT_FALSE(DeleteCutLine(st, k)) << k;
        EXPECT_EQ(st.CutCount, 2);
        EXPECT_EQ(st.SelectedPart, 2);
    }
    RemoveCutLine(st, 1);
    EXPECT_EQ(Lines(st), (std::vector<int32_t>{0, 500}));
}
