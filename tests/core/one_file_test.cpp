// Pieces written as one file (split --one-file, join), checked with mpg123,
// mp3val and mutagen on files of several encoders: the joins decode to the
// source's samples, the one Info frame and the chapters tell the truth, and
// files that cannot be joined write nothing.
#include "cli_test_support.h"
#include "core/analysis/time_base.h"
#include "core/output/one_file.h"
#include "foreign_files.h"
#include "mp3/info_frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

using analysis_test::Mpg123Pcm;
using cli_test::CliRun;
using cli_test::CliTest;
namespace mp3 = tessivo::mp3;

// What mutagen reads: the length and, per chapter, "start end title".
std::vector<std::string> MutagenChapters(const std::string& path) {
    const std::string script =
        "import sys, mutagen.mp3\n"
        "m = mutagen.mp3.MP3(sys.argv[1])\n"
        "for k, v in sorted(m.tags.items() if m.tags else []):\n"
        "    if k.startswith('CHAP'):\n"
        "        print(v.start_time, v.end_time, v.sub_frames['TIT2'].text[0])\n"
        "    if k.startswith('CTOC'):\n"
        "        print('toc', int(v.flags), ' '.join(v.child_element_ids))\n";
    return cli_test::Lines(analysis_test::RunCommand("/usr/bin/python3 -c " +
                                                     analysis_test::Quote(script) + " " +
                                                     analysis_test::Quote(path) + " 2>&1")
                               .out);
}

// A piece of a source in the frame numbers of its analysis (the source's
// Info frame counted, as mpg123 --no-infoframe decodes it).
struct Piece {
    std::string path;
    int32_t first = 0, last = 0;
};

struct Layout {
    int samplesPerFrame = 0;
    int channels = 0;
    int rate = 0;
};

Layout LayoutOf(const std::string& path) {
    tessivo::ProgramState st;
    tessivo::AnalyseFile(st, st, path, false);
    return {st.SamplesPerFrame, st.ChannelCount, static_cast<int>(st.SampleRate)};
}

bool StartsWithInfoFrame(const std::string& path) {
    tessivo::ProgramState st;
    tessivo::AnalyseFile(st, st, path, false);
    return analysis_test::HasInfoTag(st.FileBuffer, st.FramePos[0]);
}

// Largest difference between the output's samples and the pieces' from two
// frames after each join to one frame before the next; -1 when a stretch
// is missing.
int LargestDifference(const std::string& out, const std::vector<Piece>& pieces) {
    const Layout l = LayoutOf(out);
    const std::vector<int16_t> o = Mpg123Pcm(out);
    const size_t frame = static_cast<size_t>(l.samplesPerFrame * l.channels);
    size_t at = 1; // the output's Info frame
    int worst = 0;
    for (const Piece& p : pieces) {
        const std::vector<int16_t> s = Mpg123Pcm(p.path);
        const int32_t first = std::max<int32_t>(p.first, StartsWithInfoFrame(p.path) ? 1 : 0);
        const size_t n = static_cast<size_t>(p.last - first + 1);
        const size_t from = (at + 2) * frame, to = (at + n - 1) * frame;
        const size_t src = (static_cast<size_t>(first) + 2) * frame;
        if (to > o.size() || src + (to - from) > s.size() || to <= from)
            return -1;
        for (size_t i = 0; i < to - from; ++i)
            worst = std::max(worst, std::abs(int(o[from + i]) - int(s[src + i])));
        at += n;
    }
    return worst;
}

// Frames round(t / frame duration), as the command line places --at cuts.
// `seconds` as --at takes it: at most three decimals.
std::string Millis(double seconds) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", seconds);
    return buf;
}

std::vector<int32_t> CutFrames(const std::string& path, const std::vector<double>& seconds) {
    tessivo::ProgramState st;
    tessivo::AnalyseFile(st, st, path, false);
    std::vector<int32_t> frames;
    for (double t : seconds)
        frames.push_back(static_cast<int32_t>(tessivo::NearestFrameToSample(
            tessivo::TimeBaseOf(st), tessivo::NearestSampleAt(tessivo::TimeBaseOf(st), t))));
    frames.push_back(st.IndexedFrames);
    return frames;
}

