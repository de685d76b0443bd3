// Splitting many files with one way of cutting: the command line's several
// FILEs and folders, and core's batch runner with its cancel flag.
#include "cli_test_support.h"
#include "core/batch/batch_split.h"
#include "core/cutting/cutting_mode.h"
#include "part_file_checks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

using namespace part_checks;
namespace fs = std::filesystem;

namespace {

using cli_test::CliRun;
using cli_test::ReadText;

// Four MP3 files of different kinds (speech with pauses, VBR, CBR, an hour
// of tone would be slow: 65 s instead), a WAV named .mp3, each with a cue
// sheet beside it except the CBR file.
class BatchSplit : public cli_test::CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        in_ = dir_ / "in";
        fs::create_directories(in_);
        const std::vector<std::pair<std::string, std::string>> files = {
            {"speech_pauses.mp3", "a_speech"},
            {"vbr_stereo.mp3", "b_vbr"},
            {"cbr128_stereo.mp3", "c_cbr"},
            {"long65.mp3", "d_long"},
            {"not_mp3.wav", "e_wave"}};
        for (const auto& [fixture, name] : files) {
            fs::copy_file(Fixture(fixture), in_ / (name + ".mp3"));
            if (name != "c_cbr")
                WriteText((in_ / (name + ".cue")).string(), Cue(name));
        }
    }

    static std::string Cue(const std::string& name) {
        return "FILE \"" + name +
               ".mp3\" MP3\n  TRACK 01 AUDIO\n    TITLE \"One\"\n"
               "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    TITLE \"Two\"\n"
               "    INDEX 01 00:01:00\n";
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const std::string& n : Listing(in_))
            if (fs::path(n).extension() == ".mp3")
                names.push_back(fs::path(n).stem().string());
        return names;
    }

    // Each file split on its own into single/NAME, as one input does it.
    void SplitEachAlone(const std::vector<std::string>& rule) {
        for (const std::string& name : Names()) {
            std::vector<std::string> args = {(in_ / (name + ".mp3")).string(), "--out",
                                             (dir_ / "single" / name).string()};
            args.insert(args.end(), rule.begin(), rule.end());
            // A cut list beside the file is the file given by --cue.
            const auto beside = std::find(args.begin(), args.end(), "--beside");
            if (beside != args.end()) {
                *beside = "--cue";
                *(beside + 1) = (in_ / (name + ".cue")).string();
            }
            Split(args);
        }
    }

    // The batch wrote into out/NAME exactly what the single run wrote.
    void ExpectSameAsAlone(const std::vector<std::string>& failing) {
        for (const std::string& name : Names()) {
            const fs::path single = dir_ / "single" / name;
            const bool fails = std::find(failing.begin(), failing.end(), name) != failing.end();
            if (fails) {
                EXPECT_FALSE(fs::exists(out_ / name) && !Listing(out_ / name).empty()) << name;
                continue;
            }
            ASSERT_TRUE(fs::exists(out_ / name)) << name;
            EXPECT_EQ(Listing(out_ / name), Listing(single)) << name;
            EXPECT_EQ(Contents(out_ / name), Contents(single)) << name;
            EXPECT_GE(Listing(single).size(), 2u) << name;
        }
    }

    void RunRule(const std::vector<std::string>& rule, const std::vector<std::string>& failing) {
        SplitEachAlone(rule);
        std::vector<std::string> args = {in_.string(), "-j", "2", "--out", out_.string()};
        args.insert(args.end(), rule.begin(), rule.end());
        const CliRun r = Split(args);
        EXPECT_EQ(r.status, 1) << r.err;
        for (const std::string& name : failing)
            EXPECT_NE(r.err.find((in_ / (name + ".mp3")).string() + ": "), std::string::npos)
                << r.err;
        const std::string summary = std::to_string(5 - failing.size()) + " files split into " +
                                    std::to_string(r.lines.size()) + " parts; " +
                                    std::to_string(failing.size()) +
                                    (failing.size() == 1 ? " file failed\n" : " files failed\n");
        EXPECT_EQ(r.err.substr(r.err.size() - std::min(r.err.size(), summary.size())), summary)
            << r.err;
        ExpectSameAsAlone(failing);
    }

    fs::path in_;
};

} // namespace

TEST_F(BatchSplit, EqualPartsAreTheSingleRunsParts) {
    RunRule({"--parts", "3", "--tags"}, {"e_wave"});
}

