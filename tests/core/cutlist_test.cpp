// Cut lists made elsewhere: cue sheets in every encoding, Audacity labels and
// CSV read into a neutral list, placed on the frames of real files, and
// written back so that reading gives the same cuts.
#include "core/cutlist/audacity_labels.h"
#include "core/cutlist/csv_cut_list.h"
#include "core/cutlist/cue_sheet.h"
#include "core/cutlist/cut_list.h"
#include "core/cutlist/cut_list_file.h"
#include "core/util/text_encoding.h"

#include "analysis_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace tessivo;

namespace {

// Frame duration and frame count of a fixture, as the analysis finds them.
struct FileFrames {
    double frameDuration = 0;
    uint32_t frameCount = 0;
    tessivo::TimeBase tb;
};

FileFrames FramesOf(const std::string& fixture) {
    tessivo::OpenResult r;
    auto st = analysis_test::Analyse(fixture, false, &r);
    EXPECT_TRUE(r.ok) << fixture << ": " << r.message;
    return {st->FrameDuration, st->FrameCount, tessivo::TimeBaseOf(*st)};
}

const FileFrames& Long65() {
    static const FileFrames f = FramesOf("long65.mp3");
    return f;
}

// UTF-16 bytes with a byte order mark, from a UTF-16 literal.
std::string Utf16Bytes(const std::u16string& text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t u : text) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

const char* const kCafe = "Caf\xC3\xA9 \xE2\x80\x93 Mot\xC3\xB6rhead"; // "Café – Motörhead"

// A two-track sheet whose second title is `title` (already encoded).
std::string TwoTrackSheet(const std::string& title, const std::string& eol = "\n") {
    return "PERFORMER \"Various\"" + eol + "TITLE \"Mix\"" + eol + "FILE \"mix.wav\" WAVE" + eol +
           "  TRACK 01 AUDIO" + eol + "    TITLE \"Intro\"" + eol + "    PERFORMER \"DJ\"" + eol +
           "    INDEX 01 00:00:00" + eol + "  TRACK 02 AUDIO" + eol + "    TITLE \"" + title +
           "\"" + eol + "    PERFORMER \"" + title + "\"" + eol + "    INDEX 01 00:12:30" + eol;
}

void ExpectTwoTrackSheet(const CutListRead& r) {
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.list.album, "Mix");
    EXPECT_EQ(r.list.albumArtist, "Various");
    ASSERT_EQ(r.list.entries.size(), 2u);
    EXPECT_EQ(r.list.entries[0].title, "Intro");
    EXPECT_EQ(r.list.entries[0].performer, "DJ");
    EXPECT_DOUBLE_EQ(r.list.entries[0].startSeconds, 0.0);
    EXPECT_EQ(r.list.entries[1].title, kCafe);
    EXPECT_EQ(r.list.entries[1].performer, kCafe);
    EXPECT_DOUBLE_EQ(r.list.entries[1].startSeconds, 12.4);
    EXPECT_EQ(r.list.entries[1].line, 8);
}

std::vector<int32_t> Frames(const FrameCutList& c) {
    return c.cuts;
}

std::vector<bool> Ticks(const FrameCutList& c) {
    std::vector<bool> v;
    for (const CutPart& p : c.parts)
        v.push_back(p.used);
    return v;
}

std::vector<std::string> Titles(const FrameCutList& c) {
    std::vector<std::string> v;
    for (const CutPart& p : c.parts)
        v.push_back(p.title);
    return v;
}

int32_t FrameAt(double seconds) {
    return static_cast<int32_t>(std::nearbyint(seconds / Long65().frameDuration));
}

} // namespace

// --- Text encodings ---

TEST(CutListText, CueSheetInUtf8WithAndWithoutByteOrderMark) {
    ExpectTwoTrackSheet(ReadCueSheet(TwoTrackSheet(kCafe)));
    ExpectTwoTrackSheet(ReadCueSheet("\xEF\xBB\xBF" + TwoTrackSheet(kCafe, "\r\n")));
}

