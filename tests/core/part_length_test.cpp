// Part files announce their true length: on files from other encoders, what
// tag readers compute agrees with what decoders play, and checkers find
// nothing to say; the audio frames stay the source's bytes.
#include "core/output/plain_part.h"

#include "core/output/split_parts.h"
#include "core/parts/part_access.h"

#include "core/analysis/open_file.h"
#include "core/output/id3v1_tag.h"
#include "core/parts/cut_lines.h"
#include "core/parts/prepare.h"
#include "foreign_files.h"
#include "part_file_checks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>

using namespace tessivo;
namespace fs = std::filesystem;

namespace {

std::unique_ptr<ProgramState> OpenFile(const std::string& path) {
    auto st = std::make_unique<ProgramState>();
    const OpenResult r = AnalyseFile(*st, *st, path, false);
    EXPECT_TRUE(r.ok) << path << ": " << r.message;
    if (!r.ok)
        return nullptr;
    ResetToOnePart(*st, *st);
    CopySourceTag(*st, *st);
    return st;
}

std::string SourcePath(const std::string& name) {
    return name.find('/') == std::string::npos && fs::exists(part_checks::Fixture(name))
               ? part_checks::Fixture(name)
               : foreign::File(name);
}

// Splits `name` into three parts and checks every part with the tools.
void CheckPartsOf(const std::string& name, bool gapless, TagFormat format) {
    SCOPED_TRACE(name + (gapless ? " gapless " : " plain ") + TagFormatText(format));
    auto st = OpenFile(SourcePath(name));
    ASSERT_TRUE(st);
    const fs::path dir = part_checks::FreshFolder("tessivo_length");
    st->OutputFolder = dir.string();
    st->IsGapless = gapless;
    st->IsSaveTags = true;
    PrepareEqualParts(*st, *st, 3);
    SplitOptions options;
    options.format = format;
    const SplitResult r = SplitParts(*st, *st, *st, options);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.written.size(), 3u);
    const double frame = st->FrameDuration;
    for (const std::string& part : r.written) {
        SCOPED_TRACE(part);
        const double played =
            foreign::Mpg123Seconds(part, static_cast<int>(st->SampleRate), st->ChannelCount);
        EXPECT_GT(played, 0.0);
        EXPECT_NEAR(foreign::MutagenSeconds(part), played, frame * 1.001);
        EXPECT_NEAR(foreign::FfprobeSeconds(part), played, frame * 8);
        EXPECT_EQ(foreign::Mpg123Says(part), "");
        EXPECT_EQ(foreign::Mp3valSays(part), "");
    }
    fs::remove_all(dir);
}

} // namespace

class PartLength : public ::testing::Test {
protected:
    void SetUp() override {
        if (foreign::Folder().empty())
            GTEST_SKIP() << "ffmpeg, lame, sox, mpg123, ffprobe, mp3val or mutagen missing";
    }
};

TEST_F(PartLength, PlainPartsOfFilesFromOtherEncodersTellTheirLength) {
    for (const char* name : {"cbr128_stereo.mp3", "vbr_stereo.mp3", "mpeg2_22k.mp3",
                             "shine_plain.mp3", "shine_info.mp3", "vbr_noxing.mp3", "tagged.mp3"})
        CheckPartsOf(name, false, TagFormat::V1V23);
}

TEST_F(PartLength, LowBitrateCbrWithoutInfoFrameWithID3v2Only) {
    // mutagen estimates the length of a CBR file without an Info frame from
    // its size, ID3v1 record included: at 8 kbit/s those 128 bytes are 1.8
    // frames. Without the record its estimate is right.
    CheckPartsOf("mpeg25_8k.mp3", false, TagFormat::V23);
}

TEST_F(PartLength, GaplessPartsOfFilesFromOtherEncodersTellTheirLength) {
    // shine_info.mp3's Info frame carries ffmpeg's tag ("Lavc"): the parts'
    // tags must be named LAME's, or mutagen counts their warm-up frames.
    for (const char* name :
         {"vbr_stereo.mp3", "shine_plain.mp3", "shine_info.mp3", "vbr_noxing.mp3", "tagged.mp3"})
        CheckPartsOf(name, true, TagFormat::V1V24);
}

