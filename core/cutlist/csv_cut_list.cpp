#include "core/cutlist/csv_cut_list.h"

#include "core/cutlist/cut_list_limits.h"
#include "core/util/text_encoding.h"

#include <vector>

namespace tessivo {

namespace {

// One CSV record and the line it starts on. Only the first fields are kept,
// as no line with more is read, so a line of a million commas costs little.
struct CsvRecord {
    int line = 0;
    size_t fieldCount = 1;
    std::vector<std::string> fields{""};
};

constexpr size_t kKeptFields = 4;

// Reads the records of a text one at a time; a quoted field may hold commas,
// line breaks and "" for a quote.
class CsvReader {
public:
    explicit CsvReader(const std::string& text) : text_(text) {}

    // The next record; false at the end, or with `error` set when a quote is
    // not closed.
    bool Next(CsvRecord& rec, std::string& error) {
        if (pos_ > text_.size())
            return false;
        rec = CsvRecord{line_};
        bool quoted = false;
        for (; pos_ < text_.size(); ++pos_) {
            const char c = text_[pos_];
            if (quoted && c == '"' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '"')
                Add(rec, text_[++pos_]);
            else if (c == '"')
                quoted = !quoted;
            else if (!quoted && c == ',')
                StartField(rec);
            else if (!quoted && c == '\n')
                break;
            else
                Add(rec, c);
            line_ += c == '\n';
        }
        ++pos_;
        ++line_;
        if (quoted)
            error = LinePrefix(rec.line) + "a quote is not closed";
        return !quoted;
    }

private:
    static void StartField(CsvRecord& rec) {
        if (++rec.fieldCount <= kKeptFields)
            rec.fields.emplace_back();
    }
    static void Add(CsvRecord& rec, char c) {
        if (rec.fieldCount <= kKeptFields)
            rec.fields.back() += c;
    }

    const std::string& text_;
    size_t pos_ = 0;
    int line_ = 1;
};

bool IsBlank(const CsvRecord& r) {
    return r.fieldCount == 1 && r.fields[0].find_first_not_of(" \t") == std::string::npos;
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
    const std::string text = DecodeCutListText(bytes);
    CsvReader reader(text);
    CsvRecord rec;
    bool first = true;
    while (reader.Next(rec, r.error)) {
        if (IsBlank(rec))
            continue;
        const bool header = first && IsHeader(rec);
        first = false;
        if (header)
            continue;
        if (rec.fieldCount < 2 || rec.fieldCount > 3) {
            r.error = LinePrefix(rec.line) + "expects start,end,label";
            break;
        }
        if (r.list.entries.size() >= kMaxCutListEntries) {
            r.error = TooManyEntries(LinePrefix(rec.line));
            break;
        }
        CutListEntry e;
        const std::string label = rec.fieldCount == 3 ? rec.fields[2] : "";
        if (!SegmentEntry(rec.line, rec.fields[0], rec.fields[1], label, e, r.error))
            break;
        r.list.entries.push_back(std::move(e));
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