TEST(CutListText, CueSheetInUtf16BothByteOrders) {
    const std::u16string title = u"Caf\u00E9 \u2013 Mot\u00F6rhead";
    std::u16string sheet;
    for (char c : TwoTrackSheet("@", "\r\n")) {
        if (c == '@')
            sheet += title;
        else
            sheet += static_cast<char16_t>(c);
    }
    ExpectTwoTrackSheet(ReadCueSheet(Utf16Bytes(sheet, false)));
    ExpectTwoTrackSheet(ReadCueSheet(Utf16Bytes(sheet, true)));
}

TEST(CutListText, CueSheetInWindows1252) {
    // é = E9, en dash = 96 (one of the 32 code points of 80..9F), ö = F6.
    ExpectTwoTrackSheet(ReadCueSheet(TwoTrackSheet("Caf\xE9 \x96 Mot\xF6rhead")));
}

TEST(CutListText, Windows1252HighRangeAndUtf16Surrogates) {
    EXPECT_EQ(DecodeCutListText("\x80\x85\x9F\x81"), "\xE2\x82\xAC"
                                                     "\xE2\x80\xA6"
                                                     "\xC5\xB8"
                                                     "\xC2\x81");
    // U+1F3B5 as a surrogate pair, a lone high surrogate, and CR line ends.
    const std::string le = Utf16Bytes(u"a\U0001F3B5\r\nb\rc", false);
    EXPECT_EQ(DecodeCutListText(le), "a\xF0\x9F\x8E\xB5\nb\nc");
    EXPECT_EQ(DecodeCutListText(Utf16Bytes(std::u16string(1, char16_t(0xD800)) + u"x", true)),
              "\xEF\xBF\xBDx");
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));     // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80")); // surrogate
    EXPECT_FALSE(IsValidUtf8("\xE2\x80"));     // cut short
    EXPECT_TRUE(IsValidUtf8(kCafe));
}

// --- Cue sheets ---

TEST(CueSheetRead, PregapsAreIgnoredOnlyIndex01Cuts) {
    const CutListRead r = ReadCueSheet("FILE \"cd.bin\" BINARY\n"
                                       "TRACK 01 AUDIO\n"
                                       "  INDEX 00 00:00:00\n"
                                       "  INDEX 01 00:02:00\n"
                                       "TRACK 02 AUDIO\n"
                                       "  PREGAP 00:01:00\n"
                                       "  INDEX 00 00:30:00\n"
                                       "  INDEX 01 00:32:10\n"
                                       "  INDEX 02 00:40:00\n");
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_EQ(r.list.entries.size(), 2u);
    EXPECT_DOUBLE_EQ(r.list.entries[0].startSeconds, 2.0);
    EXPECT_NEAR(r.list.entries[1].startSeconds, 32.0 + 10.0 / 75, 1e-9);
    // Before the first INDEX 01 lies a ticked part of its own.
    const FrameCutList c = PlaceCutList(r.list, Long65().tb, Long65().frameCount);
    EXPECT_EQ(Frames(c), (std::vector<int32_t>{0, FrameAt(2.0), FrameAt(32.0 + 10.0 / 75)}));
    EXPECT_EQ(Ticks(c), (std::vector<bool>{true, true, true}));
}

TEST(CueSheetRead, TrackPastTheEndIsLeftOutAndReported) {
    const CutListRead r = ReadCueSheet("FILE \"long.mp3\" MP3\n"
                                       "TRACK 01 AUDIO\n"
                                       "  INDEX 01 00:00:00\n"
                                       "TRACK 02 AUDIO\n"
                                       "  TITLE \"Inside\"\n"
                                       "  INDEX 01 00:40:00\n"
                                       "TRACK 03 AUDIO\n"
                                       "  TITLE \"Beyond\"\n"
                                       "  INDEX 01 01:10:00\n");
    ASSERT_TRUE(r.ok()) << r.error;
    const FrameCutList c = PlaceCutList(r.list, Long65().tb, Long65().frameCount);
    EXPECT_EQ(Frames(c), (std::vector<int32_t>{0, FrameAt(40.0)}));
    EXPECT_EQ(Titles(c), (std::vector<std::string>{"", "Inside"}));
    ASSERT_EQ(c.warnings.size(), 1u);
    EXPECT_EQ(c.warnings[0].rfind("Line 7: 70.000 s lies past the end of the file (", 0), 0u)
        << c.warnings[0];
}

