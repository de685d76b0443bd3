// Lossless gain: the global_gain of every granule scales the decoded audio in
// steps of 1.5 dB (2^(1/4) in amplitude), so changing it changes the level of
// a stream without touching its coded spectrum.
#pragma once

#include <cstddef>
#include <cstdint>

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

} // namespace tessivo::mp3
