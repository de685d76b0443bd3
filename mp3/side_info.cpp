#include "mp3/side_info.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tessivo::mp3 {

int MainDataBegin(const uint8_t* frame, const Layer3Header& h) {
    const uint8_t* si = frame + h.SideInfoOffset();
    if (h.lsf)
        return si[0];
    return (si[0] << 1) | (si[1] >> 7);
}

namespace {

// Most significant bit first, as the side information is laid out; the
// bytes are held as big-endian 64-bit words, so a field is two shifts.
class BitReader {
public:
    BitReader(const uint8_t* p, int bytes) {
        for (int i = 0; i < bytes; ++i)
            words_[static_cast<size_t>(i >> 3)] |= uint64_t{p[i]} << (56 - 8 * (i & 7));
    }
    int Read(int bits) {
        const size_t at = static_cast<size_t>(pos_ >> 6);
        const int shift = pos_ & 63;
        uint64_t w = words_[at] << shift;
        if (shift > 0)
            w |= words_[at + 1] >> (64 - shift);
        pos_ += bits;
        return static_cast<int>(w >> (64 - bits));
    }
    void Skip(int bits) { pos_ += bits; }

private:
    std::array<uint64_t, 5> words_{}; // 32 bytes of side information at most
    int pos_ = 0;
};

} // namespace

int HuffmanTableMax(int table) {
    // Tables 4 and 14 do not exist; 16..31 add linbits to 15.
    static constexpr int kMax[32] = {0,    1,    2,  2,  0,  3,   3,   5,   5,    5,   7,
                                     7,    7,    15, 0,  15, 16,  18,  22,  30,   78,  270,
                                     1038, 8206, 30, 46, 78, 142, 270, 526, 2062, 8206};
    return table >= 0 && table < 32 ? kMax[table] : 0;
}

namespace {

// The table that reaches highest among the regions' table_select fields.
int LargestTable(BitReader& bits, int regions) {
    int best = 0;
    for (int r = 0; r < regions; ++r) {
        const int t = bits.Read(5);
        if (HuffmanTableMax(t) > HuffmanTableMax(best))
            best = t;
    }
    return best;
}

} // namespace

SideInfoGains ReadGranuleGains(const uint8_t* frame, const Layer3Header& h) {
    SideInfoGains g;
    g.granules = h.lsf ? 1 : 2;
    g.channels = h.Mono() ? 1 : 2;
    g.midSide = h.mode == 1 && (frame[3] & 0x20) != 0;
    BitReader bits(frame + h.SideInfoOffset(), std::min(h.sideInfoSize, 32));
    if (h.lsf)
        bits.Skip(8 + g.channels); // main_data_begin, private bits
    else
        bits.Skip(9 + (g.channels == 1 ? 5 : 3) + 4 * g.channels); // ... and scfsi
    // Per granule and channel: part2_3_length, big_values, global_gain,
    // scalefac_compress, then either the block type and two table selects
    // with the subblock gains, or three table selects with the region
    // counts, then the flags.
    for (int gr = 0; gr < g.granules; ++gr) {
        for (int ch = 0; ch < g.channels; ++ch) {
            GranuleGain& gg = g.gain[gr][ch];
            gg.part23Length = bits.Read(12);
            gg.bigValues = bits.Read(9);
            gg.globalGain = bits.Read(8);
            bits.Skip(h.lsf ? 9 : 4);
            if (bits.Read(1)) {
                bits.Skip(3);
                gg.largestTable = LargestTable(bits, 2);
                bits.Skip(9);
            } else {
                gg.largestTable = LargestTable(bits, 3);
                bits.Skip(7);
            }
            bits.Skip(h.lsf ? 2 : 3);
        }
    }
    return g;
}

uint16_t Crc16Mpeg(const uint8_t* data, size_t n, uint16_t crc) {
    for (size_t i = 0; i < n; ++i) {
        crc ^= static_cast<uint16_t>(data[i]) << 8;
        for (int b = 0; b < 8; ++b)
            crc = (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ 0x8005)
                                 : static_cast<uint16_t>(crc << 1);
    }
    return crc;
}

uint16_t FrameCrc(const uint8_t* frame, const Layer3Header& h) {
    uint16_t crc = Crc16Mpeg(frame + 2, 2);
    return Crc16Mpeg(frame + h.SideInfoOffset(), static_cast<size_t>(h.sideInfoSize), crc);
}

