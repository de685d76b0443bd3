// The part table's tags in UTF-8: what the panel's Set keeps of what it
// cannot show, what a window split writes from the slots, and Prepare at
// chapters refused for a file without chapters.
#include "analysis_test_support.h"

#include "core/parts/part_access.h"

#include "core/document/document.h"
#include "core/document/window_part_tags.h"
#include "core/output/id3v1_tag.h"
#include "core/parts/cut_lines.h"

#include <gtest/gtest.h>

#include <vector>

namespace tessivo {
namespace {

// Three parts of a source with a full ID3v2 tag, which is their file tag.
std::unique_ptr<ProgramState> WithId3v2Slot() {
    auto st = std::make_unique<ProgramState>();
    st->HasId3v2 = true;
    st->Parts.resize(3);
    st->FileTag.present = true;
    PartTagV2& f = st->FileTag.fields;
    f.title = "Ünïcødé — 日本語";
    f.artist = "Ørkester";
    f.year = "2021-05-01";
    f.genre = "Electronica"; // not a genre of the ID3v1 table
    f.track = "3/12";
    return st;
}

TEST(PartTagSlots, SetKeepsWhatThePanelCannotShow) {
    auto st = WithId3v2Slot();
    TagFields shown = ReadTagFields(*st, *st, 2);
    EXPECT_EQ(shown.title, "Ünïcødé — 日本語");
    EXPECT_EQ(shown.genre, "");  // the genre box cannot show it
    EXPECT_EQ(shown.track, "3"); // the ID3v1 track
    // The panel sends back what it shows (the year by its digits), with a
    // new title.
    shown.year = "2021";
    shown.title = "Žluťoučký kůň, a title of more than thirty characters";
    StoreTagFields(*st, *st, 2, shown);
    PartTagV2 slot = EffectivePartTag(*st, 2).fields;
    EXPECT_EQ(slot.title, "Žluťoučký kůň, a title of more than thirty characters");
    EXPECT_EQ(slot.genre, "Electronica");
    EXPECT_EQ(slot.track, "3/12");
    EXPECT_EQ(slot.year, "2021-05-01");
    EXPECT_EQ(slot.artist, "Ørkester");
    // Its ID3v1 record: Latin-1 with '?', cut to 30 bytes.
    EXPECT_EQ(TagTitle(PartId3v1(*st, 2)), "?lu?ou?k\xC3\xBD k??, a title of more");
    EXPECT_EQ(PartId3v1(*st, 2)[126], 3);
    EXPECT_EQ(PartId3v1(*st, 2)[127], 255);

    // Changed fields replace the slot's.
    shown.genre = "Jazz";
    shown.track = "7";
    shown.year = "1999";
    StoreTagFields(*st, *st, 2, shown);
    slot = EffectivePartTag(*st, 2).fields;
    EXPECT_EQ(slot.genre, "Jazz");
    EXPECT_EQ(slot.track, "7");
    EXPECT_EQ(slot.year, "1999");
}

TEST(PartTagSlots, AWindowSplitWritesTheSlotsAsTheyAre) {
    auto st = WithId3v2Slot();
    ASSERT_TRUE(st->Parts.size() == 3);
    st->Parts[0].own.title = "Intro   "; // trailing spaces of an ID3v1 text
    st->Parts[0].ownFields = kTagTitle;
    st->Parts[1].ownFields = kTagTitle | kTagArtist; // both cleared by hand
    st->Parts[2].own.track = "0";                    // no number: its place at writing
    st->Parts[2].ownFields = kTagTrack;
    const PartTags tags = WindowPartTags(*st, SourceTag{});
    ASSERT_EQ(tags.part.size(), 4u);
    EXPECT_EQ(tags.part[1].title, "Intro");
    EXPECT_EQ(tags.part[1].track, "3/12");
    EXPECT_EQ(tags.part[1].genre, "Electronica");
    EXPECT_EQ(tags.part[2].title, "{name} - part {n}");
    EXPECT_EQ(tags.part[2].artist, "");
    EXPECT_EQ(tags.part[3].title, "Ünïcødé — 日本語");
    EXPECT_EQ(ResolvePartTag(tags, 3, "song", 3, 3).track, "3/3");
    EXPECT_EQ(ResolvePartTag(tags, 2, "song", 2, 3).title, "song - part 02");
}

TEST(PartTagSlots, PrepareAtChaptersDoesNothingForAFileWithoutChapters) {
    ProgramState st;
    Document doc(st);
    auto analysed = analysis_test::Analyse("long65.mp3", false);
    ASSERT_TRUE(analysed);
    doc.AdoptFile(std::move(*analysed));
    ASSERT_TRUE(doc.Chapters().empty());
    ASSERT_TRUE(doc.AddCutLine(static_cast<int32_t>(st.FrameCount / 2)));
    int notified = 0;
    doc.Subscribe([&](DocumentChange) { ++notified; });
    PrepareInput in;
    in.mode = "chapters";
    const PrepareOutcome out = doc.Prepare(in);
    EXPECT_FALSE(out.acted);
    EXPECT_TRUE(out.message.empty());
    EXPECT_EQ(PartCount(st), 2);
    EXPECT_EQ(notified, 0);
}

} // namespace
} // namespace tessivo
