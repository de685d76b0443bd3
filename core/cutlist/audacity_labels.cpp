#include "core/cutlist/audacity_labels.h"

#include "core/cutlist/cut_list_limits.h"
#include "core/util/text_encoding.h"

#include <algorithm>
#include <sstream>

namespace tessivo {

CutListRead ReadAudacityLabels(const std::string& bytes) {
    CutListRead r;
    std::istringstream in(DecodeCutListText(bytes));
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '\\')
            continue;
        const size_t tab1 = line.find('\t');
        if (tab1 == std::string::npos) {
            r.error = LinePrefix(n) + "expects start, end and label separated by tabs";
            break;
        }
        const size_t tab2 = line.find('\t', tab1 + 1);
        const std::string end =
            line.substr(tab1 + 1, tab2 == std::string::npos ? tab2 : tab2 - tab1 - 1);
        const std::string label = tab2 == std::string::npos ? "" : line.substr(tab2 + 1);
        if (r.list.entries.size() >= kMaxCutListEntries) {
            r.error = TooManyEntries(LinePrefix(n));
            break;
        }
        CutListEntry e;
        if (!SegmentEntry(n, line.substr(0, tab1), end, label, e, r.error))
            break;
        r.list.entries.push_back(std::move(e));
    }
    if (r.ok() && r.list.entries.empty())
        r.error = "The file holds no labels";
    if (!r.ok())
        r.list = CutList{};
    return r;
}

std::string WriteAudacityLabels(const FrameCutList& cuts, const TimeBase& tb, uint32_t frameCount) {
    std::string out;
    for (const CutSegment& s : TickedSegments(cuts, tb, frameCount)) {
        std::string label = s.title;
        std::replace_if(
            label.begin(), label.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; },
            ' ');
        out += SecondsText(s.startSeconds) + '\t' + SecondsText(s.endSeconds) + '\t' + label + '\n';
    }
    return out;
}

} // namespace tessivo
