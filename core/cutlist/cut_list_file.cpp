#include "core/cutlist/cut_list_file.h"

#include "core/cutlist/audacity_labels.h"
#include "core/cutlist/csv_cut_list.h"
#include "core/cutlist/cue_sheet.h"
#include "core/util/text_encoding.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

namespace tessivo {

bool CutListFormatForPath(const std::string& path, CutListFormat& format) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (CutListFormat f : {CutListFormat::Cue, CutListFormat::Labels, CutListFormat::Csv}) {
        if (ext == CutListExtension(f)) {
            format = f;
            return true;
        }
    }
    return false;
}

bool CutListFormatByName(const std::string& name, CutListFormat& format) {
    if (name == "cue")
        format = CutListFormat::Cue;
    else if (name == "labels")
        format = CutListFormat::Labels;
    else if (name == "csv")
        format = CutListFormat::Csv;
    else
        return false;
    return true;
}

std::string CutListExtension(CutListFormat format) {
    switch (format) {
    case CutListFormat::Cue:
        return ".cue";
    case CutListFormat::Labels:
        return ".txt";
    case CutListFormat::Csv:
        return ".csv";
    }
    return "";
}

namespace {

const char* const kTooLarge = " is larger than 64 MB, the most a cut list file may hold";

} // namespace

CutListRead ReadCutList(CutListFormat format, const std::string& bytes) {
    if (bytes.size() > kMaxCutListBytes)
        return {{}, std::string("The cut list") + kTooLarge};
    if (LooksLikeUtf16WithoutBom(bytes))
        return {{},
                "The file is UTF-16 without a byte order mark; save it as UTF-8, or as UTF-16 "
                "with a byte order mark"};
    switch (format) {
    case CutListFormat::Cue:
        return ReadCueSheet(bytes);
    case CutListFormat::Labels:
        return ReadAudacityLabels(bytes);
    case CutListFormat::Csv:
        return ReadCsvCutList(bytes);
    }
    return {};
}

bool ReadListFileBytes(const std::string& path, std::string& bytes, std::string& error) {
    std::ifstream f(path, std::ios::binary);
    if (!f.is_open()) {
        error = "Cannot open " + path;
        return false;
    }
    f.seekg(0, std::ios::end);
    const std::streamoff size = f.tellg();
    f.seekg(0, std::ios::beg);
    if (size > static_cast<std::streamoff>(kMaxCutListBytes)) {
        error = path + kTooLarge;
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    if (f.bad() || size < 0) {
        error = "Cannot read " + path;
        return false;
    }
    return true;
}

CutListRead ReadCutListFile(CutListFormat format, const std::string& path) {
    CutListRead r;
    std::string bytes;
    if (!ReadListFileBytes(path, bytes, r.error))
        return r;
    return ReadCutList(format, bytes);
}

CutListText WriteCutList(CutListFormat format, const FrameCutList& cuts, const TimeBase& tb,
                         uint32_t frameCount, const CutListSource& source) {
    switch (format) {
    case CutListFormat::Cue:
        return WriteCueSheet(cuts, tb, source.fileName, source.album, source.albumArtist);
    case CutListFormat::Labels:
        return {WriteAudacityLabels(cuts, tb, frameCount), ""};
    case CutListFormat::Csv:
        return {WriteCsvCutList(cuts, tb, frameCount), ""};
    }
    return {};
}

} // namespace tessivo
