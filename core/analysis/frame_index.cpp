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

uint8_t At(const LoadedFile& file, int64_t p) {
    return file.FileBuffer[static_cast<size_t>(p)];
}

bool Inside(const LoadedFile& file, int64_t p, int64_t n) {
    return p >= 0 && p + n <= static_cast<int64_t>(file.FileBuffer.size());
}

} // namespace

bool IsFrameHeader(const LoadedFile& file, int64_t p) {
    if (!Inside(file, p, 4))
        return false;
    return mp3::PassesSyncTest(file.FileBuffer.data() + p, 4);
}

bool FindFrameSync(const LoadedFile& file, FrameIndexTable& index, int64_t a, int64_t audioStart) {
    const int64_t limit = std::min<int64_t>(audioStart + kFirstFrameSearchLimit,
                                            static_cast<int64_t>(file.FileBuffer.size()) - 4);
    for (int64_t p = std::max<int64_t>(a, 0); p < limit; ++p) {
        if (At(file, p) == 0xFF && IsFrameHeader(file, p)) {
            index.FirstFramePos = p;
            return true;
        }
    }
    return false;
}

void LookupBitrate(const StreamFacts& stream, FrameScratch& frame, uint8_t b2) {
    const int kbps =
        mp3::BitrateKbps(VersionOf(stream.MpegVersionText), LayerOf(stream.MpegLayerText), b2 >> 4);
    if (kbps > 0)
        frame.bitrate = kbps;
}

void DecodeFrameHeader(StreamFacts& stream, FrameScratch& frame, uint8_t b1, uint8_t b2,
                       uint8_t b3) {
    if (const int v = mp3::VersionFromByte1(b1))
        stream.MpegVersionText = VersionText(v);
    if (const int l = mp3::LayerFromByte1(b1))
        stream.MpegLayerText = std::to_string(l);
    stream.CrcProtected = (b1 & 1) == 0;
    LookupBitrate(stream, frame, b2);
    stream.FirstFrameBitrate = frame.bitrate;
    if (const int sr = mp3::SampleRateHz(VersionOf(stream.MpegVersionText), (b2 >> 2) & 3))
        stream.HeaderSampleRate = sr;
    frame.padding = (b2 >> 1) & 1;
    static const char* const kModes[4] = {"stereo", "joint stereo", "dual channel", "mono"};
    const int mode = (b3 >> 6) & 3;
    stream.ChannelModeText = kModes[mode];
    stream.ChannelCount = mode == 3 ? 1 : 2;
}

void MeasureFrame(AnalysedFile& file, FrameScratch& frame, int64_t p) {
    if (!Inside(file, p, 3))
        return;
    const uint8_t b1 = At(file, p + 1), b2 = At(file, p + 2);
    file.CrcProtected = (b1 & 1) == 0;
    LookupBitrate(file, frame, b2);
    frame.padding = (b2 >> 1) & 1;
    file.FrameLength =
        mp3::FrameLengthFor(VersionOf(file.MpegVersionText), LayerOf(file.MpegLayerText),
                            frame.bitrate, file.HeaderSampleRate, frame.padding);
}

