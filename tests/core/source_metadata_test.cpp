// What the source's tags give the parts, on files tagged by mutagen: the
// ID3v1 genre byte, a file with both tags (ID3v1 filling what ID3v2 lacks),
// pictures of any format byte for byte, the file tag the window and the
// command line share, and the cut list titles in Unicode.
#include "core/analysis/open_file.h"
#include "core/cutlist/apply_cut_list.h"
#include "core/document/document.h"
#include "core/output/id3v1_tag.h"
#include "core/output/part_tag.h"
#include "core/output/split_parts.h"
#include "core/parts/part_access.h"
#include "core/parts/prepare.h"
#include "foreign_files.h"
#include "part_file_checks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace tessivo;
namespace fs = std::filesystem;
using analysis_test::PythonKeyValues;
using analysis_test::Quote;
using analysis_test::RunCommand;

namespace {

// Runs a mutagen script with the file as argv[1]; true when it succeeded.
bool Tag(const std::string& path, const std::string& script) {
    const std::string py =
        "import sys\nfrom mutagen.id3 import ID3, TIT2, TCON, APIC\np = sys.argv[1]\n" + script;
    return RunCommand("/usr/bin/python3 -c " + Quote(py) + " " + Quote(path) + " 2>&1").status == 0;
}

// Appends a 128-byte ID3v1 record with these fields (track 0: a 30-byte
// comment) to the file.
std::string AppendId3v1(const std::string& title, const std::string& artist,
                        const std::string& album, const std::string& year,
                        const std::string& comment, int track, int genre) {
    return "import struct\n"
           "f = lambda s, n: s.encode('latin-1').ljust(n, b'\\0')[:n]\n"
           "rec = b'TAG' + f('" +
           title + "', 30) + f('" + artist + "', 30) + f('" + album + "', 30) + f('" + year +
           "', 4)\n"
           "rec += f('" +
           comment + "', 28) + bytes([0, " + std::to_string(track) + ", " + std::to_string(genre) +
           "])\n"
           "open(p, 'ab').write(rec)\n";
}

// The ID3v2 frames of a part as mutagen reads them (APIC: its bytes in hex).
std::map<std::string, std::string> Frames(const std::string& path) {
    return PythonKeyValues(
        "import sys\nfrom mutagen.id3 import ID3\nt = ID3(sys.argv[1])\n"
        "for k in sorted(set(f.FrameID for f in t.values())):\n"
        "    f = t.getall(k)[0]\n"
        "    v = f.data.hex() if k == 'APIC' else (str(f.text[0]) if getattr(f, 'text', None) "
        "else '')\n"
        "    print('%s=%s' % (k, v))\n",
        path);
}

class SourceMetadata : public ::testing::Test {
protected:
    void SetUp() override {
        if (foreign::Folder().empty())
            GTEST_SKIP() << "ffmpeg, lame, sox, mpg123, ffprobe, mp3val or mutagen missing";
        dir_ = part_checks::FreshFolder("tessivo_source_meta");
    }
    void TearDown() override {
        if (!dir_.empty())
            fs::remove_all(dir_);
    }

    // A copy of the untagged LAME file, tagged by `script`.
    std::string Made(const std::string& name, const std::string& script) {
        const std::string path = (dir_ / name).string();
        fs::copy_file(foreign::File("vbr_noxing.mp3"), path);
        EXPECT_TRUE(Tag(path, script)) << name;
        return path;
    }

    // Splits `path` in three with tessivo-cli in `format`; the parts' paths.
    std::vector<std::string> SplitAsCli(const std::string& path, TagFormat format) {
        const fs::path out = dir_ / ("out_" + std::to_string(++runs_));
        const auto r = RunCommand(std::string(TESSIVO_CLI) + " split " + Quote(path) +
                                  " --parts 3 --tags --quiet --id3 " + TagFormatText(format) +
                                  " -o " + Quote(out.string()) + " 2>&1");
        EXPECT_EQ(r.status, 0) << r.out;
        std::vector<std::string> parts;
        for (const std::string& name : part_checks::Listing(out))
            parts.push_back((out / name).string());
        EXPECT_EQ(parts.size(), 3u);
        return parts;
    }

    fs::path dir_;
    int runs_ = 0;
};

Id3v1Record Tail(const std::string& path) {
    const std::vector<uint8_t> b = part_checks::ReadBytes(path);
    Id3v1Record r{};
    std::copy(b.end() - 128, b.end(), r.begin());
    return r;
}

} // namespace

TEST_F(SourceMetadata, Id3v1GenreReachesEveryPartInEveryFormat) {
    // mutagen writes TCON "Psychedelic" and the ID3v1 record byte 67 from it.
    const std::string path =
        Made("genre.mp3", "t = ID3()\nt.add(TIT2(encoding=3, text='Trip'))\n"
                          "t.add(TCON(encoding=3, text='Psychedelic'))\nt.save(p, v1=2)\n");
    ASSERT_EQ(part_checks::ReadBytes(path).back(), 67);
    for (TagFormat f : {TagFormat::V1, TagFormat::V1V23, TagFormat::V1V24}) {
        SCOPED_TRACE(TagFormatText(f));
        for (const std::string& part : SplitAsCli(path, f))
            EXPECT_EQ(Tail(part)[127], 67) << part;
    }
}

