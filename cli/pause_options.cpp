// The split options that work with the pauses besides the way of cutting:
// --trim-silence[=KEEP] and --shorten-pauses MAX.
#include "cli/cli_messages.h"
#include "cli/commands.h"
#include "cli/time_values.h"
#include "core/parts/edge_trim.h"

#include <string>

namespace tessivo::cli {

void DeclarePauseOptions(CLI::App* split, SplitOptions& o) {
    static std::string given; // CLI11 keeps the flag's text here; `each` checks it
    split
        ->add_flag("--trim-silence", given,
                   "drop the silence (below the --silence threshold) at each part's start\n"
                   "and end but for KEEP seconds (--trim-silence=KEEP, default 0.3):\n"
                   "whole frames, gapless parts to the sample; a part all silence is\n"
                   "skipped (\"Part 7 is silent: skipped\")")
        ->each([&o](const std::string& v) {
            // Given alone, the flag's text is "true".
            const std::optional<double> keep = v == "true"
                                                   ? std::optional<double>(kDefaultTrimKeepSeconds)
                                                   : ParseSeconds(v, 60.0);
            if (!keep)
                throw UsageError("--trim-silence takes =KEEP, seconds from 0 to 60, not \"" + v +
                                 "\".");
            o.trimKeep = keep;
            o.mode.pausesUsed = true;
        })
        ->type_name("[=KEEP]");
    AddValueOption(*split, "--shorten-pauses", "MAX",
                   "with --one-file, shorten every pause (as --silence finds them)\n"
                   "longer than MAX seconds to MAX by leaving out whole frames of its\n"
                   "middle; the Info frame and the chapters follow. Without a way of\n"
                   "cutting, the whole file",
                   [&o](const std::string& v) {
                       const std::optional<double> most = ParseSeconds(v, 3600.0);
                       if (!most || *most <= 0.0)
                           throw UsageError("--shorten-pauses takes seconds above 0, at most "
                                            "3600, not \"" +
                                            v + "\".");
                       o.shortenMax = most;
                       o.mode.pausesUsed = true;
                       o.mode.wholeFile = true;
                   });
}

} // namespace tessivo::cli
