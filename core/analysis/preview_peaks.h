// A preview of the peak table read from every frame's side information (its
// global gain and Huffman tables per granule and channel), without decoding: the waveform of a
// whole file within milliseconds of its frame index, in the exact table's
// scale, until the decoded peaks replace it.
#pragma once

#include "core/state/program_state.h"
#include "mp3/side_info.h"

#include <cstdint>

namespace tessivo {

// The preview's level for one granule and channel: 0 when it codes no
// spectrum, else its quantiser step (1.5 dB per unit of global gain) times
// the largest value its Huffman tables can code, within 1..32767.
int16_t PreviewLevel(const mp3::GranuleGain& g);

// The preview table of `file` (after its frame index is built): for every
// frame the largest granule level of each channel as +level/-level; R is 0
// for mono, and mid/side frames give both channels the louder of the two.
// Frames past the index are 0. Sized to FrameCount.
PeakTable PreviewPeaks(const AnalysedFile& file);

} // namespace tessivo
