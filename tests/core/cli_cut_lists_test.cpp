// tessivo-cli with cut lists: split --cue/--labels/--csv, the cuts command and
// its round trips, --near-pauses, and equal time over hours.
#include "cli_test_support.h"
#include "core/analysis/open_file.h"
#include "core/analysis/time_base.h"
#include "core/output/id3v1_tag.h"
#include "part_file_checks.h"

#include "speech_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using cli_test::CliRun;
using part_checks::Fixture;
using part_checks::Listing;
using part_checks::ReadBytes;
namespace fs = std::filesystem;

namespace {

constexpr double kLong65Frame = 0.036; // long65.mp3: MPEG-2 16 kHz, 576 samples a frame

const char* kCueSheet = "REM made by hand\n"
                        "TITLE \"Album X\"\n"
                        "PERFORMER \"Band\"\n"
                        "FILE \"other name.wav\" WAVE\n"
                        "  TRACK 01 AUDIO\n"
                        "    TITLE \"One\"\n"
                        "    INDEX 01 00:00:00\n"
                        "  TRACK 02 AUDIO\n"
                        "    TITLE \"Two\"\n"
                        "    PERFORMER \"Guest\"\n"
                        "    INDEX 00 00:18:00\n"
                        "    INDEX 01 00:20:00\n"
                        "  TRACK 03 AUDIO\n"
                        "    TITLE \"Three\"\n"
                        "    INDEX 00 00:44:00\n"
                        "    INDEX 01 00:45:30\n"
                        "  TRACK 04 AUDIO\n"
                        "    TITLE \"Past the end\"\n"
                        "    INDEX 01 02:00:00\n";

// A point label at 5 s, regions 10..20 and 30.5..40.
const char* kLabels = "5.000000\t5.000000\tpoint\n"
                      "10.000000\t20.000000\tRegion A\n"
                      "30.500000\t40.000000\tRegion B\n";

class CutListCommands : public cli_test::CliTest {
protected:
    fs::path Write(const std::string& name, const std::string& text) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << text;
        return p;
    }

    CliRun Cuts(const std::vector<std::string>& args) {
        std::vector<std::string> full = {"cuts"};
        full.insert(full.end(), args.begin(), args.end());
        return Cli(full);
    }

    static std::vector<std::string> With(std::vector<std::string> args,
                                         const std::vector<std::string>& more) {
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    // The written parts of `folder` in name order.
    static std::vector<std::string> Parts(const fs::path& folder) {
        std::vector<std::string> paths;
        for (const std::string& name : Listing(folder))
            paths.push_back((folder / name).string());
        return paths;
    }

    static std::string Title(const std::string& part) {
        const std::vector<uint8_t> b = ReadBytes(part);
        tessivo::Id3v1Record tag{};
        if (b.size() >= 128)
            std::copy(b.end() - 128, b.end(), tag.begin());
        return tessivo::IsTag(tag) ? tessivo::TagTitle(tag) : "(no tag)";
    }

    static std::vector<std::string> Titles(const fs::path& folder) {
        std::vector<std::string> titles;
        for (const std::string& p : Parts(folder))
            titles.push_back(Title(p));
        return titles;
    }

    // Each part's length, by the frames mpg123 decodes, lies within one frame
    // of the expected seconds.
    static void ExpectLengths(const fs::path& folder, const std::vector<double>& seconds,
                              double frame) {
        const std::vector<std::string> parts = Parts(folder);
        ASSERT_EQ(parts.size(), seconds.size());
        if (!part_checks::HaveMpg123())
            return;
        for (size_t i = 0; i < parts.size(); ++i)
            EXPECT_NEAR(part_checks::Mpg123Frames(parts[i]) * frame, seconds[i], frame) << parts[i];
    }
};

} // namespace

