#include "mp3/frame_index.h"

#include "mp3/frame_header.h"

namespace tessivo::mp3 {

size_t AudioEnd(size_t fileSize, bool hasId3v1, size_t firstFramePos) {
    if (hasId3v1 && fileSize >= 128 + firstFramePos)
        return fileSize - 128;
    return fileSize;
}

FrameWalk IndexFrames(const uint8_t* data, int64_t stop, const StreamFormat& format, int64_t first,
                      int64_t* positions, uint32_t count, const FrameWalk& start,
                      const FrameVisitor& visit) {
    const int version = format.version;
    const int layer = format.layer;
    // Lengths by padding and bitrate index, so a long file indexes in a few
    // milliseconds.
    int lengthTable[2][16];
    for (int pad = 0; pad < 2; ++pad)
        for (int i = 0; i < 16; ++i)
            lengthTable[pad][i] = FrameLengthFor(version, layer, BitrateKbps(version, layer, i),
                                                 format.sampleRate, pad);
    FrameWalk w = start;
    int64_t pos = first;
    for (uint32_t i = 0; i < count && pos < stop; ++i) {
        const uint8_t b1 = data[pos + 1], b2 = data[pos + 2];
        const int bi = b2 >> 4;
        const int kbps = BitrateKbps(version, layer, bi);
        positions[i] = pos;
        w.crc = (b1 & 1) == 0;
        w.padding = (b2 >> 1) & 1;
        int length;
        if (kbps > 0) {
            w.bitrate = kbps;
            length = lengthTable[w.padding][bi];
        } else {
            length = FrameLengthFor(version, layer, w.bitrate, format.sampleRate, w.padding);
        }
        if (length <= 0)
            break; // cannot advance: nothing sensible follows
        if (visit)
            visit(i, pos, w.crc);
        pos += length;
        w.lastLength = length;
        ++w.frames;
    }
    w.lastPos = w.frames > 0 ? pos - w.lastLength : pos;
    return w;
}

} // namespace tessivo::mp3
