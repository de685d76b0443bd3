// Benchmark of opening a long file (run by hand, not a test):
//   tessivo-analysis-bench [FILE]
// Without FILE it makes a 60-minute 128 kbit/s stereo MP3 in /tmp (once;
// sox and lame must be installed). Prints the frame index time, the peak
// table time against `mpg123 -q -t`, the parallel peak time, and the peak
// memory of a whole open.
#include "core/analysis/frame_index.h"
#include "core/analysis/mp3_load.h"
#include "core/analysis/open_file.h"
#include "core/analysis/peaks.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>

using namespace tessivo;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

bool Exists(const std::string& p) {
    struct stat sb {};
    return ::stat(p.c_str(), &sb) == 0 && sb.st_size > 0;
}

// 60 minutes of a slowly moving mix of tones and noise, 128 kbit/s CBR stereo.
std::string MakeLongFile() {
    const std::string path = "/tmp/tessivo_bench_60min.mp3";
    if (Exists(path))
        return path;
    std::fprintf(stderr, "making %s (one minute or two)...\n", path.c_str());
    const std::string cmd =
        "sox -R -D -V1 -n -r 44100 -c 2 -b 16 -t wav - synth 3600 sine 110-1760 sine 220-880 "
        "pinknoise remix 1,3 2,3 vol 0.4 tremolo 0.2 60 | lame --quiet --noreplaygain -b 128 --cbr "
        "- " +
        path + ".part && mv " + path + ".part " + path;
    if (std::system(cmd.c_str()) != 0 || !Exists(path)) {
        std::fprintf(stderr, "could not make the file\n");
        std::exit(1);
    }
    return path;
}

double CpuSeconds(const rusage& ru) {
    return ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6 + ru.ru_stime.tv_sec +
           ru.ru_stime.tv_usec / 1e6;
}

double ProcessCpu() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

