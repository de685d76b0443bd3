// Frame headers, first-frame search, frame count and frame index.
#include "analysis_test_support.h"
#include "core/analysis/frame_index.h"
#include "mp3/frame_header.h"

#include <gtest/gtest.h>

using namespace tessivo;
using namespace tessivo::mp3;
using namespace analysis_test;

namespace {

// A state whose file image is `bytes`.
std::unique_ptr<ProgramState> WithBuffer(std::vector<uint8_t> bytes) {
    auto st = std::make_unique<ProgramState>();
    st->FileBuffer.assign(bytes.begin(), bytes.end());
    st->FileSize = static_cast<uint32_t>(st->FileBuffer.size());
    return st;
}

// Writes a 4-byte header at p.
void PutHeader(std::vector<uint8_t>& b, size_t p, uint8_t b1, uint8_t b2, uint8_t b3) {
    b[p] = 0xFF;
    b[p + 1] = b1;
    b[p + 2] = b2;
    b[p + 3] = b3;
}

// A run of CBR frames (MPEG-1 layer III, 128 kbit/s, 44.1 kHz, no padding:
// 417 bytes each) starting at `start`.
void PutFrames(std::vector<uint8_t>& b, size_t start, int count) {
    for (int i = 0; i < count; ++i)
        PutHeader(b, start + 417 * static_cast<size_t>(i), 0xFB, 0x90, 0x44);
}

} // namespace

TEST(FrameHeader, SevenPointTest) {
    auto st = WithBuffer(std::vector<uint8_t>(8, 0));
    auto test = [&](uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
        st->FileBuffer = {b0, b1, b2, b3, 0, 0, 0, 0};
        return IsFrameHeader(*st, 0);
    };
    EXPECT_TRUE(test(0xFF, 0xFB, 0x90, 0x44));  // MPEG-1 L3 joint stereo
    EXPECT_FALSE(test(0xFE, 0xFB, 0x90, 0x44)); // b0
    EXPECT_FALSE(test(0xFF, 0xDB, 0x90, 0x44)); // sync bits of b1
    EXPECT_FALSE(test(0xFF, 0xFB, 0xF0, 0x44)); // bitrate index 15
    EXPECT_TRUE(test(0xFF, 0xFB, 0x00, 0x44));  // bitrate index 0 passes the test
    EXPECT_FALSE(test(0xFF, 0xF9, 0x90, 0x44)); // layer 00
    EXPECT_FALSE(test(0xFF, 0xFB, 0x9C, 0x44)); // sampling frequency 11
    EXPECT_FALSE(test(0xFF, 0xFB, 0x90, 0x45)); // emphasis
    EXPECT_FALSE(test(0xFF, 0xFB, 0x90, 0x14)); // mode extension with stereo
    EXPECT_TRUE(test(0xFF, 0xFB, 0x90, 0x74));  // mode extension with joint stereo
    EXPECT_TRUE(test(0xFF, 0xEB, 0x90, 0x44));  // version 01 is not tested
    // Four bytes must lie inside the buffer.
    st->FileBuffer = {0xFF, 0xFB, 0x90};
    EXPECT_FALSE(IsFrameHeader(*st, 0));
    EXPECT_FALSE(IsFrameHeader(*st, -1));
}

TEST(FrameHeader, DecodedProperties) {
    ProgramState st;
    FrameScratch frame;
    DecodeFrameHeader(st, frame, 0xFB, 0x90, 0x44); // MPEG-1 L3 128k 44.1k joint stereo
    EXPECT_EQ(st.MpegVersionText, "1");
    EXPECT_EQ(st.MpegLayerText, "3");
    EXPECT_FALSE(st.CrcProtected);
    EXPECT_EQ(st.FirstFrameBitrate, 128);
    EXPECT_EQ(st.HeaderSampleRate, 44100);
    EXPECT_EQ(st.ChannelModeText, "joint stereo");
    EXPECT_EQ(st.ChannelCount, 2);

    DecodeFrameHeader(st, frame, 0xF2, 0x82, 0xC0); // MPEG-2 L3 CRC 64k 22.05k pad mono
    EXPECT_EQ(st.MpegVersionText, "2");
    EXPECT_TRUE(st.CrcProtected);
    EXPECT_EQ(frame.bitrate, 64);
    EXPECT_EQ(st.HeaderSampleRate, 22050);
    EXPECT_EQ(frame.padding, 1);
    EXPECT_EQ(st.ChannelModeText, "mono");
    EXPECT_EQ(st.ChannelCount, 1);

    DecodeFrameHeader(st, frame, 0xE3, 0x18, 0x80); // MPEG-2.5 L3 8k 8000 dual channel
    EXPECT_EQ(st.MpegVersionText, "2.5");
    EXPECT_EQ(frame.bitrate, 8);
    EXPECT_EQ(st.HeaderSampleRate, 8000);
    EXPECT_EQ(st.ChannelModeText, "dual channel");

    // Bitrate index 0 keeps the previous bitrate.
    DecodeFrameHeader(st, frame, 0xE3, 0x08, 0x00);
    EXPECT_EQ(frame.bitrate, 8);
    EXPECT_EQ(st.ChannelModeText, "stereo");
}

