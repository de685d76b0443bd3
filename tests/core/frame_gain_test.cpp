// Lossless gain on the fixtures' own frames: every granule's global_gain moves
// by the steps asked (clamped to 0..255), nothing else in the frame changes,
// protected frames carry a right CRC afterwards and the Info frame's LAME tag
// stays consistent. mpg123 and mp3val judge the changed files.
#include "mp3/frame_gain.h"
#include "mp3/info_frame.h"
#include "mp3/side_info.h"
#include "part_file_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using namespace tessivo::mp3;
using part_checks::Fixture;
using part_checks::ReadBytes;

std::vector<size_t> FrameStarts(const std::vector<uint8_t>& b) {
    std::vector<size_t> at;
    Layer3Header h;
    for (size_t p = 0; p < b.size() && ParseLayer3Header(&b[p], b.size() - p, h);
         p += static_cast<size_t>(h.length))
        at.push_back(p);
    return at;
}

std::vector<SideInfoGains> Gains(const std::vector<uint8_t>& b) {
    std::vector<SideInfoGains> g;
    Layer3Header h;
    for (size_t at : FrameStarts(b)) {
        ParseLayer3Header(&b[at], 4, h);
        g.push_back(ReadGranuleGains(&b[at], h));
    }
    return g;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& b) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// Every granule gain of `after` is that of `before` moved by `steps` and
// clamped; the other side-information fields read the same.
void ExpectMoved(const std::vector<SideInfoGains>& before, const std::vector<SideInfoGains>& after,
                 int steps, size_t skip) {
    ASSERT_EQ(before.size(), after.size());
    for (size_t f = skip; f < before.size(); ++f) {
        for (int gr = 0; gr < before[f].granules; ++gr) {
            for (int ch = 0; ch < before[f].channels; ++ch) {
                const GranuleGain& a = before[f].gain[gr][ch];
                const GranuleGain& b = after[f].gain[gr][ch];
                EXPECT_EQ(b.globalGain, std::clamp(a.globalGain + steps, 0, 255)) << f;
                EXPECT_EQ(b.part23Length, a.part23Length) << f;
                EXPECT_EQ(b.bigValues, a.bigValues) << f;
                EXPECT_EQ(b.largestTable, a.largestTable) << f;
            }
        }
    }
}

TEST(FrameGain, MovesEveryGranuleOfEveryVersionAndMode) {
    // MPEG-1 stereo and mono, MPEG-2 and 2.5: the field sits at different
    // bit offsets in each layout.
    for (const char* name :
         {"cbr128_stereo.mp3", "mono.mp3", "mpeg2_22k.mp3", "mpeg25_8k.mp3", "vbr_stereo.mp3"}) {
        SCOPED_TRACE(name);
        std::vector<uint8_t> b = ReadBytes(Fixture(name));
        const std::vector<SideInfoGains> before = Gains(b);
        const size_t info = ReadInfoTag(b.data(), b.size()).kind == SourceInfoTag::Kind::None;
        for (int steps : {-2, 5}) {
            std::vector<uint8_t> c = b;
            const GainChange change = ChangeStreamGain(c.data(), c.size(), steps);
            EXPECT_EQ(change.frames, static_cast<int>(before.size() - (info ? 0 : 1)));
            EXPECT_EQ(change.held, 0);
            ExpectMoved(before, Gains(c), steps, info ? 0 : 1);
            // Back again gives the very bytes of the source.
            ChangeStreamGain(c.data(), c.size(), -steps);
            EXPECT_TRUE(c == b);
        }
    }
}

