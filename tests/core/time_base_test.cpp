// The time base: durations and time 0 as mpg123's gapless decode has them, on
// files with and without an Info frame and a LAME tag; and gapless parts cut
// at a sample, checked sample by sample against the source's decode.
#include "analysis_test_support.h"
#include "cli_test_support.h"
#include "core/analysis/time_base.h"
#include "core/decode/mpg123_decoder.h"
#include "core/output/gapless_part.h"
#include "foreign_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using namespace tessivo;
using analysis_test::Fixture;
using analysis_test::Quote;
using analysis_test::RunCommand;

namespace {

namespace fs = std::filesystem;

// What mpg123 plays (gapless, the Info frame left out): 16-bit samples.
std::vector<int16_t> GaplessPcm(const std::string& path) {
    const auto r = RunCommand("mpg123 -q -e s16 -s " + Quote(path) + " 2>/dev/null");
    std::vector<int16_t> pcm(r.out.size() / 2);
    std::memcpy(pcm.data(), r.out.data(), pcm.size() * 2);
    return pcm;
}

struct TempDir {
    fs::path path;
    TempDir() {
        path = fs::temp_directory_path() /
               ("tessivo-time-" + std::to_string(::getpid()) + "-" + std::to_string(std::rand()));
        fs::create_directories(path);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

// A copy of cbr128_stereo.mp3 whose Info frame keeps its Xing fields but has
// zeros where the LAME tag would be.
std::string InfoWithoutLameTag(const fs::path& dir) {
    std::vector<uint8_t> b = analysis_test::ReadBytes(Fixture("cbr128_stereo.mp3"));
    const std::string text(b.begin(), b.end());
    const size_t info = text.find("Info");
    EXPECT_NE(info, std::string::npos);
    const size_t lame = info + 120; // "Info", flags, frames, bytes, seek table, quality
    std::fill(b.begin() + static_cast<long>(lame), b.begin() + static_cast<long>(lame + 36), 0);
    const std::string out = (dir / "info_no_lame.mp3").string();
    analysis_test::WriteBytes(out, b);
    return out;
}

// The duration `info` prints; run in `dir`, the test's own folder, as the
// run leaves its output files there.
double CliDuration(const fs::path& dir, const std::string& path) {
    const cli_test::CliRun r = cli_test::RunCli(dir, {"info", path});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const std::string& line : r.lines)
        if (line.rfind("duration: ", 0) == 0)
            return std::atof(line.c_str() + 10);
    return -1.0;
}

std::vector<std::string> TimeBaseFiles(const fs::path& dir) {
    std::vector<std::string> files = {Fixture("cbr128_stereo.mp3"), Fixture("vbr_stereo.mp3"),
                                      Fixture("mpeg2_22k.mp3"),     Fixture("mpeg25_8k.mp3"),
                                      Fixture("long65.mp3"),        InfoWithoutLameTag(dir)};
    if (!foreign::Folder().empty())
        for (const char* name : {"shine_plain.mp3", "shine_info.mp3", "vbr_noxing.mp3"})
            files.push_back(foreign::File(name));
    return files;
}

} // namespace

TEST(TimeBase, InfoDurationIsWhatMpg123PlaysToTheMillisecond) {
    TempDir dir;
    for (const std::string& path : TimeBaseFiles(dir.path)) {
        ProgramState st;
        ASSERT_TRUE(AnalyseFile(st, st, path, false).ok) << path;
        const double played = static_cast<double>(GaplessPcm(path).size()) /
                              (st.ChannelCount * static_cast<double>(st.SampleRate));
        EXPECT_NEAR(CliDuration(dir.path, path), played, 0.0005) << path;
        EXPECT_EQ(st.AudioSamples * st.ChannelCount, static_cast<int64_t>(GaplessPcm(path).size()))
            << path;
    }
}

TEST(TimeBase, TimeZeroIsTheFirstSampleMpg123Plays) {
    // Our decoder runs untrimmed with the Info frame decoded as audio; from
    // TimeZeroSample on its samples are those the gapless decode plays.
    TempDir dir;
    for (const std::string& path : TimeBaseFiles(dir.path)) {
        ProgramState st;
        ASSERT_TRUE(AnalyseFile(st, st, path, false).ok) << path;
        const std::vector<int16_t> untrimmed = analysis_test::Mpg123Pcm(path);
        const std::vector<int16_t> played = GaplessPcm(path);
        const size_t ch = static_cast<size_t>(st.ChannelCount);
        const size_t from = static_cast<size_t>(st.TimeZeroSample) * ch;
        ASSERT_GE(untrimmed.size(), from + played.size()) << path;
        int worst = 0;
        for (size_t i = 0; i < played.size(); ++i)
            worst = std::max(worst, std::abs(int(untrimmed[from + i]) - int(played[i])));
        EXPECT_LE(worst, 1) << path;
    }
}

TEST(TimeBase, FramesAndTimesOfALameFile) {
    auto st = analysis_test::Analyse("cbr128_stereo.mp3", false);
    const TimeBase tb = TimeBaseOf(*st);
    // The Info frame and the delay come before time 0: frame 2 starts 47
    // samples after it, and frame 1 holds its first sample.
    EXPECT_EQ(FrameHoldingSample(tb, 0), 1);
    EXPECT_EQ(FrameStartSample(tb, 2), 2 * 1152 - 1152 - 576 - 529);
    EXPECT_DOUBLE_EQ(FrameSeconds(tb, 1), 0.0);
    EXPECT_DOUBLE_EQ(FrameSeconds(tb, st->FrameCount), 2.0);
    for (double t : {0.25, 1.0, 1.5}) {
        const int64_t f = NearestFrameAt(tb, t);
        EXPECT_LE(std::fabs(FrameSeconds(tb, f) - t), st->FrameDuration / 2) << t;
    }
    EXPECT_EQ(NearestSampleAt(tb, 0.3456), 15241); // 0.3456 x 44100 = 15240.96
}

namespace {

struct GaplessCase {
    const char* fixture;
    std::vector<double> cuts; // seconds
};

// Writes the gapless parts between the cuts and checks each against the
// source's gapless decode, sample by sample.
void CheckSampleCuts(const GaplessCase& c, const fs::path& dir) {
    auto st = analysis_test::Analyse(c.fixture, false);
    const TimeBase tb = TimeBaseOf(*st);
    const std::vector<int16_t> source = GaplessPcm(Fixture(c.fixture));
    const int64_t ch = st->ChannelCount;
    std::vector<int64_t> bounds = {0};
    for (double t : c.cuts)
        bounds.push_back(NearestSampleAt(tb, t));
    bounds.push_back(tb.samples);
    std::vector<int16_t> joined;
    for (size_t k = 0; k + 1 < bounds.size(); ++k) {
        std::vector<uint8_t> bytes;
        GaplessPartReport rep;
        ASSERT_TRUE(BuildGaplessSampleRange(*st, bounds[k], bounds[k + 1], bytes, &rep))
            << c.fixture << " part " << k;
        EXPECT_LE(rep.delay, 4095);
        const std::string out = (dir / ("part" + std::to_string(k) + ".mp3")).string();
        analysis_test::WriteBytes(out, bytes);
        const std::vector<int16_t> part = GaplessPcm(out);
        ASSERT_EQ(static_cast<int64_t>(part.size()), (bounds[k + 1] - bounds[k]) * ch)
            << c.fixture << " part " << k;
        int worst = 0;
        for (size_t i = 0; i < part.size(); ++i)
            worst = std::max(worst, std::abs(int(part[i]) - int(source[bounds[k] * ch + i])));
        EXPECT_LE(worst, 1) << c.fixture << " part " << k;
        joined.insert(joined.end(), part.begin(), part.end());
    }
    ASSERT_EQ(joined.size(), source.size()) << c.fixture;
}

} // namespace

TEST(GaplessSampleCuts, PartsPlayExactlyTheSourceSamplesBetweenTheCuts) {
    TempDir dir;
    const std::vector<GaplessCase> cases = {{"cbr128_stereo.mp3", {0.3456, 1.25}},
                                            {"vbr_stereo.mp3", {0.3456, 1.25, 2.0001}},
                                            {"mpeg2_22k.mp3", {0.3456, 1.25}},
                                            {"mono.mp3", {0.0001, 1.9999}}};
    for (const GaplessCase& c : cases)
        CheckSampleCuts(c, dir.path);
}

TEST(GaplessSampleCuts, TheFrameHoldingTheCutGoesIntoBothParts) {
    auto st = analysis_test::Analyse("cbr128_stereo.mp3", false);
    const TimeBase tb = TimeBaseOf(*st);
    const int64_t cut = NearestSampleAt(tb, 1.0);
    const int64_t shared = FrameHoldingSample(tb, cut);
    std::vector<uint8_t> before, after;
    GaplessPartReport a, b;
    ASSERT_TRUE(BuildGaplessSampleRange(*st, 0, cut, before, &a));
    ASSERT_TRUE(BuildGaplessSampleRange(*st, cut, tb.samples, after, &b));
    // The first part ends with the shared frame, the second starts with it:
    // padding and delay trim what belongs to the other.
    const int64_t into = cut - FrameStartSample(tb, shared);
    EXPECT_EQ(a.padding, 1152 - into + kDecoderDelay);
    EXPECT_EQ(b.delay, into + (b.silentFrames + b.warmupFrames) * 1152 - kDecoderDelay);
    EXPECT_FALSE(BuildGaplessSampleRange(*st, cut, cut, after));
    EXPECT_FALSE(BuildGaplessSampleRange(*st, 0, tb.samples + 1, after));
}

namespace {

// A two-minute file made by LAME: `lameArgs` chooses CBR, VBR or MPEG-2.
std::string LameFile(const fs::path& dir, const std::string& name, const std::string& lameArgs) {
    const std::string wav = (dir / (name + ".wav")).string();
    const std::string mp3 = (dir / (name + ".mp3")).string();
    const auto r = RunCommand("sox -R -D -V1 -n -r 44100 -c 2 -b 16 " + Quote(wav) +
                              " synth 110 sine 300-900 sine 440-660 tremolo 3 60 && "
                              "lame --quiet --noreplaygain " +
                              lameArgs + " " + Quote(wav) + " " + Quote(mp3));
    return r.status == 0 ? mp3 : std::string();
}

// Checks the parts `split --gapless --at` wrote against the source's decode.
void CheckSplitParts(const std::string& source, const std::vector<std::string>& parts,
                     const std::vector<double>& at) {
    ProgramState st;
    ASSERT_TRUE(AnalyseFile(st, st, source, false).ok);
    const TimeBase tb = TimeBaseOf(st);
    const std::vector<int16_t> whole = GaplessPcm(source);
    const size_t ch = static_cast<size_t>(st.ChannelCount);
    ASSERT_EQ(parts.size(), at.size() + 1);
    size_t from = 0;
    for (size_t k = 0; k < parts.size(); ++k) {
        const std::vector<int16_t> pcm = GaplessPcm(parts[k]);
        if (k < at.size()) {
            EXPECT_EQ(from + pcm.size(), static_cast<size_t>(NearestSampleAt(tb, at[k])) * ch)
                << parts[k];
        }
        ASSERT_LE(from + pcm.size(), whole.size()) << parts[k];
        int worst = 0;
        for (size_t i = 0; i < pcm.size(); ++i)
            worst = std::max(worst, std::abs(int(pcm[i]) - int(whole[from + i])));
        EXPECT_LE(worst, 1) << parts[k];
        from += pcm.size();
    }
    EXPECT_EQ(from, whole.size()) << source; // the parts joined are the source
}

} // namespace

TEST(SampleCuts, SplitGaplessAtCutsEachPartAtItsSample) {
    if (foreign::Folder().empty())
        GTEST_SKIP() << "sox, lame and mpg123 are needed";
    TempDir dir;
    const std::vector<double> at = {12.346, 100.25};
    for (const auto& [name, args] : std::vector<std::pair<std::string, std::string>>{
             {"cbr", "-b 128"}, {"vbr", "-V 2"}, {"mpeg2", "--resample 22.05 -b 64"}}) {
        const std::string source = LameFile(dir.path, name, args);
        ASSERT_FALSE(source.empty()) << name;
        const fs::path out = dir.path / ("out_" + name);
        const cli_test::CliRun r = cli_test::RunCli(
            dir.path, {"split", source, "--gapless", "--at", "12.346,100.25", "-o", out.string()});
        ASSERT_EQ(r.status, 0) << r.err;
        CheckSplitParts(source, r.lines, at);
    }
}

TEST(SampleCuts, CutsPrintsTheCutLinesAsPlacedAndLabelsComeBackToTheSample) {
    if (foreign::Folder().empty())
        GTEST_SKIP() << "sox, lame and mpg123 are needed";
    TempDir dir;
    const std::string source = LameFile(dir.path, "cbr", "-b 128");
    ASSERT_FALSE(source.empty());
    const cli_test::CliRun r =
        cli_test::RunCli(dir.path, {"cuts", source, "--at", "12.346,100.25"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_GE(r.lines.size(), 3u);
    // 12.346 s is sample 544459 at 44.1 kHz: 12.346009 s.
    EXPECT_EQ(r.lines[0].substr(0, r.lines[0].find('\t', 9)), "0.000000\t12.346009");
    EXPECT_EQ(r.lines[1].substr(0, r.lines[1].find('\t', 10)), "12.346009\t100.250000");
    // Read back, the labels give the same cut lines.
    const std::string labels = (dir.path / "cuts.txt").string();
    analysis_test::WriteBytes(labels, std::vector<uint8_t>(r.out.begin(), r.out.end()));
    const cli_test::CliRun again = cli_test::RunCli(dir.path, {"cuts", source, "--labels", labels});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, r.out);
    // A cue sheet at 03:00:00 cuts at 180.000 s.
    const std::string cue = (dir.path / "c.cue").string();
    const std::string text = "FILE \"cbr.mp3\" MP3\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                             "  TRACK 02 AUDIO\n    INDEX 01 01:30:00\n";
    analysis_test::WriteBytes(cue, std::vector<uint8_t>(text.begin(), text.end()));
    const cli_test::CliRun fromCue = cli_test::RunCli(dir.path, {"cuts", source, "--cue", cue});
    ASSERT_EQ(fromCue.status, 0) << fromCue.err;
    ASSERT_GE(fromCue.lines.size(), 2u);
    EXPECT_EQ(fromCue.lines[1].substr(0, fromCue.lines[1].find('\t')), "90.000000");
}
