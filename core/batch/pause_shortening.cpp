#include "core/batch/pause_shortening.h"

#include "core/parts/pause_snap.h"
#include "core/util/time_text.h"

#include <algorithm>
#include <cmath>

namespace tessivo {

std::vector<DroppedStretch> LongPauseMiddles(const AnalysedFile& file, double maxSeconds,
                                             const PauseRules& rules) {
    std::vector<DroppedStretch> dropped;
    if (!(file.FrameDuration > 0.0))
        return dropped;
    const int64_t keep = static_cast<int64_t>(std::floor(maxSeconds / file.FrameDuration + 1e-9));
    const int64_t lastFrame = static_cast<int64_t>(file.FrameCount) - 1;
    for (const Pause& p : PausesOf(file, rules)) {
        // A pause that runs to the end follows the last sound: no next one.
        if (p.last >= lastFrame || p.Length() <= keep)
            continue;
        const int64_t before = keep / 2;
        const int64_t after = keep - before;
        dropped.push_back(
            {static_cast<int32_t>(p.first + before), static_cast<int32_t>(p.last - after)});
    }
    return dropped;
}

std::vector<FilePiece> PiecesWithout(const std::vector<FilePiece>& pieces,
                                     const std::vector<DroppedStretch>& dropped) {
    std::vector<FilePiece> out;
    for (const FilePiece& piece : pieces) {
        FilePiece rest = piece;
        bool started = false;
        for (const DroppedStretch& d : dropped) {
            if (d.last < rest.firstFrame || d.first > rest.lastFrame)
                continue;
            if (d.first > rest.firstFrame) {
                FilePiece before = rest;
                before.lastFrame = d.first - 1;
                before.sameChapter = started || piece.sameChapter;
                out.push_back(before);
                started = true;
            }
            rest.firstFrame = d.last + 1;
            if (rest.firstFrame > rest.lastFrame)
                break;
        }
        if (rest.firstFrame <= rest.lastFrame) {
            rest.sameChapter = started || piece.sameChapter;
            out.push_back(rest);
        }
    }
    return out;
}

std::string ShortenedText(const std::vector<DroppedStretch>& dropped, double frameSeconds) {
    int64_t frames = 0;
    for (const DroppedStretch& d : dropped)
        frames += int64_t{d.last} - d.first + 1;
    const size_t n = dropped.size();
    return "Shortened " + std::to_string(n) + (n == 1 ? " pause: " : " pauses: ") +
           FormatNoteTimeText(double(frames) * frameSeconds) + " removed";
}

} // namespace tessivo
