// The open file's first frame, frame count and frame index (byte offset of
// every frame in the file image), on the header rules of mp3/.
//
// All offsets are into the file's FileBuffer. Every read is bounds-checked: a header
// whose four bytes do not lie inside the buffer is no header.
#pragma once

#include "core/state/program_state.h"

#include <cstdint>
#include <string>

namespace tessivo {

// The first frame must start within this many bytes of where the search
// begins (after the ID3v2 tag, so large cover art does not hide the audio).
constexpr int64_t kFirstFrameSearchLimit = 50000;

// The index stops before this many bytes from the end of the file.
constexpr int64_t kIndexTailGuard = 50;

// Values of the frame being measured; the search and the index build keep
// them for themselves.
struct FrameScratch {
    int32_t bitrate = 0; // kbit/s; bitrate index 0 and 15 keep the previous value
    int32_t padding = 0;
    int64_t scanPos = 0; // offset of the last frame indexed
};

// The seven-point header test at offset p.
bool IsFrameHeader(const LoadedFile& file, int64_t p);

// Sets index.FirstFramePos to the first offset at or after a that passes the
// header test, lies below audioStart + kFirstFrameSearchLimit and below
// FileSize - 4. False (FirstFramePos unchanged) when there is none.
bool FindFrameSync(const LoadedFile& file, FrameIndexTable& index, int64_t a, int64_t audioStart);

// Decodes header bytes 1..3 into the stream properties and `frame`.
void DecodeFrameHeader(StreamFacts& stream, FrameScratch& frame, uint8_t b1, uint8_t b2,
                       uint8_t b3);
// Sets frame.bitrate from byte 2 and the current version and layer texts;
// index 0 and 15 leave it unchanged.
void LookupBitrate(const StreamFacts& stream, FrameScratch& frame, uint8_t b2);
// Reads CRC flag, bitrate and padding of the frame at p and computes
// FrameLength with the first frame's version, layer and rate.
void MeasureFrame(AnalysedFile& file, FrameScratch& frame, int64_t p);

// Finds the first frame from audioStart (the end of an ID3v2 tag): a layer
// III header with a known version and a real bitrate, followed one frame
// length later by another header. Leaves its properties decoded. False with
// `message` set when there is none within the search limit.
bool FindFirstFrame(AnalysedFile& file, std::string& message, int64_t audioStart = 0);

// SamplesPerFrame, FrameDuration and FrameCount (DecodedLength divided by
// the bytes of one decoded frame, rounded half to even).
void ComputeFrameCount(StreamFacts& stream);
// The rounding of ComputeFrameCount, exposed for tests.
uint32_t FrameCountFor(uint64_t decodedLength, int samplesPerFrame, int channels);

// Fills FramePos (already sized to FrameCount) and IndexedFrames, measuring
// frame by frame from the first frame found; stops before FileSize -
// kIndexTailGuard. Entries at and above IndexedFrames stay untouched and must
// never be used as offsets. Records frames 0..1000 for the frame viewer when
// ViewerEnabled. Returns the last indexed frame's values.
FrameScratch BuildFrameIndex(AnalysedFile& file);

// Whether the stream's frames have more than one bitrate.
bool IsVariableBitrate(const FrameIndexTable& index);
// The stream's average bitrate in kbit/s: its frames' bytes over its length.
int AverageBitrate(const AnalysedFile& file);

// The one-line description of the stream shown in the status bar, e.g.
// "MPEG-1   Layer3   128kbps   joint stereo   44100Hz   03:25:123", with
// "VBR 125kbps" (the average) for a stream of varying bitrate.
std::string StreamInfoText(const AnalysedFile& file);

// Where the audio ends: the file's end, or the start of its ID3v1 tag.
int64_t AudioEnd(const LoadedFile& file, const FrameIndexTable& index);

// Byte just past frame f (f < IndexedFrames): the next frame's offset, or for
// the last indexed frame its offset plus FrameLength, never past AudioEnd.
// Part byte ranges are [FramePos[first], FrameByteEnd(last)). Frames at and above IndexedFrames
// count as the last indexed frame; 0 when nothing is indexed.
int64_t FrameByteEnd(const LoadedFile& file, const FrameIndexTable& index, uint32_t f);

} // namespace tessivo
