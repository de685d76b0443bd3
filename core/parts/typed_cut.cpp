#include "core/parts/typed_cut.h"

#include "core/analysis/time_base.h"
#include "core/parts/part_access.h"
#include "core/util/time_text.h"

#include <optional>

namespace tessivo {

std::string CutFrameRefusal(const StreamFacts& stream, const PartTable& parts, int64_t frame,
                            int line, const std::string& shown) {
    const int64_t last = static_cast<int64_t>(stream.FrameCount) - 11;
    if (frame < 0 || frame > last)
        return "The time " + shown + " lies outside the file (it ends at " +
               FormatClockMsText(stream.Duration) + ").";
    for (int k = 1; k <= PartCount(parts); ++k) {
        if (k != line && PartFirstFrame(parts, k) == frame)
            return "The time " + shown + " is on cut line " + std::to_string(k) + ".";
    }
    return {};
}

TypedCut TypedCutFrame(const StreamFacts& stream, const PartTable& parts, const std::string& text,
                       int line) {
    TypedCut out;
    const std::optional<double> seconds = ParseClockText(text, true);
    if (!seconds) {
        out.message = "Incorrect time value!\nType the time as h:mm:ss.mmm.";
        return out;
    }
    const TimeBase tb = TimeBaseOf(stream);
    const int64_t sample = NearestSampleAt(tb, *seconds);
    // Time 0 is the start of the file's first frame, where part 1 begins.
    const int64_t frame = sample <= 0 ? NearestFrameAt(tb, *seconds)
                          : sample >= tb.samples && tb.samples > 0
                              ? int64_t{stream.FrameCount}
                              : NearestFrameToSample(tb, sample);
    out.message = CutFrameRefusal(stream, parts, frame, line, text);
    if (!out.message.empty())
        return out;
    out.ok = true;
    out.frame = static_cast<int32_t>(frame);
    out.sample = sample;
    return out;
}

} // namespace tessivo
