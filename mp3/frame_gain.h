// Lossless gain: the global_gain of every granule scales the decoded audio in
// steps of 1.5 dB (2^(1/4) in amplitude), so changing it changes the level of
// a stream without touching its coded spectrum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace tessivo::mp3 {

// dB per global_gain step.
constexpr double kGainStepDb = 1.5;

struct GainChange {
    int frames = 0; // audio frames changed
    int held = 0;   // granule gains the 0..255 clamp held back
};

// Changes the gain of every layer III frame in `data` (a part's frames back
// to back, possibly opened by a Xing/Info frame) by `steps`. Protected frames
// get a fresh CRC. An opening Info frame stays silent; its LAME tag gets the
// music CRC of the changed frames and a fresh tag CRC, its peak, ReplayGain
// and MP3Gain fields stay as they are. Bytes between frames that are no
// frame are skipped unchanged.
GainChange ChangeStreamGain(uint8_t* data, size_t n, int steps);

// Samples of one channel in a granule of layer III.
constexpr int kGranuleSamples = 576;

// The steps granule g of a stream (counted from 0 over its audio frames)
// changes by.
using GranuleSteps = std::function<int(int64_t granule)>;

// ChangeStreamGain with a change of its own for every granule; `frames`
// counts the frames that changed.
GainChange ChangeGranuleGains(uint8_t* data, size_t n, const GranuleSteps& steps);

// What a fade over a stream needs to know of it: its audio granules, and
// the encoder delay and padding its LAME tag gives (0 without one).
struct StreamShape {
    int64_t granules = 0;
    int sampleRate = 0;
    int delay = 0;
    int padding = 0;
};
StreamShape ReadStreamShape(const uint8_t* data, size_t n);

} // namespace tessivo::mp3
