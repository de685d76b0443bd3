#include "mp3/frame_header.h"

namespace tessivo::mp3 {

int BitrateKbps(int version, int layer, int index) {
    static constexpr int kV1[3][16] = {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    };
    static constexpr int kV2[2][16] = {
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
    };
    if (index < 1 || index > 14 || layer < 1 || layer > 3)
        return 0;
    if (version == 1)
        return kV1[layer - 1][index];
    if (version == 2 || version == 25)
        return kV2[layer == 1 ? 0 : 1][index];
    return 0;
}

int SampleRateHz(int version, int index) {
    static constexpr int kRates[3][3] = {
        {44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
    if (index < 0 || index > 2)
        return 0;
    if (version == 1)
        return kRates[0][index];
    if (version == 2)
        return kRates[1][index];
    if (version == 25)
        return kRates[2][index];
    return 0;
}

int SamplesPerFrameFor(int version, int layer) {
    if (layer == 1)
        return 384;
    if (layer == 2)
        return 1152;
    if (layer == 3)
        return version == 1 ? 1152 : 576;
    return 0;
}

int FrameLengthFor(int version, int layer, int bitrateKbps, int sampleRate, int padding) {
    if (sampleRate <= 0)
        return 0;
    if (version == 1) {
        if (layer == 1)
            return static_cast<int>(
                (static_cast<double>(bitrateKbps) * 12000.0 / sampleRate + padding) * 4.0);
        return bitrateKbps * 144000 / sampleRate + padding;
    }
    return bitrateKbps * 72000 / sampleRate + padding;
}

int VersionFromByte1(uint8_t b1) {
    static constexpr int kVersions[4] = {25, 0, 2, 1};
    return kVersions[(b1 >> 3) & 3];
}

int LayerFromByte1(uint8_t b1) {
    static constexpr int kLayers[4] = {0, 3, 2, 1};
    return kLayers[(b1 >> 1) & 3];
}

bool PassesSyncTest(const uint8_t* p, size_t avail) {
    if (avail < 4)
        return false;
    const uint8_t b0 = p[0], b1 = p[1], b2 = p[2], b3 = p[3];
    if (b0 != 0xFF || b1 < 0xE0 || b2 >= 0xF0)
        return false;
    if (((b1 >> 1) & 3) == 0) // reserved layer
        return false;
    if (((b2 >> 2) & 3) == 3) // reserved sampling frequency
        return false;
    if ((b3 & 3) != 0) // emphasis
        return false;
    const int mode = (b3 >> 6) & 3;
    return mode == 1 || ((b3 >> 4) & 3) == 0;
}

int Layer3Bitrate(bool lsf, int bitrateIndex) {
    return BitrateKbps(lsf ? 2 : 1, 3, bitrateIndex);
}

int Layer3FrameLength(bool lsf, int bitrateIndex, int sampleRate, bool padding) {
    const int br = Layer3Bitrate(lsf, bitrateIndex);
    if (br == 0 || sampleRate == 0)
        return 0;
    return FrameLengthFor(lsf ? 2 : 1, 3, br, sampleRate, padding ? 1 : 0);
}

int Layer3SideInfoSize(bool lsf, bool mono) {
    if (lsf)
        return mono ? 9 : 17;
    return mono ? 17 : 32;
}

bool ParseLayer3Header(const uint8_t* p, size_t avail, Layer3Header& h) {
    if (avail < 4 || p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return false;
    const int version = VersionFromByte1(p[1]);
    const int bri = p[2] >> 4;
    const int sri = (p[2] >> 2) & 3;
    if (version == 0 || LayerFromByte1(p[1]) != 3 || bri == 0 || bri == 15 || sri == 3)
        return false;
    h.versionBits = (p[1] >> 3) & 3;
    h.lsf = version != 1;
    h.crc = (p[1] & 1) == 0;
    h.bitrateIndex = bri;
    h.rateIndex = sri;
    h.padding = (p[2] & 2) != 0;
    h.privateBit = (p[2] & 1) != 0;
    h.mode = p[3] >> 6;
    h.sampleRate = SampleRateHz(version, sri);
    h.bitrateKbps = Layer3Bitrate(h.lsf, bri);
    h.length = Layer3FrameLength(h.lsf, bri, h.sampleRate, h.padding);
    h.sideInfoSize = Layer3SideInfoSize(h.lsf, h.Mono());
    h.samplesPerFrame = SamplesPerFrameFor(version, 3);
    return true;
}

int BitrateIndexForLength(const Layer3Header& model, int minLength, int preferred) {
    auto fits = [&](int i) {
        return Layer3FrameLength(model.lsf, i, model.sampleRate, false) >= minLength;
    };
    if (preferred >= 1 && preferred <= 14 && fits(preferred))
        return preferred;
    for (int i = 1; i <= 14; ++i)
        if (fits(i))
            return i;
    return 14;
}

void WriteLayer3Header(uint8_t* f, const Layer3Header& m, int bitrateIndex, uint8_t byte3) {
    f[0] = 0xFF;
    f[1] = static_cast<uint8_t>(0xE0 | (m.versionBits << 3) | (1 << 1) | 1); // layer III, no CRC
    f[2] = static_cast<uint8_t>((bitrateIndex << 4) | (m.rateIndex << 2) | (m.privateBit ? 1 : 0));
    // Channel mode and the copyright/original bits; no mode extension, no emphasis.
    f[3] = static_cast<uint8_t>((m.mode << 6) | (byte3 & 0x0C));
}

} // namespace tessivo::mp3
