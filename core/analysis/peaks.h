// The peak table: for every frame the largest and smallest sample of each
// channel, decoded once from the file image.
#pragma once

#include "core/analysis/open_file.h"
#include "core/state/program_state.h"

#include <atomic>

namespace tessivo {

// Decodes the whole file frame by frame from FramePos[0] and fills PeakMaxL,
// PeakMinL, PeakMaxR, PeakMinR (resized to FrameCount) and, with `loudness`,
// FrameLoudness (else left empty). R entries are 0 for a
// mono file. Frames the decoder cannot deliver (the stream ends early or
// breaks off) are silent: their entries are 0. Keeps meter.ProgressPercent
// current and calls `progress` with "Calculating Peaks" whenever the
// percentage has grown by a point (LastShownPercent); ProgressPercent is 0
// afterwards. False only when cancelled.
bool CalculatePeaks(AnalysedFile& file, ProgressValues& meter, const ProgressFn& progress = {},
                    const std::atomic<bool>* cancel = nullptr, bool loudness = true);

// The same table, decoded by `threads` workers at once (0: one per core).
// Each worker starts a few frames before its share so the decoder is warm.
// At every seam the previous share's decoder decodes 32 frames on and they
// must equal, sample for sample (compared by a 64-bit fingerprint of their
// PCM), the next share's first frames; where they
// do not, that decoder (whose state is the sequential one) decodes the next
// share again. So the result is bit-identical to CalculatePeaks. `progress`
// may be called from any worker. `shares` is how many pieces the table is
// cut into (0: two per worker, and files under 2000 frames are decoded in
// one piece); every share is at least 64 frames long. `redecoded`, when
// given, receives how many shares had to be decoded again.
bool CalculatePeaksParallel(AnalysedFile& file, ProgressValues& meter, unsigned threads = 0,
                            const ProgressFn& progress = {},
                            const std::atomic<bool>* cancel = nullptr, uint32_t shares = 0,
                            uint32_t* redecoded = nullptr, bool loudness = true);

// Gives the four peak tables FrameCount entries, all 0, and FrameLoudness
// as many with `loudness` (else none).
void SizePeakArrays(const StreamFacts& stream, PeakTable& peaks, bool loudness = true);

// "Calculating Peaks - 12.5%" (one decimal).
std::string PeakProgressText(double percent);

} // namespace tessivo
