// What every cut list Tessivo writes must give back when it is read and
// placed on the same file, as the tests and the fuzz targets check it. Each
// check returns "" when it holds, else what went wrong.
#pragma once

#include "core/cutlist/cut_list.h"
#include "core/cutlist/cut_list_file.h"
#include "core/util/text_encoding.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace invariants {

using tessivo::CutListFormat;
using tessivo::CutPart;
using tessivo::FrameCutList;

// A text as it comes back from a file of the format: a cue sheet or a label
// line holds no line break or tab, a cue sheet no double quote; CSV quotes
// what needs it. (Texts read from files hold no carriage return.)
inline std::string AsWritten(CutListFormat format, std::string s) {
    if (format == CutListFormat::Csv)
        return s;
    for (char& c : s) {
        if (c == '\n' || c == '\r' || c == '\t')
            c = ' ';
        else if (c == '"' && format == CutListFormat::Cue)
            c = '\'';
    }
    return s;
}

// What reading the written list back gives: a cue sheet keeps every part (all
// ticked) with titles and performers; labels and CSV keep the ticked parts
// with their titles, unticked ones untitled and merged when in a row.
inline FrameCutList ExpectedBack(CutListFormat format, const FrameCutList& placed) {
    FrameCutList out;
    for (size_t k = 0; k < placed.cuts.size(); ++k) {
        const CutPart& p = placed.parts[k];
        if (format == CutListFormat::Cue) {
            out.cuts.push_back(placed.cuts[k]);
            out.parts.push_back({AsWritten(format, p.title), AsWritten(format, p.performer), true});
        } else if (p.used || out.parts.empty() || out.parts.back().used) {
            out.cuts.push_back(placed.cuts[k]);
            out.parts.push_back({p.used ? AsWritten(format, p.title) : "", "", p.used});
        }
    }
    return out;
}

inline std::string Describe(const FrameCutList& l) {
    std::string s;
    for (size_t k = 0; k < l.cuts.size() && k < l.parts.size(); ++k)
        s += std::to_string(l.cuts[k]) + (l.parts[k].used ? "+" : "-") + "[" + l.parts[k].title +
             "|" + l.parts[k].performer + "] ";
    return s;
}

// The placed list has the shape the part table takes: cuts from 0, rising,
// before the last frame; valid UTF-8 texts; at most 20 warnings and a count.
inline std::string PlacedFault(const FrameCutList& placed, uint32_t frameCount) {
    if (placed.cuts.empty() || placed.cuts[0] != 0 || placed.parts.size() != placed.cuts.size())
        return "the placed list does not start with a cut at 0: " + Describe(placed);
    for (size_t k = 1; k < placed.cuts.size(); ++k)
        if (placed.cuts[k] <= placed.cuts[k - 1] ||
            placed.cuts[k] >= static_cast<int64_t>(frameCount) - 1)
            return "cuts not rising inside the file: " + Describe(placed);
    for (const CutPart& p : placed.parts)
        if (!tessivo::IsValidUtf8(p.title) || !tessivo::IsValidUtf8(p.performer))
            return "a text is not UTF-8: " + Describe(placed);
    if (placed.warnings.size() > tessivo::kMaxCutListWarnings + 1)
        return "more than " + std::to_string(tessivo::kMaxCutListWarnings) + " warnings";
    return "";
}

// Writes the placed list in `format`, reads it back and places it again:
// the cuts, ticks and texts the format keeps come back.
inline std::string WriteReadFault(CutListFormat format, const FrameCutList& placed,
                                  const tessivo::TimeBase& tb, uint32_t frameCount,
                                  const tessivo::CutListSource& source) {
    const tessivo::CutListText text = tessivo::WriteCutList(format, placed, tb, frameCount, source);
    if (!text.ok())
        return format == CutListFormat::Cue && placed.cuts.size() > 99 ? "" : text.error;
    const tessivo::CutListRead read = tessivo::ReadCutList(format, text.text);
    const FrameCutList want = ExpectedBack(format, placed);
    const bool anyTicked = std::any_of(placed.parts.begin(), placed.parts.end(),
                                       [](const CutPart& p) { return p.used; });
    if (!read.ok())
        return format != CutListFormat::Cue && !anyTicked
                   ? ""
                   : "what was written is refused: " + read.error + "\n" + text.text;
    if (format == CutListFormat::Cue &&
        (read.list.album != AsWritten(format, source.album) ||
         read.list.albumArtist != AsWritten(format, source.albumArtist)))
        return "album or album artist changed:\n" + text.text;
    const FrameCutList back = tessivo::PlaceCutList(read.list, tb, frameCount);
    if (back.cuts != want.cuts)
        return "cuts changed: " + Describe(back) + " for " + Describe(want) + "\n" + text.text;
    for (size_t k = 0; k < want.parts.size(); ++k) {
        const CutPart &a = back.parts[k], &b = want.parts[k];
        if (a.used != b.used || a.title != b.title || a.performer != b.performer)
            return "part " + std::to_string(k) + " changed: " + Describe(back) + " for " +
                   Describe(want) + "\n" + text.text;
    }
    return "";
}

} // namespace invariants
