#include "core/cutlist/cut_list.h"

#include "core/state/program_state.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace tessivo {

namespace {

// A cut a list asks for: an entry's start, a region's end, or the file's start.
struct Candidate {
    int32_t frame = 0;
    int64_t sample = 0; // -1: at the frame's start
    int rank = 0;       // among cuts on one frame the lowest rank wins
    size_t entry = 0;
    CutPart part;
};

constexpr int kStartRank = 0;
constexpr int kGapRank = 1;
constexpr int kFileStartRank = 2;

// Later than any file lasts; times past it cannot be counted in samples.
constexpr double kFarSeconds = 1e12;

// Where a cut at `seconds` lies: its sample (-1 while the rate is unknown)
// and the frame boundary nearest to it.
void PlaceTime(double seconds, const TimeBase& tb, int32_t& frame, int64_t& sample) {
    frame = 0;
    sample = seconds > 0.0 ? NearestSampleAt(tb, seconds) : 0;
    if (!(seconds > 0.0))
        return;
    if (!(seconds <= kFarSeconds)) { // past the end of any file
        frame = std::numeric_limits<int32_t>::max();
        sample = -1;
        return;
    }
    const int64_t f = sample >= 0 ? NearestFrameToSample(tb, sample) : NearestFrameAt(tb, seconds);
    frame = static_cast<int32_t>(std::clamp<int64_t>(f, 0, std::numeric_limits<int32_t>::max()));
}

std::string SecondsShort(double seconds) {
    return FixedText(seconds, 3) + " s";
}

std::vector<Candidate> Candidates(const CutList& list, const TimeBase& tb) {
    const bool hasRegions = std::any_of(list.entries.begin(), list.entries.end(),
                                        [](const CutListEntry& e) { return e.endSeconds >= 0; });
    std::vector<Candidate> out;
    out.push_back({0, 0, kFileStartRank, 0, CutPart{"", "", !hasRegions}});
    for (size_t i = 0; i < list.entries.size(); ++i) {
        const CutListEntry& e = list.entries[i];
        int32_t start = 0, end = 0;
        int64_t startSample = 0, endSample = 0;
        PlaceTime(e.startSeconds, tb, start, startSample);
        out.push_back({start, startSample, kStartRank, i, CutPart{e.title, e.performer, e.used}});
        if (e.endSeconds >= 0) {
            PlaceTime(e.endSeconds, tb, end, endSample);
            if (end > start)
                out.push_back({end, endSample, kGapRank, i, CutPart{"", "", false}});
        }
    }
    std::stable_sort(out.begin(), out.end(), [](const Candidate& a, const Candidate& b) {
        return a.frame != b.frame ? a.frame < b.frame : a.rank < b.rank;
    });
    return out;
}

// Why a cut on or past the last frame is left out; "" when nothing is worth
// saying (a region that ends where the file ends).
std::string EndWarning(const Candidate& c, const CutListEntry& e, const TimeBase& tb,
                       uint32_t frameCount) {
    const double duration = FrameSeconds(tb, frameCount);
    const bool pastEnd = c.frame > static_cast<int64_t>(frameCount);
    if (c.rank == kGapRank)
        return pastEnd ? LinePrefix(e.line) + "the end " + SecondsShort(e.endSeconds) +
                             " lies past the end of the file (" + SecondsShort(duration) +
                             "); the part runs to the end"
                       : "";
    return LinePrefix(e.line) + SecondsShort(e.startSeconds) +
           (pastEnd ? " lies past the end of the file (" + SecondsShort(duration) + ")"
                    : " lies at the end of the file") +
           "; left out";
}

// Keeps the first kMaxCutListWarnings warnings and counts the rest, so a
// list of millions of bad lines costs no more than a short one.
class WarningList {
public:
    explicit WarningList(std::vector<std::string>& out) : out_(out) {}
    void Add(std::string w) {
        if (out_.size() < kMaxCutListWarnings)
            out_.push_back(std::move(w));
        else
            ++more_;
    }
    void Finish() {
        if (more_ > 0)
            out_.push_back("\xE2\x80\xA6 and " + std::to_string(more_) + " more");
    }

private:
    std::vector<std::string>& out_;
    size_t more_ = 0;
};

} // namespace

