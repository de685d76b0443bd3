// Memory over 1,000 rejected cue sheet imports: the window's import reads a
// sheet with ReadCutListFile, so that is what runs here, over sheets that
// once reached libcue's error path (which leaks what it parsed so far) and
// sheets the program's own scan refuses. For comparison, libcue handed the
// same sheets directly (its messages sent to /dev/null).
//   build/bench/tessivo-cue-reject-bench
#include "core/cutlist/cut_list_file.h"

#include <fcntl.h>
#include <libcue.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

long ResidentKb() {
    std::ifstream in("/proc/self/status");
    std::string key;
    long kb = 0;
    while (in >> key)
        if (key == "VmRSS:" && in >> kb)
            return kb;
    return -1;
}

const std::vector<std::pair<std::string, std::string>> kSheets = {
    {"title ending in a backslash",
     "FILE \"a.mp3\" MP3\nTRACK 01 AUDIO\nTITLE \"a\\\"\nINDEX 01 00:00:00\n"},
    {"unknown track type and words",
     "FILE \"a.mp3\" MP3\nTRACK 01 NOISE\nTITLE two words\nINDEX 01 00:00:00\n"},
    {"missing INDEX 01", "FILE \"a.mp3\" MP3\nTRACK 01 AUDIO\nINDEX 00 00:00:00\n"},
};

void Measure(const std::string& what, int runs, const std::function<void()>& run) {
    run(); // first use: allocator pools and libcue's own statics
    const long before = ResidentKb();
    for (int i = 0; i < runs; ++i)
        run();
    const long after = ResidentKb();
    std::printf("  %-48s %6ld kB -> %6ld kB (%+ld kB over %d)\n", what.c_str(), before, after,
                after - before, runs);
}

} // namespace

int main() {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tessivo-cue-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    constexpr int kRuns = 1000;
    std::printf("Resident memory over %d rejected imports (VmRSS):\n", kRuns);
    for (const auto& [what, text] : kSheets) {
        const std::string path = (dir / "sheet.cue").string();
        std::ofstream(path, std::ios::binary) << text;
        Measure("Tessivo, " + what, kRuns, [&] {
            const tessivo::CutListRead r =
                tessivo::ReadCutListFile(tessivo::CutListFormat::Cue, path);
            if (r.ok())
                std::printf("    unexpectedly accepted\n");
        });
    }
    // libcue alone, its complaints kept out of the terminal.
    std::fflush(stderr);
    const int saved = dup(2);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 2);
    for (const auto& [what, text] : kSheets)
        Measure("libcue alone, " + what, kRuns, [&] {
            if (Cd* cd = cue_parse_string(text.c_str()))
                cd_delete(cd);
        });
    dup2(saved, 2);
    close(null);
    close(saved);
    std::filesystem::remove_all(dir);
    return 0;
}