void ZeroSideInfo(uint8_t* frame, const Layer3Header& h) {
    std::memset(frame + h.SideInfoOffset(), 0, static_cast<size_t>(h.sideInfoSize));
    if (h.crc) {
        const uint16_t crc = FrameCrc(frame, h);
        frame[4] = static_cast<uint8_t>(crc >> 8);
        frame[5] = static_cast<uint8_t>(crc & 0xFF);
    }
}

namespace {

// Bits of side information before the first granule, and of one granule of
// one channel (part2_3_length .. count1table_select).
int SideInfoPrefixBits(const Layer3Header& h) {
    const bool mono = h.Mono();
    if (h.lsf)
        return 8 + (mono ? 1 : 2);
    return 9 + (mono ? 5 : 3) + 4 * (mono ? 1 : 2);
}
int GranuleChannelBits(const Layer3Header& h) {
    return h.lsf ? 63 : 59;
}

// The 8 bits at bit `at` of `p` (most significant first), and storing them.
int ReadByteAt(const uint8_t* p, int at) {
    const int shift = at & 7;
    const int word = (p[at >> 3] << 8) | (shift ? p[(at >> 3) + 1] : 0);
    return (word >> (8 - shift)) & 0xFF;
}
void WriteByteAt(uint8_t* p, int at, int value) {
    const int shift = at & 7;
    const int mask = 0xFF00 >> shift;
    const int bits = (value & 0xFF) << (8 - shift);
    p[at >> 3] = static_cast<uint8_t>((p[at >> 3] & ~(mask >> 8)) | (bits >> 8));
    if (shift)
        p[(at >> 3) + 1] =
            static_cast<uint8_t>((p[(at >> 3) + 1] & ~(mask & 0xFF)) | (bits & 0xFF));
}

} // namespace

int ChangeGlobalGain(uint8_t* frame, const Layer3Header& h, int steps) {
    const int both[2] = {steps, steps};
    return ChangeGranuleGains(frame, h, both);
}

int ChangeGranuleGains(uint8_t* frame, const Layer3Header& h, const int steps[2]) {
    uint8_t* si = frame + h.SideInfoOffset();
    const int granules = h.lsf ? 1 : 2;
    const int channels = h.Mono() ? 1 : 2;
    int held = 0;
    bool changed = false;
    for (int gr = 0; gr < granules; ++gr) {
        if (steps[gr] == 0)
            continue;
        for (int ch = 0; ch < channels; ++ch) {
            // global_gain follows part2_3_length (12) and big_values (9).
            const int at =
                SideInfoPrefixBits(h) + (gr * channels + ch) * GranuleChannelBits(h) + 21;
            const int want = ReadByteAt(si, at) + steps[gr];
            const int gain = std::clamp(want, 0, 255);
            held += gain != want ? 1 : 0;
            WriteByteAt(si, at, gain);
            changed = true;
        }
    }
    if (h.crc && changed) {
        const uint16_t crc = FrameCrc(frame, h);
        frame[4] = static_cast<uint8_t>(crc >> 8);
        frame[5] = static_cast<uint8_t>(crc & 0xFF);
    }
    return held;
}

namespace {

// CRC-16/ARC tables for eight bytes at a time: kCrcTables[0] is the byte
// table, kCrcTables[k] the same byte seen k bytes earlier.
using CrcTables = std::array<std::array<uint16_t, 256>, 8>;

CrcTables MakeCrcTables() {
    CrcTables t{};
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t c = static_cast<uint16_t>(i);
        for (int b = 0; b < 8; ++b)
            c = (c & 1) ? static_cast<uint16_t>((c >> 1) ^ 0xA001) : static_cast<uint16_t>(c >> 1);
        t[0][i] = c;
    }
    for (size_t k = 1; k < t.size(); ++k)
        for (unsigned i = 0; i < 256; ++i)
            t[k][i] = static_cast<uint16_t>((t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF]);
    return t;
}

} // namespace

uint16_t Crc16Arc(const uint8_t* data, size_t n, uint16_t crc) {
    // Eight bytes a step: the music CRC runs over every byte of a part.
    static const CrcTables t = MakeCrcTables();
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const uint8_t* d = data + i;
        crc = static_cast<uint16_t>(t[7][(crc ^ d[0]) & 0xFF] ^ t[6][((crc >> 8) ^ d[1]) & 0xFF] ^
                                    t[5][d[2]] ^ t[4][d[3]] ^ t[3][d[4]] ^ t[2][d[5]] ^ t[1][d[6]] ^
                                    t[0][d[7]]);
    }
    for (; i < n; ++i)
        crc = static_cast<uint16_t>((crc >> 8) ^ t[0][(crc ^ data[i]) & 0xFF]);
    return crc;
}

} // namespace tessivo::mp3
