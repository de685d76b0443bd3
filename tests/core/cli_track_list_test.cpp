// tessivo-cli split and cuts --tracklist on a recording with known pauses:
// both line forms cut inside the pauses, the parts carry the titles and
// track numbers (read back through mutagen), a cut with no pause in reach
// stays with a warning, and a bad list names its line and writes nothing.
#include "cli_test_support.h"
#include "part_file_checks.h"
#include "pause_recording.h"
#include "speech_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using cli_test::CliRun;
using pause_recording::kFrame;
using pause_recording::kPauses;

namespace {

struct Label {
    double start = 0, end = 0;
    std::string title;
};

std::vector<Label> Labels(const std::string& text) {
    std::vector<Label> labels;
    for (const std::string& line : cli_test::Lines(text)) {
        std::istringstream in(line);
        Label l;
        in >> l.start >> l.end;
        std::getline(in >> std::ws, l.title);
        labels.push_back(l);
    }
    return labels;
}

std::map<std::string, std::string> Tags(const std::string& path) {
    return analysis_test::PythonKeyValues("import sys\n"
                                          "from mutagen.id3 import ID3\n"
                                          "t = ID3(sys.argv[1])\n"
                                          "for k in ('TIT2', 'TRCK'):\n"
                                          "    if k in t: print('%s=%s' % (k, t[k].text[0]))\n",
                                          path);
}

class CliTrackList : public cli_test::CliTest {
protected:
    void SetUp() override {
        cli_test::CliTest::SetUp();
        if (pause_recording::Folder().empty())
            GTEST_SKIP() << "sox, lame, mpg123, numpy or mutagen missing";
    }

    std::string List(const std::string& text, const std::string& name = "list.txt") {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }

    CliRun Cuts(const std::string& file, std::vector<std::string> more) {
        std::vector<std::string> args = {"cuts", file};
        args.insert(args.end(), more.begin(), more.end());
        return Cli(args);
    }

    // Every cut after the first lies inside its pause, near its middle (the
    // quiet frames reach a little into a soft onset).
    static void ExpectCutsInPauses(const std::vector<Label>& labels) {
        ASSERT_EQ(labels.size(), kPauses.size() + 1);
        EXPECT_NEAR(labels[0].start, 0.0, 1e-6);
        for (size_t k = 1; k < labels.size(); ++k) {
            EXPECT_GT(labels[k].start, kPauses[k - 1].start) << k;
            EXPECT_LT(labels[k].start, kPauses[k - 1].end) << k;
            EXPECT_NEAR(labels[k].start, kPauses[k - 1].Middle(), 4 * kFrame) << k;
        }
    }

    const std::string pauses_ = pause_recording::File("pauses.mp3");
};

const char* kSetList = "# set list, times as announced\n"
                       "0:00 Opening\n"
                       "\n"
                       "0:12.5 Second — talk\n"
                       "0:25 Third\n"
                       "00:44 Fourth\n";

} // namespace

