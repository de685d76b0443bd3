// tessivo-cli split: place cut lines with the window's own operations, then
// write the parts with the window's naming and tag rules.
#include "core/analysis/open_file.h"
#include "cli/cli_progress.h"
#include "cli/commands.h"
#include "core/output/id3v1_tag.h"
#include "core/output/split_parts.h"
#include "core/parts/cut_lines.h"
#include "core/parts/prepare.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace tessivo::cli {

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct SplitOptions {
    std::string file;
    std::optional<int> parts;
    std::optional<std::string> timeMM, timeSS;
    std::optional<int> silencePercent, silenceMs;
    std::optional<std::vector<double>> at;
    bool tags = false;
    bool gapless = false;
    std::string out = ".";
};

bool AllDigits(const std::string& s) {
    return !s.empty() && s.size() <= 9 &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string> SplitList(const std::string& s, char sep) {
    std::vector<std::string> items;
    size_t start = 0;
    while (true) {
        const size_t p = s.find(sep, start);
        items.push_back(s.substr(start, p == std::string::npos ? std::string::npos : p - start));
        if (p == std::string::npos)
            return items;
        start = p + 1;
    }
}

// A plain non-negative decimal number of seconds ("12", "12.5").
std::optional<double> ParseSeconds(const std::string& s) {
    if (s.empty() || s.size() > 32)
        return std::nullopt;
    int dots = 0;
    for (char c : s) {
        if (c == '.')
            ++dots;
        else if (c < '0' || c > '9')
            return std::nullopt;
    }
    if (dots > 1 || s == ".")
        return std::nullopt;
    return std::strtod(s.c_str(), nullptr);
}

// Parses the arguments; on a bad one prints why and returns false.
bool ParseArgs(const std::vector<std::string>& args, SplitOptions& o) {
    int modes = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string opt = args[i];
        std::optional<std::string> inlineValue;
        if (opt.rfind("--", 0) == 0) {
            const size_t eq = opt.find('=');
            if (eq != std::string::npos) {
                inlineValue = opt.substr(eq + 1);
                opt.resize(eq);
            }
        }
        const auto value = [&]() -> std::optional<std::string> {
            if (inlineValue)
                return inlineValue;
            // A following option is not taken as the value.
            if (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0)
                return args[++i];
            std::fprintf(stderr, "Option %s needs a value.\n", opt.c_str());
            return std::nullopt;
        };
        if (opt == "--parts") {
            const auto v = value();
            if (!v)
                return false;
            if (!AllDigits(*v) || std::atoi(v->c_str()) < 2 || std::atoi(v->c_str()) > 200) {
                std::fprintf(stderr, "--parts takes a number from 2 to 200, not \"%s\".\n",
                             v->c_str());
                return false;
            }
            o.parts = std::atoi(v->c_str());
            ++modes;
        } else if (opt == "--time") {
            const auto v = value();
            if (!v)
                return false;
            const std::vector<std::string> mmss = SplitList(*v, ':');
            if (mmss.size() != 2 || !AllDigits(mmss[0]) || !AllDigits(mmss[1]) ||
                std::atoi(mmss[0].c_str()) >= 60 || std::atoi(mmss[1].c_str()) >= 60) {
                std::fprintf(stderr,
                             "--time takes MM:SS, minutes and seconds as digits below 60, "
                             "not \"%s\".\n",
                             v->c_str());
                return false;
            }
            o.timeMM = mmss[0];
            o.timeSS = mmss[1];
            ++modes;
        } else if (opt == "--silence") {
            const auto v = value();
            if (!v)
                return false;
            const std::vector<std::string> pm = SplitList(*v, ',');
            const bool ok = pm.size() == 2 && AllDigits(pm[0]) && AllDigits(pm[1]) &&
                            std::atoi(pm[0].c_str()) >= 1 && std::atoi(pm[0].c_str()) <= 100 &&
                            std::atoi(pm[1].c_str()) >= 200 && std::atoi(pm[1].c_str()) <= 5000;
            if (!ok) {
                std::fprintf(stderr,
                             "--silence takes PERCENT,MS: a threshold of 1 to 100 percent and a "
                             "pause of 200 to 5000 ms, not \"%s\".\n",
                             v->c_str());
                return false;
            }
            o.silencePercent = std::atoi(pm[0].c_str());
            o.silenceMs = std::atoi(pm[1].c_str());
            ++modes;
        } else if (opt == "--at") {
            const auto v = value();
            if (!v)
                return false;
            std::vector<double> times;
            for (const std::string& item : SplitList(*v, ',')) {
                const std::optional<double> t = ParseSeconds(item);
                if (!t) {
                    std::fprintf(stderr,
                                 "--at takes times in seconds separated by commas; \"%s\" is "
                                 "not one.\n",
                                 item.c_str());
                    return false;
                }
                times.push_back(*t);
            }
            o.at = times;
            ++modes;
        } else if (opt == "--tags" && !inlineValue) {
            o.tags = true;
        } else if (opt == "--gapless" && !inlineValue) {
            o.gapless = true;
        } else if (opt == "--out") {
            const auto v = value();
            if (!v)
                return false;
            if (v->empty()) {
                std::fprintf(stderr, "--out needs a folder.\n");
                return false;
            }
            o.out = *v;
        } else if (opt.size() > 1 && opt[0] == '-') {
            std::fprintf(stderr, "Unknown option: %s\n", args[i].c_str());
            return false;
        } else if (o.file.empty()) {
            o.file = opt;
        } else {
            std::fprintf(stderr, "Only one file can be split at a time (also got \"%s\").\n",
                         opt.c_str());
            return false;
        }
    }
    if (o.file.empty()) {
        std::fprintf(stderr, "split: which file? Usage: tessivo-cli split FILE [OPTIONS]\n");
        return false;
    }
    if (modes > 1) {
        std::fprintf(stderr, "Choose one of --parts, --time, --silence and --at.\n");
        return false;
    }
    return true;
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

std::string ForTerminal(std::string text) {
    std::replace(text.begin(), text.end(), '\r', '\n');
    return text;
}

} // namespace

