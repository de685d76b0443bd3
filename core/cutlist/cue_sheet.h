// Cue sheets: read with libcue, written for the open file.
#pragma once

#include "core/cutlist/cut_list.h"

#include <string>

namespace tessivo {

// Reads a cue sheet from the bytes of its file (any encoding DecodeCutListText
// knows). Each TRACK's INDEX 01 is a cut (mm:ss:ff, 75 frames a second);
// INDEX 00 and other indexes are ignored; the TITLE and PERFORMER of a track
// name its part, those of the sheet give album and album artist. In a quoted
// text "\\" is a backslash and "\"" a double quote; another backslash stays.
// One FILE line is needed, whatever file it names. Mistakes are reported by
// line. The sheet is checked line by line first; libcue then reads only its
// FILE, TRACK and INDEX lines, in a plain form it cannot refuse.
CutListRead ReadCueSheet(const std::string& bytes);

// A cue sheet for `sourceName` (the MP3 file's name, written on the FILE
// line): one track per part, ticked or not, with its title and performer.
// Times are written to the nearest 1/75 s, which lies within half a frame of
// every MPEG audio frame length, so the same frames come back. Double quotes
// in texts become single quotes (few programs read an escaped one), a
// backslash is written as "\\"; more than 99 parts cannot be written.
CutListText WriteCueSheet(const FrameCutList& cuts, const TimeBase& tb,
                          const std::string& sourceName, const std::string& album,
                          const std::string& albumArtist);

} // namespace tessivo
