// Reading the source's Xing/Info/VBRI frame and building a part's Info frame.
#include "mp3/info_frame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tessivo::mp3 {
namespace {

std::vector<uint8_t> ReadFixture(const std::string& name) {
    std::ifstream in(std::string(TESSIVO_FIXTURES) + "/" + name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

size_t AudioFrames(const std::vector<uint8_t>& b) {
    size_t n = 0, p = 0;
    Layer3Header h;
    while (p < b.size() && ParseLayer3Header(&b[p], b.size() - p, h)) {
        ++n;
        p += static_cast<size_t>(h.length);
    }
    return n - 1; // less the Info frame
}

TEST(ReadInfoTag, FindsLameDelayAndPaddingOfTheFixtures) {
    // LAME pads the end so that delay + samples + padding fills whole frames;
    // the fixtures hold 2 s and 3 s of sound.
    struct Case {
        const char* file;
        SourceInfoTag::Kind kind;
        int samples;
    };
    for (const Case c : {Case{"cbr128_stereo.mp3", SourceInfoTag::Kind::Info, 88200},
                         Case{"crc.mp3", SourceInfoTag::Kind::Info, 88200},
                         Case{"vbr_stereo.mp3", SourceInfoTag::Kind::Xing, 132300},
                         Case{"mono.mp3", SourceInfoTag::Kind::Info, 88200}}) {
        SCOPED_TRACE(c.file);
        const std::vector<uint8_t> b = ReadFixture(c.file);
        const SourceInfoTag tag = ReadInfoTag(b.data(), b.size());
        EXPECT_EQ(tag.kind, c.kind);
        ASSERT_TRUE(tag.hasLame);
        EXPECT_EQ(std::memcmp(tag.lame.data(), "LAME", 4), 0);
        EXPECT_EQ(tag.delay, 576);
        EXPECT_EQ(static_cast<int64_t>(AudioFrames(b)) * 1152,
                  int64_t{tag.delay} + c.samples + tag.padding);
    }
}

TEST(ReadInfoTag, NoTagInPlainAudioFrames) {
    const std::vector<uint8_t> b = ReadFixture("mpeg25_8k.mp3");
    EXPECT_EQ(ReadInfoTag(b.data(), b.size()).kind, SourceInfoTag::Kind::None);
    const std::vector<uint8_t> cbr = ReadFixture("cbr128_stereo.mp3");
    EXPECT_EQ(ReadInfoTag(&cbr[417], cbr.size() - 417).kind, SourceInfoTag::Kind::None);
}

TEST(ReadInfoTag, FindsAVbriHeader) {
    std::vector<uint8_t> f(417, 0);
    const uint8_t head[4] = {0xFF, 0xFB, 0x90, 0x64};
    std::memcpy(f.data(), head, 4);
    std::memcpy(&f[36], "VBRI", 4);
    EXPECT_EQ(ReadInfoTag(f.data(), f.size()).kind, SourceInfoTag::Kind::Vbri);
}

TEST(ReadInfoTag, FindsInfoAfterTheCrcOfAProtectedFrame) {
    // Some writers skip the CRC before "Info", LAME does not: both are read.
    std::vector<uint8_t> f(417, 0);
    const uint8_t head[4] = {0xFF, 0xFA, 0x90, 0x64};
    std::memcpy(f.data(), head, 4);
    std::memcpy(&f[38], "Info", 4);
    EXPECT_EQ(ReadInfoTag(f.data(), f.size()).kind, SourceInfoTag::Kind::Info);
}

TEST(InfoFrameBitrate, LargeEnoughForTheTag) {
    Layer3Header m;
    const uint8_t mpeg25[4] = {0xFF, 0xE3, 0x18, 0xC4}; // 8 kHz mono, 8 kbit/s
    ASSERT_TRUE(ParseLayer3Header(mpeg25, 4, m));
    const int i = InfoFrameBitrateIndex(m, m.bitrateIndex);
    EXPECT_GE(Layer3FrameLength(m.lsf, i, m.sampleRate, false), InfoFrameMinLength(m));
    EXPECT_LT(Layer3FrameLength(m.lsf, i - 1, m.sampleRate, false), InfoFrameMinLength(m));

    const uint8_t mpeg1[4] = {0xFF, 0xFB, 0x90, 0x64}; // 128 kbit/s stereo
    ASSERT_TRUE(ParseLayer3Header(mpeg1, 4, m));
    EXPECT_EQ(InfoFrameBitrateIndex(m, 9), 9);                        // the source's own rate fits
    EXPECT_EQ(Layer3Bitrate(false, InfoFrameBitrateIndex(m, 1)), 64); // 32 kbit/s is too small
}

TEST(BuildInfoFrame, ReadsBackAndPacksTwelveBitFields) {
    const std::vector<uint8_t> src = ReadFixture("vbr_stereo.mp3");
    const SourceInfoTag tag = ReadInfoTag(src.data(), src.size());
    InfoFrameSpec spec;
    ASSERT_TRUE(ParseLayer3Header(src.data(), 4, spec.model));
    spec.headerByte3 = src[3];
    spec.bitrateIndex = InfoFrameBitrateIndex(spec.model, 0);
    spec.vbr = true;
    spec.frames = 1234;
    spec.bytes = 567890;
    for (int i = 0; i < 100; ++i)
        spec.toc[static_cast<size_t>(i)] = static_cast<uint8_t>(i * 2);
    spec.delay = 4095;
    spec.padding = 0xABC;
    spec.source = &tag;
    std::vector<uint8_t> f = BuildInfoFrame(spec);
    const SourceInfoTag back = ReadInfoTag(f.data(), f.size());
    EXPECT_EQ(back.kind, SourceInfoTag::Kind::Xing);
    EXPECT_TRUE(back.hasLame);
    EXPECT_EQ(back.delay, 4095);
    EXPECT_EQ(back.padding, 0xABC);
    EXPECT_EQ(back.quality, tag.quality);
    EXPECT_EQ(std::memcmp(back.lame.data(), tag.lame.data(), 11), 0);

    spec.delay = 5000; // beyond 12 bits: held at the largest value
    spec.padding = -3;
    f = BuildInfoFrame(spec);
    EXPECT_EQ(ReadInfoTag(f.data(), f.size()).delay, 4095);
    EXPECT_EQ(ReadInfoTag(f.data(), f.size()).padding, 0);
}

} // namespace
} // namespace tessivo::mp3
