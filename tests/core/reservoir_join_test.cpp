// The bit-reservoir re-lay of joined frame runs, on frames built so that the
// frame after a join points back at main data the stream before it does not
// hold. A checker of its own walks the joined stream as a decoder does and
// collects each frame's main data.
#include "mp3/reservoir_join.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using namespace tessivo::mp3;

constexpr int kSlot128 = 417 - 4 - 17; // MPEG-1 44.1 kHz mono, 128 kbit/s

class BitWriter {
public:
    explicit BitWriter(uint8_t* p) : p_(p) {}
    void Put(int bits, uint32_t value) {
        for (int b = bits - 1; b >= 0; --b, ++pos_)
            if (b < 32 && ((value >> b) & 1)) // wider fields hold zeros above bit 31
                p_[pos_ >> 3] |= static_cast<uint8_t>(0x80 >> (pos_ & 7));
    }

private:
    uint8_t* p_;
    int pos_ = 0;
};

// Reads bits most significant first, as the side information is laid out.
int Bits(const uint8_t* p, int from, int n) {
    int v = 0;
    for (int i = from; i < from + n; ++i)
        v = (v << 1) | ((p[i >> 3] >> (7 - (i & 7))) & 1);
    return v;
}

// One mono MPEG-1 frame of 128 kbit/s whose main data starts `begin` bytes
// before its slot and is `length` bytes long (split over its two granules).
std::vector<uint8_t> Frame(int begin, int length) {
    std::vector<uint8_t> f(417, 0);
    f[0] = 0xFF;
    f[1] = 0xFB;
    f[2] = 0x90;
    f[3] = 0xC0;
    BitWriter w(f.data() + 4);
    w.Put(9, static_cast<uint32_t>(begin));
    w.Put(5 + 4, 0);
    const int bits = length * 8;
    for (int gr = 0; gr < 2; ++gr) {
        w.Put(12, static_cast<uint32_t>(gr == 0 ? bits / 2 : bits - bits / 2));
        w.Put(59 - 12, 0);
    }
    return f;
}

// A source of frames laid end to end; each frame's main data is filled
// with its number + 1 (in its own slot and in the slots before it).
struct Built {
    std::vector<uint8_t> bytes;
    std::vector<int64_t> pos;
    SourceFrames frames;
    void Add(int begin, int length) {
        const int slotStream = static_cast<int>(pos.size()) * kSlot128;
        pos.push_back(static_cast<int64_t>(bytes.size()));
        const std::vector<uint8_t> f = Frame(begin, length);
        bytes.insert(bytes.end(), f.begin(), f.end());
        const uint8_t mark = static_cast<uint8_t>(pos.size());
        for (int i = 0; i < length; ++i)
            bytes[static_cast<size_t>(FileOffset(slotStream - begin + i))] = mark;
    }
    // The file offset of a stream position (stream positions count slot bytes only).
    int FileOffset(int stream) const {
        const size_t k = static_cast<size_t>(stream / kSlot128);
        return pos[k] + 21 + stream % kSlot128;
    }
    const SourceFrames& Frames(int firstAudio = 0) {
        frames = {bytes.data(), bytes.size(), pos.data(), static_cast<int32_t>(pos.size()),
                  firstAudio};
        return frames;
    }
};

// What a decoder finds: each frame's main data in order, or an error text
// when a frame points before the stream or into the previous frame's data.
struct Walked {
    std::vector<std::vector<uint8_t>> data;
    std::vector<int> bitrateIndex;
    std::string error;
};

Walked Walk(const std::vector<uint8_t>& b) {
    Walked w;
    std::vector<uint8_t> stream;
    int64_t dataEnd = 0;
    for (size_t at = 0; at + 4 <= b.size();) {
        Layer3Header h;
        if (!ParseLayer3Header(b.data() + at, b.size() - at, h))
            return w.error = "no frame at " + std::to_string(at), w;
        const uint8_t* si = b.data() + at + 4;
        const int begin = Bits(si, 0, 9);
        const int length = (Bits(si, 18, 12) + Bits(si, 18 + 59, 12) + 7) / 8;
        const int64_t start = static_cast<int64_t>(stream.size()) - begin;
        if (start < 0 || (length > 0 && start < dataEnd))
            return w.error =
                       "frame " + std::to_string(w.data.size()) + " reads bytes it does not own",
                   w;
        stream.insert(stream.end(), b.begin() + static_cast<long>(at) + 21,
                      b.begin() + static_cast<long>(at) + h.length);
        if (start + length > static_cast<int64_t>(stream.size()))
            return w.error = "frame " + std::to_string(w.data.size()) + " overruns its slot", w;
        w.data.emplace_back(stream.begin() + start, stream.begin() + start + length);
        w.bitrateIndex.push_back(h.bitrateIndex);
        dataEnd = start + length;
        at += static_cast<size_t>(h.length);
    }
    return w;
}

std::vector<uint8_t> Filled(int length, int mark) {
    return std::vector<uint8_t>(static_cast<size_t>(length), static_cast<uint8_t>(mark));
}

} // namespace

