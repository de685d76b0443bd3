// The declaration of tessivo-cli split: its options, their help and the
// checks of their values.
#include "cli/cli_messages.h"
#include "cli/commands.h"
#include "cli/time_values.h"

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace tessivo::cli {

namespace {

std::string Quoted(const std::string& value) {
    return "\"" + value + "\"";
}

int PartsValue(const std::string& v) {
    if (!IsDigits(v) || std::atoi(v.c_str()) < 2 || std::atoi(v.c_str()) > 200)
        throw UsageError("--parts takes a number from 2 to 200, not " + Quoted(v) + ".");
    return std::atoi(v.c_str());
}

int TimeValue(const std::string& v) {
    const std::optional<double> t = ParseClock(v, false);
    if (!t || *t > 1e9)
        throw UsageError("--time takes [H:]MM:SS, minutes and seconds as digits below 60, not " +
                         Quoted(v) + ".");
    return static_cast<int>(*t);
}

void SetSilence(SplitOptions& o, const std::string& v) {
    const std::vector<std::string> pm = SplitList(v, ',');
    const bool ok = pm.size() == 2 && IsDigits(pm[0]) && IsDigits(pm[1]) &&
                    std::atoi(pm[0].c_str()) >= 1 && std::atoi(pm[0].c_str()) <= 100 &&
                    std::atoi(pm[1].c_str()) >= 200 && std::atoi(pm[1].c_str()) <= 5000;
    if (!ok)
        throw UsageError("--silence takes PERCENT,MS: a threshold of 1 to 100 percent and a "
                         "pause of 200 to 5000 ms, not " +
                         Quoted(v) + ".");
    o.silencePercent = std::atoi(pm[0].c_str());
    o.silenceMs = std::atoi(pm[1].c_str());
}

std::vector<double> AtValue(const std::string& v) {
    std::vector<double> times;
    for (const std::string& item : SplitList(v, ',')) {
        const bool clock = item.find(':') != std::string::npos;
        const std::optional<double> t = clock ? ParseClock(item, true) : ParseSeconds(item);
        if (!t)
            throw UsageError("--at takes times in seconds or [H:]MM:SS[.mmm] separated by "
                             "commas; " +
                             Quoted(item) + " is not one.");
        times.push_back(*t);
    }
    return times;
}

// Exactly one way of cutting.
void CheckOneMode(const SplitOptions& o) {
    const int modes = int(o.parts.has_value()) + int(o.timeSeconds.has_value()) +
                      int(o.silencePercent.has_value()) + int(o.at.has_value());
    if (modes > 1)
        throw UsageError("Choose one of --parts, --time, --silence and --at.");
    if (modes == 0)
        throw UsageError("No parts prepared to split. No split mode given (--parts, --time, "
                         "--silence or --at).");
}

const char* kSplitFooter =
    "Split writes nothing unless its arguments are valid, and prints one line per file\n"
    "written (none with --quiet). It exits with 2 for bad arguments and 1 when the file\n"
    "cannot be split.";

} // namespace

CLI::App* DeclareSplit(CLI::App& program, SplitOptions& o) {
    CLI::App* split = program.add_subcommand("split", "cut FILE into parts and write them");
    DeclareFileAndQuiet(*split, o.file, o.quiet, "the MP3 file to cut");
    const auto value = [&](const std::string& names, const char* type, const char* help,
                           std::function<void(const std::string&)> set) {
        const std::string name = names.substr(names.find_last_of(',') + 1);
        const auto checked = [name, set](const std::string& v) {
            // CLI11 would take a following option as the value.
            if (v.rfind("--", 0) == 0)
                throw UsageError("Option " + name + " needs a value.");
            set(v);
        };
        split->add_option_function<std::string>(names, checked, help)->type_name(type);
    };
    value("--parts", "N", "N equal parts (2..200)",
          [&o](const std::string& v) { o.parts = PartsValue(v); });
    value("--time", "[H:]MM:SS", "parts of this length (hours optional; minutes and seconds 0..59)",
          [&o](const std::string& v) { o.timeSeconds = TimeValue(v); });
    value("--silence", "PERCENT,MS", "cut at pauses below PERCENT (1..100) lasting MS (200..5000)",
          [&o](const std::string& v) { SetSilence(o, v); });
    value("--at", "TIME,TIME,...",
          "cut at these times, each in seconds (12.5) or [H:]MM:SS[.mmm]\n"
          "(1:02.250); rounded to the nearest frame; not within the file's\n"
          "last 10 frames",
          [&o](const std::string& v) { o.at = AtValue(v); });
    split
        ->add_flag("--tags", o.tags,
                   "write each part's ID3v1 tag: the source's own tag, or, when it\n"
                   "has none, title \"NAME - part NN\" and track NN")
        ->disable_flag_override();
    split
        ->add_flag("--gapless", o.gapless,
                   "add an Info frame and warm-up frames so parts play gaplessly")
        ->disable_flag_override();
    value("-o,--out", "DIR", "output folder, made when missing (default: current folder)",
          [&o](const std::string& v) {
              if (v.empty())
                  throw UsageError("--out needs a folder.");
              o.out = v;
          });
    split->footer(kSplitFooter);
    split->final_callback([&o] { CheckOneMode(o); });
    return split;
}

} // namespace tessivo::cli
