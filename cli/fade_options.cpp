// The fade options of split and join: --fade MS and --no-fade.
#include "cli/cli_messages.h"
#include "cli/commands.h"
#include "cli/time_values.h"

#include <cmath>
#include <stdexcept>

namespace tessivo::cli {

void DeclareFadeOptions(CLI::App& command, FadeOptions& o, const char* fadeHelp,
                        const char* noFadeHelp) {
    AddValueOption(command, "--fade", "MS", fadeHelp, [&o](const std::string& v) {
        size_t used = 0;
        double ms = 0.0;
        try {
            ms = std::stod(v, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || used != v.size() || !(ms > 0.0 && ms <= 60000.0))
            throw UsageError("--fade takes milliseconds (above 0, at most 60000), not \"" + v +
                             "\".");
        o.fadeMs = ms;
    });
    command.add_flag("--no-fade", o.noFade, noFadeHelp)->disable_flag_override();
}

std::vector<tessivo::MuteRange> ParseRanges(const std::string& v, const std::string& option) {
    const std::string refusal = option + " takes ranges START-END,... of the source's times " +
                                "(1:00-1:05,12:00.5-12:03), not \"" + v + "\".";
    std::vector<tessivo::MuteRange> ranges;
    for (const std::string& item : SplitList(v, ',')) {
        const size_t dash = item.find('-');
        if (dash == std::string::npos)
            throw UsageError(refusal);
        const std::optional<double> from = ParseClock(item.substr(0, dash), true);
        const std::optional<double> to = ParseClock(item.substr(dash + 1), true);
        if (!from || !to || !(*to > *from))
            throw UsageError(refusal);
        ranges.push_back({*from, *to});
    }
    if (ranges.empty())
        throw UsageError(refusal);
    return ranges;
}

std::string FadeOptionsRefusal(const FadeOptions& o) {
    if (o.fadeMs && o.noFade)
        return "--fade and --no-fade exclude each other.";
    return {};
}

tessivo::FadeChoice JoinedFades(const FadeOptions& o) {
    tessivo::FadeChoice choice;
    choice.fadeMs = o.fadeMs.value_or(0.0);
    choice.seams = !o.noFade;
    return choice;
}

} // namespace tessivo::cli
