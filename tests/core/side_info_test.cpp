// Layer III header, side information and CRC helpers, checked against the
// fixtures' own bytes: LAME wrote their frame CRCs and tag CRCs.
#include "mp3/side_info.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// Walks the frames of a file that starts with a frame and has no tags.
std::vector<size_t> Frames(const std::vector<uint8_t>& b) {
    std::vector<size_t> at;
    size_t p = 0;
    Layer3Header h;
    while (p < b.size() && ParseLayer3Header(&b[p], b.size() - p, h)) {
        at.push_back(p);
        p += static_cast<size_t>(h.length);
    }
    return at;
}

TEST(Layer3Header, FrameLengthsChainThroughWholeFixtures) {
    struct Case {
        const char* file;
        int rate, spf, sideInfo, firstLength;
    };
    for (const Case c :
         {Case{"cbr128_stereo.mp3", 44100, 1152, 32, 417}, Case{"mono.mp3", 44100, 1152, 17, 208},
          Case{"mpeg2_22k.mp3", 22050, 576, 17, 208}, Case{"mpeg25_8k.mp3", 8000, 576, 9, 72}}) {
        SCOPED_TRACE(c.file);
        const std::vector<uint8_t> b = ReadFixture(c.file);
        const std::vector<size_t> at = Frames(b);
        ASSERT_GT(at.size(), 20u);
        Layer3Header last;
        ASSERT_TRUE(ParseLayer3Header(&b[at.back()], 4, last));
        // The lengths alone lead from the first byte exactly to the file's end.
        EXPECT_EQ(at.back() + static_cast<size_t>(last.length), b.size());
        Layer3Header h;
        ASSERT_TRUE(ParseLayer3Header(&b[at[1]], 4, h));
        EXPECT_EQ(h.sampleRate, c.rate);
        EXPECT_EQ(h.samplesPerFrame, c.spf);
        EXPECT_EQ(h.sideInfoSize, c.sideInfo);
        EXPECT_EQ(Layer3FrameLength(h.lsf, h.bitrateIndex, h.sampleRate, false), c.firstLength);
    }
}

TEST(Layer3Header, RefusesWhatIsNotALayer3Frame) {
    const std::vector<uint8_t> layer2 = ReadFixture("layer2.mp3");
    Layer3Header h;
    EXPECT_FALSE(ParseLayer3Header(layer2.data(), layer2.size(), h));
    const uint8_t good[4] = {0xFF, 0xFB, 0x90, 0x64};
    EXPECT_TRUE(ParseLayer3Header(good, 4, h));
    EXPECT_FALSE(ParseLayer3Header(good, 3, h)); // cut short
    const uint8_t freeFormat[4] = {0xFF, 0xFB, 0x00, 0x64};
    EXPECT_FALSE(ParseLayer3Header(freeFormat, 4, h));
    const uint8_t badRate[4] = {0xFF, 0xFB, 0x9C, 0x64};
    EXPECT_FALSE(ParseLayer3Header(badRate, 4, h));
    const uint8_t reservedVersion[4] = {0xFF, 0xEB, 0x90, 0x64};
    EXPECT_FALSE(ParseLayer3Header(reservedVersion, 4, h));
}

TEST(Crc16, StandardCheckValues) {
    const std::string s = "123456789";
    const auto* p = reinterpret_cast<const uint8_t*>(s.data());
    EXPECT_EQ(Crc16Mpeg(p, s.size()), 0xAEE7);
    EXPECT_EQ(Crc16Arc(p, s.size()), 0xBB3D);
}

TEST(Crc16, MatchesEveryFrameCrcLameWrote) {
    const std::vector<uint8_t> b = ReadFixture("crc.mp3");
    int checked = 0;
    for (size_t at : Frames(b)) {
        Layer3Header h;
        ASSERT_TRUE(ParseLayer3Header(&b[at], 4, h));
        ASSERT_TRUE(h.crc);
        const uint16_t crc = FrameCrc(&b[at], h);
        if (at == 0)
            continue; // LAME's Info frame carries no valid frame CRC
        EXPECT_EQ(b[at + 4], crc >> 8) << at;
        EXPECT_EQ(b[at + 5], crc & 0xFF) << at;
        ++checked;
    }
    EXPECT_GT(checked, 50);
}

