// What the diagnostic frame viewer shows: header bytes and layer III global
// gains of the first 1001 frames, recorded while the frame index is built.
#pragma once

#include "core/state/program_state.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessivo {

constexpr uint32_t kViewerLastFrame = 1000; // frames 0..1000 are recorded
constexpr size_t kViewerTableSize = 2000;

// Gives the eight viewer tables kViewerTableSize entries; new entries are 0,
// existing ones keep their values.
void SizeViewerTables(FrameViewerRecording& viewer);

// The layer III global gains of one frame: granule 1 and 2 of channel 1 and 2.
struct FrameGains {
    uint8_t gain11 = 0, gain21 = 0, gain12 = 0, gain22 = 0;
};

// Reads the global gains of the frame at p into `gains` (side information
// after the header, and after the CRC when `crc`). Gains whose bytes lie
// outside the file keep their values; for a mono file gain21 and gain22 keep
// theirs.
void ReadGlobalGains(const LoadedFile& file, const StreamFacts& stream, int64_t p, bool crc,
                     FrameGains& gains);

// Stores header bytes and gains of the frame at p as row i; `gains` carries
// the values from row to row.
void RecordViewerRow(const LoadedFile& file, const StreamFacts& stream,
                     FrameViewerRecording& viewer, uint32_t i, int64_t p, bool crc,
                     FrameGains& gains);

// Each granule's global gain of frame f as the side information holds it,
// one text per granule with a number per channel ("210/208"; one granule in
// MPEG-2 and 2.5); empty when the frame cannot be read. A fade shows in them:
// every step is 1.5 dB.
std::vector<std::string> GranuleGainTexts(const LoadedFile& file, const FrameIndexTable& index,
                                          int32_t f);

} // namespace tessivo