TEST(CueSheetRead, MisformedLinesAreNamedByLine) {
    const std::string head = "REM made by hand\nTITLE \"x\"\nFILE \"a.mp3\" MP3\n"
                             "TRACK 01 AUDIO\n  INDEX 01 00:00:00\nTRACK 02 AUDIO\n";
    EXPECT_EQ(ReadCueSheet(head + "  INDEX 01 1:30\n").error, "Line 7: INDEX 01 expects mm:ss:ff");
    EXPECT_EQ(ReadCueSheet(head + "  INDEX 01 00:60:00\n").error,
              "Line 7: INDEX 01 expects mm:ss:ff");
    EXPECT_EQ(ReadCueSheet(head + "  INDEX 01 00:10:75\n").error,
              "Line 7: INDEX 01 expects mm:ss:ff");
    EXPECT_EQ(ReadCueSheet(head + "  INDEX 01 00:10:00 extra\n").error,
              "Line 7: INDEX 01 expects mm:ss:ff");
    EXPECT_EQ(ReadCueSheet(head + "  TITLE \"open\n  INDEX 01 00:10:00\n").error,
              "Line 7: a quote is not closed");
    EXPECT_EQ(ReadCueSheet(head + "  TITLE Two words\n").error,
              "Line 7: TITLE expects one text in double quotes");
    EXPECT_EQ(ReadCueSheet(head + std::string("  INDEX 01 00:10:00\0\n", 21)).error,
              "Line 7: holds a zero byte; this is not a cue sheet");
    EXPECT_EQ(ReadCueSheet(head + "  LENGTH 3\n").error, "Line 7: unknown command LENGTH");
    EXPECT_EQ(
        ReadCueSheet(head + "  INDEX 00 00:09:00\nTRACK 03 AUDIO\n  INDEX 01 00:20:00\n").error,
        "Line 6: TRACK 02 has no INDEX 01");
    EXPECT_EQ(ReadCueSheet(head).error, "Line 6: TRACK 02 has no INDEX 01");
    EXPECT_EQ(ReadCueSheet(head + "  INDEX 01 00:10:00\nFILE \"b.mp3\" MP3\n").error,
              "Line 8: a second FILE line; a cue sheet for one file is needed");
    EXPECT_EQ(ReadCueSheet("TRACK 01 AUDIO\n  INDEX 01 00:00:00\n").error,
              "Line 1: TRACK before the FILE line");
    EXPECT_EQ(ReadCueSheet("FILE \"a.mp3\" MP3\nINDEX 01 00:00:00\n").error,
              "Line 2: INDEX before the first TRACK");
    EXPECT_EQ(ReadCueSheet("TITLE \"nothing\"\n").error, "The cue sheet holds no TRACK");
    EXPECT_TRUE(ReadCueSheet(head + "  INDEX 01 00:10:00\n").list.entries.size() == 2);
    EXPECT_TRUE(ReadCueSheet(head + "  INDEX 01 1:30\n").list.entries.empty());
}

TEST(CueSheetRead, LowerCaseCommandsAndMinutesPastAnHour) {
    const CutListRead r = ReadCueSheet("file \"a b.flac\" wave\n"
                                       "\ttrack 01 audio\n"
                                       "\t\ttitle \"one\"\n"
                                       "\t\tindex 01 00:00:00\n"
                                       "\ttrack 02 audio\n"
                                       "\t\tindex 01 125:03:15\n");
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_EQ(r.list.entries.size(), 2u);
    EXPECT_EQ(r.list.entries[0].title, "one");
    EXPECT_DOUBLE_EQ(r.list.entries[1].startSeconds, 125 * 60 + 3 + 0.2);
}

TEST(CueSheetRead, MoreThan99TracksAreRefused) {
    std::string sheet = "FILE \"a.mp3\" MP3\n";
    for (int i = 1; i <= 100; ++i)
        sheet += "TRACK " + std::to_string(std::min(i, 99)) +
                 " AUDIO\nINDEX 01 00:" + std::to_string(10 + i % 50) + ":00\n";
    EXPECT_EQ(ReadCueSheet(sheet).error, "Line 200: more than 99 tracks");
}