long MaxRssKb() {
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    // Child mode: a whole open as the window does it, then the peak memory.
    if (argc == 3 && std::string(argv[1]) == "--open") {
        ProgramState st;
        const OpenResult r = AnalyseFile(st, st, argv[2], true);
        if (!r.ok)
            return 1;
        std::printf("%ld\n", MaxRssKb());
        return 0;
    }
    const std::string file = argc > 1 ? argv[1] : MakeLongFile();

    ProgramState st;
    st.FileName = file;
    std::string msg;
    auto t0 = Clock::now();
    if (!LoadFile(st, st, msg)) {
        std::fprintf(stderr, "%s\n", msg.c_str());
        return 1;
    }
    auto t1 = Clock::now();
    if (!ProbeFile(st, st)) {
        std::fprintf(stderr, "It is not a MP3 file!\n");
        return 1;
    }
    auto t2 = Clock::now();
    if (!FindFirstFrame(st, msg, st.HasId3v2 ? st.Id3v2Size : 0)) {
        std::fprintf(stderr, "%s\n", msg.c_str());
        return 1;
    }
    ComputeFrameCount(st);
    st.FramePos.assign(st.FrameCount, 0);
    auto t3 = Clock::now();
    BuildFrameIndex(st);
    auto t4 = Clock::now();

    std::printf("file: %s, %llu bytes, %u frames (%d indexed), %s\n", file.c_str(),
                static_cast<unsigned long long>(st.FileSize), st.FrameCount, st.IndexedFrames,
                StreamInfoText(st).c_str());
    std::printf("read into memory:      %8.1f ms\n", Seconds(t0, t1) * 1e3);
    std::printf("probe (exact length):  %8.1f ms\n", Seconds(t1, t2) * 1e3);
    std::printf("first frame + count:   %8.3f ms\n", Seconds(t2, t3) * 1e3);
    std::printf("frame index:           %8.3f ms   (target < 20 ms)\n", Seconds(t3, t4) * 1e3);

    // Timings are the best of three runs (the machine may be shared), as wall
    // time and as CPU time.
    constexpr int kRuns = 3;
    double mpgWall = 1e9, mpgCpu = 1e9;
    for (int i = 0; i < kRuns; ++i) {
        rusage before{}, after{};
        ::getrusage(RUSAGE_CHILDREN, &before);
        auto m0 = Clock::now();
        const int rc = std::system(("mpg123 -q -t '" + file + "'").c_str());
        auto m1 = Clock::now();
        ::getrusage(RUSAGE_CHILDREN, &after);
        if (rc != 0)
            std::fprintf(stderr, "mpg123 -t failed\n");
        mpgWall = std::min(mpgWall, Seconds(m0, m1));
        mpgCpu = std::min(mpgCpu, CpuSeconds(after) - CpuSeconds(before));
    }
    std::printf("mpg123 -q -t:          %8.1f ms wall, %8.1f ms CPU\n", mpgWall * 1e3,
                mpgCpu * 1e3);

    double seqWall = 1e9, seqCpu = 1e9;
    for (int i = 0; i < kRuns; ++i) {
        const double c0 = ProcessCpu();
        auto p0 = Clock::now();
        CalculatePeaks(st, st);
        auto p1 = Clock::now();
        seqCpu = std::min(seqCpu, ProcessCpu() - c0);
        seqWall = std::min(seqWall, Seconds(p0, p1));
    }
    const auto maxL = st.PeakMaxL, minL = st.PeakMinL, maxR = st.PeakMaxR, minR = st.PeakMinR;
    std::printf("peaks, sequential:     %8.1f ms wall, %8.1f ms CPU; ratio to mpg123 -t %.2f wall, "
                "%.2f CPU (target <= 1)\n",
                seqWall * 1e3, seqCpu * 1e3, seqWall / mpgWall, seqCpu / mpgCpu);

    for (unsigned threads : {2u, std::max(2u, std::thread::hardware_concurrency())}) {
        double parWall = 1e9, parCpu = 1e9;
        bool same = true;
        uint32_t redecoded = 0;
        for (int i = 0; i < kRuns; ++i) {
            const double c0 = ProcessCpu();
            auto q0 = Clock::now();
            CalculatePeaksParallel(st, st, threads, {}, nullptr, 0, &redecoded);
            auto q1 = Clock::now();
            parCpu = std::min(parCpu, ProcessCpu() - c0);
            parWall = std::min(parWall, Seconds(q0, q1));
            same = same && st.PeakMaxL == maxL && st.PeakMinL == minL && st.PeakMaxR == maxR &&
                   st.PeakMinR == minR;
        }
        std::printf("peaks, %u threads:      %8.1f ms wall, %8.1f ms CPU; wall ratio to mpg123 -t "
                    "%.2f (target <= 0.6 on 2 free cores), %s, %u shares decoded again\n",
                    threads, parWall * 1e3, parCpu * 1e3, parWall / mpgWall,
                    same ? "identical" : "DIFFERENT", redecoded);
        if (threads == std::thread::hardware_concurrency())
            break;
    }
    double load[3] = {0, 0, 0};
    if (::getloadavg(load, 3) > 0)
        std::printf("load average during the run: %.1f (%u cores)\n", load[0],
                    std::thread::hardware_concurrency());

    // Peak memory of a whole open in a fresh process.
    FILE* p = ::popen(("'" + std::string(argv[0]) + "' --open '" + file + "'").c_str(), "r");
    long rssKb = 0;
    if (p) {
        if (std::fscanf(p, "%ld", &rssKb) != 1)
            rssKb = 0;
        ::pclose(p);
    }
    const double extraMb = (rssKb * 1024.0 - st.FileSize) / (1024.0 * 1024.0);
    std::printf("peak memory of an open: %ld KB = file size + %.1f MB (target <= 40 MB)\n", rssKb,
                extraMb);
    return 0;
}
