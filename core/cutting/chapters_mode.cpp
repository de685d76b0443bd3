// At chapters: a cut line on the frame nearest each of the source's CHAP
// chapters, the parts titled after them. The window's document places them
// itself (it holds the chapters it read); the command line reads them here.
#include "core/cutting/cutting_mode.h"

#include "core/output/part_tag.h"
#include "core/parts/cut_lines.h"
#include "core/parts/part_times.h"
#include "core/util/time_text.h"

namespace tessivo {

namespace {

// The titles stay in `notes.chapters` for the tags and the printed cut list.
StepOutcome Place(const AnalysedFile& file, PartTable& parts, SettingsValues&, const CuttingRule&,
                  const CutList&, PlacedNotes& notes) {
    notes.chapters = ChapterCuts(file, ReadSourceTag(file).chapters);
    if (notes.chapters.empty())
        return {StepStatus::usage,
                "--chapters: " + file.FileName + " has no chapters (ID3v2 CHAP frames)."};
    for (const ChapterCut& c : notes.chapters) {
        if (c.frame > 0 && !AddCutLine(file, parts, c.frame))
            notes.warnings.push_back("Chapter \"" + c.title + "\" at " +
                                     FormatTimeText(true, FrameSeconds(file, c.frame)) +
                                     " makes no part of its own (within the last 10 frames "
                                     "or no room for more cut lines); left out");
    }
    return {};
}

} // namespace

const CuttingMode& ChaptersMode() {
    static const CuttingMode mode{
        .key = kChaptersKey, .offered = kInSplitPanel | kOnCommandLine, .place = Place};
    return mode;
}

} // namespace tessivo