bool FindFirstFrame(AnalysedFile& file, std::string& message, int64_t audioStart) {
    bool sawFreeFormat = false;
    int64_t a = audioStart;
    while (FindFrameSync(file, file, a, audioStart)) {
        const int64_t p = file.FirstFramePos;
        const uint8_t b1 = At(file, p + 1), b2 = At(file, p + 2), b3 = At(file, p + 3);
        // Only a layer III header of a known version with a real bitrate can
        // start the stream: every property is then decoded afresh and the
        // computed length is meaningful.
        if (mp3::VersionFromByte1(b1) != 0 && mp3::LayerFromByte1(b1) == 3) {
            if ((b2 >> 4) == 0) {
                sawFreeFormat = true;
            } else {
                FrameScratch frame;
                DecodeFrameHeader(file, frame, b1, b2, b3);
                MeasureFrame(file, frame, p);
                if (file.FrameLength > 0 && IsFrameHeader(file, p + file.FrameLength))
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

void ComputeFrameCount(StreamFacts& stream) {
    stream.SamplesPerFrame =
        mp3::SamplesPerFrameFor(VersionOf(stream.MpegVersionText), LayerOf(stream.MpegLayerText));
    if (stream.HeaderSampleRate != 0)
        stream.FrameDuration =
            static_cast<double>(stream.SamplesPerFrame) / stream.HeaderSampleRate;
    stream.FrameCount =
        FrameCountFor(stream.DecodedLength, stream.SamplesPerFrame, stream.ChannelCount);
}

FrameScratch BuildFrameIndex(AnalysedFile& file) {
    const mp3::StreamFormat format{VersionOf(file.MpegVersionText), LayerOf(file.MpegLayerText),
                                   file.HeaderSampleRate};
    const uint32_t count =
        std::min<uint32_t>(file.FrameCount, static_cast<uint32_t>(file.FramePos.size()));
    // The first frame's values, as the first-frame search left them.
    mp3::FrameWalk start;
    start.bitrate = file.FirstFrameBitrate;
    start.crc = file.CrcProtected;
    start.lastLength = file.FrameLength;
    mp3::FrameVisitor record;
    FrameGains gains;
    if (file.ViewerEnabled)
        record = [&file, &gains](uint32_t i, int64_t pos, bool crc) {
            if (i <= kViewerLastFrame)
                RecordViewerRow(file, file, file, i, pos, crc, gains);
        };
    const mp3::FrameWalk w = mp3::IndexFrames(
        file.FileBuffer.data(), static_cast<int64_t>(file.FileBuffer.size()) - kIndexTailGuard,
        format, file.FirstFramePos, file.FramePos.data(), count, start, record);
    file.CrcProtected = w.crc;
    file.FrameLength = w.lastLength;
    file.IndexedFrames = static_cast<int32_t>(w.frames);
    FrameScratch last;
    last.bitrate = w.bitrate;
    last.padding = w.padding;
    last.scanPos = w.lastPos;
    return last;
}

bool IsVariableBitrate(const FrameIndexTable& index) {
    // Frames of one bitrate differ in length by the padding byte at most; the
    // last frame, perhaps cut short, does not count.
    const int32_t n =
        std::min<int32_t>(index.IndexedFrames, static_cast<int32_t>(index.FramePos.size()));
    int64_t shortest = INT64_MAX, longest = 0;
    for (int32_t i = 0; i + 2 < n; ++i) {
        const int64_t length = index.FramePos[i + 1] - index.FramePos[i];
        shortest = std::min(shortest, length);
        longest = std::max(longest, length);
    }
    return longest - shortest > 1;
}

int AverageBitrate(const AnalysedFile& file) {
    if (file.IndexedFrames <= 0 || file.FramePos.empty() || file.Duration <= 0)
        return 0;
    const int64_t bytes =
        FrameByteEnd(file, file, static_cast<uint32_t>(file.IndexedFrames - 1)) - file.FramePos[0];
    return static_cast<int>(std::lround(static_cast<double>(bytes) * 8.0 / file.Duration / 1000.0));
}

std::string StreamInfoText(const AnalysedFile& file) {
    const std::string rate = IsVariableBitrate(file)
                                 ? "VBR " + std::to_string(AverageBitrate(file)) + "kbps"
                                 : std::to_string(file.FirstFrameBitrate) + "kbps";
    return "MPEG-" + file.MpegVersionText + "   Layer" + file.MpegLayerText + "   " + rate + "   " +
           file.ChannelModeText + "   " + std::to_string(file.SampleRate) + "Hz   " +
           FormatTimeText(true, file.Duration);
}

int64_t AudioEnd(const LoadedFile& file, const FrameIndexTable& index) {
    const size_t size = std::min<size_t>(file.FileBuffer.size(), file.FileSize);
    return static_cast<int64_t>(mp3::AudioEnd(
        size, file.HasId3v1, static_cast<size_t>(std::max<int64_t>(index.FirstFramePos, 0))));
}

int64_t FrameByteEnd(const LoadedFile& file, const FrameIndexTable& index, uint32_t f) {
    if (index.IndexedFrames <= 0)
        return 0;
    f = std::min(f, static_cast<uint32_t>(index.IndexedFrames - 1));
    int64_t end;
    if (f + 1 < static_cast<uint32_t>(index.IndexedFrames))
        end = index.FramePos[f + 1];
    else
        end = static_cast<int64_t>(index.FramePos[f]) + index.FrameLength;
    end = std::min(end, AudioEnd(file, index));
    return std::max<int64_t>(end, index.FramePos[f]);
}

} // namespace tessivo
