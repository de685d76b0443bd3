// Conventions every tessivo-cli command follows: help and version, one-line
// usage errors with exit status 2, -o and missing output folders, --quiet,
// the reasons for "No parts prepared to split." and clock times.
#include "cli_test_support.h"
#include "part_file_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using cli_test::CliRun;
using part_checks::Fixture;
using part_checks::Listing;
using part_checks::ReadBytes;
namespace fs = std::filesystem;

namespace {

class CliConventions : public cli_test::CliTest {};

} // namespace

TEST_F(CliConventions, HelpListsEveryCommandAndOption) {
    const CliRun all = Cli({"--help"});
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.err, "");
    const CliRun split = Cli({"split", "--help"});
    EXPECT_EQ(split.status, 0) << split.err;
    for (const char* option : {"--parts", "--time", "[H:]MM:SS", "--silence", "--at", "[.mmm]",
                               "--tags", "--gapless", "-o,--out", "-q,--quiet", "--help"}) {
        EXPECT_NE(all.out.find(option), std::string::npos) << option;
        EXPECT_NE(split.out.find(option), std::string::npos) << option;
    }
    for (const char* command : {"info", "peaks", "split", "--version"})
        EXPECT_NE(all.out.find(command), std::string::npos) << command;
    const CliRun info = Cli({"info", "--help"});
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("--quiet"), std::string::npos);
    EXPECT_EQ(info.out.find("--parts"), std::string::npos) << "split's options in info's help";
}

TEST_F(CliConventions, VersionIsTheProjectVersion) {
    const CliRun r = Cli({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("tessivo-cli ") + TESSIVO_VERSION + "\n");
}

TEST_F(CliConventions, UsageErrorsAreOneLineWithExitTwo) {
    const std::string f = Fixture("long65.mp3");
    ExpectUsageError(Cli({}), "");
    ExpectUsageError(Cli({"frob"}), "");
    ExpectUsageError(Cli({"--frob"}), "");
    ExpectUsageError(Cli({"info"}), "info");
    ExpectUsageError(Cli({"info", f, f}), "info");
    ExpectUsageError(Cli({"peaks", "--bad", f}), "peaks");
    ExpectUsageError(Cli({"split", f, "--parts", "1"}), "split");
    ExpectUsageError(Cli({"split", f, "--parts"}), "split");
    ExpectUsageError(Cli({"split", f, "--parts", "2", "--parts", "3"}), "split");
    ExpectUsageError(Cli({"split", f, "--parts", "2", "--tags=1"}), "split");
    ExpectUsageError(Cli({"split", f, "--time", "1:60:00"}), "split");
    ExpectUsageError(Cli({"split", f, "--out", ""}), "split");
    // Found only once the file is read: still a usage error.
    ExpectUsageError(Cli({"split", f, "--at", "70"}), "split");
    EXPECT_EQ(Listing(dir_), std::vector<std::string>{"out"});
}

TEST_F(CliConventions, SplitWithoutAModeIsAUsageError) {
    const CliRun r = Split({Fixture("cbr128_stereo.mp3"), "-o", out_.string()});
    ExpectUsageError(r, "split");
    EXPECT_EQ(r.err, "tessivo-cli split: No parts prepared to split. No split mode given "
                     "(--parts, --time, --silence, --near-pauses, --at, --cue, --labels or --csv); "
                     "see 'tessivo-cli split --help'\n");
    EXPECT_TRUE(Listing(out_).empty());
}

TEST_F(CliConventions, ShortOutMakesMissingFolders) {
    const fs::path nested = dir_ / "a" / "b" / "c";
    CliRun r = Split({Fixture("cbr128_stereo.mp3"), "--parts", "2", "-o", nested.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines, (std::vector<std::string>{(nested / "cbr128_stereo-01.mp3").string(),
                                                 (nested / "cbr128_stereo-02.mp3").string()}));
    EXPECT_EQ(Listing(nested).size(), 2u);
    // The long spelling writes the same parts.
    const fs::path other = dir_ / "d" / "e";
    r = Split({Fixture("cbr128_stereo.mp3"), "--parts", "2", "--out", other.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Contents(other), Contents(nested));
}

TEST_F(CliConventions, QuietPrintsOnlyErrors) {
    CliRun r = Split({Fixture("cbr128_stereo.mp3"), "--parts", "2", "--quiet", "-o", "parts"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Listing(dir_ / "parts").size(), 2u);
    for (const char* command : {"info", "peaks"}) {
        r = Cli({command, "-q", Fixture("cbr128_stereo.mp3")});
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_EQ(r.out + r.err, "") << command;
    }
    // Errors are still printed.
    r = Cli({"info", "--quiet", Fixture("layer2.mp3")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "It is not a MP3 file!\n");
    r = Split({Fixture("fullscale.mp3"), "--parts", "2", "--quiet", "-o", out_.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("No parts prepared to split."), std::string::npos);
    ExpectUsageError(Split({Fixture("long65.mp3"), "--quiet", "--parts", "0"}), "split");
}

TEST_F(CliConventions, NoPartsSaysWhy) {
    CliRun r = Split({Fixture("fullscale.mp3"), "--parts", "2", "-o", out_.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "No parts prepared to split. The file is shorter than 2 seconds.\n");
    // No pause after sound.
    r = Split({Fixture("cbr128_stereo.mp3"), "--silence", "10,1000", "-o", out_.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "No parts prepared to split. The cut lines leave one part.\n");
    EXPECT_TRUE(Listing(out_).empty());
}

TEST_F(CliConventions, TimeTakesHours) {
    const std::string f = Fixture("long65.mp3");
    CliRun r = Split({f, "--time", "0:00:20", "-o", "hms"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines.size(), 4u); // 20, 20, 20, 5
    r = Split({f, "--time", "00:20", "-o", "ms"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Contents(dir_ / "hms"), Contents(dir_ / "ms"));
    // An hour is longer than the file.
    r = Split({f, "--time", "1:00:00", "-o", out_.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Incorrect time value!\n");
    EXPECT_TRUE(Listing(out_).empty());
}

TEST_F(CliConventions, TimeOfAnHourOnALongerFile) {
    if (!cli_test::HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg is needed to make a file longer than an hour";
    const std::string f = (dir_ / "hour.mp3").string();
    ASSERT_TRUE(cli_test::MakeToneFile(f, 3610));
    const CliRun r = Split({f, "--time", "1:00:00", "-o", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 2u);
    const CliRun first = Cli({"info", r.lines[0]});
    EXPECT_NE(first.out.find("\nduration: 3600."), std::string::npos) << first.out;
}

TEST_F(CliConventions, AtTakesClockTimes) {
    const std::string f = Fixture("long65.mp3");
    CliRun r = Split({f, "--at", "0:01.500,00:20,0:01:00.250", "-o", "clock"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines.size(), 4u);
    r = Split({f, "--at", "1.5,20,60.25", "-o", "seconds"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Contents(dir_ / "clock"), Contents(dir_ / "seconds"));
    ExpectUsageError(Split({f, "--at", "0:60"}), "split");
    ExpectUsageError(Split({f, "--at", "0:10.2500001"}), "split"); // past the microsecond
    ExpectUsageError(Split({f, "--at", "1:05:00"}), "split");      // outside the file
}
