// Walking a stream frame by frame to find every frame's offset, and where the
// audio of a file ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace tessivo::mp3 {

// The end of a file's audio: its size, less an ID3v1 tag at the end. A tag
// that would reach back to the first frame is not taken off (nothing of the
// audio is ever cut away for it).
size_t AudioEnd(size_t fileSize, bool hasId3v1, size_t firstFramePos);

// What every frame of a stream shares: the first frame's version, layer and
// sampling rate.
struct StreamFormat {
    int version = 0; // 1, 2 or 25
    int layer = 0;   // 1..3
    int sampleRate = 0;
};

// Where a walk stands: the values of the frame last measured.
struct FrameWalk {
    uint32_t frames = 0; // frames indexed
    int64_t lastPos = 0; // offset of the last frame indexed (the first when none)
    int lastLength = 0;  // its length in bytes
    int bitrate = 0;     // kbit/s; a frame with bitrate index 0 or 15 keeps it
    int padding = 0;
    bool crc = false;
};

// Called for every frame indexed: its number, offset and CRC flag.
using FrameVisitor = std::function<void(uint32_t frame, int64_t pos, bool crc)>;

// Stores the offsets of up to `count` frames from `first` in positions[0..],
// measuring each frame's length from its header; stops at the first frame
// that starts at or after `stop` or whose length is not positive. `start`
// gives the bitrate, CRC flag and length to begin with (those of the first
// frame). Entries past the frames indexed stay untouched.
FrameWalk IndexFrames(const uint8_t* data, int64_t stop, const StreamFormat& format, int64_t first,
                      int64_t* positions, uint32_t count, const FrameWalk& start,
                      const FrameVisitor& visit = {});

} // namespace tessivo::mp3