TEST_F(PartLength, PlainPartsKeepTheSourceFramesByteForByte) {
    for (const char* name : {"vbr_stereo.mp3", "shine_info.mp3", "vbr_noxing.mp3", "tagged.mp3"}) {
        SCOPED_TRACE(name);
        auto st = OpenFile(SourcePath(name));
        ASSERT_TRUE(st);
        const PlainSource src = ExaminePlainSource(*st);
        EXPECT_TRUE(src.needsInfo);
        PrepareEqualParts(*st, *st, 4);
        std::vector<uint8_t> joined;
        for (int i = 1; i <= 4; ++i) {
            std::vector<uint8_t> part;
            ASSERT_TRUE(BuildPlainPart(*st, *st, src, i, part));
            // Each part opens with an Info frame that counts its own frames.
            const mp3::SourceInfoTag info = mp3::ReadInfoTag(part.data(), part.size());
            EXPECT_NE(info.kind, mp3::SourceInfoTag::Kind::None);
            const std::vector<uint8_t> audio = part_checks::AudioFrames(part, false);
            joined.insert(joined.end(), audio.begin(), audio.end());
            // Delay stays with the first part, padding with the last.
            if (src.tag.hasLame) {
                EXPECT_EQ(info.delay, i == 1 ? src.tag.delay : 0) << "part " << i;
                EXPECT_EQ(info.padding, i == 4 ? src.tag.padding : 0) << "part " << i;
            }
        }
        // Together: the source's frames after its own Info frame, unchanged.
        const ByteRange all{PartByteRange(*st, *st, 1).first, PartByteRange(*st, *st, 4).end};
        std::vector<uint8_t> source(st->FileBuffer.begin() + static_cast<std::ptrdiff_t>(all.first),
                                    st->FileBuffer.begin() + static_cast<std::ptrdiff_t>(all.end));
        source = part_checks::AudioFrames(source, false);
        EXPECT_EQ(joined, source);
    }
}

TEST_F(PartLength, CbrWithoutInfoFrameKeepsPureCopies) {
    auto st = OpenFile(foreign::File("shine_plain.mp3"));
    ASSERT_TRUE(st);
    EXPECT_FALSE(ExaminePlainSource(*st).needsInfo);
    PrepareEqualParts(*st, *st, 3);
    for (int i = 1; i <= 3; ++i) {
        const PartBytes b = SourcePartBytes(*st, *st, i);
        const ByteRange r = PartByteRange(*st, *st, i);
        EXPECT_TRUE(b.owned.empty());
        EXPECT_EQ(b.bytes().data(), st->FileBuffer.data() + r.first);
        EXPECT_EQ(b.bytes().size(), r.size());
    }
}

TEST_F(PartLength, SourceInfoFrameNeverReachesAPartUnchanged) {
    auto st = OpenFile(foreign::File("tagged.mp3"));
    ASSERT_TRUE(st);
    PrepareEqualParts(*st, *st, 2);
    const PartBytes first = SourcePartBytes(*st, *st, 1);
    const std::span<const uint8_t> b = first.bytes();
    const mp3::SourceInfoTag info = mp3::ReadInfoTag(b.data(), b.size());
    ASSERT_EQ(info.kind, mp3::SourceInfoTag::Kind::Xing);
    // Its frame count is the part's, about half the source's.
    mp3::Layer3Header h;
    ASSERT_TRUE(mp3::ParseLayer3Header(b.data(), b.size(), h));
    const size_t at = 4 + static_cast<size_t>(h.sideInfoSize) + 8;
    const uint32_t frames = (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) |
                            (uint32_t{b[at + 2]} << 8) | b[at + 3];
    EXPECT_EQ(frames, static_cast<uint32_t>(PartFirstFrame(*st, 2) - 1));
}
