// tessivo-cli info and peaks, run as a user would.
#include "analysis_test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

using namespace analysis_test;

namespace {

std::string Cli(const std::string& args) {
    return Quote(TESSIVO_CLI) + " " + args;
}

std::map<std::string, std::string> InfoKeys(const std::string& out) {
    std::map<std::string, std::string> keys;
    std::istringstream in(out);
    std::string line;
    std::getline(in, line); // the stream text
    while (std::getline(in, line)) {
        const size_t c = line.find(": ");
        if (c != std::string::npos)
            keys[line.substr(0, c)] = line.substr(c + 2);
    }
    return keys;
}

} // namespace

TEST(CliInfo, StreamTextAndFacts) {
    const CommandResult r =
        RunCommand(Cli("info " + Quote(Fixture("id3v2_padding.mp3"))) + " 2>/dev/null");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
              "MPEG-1   Layer3   128kbps   joint stereo   44100Hz   00:02:000");
    auto k = InfoKeys(r.out);
    // Frame count as the mpg123 program decodes it; offset as ffprobe finds it.
    const size_t pcm = Mpg123Pcm(Fixture("id3v2_padding.mp3")).size();
    EXPECT_EQ(k["frames"], std::to_string(pcm / (1152 * 2)));
    EXPECT_EQ(k["indexed frames"], k["frames"]);
    EXPECT_EQ(k["first frame offset"],
              std::to_string(FfprobePacketPositions(Fixture("id3v2_padding.mp3")).front()));
    EXPECT_EQ(k["samples per frame"], "1152");
    EXPECT_NEAR(std::stod(k["frame duration"]), 1152.0 / 44100, 1e-9);
    EXPECT_EQ(k["id3v2 size"], "2000");
    EXPECT_EQ(k["id3v1"], "no");
}

TEST(CliInfo, TagsAndOtherVersions) {
    auto k = InfoKeys(RunCommand(Cli("info " + Quote(Fixture("id3v1_track.mp3")))).out);
    EXPECT_EQ(k["id3v2 size"], "none");
    EXPECT_EQ(k["id3v1"], "yes");
    const CommandResult v25 = RunCommand(Cli("info " + Quote(Fixture("mpeg25_8k.mp3"))));
    EXPECT_EQ(v25.out.substr(0, v25.out.find('\n')),
              "MPEG-2.5   Layer3   8kbps   mono   8000Hz   00:02:160");
    EXPECT_EQ(InfoKeys(v25.out)["samples per frame"], "576");
}

TEST(CliInfo, RefusalsGoToStderrWithNonZeroExit) {
    for (const std::string& name : NegativeFixtures()) {
        SCOPED_TRACE(name);
        const CommandResult out = RunCommand(Cli("info " + Quote(Fixture(name))) + " 2>/dev/null");
        EXPECT_NE(out.status, 0);
        EXPECT_EQ(out.out, "");
        const CommandResult err =
            RunCommand(Cli("info " + Quote(Fixture(name))) + " 2>&1 >/dev/null");
        EXPECT_EQ(err.out, "It is not a MP3 file!\n");
    }
    EXPECT_NE(RunCommand(Cli("info") + " 2>/dev/null").status, 0);
    EXPECT_NE(RunCommand(Cli("info /no/such/file.mp3") + " 2>/dev/null").status, 0);
}

TEST(CliPeaks, CsvMatchesTheDecodedSamples) {
    const std::string f = Fixture("left_only.mp3");
    const CommandResult r = RunCommand(Cli("peaks " + Quote(f)) + " 2>/dev/null");
    ASSERT_EQ(r.status, 0);
    std::istringstream in(r.out);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "frame,maxL,minL,maxR,minR");
    const std::vector<int16_t> pcm = Mpg123Pcm(f);
    const size_t frames = pcm.size() / (1152 * 2);
    size_t rows = 0;
    while (std::getline(in, line)) {
        int j, maxL, minL, maxR, minR;
        ASSERT_EQ(std::sscanf(line.c_str(), "%d,%d,%d,%d,%d", &j, &maxL, &minL, &maxR, &minR), 5);
        ASSERT_EQ(static_cast<size_t>(j), rows);
        int16_t a = pcm[j * 2304], b = a;
        for (int s = 0; s < 1152; ++s) {
            a = std::max(a, pcm[j * 2304 + 2 * s]);
            b = std::min(b, pcm[j * 2304 + 2 * s]);
        }
        EXPECT_EQ(maxL, a);
        EXPECT_EQ(minL, b);
        EXPECT_EQ(maxR, 0); // second channel silent
        EXPECT_EQ(minR, 0);
        ++rows;
    }
    EXPECT_EQ(rows, frames);
}

TEST(CliPeaks, RefusesNonMp3) {
    const CommandResult r = RunCommand(Cli("peaks " + Quote(Fixture("layer2.mp3"))) + " 2>&1");
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.out, "It is not a MP3 file!\n");
}
