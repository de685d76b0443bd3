// The part records and the edits of their cut lines. Each part keeps its
// tick and tag fields with its audio: a cut inside a part makes two parts that
// both keep them, removing a cut line merges two parts into the earlier one's
// record, and a part whose range changes forgets the file it was written to.
#pragma once

#include "core/state/program_state.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessivo {

// New parts starting at frame 0 and at each of `cuts` (ascending; positions
// at or past the last frame are left out, at most kMaxParts parts): ticked,
// tagged by the file tag alone, nothing selected.
void ReplaceParts(const StreamFacts& stream, PartTable& parts, const std::vector<int32_t>& cuts);

// Splits the part that holds `frame` at `frame`: both halves keep its tick and
// tag fields. Returns false (and changes nothing) when the table is full (999
// parts) or when `frame` is not at least 10 frames before the end of the file
// (or below 0).
bool AddCutLine(const StreamFacts& stream, PartTable& parts, int32_t frame);

// Moves cut line k (the start of part k, 2..PartCount) to `frame`, held at
// FrameCount - 10 at most and 0 at least. The part keeps its record; when the
// line passes others the parts are ordered again. Returns the number the
// moved part has afterwards (k itself when it is ignored), so a drag can keep
// following it.
int MoveCutLine(const StreamFacts& stream, PartTable& parts, int k, int32_t frame);

// Why no cut line `line` (2..PartCount; 0 for a new one) may lie at `sample`
// of the time base: "" when it may. Refused: a sample at or before the start
// or at or past the end of the audio, one whose nearest frame lies in the last
// 10 frames, and one on another cut line's frame (two parts cannot start in
// one frame).
std::string CutSampleRefusal(const StreamFacts& stream, const PartTable& parts, int64_t sample,
                             int line);

// A cut line exactly at `sample`: on the frame nearest it, keeping the sample.
// False (nothing changes) when CutSampleRefusal refuses it or the table is
// full.
bool AddCutLineAtSample(const StreamFacts& stream, PartTable& parts, int64_t sample);

// Moves cut line k to exactly `sample` (refused as CutSampleRefusal says:
// returns k and changes nothing). Returns the moved part's number.
int MoveCutLineToSample(const StreamFacts& stream, PartTable& parts, int k, int64_t sample);

// Removes cut line k (2..PartCount): part k's audio joins part k - 1, which
// keeps its own record. Other k are ignored.
void RemoveCutLine(PartTable& parts, int k);

// The table part of deleting a cut line from the waveform: acts only for
// 2 <= k <= PartCount, then clears the selection and removes the line.
// Returns whether it acted.
bool DeleteCutLine(PartTable& parts, int k);

// Back to one fresh part spanning the file.
void ResetToOnePart(const StreamFacts& stream, PartTable& parts);

} // namespace tessivo
