// A cut list made elsewhere (cue sheet, Audacity labels, CSV) in one neutral
// form, and its conversion to cut frames of an open file and back.
#pragma once

#include "core/analysis/time_base.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessivo {

// One line of a cut list: a part that starts at `startSeconds`. With
// `endSeconds` set (a region) the part ends there and the stretch up to the
// next entry is an unticked gap; with -1 (a point) it runs to the next cut.
struct CutListEntry {
    double startSeconds = 0.0;
    double endSeconds = -1.0;
    std::string title;
    std::string performer;
    bool used = true;
    int line = 0; // line in the source file, for messages; 0 when not from a file
};

struct CutList {
    std::string album;
    std::string albumArtist;
    std::vector<CutListEntry> entries; // in file order
};

// What a reader gives: the list, or an error naming the line
// ("Line 7: INDEX 01 expects mm:ss:ff"); with an error the list is empty.
struct CutListRead {
    CutList list;
    std::string error;
    bool ok() const { return error.empty(); }
};

// What a writer gives: the text, or why the list cannot be written.
struct CutListText {
    std::string text;
    std::string error;
    bool ok() const { return error.empty(); }
};

// One part of a frame cut list.
struct CutPart {
    std::string title;
    std::string performer;
    bool used = true;
};

// What a cut list says of one part's tag: its title, its artist (the part's
// performer, else the list's album artist) and the list's album. An empty
// field says nothing.
struct CutPartTag {
    std::string title, artist, album;
    bool Empty() const { return title.empty() && artist.empty() && album.empty(); }
};
CutPartTag TagOfCutPart(const CutList& list, const CutPart& part);

// Cut lines as frames: `cuts` begins with 0 and rises strictly, every cut lies
// before the last frame; part k runs from cuts[k] to cuts[k+1] - 1, the last
// part to the last frame. `parts` has one record per cut. `samples`, when it
// has one entry per cut, holds where each cut lies in the time base's samples
// (-1: at the start of its frame); empty: every cut lies at its frame's start.
constexpr size_t kMaxCutListWarnings = 20;

struct FrameCutList {
    std::vector<int32_t> cuts;
    std::vector<int64_t> samples;
    std::vector<CutPart> parts;
    std::vector<std::string> warnings; // what was left out or merged, for the user
};

// Places a cut list on a file of `frameCount` frames in the time base `tb`.
// Every time rounds to the nearest sample, kept in `samples`, and its cut to
// the nearest frame boundary; the entries are sorted by
// time; a start on the frame of an earlier one is merged into it (reported);
// starts on or past the last frame are left out (reported when past the end);
// a region's end opens an unticked, untitled gap unless the next part begins
// there. The stretch before the first entry is a ticked, untitled part for a
// list of points only, an unticked gap when the list has regions. At most
// 999 cuts are kept (the rest is reported). At most kMaxCutListWarnings
// warnings are kept, then one "… and N more".
FrameCutList PlaceCutList(const CutList& list, const TimeBase& tb, uint32_t frameCount);

// The time of cut k of `cuts` in seconds: its sample when it has one, else
// the start of its frame.
double CutSeconds(const FrameCutList& cuts, size_t k, const TimeBase& tb);

// A stretch written out as a region (Audacity labels, CSV).
struct CutSegment {
    double startSeconds = 0.0;
    double endSeconds = 0.0;
    std::string title;
};

// The ticked parts as regions, in order; unticked parts are left out, so they
// come back as gaps.
std::vector<CutSegment> TickedSegments(const FrameCutList& cuts, const TimeBase& tb,
                                       uint32_t frameCount);

// Seconds in a cut list file: digits with an optional decimal point and
// fraction ("12", "12.5", ".5"), nothing else. False when the text is not one.
bool ParseSeconds(const std::string& text, double& seconds);

// An entry from the texts of a label or CSV line: start (empty: 0), end
// (empty or equal to the start: a point) and label. False with `error` set
// ("Line n: ...") when a time is not seconds, the end lies before the start
// or the label holds a zero byte.
bool SegmentEntry(int line, const std::string& start, const std::string& end,
                  const std::string& label, CutListEntry& entry, std::string& error);

// Seconds as such files write them: six decimals, a decimal point whatever the locale.
std::string SecondsText(double seconds);

// `value` with `decimals` decimals (0..17) and a decimal point, any finite
// value in full ("inf" and "nan" as such).
std::string FixedText(double value, int decimals);

// "Line n: " for n > 0, "" otherwise.
std::string LinePrefix(int line);

} // namespace tessivo