TEST_F(CutListCommands, CueSheetWithPregapsAndATrackPastTheEnd) {
    const fs::path cue = Write("mix.cue", kCueSheet);
    const CliRun r =
        Split({Fixture("long65.mp3"), "--cue", cue.string(), "--tags", "-o", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines.size(), 3u);
    // The fourth track is reported by its TRACK line and left out; the pregaps
    // (INDEX 00) move nothing.
    EXPECT_EQ(r.err, "tessivo-cli split: warning: Line 17: 120.000 s lies past the end of the "
                     "file (65.088 s); left out\n");
    ExpectLengths(out_, {20.0, 25.4, 65.088 - 45.4}, kLong65Frame);
    EXPECT_EQ(Titles(out_), (std::vector<std::string>{"One", "Two", "Three"}));
    const std::vector<std::string> parts = Parts(out_);
    tessivo::Id3v1Record tag{};
    const std::vector<uint8_t> second = ReadBytes(parts[1]);
    std::copy(second.end() - 128, second.end(), tag.begin());
    EXPECT_EQ(tessivo::TagArtist(tag), "Guest");
    EXPECT_EQ(tessivo::TagAlbum(tag), "Album X");
    const std::vector<uint8_t> first = ReadBytes(parts[0]);
    std::copy(first.end() - 128, first.end(), tag.begin());
    EXPECT_EQ(tessivo::TagArtist(tag), "Band"); // the sheet's performer
    // --quiet leaves the warning out too.
    const CliRun quiet = Split({Fixture("long65.mp3"), "--cue", cue.string(), "-q", "-o", "q"});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out + quiet.err, "");
    EXPECT_EQ(Listing(dir_ / "q").size(), 3u);
}

