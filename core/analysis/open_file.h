// Whole analysis of one MP3 file: probe, load into memory, tags, first frame,
// frame count, frame index and (optionally) the peak table. Used by the window
// (in a worker thread, on a scratch state) and by the command line.
#pragma once

#include "core/state/program_state.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace tessivo {

// Called with a short stage word ("Opening file", "Calculating Peaks") and a
// percentage 0..100. May be called from a worker thread.
using ProgressFn = std::function<void(const char* stage, double percent)>;

struct OpenResult {
    bool ok = false;
    bool cancelled = false; // stopped through the cancel flag; nothing to show
    std::string message;    // the text to show the user when !ok and !cancelled
};

// Analyses `path` into `file` (file image, tags, stream properties, frame
// index and, when withPeaks, the peak table), keeping `meter` current while
// it reads and decodes (0 afterwards). On failure `file` is unspecified;
// callers analyse into a scratch file and adopt it only on success.
//
// Order: size check (files of 2 GiB and more are refused before anything is
// allocated), the file read into memory in chunks ("Opening file"), tags,
// the decoder's probe ("It is not a MP3 file!" for anything but MPEG layer
// III), first frame (the search may run 50000 bytes past the ID3v2 tag),
// frame count, frame index (also the frame viewer rows when
// file.ViewerEnabled), then the peak table decoded on all cores
// ("Calculating Peaks"; `peakThreads` decoders, 0: one per core). The caller sets
// FileName-dependent UI, FileLoaded, the part tables and the tag slots; StreamInfoText(file)
// (analysis/ frame_index.h) gives the status-bar text.
OpenResult AnalyseFile(AnalysedFile& file, ProgressValues& meter, const std::string& path,
                       bool withPeaks, const ProgressFn& progress = {},
                       const std::atomic<bool>* cancel = nullptr, unsigned peakThreads = 0);

// The same analysis over a file image already in memory (file.FileName is
// only used in messages): tags, probe, first frame, frame count, frame index
// and peaks. Images of 2 GiB and more are refused.
OpenResult AnalyseImage(AnalysedFile& file, ProgressValues& meter, std::vector<uint8_t> image,
                        bool withPeaks, const ProgressFn& progress = {},
                        const std::atomic<bool>* cancel = nullptr);

// Moves the file and analysis fields (everything AnalyseFile writes) from
// `src` into `dst`; whether `dst` counts as loaded stays its own.
void AdoptAnalysedFile(AnalysedFile& dst, AnalysedFile&& src);

} // namespace tessivo
