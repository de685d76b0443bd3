// tessivo-cli split: exit status, messages and the files it writes.
#include "cli_test_support.h"
#include "core/analysis/open_file.h"
#include "core/analysis/time_base.h"
#include "core/output/id3v1_tag.h"
#include "part_file_checks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace part_checks;
namespace fs = std::filesystem;

namespace {

using analysis_test::Quote;
using cli_test::CliRun;
using cli_test::ReadText;

class SplitCommand : public cli_test::CliTest {
protected:
    std::unique_ptr<tessivo::ProgramState> Analysed(const std::string& fixture) {
        auto st = std::make_unique<tessivo::ProgramState>();
        EXPECT_TRUE(tessivo::AnalyseFile(*st, *st, Fixture(fixture), false).ok);
        return st;
    }
};

} // namespace

TEST_F(SplitCommand, EqualPartsAreWrittenAndListed) {
    const CliRun r = Split({Fixture("id3v1_id3v2.mp3"), "--parts", "3", "--out", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> expected = {(out_ / "id3v1_id3v2-01.mp3").string(),
                                               (out_ / "id3v1_id3v2-02.mp3").string(),
                                               (out_ / "id3v1_id3v2-03.mp3").string()};
    EXPECT_EQ(r.lines, expected);
    EXPECT_EQ(Listing(out_).size(), 3u);
    // Without --tags: the parts are the source's audio, ID3 tags left out.
    auto st = Analysed("id3v1_id3v2.mp3");
    const std::vector<uint8_t> source = ReadBytes(Fixture("id3v1_id3v2.mp3"));
    for (const std::string& p : expected) {
        if (HaveMpg123()) {
            EXPECT_GT(Mpg123Frames(p, false), 0) << p;
        }
    }
    // Each part opens with an Info frame of its own; its frames are the source's.
    EXPECT_EQ(
        JoinedAudioFrames(expected),
        AudioFrames(std::vector<uint8_t>(source.begin() + st->FirstFramePos, source.end() - 128)));
}

TEST_F(SplitCommand, OutDefaultsToTheCurrentFolder) {
    const CliRun r = Split({Fixture("cbr128_stereo.mp3"), "--parts", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_TRUE(fs::exists(dir_ / "cbr128_stereo-01.mp3"));
    EXPECT_TRUE(fs::exists(dir_ / "cbr128_stereo-02.mp3"));
}

TEST_F(SplitCommand, AtTimesRoundToTheNearestFrame) {
    auto st = Analysed("vbr_stereo.mp3");
    // 1.0 s is frame 40.24 -> 40 (the Info frame and the delay come first);
    // 2.0 s is 78.52 -> 79 (given out of order).
    const CliRun r = Split({Fixture("vbr_stereo.mp3"), "--at", "2.0,1", "--out", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 3u);
    const int f1 = static_cast<int>(NearestFrameAt(*st, 1.0));
    const int f2 = static_cast<int>(NearestFrameAt(*st, 2.0));
    EXPECT_EQ(f1, 40);
    EXPECT_EQ(f2, 79);
    // Behind each part's own Info frame, the source's frames (frame 0 is the
    // source's Info frame).
    EXPECT_EQ(AudioFrames(ReadBytes(r.lines[0])).size(),
              size_t(st->FramePos[f1] - st->FramePos[1]));
    EXPECT_EQ(AudioFrames(ReadBytes(r.lines[1])).size(),
              size_t(st->FramePos[f2] - st->FramePos[f1]));
    if (HaveMpg123()) {
        EXPECT_EQ(Mpg123Frames(r.lines[0], false), f1 - 1);
        EXPECT_EQ(Mpg123Frames(r.lines[1], false), f2 - f1);
        EXPECT_EQ(Mpg123Frames(r.lines[2], false), st->IndexedFrames - f2);
    }
}

TEST_F(SplitCommand, TimeAndSilenceUseTheWindowsPreparations) {
    // 65 s in 20 s parts: 20, 20, 20, 5.
    CliRun r = Split({Fixture("long65.mp3"), "--time", "00:20", "--out", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines.size(), 4u);
    fs::remove_all(out_);
    fs::create_directories(out_);
    r = Split({Fixture("speech_pauses.mp3"), "--silence", "10,1000", "--out", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines.size(), 4u); // three pauses after speech
}

TEST_F(SplitCommand, TagsComeFromTheSourceOrAreMadeUp) {
    CliRun r = Split({Fixture("id3v1_track.mp3"), "--parts", "2", "--tags", "--id3", "v1", "--out",
                      out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 2u);
    const std::vector<uint8_t> source = ReadBytes(Fixture("id3v1_track.mp3"));
    for (const std::string& p : r.lines) {
        const std::vector<uint8_t> b = ReadBytes(p);
        ASSERT_GT(b.size(), 128u);
        // The source's tag (ID3v1.1 with track 7): the same 128 bytes.
        EXPECT_TRUE(std::equal(b.end() - 128, b.end(), source.end() - 128)) << p;
    }

    // A source without a tag: "<name> - part NN" and track NN.
    fs::remove_all(out_);
    fs::create_directories(out_);
    r = Split({Fixture("cbr128_stereo.mp3"), "--parts", "2", "--tags", "--id3", "v1", "--out",
               out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 2u);
    for (int i = 1; i <= 2; ++i) {
        const std::vector<uint8_t> b = ReadBytes(r.lines[i - 1]);
        tessivo::Id3v1Record tag{};
        std::copy(b.end() - 128, b.end(), tag.begin());
        ASSERT_TRUE(tessivo::IsTag(tag));
        EXPECT_EQ(tessivo::TagTitle(tag), "cbr128_stereo - part 0" + std::to_string(i));
        EXPECT_EQ(tag[125], 0);
        EXPECT_EQ(tag[126], i);
        EXPECT_EQ(tag[127], 255);
    }
}

TEST_F(SplitCommand, BadArgumentsAreRefusedBeforeAnythingIsWritten) {
    const std::string f = Fixture("long65.mp3");
    ExpectRefused({f, "--parts", "1"}, "--parts");
    ExpectRefused({f, "--parts", "201"}, "--parts");
    ExpectRefused({f, "--parts", "x"}, "--parts");
    ExpectRefused({f, "--time", "60:00"}, "--time");
    ExpectRefused({f, "--time", "00:60"}, "--time");
    ExpectRefused({f, "--time", "1m:30"}, "--time");
    ExpectRefused({f, "--time", "90"}, "--time");
    ExpectRefused({f, "--silence", "0,1000"}, "--silence");
    ExpectRefused({f, "--silence", "10"}, "--silence");
    ExpectRefused({f, "--at", "70"}, "outside the file");
    ExpectRefused({f, "--at", "64.9"}, "last 10 frames");
    ExpectRefused({f, "--at", "10,-3"}, "--at");
    ExpectRefused({f, "--at", "abc"}, "--at");
    ExpectRefused({f, "--at", "0"}, "start of the file");
    ExpectRefused({f, "--at", "10,10.001"}, "same frame");
    ExpectRefused({f, "--frobnicate"}, "Unknown option: --frobnicate");
    ExpectRefused({f, "--parts", "2", "--time", "00:10"}, "Choose one");
    ExpectRefused({f, "--parts"}, "needs a value");
    ExpectRefused({"--parts", "2"}, "which file");
}

TEST_F(SplitCommand, ValidationMessagesOfTheWindow) {
    const std::string f = Fixture("long65.mp3");
    ExpectRefused({f, "--time", "00:00"}, "Input time value!");
    ExpectRefused({f, "--time", "01:10"}, "Incorrect time value!");
}

TEST_F(SplitCommand, NothingToSplit) {
    // Under two seconds of audio.
    ExpectRefused({Fixture("fullscale.mp3"), "--parts", "2"}, "No parts prepared to split.");
    // No pause after sound: the cut lines leave one part.
    ExpectRefused({Fixture("cbr128_stereo.mp3"), "--silence", "10,1000"},
                  "No parts prepared to split.");
    // No way of cutting given.
    ExpectRefused({Fixture("cbr128_stereo.mp3")}, "No parts prepared to split.");
}

TEST_F(SplitCommand, NotAnMp3) {
    for (const char* name : {"wav_named.mp3", "random.mp3", "empty.mp3", "layer2.mp3"})
        ExpectRefused({Fixture(name), "--parts", "2"}, "It is not a MP3 file!");
}

TEST_F(SplitCommand, MissingOutputFolderIsReported) {
    // A missing --out folder is made; this one cannot be: the name is taken by
    // a link to a folder that does not exist.
    const fs::path missing = dir_ / "missing";
    fs::create_directory_symlink(dir_ / "gone" / "away", missing);
    const CliRun r =
        Split({Fixture("cbr128_stereo.mp3"), "--parts", "2", "--out", missing.string()});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, "Cannot create file \"" + missing.string() +
                         "/cbr128_stereo-01.mp3\". No such file or directory\n");
    EXPECT_FALSE(fs::exists(missing));
}

TEST_F(SplitCommand, HelpDocumentsTheTagRule) {
    const std::string cmd = Quote(TESSIVO_CLI) + " --help >" + Quote((dir_ / "h.txt").string());
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string help = ReadText(dir_ / "h.txt");
    EXPECT_NE(help.find("--tags"), std::string::npos);
    EXPECT_NE(help.find("part NN"), std::string::npos);
}
