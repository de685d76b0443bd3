#include "core/analysis/frame_index.h"

#include "core/analysis/frame_viewer_data.h"
#include "core/util/time_text.h"
#include "mp3/frame_header.h"
#include "mp3/frame_index.h"

#include <algorithm>
#include <climits>
#include <cmath>

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

bool IsFrameHeader(const ProgramState& st, int64_t p) {
    if (!Inside(st, p, 4))
        return false;
    return mp3::PassesSyncTest(st.FileBuffer.data() + p, 4);
}

bool FindFrameSync(ProgramState& st, int64_t a, int64_t audioStart) {
    const int64_t limit = std::min<int64_t>(audioStart + kFirstFrameSearchLimit,
                                            static_cast<int64_t>(st.FileBuffer.size()) - 4);
    for (int64_t p = std::max<int64_t>(a, 0); p < limit; ++p) {
        if (At(st, p) == 0xFF && IsFrameHeader(st, p)) {
            st.FirstFramePos = p;
            return true;
        }
    }
    return false;
}

void LookupBitrate(const ProgramState& st, FrameScratch& frame, uint8_t b2) {
    const int kbps =
        mp3::BitrateKbps(VersionOf(st.MpegVersionText), LayerOf(st.MpegLayerText), b2 >> 4);
    if (kbps > 0)
        frame.bitrate = kbps;
}

void DecodeFrameHeader(ProgramState& st, FrameScratch& frame, uint8_t b1, uint8_t b2, uint8_t b3) {
    if (const int v = mp3::VersionFromByte1(b1))
        st.MpegVersionText = VersionText(v);
    if (const int l = mp3::LayerFromByte1(b1))
        st.MpegLayerText = std::to_string(l);
    st.CrcProtected = (b1 & 1) == 0;
    LookupBitrate(st, frame, b2);
    st.FirstFrameBitrate = frame.bitrate;
    if (const int sr = mp3::SampleRateHz(VersionOf(st.MpegVersionText), (b2 >> 2) & 3))
        st.HeaderSampleRate = sr;
    frame.padding = (b2 >> 1) & 1;
    static const char* const kModes[4] = {"stereo", "joint stereo", "dual channel", "mono"};
    const int mode = (b3 >> 6) & 3;
    st.ChannelModeText = kModes[mode];
    st.ChannelCount = mode == 3 ? 1 : 2;
}

void MeasureFrame(ProgramState& st, FrameScratch& frame, int64_t p) {
    if (!Inside(st, p, 3))
        return;
    const uint8_t b1 = At(st, p + 1), b2 = At(st, p + 2);
    st.CrcProtected = (b1 & 1) == 0;
    LookupBitrate(st, frame, b2);
    frame.padding = (b2 >> 1) & 1;
    st.FrameLength = mp3::FrameLengthFor(VersionOf(st.MpegVersionText), LayerOf(st.MpegLayerText),
                                         frame.bitrate, st.HeaderSampleRate, frame.padding);
}

