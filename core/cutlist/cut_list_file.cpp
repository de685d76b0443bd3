#include "core/cutlist/cut_list_file.h"

#include "core/cutlist/audacity_labels.h"
#include "core/cutlist/csv_cut_list.h"
#include "core/cutlist/cue_sheet.h"

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

CutListRead ReadCutList(CutListFormat format, const std::string& bytes) {
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

CutListRead ReadCutListFile(CutListFormat format, const std::string& path) {
    CutListRead r;
    std::ifstream f(path, std::ios::binary);
    if (!f.is_open()) {
        r.error = "Cannot open " + path;
        return r;
    }
    std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (f.bad()) {
        r.error = "Cannot read " + path;
        return r;
    }
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
