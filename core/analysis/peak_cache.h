// Exact peak tables kept between runs in the user's cache folder, so a file
// opened before shows its exact waveform at once. One file per source file,
// named by its key: the source's size, modification time and a hash of its
// first and last 64 KB; 8 bytes of peaks per frame after a short header, then
// (when measured) 4 bytes of loudness energy per frame. Written to a
// temporary file and renamed into place; the oldest are removed once all
// together pass a limit.
#pragma once

#include "core/state/program_state.h"

#include <cstdint>
#include <string>

namespace tessivo {

struct PeakCacheKey {
    uint64_t fileSize = 0;
    int64_t modifiedNs = 0;
    uint64_t contentHash = 0; // of the first and last kPeakCacheHashBytes
    bool operator==(const PeakCacheKey&) const = default;
};

constexpr size_t kPeakCacheHashBytes = 64 * 1024;
constexpr uint64_t kPeakCacheLimit = uint64_t{500} << 20;

// The key of `file` as the open read it (FileBuffer and FileModifiedNs).
PeakCacheKey PeakCacheKeyOf(const LoadedFile& file);

// $XDG_CACHE_HOME/tessivo/peaks, else $HOME/.cache/tessivo/peaks; empty when
// neither variable is set.
std::string DefaultPeakCacheFolder();

// The cache file `key` is stored in, inside `folder`.
std::string PeakCachePath(const std::string& folder, const PeakCacheKey& key);

// Fills `out` with the stored table of `key` when one is stored for exactly
// `frameCount` frames, each with its top at or above its bottom
// (FrameLoudness empty when none was stored with it); marks it as just used.
// False on a miss or a damaged file (out unchanged), a file of an older
// layout included.
bool LookUpPeaks(const std::string& folder, const PeakCacheKey& key, uint32_t frameCount,
                 PeakTable& out);

// Stores `table` under `key` (creating the folder), then prunes the folder
// to `limit` bytes. False when it could not be written.
bool StorePeaks(const std::string& folder, const PeakCacheKey& key, const PeakTable& table,
                uint64_t limit = kPeakCacheLimit);

// The table to draw as soon as the frame index exists, put into `file`'s
// peak table: the exact one from the cache in `folder` when this file was
// opened before (true), else the preview from the side information (false).
bool InitialPeaks(AnalysedFile& file, const std::string& folder);

// Removes stored tables, least recently used first, until those left take
// at most `limit` bytes.
void PrunePeakCache(const std::string& folder, uint64_t limit = kPeakCacheLimit);

} // namespace tessivo