namespace {

// Stream A fills every slot to the end except `freeAtEnd` bytes in its last
// frame; stream B's frame 1 starts its main data 100 bytes back, in frame 0.
struct TwoStreams {
    Built a, b;
    int b1Length;
    explicit TwoStreams(int freeAtEnd, int b1 = kSlot128 + 100) : b1Length(b1) {
        for (int k = 0; k < 3; ++k)
            a.Add(0, kSlot128);
        a.Add(0, kSlot128 - freeAtEnd);
        b.Add(0, kSlot128 - 100);
        b.Add(100, b1);
        b.Add(0, kSlot128);
        b.Add(0, kSlot128);
    }
    JoinedFrames Join(int bFirstAudio = 0) {
        const FrameRun runs[] = {{&a.Frames(), 0, 3}, {&b.Frames(bFirstAudio), 1, 3}};
        return JoinFrameRuns(runs);
    }
    // The main data a decoder must find: A's four frames, then B's 1..3.
    std::vector<std::vector<uint8_t>> Expected(int freeAtEnd) const {
        return {Filled(kSlot128, 1), Filled(kSlot128, 2),
                Filled(kSlot128, 3), Filled(kSlot128 - freeAtEnd, 4),
                Filled(b1Length, 2), Filled(kSlot128, 3),
                Filled(kSlot128, 4)};
    }
};

TEST(ReservoirJoin, CheckerRefusesTheFramesCopiedUnchanged) {
    TwoStreams s(0);
    std::vector<uint8_t> plain(s.a.bytes);
    plain.insert(plain.end(), s.b.bytes.begin() + s.b.pos[1], s.b.bytes.end());
    EXPECT_NE(Walk(plain).error, "");
}

TEST(ReservoirJoin, NoFreeSpaceGrowsTheFrameBeforeTheJoin) {
    TwoStreams s(0);
    const JoinedFrames joined = s.Join();
    const Walked w = Walk(joined.bytes);
    ASSERT_EQ(w.error, "");
    EXPECT_EQ(w.data, s.Expected(0));
    ASSERT_EQ(w.bitrateIndex.size(), 7u);
    EXPECT_GT(w.bitrateIndex[3], 9); // the last frame of A
    EXPECT_EQ(w.bitrateIndex[4], 9);
    EXPECT_EQ(joined.enlarged, 1);
    EXPECT_EQ(joined.offsets.size(), 7u);
}

TEST(ReservoirJoin, EnoughFreeSpaceTakesTheDataBeforeTheFrame) {
    // B's frame 1 keeps its main_data_begin; its first 100 bytes go into the
    // free space at the end of A.
    TwoStreams s(150);
    const JoinedFrames joined = s.Join();
    const Walked w = Walk(joined.bytes);
    ASSERT_EQ(w.error, "");
    EXPECT_EQ(w.data, s.Expected(150));
    EXPECT_EQ(w.bitrateIndex, std::vector<int>(7, 9));
    EXPECT_EQ(joined.enlarged, 0);
    EXPECT_EQ(joined.relaid, 0);
    const size_t tail = s.b.bytes.size() - static_cast<size_t>(s.b.pos[1]);
    EXPECT_TRUE(std::equal(joined.bytes.end() - static_cast<long>(tail), joined.bytes.end(),
                           s.b.bytes.begin() + s.b.pos[1]));
}

TEST(ReservoirJoin, LittleFreeSpaceMovesTheDataCloserToTheFrame) {
    // Only 50 bytes free: B's frame 1 starts its data there, 50 bytes back.
    TwoStreams s(50, kSlot128);
    const JoinedFrames joined = s.Join();
    const Walked w = Walk(joined.bytes);
    ASSERT_EQ(w.error, "");
    EXPECT_EQ(w.data, s.Expected(50));
    EXPECT_EQ(w.bitrateIndex, std::vector<int>(7, 9));
    EXPECT_EQ(joined.enlarged, 0);
    EXPECT_EQ(joined.relaid, 1);
    // Byte for byte from the first frame that could stay: B's frame 2 on.
    const size_t tail = s.b.bytes.size() - static_cast<size_t>(s.b.pos[2]);
    EXPECT_TRUE(std::equal(joined.bytes.end() - static_cast<long>(tail), joined.bytes.end(),
                           s.b.bytes.begin() + s.b.pos[2]));
}

TEST(ReservoirJoin, DataBeforeTheSourcesAudioBecomesASilentFrame) {
    TwoStreams s(150);
    const FrameRun runs[] = {{&s.b.Frames(1), 1, 3}};
    const JoinedFrames joined = JoinFrameRuns(runs);
    const Walked w = Walk(joined.bytes);
    ASSERT_EQ(w.error, "");
    ASSERT_EQ(w.data.size(), 3u);
    EXPECT_TRUE(w.data[0].empty());
    EXPECT_EQ(w.data[1], Filled(kSlot128, 3));
    EXPECT_EQ(joined.silenced, 1);
    EXPECT_EQ(joined.bytes.size(), 3u * 417);
}

TEST(ReservoirJoin, FirstFrameOfTheStreamGrowsToHoldItsOwnData) {
    TwoStreams s(0);
    const FrameRun runs[] = {{&s.b.Frames(0), 1, 3}};
    const JoinedFrames joined = JoinFrameRuns(runs);
    const Walked w = Walk(joined.bytes);
    ASSERT_EQ(w.error, "");
    ASSERT_EQ(w.data.size(), 3u);
    EXPECT_EQ(w.data[0], Filled(kSlot128 + 100, 2));
    EXPECT_GT(w.bitrateIndex[0], 9);
    EXPECT_EQ(joined.enlarged, 1);
}

TEST(ReservoirJoin, MainDataLengthAndBeginRoundTrip) {
    std::vector<uint8_t> f = Frame(300, 123);
    Layer3Header h;
    ASSERT_TRUE(ParseLayer3Header(f.data(), f.size(), h));
    EXPECT_EQ(MainDataLength(f.data(), h), 123);
    SetMainDataBegin(f.data(), h, 77);
    EXPECT_EQ(Bits(f.data() + 4, 0, 9), 77);
    EXPECT_EQ(MainDataLength(f.data(), h), 123);
}

} // namespace
