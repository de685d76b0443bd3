// The decoder over a file image: probe, one frame per call, and starting at
// any frame with output identical to a decode from the start.
#include "analysis_test_support.h"
#include "core/decode/mpg123_decoder.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace tessivo;
using namespace analysis_test;

TEST(Mpg123Decoder, ProbeAgreesWithFfprobe) {
    for (const std::string& name : ValidFixtures()) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> b = ReadBytes(Fixture(name));
        const Mpg123Probe p = Mpg123Decoder::Probe(b.data(), b.size());
        ASSERT_TRUE(p.ok);
        EXPECT_EQ(p.layer, 3);
        const CommandResult ff = RunCommand(
            "ffprobe -v error -select_streams a:0 -show_entries stream=sample_rate,channels "
            "-of csv=p=0 " +
            Quote(Fixture(name)));
        EXPECT_EQ(ff.out.substr(0, ff.out.find('\n')),
                  std::to_string(p.rate) + "," + std::to_string(p.channels));
        EXPECT_EQ(p.decodedBytes, Mpg123Pcm(Fixture(name)).size() * 2);
        EXPECT_NEAR(p.duration, static_cast<double>(p.decodedBytes) / 2 / p.channels / p.rate,
                    1e-9);
    }
}

TEST(Mpg123Decoder, ProbeRefusesWhatIsNotLayer3) {
    for (const std::string& name : NegativeFixtures()) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> b = ReadBytes(Fixture(name));
        EXPECT_FALSE(Mpg123Decoder::Probe(b.data(), b.size()).ok);
    }
    const std::vector<uint8_t> l2 = ReadBytes(Fixture("layer2.mp3"));
    EXPECT_EQ(Mpg123Decoder::Probe(l2.data(), l2.size()).layer, 2);
    EXPECT_FALSE(Mpg123Decoder::Probe(nullptr, 0).ok);
}

TEST(Mpg123Decoder, OneFramePerCallFromAnyStart) {
    for (const char* name : {"vbr_stereo.mp3", "mpeg25_8k.mp3", "long65.mp3", "crc.mp3"}) {
        SCOPED_TRACE(name);
        OpenResult r;
        auto st = Analyse(name, false, &r);
        ASSERT_TRUE(r.ok);
        const size_t frameBytes = static_cast<size_t>(st->SamplesPerFrame) * 2 * st->ChannelCount;
        // Whole decode from frame 0.
        std::vector<std::vector<int16_t>> frames;
        Mpg123Decoder d;
        ASSERT_TRUE(d.Open(st->FileBuffer.data(), st->FileBuffer.size(),
                           static_cast<size_t>(st->FramePos[0])));
        EXPECT_EQ(d.Rate(), st->SampleRate);
        EXPECT_EQ(d.Channels(), st->ChannelCount);
        const int16_t* pcm;
        size_t bytes;
        while (d.NextFrame(pcm, bytes)) {
            ASSERT_EQ(bytes, frameBytes);
            frames.emplace_back(pcm, pcm + bytes / 2);
        }
        ASSERT_EQ(frames.size(), st->FrameCount);
        // Starting anywhere gives the same frames from there on: the same
        // length, and samples that differ at most in the last bits (the
        // synthesis filter sums in an order that depends on how many frames
        // the decoder has seen).
        const uint32_t n = static_cast<uint32_t>(st->IndexedFrames);
        for (uint32_t f : {1u, 2u, 5u, 9u, 17u, n / 2, n - 3, n - 1}) {
            SCOPED_TRACE(f);
            Mpg123Decoder s;
            ASSERT_TRUE(s.OpenAtFrame(st->FileBuffer.data(), st->FileBuffer.size(),
                                      st->FramePos.data(), n, f));
            for (uint32_t j = f; j < std::min<uint32_t>(f + 4, st->FrameCount); ++j) {
                ASSERT_TRUE(s.NextFrame(pcm, bytes));
                ASSERT_EQ(bytes, frameBytes);
                int maxDiff = 0;
                size_t differ = 0;
                for (size_t i = 0; i < bytes / 2; ++i) {
                    const int d = std::abs(pcm[i] - frames[j][i]);
                    maxDiff = std::max(maxDiff, d);
                    differ += d != 0;
                }
                EXPECT_LE(maxDiff, 2) << "frame " << j;
                EXPECT_LE(differ, bytes / 2 / 100) << "frame " << j;
            }
        }
        Mpg123Decoder bad;
        EXPECT_FALSE(bad.OpenAtFrame(st->FileBuffer.data(), st->FileBuffer.size(),
                                     st->FramePos.data(), n, n));
    }
}

TEST(Mpg123Decoder, WarmupStartIsAlignedAndCoversTheReservoir) {
    std::vector<int64_t> pos;
    for (int i = 0; i < 200; ++i)
        pos.push_back(i * 72); // small frames: many are needed for 1024 bytes
    for (uint32_t f : {0u, 1u, 3u, 20u, 100u, 199u}) {
        const uint32_t s = Mpg123Decoder::WarmupStart(pos.data(), f);
        EXPECT_EQ(s % 8, 0u);
        EXPECT_LE(s, f);
        if (f >= 20) {
            EXPECT_GE(pos[f] - pos[s], 1024);
        }
    }
}
