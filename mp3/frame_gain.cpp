#include "mp3/frame_gain.h"

#include "mp3/info_frame.h"
#include "mp3/side_info.h"

namespace tessivo::mp3 {

namespace {

// A frame starts at `p` when its header parses, it fits, and the next frame
// (if any bytes follow) starts with a header too.
bool FrameAt(const uint8_t* data, size_t n, size_t p, Layer3Header& h) {
    if (!ParseLayer3Header(data + p, n - p, h) || p + static_cast<size_t>(h.length) > n)
        return false;
    const size_t next = p + static_cast<size_t>(h.length);
    Layer3Header after;
    return next + 4 > n || ParseLayer3Header(data + next, n - next, after);
}

// The frame at `p` when one starts there, else the first frame start after
// it (n when none).
size_t NextFrame(const uint8_t* data, size_t n, size_t p, Layer3Header& h) {
    if (p + 4 <= n && ParseLayer3Header(data + p, n - p, h) &&
        p + static_cast<size_t>(h.length) <= n)
        return p;
    for (; p + 4 <= n; ++p)
        if (data[p] == 0xFF && FrameAt(data, n, p, h))
            return p;
    return n;
}

// Stores the CRC of the bytes after the Info frame in its LAME tag, then the
// tag's own CRC over the frame up to it.
void RefreshLameCrcs(uint8_t* data, size_t n, size_t infoLength, size_t lameOffset) {
    const uint16_t music = Crc16Arc(data + infoLength, n - infoLength);
    uint8_t* lame = data + lameOffset;
    lame[32] = static_cast<uint8_t>(music >> 8);
    lame[33] = static_cast<uint8_t>(music & 0xFF);
    const uint16_t tag = Crc16Arc(data, lameOffset + 34);
    lame[34] = static_cast<uint8_t>(tag >> 8);
    lame[35] = static_cast<uint8_t>(tag & 0xFF);
}

} // namespace

GainChange ChangeStreamGain(uint8_t* data, size_t n, int steps) {
    if (steps == 0)
        return {};
    return ChangeGranuleGains(data, n, [steps](int64_t) { return steps; });
}

GainChange ChangeGranuleGains(uint8_t* data, size_t n, const GranuleSteps& steps) {
    GainChange change;
    Layer3Header h;
    size_t p = NextFrame(data, n, 0, h);
    if (p >= n)
        return change;
    const size_t infoAt = p;
    const SourceInfoTag info = ReadInfoTag(data + p, n - p);
    const bool infoFrame =
        info.kind == SourceInfoTag::Kind::Xing || info.kind == SourceInfoTag::Kind::Info;
    const size_t infoLength = static_cast<size_t>(h.length);
    if (infoFrame)
        p = NextFrame(data, n, p + infoLength, h);
    int64_t granule = 0;
    while (p < n) {
        const int granules = h.lsf ? 1 : 2;
        const int each[2] = {steps(granule), granules > 1 ? steps(granule + 1) : 0};
        granule += granules;
        change.held += mp3::ChangeGranuleGains(data + p, h, each);
        change.frames += each[0] != 0 || each[1] != 0 ? 1 : 0;
        p = NextFrame(data, n, p + static_cast<size_t>(h.length), h);
    }
    if (infoFrame && info.hasLame && infoAt + info.lameOffset + kLameTagSize <= n)
        RefreshLameCrcs(data + infoAt, n - infoAt, infoLength, info.lameOffset);
    return change;
}

StreamShape ReadStreamShape(const uint8_t* data, size_t n) {
    StreamShape shape;
    Layer3Header h;
    size_t p = NextFrame(data, n, 0, h);
    if (p >= n)
        return shape;
    const SourceInfoTag info = ReadInfoTag(data + p, n - p);
    if (info.kind == SourceInfoTag::Kind::Xing || info.kind == SourceInfoTag::Kind::Info) {
        if (info.hasDelayFields) {
            shape.delay = info.delay;
            shape.padding = info.padding;
        }
        p = NextFrame(data, n, p + static_cast<size_t>(h.length), h);
    }
    for (; p < n; p = NextFrame(data, n, p + static_cast<size_t>(h.length), h)) {
        shape.granules += h.lsf ? 1 : 2;
        shape.sampleRate = h.sampleRate;
    }
    return shape;
}

} // namespace tessivo::mp3
