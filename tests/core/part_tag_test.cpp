// Part tags: the source's ID3v2 tag read through TagLib, inherited by every
// part less the frames about the whole file, written as ID3v2.3/2.4 and
// ID3v1; titles, the track rule, chapters and damaged source tags.
#include "core/output/part_tag.h"

#include "core/analysis/open_file.h"
#include "core/analysis/time_base.h"
#include "core/output/id3v1_tag.h"
#include "core/output/split_parts.h"
#include "core/parts/cut_lines.h"
#include "core/parts/prepare.h"
#include "foreign_files.h"
#include "part_file_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>

using namespace tessivo;
namespace fs = std::filesystem;

namespace {

const std::string kTitle = "Ünïcødé — 日本語の歌";
constexpr size_t kPictureSize = 4 + 400 * 1024 + 2;

std::unique_ptr<ProgramState> OpenPath(const std::string& path) {
    auto st = std::make_unique<ProgramState>();
    const OpenResult r = AnalyseFile(*st, *st, path, false);
    EXPECT_TRUE(r.ok) << path << ": " << r.message;
    if (!r.ok)
        return nullptr;
    ResetToOnePart(*st, *st);
    CopySourceTag(*st, *st);
    return st;
}

// The ID3v2 tag of a file as mutagen reads it: KEY=VALUE per frame id (the
// first frame's text; the picture's size for APIC), and VERSION.
std::map<std::string, std::string> MutagenTag(const std::string& path) {
    const std::string py =
        "import sys\n"
        "from mutagen.id3 import ID3\n"
        "t = ID3(sys.argv[1])\n"
        "print('VERSION=%d' % t.version[1])\n"
        "for k in sorted(set(f.FrameID for f in t.values())):\n"
        "    f = t.getall(k)[0]\n"
        "    v = len(f.data) if k == 'APIC' else (str(f.text[0]) if hasattr(f, 'text') and "
        "f.text else '')\n"
        "    print('%s=%s' % (k, v))\n";
    return analysis_test::PythonKeyValues(py, path);
}

Id3v1Record TailRecord(const std::string& path) {
    const std::vector<uint8_t> b = part_checks::ReadBytes(path);
    Id3v1Record r{};
    if (b.size() >= 128)
        std::copy(b.end() - 128, b.end(), r.begin());
    return r;
}

SplitResult SplitWith(ProgramState& st, const fs::path& dir, TagFormat format,
                      const PartTags* tags = nullptr) {
    st.OutputFolder = dir.string();
    st.IsSaveTags = true;
    SplitOptions options;
    options.format = format;
    options.tags = tags;
    return SplitParts(st, st, st, options);
}

class PartTagFiles : public ::testing::Test {
protected:
    void SetUp() override {
        if (foreign::Folder().empty())
            GTEST_SKIP() << "ffmpeg, lame, sox, mpg123, ffprobe, mp3val or mutagen missing";
    }
};

} // namespace

TEST(TagFormatText, TheFiveFormatsAndNothingElse) {
    const std::vector<std::pair<std::string, TagFormat>> all = {{"v1", TagFormat::V1},
                                                                {"v2.3", TagFormat::V23},
                                                                {"v2.4", TagFormat::V24},
                                                                {"v1+v2.3", TagFormat::V1V23},
                                                                {"v1+v2.4", TagFormat::V1V24}};
    for (const auto& [text, format] : all) {
        TagFormat parsed = TagFormat::V24;
        ASSERT_TRUE(ParseTagFormat(text, parsed)) << text;
        EXPECT_EQ(parsed, format);
        EXPECT_EQ(TagFormatText(parsed), text);
    }
    TagFormat f = TagFormat::V1;
    for (const char* bad : {"", "v2", "V1", "v1+v2.3 ", "v2.4+v1", "id3v1"})
        EXPECT_FALSE(ParseTagFormat(bad, f)) << bad;
    EXPECT_EQ(kDefaultTagFormat, TagFormat::V1V23);
    EXPECT_TRUE(WritesId3v1(TagFormat::V1V24));
    EXPECT_FALSE(WritesId3v1(TagFormat::V24));
    EXPECT_EQ(Id3v2Version(TagFormat::V1), 0);
    EXPECT_EQ(Id3v2Version(TagFormat::V1V23), 3);
    EXPECT_EQ(Id3v2Version(TagFormat::V24), 4);
}

TEST(PartTitle, PlaceholdersAreReplacedOnce) {
    SourceTag src;
    src.fields.title = "Song {n}";
    EXPECT_EQ(ExpandTitle("{title} – {name} {n}/{N}", src, "Live", 3, 12), "Song {n} – Live 03/12");
    EXPECT_EQ(ExpandTitle("{name} - part {n}", src, "{N}", 10, 11), "{N} - part 10");
    EXPECT_EQ(ExpandTitle("no placeholders", src, "x", 1, 1), "no placeholders");
}