TEST_F(CliTrackList, StartTimesSnapIntoThePausesWithTheirTitles) {
    const CliRun r = Cuts(pauses_, {"--tracklist", List(kSetList)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<Label> labels = Labels(r.out);
    ExpectCutsInPauses(labels);
    ASSERT_EQ(labels.size(), 4u);
    EXPECT_EQ(labels[0].title, "Opening");
    EXPECT_EQ(labels[1].title, "Second — talk");
    EXPECT_EQ(labels[2].title, "Third");
    EXPECT_EQ(labels[3].title, "Fourth");
}

TEST_F(CliTrackList, LengthsSplitIntoTitledNumberedTracks) {
    // An album's list: lengths a second or two off, as printed lists are.
    const std::string list = List("1. Opening (0:13)\n"
                                  "02 - Second — talk 0:13.5\n"
                                  "3) Third [0:15]\n"
                                  "4. Fourth (0:14)\n");
    const CliRun r = Split({pauses_, "--tracklist", list, "--out", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 4u) << r.out;
    const std::vector<std::string> titles = {"Opening", "Second — talk", "Third", "Fourth"};
    for (size_t k = 0; k < r.lines.size(); ++k) {
        const std::map<std::string, std::string> tags = Tags(r.lines[k]);
        EXPECT_EQ(tags.count("TIT2") ? tags.at("TIT2") : "", titles[k]) << r.lines[k];
        EXPECT_EQ(tags.count("TRCK") ? tags.at("TRCK") : "", std::to_string(k + 1) + "/4");
    }
    // The parts end and start inside the pauses: each part but the last
    // ends in quiet, as mpg123 decodes it.
    double at = 0.0;
    for (size_t k = 0; k + 1 < r.lines.size(); ++k) {
        at += pause_recording::Decode(r.lines[k]).length;
        EXPECT_GT(at, kPauses[k].start) << k;
        EXPECT_LT(at, kPauses[k].end) << k;
    }
    // The same list printed: the cuts split wrote.
    ExpectCutsInPauses(Labels(Cuts(pauses_, {"--tracklist", list}).out));
}

TEST_F(CliTrackList, ACutWithNoPauseInReachStaysWithAWarning) {
    const CliRun r = Cuts(pauses_, {"--tracklist",
                                    List("0:00 A\n"
                                         "# the second is announced early\n"
                                         "0:08 B\n"
                                         "0:26.5 C\n"),
                                    "--snap", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "tessivo-cli cuts: warning: Line 3: no pause within 2 s of 0:08.000\n");
    const std::vector<Label> labels = Labels(r.out);
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_NEAR(labels[1].start, 8.0, 1e-3);
    EXPECT_NEAR(labels[2].start, kPauses[1].Middle(), 4 * kFrame);
}

TEST_F(CliTrackList, SnapZeroKeepsTheTimes) {
    const CliRun r = Cuts(pauses_, {"--tracklist", List(kSetList), "--snap", "0"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<Label> labels = Labels(r.out);
    ASSERT_EQ(labels.size(), 4u);
    EXPECT_NEAR(labels[1].start, 12.5, 1e-3);
    EXPECT_NEAR(labels[2].start, 25.0, 1e-3);
    EXPECT_NEAR(labels[3].start, 44.0, 1e-3);
}

TEST_F(CliTrackList, TitlesAloneGoToThePartsOfTheWayOfCutting) {
    const std::string list = List("One\nTwo\n\nThree\nFour\n");
    const CliRun r = Cuts(pauses_, {"--tracklist", list, "--silence", "10,1000"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<Label> labels = Labels(r.out);
    ASSERT_EQ(labels.size(), 4u) << r.out;
    EXPECT_EQ(labels[0].title, "One");
    EXPECT_EQ(labels[3].title, "Four");
    EXPECT_GT(labels[1].start, kPauses[0].start);
    EXPECT_LT(labels[1].start, kPauses[0].end);
    // Without a way of cutting there is nothing to title.
    const CliRun none = Split({pauses_, "--tracklist", list, "--out", out_.string()});
    ExpectUsageError(none, "split");
    EXPECT_NE(none.err.find("no line has a time"), std::string::npos) << none.err;
    EXPECT_TRUE(part_checks::Listing(out_).empty());
}

TEST_F(CliTrackList, BadListsNameTheLineAndWriteNothing) {
    struct Case {
        std::string text, message;
    };
    const std::vector<Case> cases = {
        {"0:00 A\n0:20 B\n\nC without a time\n", "Line 4: no time"},
        {"0:00 A\n# the end is at 0:55\n0:20 B\n1:10 C\n",
         "Line 4: starts at 1:10.000, past the end of the file"},
        {"A 0:30\nB 0:30\nC 0:10\n", "Line 3: starts at 1:00.000, past the end"},
        {"0:00 A\n0:20 B\n\n0:40 Caf\xE9 Latin-1\n", "Line 4: not UTF-8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const CliRun r = Split({pauses_, "--tracklist", List(c.text), "--out", out_.string()});
        ExpectUsageError(r, "split");
        EXPECT_NE(r.err.find("--tracklist " + (dir_ / "list.txt").string() + ": " + c.message),
                  std::string::npos)
            << r.err;
        EXPECT_TRUE(part_checks::Listing(out_).empty());
    }
}

TEST_F(CliTrackList, RefusedWithOtherWaysOfCuttingAndSeveralFiles) {
    const std::string list = List(kSetList);
    ExpectUsageError(Split({pauses_, "--tracklist", list, "--parts", "3"}), "split");
    ExpectUsageError(Cuts(pauses_, {"--snap", "3", "--parts", "3"}), "cuts");
    ExpectUsageError(Split({pauses_, pauses_, "--tracklist", list}), "split");
    ExpectUsageError(Cuts(pauses_, {"--tracklist", list, "--snap", "-1"}), "cuts");
    EXPECT_EQ(part_checks::Listing(dir_), (std::vector<std::string>{"list.txt", "out"}));
}

TEST_F(CliTrackList, AnnouncedStartsOfASpeechRecordingSnapIntoItsPauses) {
    // Every third pause before the noise, announced half a second early.
    const speech_layout::Layout layout = speech_layout::Read();
    std::string list = "0:00 Opening\n";
    std::vector<speech_layout::Stretch> targets;
    for (size_t k = 0; k < layout.pauses.size() && targets.size() < 12; k += 3) {
        const speech_layout::Stretch& p = layout.pauses[k];
        if (p.end >= layout.noise.start || p.start < 10.0)
            continue;
        char line[64];
        const double t = p.start - 0.5;
        std::snprintf(line, sizeof line, "%d:%06.3f Talk %zu\n", int(t) / 60,
                      t - 60.0 * (int(t) / 60), targets.size() + 1);
        list += line;
        targets.push_back(p);
    }
    ASSERT_GE(targets.size(), 10u);
    const CliRun r = Cuts(part_checks::Fixture("speech_32min.mp3"), {"--tracklist", List(list)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<Label> labels = Labels(r.out);
    ASSERT_EQ(labels.size(), targets.size() + 1);
    for (size_t k = 0; k < targets.size(); ++k) {
        EXPECT_GT(labels[k + 1].start, targets[k].start) << k;
        EXPECT_LT(labels[k + 1].start, targets[k].end) << k;
        EXPECT_EQ(labels[k + 1].title, "Talk " + std::to_string(k + 1));
    }
}

TEST_F(CliTrackList, ApplauseThatFadesCountsAsPauseOnlyOnceItIsQuiet) {
    // applause.mp3: the first and last gaps open with 1.4 s of applause. The
    // pause starts where the applause falls below the threshold, so the cut
    // lies in the gap, after the loudest applause.
    const CliRun r = Cuts(pause_recording::File("applause.mp3"), {"--tracklist", List(kSetList)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<Label> labels = Labels(r.out);
    ASSERT_EQ(labels.size(), 4u);
    for (size_t k = 1; k < labels.size(); ++k) {
        EXPECT_GT(labels[k].start, kPauses[k - 1].start + 0.3) << k;
        EXPECT_LT(labels[k].start, kPauses[k - 1].end) << k;
    }
}
