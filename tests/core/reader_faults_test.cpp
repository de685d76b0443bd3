// Readers of untrusted files, from the inputs that once broke them: huge
// times in warnings, backslashes in cue sheet titles, sheets libcue refused,
// oversized lists and endless warnings, bad UTF-8 after a byte order mark,
// ID3v2 frames with an undefined text encoding, UTF-16 without a byte order
// mark. The round trip checks are the ones the fuzz targets run.
#include "cli_test_support.h"
#include "core/analysis/mp3_load.h"
#include "core/cutlist/audacity_labels.h"
#include "core/cutlist/csv_cut_list.h"
#include "core/cutlist/cue_sheet.h"
#include "core/cutlist/cut_list_file.h"
#include "core/output/part_tag.h"
#include "core/util/text_encoding.h"
#include "part_file_checks.h"
#include "tests/invariants/cut_list_round_trip.h"
#include "tests/invariants/time_text_round_trip.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

using namespace tessivo;
using cli_test::CliRun;
using part_checks::Fixture;
namespace fs = std::filesystem;

namespace {

// long65.mp3: MPEG-2 16 kHz, 576 samples a frame, 65 s.
constexpr double kFrame = 0.036;
constexpr uint32_t kFrames = 1805;

bool AllPrintable(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u == '\n' || (u >= 0x20 && u < 0x7F) || u >= 0x80;
    });
}

class ReaderFaults : public cli_test::CliTest {
protected:
    fs::path Write(const std::string& name, const std::string& text) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << text;
        return p;
    }
};

// The title as an ID3v2 tag of these frames in front of a real MP3 reads it.
SourceTag TagOfImage(const std::vector<uint8_t>& tag) {
    auto st = std::make_unique<ProgramState>();
    st->FileName = "in.mp3";
    st->FileBuffer.assign(tag.begin(), tag.end());
    const std::vector<uint8_t> audio = part_checks::ReadBytes(Fixture("mpeg25_8k.mp3"));
    st->FileBuffer.insert(st->FileBuffer.end(), audio.begin(), audio.end());
    st->FileSize = static_cast<uint32_t>(st->FileBuffer.size());
    DetectTags(*st);
    return ReadSourceTag(*st);
}

// An ID3v2.4 tag of text frames, each given as id, encoding byte and text.
std::vector<uint8_t> Id3v24(const std::vector<std::tuple<std::string, uint8_t, std::string>>& f) {
    std::vector<uint8_t> body;
    for (const auto& [id, enc, text] : f) {
        const size_t n = text.size() + 1;
        body.insert(body.end(), id.begin(), id.end());
        for (int shift : {21, 14, 7, 0})
            body.push_back(static_cast<uint8_t>((n >> shift) & 0x7F));
        body.insert(body.end(), {0, 0, enc});
        body.insert(body.end(), text.begin(), text.end());
    }
    std::vector<uint8_t> tag = {'I', 'D', '3', 4, 0, 0};
    for (int shift : {21, 14, 7, 0})
        tag.push_back(static_cast<uint8_t>((body.size() >> shift) & 0x7F));
    tag.insert(tag.end(), body.begin(), body.end());
    return tag;
}

} // namespace