TEST(CueSheetRead, SheetsReadFromManyThreadsAtOnce) {
    std::vector<std::thread> threads;
    std::vector<int> good(8, 0);
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&good, t] {
            for (int i = 0; i < 50; ++i) {
                const CutListRead r = ReadCueSheet(TwoTrackSheet(kCafe));
                good[t] += r.ok() && r.list.entries.size() == 2 && r.list.entries[1].title == kCafe;
            }
        });
    for (std::thread& th : threads)
        th.join();
    for (int t = 0; t < 8; ++t)
        EXPECT_EQ(good[t], 50) << "thread " << t;
}

// --- Audacity labels ---

TEST(AudacityLabelsRead, PointLabelsAreCutsOfTickedParts) {
    const CutListRead r = ReadAudacityLabels("20.000000\t20.000000\tSecond\n"
                                             "5.5\t5.5\tFirst\n"
                                             "\\\t100.0\t2000.0\n"
                                             "\n"
                                             "40\t40\n");
    ASSERT_TRUE(r.ok()) << r.error;
    const FrameCutList c = PlaceCutList(r.list, Long65().tb, Long65().frameCount);
    EXPECT_EQ(Frames(c), (std::vector<int32_t>{0, FrameAt(5.5), FrameAt(20), FrameAt(40)}));
    EXPECT_EQ(Titles(c), (std::vector<std::string>{"", "First", "Second", ""}));
    EXPECT_EQ(Ticks(c), (std::vector<bool>{true, true, true, true}));
    EXPECT_TRUE(c.warnings.empty());
}

TEST(AudacityLabelsRead, RegionLabelsArePartsAndTheStretchesBetweenUnticked) {
    const CutListRead r = ReadAudacityLabels("10.0\t20.0\tVerse\n"
                                             "20.0\t30.0\tChorus\n"
                                             "40.0\t50.0\tOutro with\ttab\n"
                                             "45.0\t45.0\tPoint inside\n");
    ASSERT_TRUE(r.ok()) << r.error;
    const FrameCutList c = PlaceCutList(r.list, Long65().tb, Long65().frameCount);
    EXPECT_EQ(Frames(c), (std::vector<int32_t>{0, FrameAt(10), FrameAt(20), FrameAt(30),
                                               FrameAt(40), FrameAt(45)}));
    EXPECT_EQ(Titles(c), (std::vector<std::string>{"", "Verse", "Chorus", "", "Outro with\ttab",
                                                   "Point inside"}));
    EXPECT_EQ(Ticks(c), (std::vector<bool>{false, true, true, false, true, true}));
    // The point inside the last region takes over, so the region's end is dropped.
    ASSERT_EQ(c.warnings.size(), 1u);
    EXPECT_EQ(c.warnings[0], "Line 3: the region overlaps the next part; its end is left out");
}

TEST(AudacityLabelsRead, BadLinesAreNamed) {
    EXPECT_EQ(ReadAudacityLabels("1.0\t1.0\ta\n2,5\t3,0\tb\n").error,
              "Line 2: the start expects seconds, such as 12.5");
    EXPECT_EQ(ReadAudacityLabels("1.0\tx\ta\n").error,
              "Line 1: the end expects seconds, such as 12.5");
    EXPECT_EQ(ReadAudacityLabels("\n5.0\t4.0\tback\n").error,
              "Line 2: the end lies before the start");
    EXPECT_EQ(ReadAudacityLabels("-1.0\t4.0\tneg\n").error,
              "Line 1: the start expects seconds, such as 12.5");
    EXPECT_EQ(ReadAudacityLabels("12.5 no tabs\n").error,
              "Line 1: expects start, end and label separated by tabs");
    EXPECT_EQ(ReadAudacityLabels("\n\n").error, "The file holds no labels");
}

// --- CSV ---

TEST(CsvRead, LosslessCutLayoutWithoutHeader) {
    const CutListRead r = ReadCsvCutList(",56.9568,First segment starting at 0\n"
                                         "70,842.33,\"Another quoted label\"\n"
                                         "1234,,Last segment\n");
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_EQ(r.list.entries.size(), 3u);
    EXPECT_DOUBLE_EQ(r.list.entries[0].startSeconds, 0.0);
    EXPECT_DOUBLE_EQ(r.list.entries[0].endSeconds, 56.9568);
    EXPECT_EQ(r.list.entries[0].title, "First segment starting at 0");
    EXPECT_DOUBLE_EQ(r.list.entries[1].startSeconds, 70.0);
    EXPECT_EQ(r.list.entries[1].title, "Another quoted label");
    EXPECT_DOUBLE_EQ(r.list.entries[2].endSeconds, -1.0);
    EXPECT_EQ(r.list.entries[2].line, 3);
}

