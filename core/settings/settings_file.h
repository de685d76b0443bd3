// The settings file: a small INI text with section "Settings". Read once at
// start, written once at close. Other sections and keys are kept as they are.
#pragma once

#include "core/state/program_state.h"

#include <string>

namespace tessivo {

struct SplitLoudness;

// Reads Volume, Threshold, Release, IsSaveTags, Gapless, Output Folder and Tag
// Format ("v1", "v2.3", "v2.4", "v1+v2.3", "v1+v2.4") into `settings` (defaults for
// anything missing or not understood; Volume limited to 0..100), and
// ReplayGain into `loudness` when given.
void LoadSettings(SettingsValues& settings, const std::string& iniPath,
                  SplitLoudness* loudness = nullptr);

// Writes the keys back. Returns false and fills `error` with
// "Unable to write to <path>" when the file cannot be written.
// ReplayGain is written from `loudness` when given, and only when it is on or
// the file has the key already.
bool SaveSettings(const SettingsValues& settings, const std::string& iniPath, std::string& error,
                  const SplitLoudness* loudness = nullptr);

} // namespace tessivo