FrameCutList PlaceCutList(const CutList& list, const TimeBase& tb, uint32_t frameCount) {
    FrameCutList out;
    WarningList warnings(out.warnings);
    const int64_t lastFrame = static_cast<int64_t>(frameCount) - 1;
    size_t lastStart = 0; // entry whose start was kept last
    bool anyStartKept = false;
    for (const Candidate& c : Candidates(list, tb)) {
        const CutListEntry* e = c.rank == kFileStartRank ? nullptr : &list.entries[c.entry];
        if (e && c.frame >= lastFrame) {
            if (std::string w = EndWarning(c, *e, tb, frameCount); !w.empty())
                warnings.Add(std::move(w));
            continue;
        }
        if (!out.cuts.empty() && out.cuts.back() == c.frame) {
            // The cut kept on this frame is the earlier start when both are starts.
            if (c.rank == kStartRank)
                warnings.Add(LinePrefix(e->line) + SecondsShort(e->startSeconds) +
                             " falls on the same frame as line " +
                             std::to_string(list.entries[lastStart].line) +
                             "; the two make one cut");
            continue;
        }
        if (c.rank == kGapRank && (!anyStartKept || lastStart != c.entry)) {
            warnings.Add(LinePrefix(e->line) +
                         "the region overlaps the next part; its end is left out");
            continue;
        }
        if (static_cast<int>(out.cuts.size()) >= kMaxParts) {
            warnings.Add("Only the first " + std::to_string(kMaxParts) + " cut lines are used");
            break;
        }
        out.cuts.push_back(c.frame);
        out.samples.push_back(c.sample);
        out.parts.push_back(c.part);
        if (c.rank == kStartRank) {
            lastStart = c.entry;
            anyStartKept = true;
        }
    }
    warnings.Finish();
    return out;
}

CutPartTag TagOfCutPart(const CutList& list, const CutPart& part) {
    return {part.title, part.performer.empty() ? list.albumArtist : part.performer, list.album};
}

double CutSeconds(const FrameCutList& cuts, size_t k, const TimeBase& tb) {
    if (k < cuts.samples.size() && cuts.samples.size() == cuts.cuts.size() && cuts.samples[k] >= 0)
        return SampleSeconds(tb, cuts.samples[k]);
    return k < cuts.cuts.size() ? FrameSeconds(tb, cuts.cuts[k]) : 0.0;
}

std::vector<CutSegment> TickedSegments(const FrameCutList& cuts, const TimeBase& tb,
                                       uint32_t frameCount) {
    std::vector<CutSegment> out;
    for (size_t k = 0; k < cuts.cuts.size() && k < cuts.parts.size(); ++k) {
        if (!cuts.parts[k].used)
            continue;
        const double end =
            k + 1 < cuts.cuts.size() ? CutSeconds(cuts, k + 1, tb) : FrameSeconds(tb, frameCount);
        out.push_back({CutSeconds(cuts, k, tb), end, cuts.parts[k].title});
    }
    return out;
}

bool ParseSeconds(const std::string& text, double& seconds) {
    const size_t dots = std::count(text.begin(), text.end(), '.');
    const bool digitsAndDot = std::all_of(
        text.begin(), text.end(), [](char ch) { return (ch >= '0' && ch <= '9') || ch == '.'; });
    if (text.empty() || dots > 1 || !digitsAndDot || text == ".")
        return false;
    const auto r =
        std::from_chars(text.data(), text.data() + text.size(), seconds, std::chars_format::fixed);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && std::isfinite(seconds);
}

namespace {

std::string TrimBlanks(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t");
    return a == std::string::npos ? "" : s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

} // namespace

bool SegmentEntry(int line, const std::string& start, const std::string& end,
                  const std::string& label, CutListEntry& entry, std::string& error) {
    const std::string a = TrimBlanks(start), b = TrimBlanks(end);
    entry = CutListEntry{};
    entry.line = line;
    entry.title = label;
    if (label.find('\0') != std::string::npos)
        error = LinePrefix(line) + "holds a zero byte; this is not a text file";
    else if (!a.empty() && !ParseSeconds(a, entry.startSeconds))
        error = LinePrefix(line) + "the start expects seconds, such as 12.5";
    else if (!b.empty() && !ParseSeconds(b, entry.endSeconds))
        error = LinePrefix(line) + "the end expects seconds, such as 12.5";
    else if (!b.empty() && entry.endSeconds < entry.startSeconds)
        error = LinePrefix(line) + "the end lies before the start";
    else if (b.empty() || entry.endSeconds == entry.startSeconds)
        entry.endSeconds = -1.0;
    return error.empty();
}

std::string SecondsText(double seconds) {
    return FixedText(seconds, 6);
}

std::string FixedText(double value, int decimals) {
    // The largest double has 309 digits before the point; with a sign, the
    // point and up to 17 decimals every value fits.
    decimals = std::clamp(decimals, 0, 17);
    char buf[340];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("?");
}

std::string LinePrefix(int line) {
    return line > 0 ? "Line " + std::to_string(line) + ": " : "";
}

} // namespace tessivo
