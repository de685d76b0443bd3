// Sub-commands of tessivo-cli: each has one declaration of its arguments
// (DeclareX adds the sub-command to the program's parser and fills the
// options record while the command line is read) and one runner, which
// returns the process exit status.
#pragma once

#include "core/cutlist/cut_list_file.h"
#include "core/output/part_tag.h"
#include "core/parts/near_pauses.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tessivo::cli {

// info and peaks: one file, nothing else.
struct FileOptions {
    std::string file;
    bool quiet = false;
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
};

// Adds the mode options to `command`; `noMode` is the message when none is given.
void DeclareModeOptions(CLI::App& command, ModeOptions& o, const std::string& noMode);

// Adds an option that takes one value and hands it to `set`, which may throw
// UsageError; a following option is not taken as the value.
void AddValueOption(CLI::App& command, const std::string& names, const char* type, const char* help,
                    std::function<void(const std::string&)> set);

struct SplitOptions {
    std::string file;
    ModeOptions mode;
    bool tags = false;
    std::optional<tessivo::TagFormat> id3; // --id3, with --tags only
    std::string titleTemplate;             // --title, with --tags only
    bool gapless = false;
    bool replayGain = false;      // --replaygain, with --tags only
    std::optional<double> gainDb; // --gain DB
    bool gainAuto = false;        // --gain auto
    bool overwrite = false;
    bool quiet = false;
    std::string out = ".";
};

CLI::App* DeclareSplit(CLI::App& program, SplitOptions& o);
int RunSplit(const SplitOptions& o);

// cuts: the cut list a mode makes, printed instead of split.
struct CutsOptions {
    std::string file;
    ModeOptions mode;
    tessivo::CutListFormat format = tessivo::CutListFormat::Labels;
    bool quiet = false;
};

CLI::App* DeclareCuts(CLI::App& program, CutsOptions& o);
int RunCuts(const CutsOptions& o);

// The FILE argument and the --quiet flag every command has.
void DeclareFileAndQuiet(CLI::App& command, std::string& file, bool& quiet,
                         const std::string& fileHelp,
                         const std::string& quietHelp = "print nothing but errors");

} // namespace tessivo::cli
