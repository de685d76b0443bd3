// A cut line placed by a typed time: the text read as a clock time, rounded
// to the nearest sample of the file's time base (as --at does), on the frame
// nearest that sample, and checked against the file and the other cut lines. The window's start
// field, the part list's Begin cell and "Add cut at..." all come here.
#pragma once

#include "core/state/program_state.h"

#include <cstdint>
#include <string>

namespace tessivo {

struct TypedCut {
    bool ok = false;
    int32_t frame = 0;   // the frame the line goes on, when ok
    int64_t sample = -1; // the sample it lies at, when ok
    std::string message; // why not, when not ok
};

// Why no cut line `line` (0 for a new one) may lie at `frame`: outside the
// file or in its last 10 frames, or on another cut line. "" when it may.
// `shown` is the time as the user typed it, for the message.
std::string CutFrameRefusal(const StreamFacts& stream, const PartTable& parts, int64_t frame,
                            int line, const std::string& shown);

// Reads `text` ("h:mm:ss.mmm", hours and milliseconds optional) for cut line
// `line` (2..PartCount; 0 for a new line). Refused: text that is no time, a
// time outside the file (or in its last 10 frames, where no part may start),
// and a time on another cut line.
TypedCut TypedCutFrame(const StreamFacts& stream, const PartTable& parts, const std::string& text,
                       int line);

} // namespace tessivo
