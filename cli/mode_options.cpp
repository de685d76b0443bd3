// The ways of cutting that split and cuts share: their options, help texts
// and the checks of their values.
#include "cli/cli_messages.h"
#include "cli/commands.h"
#include "cli/time_values.h"
#include "core/cutting/cutting_mode.h"

#include <cstdlib>

namespace tessivo::cli {

namespace {

// Notes that an option named the way of cutting with this key.
void Give(ModeOptions& o, std::string_view key) {
    if (!tessivo::CuttingModeByKey(key))
        throw UsageError("No way of cutting \"" + std::string(key) + "\" is known.");
    o.given.push_back(key);
}

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

void SetSilence(ModeOptions& o, const std::string& v) {
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
    Give(o, tessivo::kSilenceKey);
}

tessivo::NearPausesLength NearPausesValue(const std::string& v) {
    tessivo::NearPausesLength length;
    const std::string message = tessivo::ParseNearPausesText(v, length);
    if (!message.empty())
        throw UsageError("--near-pauses takes [H:]MM:SS[,TOLERANCE] (tolerance 0 to 50 "
                         "percent): " +
                         message + " " + Quoted(v) + ".");
    return length;
}

std::vector<double> AtValue(const std::string& v) {
    std::vector<double> times;
    for (const std::string& item : SplitList(v, ',')) {
        // The window's parser: seconds, [H:]MM:SS[.mmm] or the list's MM:SS:mmm.
        const std::optional<double> t = ParseClock(item, true);
        if (!t)
            throw UsageError(
                "--at takes times in seconds, [H:]MM:SS[.mmm] or MM:SS:mmm separated by "
                "commas; " +
                Quoted(item) + " is not one.");
        times.push_back(*t);
    }
    return times;
}

std::vector<int> SkipValue(const std::string& v) {
    std::vector<int> parts;
    for (const std::string& item : SplitList(v, ',')) {
        if (!IsDigits(item) || std::atoi(item.c_str()) < 1)
            throw UsageError("--skip takes part numbers (1, 2, ...) separated by commas; " +
                             Quoted(item) + " is not one.");
        parts.push_back(std::atoi(item.c_str()));
    }
    return parts;
}

CutListArgument CutListValue(tessivo::CutListFormat format, const std::string& option,
                             const std::string& v) {
    if (v.empty())
        throw UsageError(option + " needs a file.");
    return {format, v, option};
}

double SnapValue(const std::string& v) {
    const std::optional<double> seconds = ParseSeconds(v, 600.0);
    if (!seconds)
        throw UsageError("--snap takes seconds from 0 to 600, not " + Quoted(v) + ".");
    return *seconds;
}

// Exactly one way of cutting; --silence beside --near-pauses only sets its
// pauses. A track list may make the cuts itself.
void CheckOneMode(const ModeOptions& o, const std::string& noMode) {
    if (o.beside && (o.cutList || o.chapters || o.parts || o.timeSeconds || o.silencePercent ||
                     o.nearPauses || o.at || !o.trackList.empty()))
        throw UsageError("--beside is a way of cutting of its own; give it without another.");
    if (o.snapSeconds && o.trackList.empty())
        throw UsageError("--snap goes with --tracklist.");
    if (o.beside)
        return;
    const int others = int(o.chapters) + int(o.parts.has_value()) + int(o.timeSeconds.has_value()) +
                       int(o.nearPauses.has_value()) + int(o.at.has_value()) +
                       int(o.cutList.has_value());
    // Beside another way, --silence may only say what counts as a pause.
    const bool silenceRule =
        o.nearPauses.has_value() || ((o.pausesUsed || !o.trackList.empty()) && others > 0);
    const bool silenceMode = o.silencePercent.has_value() && !silenceRule;
    const int modes = others + int(silenceMode);
    if (modes > 1)
        throw UsageError("Choose one of --parts, --time, --silence, --near-pauses, --at, "
                         "--chapters, --cue, --labels and --csv.");
    if (modes == 0 && o.trackList.empty() && !o.wholeFile && o.cutOut.empty())
        throw UsageError(noMode + " No split mode given (--parts, --time, --silence, "
                                  "--near-pauses, --at, --cue, --labels or --csv).");
}

void DeclareCutListOptions(CLI::App& command, ModeOptions& o) {
    const auto cutList = [&](const char* option, tessivo::CutListFormat format, const char* help) {
        AddValueOption(command, option, "FILE", help, [&o, option, format](const std::string& v) {
            if (o.cutList)
                throw UsageError("Give one cut list file, not " + o.cutList->option + " and " +
                                 option + ".");
            o.cutList = CutListValue(format, option, v);
            Give(o, tessivo::kCutListKey);
        });
    };
    cutList("--cue", tessivo::CutListFormat::Cue,
            "cut where the cue sheet's tracks start (INDEX 01); track titles\n"
            "and performers, the sheet's title and performer go into the tags");
    cutList("--labels", tessivo::CutListFormat::Labels,
            "cut at Audacity labels: a point label is a cut, a region label a\n"
            "part titled by its label; the stretches between are not written");
    cutList("--csv", tessivo::CutListFormat::Csv,
            "cut at the segments of a CSV file (start,end,label in seconds, as\n"
            "LosslessCut writes it), as region labels");
    AddValueOption(command, "--beside", "cue|labels|csv",
                   "cut each file by the cut list of the same name beside it\n"
                   "(mix.mp3: mix.cue, mix.txt or mix.csv); a file without one fails",
                   [&o](const std::string& v) {
                       tessivo::CutListFormat format{};
                       if (!tessivo::CutListFormatByName(v, format))
                           throw UsageError("--beside takes cue, labels or csv, not " + Quoted(v) +
                                            ".");
                       o.beside = format;
                       Give(o, tessivo::kCutListKey);
                   });
}

} // namespace

void AddValueOption(CLI::App& command, const std::string& names, const char* type, const char* help,
                    std::function<void(const std::string&)> set) {
    const std::string name = names.substr(names.find_last_of(',') + 1);
    const auto checked = [name, set](const std::string& v) {
        // CLI11 would take a following option as the value.
        if (v.rfind("--", 0) == 0)
            throw UsageError("Option " + name + " needs a value.");
        set(v);
    };
    command.add_option_function<std::string>(names, checked, help)->type_name(type);
}

namespace {

// The options that each choose a way of cutting.
void DeclareCuttingWays(CLI::App& command, ModeOptions& o) {
    AddValueOption(command, "--parts", "N", "N equal parts (2..200)", [&o](const std::string& v) {
        o.parts = PartsValue(v);
        Give(o, "parts");
    });
    AddValueOption(command, "--time", "[H:]MM:SS",
                   "parts of this length (hours optional; minutes and seconds 0..59);\n"
                   "each cut on the frame nearest its time",
                   [&o](const std::string& v) {
                       o.timeSeconds = TimeValue(v);
                       Give(o, "time");
                   });
    AddValueOption(command, "--silence", "PERCENT,MS",
                   "cut at pauses below PERCENT (1..100) lasting MS (200..5000);\n"
                   "with --near-pauses, only what counts as a pause",
                   [&o](const std::string& v) { SetSilence(o, v); });
    AddValueOption(command, "--near-pauses", "[H:]MM:SS[,TOLERANCE]",
                   "parts of about this length, each cut in the middle of the pause\n"
                   "nearest the length, within TOLERANCE percent (0..50, default 20);\n"
                   "where none is, on the quietest frame (\"No pause\" on stderr)",
                   [&o](const std::string& v) {
                       o.nearPauses = NearPausesValue(v);
                       Give(o, "near-pauses");
                   });
    AddValueOption(command, "--at", "TIME,TIME,...",
                   "cut at these times, each in seconds (12.5), [H:]MM:SS[.mmm]\n"
                   "(1:02.250) or the window's list form [H:]MM:SS:mmm; rounded to the nearest "
                   "frame; not within the file's\n"
                   "last 10 frames",
                   [&o](const std::string& v) {
                       o.at = AtValue(v);
                       Give(o, "at");
                   });
    command
        .add_flag("--chapters", o.chapters,
                  "cut at the source's chapters (ID3v2 CHAP frames), each on the frame\n"
                  "nearest its start; parts are titled after their chapters")
        ->disable_flag_override();
    DeclareCutListOptions(command, o);
}

// The options that name the parts or change what the way of cutting made.
void DeclarePartOptions(CLI::App& command, ModeOptions& o) {
    AddValueOption(command, "--tracklist", "FILE",
                   "cut at the tracks of a UTF-8 text file, one a line: START TITLE\n"
                   "(a set list) or TITLE LENGTH (an album, \"01 - Title (3:45)\"),\n"
                   "times as [h:]mm:ss[.mmm]; each cut moves into the nearest pause\n"
                   "(--snap). The titles and track numbers n/N go into the tags. A\n"
                   "list of titles alone titles the parts another way of cutting makes",
                   [&o](const std::string& v) {
                       if (v.empty())
                           throw UsageError("--tracklist needs a file.");
                       o.trackList = v;
                   });
    AddValueOption(command, "--snap", "SEC",
                   "with --tracklist, move each cut to the middle of the nearest pause\n"
                   "(as --silence finds them) within SEC seconds (default 5; 0: keep\n"
                   "the times)",
                   [&o](const std::string& v) { o.snapSeconds = SnapValue(v); });
    AddValueOption(command, "--skip", "N,N,...",
                   "leave out these parts (numbered from 1 in the order of the file)",
                   [&o](const std::string& v) { o.skip = SkipValue(v); });
    AddValueOption(command, "--cut-out", "RANGES",
                   "cut out these stretches of the source (1:00-1:05,12:00.5-12:03;\n"
                   "times as --at takes them): cut lines at their edges, the parts\n"
                   "between left out, after the way of cutting and --skip; alone,\n"
                   "the whole file less the stretches (split: with --one-file)",
                   [&o](const std::string& v) {
                       const std::vector<tessivo::MuteRange> r = ParseRanges(v, "--cut-out");
                       o.cutOut.insert(o.cutOut.end(), r.begin(), r.end());
                   });
}

} // namespace

void DeclareModeOptions(CLI::App& command, ModeOptions& o, const std::string& noMode) {
    DeclareCuttingWays(command, o);
    DeclarePartOptions(command, o);
    command.final_callback([&o, noMode] {
        if (o.chapters)
            Give(o, tessivo::kChaptersKey);
        CheckOneMode(o, noMode);
    });
}

} // namespace tessivo::cli