void ExpectCleanAndTrue(const std::string& out, double seconds) {
    EXPECT_EQ(foreign::Mpg123Says(out), "");
    EXPECT_EQ(foreign::Mp3valSays(out), "");
    const Layout l = LayoutOf(out);
    const double frame = double(l.samplesPerFrame) / l.rate;
    const double plays = foreign::Mpg123Seconds(out, l.rate, l.channels);
    EXPECT_NEAR(foreign::MutagenSeconds(out), plays, frame) << out;
    EXPECT_NEAR(foreign::MutagenSeconds(out), seconds, frame) << out;
}

class OneFileTest : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        if (foreign::Folder().empty())
            GTEST_SKIP() << "ffmpeg, lame, sox, mpg123, mp3val or mutagen missing";
    }

    // split --at at a sixth, half and five sixths of the file (to the
    // millisecond), parts 2 and 4 skipped: parts 1 and 3 in one file, without
    // the seam fades, so every sample is the source's.
    void CheckSplitOneFile(const std::string& source, double length) {
        std::vector<double> at = {length / 6, length / 2, length * 5 / 6};
        for (double& t : at)
            t = std::round(t * 1000.0) / 1000.0;
        const std::string out =
            (dir_ / ("one-" + std::filesystem::path(source).filename().string())).string();
        const CliRun r =
            Split({source, "--at", Millis(at[0]) + "," + Millis(at[1]) + "," + Millis(at[2]),
                   "--skip", "2,4", "--one-file", out, "--no-fade"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.lines, std::vector<std::string>{out});
        const std::vector<int32_t> cut = CutFrames(source, at);
        const std::vector<Piece> pieces = {{source, 0, cut[0] - 1}, {source, cut[1], cut[2] - 1}};
        EXPECT_LE(LargestDifference(out, pieces), 1) << source;
        EXPECT_GE(LargestDifference(out, pieces), 0) << source;
        const Layout l = LayoutOf(source);
        const int infoFrames = StartsWithInfoFrame(source) ? 1 : 0;
        const double frames = (cut[0] - infoFrames) + (cut[2] - cut[1]);
        ExpectCleanAndTrue(out, frames * l.samplesPerFrame / l.rate);
        const std::vector<std::string> chapters = MutagenChapters(out);
        ASSERT_EQ(chapters.size(), 3u) << source;
        EXPECT_EQ(chapters[2], "toc 3 chp1 chp2");
    }
};

TEST_F(OneFileTest, SplitPartsAsOneFileDecodeAsTheSource) {
    for (const char* name :
         {"untracked.mp3", "tagged.mp3", "vbr_noxing.mp3", "shine_info.mp3", "shine_plain.mp3"})
        CheckSplitOneFile(foreign::File(name), 30.0);
}

TEST_F(OneFileTest, SplitPartsOfMpeg2And25Files) {
    CheckSplitOneFile(part_checks::Fixture("mpeg2_22k.mp3"), 2.0);
    CheckSplitOneFile(part_checks::Fixture("speech_pauses.mp3"), 18.0);
    // MPEG-2.5: an 8 kHz tone through LAME.
    const std::string wav = (dir_ / "tone8k.wav").string(), m25 = (dir_ / "mpeg25.mp3").string();
    ASSERT_EQ(analysis_test::RunCommand("sox -R -D -V1 -n -r 8000 -c 1 -b 16 " +
                                        analysis_test::Quote(wav) +
                                        " synth 30 sine 300-900 sine 440-660 tremolo 3 60 && "
                                        "lame --quiet --noreplaygain -b 16 " +
                                        analysis_test::Quote(wav) + " " + analysis_test::Quote(m25))
                  .status,
              0);
    CheckSplitOneFile(m25, 30.0);
}

TEST_F(OneFileTest, ChaptersStartAndEndWithTheirPiecesAndCarryTitles) {
    const std::string source = foreign::File("tagged.mp3");
    const std::string out = (dir_ / "chapters.mp3").string();
    ASSERT_EQ(Split({source, "--at", "10", "--one-file", out}).status, 0);
    const std::vector<int32_t> cut = CutFrames(source, {10.0});
    const Layout l = LayoutOf(source);
    const double frameMs = 1000.0 * l.samplesPerFrame / l.rate;
    const std::vector<std::string> chapters = MutagenChapters(out);
    ASSERT_EQ(chapters.size(), 3u);
    int start = 0, end = 0;
    char title[200] = {};
    ASSERT_EQ(std::sscanf(chapters[1].c_str(), "%d %d %199[^\n]", &start, &end, title), 3);
    EXPECT_NEAR(start, (cut[0] - 1) * frameMs, frameMs); // the source's Info frame left out
    EXPECT_NEAR(end, (cut[1] - 1) * frameMs, frameMs);
    // Played times: the joined file keeps the source's delay, so the second
    // piece starts where the cut lies in the source, within half a frame of 10 s.
    EXPECT_NEAR(start, 10000.0, frameMs / 2 + 1);
    // Parts cut by time carry the source's title.
    const std::string sourceTitle =
        analysis_test::RunCommand("/usr/bin/python3 -c 'import sys, mutagen.mp3; "
                                  "print(mutagen.mp3.MP3(sys.argv[1])[\"TIT2\"].text[0])' " +
                                  analysis_test::Quote(source))
            .out;
    EXPECT_EQ(std::string(title) + "\n", sourceTitle);
    EXPECT_EQ(chapters[2], "toc 3 chp1 chp2");
}