TEST(FrameHeader, FrameLengthsAndDurations) {
    EXPECT_EQ(FrameLengthFor(1, 3, 128, 44100, 0), 417);
    EXPECT_EQ(FrameLengthFor(1, 3, 128, 44100, 1), 418);
    EXPECT_EQ(FrameLengthFor(2, 3, 64, 22050, 0), 208);
    EXPECT_EQ(FrameLengthFor(25, 3, 8, 8000, 0), 72);
    EXPECT_EQ(FrameLengthFor(1, 1, 32, 44100, 0), 34); // Trunc(8.707 * 4): 4-byte slots
    EXPECT_EQ(FrameLengthFor(1, 3, 128, 0, 0), 0);
    EXPECT_EQ(SamplesPerFrameFor(1, 3), 1152);
    EXPECT_EQ(SamplesPerFrameFor(2, 3), 576);
    EXPECT_EQ(SamplesPerFrameFor(25, 3), 576);
    EXPECT_EQ(SamplesPerFrameFor(1, 1), 384);
    EXPECT_EQ(BitrateKbps(1, 3, 14), 320);
    EXPECT_EQ(BitrateKbps(2, 3, 14), 160);
    EXPECT_EQ(BitrateKbps(1, 2, 14), 384);
    EXPECT_EQ(BitrateKbps(1, 3, 15), 0);

    ProgramState st;
    FrameScratch frame;
    DecodeFrameHeader(st, frame, 0xE3, 0x18, 0xC0);
    ComputeFrameCount(st);
    EXPECT_EQ(st.SamplesPerFrame, 576);
    EXPECT_DOUBLE_EQ(st.FrameDuration, 0.072);
}

TEST(FrameCount, RoundsHalfToEvenIn64Bits) {
    EXPECT_EQ(FrameCountFor(10000000, 1152, 2), 2170u);
    EXPECT_EQ(FrameCountFor(static_cast<uint64_t>(2170.5 * 4608), 1152, 2), 2170u);
    EXPECT_EQ(FrameCountFor(static_cast<uint64_t>(2171.5 * 4608), 1152, 2), 2172u);
    EXPECT_EQ(FrameCountFor(2171 * 4608 + 2305, 1152, 2), 2172u);
    // Ten hours of stereo 44.1 kHz: 6 350 400 000 bytes, more than 32 bits hold.
    const uint64_t tenHours = uint64_t{36000} * 44100 * 4;
    EXPECT_EQ(FrameCountFor(tenHours, 1152, 2), 1378125u);
    ProgramState st;
    FrameScratch frame;
    DecodeFrameHeader(st, frame, 0xFB, 0x90, 0x44);
    st.DecodedLength = tenHours;
    ComputeFrameCount(st);
    EXPECT_EQ(st.FrameCount, 1378125u);
    EXPECT_NEAR(st.FrameCount * st.FrameDuration, 36000.0, 0.05);
}

TEST(FirstFrame, PaddingAfterTagIsSteppedOver) {
    std::vector<uint8_t> b(2300 + 417 * 4, 0);
    b[0] = 'I';
    b[1] = 'D';
    b[2] = '3';
    PutFrames(b, 2300, 4);
    auto st = WithBuffer(b);
    std::string msg;
    ASSERT_TRUE(FindFirstFrame(*st, msg, 2000));
    EXPECT_EQ(st->FirstFramePos, 2300);
}

