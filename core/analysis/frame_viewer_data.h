// What the diagnostic frame viewer shows: header bytes and layer III global
// gains of the first 1001 frames, recorded while the frame index is built.
#pragma once

#include "core/state/program_state.h"

#include <cstdint>

namespace tessivo {

constexpr uint32_t kViewerLastFrame = 1000; // frames 0..1000 are recorded
constexpr size_t kViewerTableSize = 2000;

// Gives the eight viewer tables kViewerTableSize entries; new entries are 0,
// existing ones keep their values.
void SizeViewerTables(ProgramState& st);

// Reads the global gains of the frame at p into Gain11, Gain21, Gain12 and
// Gain22 (side information after the header, and after the CRC when
// CrcProtected). Gains whose bytes lie outside the file keep their values;
// for a mono file Gain21 and Gain22 keep theirs.
void ReadGlobalGains(ProgramState& st, int64_t p);

// Stores header bytes and gains of the frame at ScanPos as row i.
void RecordViewerRow(ProgramState& st, uint32_t i);

} // namespace tessivo
