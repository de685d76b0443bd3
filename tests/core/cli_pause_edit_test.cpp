// tessivo-cli split --trim-silence and --shorten-pauses on a recording with
// known pauses: the parts start and end within KEEP (plus one frame, gapless
// to the sample) of their sound, as mpg123 decodes them, a part of silence
// alone is skipped with a note; shortened pauses measure MAX within -1 to +2
// frames, shorter ones stay, and the chapters follow the new timeline.
#include "cli_test_support.h"
#include "foreign_files.h"
#include "part_file_checks.h"
#include "pause_recording.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using cli_test::CliRun;
using pause_recording::Decode;
using pause_recording::Decoded;
using pause_recording::kFrame;
using pause_recording::kRate;

namespace {

// The recording is mono: the --silence threshold of 10 % counts the one
// channel against twice the limit, so sound starts at 20 % of full scale.
constexpr int kMonoSound = 6554;

class CliPauseEdit : public cli_test::CliTest {
protected:
    void SetUp() override {
        cli_test::CliTest::SetUp();
        if (pause_recording::Folder().empty())
            GTEST_SKIP() << "sox, lame, mpg123, numpy or mutagen missing";
    }

    const std::string pauses_ = pause_recording::File("pauses.mp3");
};

} // namespace

TEST_F(CliPauseEdit, TrimmedPartsStartWithinKeepAndAFrameOfTheSound) {
    const CliRun r =
        Split({pauses_, "--silence", "10,1000", "--trim-silence", "--out", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 4u) << r.out;
    const double keep = 0.3;
    for (size_t k = 0; k < r.lines.size(); ++k) {
        SCOPED_TRACE(r.lines[k]);
        const Decoded d = Decode(r.lines[k], 0.5, kMonoSound);
        const double lead = d.firstSound, tail = d.length - d.lastSound;
        if (k > 0) { // the first part starts with its sound
            EXPECT_LE(lead, keep + kFrame);
            EXPECT_GE(lead, keep - kFrame);
        }
        EXPECT_LE(tail, keep + kFrame);
        EXPECT_GE(tail, keep - kFrame);
    }
    // Untrimmed, the same parts hold most of their pauses.
    const fs::path whole = dir_ / "whole";
    ASSERT_EQ(Split({pauses_, "--silence", "10,1000", "--out", whole.string()}).status, 0);
    const Decoded second = Decode((whole / "pauses-02.mp3").string(), 0.5, kMonoSound);
    EXPECT_GT(second.firstSound, 0.6);
}

TEST_F(CliPauseEdit, GaplessPartsTrimToTheSample) {
    const CliRun r = Split({pauses_, "--at", "13,26.75,41.5", "--gapless", "--trim-silence=0.5",
                            "--out", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 4u) << r.out;
    const double sample = 1.0 / kRate;
    for (size_t k = 0; k < r.lines.size(); ++k) {
        SCOPED_TRACE(r.lines[k]);
        const Decoded d = Decode(r.lines[k], 0.5, kMonoSound);
        if (k > 0) {
            EXPECT_NEAR(d.firstSound, 0.5, 2 * sample);
        }
        if (k + 1 < r.lines.size()) {
            EXPECT_NEAR(d.length - d.lastSound, 0.5 + sample, 2 * sample);
        }
    }
}

TEST_F(CliPauseEdit, APartOfSilenceAloneIsSkipped) {
    const CliRun r =
        Split({pauses_, "--at", "12.3,13.7", "--trim-silence=0.1", "--out", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "tessivo-cli split: Part 2 is silent: skipped\n");
    ASSERT_EQ(r.lines.size(), 2u) << r.out;
    EXPECT_EQ(part_checks::Listing(out_),
              (std::vector<std::string>{"pauses-01.mp3", "pauses-02.mp3"}));
    // The second file holds the third part: it starts near the speech at 14 s.
    const Decoded d = Decode(r.lines[1], 0.5, kMonoSound);
    EXPECT_LE(d.firstSound, 0.1 + 2 * kFrame);
    EXPECT_NEAR(d.length, 55.5 - 14.0 - 0.5 + 0.2, 0.1);
}

TEST_F(CliPauseEdit, TrimValuesAreChecked) {
    ExpectUsageError(Split({pauses_, "--parts", "3", "--trim-silence=abc"}), "split");
    ExpectUsageError(Split({pauses_, "--parts", "3", "--trim-silence=-1"}), "split");
    // Beside another way of cutting, --silence says what counts as silence.
    const CliRun r = Split({pauses_, "--parts", "2", "--silence", "10,1000", "--trim-silence",
                            "--out", out_.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(part_checks::Listing(dir_), std::vector<std::string>{"out"});
}

namespace {

// The CHAP frames of a file, as mutagen reads them: start and end in seconds.
std::vector<pause_recording::Gap> Chapters(const std::string& path) {
    const std::string out =
        analysis_test::RunCommand("/usr/bin/python3 -c 'import sys\n"
                                  "from mutagen.id3 import ID3\n"
                                  "for c in ID3(sys.argv[1]).getall(\"CHAP\"):\n"
                                  "    print(c.start_time / 1000, c.end_time / 1000)' " +
                                  analysis_test::Quote(path))
            .out;
    std::istringstream in(out);
    std::vector<pause_recording::Gap> chapters;
    for (pause_recording::Gap g; in >> g.start >> g.end;)
        chapters.push_back(g);
    return chapters;
}

} // namespace

TEST_F(CliPauseEdit, ShortenedPausesMeasureMaxWithinMinusOneToTwoFrames) {
    const Decoded before = Decode(pauses_, 0.5, kMonoSound);
    ASSERT_EQ(before.quiet.size(), 3u);
    const std::string one = (dir_ / "short.mp3").string();
    const CliRun r = Split({pauses_, "--one-file", one, "--shorten-pauses", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.rfind("Shortened 3 pauses: 0:03.", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(" removed\n"), std::string::npos) << r.err;
    const Decoded after = Decode(one, 0.5, kMonoSound);
    ASSERT_EQ(after.quiet.size(), 3u);
    double removed = 0.0;
    for (size_t k = 0; k < after.quiet.size(); ++k) {
        const double length = after.quiet[k].end - after.quiet[k].start;
        EXPECT_GE(length, 1.0 - kFrame) << k;
        EXPECT_LE(length, 1.0 + 2 * kFrame) << k;
        removed += (before.quiet[k].end - before.quiet[k].start) - length;
    }
    EXPECT_NEAR(after.length, before.length - removed, kFrame);
    // The Info frame tells the new length.
    EXPECT_NEAR(foreign::MutagenSeconds(one), after.length, 2 * kFrame);
}

TEST_F(CliPauseEdit, ShorterPausesStayAndTheChaptersFollowTheNewTimeline) {
    const CliRun listed = Cli({"cuts", pauses_, "--silence", "10,1000"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    const Decoded before = Decode(pauses_, 0.5, kMonoSound);
    const std::string one = (dir_ / "short.mp3").string();
    const CliRun r =
        Split({pauses_, "--silence", "10,1000", "--one-file", one, "--shorten-pauses", "1.6"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.rfind("Shortened 2 pauses: ", 0), 0u) << r.err;
    const Decoded after = Decode(one, 0.5, kMonoSound);
    ASSERT_EQ(after.quiet.size(), 3u);
    const auto length = [](const pause_recording::Gap& g) { return g.end - g.start; };
    EXPECT_GE(length(after.quiet[0]), 1.6 - kFrame);
    EXPECT_LE(length(after.quiet[0]), 1.6 + 2 * kFrame);
    // The pause of 1.5 s is left as it was.
    EXPECT_NEAR(length(after.quiet[1]), length(before.quiet[1]), 1.0 / kRate);
    EXPECT_GE(length(after.quiet[2]), 1.6 - kFrame);
    EXPECT_LE(length(after.quiet[2]), 1.6 + 2 * kFrame);
    // A chapter per part, each starting in the pause before its sound, the
    // last ending with the file.
    const std::vector<pause_recording::Gap> chapters = Chapters(one);
    ASSERT_EQ(chapters.size(), 4u);
    EXPECT_NEAR(chapters[0].start, 0.0, 1e-3);
    for (size_t k = 1; k < chapters.size(); ++k) {
        EXPECT_GT(chapters[k].start, after.quiet[k - 1].start) << k;
        EXPECT_LT(chapters[k].start, after.quiet[k - 1].end) << k;
        EXPECT_NEAR(chapters[k].start, chapters[k - 1].end, 1e-3) << k;
    }
    EXPECT_NEAR(chapters.back().end, after.length, 2 * kFrame);
    // The third part's cut lay in the pause left as it was: its chapter
    // starts as early as the first pause was shortened.
    const double cut3 = std::stod(cli_test::Lines(listed.out)[2]);
    const double removedBefore = length(before.quiet[0]) - length(after.quiet[0]);
    EXPECT_NEAR(chapters[2].start, cut3 - removedBefore, 2 * kFrame);
}

TEST_F(CliPauseEdit, ShortenValuesAreChecked) {
    ExpectUsageError(Split({pauses_, "--shorten-pauses", "1"}), "split");
    ExpectUsageError(Split({pauses_, "--one-file", "x.mp3", "--shorten-pauses", "0"}), "split");
    ExpectUsageError(Split({pauses_, "--one-file", "x.mp3", "--shorten-pauses", "a"}), "split");
    EXPECT_EQ(part_checks::Listing(dir_), std::vector<std::string>{"out"});
}

TEST_F(CliPauseEdit, TrimmedTracksKeepTheirTitlesAndNumbers) {
    const fs::path list = dir_ / "album.txt";
    part_checks::WriteText(list.string(),
                           "1. One (0:13)\n2. Two (0:13.5)\n3. Three (0:15)\n4. Four (0:14)\n");
    const CliRun r = Split({pauses_, "--tracklist", list.string(), "--trim-silence", "--gapless",
                            "--out", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 4u) << r.out;
    const std::vector<std::string> titles = {"One", "Two", "Three", "Four"};
    for (size_t k = 0; k < r.lines.size(); ++k) {
        const std::map<std::string, std::string> tags = analysis_test::PythonKeyValues(
            "import sys\nfrom mutagen.id3 import ID3\nt = ID3(sys.argv[1])\n"
            "print('TIT2=' + t['TIT2'].text[0]); print('TRCK=' + t['TRCK'].text[0])\n",
            r.lines[k]);
        EXPECT_EQ(tags.count("TIT2") ? tags.at("TIT2") : "", titles[k]);
        EXPECT_EQ(tags.count("TRCK") ? tags.at("TRCK") : "", std::to_string(k + 1) + "/4");
        const Decoded d = Decode(r.lines[k], 0.5, kMonoSound);
        EXPECT_NEAR(d.length - d.lastSound, 0.3, 2 * kFrame) << r.lines[k];
    }
}

TEST_F(CliPauseEdit, SeveralFilesNameTheirSilentParts) {
    const fs::path copy = dir_ / "copy.mp3";
    fs::copy_file(pauses_, copy);
    const CliRun r = Split(
        {pauses_, copy.string(), "--at", "12.3,13.7", "--trim-silence", "--out", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("tessivo-cli split: " + pauses_ + ": Part 2 is silent: skipped\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("tessivo-cli split: " + copy.string() + ": Part 2 is silent: skipped\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.lines.size(), 4u) << r.out;
}