TEST_F(CutListCommands, AMalformedLineIsNamedAndNothingIsWritten) {
    std::string text = kCueSheet;
    text.replace(text.find("00:20:00"), 8, "00:2x:00");
    const fs::path cue = Write("bad.cue", text);
    CliRun r = Split({Fixture("long65.mp3"), "--cue", cue.string(), "-o", out_.string()});
    ExpectUsageError(r, "split");
    EXPECT_NE(r.err.find("Line 12: INDEX 01 expects mm:ss:ff"), std::string::npos) << r.err;
    EXPECT_TRUE(Listing(out_).empty());
    r = Cuts({Fixture("long65.mp3"), "--cue", cue.string()});
    ExpectUsageError(r, "cuts");
    EXPECT_NE(r.err.find("Line 12"), std::string::npos) << r.err;

    const fs::path labels = Write("bad.txt", "1.5\t2.5\tfine\n3.0\tfour\tnot a time\n");
    r = Split({Fixture("long65.mp3"), "--labels", labels.string(), "-o", out_.string()});
    ExpectUsageError(r, "split");
    EXPECT_NE(r.err.find("Line 2: the end expects seconds"), std::string::npos) << r.err;
    EXPECT_TRUE(Listing(out_).empty());
    // A cut list that cannot be read is a failure of reading, status 1.
    r = Split({Fixture("long65.mp3"), "--csv", (dir_ / "missing.csv").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Listing(out_).size(), 0u);
}

TEST_F(CutListCommands, LabelsWritePointPartsAndRegionsButNotTheStretchesBetween) {
    const fs::path labels = Write("labels.txt", kLabels);
    const CliRun r =
        Split({Fixture("long65.mp3"), "--labels", labels.string(), "--tags", "-o", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // 0..5, 20..30.5 and 40..65 are unticked gaps.
    ExpectLengths(out_, {5.0, 10.0, 9.5}, kLong65Frame);
    EXPECT_EQ(Titles(out_), (std::vector<std::string>{"point", "Region A", "Region B"}));
}

TEST_F(CutListCommands, CsvWithAndWithoutHeaderGivesTheSameParts) {
    const std::string rows = "0,12.5,\"Intro, short\"\n12.5,,Middle\n50,60,End\n";
    const fs::path plain = Write("plain.csv", rows);
    const fs::path headed = Write("headed.csv", "start,end,label\n" + rows);
    CliRun r = Split({Fixture("long65.mp3"), "--csv", plain.string(), "--tags", "-o", "plain"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Split({Fixture("long65.mp3"), "--csv", headed.string(), "--tags", "-o", "headed"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Contents(dir_ / "plain"), Contents(dir_ / "headed"));
    // "Middle" has no end: it runs to the next segment.
    ExpectLengths(dir_ / "plain", {12.5, 37.5, 10.0}, kLong65Frame);
    EXPECT_EQ(Titles(dir_ / "plain"), (std::vector<std::string>{"Intro, short", "Middle", "End"}));
}

TEST_F(CutListCommands, CutsThenSplitGivesTheSamePartsInEveryFormat) {
    const std::string f = Fixture("long65.mp3");
    const fs::path cue = Write("mix.cue", kCueSheet);
    const fs::path labels = Write("labels.txt", kLabels);
    struct Case {
        std::vector<std::string> mode;
        std::string format;
    };
    // Cue sheets keep every part ticked; labels and CSV keep the gaps.
    const std::vector<Case> cases = {{{"--time", "0:20"}, "cue"},
                                     {{"--time", "0:20"}, "labels"},
                                     {{"--time", "0:20"}, "csv"},
                                     {{"--cue", cue.string()}, "cue"},
                                     {{"--labels", labels.string()}, "labels"},
                                     {{"--labels", labels.string()}, "csv"},
                                     {{"--parts", "3"}, "labels"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode[0] + " as " + c.format);
        fs::remove_all(dir_ / "direct");
        fs::remove_all(dir_ / "again");
        std::vector<std::string> args = {f};
        args.insert(args.end(), c.mode.begin(), c.mode.end());
        const CliRun listed = Cuts(With(args, {"--format", c.format}));
        ASSERT_EQ(listed.status, 0) << listed.err;
        const fs::path list =
            Write("list." + (c.format == "labels" ? "txt" : c.format), listed.out);
        CliRun r = Split(With(args, {"--tags", "-o", "direct"}));
        ASSERT_EQ(r.status, 0) << r.err;
        r = Split({f, "--" + c.format, list.string(), "--tags", "-o", "again"});
        ASSERT_EQ(r.status, 0) << r.err;
        // Same cut lines, ticks and titles: the same bytes, tags included.
        EXPECT_EQ(Contents(dir_ / "direct"), Contents(dir_ / "again"));
        EXPECT_EQ(Titles(dir_ / "direct"), Titles(dir_ / "again"));
    }
}

TEST_F(CutListCommands, CutsPrintsLabelsByDefaultAndWritesNothing) {
    const CliRun r = Cuts({Fixture("long65.mp3"), "--at", "10,30.5"});
    ASSERT_EQ(r.status, 0) << r.err;
    // The cut lines as placed: at the samples of 10 s and 30.5 s.
    EXPECT_EQ(r.out, "0.000000\t10.000000\t\n10.000000\t30.500000\t\n30.500000\t65.088000\t\n");
    EXPECT_EQ(Listing(dir_), std::vector<std::string>{"out"});
    ExpectUsageError(Cuts({Fixture("long65.mp3"), "--parts", "2", "--format", "xml"}), "cuts");
    ExpectUsageError(Cuts({Fixture("long65.mp3")}), "cuts");
}

namespace {

using speech_layout::Stretch;

// The pauses and the noise stretch (no pause) of speech_32min.mp3.
void ReadSpeechLayout(std::vector<Stretch>& pauses, Stretch& noise) {
    const speech_layout::Layout layout = speech_layout::Read();
    pauses = layout.pauses;
    noise = layout.noise;
}

// The starts of the parts after the first in a label list.
std::vector<double> CutTimes(const std::string& labels) {
    std::vector<double> cuts;
    for (const std::string& line : cli_test::Lines(labels)) {
        const double start = std::stod(line.substr(0, line.find('\t')));
        if (start > 0)
            cuts.push_back(start);
    }
    return cuts;
}

} // namespace

TEST_F(CutListCommands, NearPausesCutsInsidePausesOfASpeechRecording) {
    std::vector<Stretch> pauses;
    Stretch noise;
    ReadSpeechLayout(pauses, noise);
    ASSERT_GT(pauses.size(), 50u);
    const std::string f = Fixture("speech_32min.mp3");
    const CliRun r =
        Split({f, "--near-pauses", "5:00", "--silence", "10,1000", "-o", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const CliRun listed = Cuts({f, "--near-pauses", "5:00"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    const std::vector<double> cuts = CutTimes(listed.out);
    ASSERT_EQ(cuts.size() + 1, r.lines.size());
    // Within the pause (the encoder delay shifts the MP3 by a few ms).
    for (double cut : cuts) {
        bool inside = false;
        for (const Stretch& p : pauses)
            inside = inside || (cut > p.start && cut < p.end);
        EXPECT_TRUE(inside) << cut;
    }
    if (!part_checks::HaveMpg123())
        return;
    const double frame = 0.072;
    for (size_t i = 0; i < r.lines.size(); ++i) {
        const double length = part_checks::Mpg123Frames(r.lines[i]) * frame;
        EXPECT_GE(length, 240.0 - frame) << r.lines[i];
        if (i + 1 < r.lines.size()) {
            EXPECT_LE(length, 360.0 + frame) << r.lines[i];
        }
    }
}

TEST_F(CutListCommands, NearPausesReportsACutThatFoundNoPause) {
    std::vector<Stretch> pauses;
    Stretch noise;
    ReadSpeechLayout(pauses, noise);
    const CliRun r = Cuts({Fixture("speech_32min.mp3"), "--near-pauses", "2:00"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> notes = cli_test::Lines(r.err);
    ASSERT_EQ(notes.size(), 1u) << r.err;
    const std::vector<double> cuts = CutTimes(r.out);
    // "part K from MM:SS:mmm: No pause": that part's start lies in the noise.
    const size_t k = std::stoul(notes[0].substr(notes[0].find("part ") + 5));
    ASSERT_GE(k, 2u);
    ASSERT_LE(k - 2, cuts.size());
    EXPECT_NE(notes[0].find(": No pause"), std::string::npos) << notes[0];
    EXPECT_GT(cuts[k - 2], noise.start);
    EXPECT_LT(cuts[k - 2], noise.end);
    ExpectUsageError(Cuts({Fixture("speech_32min.mp3"), "--near-pauses", "5:00,60"}), "cuts");
    ExpectUsageError(Split({Fixture("speech_32min.mp3"), "--near-pauses", "5:0"}), "split");
}

TEST_F(CutListCommands, TimeOfFiveMinutesMakesTwelvePartsOfAnHour) {
    if (!cli_test::HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg is needed to make an hour-long file";
    const std::string f = (dir_ / "hour.mp3").string();
    ASSERT_TRUE(cli_test::MakeToneFile(f, 3600));
    const CliRun r = Split({f, "--time", "5:00", "-o", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    // The encoder's padding makes the file a little longer than an hour; that
    // leftover joins the twelfth part.
    ASSERT_EQ(r.lines.size(), 12u);
    if (!part_checks::HaveMpg123())
        return;
    // Parts carry an Info frame of their own: count their audio frames.
    const double frame = 0.072;
    const int infoFrames = part_checks::Mpg123Frames(f) - part_checks::Mpg123Frames(f, false);
    tessivo::ProgramState st;
    ASSERT_TRUE(tessivo::AnalyseFile(st, st, f, false).ok);
    int frames = 0;
    for (size_t i = 0; i < 11; ++i) {
        const int n = part_checks::Mpg123Frames(r.lines[i], false);
        // The first part also holds the frames before time 0.
        if (i > 0) {
            EXPECT_NEAR(n * frame, 300.0, frame) << r.lines[i];
        }
        frames += n;
        // No drift: each cut within half a frame of its own time in the audio
        // players play. The index counts the source's Info frame as its frame 0.
        EXPECT_NEAR(tessivo::FrameSeconds(st, frames + infoFrames), 300.0 * double(i + 1),
                    frame / 2)
            << r.lines[i];
    }
    // The twelfth holds the rest.
    EXPECT_EQ(part_checks::Mpg123Frames(r.lines[11], false),
              part_checks::Mpg123Frames(f, false) - frames);
}

TEST_F(CutListCommands, TimeOfAnHourMakesTwoPartsOfTwoHours) {
    if (!cli_test::HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg is needed to make a two-hour file";
    const std::string f = (dir_ / "two_hours.mp3").string();
    ASSERT_TRUE(cli_test::MakeToneFile(f, 7200));
    const CliRun r = Split({f, "--time", "1:00:00", "-o", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 2u);
    if (part_checks::HaveMpg123()) {
        // The first part plays up to its cut: within half a frame of an hour.
        const std::string bytes =
            analysis_test::RunCommand("mpg123 -q -s " + analysis_test::Quote(r.lines[0]) +
                                      " 2>/dev/null | wc -c")
                .out;
        const double played = std::atof(bytes.c_str()) / (2.0 * 8000.0);
        EXPECT_NEAR(played, 3600.0, 0.036);
    }
}
