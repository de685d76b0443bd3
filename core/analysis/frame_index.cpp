#include "core/analysis/frame_index.h"

#include "core/analysis/frame_viewer_data.h"
#include "core/parts/time_text.h"

#include <algorithm>

namespace tessivo {

namespace {

// Version and layer as numbers from the texts the header decoding keeps.
int VersionOf(const std::string& t) {
    if (t == "1")
        return 1;
    if (t == "2")
        return 2;
    if (t == "2.5")
        return 25;
    return 0;
}

int LayerOf(const std::string& t) {
    if (t.size() == 1 && t[0] >= '1' && t[0] <= '3')
        return t[0] - '0';
    return 0;
}

// Version from header byte 1 bits 4..3 (0 = reserved).
int VersionBits(uint8_t b1) {
    switch ((b1 >> 3) & 3) {
    case 0:
        return 25;
    case 2:
        return 2;
    case 3:
        return 1;
    default:
        return 0;
    }
}

// Layer from header byte 1 bits 2..1 (0 = reserved).
int LayerBits(uint8_t b1) {
    switch ((b1 >> 1) & 3) {
    case 1:
        return 3;
    case 2:
        return 2;
    case 3:
        return 1;
    default:
        return 0;
    }
}

const char* VersionText(int v) {
    return v == 1 ? "1" : v == 2 ? "2" : "2.5";
}

uint8_t At(const ProgramState& st, int64_t p) {
    return st.FileBuffer[static_cast<size_t>(p)];
}

bool Inside(const ProgramState& st, int64_t p, int64_t n) {
    return p >= 0 && p + n <= static_cast<int64_t>(st.FileBuffer.size());
}

} // namespace

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

bool IsFrameHeader(const ProgramState& st, int64_t p) {
    if (!Inside(st, p, 4))
        return false;
    const uint8_t b0 = At(st, p), b1 = At(st, p + 1), b2 = At(st, p + 2), b3 = At(st, p + 3);
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

bool FindFrameSync(ProgramState& st, int64_t a) {
    const int64_t limit =
        std::min<int64_t>(static_cast<int64_t>(st.AudioStart) + kFirstFrameSearchLimit,
                          static_cast<int64_t>(st.FileBuffer.size()) - 4);
    for (int64_t p = std::max<int64_t>(a, 0); p < limit; ++p) {
        if (At(st, p) == 0xFF && IsFrameHeader(st, p)) {
            st.FirstFramePos = static_cast<int32_t>(p);
            return true;
        }
    }
    return false;
}

void LookupBitrate(ProgramState& st, uint8_t b2) {
    const int kbps = BitrateKbps(VersionOf(st.MpegVersionText), LayerOf(st.MpegLayerText), b2 >> 4);
    if (kbps > 0)
        st.FrameBitrate = kbps;
}

void DecodeFrameHeader(ProgramState& st, uint8_t b1, uint8_t b2, uint8_t b3) {
    if (const int v = VersionBits(b1))
        st.MpegVersionText = VersionText(v);
    if (const int l = LayerBits(b1))
        st.MpegLayerText = std::to_string(l);
    st.CrcProtected = (b1 & 1) == 0;
    LookupBitrate(st, b2);
    st.FirstFrameBitrate = st.FrameBitrate;
    if (const int sr = SampleRateHz(VersionOf(st.MpegVersionText), (b2 >> 2) & 3))
        st.HeaderSampleRate = sr;
    st.FramePadding = (b2 >> 1) & 1;
    static const char* const kModes[4] = {"stereo", "joint stereo", "dual channel", "mono"};
    const int mode = (b3 >> 6) & 3;
    st.ChannelModeText = kModes[mode];
    st.ChannelCount = mode == 3 ? 1 : 2;
}

void MeasureFrame(ProgramState& st, int64_t p) {
    if (!Inside(st, p, 3))
        return;
    const uint8_t b1 = At(st, p + 1), b2 = At(st, p + 2);
    st.CrcProtected = (b1 & 1) == 0;
    LookupBitrate(st, b2);
    st.FramePadding = (b2 >> 1) & 1;
    st.FrameLength = FrameLengthFor(VersionOf(st.MpegVersionText), LayerOf(st.MpegLayerText),
                                    st.FrameBitrate, st.HeaderSampleRate, st.FramePadding);
}

bool FindFirstFrame(ProgramState& st, std::string& message) {
    bool sawFreeFormat = false;
    int64_t a = st.AudioStart;
    while (FindFrameSync(st, a)) {
        const int64_t p = st.FirstFramePos;
        const uint8_t b1 = At(st, p + 1), b2 = At(st, p + 2), b3 = At(st, p + 3);
        // Only a layer III header of a known version with a real bitrate can
        // start the stream: every property is then decoded afresh and the
        // computed length is meaningful.
        if (VersionBits(b1) != 0 && LayerBits(b1) == 3) {
            if ((b2 >> 4) == 0) {
                sawFreeFormat = true;
            } else {
                st.FrameBitrate = 0;
                DecodeFrameHeader(st, b1, b2, b3);
                MeasureFrame(st, p);
                if (st.FrameLength > 0 && IsFrameHeader(st, p + st.FrameLength))
                    return true;
            }
        }
        a = p + 1;
    }
    message =
        sawFreeFormat ? "Free-format MP3 streams are not supported." : "It is not a MP3 file!";
    return false;
}

uint32_t FrameCountFor(uint64_t decodedLength, int samplesPerFrame, int channels) {
    const uint64_t per =
        static_cast<uint64_t>(samplesPerFrame) * 2u * static_cast<uint64_t>(channels);
    if (per == 0)
        return 0;
    uint64_t q = decodedLength / per;
    const uint64_t r2 = (decodedLength % per) * 2;
    if (r2 > per || (r2 == per && (q & 1)))
        ++q;
    return static_cast<uint32_t>(std::min<uint64_t>(q, UINT32_MAX));
}

void ComputeFrameCount(ProgramState& st) {
    st.SamplesPerFrame =
        SamplesPerFrameFor(VersionOf(st.MpegVersionText), LayerOf(st.MpegLayerText));
    if (st.HeaderSampleRate != 0)
        st.FrameDuration = static_cast<double>(st.SamplesPerFrame) / st.HeaderSampleRate;
    st.FrameCount = FrameCountFor(st.DecodedLength, st.SamplesPerFrame, st.ChannelCount);
}

void BuildFrameIndex(ProgramState& st) {
    const int64_t stop = static_cast<int64_t>(st.FileBuffer.size()) - kIndexTailGuard;
    const int version = VersionOf(st.MpegVersionText);
    const int layer = LayerOf(st.MpegLayerText);
    const int rate = st.HeaderSampleRate;
    const uint8_t* buf = st.FileBuffer.data();
    const uint32_t count =
        std::min<uint32_t>(st.FrameCount, static_cast<uint32_t>(st.FramePos.size()));
    int64_t pos = st.FirstFramePos;
    uint32_t n = 0;
    // The loop works on locals (same arithmetic as MeasureFrame) so a long
    // file indexes in a few milliseconds; the state gets the last frame's values.
    int bitrate = st.FrameBitrate;
    int padding = st.FramePadding;
    bool crc = st.CrcProtected;
    int length = st.FrameLength;
    int lastLength = st.FrameLength;
    int lengthTable[2][16];
    for (int pad = 0; pad < 2; ++pad)
        for (int i = 0; i < 16; ++i)
            lengthTable[pad][i] =
                FrameLengthFor(version, layer, BitrateKbps(version, layer, i), rate, pad);
    const bool record = st.ViewerEnabled;
    for (uint32_t i = 0; i < count; ++i) {
        if (pos >= stop)
            break;
        st.FramePos[i] = static_cast<int32_t>(pos);
        const uint8_t b1 = buf[pos + 1], b2 = buf[pos + 2];
        crc = (b1 & 1) == 0;
        const int bi = b2 >> 4;
        padding = (b2 >> 1) & 1;
        if (BitrateKbps(version, layer, bi) > 0) {
            bitrate = BitrateKbps(version, layer, bi);
            length = lengthTable[padding][bi];
        } else {
            length = FrameLengthFor(version, layer, bitrate, rate, padding);
        }
        if (length <= 0)
            break; // cannot advance: nothing sensible follows
        if (record && i <= kViewerLastFrame) {
            st.ScanPos = static_cast<int32_t>(pos);
            st.CrcProtected = crc;
            RecordViewerRow(st, i);
        }
        pos += length;
        lastLength = length;
        ++n;
    }
    st.FrameBitrate = bitrate;
    st.FramePadding = padding;
    st.CrcProtected = crc;
    st.FrameLength = lastLength;
    st.IndexedFrames = static_cast<int32_t>(n);
    st.ScanPos = static_cast<int32_t>(n > 0 ? pos - lastLength : pos);
}

std::string StreamInfoText(const ProgramState& st) {
    return "MPEG-" + st.MpegVersionText + "   Layer" + st.MpegLayerText + "   " +
           std::to_string(st.FirstFrameBitrate) + "kbps   " + st.ChannelModeText + "   " +
           std::to_string(st.SampleRate) + "Hz   " + FormatTimeText(true, st.Duration);
}

int64_t FrameByteEnd(const ProgramState& st, uint32_t f) {
    if (st.IndexedFrames <= 0)
        return 0;
    f = std::min(f, static_cast<uint32_t>(st.IndexedFrames - 1));
    int64_t end;
    if (f + 1 < static_cast<uint32_t>(st.IndexedFrames))
        end = st.FramePos[f + 1];
    else
        end = static_cast<int64_t>(st.FramePos[f]) + st.FrameLength;
    int64_t limit = static_cast<int64_t>(st.FileBuffer.size());
    if (st.HasId3v1 && limit >= 128)
        limit -= 128;
    end = std::min(end, limit);
    return std::max<int64_t>(end, st.FramePos[f]);
}

} // namespace tessivo
