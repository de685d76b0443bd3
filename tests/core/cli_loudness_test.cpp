// tessivo-cli split --replaygain and --gain on real files (LAME CBR and VBR,
// libshine, speech, a protected stream): the ReplayGain frames read back
// through mutagen and held against loudgain's own measure of the written
// parts; the gained parts decoded by mpg123 and compared with numpy against
// the plain parts scaled by 2^(steps/4); mpg123 -t and mp3val judge them.
#include "cli_test_support.h"
#include "part_file_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <regex>
#include <string>
#include <vector>

using namespace part_checks;
using analysis_test::Quote;
using analysis_test::RunCommand;
namespace fs = std::filesystem;

namespace {

bool HaveTools() {
    return RunCommand("command -v loudgain && command -v sox && command -v lame && command -v "
                      "ffmpeg && command -v mpg123 && command -v mp3val && /usr/bin/python3 -c "
                      "'import mutagen, numpy' >/dev/null 2>&1")
               .status == 0;
}

// The ReplayGain frames of a part file, as mutagen reads them.
std::map<std::string, std::string> ReplayGainOf(const std::string& path) {
    const std::string py =
        "import sys\n"
        "from mutagen.id3 import ID3\n"
        "t = ID3(sys.argv[1])\n"
        "for k in t.keys():\n"
        "    if k.startswith('TXXX:REPLAYGAIN'): print('%s=%s' % (k[5:], t[k]))\n";
    return analysis_test::PythonKeyValues(py, path);
}

// loudgain's track gains of `files` (in order) and its album gain, last;
// with `peaks`, its true peaks in the same order.
std::vector<double> LoudgainGains(const std::vector<std::string>& files,
                                  std::vector<double>* peaks = nullptr) {
    std::string cmd = "loudgain -q -a -O";
    for (const std::string& f : files)
        cmd += " " + Quote(f);
    const std::string out = RunCommand(cmd + " 2>/dev/null").out;
    std::vector<double> gains;
    for (const std::string& line : cli_test::Lines(out)) {
        std::vector<std::string> cells;
        std::stringstream in(line);
        for (std::string c; std::getline(in, c, '\t');)
            cells.push_back(c);
        if (cells.size() > 8 && cells[0] != "File") {
            gains.push_back(std::atof(cells[8].c_str()));
            if (peaks)
                peaks->push_back(std::atof(cells[3].c_str()));
        }
    }
    return gains;
}

// mp3val's warnings and errors about a file, less the note that it has no tags.
std::string Mp3valComplaints(const std::string& path) {
    return RunCommand("mp3val " + Quote(path) +
                      " 2>&1 | grep -E 'WARNING|ERROR' | grep -v 'No supported tags' || true")
        .out;
}

double Db(const std::string& text) {
    return std::atof(text.c_str());
}

// Largest difference between the samples mpg123 decodes from `gained` and
// those of `plain` times `scale`, over samples that clip in neither.
double LargestDeviation(const std::string& plain, const std::string& gained, double scale) {
    const std::string py =
        "import sys, subprocess, numpy as np\n"
        "def pcm(p):\n"
        "    r = subprocess.run(['mpg123', '-q', '-s', p], capture_output=True)\n"
        "    return np.frombuffer(r.stdout, dtype=np.int16).astype(float)\n"
        "a = pcm(sys.argv[1]); b = pcm(sys.argv[2])\n"
        "s = float(sys.argv[3])\n"
        "if len(a) != len(b): print('DEV=999'); sys.exit(0)\n"
        "keep = (np.abs(a * s) < 32767) & (np.abs(a) < 32767) & (np.abs(b) < 32767)\n"
        "print('DEV=%f' % np.abs(b[keep] - a[keep] * s).max())\n";
    const std::string out = RunCommand("/usr/bin/python3 -c " + Quote(py) + " " + Quote(plain) +
                                       " " + Quote(gained) + " " + std::to_string(scale))
                                .out;
    const size_t at = out.find("DEV=");
    return at == std::string::npos ? 999.0 : std::atof(out.c_str() + at + 4);
}

class CliLoudness : public cli_test::CliTest {
protected:
    void SetUp() override {
        cli_test::CliTest::SetUp();
        if (!HaveTools())
            GTEST_SKIP() << "loudgain, sox, lame, ffmpeg, mpg123, mp3val, mutagen or numpy missing";
    }
    // 20 s of two tones whose level swells and falls, encoded by `encode`
    // (a shell command reading in.wav and writing the file).
    std::string Music(const std::string& name, const std::string& encode) {
        const std::string wav = (dir_ / "in.wav").string();
        const std::string mp3 = (dir_ / name).string();
        EXPECT_EQ(RunCommand("sox -n -r 44100 -c 2 -b 16 " + Quote(wav) +
                             " synth 20 sine 220 sine 330 tremolo 0.5 60 vol 0.4")
                      .status,
                  0);
        EXPECT_EQ(
            RunCommand("cd " + Quote(dir_.string()) + " && " + encode + " " + Quote(mp3)).status,
            0);
        return mp3;
    }
    std::vector<std::string> Written(const cli_test::CliRun& r) {
        EXPECT_EQ(r.status, 0) << r.err;
        return r.lines;
    }
};

// `peaks`: the true peaks are held against loudgain's too. Its decoder
// (ffmpeg's) fills the first frames of a plain part, whose borrowed bytes
// are missing, otherwise than mpg123 does, so only where those frames are
// quiet or the part is gapless do the two agree.
void ExpectLikeLoudgain(const std::vector<std::string>& files, double within = 0.1,
                        bool comparePeaks = false) {
    std::vector<double> peaks;
    const std::vector<double> ref = LoudgainGains(files, &peaks);
    ASSERT_EQ(ref.size(), files.size() + 1);
    ASSERT_EQ(peaks.size(), ref.size());
    static const std::regex gain(R"(-?\d+\.\d\d dB)"), peak(R"(\d\.\d{6})");
    for (size_t k = 0; k < files.size(); ++k) {
        SCOPED_TRACE(files[k]);
        const auto rg = ReplayGainOf(files[k]);
        ASSERT_EQ(rg.size(), 4u);
        EXPECT_TRUE(std::regex_match(rg.at("REPLAYGAIN_TRACK_GAIN"), gain));
        EXPECT_TRUE(std::regex_match(rg.at("REPLAYGAIN_ALBUM_PEAK"), peak));
        EXPECT_NEAR(Db(rg.at("REPLAYGAIN_TRACK_GAIN")), ref[k], within);
        EXPECT_NEAR(Db(rg.at("REPLAYGAIN_ALBUM_GAIN")), ref.back(), within);
        if (comparePeaks) { // true peaks of the parts as they play
            EXPECT_NEAR(Db(rg.at("REPLAYGAIN_TRACK_PEAK")), peaks[k], 0.002);
            EXPECT_NEAR(Db(rg.at("REPLAYGAIN_ALBUM_PEAK")), peaks.back(), 0.002);
        }
    }
}

TEST_F(CliLoudness, ReplayGainOfLameCbrVbrAndShinePartsIsLoudgains) {
    for (const std::string& encode :
         {std::string("lame --quiet -b 128 --cbr in.wav"), std::string("lame --quiet -V 2 in.wav"),
          std::string("ffmpeg -v error -y -i in.wav -c:a libshine -b:a 128k")}) {
        SCOPED_TRACE(encode);
        const std::string src = Music("music.mp3", encode);
        const auto r = Split({src, "--parts", "3", "--tags", "--id3", "v2.4", "--replaygain",
                              "--overwrite", "-o", out_.string()});
        ExpectLikeLoudgain(Written(r));
    }
}

TEST_F(CliLoudness, ReplayGainOfSpeechPartsIsLoudgains) {
    const auto r = Split({Fixture("speech_32min.mp3"), "--parts", "4", "--tags", "--id3", "v2.3",
                          "--replaygain", "-o", out_.string()});
    ExpectLikeLoudgain(Written(r));
}

// Six-second parts of speech in 72 ms frames: the blocks' edges fall inside
// frames, and a plain part's first frames play without the bytes they borrow
// from the frames before it. Both are measured as written, to loudgain's
// hundredth (its rounding and ours may differ by one).
TEST_F(CliLoudness, ShortSpeechPartsAreMeasuredAsTheyPlay) {
    for (const char* gapless : {"--tags", "--gapless"}) {
        SCOPED_TRACE(gapless);
        const auto r = Split({Fixture("speech_32min.mp3"), "--at", "60,66,72,78,84", "--tags",
                              gapless, "--replaygain", "--overwrite", "-o", out_.string()});
        ExpectLikeLoudgain(Written(r), 0.011, true);
    }
}

TEST_F(CliLoudness, Id3v1AloneGetsNoReplayGainAndSaysSo) {
    const auto r = Split({Fixture("long65.mp3"), "--parts", "2", "--tags", "--id3", "v1",
                          "--replaygain", "-o", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("No ReplayGain tags: ID3v1 has no room for them"), std::string::npos)
        << r.err;
    for (const std::string& f : r.lines)
        EXPECT_FALSE(ReadBytes(f).size() > 3 && ReadBytes(f)[0] == 'I') << f;
    const auto bare = Split({Fixture("long65.mp3"), "--parts", "2", "--replaygain"});
    ExpectUsageError(bare, "split");
}

TEST_F(CliLoudness, GainScalesTheDecodedSamplesBySteps) {
    for (const char* name : {"crc.mp3", "vbr_stereo.mp3", "mpeg2_22k.mp3", "long65.mp3"}) {
        SCOPED_TRACE(name);
        const fs::path plain = out_ / "plain", gained = out_ / "gained";
        const auto a = Split({Fixture(name), "--parts", "2", "-o", plain.string()});
        const auto b =
            Split({Fixture(name), "--parts", "2", "--gain", "-3", "-o", gained.string()});
        ASSERT_EQ(a.status, 0) << a.err;
        ASSERT_EQ(b.status, 0) << b.err;
        EXPECT_NE(b.err.find("Gain \u22123.0 dB (2 steps)"), std::string::npos) << b.err;
        ASSERT_EQ(a.lines.size(), b.lines.size());
        for (size_t k = 0; k < a.lines.size(); ++k) {
            EXPECT_LE(LargestDeviation(a.lines[k], b.lines[k], std::pow(2.0, -0.5)), 1.0);
            EXPECT_EQ(Mpg123Frames(b.lines[k], false), Mpg123Frames(a.lines[k], false));
            EXPECT_GT(Mpg123Frames(b.lines[k], false), 0);
            EXPECT_EQ(Mp3valComplaints(b.lines[k]), "");
        }
    }
}

TEST_F(CliLoudness, GainWorksOnGaplessParts) {
    const fs::path plain = out_ / "plain", gained = out_ / "gained";
    const auto a =
        Split({Fixture("vbr_stereo.mp3"), "--parts", "2", "--gapless", "-o", plain.string()});
    const auto b = Split({Fixture("vbr_stereo.mp3"), "--parts", "2", "--gapless", "--gain", "4.4",
                          "-o", gained.string()});
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_NE(b.err.find("Gain +4.5 dB (3 steps)"), std::string::npos) << b.err;
    for (size_t k = 0; k < a.lines.size() && k < b.lines.size(); ++k) {
        // Raised samples carry the source's rounding times the gain: compared
        // the other way, lowered, they are within one step.
        EXPECT_LE(LargestDeviation(b.lines[k], a.lines[k], std::pow(2.0, -0.75)), 1.0);
        EXPECT_EQ(Mp3valComplaints(b.lines[k]), "");
    }
}

TEST_F(CliLoudness, AutoGainBringsThePartsNearTheReferenceAndTheTagsFollow) {
    const std::string src = Music("music.mp3", "lame --quiet -b 128 --cbr in.wav");
    const auto r = Split({src, "--parts", "2", "--tags", "--id3", "v2.4", "--replaygain", "--gain",
                          "auto", "-o", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Gain \u2212"), std::string::npos) << r.err; // the music is loud
    ExpectLikeLoudgain(r.lines);
    // Within half a step of -18 LUFS, as loudgain measures the album.
    const std::vector<double> ref = LoudgainGains(r.lines);
    ASSERT_FALSE(ref.empty());
    EXPECT_LE(std::abs(ref.back()), 0.76);
}

TEST_F(CliLoudness, AutoGainStopsBelowClipping) {
    // A quiet tone with one loud moment: -18 LUFS would need far more gain
    // than its peak allows.
    const std::string quiet = (dir_ / "quiet.wav").string(), loud = (dir_ / "loud.wav").string();
    const std::string wav = (dir_ / "both.wav").string();
    const std::string src = (dir_ / "quiet.mp3").string();
    const std::string sox = "sox -n -r 44100 -c 1 -b 16 ";
    ASSERT_EQ(RunCommand(sox + Quote(quiet) + " synth 20 sine 440 vol 0.02 && " + sox +
                         Quote(loud) + " synth 0.1 sine 440 vol 0.5 && sox " + Quote(quiet) + " " +
                         Quote(loud) + " " + Quote(wav))
                  .status,
              0);
    ASSERT_EQ(RunCommand("lame --quiet -b 64 " + Quote(wav) + " " + Quote(src)).status, 0);
    const auto r = Split({src, "--parts", "2", "--gain", "auto", "-o", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("would clip; limited to Gain"), std::string::npos) << r.err;
    const std::string py = "import sys, subprocess, numpy as np\n"
                           "r = subprocess.run(['mpg123', '-q', '-s', sys.argv[1]], "
                           "capture_output=True)\n"
                           "print('PEAK=%d' % np.abs(np.frombuffer(r.stdout, np.int16)).max())\n";
    const auto peak = analysis_test::PythonKeyValues(py, r.lines.at(0));
    ASSERT_TRUE(peak.count("PEAK"));
    EXPECT_LT(std::atoi(peak.at("PEAK").c_str()), 32767);
}

TEST_F(CliLoudness, GainWorksOnOneFileOutput) {
    const std::string plain = (out_ / "plain.mp3").string(),
                      gained = (out_ / "gained.mp3").string();
    for (const char* name : {"crc.mp3", "vbr_stereo.mp3"}) {
        SCOPED_TRACE(name);
        const auto a = Split(
            {Fixture(name), "--parts", "3", "--skip", "2", "--overwrite", "--one-file", plain});
        const auto b = Split({Fixture(name), "--parts", "3", "--skip", "2", "--gain", "-3",
                              "--overwrite", "--one-file", gained});
        ASSERT_EQ(a.status, 0) << a.err;
        ASSERT_EQ(b.status, 0) << b.err;
        EXPECT_NE(b.err.find("Gain \u22123.0 dB (2 steps)"), std::string::npos) << b.err;
        EXPECT_LE(LargestDeviation(plain, gained, std::pow(2.0, -0.5)), 1.0);
        EXPECT_EQ(Mp3valComplaints(gained), "");
    }
}

TEST_F(CliLoudness, TheOneFileGetsItsOwnReplayGainAndTheId3v1AskedFor) {
    const std::string music =
        Music("swell.mp3", "lame --quiet -b 160 --tt Swell --ta Tones in.wav");
    const std::string one = (out_ / "one.mp3").string();
    const auto r = Split({music, "--parts", "3", "--skip", "2", "--tags", "--replaygain", "--id3",
                          "v1+v2.4", "--gain", "auto", "--one-file", one});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find(" dB ("), std::string::npos) << r.err;
    // The file is its own track and album, measured after the gain.
    ExpectLikeLoudgain({one});
    const auto rg = ReplayGainOf(one);
    ASSERT_EQ(rg.size(), 4u);
    EXPECT_EQ(rg.at("REPLAYGAIN_TRACK_GAIN"), rg.at("REPLAYGAIN_ALBUM_GAIN"));
    // After the audio, the ID3v1 record of the source's fields.
    const std::vector<uint8_t> bytes = ReadBytes(one);
    ASSERT_GT(bytes.size(), 128u);
    const std::string v1(bytes.end() - 128, bytes.end());
    EXPECT_EQ(v1.substr(0, 3), "TAG");
    EXPECT_EQ(v1.substr(3, 5), "Swell");
    EXPECT_EQ(v1.substr(33, 5), "Tones");
    EXPECT_EQ(Mp3valComplaints(one), "");

    // Without them asked for, neither is written.
    const std::string bare = (out_ / "bare.mp3").string();
    const auto b = Split({music, "--parts", "3", "--skip", "2", "--one-file", bare});
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_TRUE(ReplayGainOf(bare).empty());
    const std::vector<uint8_t> plain = ReadBytes(bare);
    EXPECT_NE(std::string(plain.end() - 128, plain.end() - 125), "TAG");
}

TEST_F(CliLoudness, EveryFileOfABatchGetsTheGain) {
    const fs::path plain = out_ / "plain", gained = out_ / "gained";
    const std::vector<std::string> files = {Fixture("crc.mp3"), Fixture("vbr_stereo.mp3")};
    const auto a = Split({files[0], files[1], "--parts", "2", "-o", plain.string()});
    const auto b =
        Split({files[0], files[1], "--parts", "2", "--gain", "-3", "-o", gained.string()});
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    ASSERT_EQ(a.lines.size(), 4u);
    ASSERT_EQ(b.lines.size(), 4u);
    std::vector<std::string> before = a.lines, after = b.lines;
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    for (size_t k = 0; k < before.size(); ++k)
        EXPECT_LE(LargestDeviation(before[k], after[k], std::pow(2.0, -0.5)), 1.0) << k;
    // Each file tells its gain.
    EXPECT_NE(b.err.find("crc.mp3: Gain \u22123.0 dB (2 steps)"), std::string::npos) << b.err;
    EXPECT_NE(b.err.find("vbr_stereo.mp3: Gain \u22123.0 dB (2 steps)"), std::string::npos)
        << b.err;
}

} // namespace
