// Track lists: a plain UTF-8 text of one track per line, either a start time
// and a title ("12:03 Title", as set lists and video descriptions give
// chapters) or a title and a length ("01 - Title (3:45)", as album track
// lists give them). The start times, or the titles alone, become the parts.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tessivo {

// One track of the list.
struct TrackLine {
    int line = 0; // line of the file, counting every line
    std::string title;
    std::optional<double> seconds; // the start or the length, by the list's form
};

enum class TrackListForm {
    Titles,  // no line has a time: the titles go to parts cut some other way
    Starts,  // START TITLE
    Lengths, // TITLE LENGTH
};

struct TrackList {
    TrackListForm form = TrackListForm::Titles;
    std::vector<TrackLine> tracks;
};

// A reader's outcome: the list, or an error naming the line ("Line 4: not
// UTF-8"); with an error the list is empty.
struct TrackListRead {
    TrackList list;
    std::string error;
    bool ok() const { return error.empty(); }
};

// Reads the bytes of a track list. Blank lines and lines whose first
// non-blank character is '#' are left out; a UTF-8 byte order mark and CR
// line ends are allowed. A time is [h:]mm:ss[.mmm] (minutes of one or two
// digits below 60 when hours are given). The form is the first timed
// line's: a time first, else a time last (optionally in parentheses or
// brackets) after an optional track number ("1.", "01 -", "3)"). Errors: a
// line not UTF-8, a line without a time when another line has one, a line of
// the other form, start times that do not rise, a list without tracks.
TrackListRead ReadTrackList(const std::string& bytes);

// Reads the file at `path`; an error names it when it cannot be read or is
// too large.
TrackListRead ReadTrackListFile(const std::string& path);

// Where every track starts, in seconds: the starts themselves, or the sums
// of the lengths before each track. The first track starts at the file's
// start whatever its time, so N tracks make N parts. A start at or past
// `duration` is an error naming its line ("Line 9: starts at 1:02:03.000,
// past the end of the file (58:10.000)"; times as FormatNoteTimeText), returned; empty when all
// fit.
std::string TrackStarts(const TrackList& list, double duration, std::vector<double>& starts);

} // namespace tessivo
