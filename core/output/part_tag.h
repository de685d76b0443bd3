// The tags part files carry: the source's ID3v2 tag (or its ID3v1 tag when it
// has no ID3v2 tag) read through TagLib, each part's fields on top of it, and
// the bytes of the ID3v2.3/ID3v2.4 tag and the ID3v1 record that are written.
#pragma once

#include "core/state/program_state.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tessivo {

// TagFormat (which tags a part file gets) is declared with the settings in
// core/state/program_state.h.

// "v1", "v2.3", "v2.4", "v1+v2.3", "v1+v2.4"; false for any other text.
bool ParseTagFormat(const std::string& text, TagFormat& format);
std::string TagFormatText(TagFormat format);
bool WritesId3v1(TagFormat format);
// 3 or 4 for the ID3v2 version written, 0 when no ID3v2 tag is written.
int Id3v2Version(TagFormat format);

// PartTagV2 (one part's tag fields in UTF-8) is declared with the part table
// in core/state/program_state.h. Written as ID3v2, an empty track stands for
// "n/N" (the part's place among the files written and their count).

// A chapter of the source (CHAP frame): start and end in milliseconds and
// the title of its embedded TIT2 frame.
struct Chapter {
    uint32_t startMs = 0;
    uint32_t endMs = 0;
    std::string title;
};

// The source's tag as the parts inherit it.
struct SourceTag {
    bool hasId3v2 = false;
    bool hasId3v1 = false; // the fields are the ID3v1 record's (no ID3v2 tag)
    bool damaged = false;  // TagLib could read the tag's frames only in part
    // The source's own fields (no placeholders): the ID3v2 tag's, each one it
    // lacks taken from the ID3v1 record.
    PartTagV2 fields;
    PartTagV2 id3v2Fields; // what the ID3v2 tag's own frames hold
    // ID3v2.4 tag bytes holding every frame a part inherits (pictures,
    // lyrics, ...), without the frames that describe the whole file.
    std::vector<uint8_t> inherited;
    std::vector<uint8_t> picture; // the front cover (else the first picture)
    std::string pictureMime;
    std::vector<Chapter> chapters; // in order of their start
};

// Reads the tags of the loaded file image. Never fails: what cannot be read
// is left out and `damaged` is set.
SourceTag ReadSourceTag(const LoadedFile& file);

// The file tag every part inherits: the source's ID3v2 fields (ID3v1 filling
// the ones it lacks) when it has an ID3v2 tag, else its ID3v1 record as it is
// (CopySourceTag), else none.
void SetFileTag(const LoadedFile& loaded, PartTable& parts, const SourceTag& source);

// The source file's name without folder and extension.
std::string SourceStem(const std::string& fileName);

// A title with its placeholders replaced: {title} the source's title, {name}
// the source file's name without extension, {n} the part's number (two
// digits at least), {N} the number of parts written.
std::string ExpandTitle(const std::string& titleTemplate, const SourceTag& source,
                        const std::string& sourceName, int n, int count);

// Where a chapter puts a cut line: the frame nearest its start (0 for a
// chapter at the start of the audio), and the chapter's title.
struct ChapterCut {
    int32_t frame = 0;
    std::string title;
};
std::vector<ChapterCut> ChapterCuts(const AnalysedFile& file, const std::vector<Chapter>& chapters);

// The tags of all parts: the source's tag and one PartTagV2 per part slot.
struct PartTags {
    SourceTag source;
    std::vector<PartTagV2> part; // index = part number (slot 0 unused)
    // Every part written gets the track "n/N" (its number among the parts
    // written, of how many), whatever its own track says.
    bool numberTracks = false;
};

// Every part's tag from the source: the source's fields; the title from
// `titleTemplate` when one is given, else the chapter's title for a part
// whose first frame is a chapter's cut, else the source's title, else
// "{name} - part {n}"; the source's track, else "n/N" at writing.
PartTags MakePartTags(const PartTable& parts, SourceTag source,
                      const std::vector<ChapterCut>& chapterCuts = {},
                      const std::string& titleTemplate = {});

// What a part file carries, its title and track resolved for the part written
// as number n of count (the track "n/N" when it has none, or always with
// numberTracks).
PartTagV2 ResolvePartTag(const PartTags& tags, int part, const std::string& sourceName, int n,
                         int count);

// User text frames (TXXX): description and text.
using UserTexts = std::vector<std::pair<std::string, std::string>>;

// The ID3v2 tag (version 3 or 4) of a resolved part tag: the inherited frames
// with the part's fields set over them. The source's ReplayGain frames are
// left out (they measure the whole file); `userTexts` (the part's own
// ReplayGain) are added.
std::vector<uint8_t> RenderId3v2(const SourceTag& source, const PartTagV2& tag, int version,
                                 const UserTexts& userTexts = {});

// A chapter of a file written whole: its start and end in milliseconds and
// in bytes from the start of the file, and its title.
struct ChapterMark {
    uint32_t startMs = 0, endMs = 0;
    uint64_t startByte = 0, endByte = 0; // written as "unknown" past 4 GiB
    std::string title;
};

// The ID3v2 tag (version 3 or 4) of a file written whole from pieces: the
// inherited frames (or, from a source without an ID3v2 tag, its fields), a
// CHAP frame with a TIT2 per mark and one ordered top-level CTOC listing
// them. No marks: no chapter frames. `userTexts`, when any, take the place of
// the source's ReplayGain frames.
std::vector<uint8_t> RenderChapteredId3v2(const SourceTag& source,
                                          const std::vector<ChapterMark>& marks, int version,
                                          const UserTexts& userTexts = {});

// The 128-byte ID3v1 record of a resolved part tag: Latin-1 with '?' for
// other characters, each field cut to its width.
Id3v1Record RenderId3v1(const PartTagV2& tag);

// "TagLib " and the version of the tag library the program was built with.
std::string TagLibVersion();

} // namespace tessivo
