#include "core/settings/settings_file.h"

#include "core/cutting/cutting_mode.h"
#include "core/output/part_tag.h"
#include "core/output/split_parts.h"
#include "core/settings/ini_file.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <optional>

namespace tessivo {

namespace {

const char* kSection = "Settings";
const char* kTagFormatKey = "Tag Format";
const char* kTrackNumbersKey = "Track Numbers";
const char* kColoursKey = "Colours";
const char* kFadeKey = "Fade";
const char* kTrimSilenceKey = "Trim Silence";
const char* kShortenPausesKey = "Shorten Pauses";
const char* const kColourNames[] = {"desktop", "light", "dark"};

ColourChoice ReadColours(const IniFile& ini) {
    const std::string v = ini.Get(kSection, kColoursKey).value_or("");
    for (int i = 0; i < 3; ++i)
        if (v == kColourNames[i])
            return static_cast<ColourChoice>(i);
    return ColourChoice::FollowDesktop;
}

// Keys added after the first settings files are written only when they differ
// from their default or the file has them already, so a file that never chose
// them stays as it was.
void SetAddedKey(IniFile& ini, const char* key, const std::string& value, bool isDefault) {
    if (!isDefault || ini.Get(kSection, key))
        ini.Set(kSection, key, value);
}

// A whole decimal integer (optional sign), or nothing.
std::optional<int32_t> ReadInt(const IniFile& ini, const char* key) {
    const std::optional<std::string> v = ini.Get(kSection, key);
    if (!v || v->empty())
        return std::nullopt;
    const std::string& s = *v;
    size_t i = (s[0] == '-' || s[0] == '+') ? 1 : 0;
    if (i == s.size())
        return std::nullopt;
    int64_t value = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return std::nullopt;
        value = value * 10 + (s[i] - '0');
        if (value > INT32_MAX)
            return std::nullopt;
    }
    return static_cast<int32_t>(s[0] == '-' ? -value : value);
}

} // namespace

void LoadSettings(SettingsValues& settings, const std::string& iniPath, SplitLoudness* loudness) {
    IniFile ini;
    ini.Load(iniPath);
    settings.Volume = ReadInt(ini, "Volume").value_or(50);
    // The ways of cutting's own settings (the threshold and pause of split by silence).
    for (const CuttingMode* mode : CuttingModes())
        for (const ModeSetting& s : mode->settings)
            settings.*s.value = ReadInt(ini, s.key).value_or(s.fallback);
    settings.IsSaveTags = ReadInt(ini, "IsSaveTags").value_or(1) != 0;
    settings.OutputFolder = ini.Get(kSection, "Output Folder").value_or("");
    settings.IsGapless = ReadInt(ini, "Gapless").value_or(0) != 0;
    settings.PartTagFormat = kDefaultTagFormat;
    ParseTagFormat(ini.Get(kSection, kTagFormatKey).value_or(""), settings.PartTagFormat);
    settings.NumberTracks = ReadInt(ini, kTrackNumbersKey).value_or(0) != 0;
    settings.FadeMs = std::clamp(ReadInt(ini, kFadeKey).value_or(0), 0, kMaxFadeMs);
    settings.TrimSilence = ReadInt(ini, kTrimSilenceKey).value_or(0) != 0;
    settings.ShortenPausesMs =
        std::clamp(ReadInt(ini, kShortenPausesKey).value_or(0), 0, kMaxShortenPausesMs);
    settings.Colours = ReadColours(ini);
    settings.Volume = std::clamp(settings.Volume, 0, 100);
    if (loudness)
        loudness->replayGain = ReadInt(ini, "ReplayGain").value_or(0) != 0;
}

bool SaveSettings(const SettingsValues& settings, const std::string& iniPath, std::string& error,
                  const SplitLoudness* loudness) {
    IniFile ini;
    ini.Load(iniPath);
    ini.Set(kSection, "Volume", std::to_string(settings.Volume));
    for (const CuttingMode* mode : CuttingModes())
        for (const ModeSetting& s : mode->settings)
            ini.Set(kSection, s.key, std::to_string(settings.*s.value));
    ini.Set(kSection, "IsSaveTags", settings.IsSaveTags ? "1" : "0");
    ini.Set(kSection, "Output Folder", settings.OutputFolder);
    ini.Set(kSection, "Gapless", settings.IsGapless ? "1" : "0");
    SetAddedKey(ini, kTagFormatKey, TagFormatText(settings.PartTagFormat),
                settings.PartTagFormat == kDefaultTagFormat);
    if (loudness)
        SetAddedKey(ini, "ReplayGain", loudness->replayGain ? "1" : "0", !loudness->replayGain);
    SetAddedKey(ini, kTrackNumbersKey, settings.NumberTracks ? "1" : "0", !settings.NumberTracks);
    SetAddedKey(ini, kFadeKey, std::to_string(settings.FadeMs), settings.FadeMs == 0);
    SetAddedKey(ini, kTrimSilenceKey, settings.TrimSilence ? "1" : "0", !settings.TrimSilence);
    SetAddedKey(ini, kShortenPausesKey, std::to_string(settings.ShortenPausesMs),
                settings.ShortenPausesMs == 0);
    SetAddedKey(ini, kColoursKey, kColourNames[static_cast<int>(settings.Colours)],
                settings.Colours == ColourChoice::FollowDesktop);
    if (ini.Save(iniPath))
        return true;
    error = "Unable to write to " + iniPath;
    return false;
}

} // namespace tessivo
