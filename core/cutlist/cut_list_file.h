// Cut list files by format: which format a file is, reading and writing one.
#pragma once

#include "core/cutlist/cut_list.h"

#include <cstdint>
#include <string>

namespace tessivo {

enum class CutListFormat { Cue, Labels, Csv };

// By the file name's extension, any case: .cue, .txt (Audacity labels), .csv.
// False for any other name.
bool CutListFormatForPath(const std::string& path, CutListFormat& format);

// By name, as the command line takes it: "cue", "labels", "csv".
bool CutListFormatByName(const std::string& name, CutListFormat& format);

// The usual extension of a format, with its dot (".cue", ".txt", ".csv").
std::string CutListExtension(CutListFormat format);

// The largest cut list file read; larger ones are refused.
constexpr size_t kMaxCutListBytes = size_t{64} << 20;

// The whole of a list file (cut list or track list) of at most
// kMaxCutListBytes into `bytes`; false and the message naming the file.
bool ReadListFileBytes(const std::string& path, std::string& bytes, std::string& error);

// Reads the bytes of a cut list file of that format. Refused: more than
// kMaxCutListBytes, and UTF-16 without a byte order mark.
CutListRead ReadCutList(CutListFormat format, const std::string& bytes);

// Reads the file at `path`; an error names it when it cannot be read or is
// larger than kMaxCutListBytes.
CutListRead ReadCutListFile(CutListFormat format, const std::string& path);

// What a cue sheet says about the source besides the cuts.
struct CutListSource {
    std::string fileName; // the MP3's name without folder, for the FILE line
    std::string album;
    std::string albumArtist;
};

// Writes the cut frames in a format. What comes back when the file is read
// and placed on the same file:
// - cue sheet: every cut, the titles and performers of all parts, album and
//   album artist; not the ticks (every part comes back ticked); double quotes
//   in texts come back as single quotes; at most 99 parts.
// - Audacity labels and CSV: every cut next to a ticked part, the ticks and
//   the titles of ticked parts; unticked parts come back untitled, and
//   unticked parts in a row as one; performers and album are not kept.
CutListText WriteCutList(CutListFormat format, const FrameCutList& cuts, const TimeBase& tb,
                         uint32_t frameCount, const CutListSource& source);

} // namespace tessivo
