#include "bench/bench_files.h"

#include "core/analysis/frame_index.h"
#include "core/analysis/open_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tessivo::bench {

void RunOrExit(const std::string& cmd) {
    if (std::system(cmd.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", cmd.c_str());
        std::exit(1);
    }
}

bool FileExists(const std::string& path) {
    struct stat sb {};
    return ::stat(path.c_str(), &sb) == 0 && sb.st_size > 0;
}

double FileSizeMb(const std::string& path) {
    struct stat sb {};
    return ::stat(path.c_str(), &sb) == 0 ? sb.st_size / 1048576.0 : 0.0;
}

// 60 minutes of a slowly moving mix of tones and noise, 128 kbit/s CBR stereo.
std::string MakeHourFile() {
    const std::string path = "/tmp/tessivo_bench_60min.mp3";
    if (FileExists(path))
        return path;
    std::fprintf(stderr, "making %s (a minute or two)...\n", path.c_str());
    RunOrExit("sox -R -D -V1 -n -r 44100 -c 2 -b 16 -t wav - synth 3600 sine 110-1760 sine "
              "220-880 pinknoise remix 1,3 2,3 vol 0.4 tremolo 0.2 60 | lame --quiet "
              "--noreplaygain -b 128 --cbr - " +
              path + ".part && mv " + path + ".part " + path);
    return path;
}

std::string MakeTenHourFile(const std::string& hour) {
    const std::string path = "/tmp/tessivo_bench_10h.mp3";
    if (FileExists(path))
        return path;
    ProgramState st;
    if (!AnalyseFile(st, st, hour, false).ok)
        std::exit(1);
    const size_t from = static_cast<size_t>(st.FramePos[std::min(1, st.IndexedFrames - 1)]);
    const size_t to = static_cast<size_t>(AudioEnd(st, st));
    FILE* f = std::fopen((path + ".part").c_str(), "wb");
    for (int i = 0; f && i < 10; ++i)
        std::fwrite(st.FileBuffer.data() + from, 1, to - from, f);
    if (!f || std::fclose(f) != 0)
        std::exit(1);
    RunOrExit("mv " + path + ".part " + path);
    return path;
}

} // namespace tessivo::bench
