// The program's one time base: the audio a gapless decoder outputs. Time 0 is
// its first sample (after a Xing/Info frame and, when that frame carries the
// LAME tag's fields, the encoder delay plus the decoder's 529 samples); the
// end is its last sample before the tag's padding. Every time the program
// shows, takes or writes maps to frames and samples here; frame numbers (the
// index, the settings file) stay as they are.
#pragma once

#include "core/state/program_state.h"

#include <cstdint>

namespace tessivo {

// Samples every layer III decoder puts in front of the audio (its filter
// bank's delay); gapless decoders skip them with the encoder delay.
constexpr int kDecoderDelay = 529;

struct TimeBase {
    int32_t rate = 0;            // samples per second
    int32_t samplesPerFrame = 0; // samples of one frame
    // The untrimmed decoder output (frame 0 of the index decoded as well,
    // whatever it holds) has time 0 at this sample.
    int64_t zeroSample = 0;
    int64_t samples = 0;        // samples from time 0 to the end; 0 when unknown
    double frameDuration = 0.0; // seconds of one frame
};

// The time base of the open file. A state without a sample count (one made
// by hand) maps frame f to f x FrameDuration seconds.
TimeBase TimeBaseOf(const StreamFacts& s);

// Reads the Xing/Info frame at the first frame and sets TimeZeroSample and
// AudioSamples from DecodedLength, and Duration from them. Called by the open
// once the frame index is built.
void SetTimeBase(AnalysedFile& file);

// Seconds of audio.
double AudioSeconds(const TimeBase& tb);

// Time of sample `decoded` of the decoded frames (frame 0 of the index
// included), held within [0, AudioSeconds]: where playback stands.
double DecodedSampleSeconds(const TimeBase& tb, int64_t decoded);

// Where `seconds` lies in frames (a fraction: 2.5 is the middle of frame 2).
double FramePositionAt(const TimeBase& tb, double seconds);

// Time of the start of frame `frame`, held within [0, AudioSeconds].
double FrameSeconds(const TimeBase& tb, int64_t frame);
double FrameSeconds(const StreamFacts& s, int64_t frame);

// The frame whose start lies nearest to `seconds` (halves to the even frame);
// 0 (the file's first frame) for time 0, -1 for a time that is no number.
int64_t NearestFrameAt(const TimeBase& tb, double seconds);
int64_t NearestFrameAt(const StreamFacts& s, double seconds);

// The sample nearest to `seconds` (halves to even); -1 for no number or
// while the rate is unknown.
int64_t NearestSampleAt(const TimeBase& tb, double seconds);

// Seconds of sample `sample`.
double SampleSeconds(const TimeBase& tb, int64_t sample);

// The time-base sample at which frame `frame` starts (negative for the frames
// of the Info frame and the delay).
int64_t FrameStartSample(const TimeBase& tb, int64_t frame);

// The frame that holds sample `sample`.
int64_t FrameHoldingSample(const TimeBase& tb, int64_t sample);

// The frame whose start lies nearest to sample `sample` (halves to even).
int64_t NearestFrameToSample(const TimeBase& tb, int64_t sample);

} // namespace tessivo