TEST_F(BatchSplit, NearPausesAreTheSingleRunsParts) {
    RunRule({"--near-pauses", "0:01"}, {"e_wave"});
}

TEST_F(BatchSplit, CueSheetsBesideAreTheSingleRunsParts) {
    RunRule({"--beside", "cue", "--tags"}, {"c_cbr", "e_wave"});
    const CliRun r =
        Split({in_.string(), "--beside", "cue", "--out", out_.string(), "--overwrite"});
    EXPECT_NE(r.err.find("c_cbr.mp3: No cut list beside it: " + (in_ / "c_cbr.cue").string()),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("e_wave.mp3: It is not a MP3 file!"), std::string::npos) << r.err;
}

TEST_F(BatchSplit, FlatPutsEveryPartInOneFolderAndOneFileSaysOneFile) {
    const CliRun r = Split({(in_ / "a_speech.mp3").string(), (in_ / "b_vbr.mp3").string(),
                            "--parts", "2", "--flat", "-o", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Listing(out_), (std::vector<std::string>{"a_speech-01.mp3", "a_speech-02.mp3",
                                                       "b_vbr-01.mp3", "b_vbr-02.mp3"}));
    EXPECT_EQ(r.lines.size(), 4u);
    EXPECT_EQ(r.err, "2 files split into 4 parts; 0 files failed\n");
    // A part that exists fails its file without --overwrite, and never the other.
    fs::remove(out_ / "b_vbr-01.mp3");
    fs::remove(out_ / "b_vbr-02.mp3");
    const CliRun again = Split({(in_ / "a_speech.mp3").string(), (in_ / "b_vbr.mp3").string(),
                                "--parts", "2", "--flat", "-o", out_.string()});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("a_speech.mp3: File exists"), std::string::npos) << again.err;
    EXPECT_NE(again.err.find("1 file split into 2 parts; 1 file failed\n"), std::string::npos)
        << again.err;
}

TEST_F(BatchSplit, CutsOfSeveralFilesFollowTheirNamesOrGoBesideThem) {
    const std::string a = (in_ / "a_speech.mp3").string(), b = (in_ / "b_vbr.mp3").string();
    const CliRun printed = Cli({"cuts", a, b, "--parts", "2", "--format", "csv"});
    ASSERT_EQ(printed.status, 0) << printed.err;
    const CliRun aloneA = Cli({"cuts", a, "--parts", "2", "--format", "csv"});
    const CliRun aloneB = Cli({"cuts", b, "--parts", "2", "--format", "csv"});
    EXPECT_EQ(printed.out, "==> " + a + " <==\n" + aloneA.out + "==> " + b + " <==\n" + aloneB.out);
    const CliRun beside = Cli({"cuts", a, b, "--parts", "2", "--format", "csv", "--beside-out"});
    ASSERT_EQ(beside.status, 0) << beside.err;
    EXPECT_EQ(ReadText(in_ / "a_speech.csv"), aloneA.out);
    EXPECT_EQ(ReadText(in_ / "b_vbr.csv"), aloneB.out);
}

TEST_F(BatchSplit, BadWorkerCountsAreUsageErrors) {
    ExpectUsageError(Split({in_.string(), "--parts", "2", "-j", "0"}), "split");
    ExpectUsageError(Split({in_.string(), "--beside", "cue", "--parts", "2"}), "split");
}

TEST_F(BatchSplit, CancelStopsAfterTheFilesInProgress) {
    tessivo::BatchSplitJob job;
    job.files = tessivo::Mp3FilesIn(in_.string(), false);
    ASSERT_EQ(job.files.size(), 5u);
    job.rule = tessivo::RuleFor("parts");
    job.rule.parts = 2;
    job.outFolder = out_.string();
    job.workers = 1;
    std::atomic<bool> cancel{false};
    std::vector<size_t> finished;
    const tessivo::BatchTotals totals = tessivo::RunBatchSplit(
        job,
        [&](size_t i) {
            if (i == 1)
                cancel = true;
        },
        [&](size_t i, const tessivo::BatchFileResult&) { finished.push_back(i); }, &cancel);
    EXPECT_EQ(finished, (std::vector<size_t>{0, 1}));
    EXPECT_EQ(totals.split, 2);
    EXPECT_EQ(Listing(out_), (std::vector<std::string>{"a_speech", "b_vbr"}));
}
