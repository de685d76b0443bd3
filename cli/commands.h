// Sub-commands of tessivo-cli: each has one declaration of its arguments
// (DeclareX adds the sub-command to the program's parser and fills the
// options record while the command line is read) and one runner, which
// returns the process exit status.
#pragma once

#include <CLI/CLI.hpp>

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

struct SplitOptions {
    std::string file;
    // The way of cutting: exactly one is set.
    std::optional<int> parts;
    std::optional<int> timeSeconds;
    std::optional<int> silencePercent, silenceMs;
    std::optional<std::vector<double>> at; // seconds
    bool tags = false;
    bool gapless = false;
    bool quiet = false;
    std::string out = ".";
};

CLI::App* DeclareSplit(CLI::App& program, SplitOptions& o);
int RunSplit(const SplitOptions& o);

// The FILE argument and the --quiet flag every command has.
void DeclareFileAndQuiet(CLI::App& command, std::string& file, bool& quiet,
                         const std::string& fileHelp);

} // namespace tessivo::cli