TEST(CsvRead, HeaderQuotesCommasAndLineBreaksInLabels) {
    const CutListRead r = ReadCsvCutList("start,end,label\r\n"
                                         "30.5,45,\"Live, \"\"unplugged\"\"\"\r\n"
                                         "10,20,\"Two\nlines\"\r\n"
                                         "\r\n"
                                         "50,60\r\n");
    ASSERT_TRUE(r.ok()) << r.error;
    const FrameCutList c = PlaceCutList(r.list, Long65().tb, Long65().frameCount);
    EXPECT_EQ(Frames(c), (std::vector<int32_t>{0, FrameAt(10), FrameAt(20), FrameAt(30.5),
                                               FrameAt(45), FrameAt(50), FrameAt(60)}));
    EXPECT_EQ(Titles(c),
              (std::vector<std::string>{"", "Two\nlines", "", "Live, \"unplugged\"", "", "", ""}));
    EXPECT_EQ(Ticks(c), (std::vector<bool>{false, true, false, true, false, true, false}));
    EXPECT_EQ(ReadCsvCutList("start,end,label\n1,2,a\nx,3,b\n").error,
              "Line 3: the start expects seconds, such as 12.5");
    EXPECT_EQ(ReadCsvCutList("1,2,a\n3,4,b,c\n").error, "Line 2: expects start,end,label");
    EXPECT_EQ(ReadCsvCutList("1,2,\"a\n3,4,b\n").error, "Line 1: a quote is not closed");
    EXPECT_EQ(ReadCsvCutList("start,end,label\n").error, "The file holds no segments");
    // Spreadsheets often save Windows-1252.
    EXPECT_EQ(ReadCsvCutList("1,2,Caf\xE9 \x96 Mot\xF6rhead\n").list.entries.at(0).title, kCafe);
}

// --- Placement on frames ---

TEST(PlaceCutList, RoundsToTheNearestFrameSortsAndMergesCutsOnOneFrame) {
    const double fd = Long65().frameDuration;
    CutList list;
    list.entries = {{30 * fd + 0.49 * fd, -1, "b", "", true, 1},
                    {10 * fd - 0.49 * fd, -1, "a", "", true, 2},
                    {30 * fd - 0.3 * fd, -1, "dup", "", true, 3},
                    {0.2 * fd, -1, "first", "x", true, 4}};
    const FrameCutList c = PlaceCutList(list, Long65().tb, Long65().frameCount);
    EXPECT_EQ(Frames(c), (std::vector<int32_t>{0, 10, 30}));
    EXPECT_EQ(Titles(c), (std::vector<std::string>{"first", "a", "b"}));
    EXPECT_EQ(c.parts[0].performer, "x");
    ASSERT_EQ(c.warnings.size(), 1u);
    EXPECT_EQ(c.warnings[0].rfind("Line 3: ", 0), 0u);
    EXPECT_NE(c.warnings[0].find("falls on the same frame as line 1"), std::string::npos)
        << c.warnings[0];
}

TEST(PlaceCutList, EveryCutLiesWithinHalfAFrameOfItsTime) {
    const FileFrames f = Long65();
    CutList list;
    for (int i = 0; i < 60; ++i)
        list.entries.push_back({i * 1.0 + i * 0.0137, -1, "", "", true, i + 1});
    const FrameCutList c = PlaceCutList(list, f.tb, f.frameCount);
    ASSERT_EQ(c.cuts.size(), 60u);
    for (size_t k = 0; k < c.cuts.size(); ++k)
        EXPECT_LE(std::fabs(c.cuts[k] * f.frameDuration - list.entries[k].startSeconds),
                  f.frameDuration / 2 + 1e-9)
            << k;
}

