// MPEG audio frame headers, the first frame, the frame count and the frame
// index (byte offset of every frame in the file image).
//
// All offsets are into st.FileBuffer. Every read is bounds-checked: a header
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

// Bitrate in kbit/s for a bitrate index 1..14; 0 for 0 (free format), 15,
// or an unknown version/layer. version: 1 = MPEG-1, 2 = MPEG-2, 25 = MPEG-2.5.
int BitrateKbps(int version, int layer, int index);
// Sample rate in Hz for index 0..2; 0 otherwise.
int SampleRateHz(int version, int index);
// PCM samples per channel in one frame.
int SamplesPerFrameFor(int version, int layer);
// Frame length in bytes (0 when the rate is 0).
int FrameLengthFor(int version, int layer, int bitrateKbps, int sampleRate, int padding);

// The seven-point header test at offset p.
bool IsFrameHeader(const ProgramState& st, int64_t p);

// Sets st.FirstFramePos to the first offset at or after a that passes the
// header test, lies below st.AudioStart + kFirstFrameSearchLimit and below
// FileSize - 4. False (FirstFramePos unchanged) when there is none.
bool FindFrameSync(ProgramState& st, int64_t a);

// Decodes header bytes 1..3 into the stream properties.
void DecodeFrameHeader(ProgramState& st, uint8_t b1, uint8_t b2, uint8_t b3);
// Sets FrameBitrate from byte 2 and the current version and layer texts;
// index 0 and 15 leave it unchanged.
void LookupBitrate(ProgramState& st, uint8_t b2);
// Reads CRC flag, bitrate and padding of the frame at p and computes
// FrameLength with the first frame's version, layer and rate.
void MeasureFrame(ProgramState& st, int64_t p);

// Finds the first frame from st.AudioStart: a layer III header with a known
// version and a real bitrate, followed one frame length later by another
// header. Leaves its properties decoded. False with `message` set when there
// is none within the search limit.
bool FindFirstFrame(ProgramState& st, std::string& message);

// SamplesPerFrame, FrameDuration and FrameCount (DecodedLength divided by
// the bytes of one decoded frame, rounded half to even).
void ComputeFrameCount(ProgramState& st);
// The rounding of ComputeFrameCount, exposed for tests.
uint32_t FrameCountFor(uint64_t decodedLength, int samplesPerFrame, int channels);

// Fills FramePos (already sized to FrameCount), IndexedFrames and ScanPos,
// measuring frame by frame; stops before FileSize - kIndexTailGuard. Entries
// at and above IndexedFrames stay untouched and must never be used as
// offsets. Records frames 0..1000 for the frame viewer when ViewerEnabled.
void BuildFrameIndex(ProgramState& st);

// The one-line description of the stream shown in the status bar, e.g.
// "MPEG-1   Layer3   128kbps   joint stereo   44100Hz   03:25:123".
std::string StreamInfoText(const ProgramState& st);

// Byte just past frame f (f < IndexedFrames): the next frame's offset, or for
// the last indexed frame its offset plus FrameLength, never past the end of
// the file nor into an ID3v1 tag. Part byte ranges are
// [FramePos[first], FrameByteEnd(last)). Frames at and above IndexedFrames
// count as the last indexed frame; 0 when nothing is indexed.
int64_t FrameByteEnd(const ProgramState& st, uint32_t f);

} // namespace tessivo
