// tessivo-cli: analyse an MP3 file and split it without re-encoding.
#include "cli/commands.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* kUsage =
    "Usage: tessivo-cli COMMAND FILE [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  info FILE     print the stream text and the file's frame facts\n"
    "  peaks FILE    print the per-frame peak table as CSV\n"
    "  split FILE    cut FILE into parts and write them (see options)\n"
    "\n"
    "Split options:\n"
    "  --parts N                 N equal parts (2..200)\n"
    "  --time MM:SS              parts of this length (minutes and seconds 0..59)\n"
    "  --silence PERCENT,MS      cut at pauses below PERCENT (1..100) lasting MS (200..5000)\n"
    "  --at SECONDS,SECONDS,...  cut at these times (rounded to the nearest frame; not\n"
    "                            within the file's last 10 frames)\n"
    "  --tags                    write each part's ID3v1 tag: the source's own tag, or,\n"
    "                            when it has none, title \"NAME - part NN\" and track NN\n"
    "  --gapless                 add an Info frame and warm-up frames so parts play gaplessly\n"
    "  --out DIR                 output folder (default: current folder)\n"
    "\n"
    "Split writes nothing unless its arguments are valid, and prints one line per file\n"
    "written; it exits with 2 for bad arguments and 1 when the file cannot be split.\n"
    "\n"
    "Exit status is 0 on success and non-zero on any failure.\n";

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string cmd = args.front();
    args.erase(args.begin());
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (cmd == "info")
        return tessivo::cli::RunInfo(args);
    if (cmd == "peaks")
        return tessivo::cli::RunPeaks(args);
    if (cmd == "split")
        return tessivo::cli::RunSplit(args);
    std::fprintf(stderr, "Unknown command: %s\n\n%s", cmd.c_str(), kUsage);
    return 2;
}
