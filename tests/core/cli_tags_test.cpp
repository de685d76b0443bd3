// tessivo-cli split --tags with --id3 and --title, split and cuts at chapters,
// files that exist and --overwrite, a damaged source tag; the tags read back
// through mutagen.
#include "cli_test_support.h"
#include "foreign_files.h"
#include "part_file_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace part_checks;
namespace fs = std::filesystem;

namespace {

using cli_test::CliRun;

const std::string kTitle = "Ünïcødé — 日本語の歌";
constexpr double kFrame = 1152.0 / 44100.0; // the tagged source's frames

// What a part file carries, as mutagen reads it: VERSION (the ID3v2 minor
// version, "none" without an ID3v2 tag), V1 ("yes" when the file ends with an
// ID3v1 record) and the first text of TIT2, TPE1 and TRCK.
std::map<std::string, std::string> ReadBack(const std::string& path) {
    const std::string py = "import sys\n"
                           "from mutagen.id3 import ID3, ID3NoHeaderError\n"
                           "f = open(sys.argv[1], 'rb'); f.seek(-128, 2)\n"
                           "print('V1=' + ('yes' if f.read(3) == b'TAG' else 'no'))\n"
                           "try:\n"
                           "    t = ID3(sys.argv[1], load_v1=False)\n"
                           "except ID3NoHeaderError:\n"
                           "    print('VERSION=none'); sys.exit(0)\n"
                           "print('VERSION=%d' % t.version[1])\n"
                           "for k in ('TIT2', 'TPE1', 'TRCK'):\n"
                           "    if k in t: print('%s=%s' % (k, t[k].text[0]))\n";
    return analysis_test::PythonKeyValues(py, path);
}

class CliTags : public cli_test::CliTest {
protected:
    void SetUp() override {
        cli_test::CliTest::SetUp();
        if (foreign::Folder().empty())
            GTEST_SKIP() << "ffmpeg, lame, sox, mpg123, ffprobe, mp3val or mutagen missing";
    }

    static std::string Tagged() { return foreign::File("tagged.mp3"); }
};

} // namespace

TEST_F(CliTags, EachId3FormatReadsBackWithItsVersion) {
    struct Case {
        std::vector<std::string> option;
        std::string version, v1;
    };
    const std::vector<Case> cases = {
        {{"--id3", "v1"}, "none", "yes"},   {{"--id3", "v2.3"}, "3", "no"},
        {{"--id3", "v2.4"}, "4", "no"},     {{"--id3", "v1+v2.3"}, "3", "yes"},
        {{"--id3", "v1+v2.4"}, "4", "yes"}, {{}, "3", "yes"}}; // the default
    for (size_t k = 0; k < cases.size(); ++k) {
        const Case& c = cases[k];
        SCOPED_TRACE(c.option.empty() ? "default" : c.option[1]);
        const fs::path out = dir_ / ("f" + std::to_string(k));
        std::vector<std::string> args = {Tagged(), "--parts", "2", "--tags", "-o", out.string()};
        args.insert(args.end(), c.option.begin(), c.option.end());
        const CliRun r = Split(args);
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_EQ(r.lines.size(), 2u);
        for (size_t n = 1; n <= r.lines.size(); ++n) {
            auto tag = ReadBack(r.lines[n - 1]);
            EXPECT_EQ(tag["VERSION"], c.version) << r.lines[n - 1];
            EXPECT_EQ(tag["V1"], c.v1) << r.lines[n - 1];
            if (c.version == "none")
                continue;
            EXPECT_EQ(tag["TIT2"], kTitle);
            EXPECT_EQ(tag["TPE1"], "Ørkester Ελληνικά");
            EXPECT_EQ(tag["TRCK"], "3/12"); // the source's track
        }
    }
}

