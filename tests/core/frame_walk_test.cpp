// The frame walk, the end-of-audio rule and the header writer of the mp3
// library, checked against the header parser on the fixtures' own frames.
#include "analysis_test_support.h"
#include "mp3/frame_header.h"
#include "mp3/frame_index.h"

#include <gtest/gtest.h>

using namespace tessivo;
using namespace analysis_test;

namespace {

// The first frame's format, read with the header parser.
mp3::StreamFormat FormatOf(const mp3::Layer3Header& h) {
    return {h.versionBits == 3 ? 1 : h.versionBits == 2 ? 2 : 25, 3, h.sampleRate};
}

} // namespace

TEST(FrameWalk, AgreesWithTheHeaderParserOnEveryFrame) {
    for (const char* name : {"vbr_stereo.mp3", "mpeg2_22k.mp3", "mpeg25_8k.mp3", "crc.mp3",
                             "id3v1_id3v2.mp3", "cover_art.mp3"}) {
        SCOPED_TRACE(name);
        OpenResult r;
        auto st = Analyse(name, false, &r);
        ASSERT_TRUE(r.ok) << r.message;
        const auto& b = st->FileBuffer;
        mp3::Layer3Header first;
        ASSERT_TRUE(mp3::ParseLayer3Header(&b[st->FirstFramePos], 4, first));
        mp3::FrameWalk start;
        start.bitrate = first.bitrateKbps;
        std::vector<int64_t> pos(st->FrameCount, -1);
        uint32_t visited = 0;
        const mp3::FrameWalk w = mp3::IndexFrames(
            b.data(), static_cast<int64_t>(b.size()) - 50, FormatOf(first), st->FirstFramePos,
            pos.data(), st->FrameCount, start, [&](uint32_t i, int64_t p, bool crc) {
                EXPECT_EQ(i, visited++);
                EXPECT_EQ(p, pos[i]);
                EXPECT_EQ(crc, (b[p + 1] & 1) == 0);
            });
        ASSERT_GT(w.frames, 20u);
        EXPECT_EQ(visited, w.frames);
        // Every step of the walk is the length the parser reads from that header.
        for (uint32_t i = 0; i < w.frames; ++i) {
            mp3::Layer3Header h;
            ASSERT_TRUE(mp3::ParseLayer3Header(&b[pos[i]], b.size() - pos[i], h)) << i;
            const int64_t next = i + 1 < w.frames ? pos[i + 1] : w.lastPos + w.lastLength;
            EXPECT_EQ(next - pos[i], h.length) << "frame " << i;
        }
        EXPECT_EQ(w.lastPos, pos[w.frames - 1]);
        // The walk ends where the audio ends.
        EXPECT_EQ(w.lastPos + w.lastLength,
                  static_cast<int64_t>(mp3::AudioEnd(b.size(), st->HasId3v1, st->FirstFramePos)));
    }
}

TEST(AudioEnd, TakesOffAnId3v1TagOnlyAfterTheFirstFrame) {
    EXPECT_EQ(mp3::AudioEnd(5000, false, 0), 5000u);
    EXPECT_EQ(mp3::AudioEnd(5000, true, 0), 4872u);
    EXPECT_EQ(mp3::AudioEnd(5000, true, 4872), 4872u);
    // A "tag" that overlaps the first frame is audio.
    EXPECT_EQ(mp3::AudioEnd(5000, true, 4873), 5000u);
    EXPECT_EQ(mp3::AudioEnd(100, true, 0), 100u);
}

TEST(Layer3HeaderWriter, WritesWhatTheParserReadsBack) {
    for (const char* name : {"cbr128_stereo.mp3", "mono.mp3", "mpeg2_22k.mp3", "mpeg25_8k.mp3"}) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> b = ReadBytes(Fixture(name));
        mp3::Layer3Header model;
        ASSERT_TRUE(mp3::ParseLayer3Header(b.data(), b.size(), model));
        const int index = mp3::BitrateIndexForLength(model, 300, 0);
        uint8_t f[4];
        mp3::WriteLayer3Header(f, model, index, b[3]);
        mp3::Layer3Header h;
        ASSERT_TRUE(mp3::ParseLayer3Header(f, 4, h));
        EXPECT_EQ(h.versionBits, model.versionBits);
        EXPECT_EQ(h.sampleRate, model.sampleRate);
        EXPECT_EQ(h.mode, model.mode);
        EXPECT_FALSE(h.crc);
        EXPECT_FALSE(h.padding);
        // The smallest frame that holds 300 bytes.
        EXPECT_GE(h.length, 300);
        if (index > 1) {
            EXPECT_LT(mp3::Layer3FrameLength(model.lsf, index - 1, model.sampleRate, false), 300);
        }
        // A preferred index that is long enough is kept.
        EXPECT_EQ(mp3::BitrateIndexForLength(model, 1, 7), 7);
    }
}