bool FindFirstFrame(ProgramState& st, std::string& message, int64_t audioStart) {
    bool sawFreeFormat = false;
    int64_t a = audioStart;
    while (FindFrameSync(st, a, audioStart)) {
        const int64_t p = st.FirstFramePos;
        const uint8_t b1 = At(st, p + 1), b2 = At(st, p + 2), b3 = At(st, p + 3);
        // Only a layer III header of a known version with a real bitrate can
        // start the stream: every property is then decoded afresh and the
        // computed length is meaningful.
        if (mp3::VersionFromByte1(b1) != 0 && mp3::LayerFromByte1(b1) == 3) {
            if ((b2 >> 4) == 0) {
                sawFreeFormat = true;
            } else {
                FrameScratch frame;
                DecodeFrameHeader(st, frame, b1, b2, b3);
                MeasureFrame(st, frame, p);
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
        mp3::SamplesPerFrameFor(VersionOf(st.MpegVersionText), LayerOf(st.MpegLayerText));
    if (st.HeaderSampleRate != 0)
        st.FrameDuration = static_cast<double>(st.SamplesPerFrame) / st.HeaderSampleRate;
    st.FrameCount = FrameCountFor(st.DecodedLength, st.SamplesPerFrame, st.ChannelCount);
}

FrameScratch BuildFrameIndex(ProgramState& st) {
    const mp3::StreamFormat format{VersionOf(st.MpegVersionText), LayerOf(st.MpegLayerText),
                                   st.HeaderSampleRate};
    const uint32_t count =
        std::min<uint32_t>(st.FrameCount, static_cast<uint32_t>(st.FramePos.size()));
    // The first frame's values, as the first-frame search left them.
    mp3::FrameWalk start;
    start.bitrate = st.FirstFrameBitrate;
    start.crc = st.CrcProtected;
    start.lastLength = st.FrameLength;
    mp3::FrameVisitor record;
    FrameGains gains;
    if (st.ViewerEnabled)
        record = [&st, &gains](uint32_t i, int64_t pos, bool crc) {
            if (i <= kViewerLastFrame)
                RecordViewerRow(st, i, pos, crc, gains);
        };
    const mp3::FrameWalk w = mp3::IndexFrames(
        st.FileBuffer.data(), static_cast<int64_t>(st.FileBuffer.size()) - kIndexTailGuard, format,
        st.FirstFramePos, st.FramePos.data(), count, start, record);
    st.CrcProtected = w.crc;
    st.FrameLength = w.lastLength;
    st.IndexedFrames = static_cast<int32_t>(w.frames);
    FrameScratch last;
    last.bitrate = w.bitrate;
    last.padding = w.padding;
    last.scanPos = w.lastPos;
    return last;
}

bool IsVariableBitrate(const ProgramState& st) {
    // Frames of one bitrate differ in length by the padding byte at most; the
    // last frame, perhaps cut short, does not count.
    const int32_t n = std::min<int32_t>(st.IndexedFrames, static_cast<int32_t>(st.FramePos.size()));
    int64_t shortest = INT64_MAX, longest = 0;
    for (int32_t i = 0; i + 2 < n; ++i) {
        const int64_t length = st.FramePos[i + 1] - st.FramePos[i];
        shortest = std::min(shortest, length);
        longest = std::max(longest, length);
    }
    return longest - shortest > 1;
}

int AverageBitrate(const ProgramState& st) {
    if (st.IndexedFrames <= 0 || st.FramePos.empty() || st.Duration <= 0)
        return 0;
    const int64_t bytes =
        FrameByteEnd(st, static_cast<uint32_t>(st.IndexedFrames - 1)) - st.FramePos[0];
    return static_cast<int>(std::lround(static_cast<double>(bytes) * 8.0 / st.Duration / 1000.0));
}

std::string StreamInfoText(const ProgramState& st) {
    const std::string rate = IsVariableBitrate(st)
                                 ? "VBR " + std::to_string(AverageBitrate(st)) + "kbps"
                                 : std::to_string(st.FirstFrameBitrate) + "kbps";
    return "MPEG-" + st.MpegVersionText + "   Layer" + st.MpegLayerText + "   " + rate + "   " +
           st.ChannelModeText + "   " + std::to_string(st.SampleRate) + "Hz   " +
           FormatTimeText(true, st.Duration);
}

int64_t AudioEnd(const AnalysedFile& st) {
    const size_t size = std::min<size_t>(st.FileBuffer.size(), st.FileSize);
    return static_cast<int64_t>(mp3::AudioEnd(
        size, st.HasId3v1, static_cast<size_t>(std::max<int64_t>(st.FirstFramePos, 0))));
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
    end = std::min(end, AudioEnd(st));
    return std::max<int64_t>(end, st.FramePos[f]);
}

} // namespace tessivo
