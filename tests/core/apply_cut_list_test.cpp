// Cut lists and the part table: applying a placed list and taking one back.
#include "core/cutlist/apply_cut_list.h"

#include "core/parts/part_access.h"

#include "analysis_test_support.h"
#include "core/output/id3v1_tag.h"
#include "core/parts/cut_lines.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace tessivo;

namespace {

std::unique_ptr<ProgramState> Opened(const std::string& fixture) {
    auto st = analysis_test::Analyse(fixture, false);
    st->FileName = analysis_test::Fixture(fixture);
    ResetToOnePart(*st, *st);
    CopySourceTag(*st, *st);
    return st;
}

CutListEntry Entry(double start, double end, const std::string& title,
                   const std::string& performer = "") {
    CutListEntry e;
    e.startSeconds = start;
    e.endSeconds = end;
    e.title = title;
    e.performer = performer;
    return e;
}

} // namespace

TEST(ApplyCutList, RegionsBecomeTickedTitledPartsBetweenUntickedGaps) {
    auto st = Opened("long65.mp3"); // no tag; 36 ms frames
    AddCutLine(*st, *st, 100);
    st->Parts[1].writtenFile = "written.mp3";
    st->SelectedPart = 2;
    CutList list;
    list.album = "Album";
    list.entries = {Entry(10, 20, "A"), Entry(30, 40, "B", "Singer"), Entry(200, -1, "late")};
    const FrameCutList placed = ApplyCutList(*st, *st, list);
    ASSERT_EQ(placed.warnings.size(), 1u);
    ASSERT_EQ(PartCount(*st), 5);
    EXPECT_EQ(CutLineFrames(*st), (std::vector<int32_t>{278, 556, 833, 1111}));
    const std::vector<bool> used = {false, true, false, true, false};
    for (int k = 1; k <= 5; ++k) {
        EXPECT_EQ(PartTicked(*st, k), used[k - 1]) << k;
        EXPECT_FALSE(PartSaved(*st, k)) << k;
    }
    EXPECT_EQ(st->SelectedPart, 0);
    EXPECT_EQ(PartLastFrame(*st, *st, 5), int32_t(st->FrameCount) - 1);
    // Every part gets the list's album; the gaps no title.
    EXPECT_EQ(TagAlbum(PartId3v1(*st, 1)), "Album");
    EXPECT_EQ(TagTitle(PartId3v1(*st, 1)), "");
    EXPECT_EQ(TagTitle(PartId3v1(*st, 2)), "A");
    EXPECT_EQ(TagAlbum(PartId3v1(*st, 2)), "Album");
    EXPECT_EQ(TagArtist(PartId3v1(*st, 4)), "Singer");
    EXPECT_EQ(TagTitle(PartId3v1(*st, 3)), "");
}

TEST(ApplyCutList, UntitledPartsKeepTheSourceTagAndTheTableGivesTheListBack) {
    auto st = Opened("id3v1_track.mp3");
    ASSERT_TRUE(st->HasId3v1);
    const std::string sourceTitle = TagTitle(st->Id3v1Buffer);
    CutList list;
    list.albumArtist = "Band";
    list.entries = {Entry(0.5, -1, "First"), Entry(1.0, -1, "")};
    ApplyCutList(*st, *st, list);
    ASSERT_EQ(PartCount(*st), 3);
    EXPECT_EQ(TagTitle(PartId3v1(*st, 2)), "First");
    EXPECT_EQ(TagArtist(PartId3v1(*st, 2)), "Band");
    EXPECT_EQ(TagText(PartId3v1(*st, 2), 93, 4), TagText(st->Id3v1Buffer, 93, 4)); // year kept
    EXPECT_EQ(TagTitle(PartId3v1(*st, 3)), sourceTitle);

    // Taken back and placed again: the same cuts, ticks and titles.
    const FrameCutList table = CutListOfTable(*st);
    ASSERT_EQ(table.cuts.size(), 3u);
    EXPECT_EQ(table.parts[1].title, "First");
    EXPECT_EQ(table.parts[1].performer, "Band");
    auto again = Opened("id3v1_track.mp3");
    CutList back;
    for (size_t k = 0; k < table.cuts.size(); ++k)
        back.entries.push_back(Entry(CutSeconds(table, k, TimeBaseOf(*st)), -1,
                                     table.parts[k].title, table.parts[k].performer));
    ApplyCutList(*again, *again, back);
    EXPECT_EQ(CutLineFrames(*again), CutLineFrames(*st));
    ASSERT_EQ(PartCount(*again), PartCount(*st));
    for (int k = 1; k <= PartCount(*st); ++k)
        EXPECT_EQ(EffectivePartTag(*again, k), EffectivePartTag(*st, k)) << k;
    // The album artist went into every part's artist; the album is the source's.
    CutListSource source = CutListSourceOf(*st, *st);
    EXPECT_EQ(source.fileName, "id3v1_track.mp3");
    EXPECT_EQ(source.albumArtist, "Band");
    EXPECT_EQ(source.album, TagAlbum(st->Id3v1Buffer).substr(0, source.album.size()));
    EXPECT_FALSE(source.album.empty());
    // Parts that differ share nothing.
    TagFields f = ReadTagFields(*st, *st, 3);
    f.artist = "Other";
    StoreTagFields(*st, *st, 3, f);
    source = CutListSourceOf(*st, *st);
    EXPECT_EQ(source.albumArtist, "");
}

TEST(ApplyCutList, AListWithNothingInsideTheFileLeavesOnePart) {
    auto st = Opened("long65.mp3");
    AddCutLine(*st, *st, 300);
    CutList list;
    list.entries = {Entry(100, -1, "past")};
    const FrameCutList placed = ApplyCutList(*st, *st, list);
    EXPECT_EQ(PartCount(*st), 1);
    EXPECT_TRUE(PartTicked(*st, 1));
    EXPECT_EQ(placed.warnings.size(), 1u);
}