TEST_F(SourceMetadata, Id3v1OnlySourceGivesItsRecordByteForByte) {
    const std::string path = Made("v1only.mp3", AppendId3v1("Old Title", "Old Artist", "Old Album",
                                                            "1987", "A comment", 5, 67));
    const std::vector<uint8_t> src = part_checks::ReadBytes(path);
    for (const std::string& part : SplitAsCli(path, TagFormat::V1)) {
        const Id3v1Record tail = Tail(part);
        // Every byte is the source's record, the track and the genre included.
        EXPECT_TRUE(std::equal(tail.begin(), tail.end(), src.end() - 128)) << part;
    }
}

TEST_F(SourceMetadata, Id3v1FillsTheFieldsId3v2Lacks) {
    const std::string script =
        "t = ID3()\nt.add(TIT2(encoding=3, text='Nur der Titel — ü'))\n"
        "t.save(p, v1=0)\n" +
        AppendId3v1("Nur der Titel", "V1 Artist", "V1 Album", "2003", "V1 comment", 2, 17);
    const std::string path = Made("both.mp3", script);
    for (const std::string& part : SplitAsCli(path, TagFormat::V1V24)) {
        const auto frames = Frames(part);
        EXPECT_EQ(frames.at("TIT2"), "Nur der Titel — ü") << part;
        EXPECT_EQ(frames.at("TPE1"), "V1 Artist");
        EXPECT_EQ(frames.at("TALB"), "V1 Album");
        EXPECT_EQ(frames.at("TDRC"), "2003");
        EXPECT_EQ(frames.at("COMM"), "V1 comment");
        EXPECT_EQ(frames.at("TCON"), "Rock");
        EXPECT_EQ(Tail(part)[127], 17);
    }
    // The window's file tag is the same.
    ProgramState st;
    Document doc(st);
    auto analysed = std::make_unique<ProgramState>();
    ASSERT_TRUE(AnalyseFile(*analysed, *analysed, path, false).ok);
    doc.AdoptFile(std::move(*analysed));
    EXPECT_EQ(st.FileTag.fields.artist, "V1 Artist");
    EXPECT_EQ(st.FileTag.fields.title, "Nur der Titel — ü");
    EXPECT_EQ(ReadTagFields(st, st, 0).genre, "Rock");
}

TEST_F(SourceMetadata, PicturesOfAnyFormatPassThroughByteForByte) {
    // An AVIF-like cover and bytes no image reader knows: both the user's.
    const std::string avif =
        "00000020667479706176696600000000617669666d696631" + std::string(64, 'a');
    const std::string unknown = "0102030405060708090a0b0c0d0e0f10";
    const std::string path =
        Made("pictures.mp3", "t = ID3()\nt.add(TIT2(encoding=3, text='Covers'))\n"
                             "t.add(APIC(encoding=3, mime='image/avif', type=3, desc='front', data="
                             "bytes.fromhex('" +
                                 avif +
                                 "')))\n"
                                 "t.add(APIC(encoding=3, mime='application/octet-stream', type=0, "
                                 "desc='other', data=bytes.fromhex('" +
                                 unknown +
                                 "')))\n"
                                 "t.save(p, v2_version=4)\n");
    auto st = std::make_unique<ProgramState>();
    ASSERT_TRUE(AnalyseFile(*st, *st, path, false).ok);
    const SourceTag source = ReadSourceTag(*st);
    EXPECT_FALSE(source.damaged);
    ASSERT_EQ(source.picture.size(), avif.size() / 2); // the front cover
    for (TagFormat f : {TagFormat::V1V23, TagFormat::V24}) {
        const std::vector<std::string> parts = SplitAsCli(path, f);
        ASSERT_EQ(parts.size(), 3u);
        const std::string apics = RunCommand("/usr/bin/python3 -c " +
                                             Quote("import sys\nfrom mutagen.id3 import ID3\n"
                                                   "print(' '.join(sorted(a.data.hex() for a in "
                                                   "ID3(sys.argv[1]).getall('APIC'))))") +
                                             " " + Quote(parts[1]))
                                      .out;
        EXPECT_EQ(apics, avif + " " + unknown + "\n") << TagFormatText(f);
    }
}

TEST_F(SourceMetadata, CutListsTakeTheUnicodeTitleNotTheId3v1Copy) {
    const std::string title = "Ünïcödé title — 日本語";
    const std::string path = Made("unicode.mp3", "t = ID3()\nt.add(TIT2(encoding=3, text='" +
                                                     title + "'))\nt.save(p, v1=2)\n");
    ProgramState st;
    Document doc(st);
    auto analysed = std::make_unique<ProgramState>();
    ASSERT_TRUE(AnalyseFile(*analysed, *analysed, path, false).ok);
    doc.AdoptFile(std::move(*analysed));
    PrepareInput in;
    in.mode = "parts";
    in.parts = 2;
    ASSERT_TRUE(doc.Prepare(in).acted);
    const FrameCutList table = CutListOfTable(st);
    ASSERT_EQ(table.parts.size(), 2u);
    EXPECT_EQ(table.parts[0].title, title);
    // The command line reads the same file tag.
    const std::string cuts =
        RunCommand(std::string(TESSIVO_CLI) + " cuts " + Quote(path) + " --parts 2").out;
    EXPECT_NE(cuts.find(title), std::string::npos) << cuts;
}