TEST(FirstFrame, StrayHeaderWithoutSuccessorIsSkipped) {
    std::vector<uint8_t> b(1000 + 417 * 4, 0);
    PutHeader(b, 100, 0xFB, 0x90, 0x44); // nothing 417 bytes later
    PutHeader(b, 700, 0xFB, 0xB0, 0x44); // 160k: successor would be at 1222, not there
    PutFrames(b, 1000, 4);
    auto st = WithBuffer(b);
    std::string msg;
    ASSERT_TRUE(FindFirstFrame(*st, msg));
    EXPECT_EQ(st->FirstFramePos, 1000);
    EXPECT_EQ(st->FirstFrameBitrate, 128);
}

TEST(FirstFrame, SearchLimitCountsFromTheSearchStart) {
    // Audio 60000 bytes into the file, behind a large tag: found when the
    // search starts after the tag, refused when it starts at 0.
    std::vector<uint8_t> b(60000 + 417 * 4, 0);
    PutFrames(b, 60000, 4);
    auto st = WithBuffer(b);
    std::string msg;
    ASSERT_TRUE(FindFirstFrame(*st, msg, 59000));
    EXPECT_EQ(st->FirstFramePos, 60000);

    auto st2 = WithBuffer(b);
    EXPECT_FALSE(FindFirstFrame(*st2, msg, 0));
    EXPECT_EQ(msg, "It is not a MP3 file!");
}

TEST(FirstFrame, SuccessorOutsideTheBufferIsNoHeader) {
    std::vector<uint8_t> b(417 + 2, 0);
    PutHeader(b, 0, 0xFB, 0x90, 0x44);
    b[417] = 0xFF;
    b[418] = 0xFB;
    auto st = WithBuffer(b);
    std::string msg;
    EXPECT_FALSE(FindFirstFrame(*st, msg));
    EXPECT_EQ(msg, "It is not a MP3 file!");
    auto tiny = WithBuffer({});
    EXPECT_FALSE(FindFirstFrame(*tiny, msg));
}

TEST(FirstFrame, OnlyLayer3StartsTheStream) {
    std::vector<uint8_t> b(417 * 8, 0);
    // Layer II frames (MPEG-1 128k 44.1k: 417 bytes too) are not taken.
    for (int i = 0; i < 8; ++i)
        PutHeader(b, 417 * static_cast<size_t>(i), 0xFD, 0x90, 0x44);
    auto st = WithBuffer(b);
    std::string msg;
    EXPECT_FALSE(FindFirstFrame(*st, msg));
}

TEST(FirstFrame, FreeFormatIsRefusedWithItsOwnMessage) {
    std::vector<uint8_t> b(4000, 0);
    for (size_t p = 0; p + 4 < b.size(); p += 500)
        PutHeader(b, p, 0xFB, 0x00, 0x44);
    auto st = WithBuffer(b);
    std::string msg;
    EXPECT_FALSE(FindFirstFrame(*st, msg));
    EXPECT_EQ(msg, "Free-format MP3 streams are not supported.");
}

TEST(FrameIndex, StopsBeforeTheLast50Bytes) {
    // 5 frames of 417 bytes, then 60 bytes: frame 4 starts 477 bytes before
    // the end, so all 5 are indexed; with only 40 trailing bytes... the 5th
    // frame still starts before size-50. Cut the buffer so frame 4 starts
    // 45 bytes before the end: it is not indexed.
    std::vector<uint8_t> b(417 * 4 + 45, 0);
    PutFrames(b, 0, 4);
    PutHeader(b, 417 * 4, 0xFB, 0x90, 0x44);
    auto st = WithBuffer(b);
    std::string msg;
    ASSERT_TRUE(FindFirstFrame(*st, msg));
    ComputeFrameCount(*st);
    st->FrameCount = 5;
    st->FramePos.assign(5, -7);
    const FrameScratch last = BuildFrameIndex(*st);
    EXPECT_EQ(st->IndexedFrames, 4);
    EXPECT_EQ(st->FramePos[3], 417 * 3);
    EXPECT_EQ(st->FramePos[4], -7); // untouched
    EXPECT_EQ(last.scanPos, 417 * 3);
    EXPECT_EQ(st->FrameLength, 417);
    EXPECT_EQ(FrameByteEnd(*st, *st, 3), 417 * 4);
}