// --track-numbers numbers the written parts n/N over the source's track
// "3/12", counting only the parts written; ID3v1 gets n in its track byte;
// --one-file keeps the source's track.
TEST_F(CliTags, TrackNumbersCountThePartsWritten) {
    const CliRun all = Split(
        {Tagged(), "--parts", "4", "--tags", "--track-numbers", "-o", (dir_ / "all").string()});
    ASSERT_EQ(all.status, 0) << all.err;
    ASSERT_EQ(all.lines.size(), 4u);
    for (size_t n = 1; n <= 4; ++n) {
        EXPECT_EQ(ReadBack(all.lines[n - 1])["TRCK"], std::to_string(n) + "/4");
        const std::vector<uint8_t> b = ReadBytes(all.lines[n - 1]);
        ASSERT_GE(b.size(), 128u);
        EXPECT_EQ(b[b.size() - 3], 0); // an ID3v1.1 record with a track byte
        EXPECT_EQ(b[b.size() - 2], n);
    }
    const CliRun skipped =
        Split({Tagged(), "--parts", "4", "--skip", "2", "--tags", "--track-numbers", "--id3",
               "v2.4", "-o", (dir_ / "skipped").string()});
    ASSERT_EQ(skipped.status, 0) << skipped.err;
    ASSERT_EQ(skipped.lines.size(), 3u);
    for (size_t n = 1; n <= 3; ++n)
        EXPECT_EQ(ReadBack(skipped.lines[n - 1])["TRCK"], std::to_string(n) + "/3");

    const fs::path one = dir_ / "one.mp3";
    const CliRun whole =
        Split({Tagged(), "--parts", "4", "--tags", "--track-numbers", "--one-file", one.string()});
    ASSERT_EQ(whole.status, 0) << whole.err;
    EXPECT_EQ(ReadBack(one.string())["TRCK"], "3/12");

    const CliRun untagged = Split({Tagged(), "--parts", "4", "--track-numbers", "-o", out_});
    EXPECT_EQ(untagged.status, 2);
    EXPECT_NE(untagged.err.find("--track-numbers chooses the tags --tags writes; add --tags"),
              std::string::npos)
        << untagged.err;
}