TEST_F(OneFileTest, NoChaptersWritesNone) {
    const std::string out = (dir_ / "plain.mp3").string();
    ASSERT_EQ(
        Split({foreign::File("untracked.mp3"), "--at", "10", "--one-file", out, "--no-chapters"})
            .status,
        0);
    EXPECT_TRUE(MutagenChapters(out).empty());
    ExpectCleanAndTrue(out, foreign::MutagenSeconds(foreign::File("untracked.mp3")));
}

TEST_F(OneFileTest, JoinOfThreeFilesKeepsEverySample) {
    const std::vector<std::string> in = {foreign::File("untracked.mp3"),
                                         foreign::File("tagged.mp3"),
                                         foreign::File("shine_plain.mp3")};
    const std::string out = (dir_ / "joined.mp3").string();
    const CliRun r = Cli({"join", in[0], in[1], in[2], "-o", out, "--no-fade"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<Piece> pieces;
    double frames = 0;
    for (const std::string& path : in) {
        tessivo::ProgramState st;
        tessivo::AnalyseFile(st, st, path, false);
        pieces.push_back({path, 0, st.IndexedFrames - 1});
        frames += st.IndexedFrames - (StartsWithInfoFrame(path) ? 1 : 0);
    }
    EXPECT_LE(LargestDifference(out, pieces), 1);
    EXPECT_GE(LargestDifference(out, pieces), 0);
    ExpectCleanAndTrue(out, frames * 1152 / 44100);
    const std::vector<std::string> chapters = MutagenChapters(out);
    ASSERT_EQ(chapters.size(), 4u);
    // Titles: the first file has none (its name), the second its own title.
    EXPECT_NE(chapters[0].find(" untracked"), std::string::npos) << chapters[0];
    EXPECT_NE(chapters[2].find(" shine_plain"), std::string::npos) << chapters[2];
    EXPECT_EQ(chapters[3], "toc 3 chp1 chp2 chp3");
}

TEST_F(OneFileTest, JoinRefusesAnotherRateOrChannelCountAndWritesNothing) {
    const std::string first = part_checks::Fixture("cbr128_stereo.mp3");
    const std::string other = part_checks::Fixture("mpeg2_22k.mp3");
    CliRun r = Cli({"join", first, other, "-o", "out.mp3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot join " + other + ": 22050 Hz, the first file has 44100 Hz\n");
    const std::string mono = part_checks::Fixture("mono.mp3");
    r = Cli({"join", first, mono, "-o", "out.mp3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot join " + mono + ": 1 channel, the first file has 2 channels\n");
    EXPECT_EQ(part_checks::Listing(dir_), std::vector<std::string>{"out"});
}

TEST_F(OneFileTest, JoinNeedsTwoFilesAndAnOutput) {
    const std::string f = part_checks::Fixture("cbr128_stereo.mp3");
    ExpectUsageError(Cli({"join", f, "-o", "x.mp3"}), "join");
    ExpectUsageError(Cli({"join", f, f}), "join");
    ExpectUsageError(Split({f, "--parts", "2", "--no-chapters"}), "split");
    EXPECT_EQ(part_checks::Listing(dir_), std::vector<std::string>{"out"});
}

TEST_F(OneFileTest, ExistingFileIsReplacedOnlyWithOverwrite) {
    const std::string source = part_checks::Fixture("vbr_stereo.mp3");
    part_checks::WriteText((dir_ / "one.mp3").string(), "keep");
    CliRun r = Split({source, "--parts", "2", "--one-file", "one.mp3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("File exists: one.mp3"), std::string::npos) << r.err;
    EXPECT_EQ(cli_test::ReadText(dir_ / "one.mp3"), "keep");
    r = Split({source, "--parts", "2", "--one-file", "one.mp3", "--overwrite"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(foreign::Mpg123Says((dir_ / "one.mp3").string()), "");
    EXPECT_EQ(part_checks::Listing(dir_), (std::vector<std::string>{"one.mp3", "out"}));
}

TEST_F(OneFileTest, SkipNamesPartsThatExist) {
    const std::string source = part_checks::Fixture("vbr_stereo.mp3");
    ExpectUsageError(Split({source, "--parts", "3", "--skip", "4", "--one-file", "x.mp3"}),
                     "split");
    ExpectUsageError(Split({source, "--parts", "3", "--skip", "two"}), "split");
    const CliRun r = Cli({"cuts", source, "--parts", "3", "--skip", "2", "--format", "csv"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines.size(), 2u) << r.out; // parts 1 and 3
}

// The one Info frame: frame count, byte count, the first piece's delay and
// the last piece's padding under a tag named "LAME".
TEST(OneFileAudio, InfoFrameCountsThePiecesAndKeepsDelayAndPadding) {
    tessivo::ProgramState st;
    ASSERT_TRUE(tessivo::AnalyseFile(st, st, part_checks::Fixture("vbr_stereo.mp3"), false).ok);
    const mp3::SourceInfoTag source =
        mp3::ReadInfoTag(st.FileBuffer.data() + st.FramePos[0], st.FileBuffer.size());
    ASSERT_TRUE(source.hasLame);
    const int32_t last = st.IndexedFrames - 1;
    const std::vector<tessivo::FilePiece> pieces = {{&st, 0, 40, "a", "v"},
                                                    {&st, 80, last, "b", "v"}};
    const tessivo::OneFileAudio audio = tessivo::BuildOneFileAudio(pieces);
    const mp3::SourceInfoTag info = mp3::ReadInfoTag(audio.bytes.data(), audio.bytes.size());
    ASSERT_TRUE(info.hasLame);
    EXPECT_EQ(std::string(info.lame.begin(), info.lame.begin() + 4), "LAME");
    EXPECT_EQ(info.delay, source.delay);
    EXPECT_EQ(info.padding, source.padding);
    const uint8_t* x = audio.bytes.data() + 4 + 32;
    const auto be32 = [](const uint8_t* p) {
        return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    };
    EXPECT_EQ(be32(x + 8), uint32_t(40 + (last - 80 + 1))); // frame 0 is the source's Info frame
    EXPECT_EQ(be32(x + 12), audio.bytes.size());
    // A first piece from within the source has no delay of its own.
    const std::vector<tessivo::FilePiece> inner = {{&st, 10, last, "c", "v"}};
    const tessivo::OneFileAudio later = tessivo::BuildOneFileAudio(inner);
    EXPECT_EQ(mp3::ReadInfoTag(later.bytes.data(), later.bytes.size()).delay, 0);
}

} // namespace

namespace {

// A file cut at a frame boundary by a tool that ignores the bit reservoir:
// its first frames point back at bytes it does not hold. Joined, they are
// written silent with a warning, and the file decodes cleanly.
TEST_F(OneFileTest, InputCutWithoutItsReservoirStartsWithSilentFrames) {
    const std::string whole = foreign::File("untracked.mp3");
    tessivo::ProgramState st;
    ASSERT_TRUE(tessivo::AnalyseFile(st, st, whole, false).ok);
    const size_t from = static_cast<size_t>(st.FramePos[500]);
    tessivo::mp3::Layer3Header h;
    ASSERT_TRUE(tessivo::mp3::ParseLayer3Header(st.FileBuffer.data() + from, 4, h));
    ASSERT_GT(tessivo::mp3::MainDataBegin(st.FileBuffer.data() + from, h), 0);
    const std::string cut = (dir_ / "cut.mp3").string();
    analysis_test::WriteBytes(cut, std::vector<uint8_t>(st.FileBuffer.begin() + from,
                                                        st.FileBuffer.begin() + st.FileSize));
    const std::string out = (dir_ / "joined.mp3").string();
    const CliRun r = Cli({"join", whole, cut, "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("tessivo-cli join: warning: " + cut + ": "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("written as silence"), std::string::npos) << r.err;
    EXPECT_EQ(foreign::Mpg123Says(out), "");
    EXPECT_EQ(foreign::Mp3valSays(out), "");
}

} // namespace