TEST(FrameIndex, VariableBitrateAndPadding) {
    // 128k, 128k+pad, 160k, bitrate index 0 (keeps 160k), 64k.
    std::vector<uint8_t> b(3000, 0);
    size_t p = 0;
    const std::vector<std::pair<uint8_t, int>> frames = {
        {0x90, 417}, {0x92, 418}, {0xA0, 522}, {0x00, 522}, {0x50, 208}};
    std::vector<int64_t> expect;
    for (auto [b2, len] : frames) {
        PutHeader(b, p, 0xFB, b2, 0x44);
        expect.push_back(static_cast<int64_t>(p));
        p += static_cast<size_t>(len);
    }
    PutHeader(b, p, 0xFB, 0x90, 0x44);
    auto st = WithBuffer(b);
    std::string msg;
    ASSERT_TRUE(FindFirstFrame(*st, msg));
    st->FrameCount = 5;
    st->FramePos.assign(5, 0);
    const FrameScratch last = BuildFrameIndex(*st);
    EXPECT_EQ(st->IndexedFrames, 5);
    EXPECT_EQ(st->FramePos, expect);
    EXPECT_EQ(st->FrameLength, 208);
    EXPECT_EQ(last.bitrate, 64);
}

// Real files: every offset agrees with ffprobe, and the frame count with
// the mpg123 program's decode.
class FrameIndexFixture : public ::testing::TestWithParam<std::string> {};

TEST_P(FrameIndexFixture, OffsetsMatchFfprobe) {
    OpenResult r;
    auto st = Analyse(GetParam(), false, &r);
    ASSERT_TRUE(r.ok) << r.message;
    const std::vector<int64_t> ff = FfprobePacketPositions(Fixture(GetParam()));
    ASSERT_FALSE(ff.empty());
    std::vector<int64_t> ours(st->FramePos.begin(), st->FramePos.begin() + st->IndexedFrames);
    // ffprobe leaves out a LAME Info frame at the start.
    if (!ours.empty() && ff.front() != ours.front()) {
        EXPECT_TRUE(HasInfoTag(st->FileBuffer, ours.front()));
        ours.erase(ours.begin());
    }
    EXPECT_EQ(ours, ff);
    // The last frame ends at the end of the audio (the file, or its ID3v1 tag).
    const int64_t audioEnd = static_cast<int64_t>(st->FileSize) - (st->HasId3v1 ? 128 : 0);
    EXPECT_EQ(FrameByteEnd(*st, *st, static_cast<uint32_t>(st->IndexedFrames - 1)), audioEnd);
}