TEST_F(CliTags, WithoutTagsNothingIsTagged) {
    const CliRun r = Split({Tagged(), "--parts", "2", "-o", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 2u);
    for (const std::string& part : r.lines) {
        auto tag = ReadBack(part);
        EXPECT_EQ(tag["VERSION"], "none") << part;
        EXPECT_EQ(tag["V1"], "no") << part;
    }
}

TEST_F(CliTags, UnicodeTitleTemplateReadsBackUnchanged) {
    const std::string titleTemplate = "{title} · {name} Teil {n}/{N} ✓";
    for (const char* format : {"v2.3", "v2.4"}) {
        SCOPED_TRACE(format);
        const fs::path out = dir_ / format;
        const CliRun r = Split({Tagged(), "--parts", "3", "--tags", "--id3", format, "--title",
                                titleTemplate, "-o", out.string()});
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_EQ(r.lines.size(), 3u);
        for (int n = 1; n <= 3; ++n)
            EXPECT_EQ(ReadBack(r.lines[n - 1])["TIT2"],
                      kTitle + " · tagged Teil 0" + std::to_string(n) + "/3 ✓");
    }
    // ID3v1 alone gets the title as Latin-1 text cut to 30 characters.
    const CliRun r = Split({Tagged(), "--parts", "2", "--tags", "--id3", "v1", "--title",
                            "Teil {n} von {N}", "-o", (dir_ / "v1").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 2u);
    const std::vector<uint8_t> b = ReadBytes(r.lines[1]);
    ASSERT_GE(b.size(), 128u);
    EXPECT_EQ(std::string(b.end() - 125, b.end() - 125 + 12), "Teil 02 von ");
}

TEST_F(CliTags, ChaptersCutThePartsAndTitleThem) {
    const CliRun r = Split({Tagged(), "--chapters", "--tags", "-o", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 3u);
    for (int n = 1; n <= 3; ++n) {
        const std::string& part = r.lines[n - 1];
        EXPECT_EQ(ReadBack(part)["TIT2"], "Kapitel " + std::to_string(n) + " — Ω");
        // The chapters are 10 s each.
        EXPECT_NEAR(foreign::Mpg123Seconds(part, 44100, 2), 10.0, kFrame * 1.001) << part;
    }
    // cuts prints the same cuts with the chapters' titles.
    const CliRun cuts = Cli({"cuts", Tagged(), "--chapters"});
    ASSERT_EQ(cuts.status, 0) << cuts.err;
    ASSERT_EQ(cuts.lines.size(), 3u);
    for (int n = 1; n <= 3; ++n) {
        const std::string& line = cuts.lines[n - 1];
        EXPECT_EQ(line.substr(line.rfind('\t') + 1), "Kapitel " + std::to_string(n) + " — Ω");
        // Cut list times count the source's Info frame as the first frame.
        const double start = std::atof(line.c_str());
        EXPECT_NEAR(start, 10.0 * (n - 1), 2 * kFrame) << line;
    }
}

TEST_F(CliTags, AFileWithoutChaptersIsAUsageError) {
    CliRun r = Split({Fixture("cbr128_stereo.mp3"), "--chapters", "-o", out_.string()});
    ExpectUsageError(r, "split");
    EXPECT_NE(r.err.find("no chapters"), std::string::npos) << r.err;
    EXPECT_TRUE(Listing(out_).empty());
    r = Cli({"cuts", Fixture("cbr128_stereo.mp3"), "--chapters"});
    ExpectUsageError(r, "cuts");
    EXPECT_NE(r.err.find("no chapters"), std::string::npos) << r.err;
    // --chapters is one more way of cutting: not beside another.
    ExpectUsageError(Split({Tagged(), "--chapters", "--parts", "2", "-o", out_.string()}), "split");
}

TEST_F(CliTags, ExistingFilesAreReplacedOnlyWithOverwrite) {
    const std::string f = Fixture("long65.mp3");
    CliRun r = Split({f, "--parts", "2", "-o", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::vector<uint8_t>> before = Contents(out_);
    ASSERT_EQ(before.size(), 2u);

    r = Split({f, "--parts", "3", "-o", out_.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "File exists: " + (out_ / "long65-01.mp3").string() +
                         " (use --overwrite to replace it)\n");
    EXPECT_EQ(Contents(out_), before); // nothing written, not even part 3
    EXPECT_EQ(Listing(out_).size(), 2u);

    r = Split({f, "--parts", "3", "--overwrite", "-o", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 3u);
    const std::vector<std::vector<uint8_t>> after = Contents(out_);
    ASSERT_EQ(after.size(), 3u);
    EXPECT_LT(after[0].size(), before[0].size()); // a third of the file, not a half
    if (HaveMpg123()) {
        const int total =
            Mpg123Frames(r.lines[0]) + Mpg123Frames(r.lines[1]) + Mpg123Frames(r.lines[2]);
        EXPECT_NEAR(Mpg123Frames(r.lines[0]) * 3.0, total, 3.0);
    }
}

TEST_F(CliTags, BadId3AndTitleUsesAreUsageErrors) {
    const std::string f = Tagged();
    for (const char* bad : {"v2", "V1", "v1+v2.2", "id3v2.3", ""}) {
        SCOPED_TRACE(bad);
        const CliRun r = Split({f, "--parts", "2", "--tags", "--id3", bad, "-o", out_.string()});
        ExpectUsageError(r, "split");
        EXPECT_NE(r.err.find("--id3"), std::string::npos) << r.err;
    }
    ExpectUsageError(Split({f, "--parts", "2", "--tags", "--id3", "-o", out_.string()}), "split");
    // They choose what --tags writes: alone they are a mistake.
    ExpectUsageError(Split({f, "--parts", "2", "--id3", "v2.4", "-o", out_.string()}), "split");
    ExpectUsageError(Split({f, "--parts", "2", "--title", "{n}", "-o", out_.string()}), "split");
    ExpectUsageError(Split({f, "--parts", "2", "--tags", "--title", "", "-o", out_.string()}),
                     "split");
    EXPECT_TRUE(Listing(out_).empty());
}

TEST_F(CliTags, ADamagedSourceTagIsAWarningAndTheSplitGoesOn) {
    std::vector<uint8_t> bytes = ReadBytes(Tagged());
    const char* id = "TPE1";
    const size_t at =
        static_cast<size_t>(std::search(bytes.begin(), bytes.end(), id, id + 4) - bytes.begin());
    ASSERT_LT(at + 4, bytes.size());
    bytes[at + 4] = 0x7F; // a frame size running past the tag
    const std::string damaged = (dir_ / "damaged.mp3").string();
    std::ofstream(damaged, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));

    CliRun r = Split({damaged, "--parts", "2", "--tags", "-o", out_.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.err, "tessivo-cli split: warning: The source's tag could be read only in part; "
                     "the parts carry what could be read\n");
    EXPECT_EQ(ReadBack(r.lines[0])["TIT2"], kTitle); // read before the damage
    r = Split({damaged, "--parts", "2", "--tags", "--quiet", "-o", (dir_ / "q").string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(Listing(dir_ / "q").size(), 2u);
}