TEST(Crc16, MatchesTheLameTagCrc) {
    // The tag CRC covers the Info frame up to the tag's last two bytes: 190
    // bytes for MPEG-1 stereo, 175 with the shorter mono side information.
    for (const auto& [file, end] : {std::pair{"cbr128_stereo.mp3", 190}, std::pair{"mono.mp3", 175},
                                    std::pair{"vbr_stereo.mp3", 190}}) {
        const std::vector<uint8_t> b = ReadFixture(file);
        const uint16_t crc = Crc16Arc(b.data(), static_cast<size_t>(end));
        EXPECT_EQ(b[end], crc >> 8) << file;
        EXPECT_EQ(b[end + 1], crc & 0xFF) << file;
    }
}

TEST(Crc16, MatchesTheMusicCrcLameWroteOverTheWholeStream) {
    // LAME's music CRC covers every byte after its Info frame; the eight-byte
    // steps must give it from any start, in pieces of any length.
    for (const char* file : {"cbr128_stereo.mp3", "vbr_stereo.mp3"}) {
        const std::vector<uint8_t> b = ReadFixture(file);
        const std::vector<size_t> at = Frames(b);
        ASSERT_GT(at.size(), 2u) << file;
        const size_t music = at[1];
        const uint16_t stored = static_cast<uint16_t>(b[188] << 8 | b[189]);
        EXPECT_EQ(Crc16Arc(b.data() + music, b.size() - music), stored) << file;
        uint16_t pieces = 0;
        for (size_t from = music; from < b.size(); from += 13)
            pieces = Crc16Arc(b.data() + from, std::min<size_t>(13, b.size() - from), pieces);
        EXPECT_EQ(pieces, stored) << file;
    }
}

TEST(SideInfo, ZeroingKeepsTheFrameValidAndItsMainData) {
    std::vector<uint8_t> b = ReadFixture("crc.mp3");
    const size_t at = Frames(b)[10];
    Layer3Header h;
    ASSERT_TRUE(ParseLayer3Header(&b[at], 4, h));
    const std::vector<uint8_t> before(b.begin() + static_cast<long>(at),
                                      b.begin() + static_cast<long>(at) + h.length);
    ASSERT_GT(MainDataBegin(&b[at], h), 0);
    ZeroSideInfo(&b[at], h);
    EXPECT_EQ(MainDataBegin(&b[at], h), 0);
    for (int i = 0; i < h.sideInfoSize; ++i)
        EXPECT_EQ(b[at + 6 + static_cast<size_t>(i)], 0);
    const uint16_t crc = FrameCrc(&b[at], h);
    EXPECT_EQ(b[at + 4], crc >> 8);
    EXPECT_EQ(b[at + 5], crc & 0xFF);
    EXPECT_NE(b[at + 4] << 8 | b[at + 5], before[4] << 8 | before[5]);
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 4, b.begin() + static_cast<long>(at)));
    EXPECT_TRUE(std::equal(before.begin() + h.MainDataOffset(), before.end(),
                           b.begin() + static_cast<long>(at) + h.MainDataOffset()));
}

TEST(SideInfo, MainDataBeginStaysWithinTheReservoirOfRealStreams) {
    // A well-formed stream never points back further than the main data that
    // came before, and LAME uses the reservoir, so some frames point back.
    for (const char* file : {"vbr_stereo.mp3", "mpeg2_22k.mp3", "mpeg25_8k.mp3"}) {
        const std::vector<uint8_t> b = ReadFixture(file);
        size_t avail = 0;
        int pointing = 0;
        for (size_t at : Frames(b)) {
            Layer3Header h;
            ASSERT_TRUE(ParseLayer3Header(&b[at], 4, h));
            const int back = MainDataBegin(&b[at], h);
            EXPECT_LE(static_cast<size_t>(back), avail) << file << " at " << at;
            pointing += back > 0;
            avail += static_cast<size_t>(h.MainDataSize());
        }
        EXPECT_GT(pointing, 5) << file;
    }
}

} // namespace
} // namespace tessivo::mp3