TEST(FrameGain, ClampsAtBothEndsAndCountsWhatItHeldBack) {
    std::vector<uint8_t> b = ReadBytes(Fixture("cbr128_stereo.mp3"));
    const std::vector<SideInfoGains> before = Gains(b);
    int maxGain = 0, minGain = 255, granules = 0;
    for (size_t f = 1; f < before.size(); ++f)
        for (int gr = 0; gr < 2; ++gr)
            for (int ch = 0; ch < 2; ++ch) {
                maxGain = std::max(maxGain, before[f].gain[gr][ch].globalGain);
                minGain = std::min(minGain, before[f].gain[gr][ch].globalGain);
                ++granules;
            }
    ASSERT_LT(maxGain, 255);
    ASSERT_GT(minGain, 0);
    // Enough to pass 255 for the loudest granule but not for the quietest.
    const int up = 255 - minGain;
    std::vector<uint8_t> c = b;
    const GainChange raised = ChangeStreamGain(c.data(), c.size(), up);
    ExpectMoved(before, Gains(c), up, 1);
    int expectHeld = 0;
    for (size_t f = 1; f < before.size(); ++f)
        for (int gr = 0; gr < 2; ++gr)
            for (int ch = 0; ch < 2; ++ch)
                expectHeld += before[f].gain[gr][ch].globalGain > minGain;
    EXPECT_EQ(raised.held, expectHeld);
    EXPECT_GT(raised.held, 0);
    EXPECT_LT(raised.held, granules);
    c = b;
    const GainChange lowered = ChangeStreamGain(c.data(), c.size(), -300);
    EXPECT_EQ(lowered.held, granules);
    for (size_t f = 1; f < before.size(); ++f)
        EXPECT_EQ(Gains(c)[f].gain[1][1].globalGain, 0);
}

TEST(FrameGain, ProtectedFramesGetTheirCrcAndDecodeClean) {
    std::vector<uint8_t> b = ReadBytes(Fixture("crc.mp3"));
    ChangeStreamGain(b.data(), b.size(), -2);
    Layer3Header h;
    size_t checked = 0;
    for (size_t at : FrameStarts(b)) {
        ParseLayer3Header(&b[at], 4, h);
        if (ReadInfoTag(&b[at], b.size() - at).kind != SourceInfoTag::Kind::None)
            continue;
        ASSERT_TRUE(h.crc);
        const uint16_t crc = FrameCrc(&b[at], h);
        EXPECT_EQ(b[at + 4], crc >> 8) << at;
        EXPECT_EQ(b[at + 5], crc & 0xFF) << at;
        ++checked;
    }
    EXPECT_GT(checked, 20u);
    if (!part_checks::HaveMpg123())
        GTEST_SKIP() << "mpg123 missing";
    const auto dir = part_checks::FreshFolder("frame_gain");
    const std::string path = (dir / "crc_gain.mp3").string();
    WriteFile(path, b);
    EXPECT_GT(part_checks::Mpg123Frames(path, false), 20);
    // mp3val reads the frame CRCs (it finds no tags in this file).
    const std::string cmd =
        "mp3val '" + path + "' | grep -E 'WARNING|ERROR' | grep -c -v 'No supported tags'";
    FILE* p = popen(cmd.c_str(), "r");
    char buf[32] = {};
    ASSERT_TRUE(p);
    fgets(buf, sizeof buf, p);
    pclose(p);
    EXPECT_EQ(std::atoi(buf), 0) << "mp3val complains about " << path;
}

TEST(FrameGain, InfoFrameKeepsItsMusicAndTagCrc) {
    std::vector<uint8_t> b = ReadBytes(Fixture("vbr_stereo.mp3"));
    const SourceInfoTag before = ReadInfoTag(b.data(), b.size());
    ASSERT_TRUE(before.hasLame);
    ChangeStreamGain(b.data(), b.size(), 3);
    const SourceInfoTag after = ReadInfoTag(b.data(), b.size());
    const size_t lame = after.lameOffset;
    const size_t music = FrameStarts(b)[1];
    EXPECT_EQ(Crc16Arc(b.data() + music, b.size() - music), (b[lame + 32] << 8) | b[lame + 33]);
    EXPECT_EQ(Crc16Arc(b.data(), lame + 34), (b[lame + 34] << 8) | b[lame + 35]);
    // The tag's other fields (delay, padding) are the source's.
    EXPECT_EQ(after.delay, before.delay);
    EXPECT_EQ(after.padding, before.padding);
}

} // namespace
