// Joining runs of layer III frames from one or several sources into one
// stream whose bit reservoir holds together: a frame's main_data_begin may
// point back only at bytes of the joined stream that carry its own audio
// data. Main data is moved, never re-encoded.
#pragma once

#include "mp3/frame_header.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace tessivo::mp3 {

// The largest main_data_begin the frame's version can hold: 511 for MPEG-1,
// 255 for MPEG-2 and 2.5.
int MaxMainDataBegin(const Layer3Header& h);

// Bytes of main data the frame's granules use (part2_3_length of every
// granule and channel, rounded up to whole bytes).
int MainDataLength(const uint8_t* frame, const Layer3Header& h);

// Stores main_data_begin in the side information and, for a protected
// frame, a fresh CRC.
void SetMainDataBegin(uint8_t* frame, const Layer3Header& h, int begin);

// A source's bytes and where each of its frames starts.
struct SourceFrames {
    const uint8_t* data = nullptr;
    size_t size = 0;
    const int64_t* pos = nullptr;
    int32_t count = 0;      // frames indexed
    int32_t firstAudio = 0; // first frame of the bit reservoir (1 after a Xing/Info frame)
};

// Frames first..last (inclusive) of one source.
struct FrameRun {
    const SourceFrames* source = nullptr;
    int32_t first = 0;
    int32_t last = -1;
};

struct JoinedFrames {
    std::vector<uint8_t> bytes;
    std::vector<size_t> offsets; // where each frame starts in `bytes`
    int relaid = 0;              // frames whose main data was moved
    int enlarged = 0;            // frames given a larger bitrate index to make room
    int silenced = 0; // frames written silent: their main data lay before their source's audio
    std::vector<int> runSilenced; // the same per run
};

// The runs one after another as one stream. Each run is copied byte for
// byte from the first frame whose main data can stay where the source has
// it; the frames before that get their main data moved into the free space
// the stream holds before them, the frame before them a larger bitrate
// index where that space is too small (the frame itself at the start of
// the stream), and a silent frame of the same duration where the data is
// not in the source at all.
JoinedFrames JoinFrameRuns(std::span<const FrameRun> runs);

class Relayer;

// The same join run by run, handing each frame (its bytes up to the next
// frame's start) to `sink` as soon as no later frame can change it, so only
// the last few frames are held whatever the length of the stream.
class FrameJoiner {
public:
    using FrameSink = std::function<void(const uint8_t* frame, size_t size)>;
    explicit FrameJoiner(FrameSink sink);
    ~FrameJoiner();
    FrameJoiner(const FrameJoiner&) = delete;
    FrameJoiner& operator=(const FrameJoiner&) = delete;

    // Adds a run; its source is read only during the call. Returns the
    // frames of the run written silent.
    int AddRun(const FrameRun& run);
    // Hands on the frames still held.
    void Finish();
    int Relaid() const;
    int Enlarged() const;
    int Silenced() const;

private:
    std::unique_ptr<Relayer> relayer_;
};

} // namespace tessivo::mp3
