// Version 1 of the text, one item a line ("name value", the value taken as
// it stands after the first space; backslash, line feed and carriage return
// written as \\, \n and \r):
//
//   Tessivo edit record 1
//   file PATH / size BYTES / modified NS / frames N / selected K
//   filetag 0|1            then its fields: title, artist, album, year,
//                          comment, genre, track (the empty ones left out)
//   part START CUTSAMPLE TICKED OWNFIELDS   then its fields and "written FILE"
//   mute FIRST END         a muted stretch of frames (none, one or more)
//   reviewed FRAME         a reviewed cut line's frame (none, one or more)
//   end
//
// Field lines belong to the filetag or part line above them.
#include "core/document/edit_record.h"

#include "core/analysis/time_base.h"

#include <array>
#include <charconv>
#include <sys/stat.h>
#include <utility>

namespace tessivo {

namespace {

constexpr const char* kHeader = "Tessivo edit record 1";

using FieldMember = std::string PartTagV2::*;
constexpr std::array<std::pair<const char*, FieldMember>, 7> kFields = {{
    {"title", &PartTagV2::title},
    {"artist", &PartTagV2::artist},
    {"album", &PartTagV2::album},
    {"year", &PartTagV2::year},
    {"comment", &PartTagV2::comment},
    {"genre", &PartTagV2::genre},
    {"track", &PartTagV2::track},
}};

std::string Escaped(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (const char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

bool Unescape(const std::string& s, std::string& out) {
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        if (++i == s.size())
            return false;
        if (s[i] == '\\')
            out += '\\';
        else if (s[i] == 'n')
            out += '\n';
        else if (s[i] == 'r')
            out += '\r';
        else
            return false;
    }
    return true;
}

void AppendFields(std::string& out, const PartTagV2& fields) {
    for (const auto& [name, member] : kFields)
        if (!(fields.*member).empty())
            out += std::string(name) + " " + Escaped(fields.*member) + "\n";
}

template <class T> bool ReadNumber(const std::string& text, T& value) {
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && p == end;
}

// "START CUTSAMPLE TICKED OWNFIELDS"
bool ReadPartLine(const std::string& value, PartRecord& part) {
    std::array<std::string, 4> items;
    size_t at = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        const size_t space = value.find(' ', at);
        const bool last = i + 1 == items.size();
        if (last != (space == std::string::npos))
            return false;
        items[i] = value.substr(at, last ? std::string::npos : space - at);
        at = space + 1;
    }
    if (items[2] != "0" && items[2] != "1")
        return false;
    part.ticked = items[2] == "1";
    return ReadNumber(items[0], part.start) && ReadNumber(items[1], part.cutSample) &&
           ReadNumber(items[3], part.ownFields);
}

// The checks that need no file: the parts' order and their fields.
std::string StructureRefusal(const EditRecord& r) {
    if (r.parts.empty() || r.parts.size() > static_cast<size_t>(kMaxParts))
        return "it holds no parts or too many";
    if (r.parts.front().start != 0 || r.parts.front().cutSample != -1)
        return "its first part does not start the file";
    for (size_t i = 0; i < r.parts.size(); ++i) {
        const PartRecord& p = r.parts[i];
        if ((i > 0 && p.start <= r.parts[i - 1].start) || p.cutSample < -1)
            return "its parts are out of order";
        if (p.ownFields > 0x7f)
            return "a part sets unknown tag fields";
    }
    if (r.selectedPart < 0 || r.selectedPart > static_cast<int32_t>(r.parts.size()))
        return "its selected part does not exist";
    for (size_t i = 0; i < r.muted.size(); ++i)
        if (r.muted[i].first < 0 || r.muted[i].end <= r.muted[i].first ||
            (i > 0 && r.muted[i].first <= r.muted[i - 1].end))
            return "its muted stretches are out of order";
    for (size_t i = 0; i < r.reviewedCuts.size(); ++i)
        if (r.reviewedCuts[i] <= 0 || (i > 0 && r.reviewedCuts[i] <= r.reviewedCuts[i - 1]))
            return "its reviewed cuts are out of order";
    return {};
}

// One "name value" line into `r`; `fields` is the tag the field lines fill.
bool ReadLine(const std::string& name, const std::string& value, EditRecord& r,
              PartTagV2*& fields) {
    if (name == "file")
        return Unescape(value, r.file.path);
    if (name == "size")
        return ReadNumber(value, r.file.size);
    if (name == "modified")
        return ReadNumber(value, r.file.modifiedNs);
    if (name == "frames")
        return ReadNumber(value, r.frameCount);
    if (name == "selected")
        return ReadNumber(value, r.selectedPart);
    if (name == "filetag") {
        r.fileTag.present = value == "1";
        fields = &r.fileTag.fields;
        return value == "0" || value == "1";
    }
    if (name == "part") {
        r.parts.emplace_back();
        fields = &r.parts.back().own;
        return ReadPartLine(value, r.parts.back());
    }
    if (name == "mute") {
        const size_t space = value.find(' ');
        MutedStretch& m = r.muted.emplace_back();
        return space != std::string::npos && ReadNumber(value.substr(0, space), m.first) &&
               ReadNumber(value.substr(space + 1), m.end);
    }
    if (name == "reviewed")
        return ReadNumber(value, r.reviewedCuts.emplace_back());
    if (name == "written")
        return !r.parts.empty() && fields == &r.parts.back().own &&
               Unescape(value, r.parts.back().writtenFile);
    for (const auto& [field, member] : kFields)
        if (name == field)
            return fields && Unescape(value, (*fields).*member);
    return false;
}

} // namespace

FileIdentity IdentityOf(const LoadedFile& file) {
    return {file.FileName, file.FileSize, file.FileModifiedNs};
}

bool CurrentIdentity(const std::string& path, FileIdentity& out) {
    struct stat sb {};
    if (::stat(path.c_str(), &sb) != 0 || !S_ISREG(sb.st_mode))
        return false;
    out.path = path;
    out.size = static_cast<uint64_t>(sb.st_size);
    out.modifiedNs = static_cast<int64_t>(sb.st_mtim.tv_sec) * 1000000000 + sb.st_mtim.tv_nsec;
    return true;
}

EditRecord EditRecordOf(const AnalysedFile& file, const PartTable& parts) {
    EditRecord r;
    r.file = IdentityOf(file);
    r.frameCount = file.FrameCount;
    r.parts = parts.Parts;
    r.fileTag = parts.FileTag;
    r.selectedPart = parts.SelectedPart;
    r.muted = parts.Muted;
    r.reviewedCuts = parts.ReviewedCuts;
    return r;
}

std::string EditRecordText(const EditRecord& r) {
    std::string out = std::string(kHeader) + "\n";
    out += "file " + Escaped(r.file.path) + "\n";
    out += "size " + std::to_string(r.file.size) + "\n";
    out += "modified " + std::to_string(r.file.modifiedNs) + "\n";
    out += "frames " + std::to_string(r.frameCount) + "\n";
    out += "selected " + std::to_string(r.selectedPart) + "\n";
    out += std::string("filetag ") + (r.fileTag.present ? "1" : "0") + "\n";
    AppendFields(out, r.fileTag.fields);
    for (const PartRecord& p : r.parts) {
        out += "part " + std::to_string(p.start) + " " + std::to_string(p.cutSample) + " " +
               (p.ticked ? "1" : "0") + " " + std::to_string(p.ownFields) + "\n";
        AppendFields(out, p.own);
        if (!p.writtenFile.empty())
            out += "written " + Escaped(p.writtenFile) + "\n";
    }
    for (const MutedStretch& m : r.muted)
        out += "mute " + std::to_string(m.first) + " " + std::to_string(m.end) + "\n";
    for (const int32_t cut : r.reviewedCuts)
        out += "reviewed " + std::to_string(cut) + "\n";
    out += "end\n";
    return out;
}

bool ParseEditRecord(const std::string& text, EditRecord& out, std::string& error) {
    const std::string head = std::string(kHeader) + "\n";
    if (text.compare(0, head.size(), head) != 0) {
        error = "it is not an edit record of this version";
        return false;
    }
    EditRecord r;
    PartTagV2* fields = nullptr;
    size_t pos = head.size();
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string::npos)
            break;
        const std::string line = text.substr(pos, nl - pos);
        pos = nl + 1;
        if (line == "end") {
            if (pos != text.size())
                break;
            error = StructureRefusal(r);
            if (!error.empty())
                return false;
            out = std::move(r);
            return true;
        }
        const size_t space = line.find(' ');
        const std::string name = line.substr(0, space);
        const std::string value = space == std::string::npos ? "" : line.substr(space + 1);
        if (!ReadLine(name, value, r, fields)) {
            error = "line \"" + line.substr(0, 60) + "\" is not understood";
            return false;
        }
    }
    error = "it is cut short";
    return false;
}

std::string EditRecordRefusal(const EditRecord& r, const AnalysedFile& file) {
    if (!file.FileLoaded)
        return "no file is open";
    if (r.file != IdentityOf(file))
        return "the file has changed since";
    if (r.frameCount != file.FrameCount)
        return "the file's frames differ";
    std::string structure = StructureRefusal(r);
    if (!structure.empty())
        return structure;
    const int64_t samples = TimeBaseOf(file).samples;
    for (const PartRecord& p : r.parts) {
        if (p.start >= static_cast<int32_t>(file.FrameCount))
            return "a part starts past the end of the file";
        if (p.cutSample >= samples)
            return "a cut lies past the end of the audio";
    }
    if (!r.muted.empty() && r.muted.back().end > static_cast<int32_t>(file.FrameCount))
        return "a muted stretch lies past the end of the file";
    return {};
}

} // namespace tessivo
