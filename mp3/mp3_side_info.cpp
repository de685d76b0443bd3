#include "mp3/mp3_side_info.h"

#include <array>
#include <cstring>

namespace tessivo::mp3 {

namespace {

constexpr int kBitrateMpeg1[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                   112, 128, 160, 192, 224, 256, 320, 0};
constexpr int kBitrateMpeg2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
constexpr int kRateMpeg1[3] = {44100, 48000, 32000};

} // namespace

int Layer3Bitrate(bool lsf, int bitrateIndex) {
    if (bitrateIndex < 0 || bitrateIndex > 15)
        return 0;
    return lsf ? kBitrateMpeg2[bitrateIndex] : kBitrateMpeg1[bitrateIndex];
}

int Layer3FrameLength(bool lsf, int bitrateIndex, int sampleRate, bool padding) {
    const int br = Layer3Bitrate(lsf, bitrateIndex);
    if (br == 0 || sampleRate == 0)
        return 0;
    return (lsf ? 72000 : 144000) * br / sampleRate + (padding ? 1 : 0);
}

int Layer3SideInfoSize(bool lsf, bool mono) {
    if (lsf)
        return mono ? 9 : 17;
    return mono ? 17 : 32;
}

bool ParseLayer3Header(const uint8_t* p, size_t avail, Layer3Header& h) {
    if (avail < 4 || p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return false;
    const int version = (p[1] >> 3) & 3;
    const int layer = (p[1] >> 1) & 3;
    if (version == 1 || layer != 1)
        return false;
    const int bri = p[2] >> 4;
    const int sri = (p[2] >> 2) & 3;
    if (bri == 0 || bri == 15 || sri == 3)
        return false;
    h.versionBits = version;
    h.lsf = version != 3;
    h.crc = (p[1] & 1) == 0;
    h.bitrateIndex = bri;
    h.rateIndex = sri;
    h.padding = (p[2] & 2) != 0;
    h.privateBit = (p[2] & 1) != 0;
    h.mode = p[3] >> 6;
    int rate = kRateMpeg1[sri];
    if (version == 2)
        rate /= 2;
    else if (version == 0)
        rate /= 4;
    h.sampleRate = rate;
    h.bitrateKbps = Layer3Bitrate(h.lsf, bri);
    h.length = Layer3FrameLength(h.lsf, bri, rate, h.padding);
    h.sideInfoSize = Layer3SideInfoSize(h.lsf, h.Mono());
    h.samplesPerFrame = h.lsf ? 576 : 1152;
    return true;
}

int MainDataBegin(const uint8_t* frame, const Layer3Header& h) {
    const uint8_t* si = frame + h.SideInfoOffset();
    if (h.lsf)
        return si[0];
    return (si[0] << 1) | (si[1] >> 7);
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

uint16_t Crc16Arc(const uint8_t* data, size_t n, uint16_t crc) {
    // Table-driven: the music CRC runs over every byte of a part.
    static const std::array<uint16_t, 256> table = [] {
        std::array<uint16_t, 256> t{};
        for (unsigned i = 0; i < 256; ++i) {
            uint16_t c = static_cast<uint16_t>(i);
            for (int b = 0; b < 8; ++b)
                c = (c & 1) ? static_cast<uint16_t>((c >> 1) ^ 0xA001)
                            : static_cast<uint16_t>(c >> 1);
            t[i] = c;
        }
        return t;
    }();
    for (size_t i = 0; i < n; ++i)
        crc = static_cast<uint16_t>((crc >> 8) ^ table[(crc ^ data[i]) & 0xFF]);
    return crc;
}

} // namespace tessivo::mp3
