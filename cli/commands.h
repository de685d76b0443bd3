// Sub-commands of tessivo-cli: each has one declaration of its arguments
// (DeclareX adds the sub-command to the program's parser and fills the
// options record while the command line is read) and one runner, which
// returns the process exit status.
#pragma once

#include "core/cutlist/cut_list_file.h"
#include "core/output/edge_fades.h"
#include "core/output/part_tag.h"
#include "core/parts/near_pauses.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessivo::cli {

// info and peaks: one file, nothing else.
struct FileOptions {
    std::string file;
    bool quiet = false;
    bool frames = false; // info --frames: each frame's granule gains
};

CLI::App* DeclareInfo(CLI::App& program, FileOptions& o);
int RunInfo(const FileOptions& o);

CLI::App* DeclarePeaks(CLI::App& program, FileOptions& o);
int RunPeaks(const FileOptions& o);

// A cut list file given as the way of cutting.
struct CutListArgument {
    tessivo::CutListFormat format = tessivo::CutListFormat::Labels;
    std::string path;
    std::string option; // "--cue", "--labels" or "--csv", for messages
};

// The way of cutting, shared by split and cuts: exactly one is set, except
// that --silence may come with --near-pauses to give its threshold and pause.
struct ModeOptions {
    bool chapters = false; // at the source's CHAP chapters
    std::optional<int> parts;
    std::optional<int> timeSeconds;
    std::optional<int> silencePercent, silenceMs;
    std::optional<tessivo::NearPausesLength> nearPauses;
    std::optional<std::vector<double>> at; // seconds
    std::optional<CutListArgument> cutList;
    std::optional<tessivo::CutListFormat> beside; // the cut list beside each file
    std::vector<int> skip;                        // --skip: parts left out, by number
    std::string trackList;                        // --tracklist: titles, and starts or lengths
    std::optional<double> snapSeconds;            // --snap: reach of the snap to pauses
    // --trim-silence or --shorten-pauses: --silence beside another way of
    // cutting only says what counts as a pause.
    bool pausesUsed = false;
    bool wholeFile = false;                 // --shorten-pauses: no way of cutting is one part
    std::vector<tessivo::MuteRange> cutOut; // --cut-out: source times left out
    // The keys of the ways of cutting the options above name (core/cutting), in
    // the order given; RuleOf finds the mode by them.
    std::vector<std::string_view> given;
};

// Adds the mode options to `command`; `noMode` is the message when none is given.
void DeclareModeOptions(CLI::App& command, ModeOptions& o, const std::string& noMode);

// Adds an option that takes one value and hands it to `set`, which may throw
// UsageError; a following option is not taken as the value.
void AddValueOption(CLI::App& command, const std::string& names, const char* type, const char* help,
                    std::function<void(const std::string&)> set);

// What split and cuts take besides the way of cutting: several files and
// folders, processed in parallel.
struct InputOptions {
    std::vector<std::string> files; // files and folders as given
    bool recursive = false;         // -r: folders with their subfolders
    unsigned jobs = 0;              // -j: workers (0: one per core)
    bool progress = false;          // --progress: a bar on a terminal
};

// Adds FILE..., -r, -j and --progress to `command`.
void DeclareInputs(CLI::App& command, InputOptions& o, const std::string& fileHelp);

// --fade MS: every written piece faded in and out; --no-fade: the joins of
// one file written without their seam ramps.
struct FadeOptions {
    std::optional<double> fadeMs;
    bool noFade = false;
};

// Adds --fade and --no-fade to `command`.
void DeclareFadeOptions(CLI::App& command, FadeOptions& o, const char* fadeHelp,
                        const char* noFadeHelp);
// The ranges of --mute and --cut-out: "START-END,...", each time as --at
// takes it; UsageError naming `option` when the text is none.
std::vector<tessivo::MuteRange> ParseRanges(const std::string& v, const std::string& option);
// The usage error the two given together make; empty when there is none.
std::string FadeOptionsRefusal(const FadeOptions& o);
// The fades of one file out: --fade at every piece's edges, the seam ramp at
// every join unless --no-fade.
tessivo::FadeChoice JoinedFades(const FadeOptions& o);

struct SplitOptions {
    InputOptions input;
    ModeOptions mode;
    bool tags = false;
    std::optional<tessivo::TagFormat> id3; // --id3, with --tags only
    std::string titleTemplate;             // --title, with --tags only
    bool trackNumbers = false;             // --track-numbers, with --tags only
    bool gapless = false;
    bool replayGain = false;      // --replaygain, with --tags only
    std::optional<double> gainDb; // --gain DB
    bool gainAuto = false;        // --gain auto
    bool overwrite = false;
    bool quiet = false;
    bool flat = false; // several files: all parts in --out, not OUT/NAME/
    std::string out = ".";
    std::string oneFile;              // --one-file: the ticked parts as this one file
    bool noChapters = false;          // --no-chapters
    std::optional<double> trimKeep;   // --trim-silence: the quiet kept at each edge
    std::optional<double> shortenMax; // --shorten-pauses: the longest pause kept
    FadeOptions fade;
    std::vector<tessivo::MuteRange> mutes; // --mute: source times silenced
};

CLI::App* DeclareSplit(CLI::App& program, SplitOptions& o);
// Adds --trim-silence and --shorten-pauses to split.
void DeclarePauseOptions(CLI::App* split, SplitOptions& o);
int RunSplit(const SplitOptions& o);

// cuts: the cut list a mode makes, printed instead of split.
struct CutsOptions {
    InputOptions input;
    ModeOptions mode;
    tessivo::CutListFormat format = tessivo::CutListFormat::Labels;
    bool quiet = false;
    bool besideOut = false; // write NAME.txt/.cue/.csv beside each file
};

CLI::App* DeclareCuts(CLI::App& program, CutsOptions& o);
int RunCuts(const CutsOptions& o);

// The --quiet flag every command has.
void DeclareQuiet(CLI::App& command, bool& quiet, const std::string& quietHelp);

// join: files one after another as one file.
struct JoinOptions {
    std::vector<std::string> files;
    std::string out;
    std::optional<tessivo::TagFormat> id3;
    bool noChapters = false;
    bool overwrite = false;
    bool quiet = false;
    FadeOptions fade;
};

CLI::App* DeclareJoin(CLI::App& program, JoinOptions& o);
int RunJoin(const JoinOptions& o);

// The FILE argument and the --quiet flag of info and peaks.
void DeclareFileAndQuiet(CLI::App& command, std::string& file, bool& quiet,
                         const std::string& fileHelp,
                         const std::string& quietHelp = "print nothing but errors");

} // namespace tessivo::cli
