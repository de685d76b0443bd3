// tessivo-cli split: place cut lines with the window's own operations, then
// write the parts with the window's naming and tag rules.
#include "cli/cli_messages.h"
#include "cli/cli_progress.h"
#include "cli/commands.h"
#include "core/analysis/open_file.h"
#include "core/output/id3v1_tag.h"
#include "core/output/split_parts.h"
#include "core/parts/cut_lines.h"
#include "core/parts/prepare.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace tessivo::cli {

namespace {

constexpr const char* kNoParts = "No parts prepared to split.";

int UsageErrorOfSplit(const std::string& message) {
    return ReportUsageError("split", message);
}

std::string Seconds(double t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", t);
    return buf;
}

// The frame where a cut at `t` seconds goes, or a message why it cannot.
std::string AtFrame(const ProgramState& st, double t, const std::vector<int32_t>& earlier,
                    int32_t& frame) {
    const std::string at = "--at " + Seconds(t) + " s ";
    if (t > st.Duration)
        return at + "is outside the file (" + Seconds(st.Duration) + " s long).";
    const double f = std::nearbyint(t / st.FrameDuration);
    if (f + 10 >= st.FrameCount)
        return at + "is within the last 10 frames of the file; a cut must leave more.";
    if (f < 1)
        return at + "is the start of the file, where the first part begins anyway.";
    frame = static_cast<int32_t>(f);
    if (std::find(earlier.begin(), earlier.end(), frame) != earlier.end())
        return at + "falls on the same frame as an earlier time.";
    return "";
}

int PlaceAtTimes(ProgramState& st, const std::vector<double>& times) {
    std::vector<int32_t> frames;
    for (double t : times) {
        int32_t frame = 0;
        const std::string refusal = AtFrame(st, t, frames, frame);
        if (!refusal.empty())
            return UsageErrorOfSplit(refusal);
        frames.push_back(frame);
    }
    for (int32_t f : frames) {
        if (!AddCutLine(st, f))
            return UsageErrorOfSplit("Too many cut lines: at most " + std::to_string(kMaxCutLines) +
                                     ".");
    }
    return kExitOk;
}

// The window's time edits hold minutes below 60; a longer part length is
// checked against the file here and prepared directly.
int PrepareLongTime(ProgramState& st, int seconds) {
    if (seconds >= st.Duration)
        return ReportFailure("Incorrect time value!");
    PrepareEqualTime(st, seconds);
    return kExitOk;
}

int PrepareByMode(ProgramState& st, const SplitOptions& o) {
    PrepareInput in;
    if (o.parts) {
        in.mode = SplitModeKind::ByParts;
        in.parts = *o.parts;
    } else if (o.timeSeconds) {
        if (*o.timeSeconds >= 3600)
            return PrepareLongTime(st, *o.timeSeconds);
        char mm[16], ss[16];
        std::snprintf(mm, sizeof mm, "%02d", *o.timeSeconds / 60);
        std::snprintf(ss, sizeof ss, "%02d", *o.timeSeconds % 60);
        in.mode = SplitModeKind::ByTime;
        in.timeMM = mm;
        in.timeSS = ss;
    } else if (o.silencePercent) {
        in.mode = SplitModeKind::BySilence;
        st.SilenceThreshold = *o.silencePercent;
        st.SilenceRelease = *o.silenceMs;
    }
    const PrepareOutcome prepared = PrepareCutLines(st, in);
    return prepared.message.empty() ? kExitOk : ReportFailure(prepared.message);
}

// Opens the file as the window does before a split.
int OpenSource(ProgramState& st, const SplitOptions& o, const ProgressFn& progress) {
    // The peak table is needed only to find pauses.
    const OpenResult opened = AnalyseFile(st, o.file, o.silencePercent.has_value(), progress);
    EndTerminalProgress();
    if (!opened.ok)
        return ReportFailure(opened.message);
    st.FileName = o.file;
    st.FileLoaded = true;
    st.SplitFileCount = 0;
    ResetToOnePart(st);
    CopySourceTag(st);
    if (st.Duration < 2.0 || st.FrameCount == 0)
        return ReportFailure(std::string(kNoParts) + " The file is shorter than 2 seconds.");
    return kExitOk;
}

// "name - part 07", shortened at the name's end so the whole fits 30 bytes.
std::string PartTitle(const ProgramState& st, int i) {
    std::string name = st.FileName.substr(st.FileName.find_last_of('/') + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, " - part %02d", i);
    std::string latin = Utf8ToLatin1(name);
    const size_t room = 30 - std::string(suffix).size();
    if (latin.size() > room)
        latin.resize(room);
    return Latin1ToUtf8(latin) + suffix;
}

void SetTagRules(ProgramState& st, const SplitOptions& o) {
    st.IsSaveTags = o.tags;
    st.IsGapless = o.gapless;
    if (!o.tags || st.HasId3v1)
        return;
    for (int i = 1; i <= st.CutCount; ++i) {
        TagFields f;
        f.title = PartTitle(st, i);
        f.track = std::to_string(i);
        StoreTagFields(st, i, f);
    }
}

int WriteParts(ProgramState& st, const SplitOptions& o, const ProgressFn& progress) {
    // A folder that cannot be made is reported by the write of the first part.
    std::error_code ignored;
    std::filesystem::create_directories(o.out, ignored);
    st.OutputFolder = o.out;
    SplitProgressFn splitProgress;
    if (progress)
        splitProgress = [&progress](uint64_t done, uint64_t total) {
            progress("Splitting", total ? 100.0 * double(done) / double(total) : 100.0);
        };
    const SplitResult result = SplitParts(st, DefaultPartFileSystem(), splitProgress);
    EndTerminalProgress();
    if (!o.quiet) {
        for (const std::string& path : result.written)
            std::printf("%s\n", path.c_str());
        std::fflush(stdout);
    }
    return result.ok ? kExitOk : ReportFailure(result.error);
}

} // namespace

int RunSplit(const SplitOptions& o) {
    const ProgressFn progress = TerminalProgress(o.quiet);
    ProgramState st;
    if (const int status = OpenSource(st, o, progress); status != kExitOk)
        return status;
    const int placed = o.at ? PlaceAtTimes(st, *o.at) : PrepareByMode(st, o);
    if (placed != kExitOk)
        return placed;
    if (st.CutCount <= 1)
        return ReportFailure(std::string(kNoParts) + " The cut lines leave one part.");
    SetTagRules(st, o);
    return WriteParts(st, o, progress);
}

} // namespace tessivo::cli
