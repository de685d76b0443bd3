// The loudness rules of a split: ReplayGain 2.0 texts for the parts written
// (reference -18 LUFS), and the lossless gain in whole global_gain steps,
// chosen by the user in dB or picked to bring the parts nearest the
// reference without clipping.
#pragma once

#include "core/output/part_tag.h"
#include "core/parts/part_loudness.h"

#include <string>
#include <vector>

namespace tessivo {

constexpr double kReplayGainReference = -18.0; // LUFS

// The level change of one global_gain step: 2^(1/4) in amplitude, 1.505 dB.
double GainStepDb();

// "-3.21 dB" (two decimals, the sign of negative values only).
std::string ReplayGainText(double db);
// The peak as a ratio of full scale with six decimals: "0.988553".
std::string ReplayGainPeakText(double peak);

// The loudness `measured` would have after `steps` of lossless gain.
Loudness AfterGain(const Loudness& measured, int steps);

// The loudness of part k, and of all ticked parts together, as they play once
// written (core/parts/part_loudness.h WrittenSpan).
Loudness WrittenPartLoudness(const AnalysedFile& file, const PartTable& parts, int k, bool gapless);
Loudness WrittenPartsLoudness(const AnalysedFile& file, const PartTable& parts, bool gapless);

// Every ticked part's (entry k for part k; entry 0 and unticked parts
// unmeasured) and all of them together, each part measured once.
struct WrittenMeasure {
    std::vector<Loudness> parts;
    Loudness album;
};
WrittenMeasure MeasureWrittenParts(const AnalysedFile& file, const PartTable& parts, bool gapless);

// REPLAYGAIN_TRACK_GAIN/_PEAK of the part and REPLAYGAIN_ALBUM_GAIN/_PEAK of
// all parts written together (both after `steps` of gain), as TXXX frames;
// nothing when either was not measured or is silent.
UserTexts ReplayGainFor(const Loudness& track, const Loudness& album, int steps);

// The ReplayGain frames of the ticked parts written as one file (after
// `steps` of gain): the file is its own track and album. The quiet a
// shortened pause leaves out is below the measure's gate, so it changes
// neither value.
UserTexts OneFileReplayGain(const AnalysedFile& file, const PartTable& parts, int steps);

// The steps of a gain asked for in dB: round(db / 1.5).
int GainStepsForDb(double db);

// The gain --gain auto applies to the parts written together.
struct AutoGain {
    int steps = 0;
    bool limited = false; // the step nearest the reference would clip
};
// The step that brings `album` nearest the reference, lowered to the largest
// that keeps its peak at or below full scale. 0 when not measured or silent.
AutoGain AutoGainFor(const Loudness& album);

// "Gain −3.0 dB (2 steps)": the nominal change (1.5 dB a step) and how many
// steps it is.
std::string GainReportText(int steps);

} // namespace tessivo
