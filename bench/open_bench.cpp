// Benchmark of opening and splitting long files (run by hand, not a test):
//   tessivo-open-bench [FILE]
// Without FILE it makes a 60-minute 128 kbit/s stereo MP3 in /tmp (once; sox
// and lame must be installed) and from it a 10-hour file (its frames ten
// times over, without the Info frame). Measures side by side in one run:
// `tessivo-cli info` and a 12-part split against `cp` (and against `cp`
// followed by `sync` of the copy, as the split flushes its parts), the exact peaks
// against `mpg123 -q -t`, the time from start to the preview table, to the
// exact table from the peak cache, and the peak memory of `info`.
#include "bench/bench_files.h"
#include "core/analysis/background_peaks.h"
#include "core/analysis/frame_index.h"
#include "core/analysis/open_file.h"
#include "core/analysis/peak_cache.h"
#include "core/analysis/peaks.h"
#include "core/analysis/preview_peaks.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using namespace tessivo;
using namespace tessivo::bench;

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point a) {
    return std::chrono::duration<double>(Clock::now() - a).count();
}

// Runs argv, returning the wall time; `maxRssKb` receives the child's peak
// memory.
double Spawn(const std::vector<std::string>& args, long* maxRssKb = nullptr) {
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::fflush(stdout); // the child must not write this process's buffer again
    const auto t0 = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage ru{};
    ::wait4(pid, &status, 0, &ru);
    const double t = Since(t0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::fprintf(stderr, "failed (%d): %s\n", status, args[0].c_str());
    if (maxRssKb)
        *maxRssKb = ru.ru_maxrss;
    return t;
}

// Best of `n` runs.
double Best(int n, const std::vector<std::string>& args, long* maxRssKb = nullptr) {
    double best = 1e9;
    for (int i = 0; i < n; ++i)
        best = std::min(best, Spawn(args, maxRssKb));
    return best;
}

struct OpenTimes {
    double preview = 0; // start to the preview table
    double cached = 0;  // start to the exact table from the cache
    double exact = 0;   // the background's exact table, after the preview
};

// An open as the window does it: analysis without peaks, then the preview
// table; then the exact table in the background and into the cache; then
// the open again with the table from the cache.
OpenTimes TimeOpen(const std::string& path, const std::string& cacheDir) {
    OpenTimes t;
    auto st = std::make_unique<ProgramState>();
    auto t0 = Clock::now();
    if (!AnalyseFile(*st, *st, path, false).ok)
        std::exit(1);
    const PeakTable preview = PreviewPeaks(*st);
    t.preview = Since(t0);
    t0 = Clock::now();
    BackgroundPeaks bg(*st);
    bg.Start();
    bg.Wait();
    t.exact = Since(t0);
    StorePeaks(cacheDir, PeakCacheKeyOf(*st), bg.Table());

    auto again = std::make_unique<ProgramState>();
    t0 = Clock::now();
    PeakTable fromCache;
    if (!AnalyseFile(*again, *again, path, false).ok ||
        !LookUpPeaks(cacheDir, PeakCacheKeyOf(*again), again->FrameCount, fromCache))
        std::fprintf(stderr, "cache miss!\n");
    t.cached = Since(t0);
    return t;
}

// The exact peaks with all cores on an image in memory, checked against
// the sequential table.
double TimeExactPeaks(const std::string& path, bool& same) {
    ProgramState st;
    AnalyseFile(st, st, path, false);
    const auto t0 = Clock::now();
    CalculatePeaksParallel(st, st);
    const double t = Since(t0);
    const PeakTable par(st);
    CalculatePeaks(st, st);
    same = par.PeakMaxL == st.PeakMaxL && par.PeakMinL == st.PeakMinL &&
           par.PeakMaxR == st.PeakMaxR && par.PeakMinR == st.PeakMinR;
    return t;
}

void CommandLineFigures(const std::string& cli, const std::string& path) {
    const std::string out = "/tmp/tessivo_open_bench_out";
    RunOrExit("rm -rf " + out + " && mkdir -p " + out);
    const double cp = Best(3, {"cp", path, out + "/copy.mp3"});
    // The split flushes every part to disk before it takes its name; so does
    // this copy, for a like-for-like figure.
    const double cpSync =
        Best(3, {"sh", "-c", "cp \"$0\" \"$1\" && sync \"$1\"", path, out + "/synced.mp3"});
    long rss = 0;
    const double info = Best(3, {cli, "info", path}, &rss);
    // Each run writes all 12 files again (over the last run's).
    const double split =
        Best(3, {cli, "split", "-q", "--overwrite", "--parts", "12", "-o", out, path});
    std::printf("%s (%.1f MB)\n", path.c_str(), FileSizeMb(path));
    std::printf("  cp                    %7.3f s\n", cp);
    std::printf("  tessivo-cli info      %7.3f s  = %.2f x cp   (target <= 1.5)\n", info,
                info / cp);
    std::printf("  cp, then sync         %7.3f s\n", cpSync);
    std::printf("  split into 12 parts   %7.3f s  = %.2f x cp   (target <= 1.5)"
                " = %.2f x cp with sync\n",
                split, split / cp, split / cpSync);
    std::printf("  info peak memory      %7.1f MB = file + %.1f MB   (target <= +40)\n",
                rss / 1024.0, rss / 1024.0 - FileSizeMb(path));
    RunOrExit("rm -rf " + out);
}

void PeakFigures(const std::string& path) {
    const double mpg = Best(1, {"mpg123", "-q", "-t", path});
    bool same = false;
    const double exact = TimeExactPeaks(path, same);
    std::printf("  mpg123 -q -t          %7.3f s\n", mpg);
    std::printf("  exact peaks (cores)   %7.3f s  = %.2f x mpg123 -t, %s to the sequential table\n",
                exact, exact / mpg, same ? "identical" : "NOT IDENTICAL");
}

void OpenFigures(const std::string& path, double previewTarget) {
    const std::string cache = "/tmp/tessivo_open_bench_cache";
    RunOrExit("rm -rf " + cache);
    const OpenTimes t = TimeOpen(path, cache);
    std::printf("  start to preview      %7.3f s   (target <= %.1f)\n", t.preview, previewTarget);
    std::printf("  start to cached exact %7.3f s   (target <= %.1f)\n", t.cached, previewTarget);
    std::printf("  background exact      %7.3f s  after the preview\n", t.exact);
    RunOrExit("rm -rf " + cache);
}

} // namespace

int main(int argc, char** argv) {
    const std::string cli = TESSIVO_CLI_PATH;
    const std::string hour = argc > 1 ? argv[1] : MakeHourFile();
    CommandLineFigures(cli, hour);
    PeakFigures(hour);
    OpenFigures(hour, 0.3);
    if (argc > 1)
        return 0;
    const std::string tenHours = MakeTenHourFile(hour);
    std::printf("%s (%.1f MB)\n", tenHours.c_str(), FileSizeMb(tenHours));
    OpenFigures(tenHours, 1.0);
    return 0;
}