TEST(PlaceCutList, EndOfFileRegionsAndTheCutLimit) {
    const FileFrames f = Long65();
    const double duration = f.frameCount * f.frameDuration;
    CutList list;
    list.entries = {{50, duration, "to the end", "", true, 1},
                    {duration - 0.5 * f.frameDuration, -1, "last frame", "", true, 2}};
    FrameCutList c = PlaceCutList(list, f.tb, f.frameCount);
    EXPECT_EQ(Frames(c), (std::vector<int32_t>{0, FrameAt(50)}));
    ASSERT_EQ(c.warnings.size(), 1u) << c.warnings.back();
    EXPECT_EQ(c.warnings[0].rfind("Line 2: ", 0), 0u);
    EXPECT_NE(c.warnings[0].find("lies at the end of the file; left out"), std::string::npos);

    list.entries = {{50, duration + 3, "long", "", true, 4}};
    c = PlaceCutList(list, f.tb, f.frameCount);
    EXPECT_EQ(Frames(c), (std::vector<int32_t>{0, FrameAt(50)}));
    ASSERT_EQ(c.warnings.size(), 1u);
    EXPECT_NE(c.warnings[0].find("; the part runs to the end"), std::string::npos);

    list.entries.clear();
    for (int i = 1; i <= 1200; ++i)
        list.entries.push_back({i * f.frameDuration, -1, "", "", true, i});
    c = PlaceCutList(list, f.tb, f.frameCount);
    EXPECT_EQ(c.cuts.size(), 999u);
    EXPECT_EQ(c.cuts.back(), 998);
    EXPECT_EQ(c.warnings, (std::vector<std::string>{"Only the first 999 cut lines are used"}));
}

// --- Round trips: write, read, place gives the same cuts ---

namespace {

// A cut list over the whole file with titles that test each writer's quoting.
FrameCutList SampleCuts(const FileFrames& f, const std::vector<bool>& ticks) {
    FrameCutList c;
    const size_t n = ticks.size();
    for (size_t k = 0; k < n; ++k) {
        // Spread over the file, off any round number of seconds.
        c.cuts.push_back(static_cast<int32_t>(k * (f.frameCount - 2) / n + k % 3));
        c.parts.push_back({k % 2 ? std::string(kCafe) + ", \"live\"" : "Part " + std::to_string(k),
                           "Artist " + std::to_string(k), ticks[k]});
    }
    return c;
}

FrameCutList ReadBack(CutListFormat format, const std::string& text, const FileFrames& f) {
    const CutListRead r = ReadCutList(format, text);
    EXPECT_TRUE(r.ok()) << r.error << "\n" << text;
    const FrameCutList c = PlaceCutList(r.list, f.tb, f.frameCount);
    EXPECT_TRUE(c.warnings.empty()) << c.warnings.front();
    return c;
}

// Titles of ticked parts (unticked parts come back untitled from labels and CSV).
std::vector<std::string> TickedTitles(const FrameCutList& c) {
    std::vector<std::string> v;
    for (const CutPart& p : c.parts)
        v.push_back(p.used ? p.title : "");
    return v;
}

} // namespace

TEST(CutListRoundTrip, CueSheetKeepsCutsTitlesAndPerformers) {
    for (const char* fixture : {"long65.mp3", "cbr128_stereo.mp3", "mpeg25_8k.mp3"}) {
        const FileFrames f = FramesOf(fixture);
        const FrameCutList cuts = SampleCuts(f, {true, true, false, true, true, true});
        const CutListText t = WriteCutList(CutListFormat::Cue, cuts, f.tb, f.frameCount,
                                           {"my \"mix\".mp3", "Album", "Band"});
        ASSERT_TRUE(t.ok());
        EXPECT_NE(t.text.find("FILE \"my 'mix'.mp3\" MP3\n"), std::string::npos) << t.text;
        const CutListRead r = ReadCueSheet(t.text);
        ASSERT_TRUE(r.ok()) << r.error;
        EXPECT_EQ(r.list.album, "Album");
        EXPECT_EQ(r.list.albumArtist, "Band");
        const FrameCutList back = ReadBack(CutListFormat::Cue, t.text, f);
        EXPECT_EQ(Frames(back), Frames(cuts)) << fixture;
        for (size_t k = 0; k < back.parts.size(); ++k) {
            std::string title = cuts.parts[k].title;
            std::replace(title.begin(), title.end(), '"', '\'');
            EXPECT_EQ(back.parts[k].title, title) << k;
            EXPECT_EQ(back.parts[k].performer, cuts.parts[k].performer) << k;
            EXPECT_TRUE(back.parts[k].used) << "cue sheets hold no ticks";
        }
    }
}