// 1. A label time of 1e61 s: the warning shows the whole number, not stack bytes.
TEST_F(ReaderFaults, HugeTimesInWarningsAreWrittenInFull) {
    const std::string huge = "1" + std::string(61, '0');
    const CliRun r = Cli({"cuts", Fixture("long65.mp3"), "--labels",
                          Write("huge.txt", huge + "\t\tfar\n").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(AllPrintable(r.err)) << r.err;
    const std::string head = "warning: Line 1: ";
    const size_t at = r.err.find(head);
    ASSERT_NE(at, std::string::npos) << r.err;
    const std::string number =
        r.err.substr(at + head.size(), r.err.find(" s ", at) - at - head.size());
    double back = 0, want = 0;
    ASSERT_TRUE(ParseSeconds(number, back)) << number;
    ASSERT_TRUE(ParseSeconds(huge, want));
    EXPECT_EQ(back, want);
    for (double x : {1e61, 1e300, 1.7976931348623157e308, -1e300})
        EXPECT_EQ(invariants::FormattedTimeFault(x), "");
}

// 2. A title ending in a backslash, exported as a cue sheet, reads back.
TEST_F(ReaderFaults, CueExportOfABackslashTitleReadsBack) {
    const fs::path labels = Write("l.txt", "1\t2\ta\\\n");
    const CliRun cue =
        Cli({"cuts", Fixture("long65.mp3"), "--labels", labels.string(), "--format", "cue"});
    ASSERT_EQ(cue.status, 0) << cue.err;
    const fs::path sheet = Write("l.cue", cue.out);
    const CliRun back = Cli({"cuts", Fixture("long65.mp3"), "--cue", sheet.string()});
    ASSERT_EQ(back.status, 0) << back.err << cue.out;
    EXPECT_EQ(back.err, "");
    EXPECT_NE(back.out.find("\ta\\\n"), std::string::npos) << back.out;
}

// Every sheet, label and CSV file Tessivo writes reads back with its titles:
// backslashes and quotes anywhere, Unicode, blanks at the ends.
TEST(CutListRoundTrip, TitlesWithBackslashesQuotesAndUnicodeSurvive) {
    const std::vector<std::string> pieces = {
        "\\", "\"", "\\\"", "\\\\", "日本", "é", " ", "'", ",", "x", "\xF0\x9F\x8E\xB5", "\\n"};
    FrameCutList placed;
    for (size_t k = 0; k < 40; ++k) {
        std::string title;
        for (size_t j = 0; j <= k % 5; ++j)
            title += pieces[(k * 7 + j * 3) % pieces.size()];
        placed.cuts.push_back(static_cast<int32_t>(k * 40));
        placed.parts.push_back({title, k % 3 ? title + "\\" : "", k % 4 != 1});
    }
    const CutListSource source{"in.mp3", "Album \\ \"x\"\\", "Artist\\"};
    for (CutListFormat f : {CutListFormat::Cue, CutListFormat::Labels, CutListFormat::Csv})
        EXPECT_EQ(
            invariants::WriteReadFault(f, placed, TimeBase{0, 0, 0, 0, kFrame}, kFrames, source),
            "")
            << CutListExtension(f);
}

// 3. Sheets that reached libcue's error path: refused by the own scan, and
// nothing of libcue's on stderr; libcue only sees the plain sheet.
TEST_F(ReaderFaults, SheetsLibcueRefusedAreRefusedQuietly) {
    const std::string head = "FILE \"a.mp3\" MP3\nTRACK 01 AUDIO\n";
    EXPECT_EQ(ReadCueSheet(head + "TITLE \"a\\\"\nINDEX 01 00:00:00\n").error,
              "Line 3: a quote is not closed");
    const CutListRead odd =
        ReadCueSheet(head + "FLAGS XYZ DCP\nREM any thing\nINDEX 01 00:01:00\n");
    ASSERT_TRUE(odd.ok()) << odd.error;
    EXPECT_DOUBLE_EQ(odd.list.entries[0].startSeconds, 1.0);
    const CliRun r = Cli({"cuts", Fixture("long65.mp3"), "--cue",
                          Write("bad.cue", head + "TITLE \"a\\\"\nINDEX 01 00:00:00\n").string()});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err.find("bad character"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("syntax error"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Line 3: a quote is not closed"), std::string::npos) << r.err;
}

// 4. A cut list over 64 MB is refused before it is read.
TEST_F(ReaderFaults, CutListsOver64MegabytesAreRefused) {
    const fs::path big = dir_ / "big.txt";
    { std::ofstream(big, std::ios::binary) << "1\t\tx\n"; }
    fs::resize_file(big, (64u << 20) + 1); // sparse: costs no disk
    const CutListRead r = ReadCutListFile(CutListFormat::Labels, big.string());
    EXPECT_EQ(r.error, big.string() + " is larger than 64 MB, the most a cut list file may hold");
    fs::resize_file(big, 64u << 20);
    EXPECT_EQ(ReadCutListFile(CutListFormat::Labels, big.string()).error.find("64 MB"),
              std::string::npos);
}

// 4. Thousands of lines past the end: 20 warnings and a count of the rest.
TEST_F(ReaderFaults, WarningsStopAtTwentyAndCountTheRest) {
    std::string labels;
    for (int i = 0; i < 5000; ++i)
        labels += std::to_string(100 + i) + "\t\tpast\n";
    const CliRun r =
        Cli({"cuts", Fixture("long65.mp3"), "--labels", Write("past.txt", labels).string()});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = cli_test::Lines(r.err);
    ASSERT_EQ(lines.size(), 21u) << r.err;
    EXPECT_EQ(lines[19].rfind("tessivo-cli cuts: warning: Line 20: 119.000 s lies past the end", 0),
              0u)
        << lines[19];
    EXPECT_EQ(lines[20], "tessivo-cli cuts: warning: \xE2\x80\xA6 and 4980 more");
}

// 4. Millions of lines: reading stops after 100,000 entries.
TEST(CutListLimits, ListsOfMoreThan100000EntriesAreRefused) {
    std::string labels, csv;
    for (int i = 0; i <= 100000; ++i) {
        labels += "100\t\tp\n";
        csv += "100,,p\n";
    }
    const std::string tail = "more than 100000 entries; a cut list holds at most 100000";
    EXPECT_EQ(ReadAudacityLabels(labels).error, "Line 100001: " + tail);
    EXPECT_EQ(ReadCsvCutList(csv).error, "Line 100001: " + tail);
    labels.resize(labels.size() - 7); // "100\t\tp\n" once less
    EXPECT_TRUE(ReadAudacityLabels(labels).ok());
}

// 4. A line of ten million commas is refused without holding a string per field.
TEST(CutListLimits, ALineOfCommasCostsLittleMemory) {
    const std::string commas(10'000'000, ',');
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    EXPECT_EQ(ReadCsvCutList(commas).error, "Line 1: expects start,end,label");
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 100 * 1024); // kB; it took 553 MB
}

// 5. Bytes that are not UTF-8 after a UTF-8 byte order mark become U+FFFD.
TEST(CutListText, BadUtf8AfterAByteOrderMarkIsRepaired) {
    const CutListRead r = ReadAudacityLabels("\xEF\xBB\xBF"
                                             "0\t1\tab\xFF\xC3\n");
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.list.entries[0].title, "ab\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(DecodeCutListText("\xEF\xBB\xBF"
                                "caf\xC3\xA9"),
              "caf\xC3\xA9");
}

// 6. A TIT2 whose text encoding byte is none of the four: a damaged tag, the
// frame left out, the other frames kept.
TEST(SourceTagRead, UndefinedTextEncodingIsADamagedTag) {
    const SourceTag src = TagOfImage(Id3v24({{"TIT2", 0x23, "title"}, {"TPE1", 3, "Artist"}}));
    EXPECT_TRUE(src.damaged);
    EXPECT_TRUE(src.hasId3v2);
    EXPECT_EQ(src.fields.title, "");
    EXPECT_EQ(src.fields.artist, "Artist");
    PartTags tags;
    tags.source = src;
    tags.part.assign(2, src.fields);
    const PartTagV2 part = ResolvePartTag(tags, 1, "in", 1, 1);
    const SourceTag back = TagOfImage(RenderId3v2(src, part, 4));
    EXPECT_FALSE(back.damaged);
    EXPECT_EQ(back.fields.title, part.title);
    EXPECT_EQ(back.fields.artist, "Artist");
    const SourceTag good = TagOfImage(Id3v24({{"TIT2", 3, "title"}}));
    EXPECT_FALSE(good.damaged);
    EXPECT_EQ(good.fields.title, "title");
}

// UTF-16 without a byte order mark: the message names the encoding.
TEST_F(ReaderFaults, Utf16WithoutByteOrderMarkIsNamed) {
    std::string utf16;
    for (char c : std::string("1.5\t2.5\tx\n"))
        utf16 += std::string{c, '\0'};
    const std::string want = "The file is UTF-16 without a byte order mark; save it as UTF-8, or "
                             "as UTF-16 with a byte order mark";
    for (CutListFormat f : {CutListFormat::Labels, CutListFormat::Csv, CutListFormat::Cue})
        EXPECT_EQ(ReadCutList(f, utf16).error, want);
    const CliRun r =
        Cli({"cuts", Fixture("long65.mp3"), "--labels", Write("u16.txt", utf16).string()});
    EXPECT_NE(r.err.find(want), std::string::npos) << r.err;
    EXPECT_TRUE(ReadAudacityLabels("\xFF\xFE" + utf16).ok());
}

// A frame marked to be dropped when the tag changes: TagLib leaves it out of
// the tag the parts inherit, and the parts get the title set again. An
// encrypted TIT2 TagLib keeps as bytes it would write back unmarked: left out
// and reported.
TEST(SourceTagRead, FramesTagLibCannotCarryStillTitleTheParts) {
    std::vector<uint8_t> dropped = Id3v24({{"TIT2", 3, "kept"}, {"TPE1", 3, "Artist"}});
    dropped[18] = 0x40; // the frame's "discard when the tag is altered" flag
    std::vector<uint8_t> encrypted = dropped;
    encrypted[18] = 0;
    encrypted[19] = 0x04; // encrypted
    for (const auto& [tag, title, damaged] :
         {std::tuple{dropped, "kept", false}, std::tuple{encrypted, "", true}}) {
        const SourceTag src = TagOfImage(tag);
        EXPECT_EQ(src.damaged, damaged);
        EXPECT_EQ(src.fields.title, title);
        PartTags tags;
        tags.source = src;
        tags.part.assign(2, src.fields);
        const PartTagV2 part = ResolvePartTag(tags, 1, "in", 1, 1);
        for (int version : {3, 4}) {
            const SourceTag back = TagOfImage(RenderId3v2(src, part, version));
            EXPECT_FALSE(back.damaged);
            EXPECT_EQ(back.fields.title, title);
            EXPECT_EQ(back.fields.artist, "Artist");
        }
    }
}

// The encrypted flag is found where TagLib found the frame, also when the
// tag's header announces an extended header TagLib skips as too large (a
// walk of its own would jump past every frame and keep the encrypted one).
TEST(SourceTagRead, EncryptedFrameBehindABogusExtendedHeaderIsLeftOut) {
    std::vector<uint8_t> tag = {'I', 'D', '3', 3, 0, 0x40, 0, 0, 0, 40};
    const std::vector<uint8_t> frame = {'T', 'I', 'T', '2', 0, 0, 0, 30, 0, 0x40};
    tag.insert(tag.end(), frame.begin(), frame.end());
    tag.resize(50, 'x');
    tag[20] = 0x33; // the encrypted bytes start with no valid text encoding
    const SourceTag src = TagOfImage(tag);
    EXPECT_TRUE(src.damaged);
    PartTags tags;
    tags.source = src;
    tags.part.assign(2, src.fields);
    for (int version : {3, 4})
        EXPECT_FALSE(
            TagOfImage(RenderId3v2(src, ResolvePartTag(tags, 1, "in", 1, 1), version)).damaged);
}
