// The declaration of tessivo-cli split: its options, their help and the
// checks of their values.
#include "cli/cli_messages.h"
#include "cli/commands.h"

namespace tessivo::cli {

namespace {

const char* kSplitFooter =
    "Split writes nothing unless its arguments are valid, and prints one line per file\n"
    "written (none with --quiet). It exits with 2 for bad arguments or a malformed cut\n"
    "list (the message names the line) and 1 when the file cannot be split. Warnings\n"
    "(cut list times past the end, cuts that found no pause) go to stderr.";

} // namespace

CLI::App* DeclareSplit(CLI::App& program, SplitOptions& o) {
    CLI::App* split = program.add_subcommand("split", "cut FILE into parts and write them");
    DeclareFileAndQuiet(*split, o.file, o.quiet, "the MP3 file to cut",
                        "print nothing but errors (no file lines, no warnings)");
    DeclareModeOptions(*split, o.mode, "No parts prepared to split.");
    split
        ->add_flag("--tags", o.tags,
                   "write each part's ID3v1 tag: the source's own tag, or, when it\n"
                   "has none, title \"NAME - part NN\" and track NN; titles, performers\n"
                   "and album of a cut list replace those fields")
        ->disable_flag_override();
    split
        ->add_flag("--gapless", o.gapless,
                   "add an Info frame and warm-up frames so parts play gaplessly")
        ->disable_flag_override();
    AddValueOption(*split, "-o,--out", "DIR",
                   "output folder, made when missing (default: current folder)",
                   [&o](const std::string& v) {
                       if (v.empty())
                           throw UsageError("--out needs a folder.");
                       o.out = v;
                   });
    split->footer(kSplitFooter);
    return split;
}

} // namespace tessivo::cli