TEST(CutListRoundTrip, LabelsAndCsvKeepCutsTicksAndTitles) {
    const FileFrames f = Long65();
    for (CutListFormat format : {CutListFormat::Labels, CutListFormat::Csv}) {
        for (const std::vector<bool>& ticks : {std::vector<bool>{true, true, true, true},
                                               std::vector<bool>{false, true, false, true},
                                               std::vector<bool>{true, false, true, true, false}}) {
            const FrameCutList cuts = SampleCuts(f, ticks);
            const CutListText t = WriteCutList(format, cuts, f.tb, f.frameCount, {"a.mp3", "", ""});
            ASSERT_TRUE(t.ok());
            const FrameCutList back = ReadBack(format, t.text, f);
            EXPECT_EQ(Frames(back), Frames(cuts)) << t.text;
            EXPECT_EQ(Ticks(back), Ticks(cuts)) << t.text;
            EXPECT_EQ(TickedTitles(back), TickedTitles(cuts)) << t.text;
        }
    }
}

TEST(CutListRoundTrip, AdjacentUntickedPartsComeBackAsOneGap) {
    const FileFrames f = Long65();
    const FrameCutList cuts = SampleCuts(f, {true, false, false, true});
    const std::string text = WriteAudacityLabels(cuts, f.tb, f.frameCount);
    const FrameCutList back = ReadBack(CutListFormat::Labels, text, f);
    EXPECT_EQ(Frames(back), (std::vector<int32_t>{cuts.cuts[0], cuts.cuts[1], cuts.cuts[3]}));
    EXPECT_EQ(Ticks(back), (std::vector<bool>{true, false, true}));
}

TEST(CutListRoundTrip, WrittenFilesReadBackThroughTheirExtension) {
    const FileFrames f = Long65();
    const FrameCutList cuts = SampleCuts(f, {true, false, true});
    // Per process: other checkouts may run this test at the same time.
    const auto dir = std::filesystem::temp_directory_path() /
                     ("tessivo_cutlist_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    for (const char* name : {"list.CUE", "labels.txt", "segments.csv"}) {
        CutListFormat format;
        ASSERT_TRUE(CutListFormatForPath(name, format)) << name;
        const std::string path = (dir / name).string();
        const CutListText t =
            WriteCutList(format, cuts, f.tb, f.frameCount, {"long65.mp3", "", ""});
        analysis_test::WriteBytes(path, std::vector<uint8_t>(t.text.begin(), t.text.end()));
        const CutListRead r = ReadCutListFile(format, path);
        ASSERT_TRUE(r.ok()) << name << ": " << r.error;
        EXPECT_EQ(Frames(PlaceCutList(r.list, f.tb, f.frameCount)), Frames(cuts));
    }
    CutListFormat format;
    EXPECT_FALSE(CutListFormatForPath("song.mp3", format));
    EXPECT_FALSE(CutListFormatForPath("dir.cue/file", format));
    EXPECT_EQ(ReadCutListFile(CutListFormat::Csv, (dir / "missing.csv").string()).error,
              "Cannot open " + (dir / "missing.csv").string());
    std::filesystem::remove_all(dir);
}

TEST(CutListWrite, CueSheetRefusesMoreThan99Tracks) {
    FrameCutList cuts;
    for (int k = 0; k < 100; ++k) {
        cuts.cuts.push_back(k * 10);
        cuts.parts.push_back({});
    }
    TimeBase scale;
    scale.frameDuration = 0.026;
    EXPECT_EQ(WriteCueSheet(cuts, scale, "a.mp3", "", "").error,
              "A cue sheet holds at most 99 tracks");
    cuts.cuts.pop_back();
    cuts.parts.pop_back();
    EXPECT_TRUE(WriteCueSheet(cuts, scale, "a.mp3", "", "").ok());
}