TEST(PartTitle, Id3v1RecordIsLatin1CutToItsFields) {
    PartTagV2 t;
    t.title = "Ünïcødé — 日本語 and a title far longer than thirty";
    t.artist = "Ørkester";
    t.year = "2021-05-01";
    t.track = "7/12";
    t.genre = "Jazz";
    const Id3v1Record r = RenderId3v1(t);
    EXPECT_TRUE(IsTag(r));
    EXPECT_EQ(TagTitle(r), "Ünïcødé ? ??? and a title far "); // 30 characters
    EXPECT_EQ(TagArtist(r), "Ørkester");
    EXPECT_EQ(TagText(r, 93, 4), "2021");
    EXPECT_EQ(r[126], 7);
    EXPECT_EQ(r[127], GenreByte("Jazz"));
}

TEST(SourceTagRead, Id3v1OnlySourceGivesItsFields) {
    auto st = OpenPath(part_checks::Fixture("id3v1_track.mp3"));
    ASSERT_TRUE(st);
    const SourceTag src = ReadSourceTag(*st);
    EXPECT_FALSE(src.hasId3v2);
    EXPECT_TRUE(src.hasId3v1);
    EXPECT_FALSE(src.damaged);
    EXPECT_EQ(src.fields.title, TagTitle(st->Id3v1Buffer));
    EXPECT_EQ(src.fields.track, std::to_string(st->Id3v1Buffer[126]));
    EXPECT_TRUE(src.inherited.empty());
}

TEST_F(PartTagFiles, SourceTagWithPictureAndChaptersIsRead) {
    auto st = OpenPath(foreign::File("tagged.mp3"));
    ASSERT_TRUE(st);
    const SourceTag src = ReadSourceTag(*st);
    EXPECT_TRUE(src.hasId3v2);
    EXPECT_FALSE(src.damaged);
    EXPECT_EQ(src.fields.title, kTitle);
    EXPECT_EQ(src.fields.artist, "Ørkester Ελληνικά");
    EXPECT_EQ(src.fields.track, "3/12");
    EXPECT_EQ(src.fields.year, "2021");
    EXPECT_EQ(src.fields.genre, "Jazz");
    EXPECT_EQ(src.fields.comment, "a comment longer than thirty characters");
    EXPECT_EQ(src.picture.size(), kPictureSize);
    EXPECT_EQ(src.pictureMime, "image/jpeg");
    ASSERT_EQ(src.chapters.size(), 3u);
    EXPECT_EQ(src.chapters[1].startMs, 10000u);
    EXPECT_EQ(src.chapters[2].title, "Kapitel 3 — Ω");
}

TEST_F(PartTagFiles, PartsInheritTheTagLessWholeFileFrames) {
    for (TagFormat format : {TagFormat::V1V23, TagFormat::V24}) {
        SCOPED_TRACE(TagFormatText(format));
        auto st = OpenPath(foreign::File("tagged.mp3"));
        ASSERT_TRUE(st);
        PrepareEqualParts(*st, *st, 3);
        const fs::path dir = part_checks::FreshFolder("tessivo_tags");
        const SplitResult r = SplitWith(*st, dir, format);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.written.size(), 3u);
        for (const std::string& part : r.written) {
            auto tag = MutagenTag(part);
            EXPECT_EQ(tag["VERSION"], format == TagFormat::V24 ? "4" : "3");
            EXPECT_EQ(tag["TIT2"], kTitle);
            EXPECT_EQ(tag["TPE1"], "Ørkester Ελληνικά");
            EXPECT_EQ(tag["TALB"], "Album ñ");
            EXPECT_EQ(tag["TRCK"], "3/12"); // the source's track
            EXPECT_EQ(tag["APIC"], std::to_string(kPictureSize));
            for (const char* gone : {"TLEN", "CHAP", "CTOC", "MLLT", "SEEK", "ETCO", "SYTC"})
                EXPECT_EQ(tag.count(gone), 0u) << gone;
            EXPECT_EQ(IsTag(TailRecord(part)), format == TagFormat::V1V23);
        }
        if (format == TagFormat::V1V23) {
            EXPECT_EQ(TagTitle(TailRecord(r.written[0])), "Ünïcødé ? ?????");
        }
        fs::remove_all(dir);
    }
}

TEST_F(PartTagFiles, UnicodeTitleTemplateReadsBackUnchanged) {
    for (TagFormat format : {TagFormat::V23, TagFormat::V1V24}) {
        SCOPED_TRACE(TagFormatText(format));
        auto st = OpenPath(foreign::File("tagged.mp3"));
        ASSERT_TRUE(st);
        PrepareEqualParts(*st, *st, 2);
        const PartTags tags = MakePartTags(*st, ReadSourceTag(*st), {}, "{title} · Teil {n}/{N} ✓");
        const fs::path dir = part_checks::FreshFolder("tessivo_tags");
        const SplitResult r = SplitWith(*st, dir, format, &tags);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.written.size(), 2u);
        EXPECT_EQ(MutagenTag(r.written[0])["TIT2"], kTitle + " · Teil 01/2 ✓");
        EXPECT_EQ(MutagenTag(r.written[1])["TIT2"], kTitle + " · Teil 02/2 ✓");
        fs::remove_all(dir);
    }
}