int RunSplit(const std::vector<std::string>& args) {
    SplitOptions o;
    if (!ParseArgs(args, o))
        return kExitUsage;

    const ProgressFn progress = TerminalProgress();
    ProgramState st;
    // The peak table is needed only to find pauses.
    const bool withPeaks = o.silencePercent.has_value();
    const OpenResult opened = AnalyseFile(st, o.file, withPeaks, progress);
    EndTerminalProgress();
    if (!opened.ok) {
        std::fprintf(stderr, "%s\n", ForTerminal(opened.message).c_str());
        return kExitFailed;
    }
    st.FileName = o.file;
    st.FileLoaded = true;
    st.SplitFileCount = 0;
    ResetToOnePart(st);
    CopySourceTag(st);

    if (st.Duration < 2.0 || st.FrameCount == 0) {
        std::fprintf(stderr, "No parts prepared to split.\n");
        return kExitFailed;
    }

    if (o.at) {
        std::vector<int32_t> frames;
        for (double t : *o.at) {
            if (t > st.Duration) {
                std::fprintf(stderr, "--at %g s is outside the file (%g s long).\n", t,
                             st.Duration);
                return kExitUsage;
            }
            const double f = std::nearbyint(t / st.FrameDuration);
            if (f + 10 >= st.FrameCount) {
                std::fprintf(stderr,
                             "--at %g s is within the last 10 frames of the file; a cut must "
                             "leave more.\n",
                             t);
                return kExitUsage;
            }
            if (f < 1) {
                std::fprintf(stderr,
                             "--at %g s is the start of the file, where the first part "
                             "begins anyway.\n",
                             t);
                return kExitUsage;
            }
            if (std::find(frames.begin(), frames.end(), static_cast<int32_t>(f)) != frames.end()) {
                std::fprintf(stderr, "--at %g s falls on the same frame as an earlier time.\n", t);
                return kExitUsage;
            }
            frames.push_back(static_cast<int32_t>(f));
        }
        for (int32_t f : frames) {
            if (!AddCutLine(st, f)) {
                std::fprintf(stderr, "Too many cut lines: at most %d.\n", kMaxCutLines);
                return kExitUsage;
            }
        }
    } else {
        PrepareInput in;
        if (o.parts) {
            in.mode = SplitModeKind::ByParts;
            in.parts = *o.parts;
        } else if (o.timeMM) {
            in.mode = SplitModeKind::ByTime;
            in.timeMM = *o.timeMM;
            in.timeSS = *o.timeSS;
        } else if (o.silencePercent) {
            in.mode = SplitModeKind::BySilence;
            st.SilenceThreshold = *o.silencePercent;
            st.SilenceRelease = *o.silenceMs;
        }
        const PrepareOutcome prepared = PrepareCutLines(st, in);
        if (!prepared.message.empty()) {
            std::fprintf(stderr, "%s\n", ForTerminal(prepared.message).c_str());
            return kExitFailed;
        }
    }
    if (st.CutCount <= 1) {
        std::fprintf(stderr, "No parts prepared to split.\n");
        return kExitFailed;
    }

    st.IsSaveTags = o.tags;
    st.IsGapless = o.gapless;
    if (o.tags && !st.HasId3v1) {
        for (int i = 1; i <= st.CutCount; ++i) {
            TagFields f;
            f.title = PartTitle(st, i);
            f.track = std::to_string(i);
            StoreTagFields(st, i, f);
        }
    }
    st.OutputFolder = o.out;

    SplitProgressFn splitProgress;
    if (progress)
        splitProgress = [&progress](uint64_t done, uint64_t total) {
            progress("Splitting", total ? 100.0 * double(done) / double(total) : 100.0);
        };
    const SplitResult result = SplitParts(st, DefaultPartFileSystem(), splitProgress);
    EndTerminalProgress();
    for (const std::string& path : result.written)
        std::printf("%s\n", path.c_str());
    std::fflush(stdout);
    if (!result.ok) {
        std::fprintf(stderr, "%s\n", result.error.c_str());
        return kExitFailed;
    }
    return 0;
}

} // namespace tessivo::cli
