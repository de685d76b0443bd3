// The registry of ways of cutting: every mode is found by its key, keeps its
// settings through the settings file, and places on a real file the cut lines
// its own preparation places; the command line cuts as the registry does.
#include "analysis_test_support.h"
#include "cli_test_support.h"
#include "core/cutting/cutting_mode.h"
#include "core/parts/near_pauses.h"
#include "core/parts/part_access.h"
#include "core/parts/part_times.h"
#include "core/settings/settings_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using analysis_test::Fixture;
using namespace tessivo;

TEST(CuttingModes, EachKeyNamesOneModeAndEveryFrontEndFindsSome) {
    std::set<std::string_view> keys;
    for (const CuttingMode* mode : CuttingModes()) {
        EXPECT_TRUE(keys.insert(mode->key).second) << mode->key;
        EXPECT_EQ(CuttingModeByKey(mode->key), mode);
        EXPECT_EQ(RuleFor(mode->key).mode, mode);
        // Offered on the command line or in a batch means it can place cuts.
        if (mode->Offered(kOnCommandLine) || mode->Offered(kInBatch)) {
            EXPECT_NE(mode->place, nullptr) << mode->key;
        }
    }
    EXPECT_EQ(CuttingModeByKey("no such mode"), nullptr);
    for (ModePlace where : {kInSplitPanel, kOnCommandLine, kInBatch})
        EXPECT_FALSE(CuttingModesOffered(where).empty());
    // The state starts in the mode that places cut lines by hand.
    EXPECT_NE(CuttingModeByKey(ProgramState{}.SplitMode), nullptr);
}

TEST(CuttingModes, EveryModeSettingRoundTripsThroughTheSettingsFile) {
    const fs::path ini = fs::temp_directory_path() / "tessivo_cutting_modes.ini";
    fs::remove(ini);
    ProgramState written;
    int32_t value = 3;
    for (const CuttingMode* mode : CuttingModes())
        for (const ModeSetting& s : mode->settings)
            written.*s.value = s.fallback + value++;
    std::string error;
    ASSERT_TRUE(SaveSettings(written, ini.string(), error)) << error;
    const std::string text = cli_test::ReadText(ini);
    ProgramState read;
    LoadSettings(read, ini.string());
    int settings = 0;
    for (const CuttingMode* mode : CuttingModes()) {
        for (const ModeSetting& s : mode->settings) {
            EXPECT_EQ(read.*s.value, written.*s.value) << s.key;
            EXPECT_NE(text.find(std::string(s.key) + "=" + std::to_string(written.*s.value)),
                      std::string::npos)
                << text;
            ++settings;
        }
    }
    // Split by silence keeps its threshold and pause under the old keys.
    EXPECT_EQ(settings, 2);
    EXPECT_EQ(read.SilenceThreshold, written.SilenceThreshold);
    EXPECT_EQ(read.SilenceRelease, written.SilenceRelease);
    fs::remove(ini);
}

// The file opened as a split opens it, cut by the mode with `key`.
std::vector<int32_t> PlacedCuts(const std::string& file, CuttingRule rule) {
    ProgramState st;
    EXPECT_TRUE(OpenForCutting(st, Fixture(file), rule).ok());
    PlacedNotes notes;
    const StepOutcome placed = PlaceByRule(st, st, st, rule, CutList{}, notes);
    EXPECT_TRUE(placed.ok()) << placed.message;
    return CutLineFrames(st);
}

