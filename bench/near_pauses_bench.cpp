// Benchmark of placing cuts at pauses near a length (run by hand, not a test):
//   tessivo-near-pauses-bench
// Builds a synthetic peak table of a 10-hour file (1152-sample frames at
// 44.1 kHz): speech-like levels with a pause of 1.2..3 s every 4..20 s and,
// every hour, 20 minutes without any pause. Prints the time of
// FindCutsNearPauses for a few lengths (best and median of 50 runs), and of a
// table with no pause at all (every window scanned for its quietest frame),
// also at the widest tolerance.
#include "core/parts/near_pauses.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

using namespace tessivo;

namespace {

constexpr double kFrameDuration = 1152.0 / 44100.0;

struct Table {
    std::vector<int16_t> maxL, maxR;
};

Table SpeechTable(uint32_t frames, bool withPauses) {
    Table t;
    t.maxL.resize(frames);
    t.maxR.resize(frames);
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> sound(2000, 25000), quiet(0, 600);
    std::uniform_int_distribution<int> speech(150, 770), pause(46, 115); // frames
    const uint32_t hour = static_cast<uint32_t>(3600 / kFrameDuration);
    uint32_t i = 0;
    while (i < frames) {
        const uint32_t end = std::min<uint32_t>(frames, i + speech(rng));
        for (; i < end; ++i)
            t.maxL[i] = t.maxR[i] = static_cast<int16_t>(sound(rng));
        if (!withPauses || i % hour > hour / 3 * 2)
            continue;
        const uint32_t quietEnd = std::min<uint32_t>(frames, i + pause(rng));
        for (; i < quietEnd; ++i)
            t.maxL[i] = t.maxR[i] = static_cast<int16_t>(quiet(rng));
    }
    return t;
}

void Measure(const char* name, const Table& t, double seconds, int tolerance = 20) {
    NearPausesSettings s;
    s.lengthSeconds = seconds;
    s.tolerancePercent = tolerance;
    std::vector<double> ms;
    NearPausesCuts r;
    for (int run = 0; run < 50; ++run) {
        const auto a = std::chrono::steady_clock::now();
        r = FindCutsNearPauses(t.maxL, t.maxR, static_cast<uint32_t>(t.maxL.size()), kFrameDuration,
                               s);
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - a)
                         .count());
    }
    std::sort(ms.begin(), ms.end());
    const auto noPause = std::count(r.noPause.begin(), r.noPause.end(), true);
    std::printf("%-20s length %5.0f s, tolerance %2d %%: %4zu cuts (%3td no pause)  best %6.2f ms  "
                "median %6.2f ms\n",
                name, seconds, tolerance, r.cuts.size(), noPause, ms.front(), ms[ms.size() / 2]);
}

} // namespace

int main() {
    const auto frames = static_cast<uint32_t>(10 * 3600 / kFrameDuration);
    std::printf("10-hour peak table: %u frames\n", frames);
    const Table speech = SpeechTable(frames, true);
    for (double seconds : {60.0, 300.0, 600.0, 1800.0})
        Measure("speech with pauses", speech, seconds);
    const Table noise = SpeechTable(frames, false);
    for (double seconds : {60.0, 600.0})
        Measure("no pause anywhere", noise, seconds);
    // The widest window: every frame is scanned about twice.
    Measure("no pause anywhere", noise, 60.0, kMaxPauseTolerance);
    return 0;
}
