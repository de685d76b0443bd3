// Fades through the granules' global gain: the ramp's steps, a faded part
// that decodes (mpg123) along the ramp, joins of loud pink noise and a
// full-scale sine whose seam stays below the louder piece's peak, --no-fade
// writing the joined frames unchanged, and files mp3val and ffprobe find
// clean with the Info frame's length and music CRC right.
#include "cli_test_support.h"
#include "core/analysis/open_file.h"
#include "core/output/edge_fades.h"
#include "core/output/one_file.h"
#include "foreign_files.h"
#include "mp3/frame_header.h"
#include "mp3/info_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

using analysis_test::Mpg123Pcm;
using cli_test::CliRun;
using cli_test::CliTest;
namespace mp3 = tessivo::mp3;
namespace fs = std::filesystem;

constexpr int kDecoderDelay = 529; // samples the decoder's output lags the encoder's input

TEST(EdgeFades, RampStepsFollowTheAmplitude) {
    EXPECT_EQ(tessivo::RampSteps(0.0, 10), tessivo::kSilentSteps);
    EXPECT_EQ(tessivo::RampSteps(-1.0, 10), tessivo::kSilentSteps);
    EXPECT_EQ(tessivo::RampSteps(5.0, 10), 4);  // half the amplitude: 6 dB
    EXPECT_EQ(tessivo::RampSteps(2.5, 10), 8);  // a quarter
    EXPECT_EQ(tessivo::RampSteps(10.0, 10), 0); // past the ramp
    EXPECT_EQ(tessivo::RampSteps(0.5, 0), 0);   // no fade
    EXPECT_EQ(tessivo::FadeGranules(200.0, 44100), 15);
    EXPECT_EQ(tessivo::FadeGranules(1.0, 44100), 1);
    EXPECT_EQ(tessivo::FadeGranules(0.0, 44100), 0);
}

TEST(EdgeFades, SeamRampAndFadeTakeTheDeeperLowering) {
    const tessivo::EdgeRamp seam{0, true};
    for (size_t j = 0; j < tessivo::kSeamRampSteps.size(); ++j)
        EXPECT_EQ(tessivo::EdgeSteps(seam, static_cast<int64_t>(j)), tessivo::kSeamRampSteps[j]);
    EXPECT_EQ(tessivo::EdgeSteps(seam, static_cast<int64_t>(tessivo::kSeamRampSteps.size())), 0);
    const tessivo::EdgeRamp both{40, true};
    EXPECT_EQ(tessivo::EdgeSteps(both, 0), tessivo::RampSteps(0.5, 40));
    const tessivo::PieceRamps ramps{{0, false}, {0, true}};
    EXPECT_EQ(tessivo::PieceGranuleSteps(ramps, 0, 100), 0);
    EXPECT_EQ(tessivo::PieceGranuleSteps(ramps, 99, 100), tessivo::kSeamRampSteps[0]);
}

// Where the audio of an MP3 file starts (after an ID3v2 tag).
size_t AudioStart(const std::vector<uint8_t>& b) {
    if (b.size() < 10 || b[0] != 'I' || b[1] != 'D' || b[2] != '3')
        return 0;
    return 10 + ((size_t(b[6]) << 21) | (size_t(b[7]) << 14) | (size_t(b[8]) << 7) | b[9]);
}

// The file's Info frame, read as players read it.
struct InfoOf {
    mp3::SourceInfoTag tag;
    uint32_t frames = 0;
    bool musicCrcRight = false;
};
InfoOf ReadInfo(const std::string& path) {
    const std::vector<uint8_t> b = part_checks::ReadBytes(path);
    InfoOf info;
    const size_t at = AudioStart(b);
    mp3::Layer3Header h;
    if (at + 4 > b.size() || !mp3::ParseLayer3Header(b.data() + at, b.size() - at, h))
        return info;
    info.tag = mp3::ReadInfoTag(b.data() + at, b.size() - at);
    const size_t x = at + static_cast<size_t>(h.MainDataOffset()); // "Info", flags, frames
    if (x + 12 <= b.size())
        info.frames = (uint32_t(b[x + 8]) << 24) | (uint32_t(b[x + 9]) << 16) |
                      (uint32_t(b[x + 10]) << 8) | b[x + 11];
    size_t end = b.size();
    if (end >= 128 && b[end - 128] == 'T' && b[end - 127] == 'A' && b[end - 126] == 'G')
        end -= 128;
    const size_t music = at + static_cast<size_t>(h.length);
    const uint16_t crc = mp3::Crc16Arc(b.data() + music, end - music);
    info.musicCrcRight =
        info.tag.hasLame && info.tag.lame[32] == (crc >> 8) && info.tag.lame[33] == (crc & 0xFF);
    return info;
}