TEST(CuttingModes, EachModePlacesTheCutsOfItsOwnPreparation) {
    const auto own = [](void (*prepare)(ProgramState&)) {
        auto st = analysis_test::Analyse("speech_pauses.mp3", true);
        prepare(*st);
        return CutLineFrames(*st);
    };
    CuttingRule parts = RuleFor("parts");
    parts.parts = 3;
    EXPECT_EQ(PlacedCuts("speech_pauses.mp3", parts),
              own([](ProgramState& st) { PrepareEqualParts(st, st, 3); }));
    CuttingRule time = RuleFor("time");
    time.timeSeconds = 5;
    EXPECT_EQ(PlacedCuts("speech_pauses.mp3", time),
              own([](ProgramState& st) { PrepareEqualTime(st, st, 5); }));
    CuttingRule silence = RuleFor(kSilenceKey);
    silence.silencePercent = 10;
    silence.silenceMs = 1000;
    const std::vector<int32_t> pauses = PlacedCuts("speech_pauses.mp3", silence);
    EXPECT_GE(pauses.size(), 3u);
    EXPECT_EQ(pauses, own([](ProgramState& st) {
                  st.SilenceThreshold = 10;
                  st.SilenceRelease = 1000;
                  PrepareBySilence(st, st, st);
              }));
    CuttingRule near = RuleFor("near-pauses");
    near.nearPauses = NearPausesLength{6, 20};
    EXPECT_EQ(PlacedCuts("speech_pauses.mp3", near),
              own([](ProgramState& st) { PrepareNearPauses(st, st, st, 6, 20); }));
    CuttingRule at = RuleFor("at");
    at.at = std::vector<double>{2.0, 4.5};
    EXPECT_EQ(PlacedCuts("speech_pauses.mp3", at).size(), 2u);
}

// The start times of the parts `tessivo-cli cuts --format labels` prints.
std::vector<std::string> CliStarts(const std::vector<std::string>& mode) {
    std::vector<std::string> args = {"cuts", Fixture("speech_pauses.mp3"), "--format", "labels"};
    args.insert(args.end(), mode.begin(), mode.end());
    const cli_test::CliRun run = cli_test::RunCli(fs::temp_directory_path(), args);
    EXPECT_EQ(run.status, 0) << run.err;
    std::vector<std::string> starts;
    for (const std::string& line : run.lines)
        starts.push_back(line.substr(0, line.find('\t')));
    return starts;
}

std::vector<std::string> CoreStarts(const CuttingRule& rule) {
    ProgramState st;
    EXPECT_TRUE(OpenForCutting(st, Fixture("speech_pauses.mp3"), rule).ok());
    PlacedNotes notes;
    EXPECT_TRUE(PlaceByRule(st, st, st, rule, CutList{}, notes).ok());
    std::vector<std::string> starts;
    for (int k = 1; k <= PartCount(st); ++k) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.6f", PartStartSeconds(st, st, k));
        starts.push_back(buf);
    }
    return starts;
}

TEST(CuttingModes, TheCommandLineCutsByTheRegisteredModes) {
    CuttingRule parts = RuleFor("parts");
    parts.parts = 4;
    EXPECT_EQ(CliStarts({"--parts", "4"}), CoreStarts(parts));
    CuttingRule time = RuleFor("time");
    time.timeSeconds = 4;
    EXPECT_EQ(CliStarts({"--time", "0:04"}), CoreStarts(time));
    CuttingRule silence = RuleFor(kSilenceKey);
    silence.silencePercent = 10;
    silence.silenceMs = 800;
    EXPECT_EQ(CliStarts({"--silence", "10,800"}), CoreStarts(silence));
    CuttingRule near = RuleFor("near-pauses");
    near.nearPauses = NearPausesLength{5, 30};
    EXPECT_EQ(CliStarts({"--near-pauses", "0:05,30"}), CoreStarts(near));
    CuttingRule at = RuleFor("at");
    at.at = std::vector<double>{3.0, 9.25};
    EXPECT_EQ(CliStarts({"--at", "3,9.25"}), CoreStarts(at));
}

TEST(CuttingModes, PrepareGoesThroughTheModeOfThePanel) {
    auto st = analysis_test::Analyse("speech_pauses.mp3", true);
    st->FileLoaded = true;
    for (const CuttingMode* mode : CuttingModesOffered(kInSplitPanel)) {
        PrepareInput in;
        in.mode = std::string(mode->key);
        in.parts = 3;
        in.nearLength = "0:00:06";
        const PrepareOutcome out = PrepareCutLines(*st, *st, *st, in);
        // Chapters are placed by the document, which holds them.
        EXPECT_EQ(out.acted, mode->prepare != nullptr) << mode->key << " " << out.message;
        if (mode->Takes(kTakesPartCount)) {
            EXPECT_EQ(PartCount(*st), 3);
        }
    }
    PrepareInput unknown;
    unknown.mode = "no such mode";
    EXPECT_FALSE(PrepareCutLines(*st, *st, *st, unknown).acted);
}

} // namespace
