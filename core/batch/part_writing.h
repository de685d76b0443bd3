// Writing the parts of a file whose cut lines are placed, with the tags the
// command line and the batch split give them: the source's tag, chapter
// titles, a title template and what a cut list says of its parts.
#pragma once

#include "core/batch/cutting_rule.h"
#include "core/output/split_parts.h"

#include <optional>
#include <string>

namespace tessivo {

// The split choices applied to every file.
struct PartWriting {
    bool tags = false;
    std::optional<TagFormat> id3; // with tags only; default kDefaultTagFormat
    std::string titleTemplate;    // with tags only
    bool gapless = false;
    bool overwrite = false;
    // Issue 21's single-file output ("--one-file") joins here: one more
    // choice read by WritePlacedParts.
};

// Writes the ticked parts into `outFolder` (made when missing; one that cannot
// be made is reported by the write of the first part).
// The tags of the placed parts: the source's tag, chapter titles, the title
// template and the cut list's fields.
PartTags PlacedPartTags(const ProgramState& st, const PartWriting& w, const CutList& list,
                        const PlacedNotes& notes);

SplitResult WritePlacedParts(ProgramState& st, const PartWriting& w, const CutList& list,
                             const PlacedNotes& notes, const std::string& outFolder,
                             PartFileSystem& fs = DefaultPartFileSystem(),
                             const SplitProgressFn& progress = {});

// "The source's tag could be read only in part; ..." when a tagged split's
// source tag was damaged (a warning, not a failure).
extern const char* const kDamagedTagWarning;

} // namespace tessivo
