#include "core/cutlist/csv_cut_list.h"

#include "core/cutlist/text_encoding.h"

#include <vector>

namespace tessivo {

namespace {

// One CSV record and the line it starts on.
struct CsvRecord {
    int line = 0;
    std::vector<std::string> fields;
};

// Splits the text into records; a quoted field may hold commas, line breaks
// and "" for a quote. False with `error` set when a quote is not closed.
bool SplitCsv(const std::string& text, std::vector<CsvRecord>& records, std::string& error) {
    CsvRecord rec{1, {""}};
    int line = 1;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                rec.fields.back() += text[++i];
            else if (c == '"')
                quoted = false;
            else
                rec.fields.back() += c;
            line += c == '\n';
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rec.fields.emplace_back();
        } else if (c == '\n') {
            records.push_back(std::move(rec));
            rec = CsvRecord{++line, {""}};
        } else {
            rec.fields.back() += c;
        }
    }
    if (quoted) {
        error = LinePrefix(rec.line) + "a quote is not closed";
        return false;
    }
    records.push_back(std::move(rec));
    return true;
}

bool IsBlank(const CsvRecord& r) {
    return r.fields.size() == 1 && r.fields[0].find_first_not_of(" \t") == std::string::npos;
}

// A first line such as "start,end,label": its start is neither empty nor seconds.
bool IsHeader(const CsvRecord& r) {
    double ignored = 0;
    const std::string& s = r.fields[0];
    const size_t a = s.find_first_not_of(" \t");
    return a != std::string::npos &&
           !ParseSeconds(s.substr(a, s.find_last_not_of(" \t") - a + 1), ignored);
}

std::string CsvField(const std::string& s) {
    if (s.find_first_of(",\"\n\r") == std::string::npos &&
        (s.empty() || (s.front() != ' ' && s.back() != ' ')))
        return s;
    std::string q = "\"";
    for (char c : s)
        q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

} // namespace

CutListRead ReadCsvCutList(const std::string& bytes) {
    CutListRead r;
    std::vector<CsvRecord> records;
    if (SplitCsv(DecodeCutListText(bytes), records, r.error)) {
        bool first = true;
        for (const CsvRecord& rec : records) {
            if (IsBlank(rec))
                continue;
            const bool header = first && IsHeader(rec);
            first = false;
            if (header)
                continue;
            if (rec.fields.size() < 2 || rec.fields.size() > 3) {
                r.error = LinePrefix(rec.line) + "expects start,end,label";
                break;
            }
            CutListEntry e;
            const std::string label = rec.fields.size() == 3 ? rec.fields[2] : "";
            if (!SegmentEntry(rec.line, rec.fields[0], rec.fields[1], label, e, r.error))
                break;
            r.list.entries.push_back(std::move(e));
        }
    }
    if (r.ok() && r.list.entries.empty())
        r.error = "The file holds no segments";
    if (!r.ok())
        r.list = CutList{};
    return r;
}

std::string WriteCsvCutList(const FrameCutList& cuts, const TimeBase& tb, uint32_t frameCount) {
    std::string out;
    for (const CutSegment& s : TickedSegments(cuts, tb, frameCount))
        out += SecondsText(s.startSeconds) + ',' + SecondsText(s.endSeconds) + ',' +
               CsvField(s.title) + '\n';
    return out;
}

} // namespace tessivo
