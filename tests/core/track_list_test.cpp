// Track list texts: both line forms, comments and blank lines, the errors
// that name their lines, and where the tracks start.
#include "core/cutlist/track_list.h"
#include "core/util/time_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tessivo;

TEST(TrackList, StartFormTakesSetListsAndVideoChapters) {
    const TrackListRead r = ReadTrackList("\xEF\xBB\xBF# a set list\r\n"
                                          "0:00 Intro\r\n"
                                          "\r\n"
                                          "02:15.5 - Second song\r\n"
                                          "1:02:03.250 The long one — live\r\n");
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_EQ(r.list.form, TrackListForm::Starts);
    ASSERT_EQ(r.list.tracks.size(), 3u);
    EXPECT_EQ(r.list.tracks[0].line, 2);
    EXPECT_EQ(r.list.tracks[0].title, "Intro");
    EXPECT_DOUBLE_EQ(*r.list.tracks[0].seconds, 0.0);
    EXPECT_EQ(r.list.tracks[1].line, 4);
    EXPECT_EQ(r.list.tracks[1].title, "Second song");
    EXPECT_DOUBLE_EQ(*r.list.tracks[1].seconds, 135.5);
    EXPECT_EQ(r.list.tracks[2].line, 5);
    EXPECT_EQ(r.list.tracks[2].title, "The long one — live");
    EXPECT_DOUBLE_EQ(*r.list.tracks[2].seconds, 3723.25);
}

TEST(TrackList, LengthFormTakesAlbumListsWithNumbers) {
    const TrackListRead r = ReadTrackList("1. Morning (3:45)\n"
                                          "02 - Noon 4:10\n"
                                          "   # a comment after blanks\n"
                                          "3) Evening [0:59.5]\n"
                                          "99 Luftballons 3:52\n");
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_EQ(r.list.form, TrackListForm::Lengths);
    ASSERT_EQ(r.list.tracks.size(), 4u);
    EXPECT_EQ(r.list.tracks[0].title, "Morning");
    EXPECT_DOUBLE_EQ(*r.list.tracks[0].seconds, 225.0);
    EXPECT_EQ(r.list.tracks[1].title, "Noon");
    EXPECT_EQ(r.list.tracks[2].title, "Evening");
    EXPECT_EQ(r.list.tracks[2].line, 4);
    EXPECT_DOUBLE_EQ(*r.list.tracks[2].seconds, 59.5);
    // A number without a dot, dash or bracket is the title's own.
    EXPECT_EQ(r.list.tracks[3].title, "99 Luftballons");
    std::vector<double> starts;
    ASSERT_EQ(TrackStarts(r.list, 3600.0, starts), "");
    ASSERT_EQ(starts.size(), 4u);
    EXPECT_DOUBLE_EQ(starts[0], 0.0);
    EXPECT_DOUBLE_EQ(starts[1], 225.0);
    EXPECT_DOUBLE_EQ(starts[2], 475.0);
    EXPECT_DOUBLE_EQ(starts[3], 534.5);
}

TEST(TrackList, TitlesAloneAreAListOfTheirOwn) {
    const TrackListRead r = ReadTrackList("1. One\n\nTwo\n3 - Three\n");
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.list.form, TrackListForm::Titles);
    ASSERT_EQ(r.list.tracks.size(), 3u);
    EXPECT_EQ(r.list.tracks[0].title, "One");
    EXPECT_EQ(r.list.tracks[1].title, "Two");
    EXPECT_EQ(r.list.tracks[2].title, "Three");
    EXPECT_FALSE(r.list.tracks[2].seconds.has_value());
}

TEST(TrackList, ErrorsNameTheLineCountingEveryLine) {
    EXPECT_EQ(ReadTrackList("0:00 A\n# c\n\nB caf\xE9\n").error, "Line 4: not UTF-8");
    EXPECT_EQ(ReadTrackList("0:00 A\n\n1:00 B\nno time here\n").error,
              "Line 4: no time (a start first or a length last)");
    EXPECT_EQ(ReadTrackList("0:00 A\n1:00 B\n0:30 C\n").error,
              "Line 3: starts at 0:30.000, not after the track before");
    EXPECT_EQ(ReadTrackList("0:00 A\nB 3:00\n").error,
              "Line 2: a length last, where the lines before give the start first");
    EXPECT_EQ(ReadTrackList("# nothing\n\n").error, "The track list holds no tracks");
    // A time must have minutes and two-digit seconds below 60.
    EXPECT_EQ(ReadTrackList("0:00 A\n1:75 B\n").error,
              "Line 2: no time (a start first or a length last)");
    EXPECT_TRUE(ReadTrackList("0:00 A\n").list.tracks.size() == 1);
    EXPECT_TRUE(ReadTrackList("0:00 A\n1:75 B\n").list.tracks.empty());
}

TEST(TrackList, StartsPastTheEndNameTheirLine) {
    const TrackListRead starts = ReadTrackList("0:00 A\n\n0:40 B\n1:20 C\n");
    std::vector<double> at;
    EXPECT_EQ(TrackStarts(starts.list, 60.0, at),
              "Line 4: starts at 1:20.000, past the end of the file (1:00.000)");
    EXPECT_TRUE(at.empty());
    const TrackListRead lengths = ReadTrackList("A 0:40\nB 0:30\nC 0:10\n");
    EXPECT_EQ(TrackStarts(lengths.list, 60.0, at),
              "Line 3: starts at 1:10.000, past the end of the file (1:00.000)");
    // The first track starts with the file whatever its given time.
    const TrackListRead late = ReadTrackList("0:05 A\n0:30 B\n");
    ASSERT_EQ(TrackStarts(late.list, 60.0, at), "");
    EXPECT_EQ(at, (std::vector<double>{0.0, 30.0}));
}

TEST(TrackList, NoteTimeTextShowsHoursOnlyWhenThere) {
    EXPECT_EQ(FormatNoteTimeText(723.0), "12:03.000");
    EXPECT_EQ(FormatNoteTimeText(5.0004), "0:05.000");
    EXPECT_EQ(FormatNoteTimeText(3723.25), "1:02:03.250");
    EXPECT_EQ(FormatNoteTimeText(252.3), "4:12.300");
}
