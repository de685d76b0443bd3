// tessivo-cli: analyse an MP3 file and split it without re-encoding.
#include "cli/cli_messages.h"
#include "cli/commands.h"

#include "core/output/split_parts.h"
#include "core/output/temp_files.h"

#include <CLI/CLI.hpp>

#include <new>

#include <iostream>
#include <string>

namespace {

using namespace tessivo::cli;

const char* kProgramFooter = "Exit status: 0 on success, 1 when a file cannot be read, split or "
                             "written, 2 for bad arguments.";

// The option an error of CLI11 names first ("--parts: 1 required ...",
// "tags was given a disallowed flag override").
std::string NamedOption(const std::string& what) {
    const std::string name = what.substr(0, what.find_first_of(": "));
    return name.rfind('-', 0) == 0 ? name : "--" + name;
}

// The one line for a usage error that CLI11 found in `command`'s arguments.
std::string UsageText(const CLI::App& command, const CLI::ParseError& e) {
    const std::string what = e.what();
    const bool isProgram = command.get_parent() == nullptr;
    if (dynamic_cast<const CLI::ExtrasError*>(&e) || !command.remaining().empty()) {
        const std::string extra = command.remaining().empty() ? "" : command.remaining().front();
        if (extra.size() > 1 && extra[0] == '-')
            return "Unknown option: " + extra;
        if (isProgram)
            return "Unknown command: " + extra;
        return "Only one file can be given at a time (also got \"" + extra + "\").";
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) {
        if (what.find("flag override") != std::string::npos)
            return "Option " + NamedOption(what) + " takes no value.";
        if (what.find("At Most") != std::string::npos)
            return "Option " + NamedOption(what) + " is given more than once.";
        return "Option " + NamedOption(what) + " needs a value.";
    }
    if (dynamic_cast<const CLI::RequiredError*>(&e))
        return isProgram ? "which command? Give info, peaks, split, cuts or join."
                         : "which file? The FILE argument is missing.";
    return what;
}

// The deepest command the arguments reached.
const CLI::App& ReachedCommand(const CLI::App& program) {
    const CLI::App* command = &program;
    while (!command->get_subcommands().empty())
        command = command->get_subcommands().front();
    return *command;
}

int ReportParseError(CLI::App& program, const CLI::ParseError& e) {
    if (dynamic_cast<const CLI::Success*>(&e)) {
        // Help or version. The program's own help lists every command's options.
        if (dynamic_cast<const CLI::CallForHelp*>(&e) && program.get_subcommands().empty()) {
            std::cout << program.help("", CLI::AppFormatMode::All);
            return kExitOk;
        }
        return program.exit(e);
    }
    const CLI::App& command = ReachedCommand(program);
    return ReportUsageError(command.get_parent() ? command.get_name() : "", UsageText(command, e));
}

} // namespace

int main(int argc, char** argv) {
    CLI::App program("Analyse an MP3 file, cut it into parts or join files without re-encoding.",
                     "tessivo-cli");
    program.set_version_flag("--version", "tessivo-cli " TESSIVO_VERSION);
    program.require_subcommand(1);
    program.footer(kProgramFooter);
    FileOptions infoOptions, peaksOptions;
    SplitOptions splitOptions;
    CutsOptions cutsOptions;
    JoinOptions joinOptions;
    CLI::App* info = DeclareInfo(program, infoOptions);
    CLI::App* peaks = DeclarePeaks(program, peaksOptions);
    DeclareSplit(program, splitOptions);
    CLI::App* cuts = DeclareCuts(program, cutsOptions);
    CLI::App* join = DeclareJoin(program, joinOptions);
    try {
        program.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return ReportParseError(program, e);
    } catch (const UsageError& e) {
        return ReportUsageError(ReachedCommand(program).get_name(), e.what());
    }
    tessivo::PrepareSignalsForWriting();
    const auto run = [&]() -> int {
        if (info->parsed())
            return RunInfo(infoOptions);
        if (peaks->parsed())
            return RunPeaks(peaksOptions);
        if (cuts->parsed())
            return RunCuts(cutsOptions);
        if (join->parsed())
            return RunJoin(joinOptions);
        return RunSplit(splitOptions);
    };
    try {
        return run();
    } catch (const std::bad_alloc&) {
        const char* action = info->parsed()    ? "reading the file"
                             : peaks->parsed() ? "computing the peaks"
                             : cuts->parsed()  ? "placing the cuts"
                             : join->parsed()  ? "joining the files"
                                               : "splitting";
        return ReportFailure(tessivo::OutOfMemoryMessage(action));
    }
}