TEST_P(FrameIndexFixture, FrameCountMatchesMpg123Decode) {
    OpenResult r;
    auto st = Analyse(GetParam(), false, &r);
    ASSERT_TRUE(r.ok) << r.message;
    const std::vector<int16_t> pcm = Mpg123Pcm(Fixture(GetParam()));
    const size_t perFrame = static_cast<size_t>(st->SamplesPerFrame) * st->ChannelCount;
    ASSERT_GT(perFrame, 0u);
    EXPECT_EQ(pcm.size() % perFrame, 0u);
    EXPECT_EQ(st->FrameCount, pcm.size() / perFrame);
    EXPECT_EQ(st->DecodedLength, pcm.size() * 2);
    // Every frame of these files lies before the last 50 bytes but the last.
    EXPECT_GE(st->IndexedFrames + 1, static_cast<int32_t>(st->FrameCount));
    EXPECT_LE(st->IndexedFrames, static_cast<int32_t>(st->FrameCount));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FrameIndexFixture, ::testing::ValuesIn(ValidFixtures()),
                         [](const auto& info) {
                             std::string n = info.param;
                             for (char& c : n)
                                 if (!isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return n;
                         });

TEST(FrameIndexFiles, KnownLayouts) {
    struct Case {
        const char* file;
        int32_t firstFrame;
        const char* version;
        int spf;
        int channels;
        const char* mode;
    };
    const Case cases[] = {
        {"cbr128_stereo.mp3", 0, "1", 1152, 2, "joint stereo"},
        {"id3v2_padding.mp3", 2300, "1", 1152, 2, "joint stereo"},
        {"cover_art.mp3", 60000, "1", 1152, 2, "joint stereo"},
        {"id3v2.mp3", 500, "1", 1152, 2, "joint stereo"},
        {"mono.mp3", 0, "1", 1152, 1, "mono"},
        {"mpeg2_22k.mp3", 0, "2", 576, 2, "joint stereo"},
        {"mpeg25_8k.mp3", 0, "2.5", 576, 1, "mono"},
        {"left_only.mp3", 0, "1", 1152, 2, "stereo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        OpenResult r;
        auto st = Analyse(c.file, false, &r);
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(st->FirstFramePos, c.firstFrame);
        EXPECT_EQ(st->MpegVersionText, c.version);
        EXPECT_EQ(st->MpegLayerText, "3");
        EXPECT_EQ(st->SamplesPerFrame, c.spf);
        EXPECT_EQ(st->ChannelCount, c.channels);
        EXPECT_EQ(st->ChannelModeText, c.mode);
    }
    OpenResult r;
    auto crc = Analyse("crc.mp3", false, &r);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(crc->CrcProtected);
    auto plain = Analyse("cbr128_stereo.mp3", false, &r);
    EXPECT_FALSE(plain->CrcProtected);
}

TEST(FrameIndexFiles, FramesRunningIntoId3v1AreCutAt50Bytes) {
    // The last frame of id3v1_track.mp3 starts 418 + 128 bytes before the
    // end; chop the tag's last 100 bytes so it starts within the last 50.
    std::vector<uint8_t> b = ReadBytes(Fixture("id3v1_track.mp3"));
    OpenResult r;
    auto full = Analyse("id3v1_track.mp3", false, &r);
    ASSERT_TRUE(r.ok);
    const int32_t lastPos = full->FramePos[full->IndexedFrames - 1];
    b.resize(static_cast<size_t>(lastPos) + 49);
    const std::string tmp = ::testing::TempDir() + "cut_tail.mp3";
    WriteBytes(tmp, b);
    ProgramState st;
    r = AnalyseFile(st, st, tmp, false);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(st.IndexedFrames, full->IndexedFrames - 1);
    EXPECT_GE(static_cast<int64_t>(st.FramePos[st.IndexedFrames - 1]), 0);
    EXPECT_LT(st.FramePos[st.IndexedFrames - 1] + 0LL, static_cast<int64_t>(b.size()) - 50);
    std::remove(tmp.c_str());
}

TEST(StreamText, ExactLayout) {
    ProgramState st;
    FrameScratch frame;
    DecodeFrameHeader(st, frame, 0xFB, 0x90, 0x44);
    st.SampleRate = 44100;
    st.Duration = 205.123;
    EXPECT_EQ(StreamInfoText(st), "MPEG-1   Layer3   128kbps   joint stereo   44100Hz   03:25:123");
    OpenResult r;
    auto mono = Analyse("mono.mp3", false, &r);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(StreamInfoText(*mono), "MPEG-1   Layer3   64kbps   mono   44100Hz   00:02:000");
    auto v25 = Analyse("mpeg25_8k.mp3", false, &r);
    EXPECT_EQ(StreamInfoText(*v25), "MPEG-2.5   Layer3   8kbps   mono   8000Hz   00:02:160");
}

// A VBR stream shows "VBR" and its average, which ffprobe computes from the
// same bytes; a constant stream keeps its one bitrate.
TEST(StreamText, VariableBitrateShowsTheAverage) {
    OpenResult r;
    auto vbr = Analyse("vbr_stereo.mp3", false, &r);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_TRUE(IsVariableBitrate(*vbr));
    const int average = AverageBitrate(*vbr);
    const std::string text = StreamInfoText(*vbr);
    EXPECT_NE(text.find("   VBR " + std::to_string(average) + "kbps   "), std::string::npos)
        << text;
    auto cbr = Analyse("cbr128_stereo.mp3", false, &r);
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(IsVariableBitrate(*cbr));
    EXPECT_NE(StreamInfoText(*cbr).find("   128kbps   "), std::string::npos);

    const CommandResult ff =
        RunCommand("ffprobe -v error -select_streams a:0 -show_entries stream=bit_rate -of "
                   "default=nw=1:nk=1 " +
                   Quote(Fixture("vbr_stereo.mp3")));
    if (ff.status != 0)
        GTEST_SKIP() << "ffprobe missing";
    const double ffKbps = std::atof(ff.out.c_str()) / 1000.0;
    ASSERT_GT(ffKbps, 0);
    EXPECT_NEAR(average, ffKbps, ffKbps * 0.02) << ff.out;
}