TEST_F(PartTagFiles, SourceWithoutTitleOrTrackNumbersItsParts) {
    auto st = OpenPath(foreign::File("untracked.mp3"));
    ASSERT_TRUE(st);
    PrepareEqualParts(*st, *st, 3);
    st->Parts[1].ticked = false;
    const fs::path dir = part_checks::FreshFolder("tessivo_tags");
    const SplitResult r = SplitWith(*st, dir, TagFormat::V1V23);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.written.size(), 2u);
    for (int n = 1; n <= 2; ++n) {
        auto tag = MutagenTag(r.written[n - 1]);
        EXPECT_EQ(tag["TPE1"], "Somebody");
        EXPECT_EQ(tag["TRCK"], std::to_string(n) + "/2");
        EXPECT_EQ(tag["TIT2"], "untracked - part 0" + std::to_string(n));
        const Id3v1Record v1 = TailRecord(r.written[n - 1]);
        EXPECT_EQ(v1[126], n);
        EXPECT_EQ(TagArtist(v1), "Somebody");
    }
    fs::remove_all(dir);
}

TEST_F(PartTagFiles, ChapterCutsMatchTheChaptersAndTitleTheParts) {
    auto st = OpenPath(foreign::File("tagged.mp3"));
    ASSERT_TRUE(st);
    const SourceTag src = ReadSourceTag(*st);
    const std::vector<ChapterCut> cuts = ChapterCuts(*st, src.chapters);
    ASSERT_EQ(cuts.size(), 3u);
    EXPECT_EQ(cuts[0].frame, 0);
    ResetToOnePart(*st, *st);
    for (size_t k = 1; k < cuts.size(); ++k) {
        // The frame nearest the chapter's start in the audio players play.
        const double at = FrameSeconds(*st, cuts[k].frame) * 1000.0;
        EXPECT_NEAR(at, src.chapters[k].startMs, st->FrameDuration * 500.0);
        ASSERT_TRUE(AddCutLine(*st, *st, cuts[k].frame));
    }
    const PartTags tags = MakePartTags(*st, src, cuts);
    const fs::path dir = part_checks::FreshFolder("tessivo_tags");
    const SplitResult r = SplitWith(*st, dir, TagFormat::V1V24, &tags);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.written.size(), 3u);
    for (int n = 1; n <= 3; ++n) {
        const std::string& part = r.written[n - 1];
        EXPECT_EQ(MutagenTag(part)["TIT2"], "Kapitel " + std::to_string(n) + " — Ω");
        const double played = foreign::Mpg123Seconds(part, 44100, 2);
        EXPECT_NEAR(played, 10.0, st->FrameDuration * 1.001) << part;
    }
    fs::remove_all(dir);
}

// Damaged copies of the tagged source: the split goes on with what could be
// read and says the tag was damaged.
TEST_F(PartTagFiles, DamagedSourceTagsNeverStopTheSplit) {
    const std::vector<uint8_t> good = part_checks::ReadBytes(foreign::File("tagged.mp3"));
    const auto find = [&](const char* id) {
        return static_cast<size_t>(std::search(good.begin(), good.end(), id, id + 4) -
                                   good.begin());
    };
    std::map<std::string, std::vector<uint8_t>> damaged;
    // A frame size running past the tag: TagLib stops at that frame.
    damaged["wrong_size"] = good;
    damaged["wrong_size"][find("TPE1") + 4] = 0x7F;
    // The tag declares more bytes than it has: it runs into the audio.
    damaged["truncated"] = good;
    damaged["truncated"][7] = 0x7F;
    int split = 0;
    for (const auto& [what, bytes] : damaged) {
        SCOPED_TRACE(what);
        const fs::path dir = part_checks::FreshFolder("tessivo_badtag_" + what);
        const std::string path = (dir / (what + ".mp3")).string();
        {
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
        }
        auto st = std::make_unique<ProgramState>();
        if (!AnalyseFile(*st, *st, path, false).ok)
            continue; // a tag that hides the audio: the open itself refuses it
        ResetToOnePart(*st, *st);
        const SourceTag src = ReadSourceTag(*st);
        EXPECT_TRUE(src.damaged);
        if (what != "truncated") {
            EXPECT_EQ(src.fields.title, kTitle); // read before the damage
        }
        PrepareEqualParts(*st, *st, 2);
        const fs::path out = dir / "out";
        fs::create_directories(out);
        const SplitResult r = SplitWith(*st, out, TagFormat::V1V23);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_TRUE(r.tagDamaged);
        ASSERT_EQ(r.written.size(), 2u);
        for (const std::string& part : r.written)
            EXPECT_EQ(foreign::Mpg123Says(part), "") << part;
        ++split;
        fs::remove_all(dir);
    }
    EXPECT_GE(split, 1); // the frame damage leaves the audio readable
}