void ExpectClean(const std::string& path, uint32_t frames) {
    std::string says = foreign::Mp3valSays(path);
    // A part without tags is what was asked for.
    if (says.find("No supported tags") != std::string::npos)
        says.erase(0, says.find('\n') + 1);
    EXPECT_EQ(says, "") << path;
    EXPECT_EQ(
        analysis_test::RunCommand("ffprobe -v error " + analysis_test::Quote(path) + " 2>&1").out,
        "")
        << path;
    const InfoOf info = ReadInfo(path);
    EXPECT_EQ(info.frames, frames) << path;
    EXPECT_TRUE(info.musicCrcRight) << path;
}

double Peak(const std::vector<int16_t>& pcm, size_t from, size_t to) {
    int most = 0;
    for (size_t i = from; i < std::min(to, pcm.size()); ++i)
        most = std::max(most, std::abs(static_cast<int>(pcm[i])));
    return most / 32768.0;
}

class EdgeFadesCli : public CliTest {
protected:
    // Audio frames of a file as ffprobe counts them (no Info frame).
    static int Frames(const std::string& path) {
        return static_cast<int>(analysis_test::FfprobePacketPositions(path).size());
    }

    // The decoded peak within 50 ms of the seam of `one` (the source's
    // frames up to `firstCut` joined to those from `secondCut`, an Info frame
    // in front), and the louder piece's own peak in the source.
    struct SeamPeaks {
        double seam = 0.0, louder = 0.0;
    };
    SeamPeaks Measure(const std::string& source, const std::string& one, const std::string& at) {
        const fs::path parts = dir_ / ("parts-" + at);
        fs::create_directories(parts);
        EXPECT_EQ(Split({source, "--at", at, "-o", parts.string(), "--overwrite"}).status, 0);
        const std::vector<std::string> names = part_checks::Listing(parts);
        const size_t n1 = static_cast<size_t>(Frames((parts / names.at(0)).string()));
        const size_t n2 = static_cast<size_t>(Frames((parts / names.at(1)).string()));
        const std::vector<int16_t> src = Mpg123Pcm(source), out = Mpg123Pcm(one);
        const size_t frame = 1152 * 2; // stereo samples of a frame
        const size_t window = 2205 * 2;
        const size_t seam = (1 + n1) * frame;
        SeamPeaks p;
        p.seam = Peak(out, seam - window, seam + window);
        p.louder = std::max(Peak(src, frame, (1 + n1) * frame),
                            Peak(src, (1 + n1 + n2) * frame, src.size()));
        return p;
    }
};

