// Reading the parts of the part table by number (1 .. PartCount): where each
// part's audio starts and ends, whether it is ticked, and the tag it carries.
// Code outside the part model reads parts only through these.
#pragma once

#include "core/state/program_state.h"

#include <string>
#include <vector>

namespace tessivo {

// Number of parts (0 while no file is open).
inline int PartCount(const PartTable& t) {
    return static_cast<int>(t.Parts.size());
}
// Whether k numbers a part.
inline bool IsPartNumber(const PartTable& t, int k) {
    return k >= 1 && k <= PartCount(t);
}
// Part k's record; k must number a part.
inline const PartRecord& PartAt(const PartTable& t, int k) {
    return t.Parts[static_cast<size_t>(k - 1)];
}
// First frame of part k.
inline int32_t PartFirstFrame(const PartTable& t, int k) {
    return PartAt(t, k).start;
}
// Last frame of part k, inclusive (first - 1 for an empty part): the frame
// before the next part's start, the file's last frame for the last part.
inline int32_t PartLastFrame(const StreamFacts& stream, const PartTable& t, int k) {
    return k < PartCount(t) ? PartAt(t, k + 1).start - 1
                            : static_cast<int32_t>(stream.FrameCount) - 1;
}
// Whether part k goes into the next split.
inline bool PartTicked(const PartTable& t, int k) {
    return PartAt(t, k).ticked;
}
// Whether part k's audio, as it is now, was written to a file.
inline bool PartSaved(const PartTable& t, int k) {
    return !PartAt(t, k).writtenFile.empty();
}
// Number of ticked parts.
int TickedPartCount(const PartTable& t);
// The cut lines: the start of every part after the first.
std::vector<int32_t> CutLineFrames(const PartTable& t);

// The tag part k carries: the file tag with the fields the part sets for
// itself over it. No tag when neither holds one.
PartTagSlot EffectivePartTag(const PartTable& t, int k);
// One field of a tag by its TagField bit.
std::string& TagFieldText(PartTagV2& tag, TagField field);
const std::string& TagFieldText(const PartTagV2& tag, TagField field);

} // namespace tessivo
