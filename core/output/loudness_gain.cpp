#include "core/output/loudness_gain.h"

#include "core/parts/part_access.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tessivo {

Loudness WrittenPartLoudness(const AnalysedFile& file, const PartTable& parts, int k,
                             bool gapless) {
    return SpansLoudness(file, {WrittenSpan(file, parts, k, gapless)});
}

Loudness WrittenPartsLoudness(const AnalysedFile& file, const PartTable& parts, bool gapless) {
    return MeasureWrittenParts(file, parts, gapless).album;
}

WrittenMeasure MeasureWrittenParts(const AnalysedFile& file, const PartTable& parts, bool gapless) {
    std::vector<FrameSpan> spans;
    std::vector<int> which;
    for (int k = 1; k <= PartCount(parts); ++k)
        if (PartTicked(parts, k)) {
            spans.push_back(WrittenSpan(file, parts, k, gapless));
            which.push_back(k);
        }
    SpansMeasure m = SpansLoudnessEach(file, spans);
    WrittenMeasure out;
    out.parts.resize(static_cast<size_t>(PartCount(parts)) + 1);
    for (size_t i = 0; i < which.size(); ++i)
        out.parts[static_cast<size_t>(which[i])] = m.each[i];
    out.album = m.together;
    return out;
}

double GainStepDb() {
    return 20.0 * std::log10(std::pow(2.0, 0.25));
}

std::string ReplayGainText(double db) {
    char buf[32];
    // Two decimals; a value that rounds to zero is written without a sign.
    const double r = std::round(db * 100.0) / 100.0;
    std::snprintf(buf, sizeof buf, "%.2f dB", r == 0.0 ? 0.0 : r);
    return buf;
}

std::string ReplayGainPeakText(double peak) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6f", peak);
    return buf;
}

Loudness AfterGain(const Loudness& measured, int steps) {
    Loudness l = measured;
    if (!l.silent)
        l.lufs += steps * GainStepDb();
    l.peak *= std::pow(2.0, steps / 4.0);
    return l;
}

UserTexts ReplayGainFor(const Loudness& track, const Loudness& album, int steps) {
    UserTexts t;
    if (!track.measured || !album.measured || track.silent || album.silent)
        return t;
    const Loudness tr = AfterGain(track, steps);
    const Loudness al = AfterGain(album, steps);
    t = {{"REPLAYGAIN_TRACK_GAIN", ReplayGainText(kReplayGainReference - tr.lufs)},
         {"REPLAYGAIN_TRACK_PEAK", ReplayGainPeakText(tr.peak)},
         {"REPLAYGAIN_ALBUM_GAIN", ReplayGainText(kReplayGainReference - al.lufs)},
         {"REPLAYGAIN_ALBUM_PEAK", ReplayGainPeakText(al.peak)}};
    return t;
}

UserTexts OneFileReplayGain(const AnalysedFile& file, const PartTable& parts, int steps) {
    const Loudness all = WrittenPartsLoudness(file, parts, false);
    return ReplayGainFor(all, all, steps);
}

int GainStepsForDb(double db) {
    return static_cast<int>(std::lround(db / 1.5));
}

AutoGain AutoGainFor(const Loudness& album) {
    AutoGain g;
    if (!album.measured || album.silent)
        return g;
    g.steps = static_cast<int>(std::lround((kReplayGainReference - album.lufs) / GainStepDb()));
    if (album.peak > 0.0) {
        // Largest step whose peak stays at or below full scale.
        const int most = static_cast<int>(std::floor(4.0 * std::log2(1.0 / album.peak) + 1e-9));
        if (g.steps > most) {
            g.steps = most;
            g.limited = true;
        }
    }
    return g;
}

std::string GainReportText(int steps) {
    char buf[64];
    const int n = std::abs(steps);
    std::snprintf(buf, sizeof buf, "Gain %s%.1f dB (%d %s)",
                  steps < 0 ? "\u2212" : (steps > 0 ? "+" : ""), n * 1.5, n,
                  n == 1 ? "step" : "steps");
    return buf;
}

} // namespace tessivo
