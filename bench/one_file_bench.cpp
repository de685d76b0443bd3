// Benchmark of writing pieces as one file (run by hand, not a test):
//   tessivo-one-file-bench [FILE]
// Without FILE it uses the 60-minute file of the other benchmarks (made in
// /tmp once). Cuts at every 10 minutes and keeps parts 1, 3 and 5; measures
// side by side in one run, best of three: `tessivo-cli split --one-file`,
// `cp` of the whole file, and `ffmpeg -f concat -c copy` of the same pieces;
// then what `mpg123 -t` and mp3val say about each output.
#include "bench/bench_files.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

using namespace tessivo::bench;

namespace {

double Seconds(const std::string& cmd) {
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(cmd.c_str()) != 0)
        std::fprintf(stderr, "failed: %s\n", cmd.c_str());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double Best(const std::string& cmd) {
    double best = 1e9;
    for (int i = 0; i < 3; ++i)
        best = std::min(best, Seconds(cmd));
    return best;
}

// Lines of complaint a checker prints about `path`.
int Complaints(const std::string& cmd) {
    std::FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return -1;
    int lines = 0;
    for (int c; (c = std::fgetc(p)) != EOF;)
        lines += c == '\n';
    ::pclose(p);
    return lines;
}

// The concat list of parts 1, 3 and 5 (0-10, 20-30, 40-50 minutes).
std::string ConcatList(const std::string& source) {
    const std::string list = "/tmp/tessivo-bench-concat.txt";
    std::ofstream out(list);
    for (int start : {0, 1200, 2400})
        out << "file '" << source << "'\ninpoint " << start << "\noutpoint " << start + 600 << "\n";
    return list;
}

void Report(const char* what, double seconds, const std::string& path) {
    const int mpg123 = Complaints("mpg123 -q -t '" + path + "' 2>&1");
    const int mp3val = Complaints("mp3val '" + path + "' 2>&1 | grep -E 'WARNING|ERROR'");
    std::printf("%-34s %7.3f s  %7.1f MB  mpg123 -t: %d lines  mp3val: %d lines\n", what, seconds,
                FileSizeMb(path), mpg123, mp3val);
}

} // namespace

int main(int argc, char** argv) {
    const std::string source = argc > 1 ? argv[1] : MakeHourFile();
    const std::string cli = TESSIVO_CLI_PATH;
    const std::string one = "/tmp/tessivo-bench-one.mp3", copy = "/tmp/tessivo-bench-cp.mp3",
                      concat = "/tmp/tessivo-bench-concat.mp3";
    const std::string list = ConcatList(source);
    std::printf("source: %s (%.1f MB); parts 1, 3, 5 of cuts every 10 minutes\n", source.c_str(),
                FileSizeMb(source));
    const double tOne = Best("'" + cli + "' split '" + source +
                             "' --at 10:00,20:00,30:00,40:00,50:00 --skip 2,4,6 --one-file '" +
                             one + "' --overwrite --quiet");
    const double tCp = Best("cp '" + source + "' '" + copy + "'");
    const double tConcat =
        Best("ffmpeg -v error -y -f concat -safe 0 -i '" + list + "' -c copy '" + concat + "'");
    Report("tessivo-cli split --one-file", tOne, one);
    Report("cp (whole file)", tCp, copy);
    Report("ffmpeg -f concat -c copy", tConcat, concat);
    std::remove(one.c_str());
    std::remove(copy.c_str());
    std::remove(concat.c_str());
    std::remove(list.c_str());
    return 0;
}