// The first part of a steady tone, faded over 200 ms, against the same part unfaded:
// the level of every granule as the linear ramp has it at its middle.
TEST_F(EdgeFadesCli, FadedPartDecodesAlongTheRamp) {
    if (!part_checks::HaveMpg123())
        GTEST_SKIP() << "mpg123 missing";
    const std::string source = part_checks::Fixture("cbr128_stereo.mp3");
    fs::create_directories(out_ / "plain");
    fs::create_directories(out_ / "faded");
    ASSERT_EQ(Split({source, "--at", "1.0", "-o", (out_ / "plain").string()}).status, 0);
    const CliRun r =
        Split({source, "--at", "1.0", "--fade", "200", "-o", (out_ / "faded").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string plain = (out_ / "plain" / "cbr128_stereo-01.mp3").string();
    const std::string faded = (out_ / "faded" / "cbr128_stereo-01.mp3").string();
    const std::vector<int16_t> x = Mpg123Pcm(plain), y = Mpg123Pcm(faded);
    ASSERT_EQ(x.size(), y.size());
    const InfoOf info = ReadInfo(faded);
    const double start = info.tag.delay / 576.0;
    const int n = 15;                                              // 200 ms of 13.06 ms granules
    const int granules = static_cast<int>(x.size() / 2 / 576) - 2; // after the Info frame
    int checked = 0;
    for (int g = 0; g + 1 < granules; ++g) {
        const double middle = g + 0.5;
        const double amp = std::clamp(std::min(middle - start, granules - middle) / n, 0.0, 1.0);
        const size_t from = (1152 + kDecoderDelay + size_t(g) * 576) * 2;
        double ex = 0, ey = 0;
        for (size_t i = from; i < from + 576 * 2; ++i) {
            ex += double(x[i]) * x[i];
            ey += double(y[i]) * y[i];
        }
        const double measured = 10.0 * std::log10((ey + 1e-9) / ex);
        if (amp <= 0.0) {
            if (ex > 576.0 * 2 * 1000.0 * 1000.0) { // not the encoder's silent delay
                EXPECT_LT(measured, -40.0) << "granule " << g;
            }
        } else if (amp >= 1.0 / 16) { // steeper in dB than a granule resolves
            EXPECT_NEAR(measured, 20.0 * std::log10(amp), 1.5) << "granule " << g;
            ++checked;
        }
    }
    EXPECT_GE(checked, 2 * 12);
    ExpectClean(faded, ReadInfo(plain).frames);
}

// Pink noise into a sine, a sine into itself at another phase, and pink
// noise into pink noise, each cut mid-sound: with the default seam fade the
// peak near the seam stays at or below the louder piece's; without it, it
// jumps above.
TEST_F(EdgeFadesCli, DefaultSeamFadeKeepsTheJoinBelowTheLouderPeak) {
    if (!part_checks::HaveMpg123() || !foreign::HaveTools())
        GTEST_SKIP() << "mpg123, ffprobe or mp3val missing";
    const std::string source = part_checks::Fixture("loud_pink_sine.mp3");
    int jumped = 0;
    for (const char* at : {"1.5,2.5", "2.3,3.1013", "0.7,1.3", "1.0,3.0"}) {
        const std::string faded = (dir_ / "faded.mp3").string();
        const std::string plain = (dir_ / "plain.mp3").string();
        ASSERT_EQ(
            Split({source, "--at", at, "--skip", "2", "--one-file", faded, "--overwrite"}).status,
            0);
        ASSERT_EQ(Split({source, "--at", at, "--skip", "2", "--one-file", plain, "--no-fade",
                         "--overwrite"})
                      .status,
                  0);
        const SeamPeaks withFade = Measure(source, faded, at);
        const SeamPeaks without = Measure(source, plain, at);
        EXPECT_LE(withFade.seam, withFade.louder) << at;
        jumped += without.seam > without.louder ? 1 : 0;
        ExpectClean(faded, ReadInfo(plain).frames);
    }
    EXPECT_GE(jumped, 2);
}

// --no-fade writes the frames the join writes without any fade, byte for
// byte, Info frame included; the default changes them.
TEST_F(EdgeFadesCli, NoFadeWritesTheJoinedFramesUnchanged) {
    const std::string source = part_checks::Fixture("loud_pink_sine.mp3");
    const fs::path parts = dir_ / "parts";
    fs::create_directories(parts);
    ASSERT_EQ(Split({source, "--at", "1.5,2.5", "-o", parts.string()}).status, 0);
    const std::vector<std::string> names = part_checks::Listing(parts);
    const int n1 = Frames((parts / names.at(0)).string());
    const int n2 = Frames((parts / names.at(1)).string());
    tessivo::ProgramState st;
    tessivo::AnalyseFile(st, st, source, false);
    const int first = 1; // after the source's Info frame
    const std::vector<tessivo::FilePiece> pieces = {
        {&st, first, first + n1 - 1, "a", "a"},
        {&st, first + n1 + n2, st.IndexedFrames - 1, "b", "b"}};
    const std::vector<uint8_t> expected = tessivo::BuildOneFileAudio(pieces).bytes;
    ASSERT_FALSE(expected.empty());
    const auto audio = [](const std::string& path) {
        std::vector<uint8_t> b = part_checks::ReadBytes(path);
        b.erase(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(AudioStart(b)));
        return b;
    };
    const std::string plain = (dir_ / "plain.mp3").string();
    const std::string faded = (dir_ / "faded.mp3").string();
    ASSERT_EQ(Split({source, "--at", "1.5,2.5", "--skip", "2", "--one-file", plain, "--no-fade",
                     "--no-chapters"})
                  .status,
              0);
    ASSERT_EQ(
        Split({source, "--at", "1.5,2.5", "--skip", "2", "--one-file", faded, "--no-chapters"})
            .status,
        0);
    EXPECT_TRUE(audio(plain) == expected);
    const std::vector<uint8_t> changed = audio(faded);
    EXPECT_EQ(changed.size(), expected.size());
    EXPECT_FALSE(changed == expected);
}

// join --fade: every file faded in and out, the file clean and as long.
TEST_F(EdgeFadesCli, JoinFadesEveryFile) {
    if (!foreign::HaveTools())
        GTEST_SKIP() << "ffprobe or mp3val missing";
    const std::string a = part_checks::Fixture("cbr128_stereo.mp3");
    const std::string b = part_checks::Fixture("crc.mp3");
    const CliRun plain = Cli({"join", a, b, "-o", "plain.mp3", "--no-fade"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    const CliRun faded = Cli({"join", a, b, "-o", "faded.mp3", "--fade", "100"});
    ASSERT_EQ(faded.status, 0) << faded.err;
    ExpectClean((dir_ / "faded.mp3").string(), ReadInfo((dir_ / "plain.mp3").string()).frames);
    EXPECT_TRUE(foreign::Mpg123Says((dir_ / "faded.mp3").string()).empty());
    // The protected frames of crc.mp3 carry fresh CRCs: mp3val checks them.
    ExpectUsageError(Cli({"join", a, b, "-o", "x.mp3", "--fade", "100", "--no-fade"}), "join");
    ExpectUsageError(Cli({"join", a, b, "-o", "x.mp3", "--fade", "0"}), "join");
    ExpectUsageError(Split({a, "--parts", "2", "--no-fade"}), "split");
}

} // namespace

namespace {

// Granule gains of the first channel as info --frames prints them, in order.
std::vector<int> PrintedGains(const std::string& out) {
    std::vector<int> gains;
    bool table = false;
    for (const std::string& line : cli_test::Lines(out)) {
        if (line == "frame,offset,bytes,gain1,gain2") {
            table = true;
            continue;
        }
        if (!table)
            continue;
        size_t at = 0;
        for (int field = 0; field < 3; ++field)
            at = line.find(',', at) + 1;
        for (int gr = 0; gr < 2; ++gr) {
            if (at < line.size() && line[at] != ',')
                gains.push_back(std::stoi(line.substr(at)));
            at = line.find(',', at) + 1;
            if (at == 0)
                break;
        }
    }
    return gains;
}

TEST_F(EdgeFadesCli, InfoFramesShowsTheRampInTheGains) {
    const std::string source = part_checks::Fixture("cbr128_stereo.mp3");
    fs::create_directories(out_ / "plain");
    fs::create_directories(out_ / "faded");
    ASSERT_EQ(Split({source, "--at", "1.0", "-o", (out_ / "plain").string()}).status, 0);
    ASSERT_EQ(
        Split({source, "--at", "1.0", "--fade", "100", "-o", (out_ / "faded").string()}).status, 0);
    const CliRun plain = Cli({"info", "--frames", (out_ / "plain/cbr128_stereo-01.mp3").string()});
    const CliRun faded = Cli({"info", "--frames", (out_ / "faded/cbr128_stereo-01.mp3").string()});
    ASSERT_EQ(faded.status, 0) << faded.err;
    const std::vector<int> a = PrintedGains(plain.out), b = PrintedGains(faded.out);
    ASSERT_EQ(a.size(), b.size());
    ASSERT_GT(a.size(), 40u);
    // The Info frame's two granules first; the encoder delay is one granule.
    const int n = tessivo::FadeGranules(100.0, 44100);
    for (size_t g = 2; g < 2 + 10; ++g) {
        const int steps = tessivo::RampSteps(static_cast<double>(g - 2) + 0.5 - 1.0, n);
        EXPECT_EQ(b[g], std::max(0, a[g] - steps)) << "granule " << g - 2;
    }
    EXPECT_EQ(b[a.size() / 2], a[a.size() / 2]); // the middle untouched
}

} // namespace

namespace {

// The whole file decoded as players play it (gapless), 32-bit floats.
std::vector<float> PlayedPcm(const std::string& path) {
    const analysis_test::CommandResult r = analysis_test::RunCommand(
        "mpg123 -q -e f32 -s " + analysis_test::Quote(path) + " 2>/dev/null");
    std::vector<float> pcm(r.out.size() / 4);
    std::memcpy(pcm.data(), r.out.data(), pcm.size() * 4);
    return pcm;
}

// --mute 0.5-1.2: silent from 50 ms after the start to 50 ms before the end;
// more than a granule away from the edges every sample is the unmuted part's.
TEST_F(EdgeFadesCli, MutedStretchDecodesToSilence) {
    if (!part_checks::HaveMpg123() || !foreign::HaveTools())
        GTEST_SKIP() << "mpg123, ffprobe or mp3val missing";
    const std::string source = part_checks::Fixture("cbr128_stereo.mp3");
    fs::create_directories(out_ / "plain");
    fs::create_directories(out_ / "muted");
    ASSERT_EQ(Split({source, "--at", "1.5", "-o", (out_ / "plain").string()}).status, 0);
    const CliRun r =
        Split({source, "--at", "1.5", "--mute", "0.5-1.2", "-o", (out_ / "muted").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string plain = (out_ / "plain/cbr128_stereo-01.mp3").string();
    const std::string muted = (out_ / "muted/cbr128_stereo-01.mp3").string();
    const std::vector<float> x = PlayedPcm(plain), y = PlayedPcm(muted);
    ASSERT_EQ(x.size(), y.size());
    const auto at = [](double seconds) { return static_cast<size_t>(seconds * 44100) * 2; };
    float inside = 0, outside = 0, level = 0;
    for (size_t i = at(0.55); i < at(1.15); ++i)
        inside = std::max(inside, std::abs(y[i]));
    for (size_t i = 0; i < x.size(); ++i)
        if (i < at(0.5 - 0.03) || i >= at(1.2 + 0.03)) {
            outside = std::max(outside, std::abs(x[i] - y[i]));
            level = std::max(level, std::abs(x[i]));
        }
    EXPECT_LT(inside, 1e-4f);
    EXPECT_EQ(outside, 0.0f);
    EXPECT_GT(level, 0.3f);
    ExpectClean(muted, ReadInfo(plain).frames);
    ExpectUsageError(Split({source, "--parts", "2", "--mute", "1.0-0.5"}), "split");
    ExpectUsageError(Split({source, "--parts", "2", "--mute", "0.5-1.0", "--gapless"}), "split");
}

// With --one-file the ranges stay times of the source: a range in the part
// after a skipped one is silent where that part lies in the file.
TEST_F(EdgeFadesCli, MuteInOneFileFollowsTheSourceTimes) {
    if (!part_checks::HaveMpg123())
        GTEST_SKIP() << "mpg123 missing";
    const std::string source = part_checks::Fixture("cbr128_stereo.mp3");
    const std::string one = (dir_ / "one.mp3").string();
    ASSERT_EQ(
        Split({source, "--at", "0.3,1.0", "--skip", "2", "--mute", "1.2-1.7", "--one-file", one})
            .status,
        0);
    const std::vector<float> y = PlayedPcm(one);
    // The third part starts 0.3 s into the file: the stretch lies at 0.5..1.0.
    const auto at = [](double seconds) { return static_cast<size_t>(seconds * 44100) * 2; };
    float inside = 0, before = 0;
    for (size_t i = at(0.55); i < at(0.95); ++i)
        inside = std::max(inside, std::abs(y[i]));
    for (size_t i = at(0.38); i < at(0.45); ++i)
        before = std::max(before, std::abs(y[i]));
    EXPECT_LT(inside, 1e-4f);
    EXPECT_GT(before, 0.3f);
}

} // namespace

namespace {

// --cut-out places the cut lines at the stretch's edges and leaves out the
// part between: split --one-file writes what --at and --skip write, and
// cuts lists the parts that stay.
TEST_F(EdgeFadesCli, CutOutLeavesTheStretchOut) {
    const std::string source = part_checks::Fixture("cbr128_stereo.mp3");
    ASSERT_EQ(Split({source, "--cut-out", "0.5-1.2", "--one-file", "cut.mp3"}).status, 0);
    ASSERT_EQ(Split({source, "--at", "0.5,1.2", "--skip", "2", "--one-file", "skip.mp3"}).status,
              0);
    EXPECT_TRUE(part_checks::ReadBytes((dir_ / "cut.mp3").string()) ==
                part_checks::ReadBytes((dir_ / "skip.mp3").string()));
    const CliRun cuts = Cli({"cuts", source, "--at", "1.5", "--cut-out", "0.5-1.2"});
    ASSERT_EQ(cuts.status, 0) << cuts.err;
    EXPECT_EQ(cuts.lines, (std::vector<std::string>{"0.000000\t0.500000\t", "1.200000\t1.500000\t",
                                                    "1.500000\t2.000000\t"}));
    ExpectUsageError(Split({source, "--cut-out", "0.5-1.2", "-o", out_.string()}), "split");
    ExpectUsageError(Cli({"cuts", source, "--cut-out", "0.5"}), "cuts");
}

} // namespace
