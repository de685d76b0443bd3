// ID3v1 tag records, the genre table and the part tag slots.
#pragma once

#include "core/state/program_state.h"

#include <string>
#include <vector>

namespace tessivo {

extern const std::vector<std::string> GenreNames; // 148 names by genre byte

// The genre names in alphabetical order, as the genre box lists them.
std::vector<std::string> SortedGenreNames();

// Genre byte for a name (exact, case-sensitive match), 255 when none matches.
uint8_t GenreByte(const std::string& name);

// Fills every part tag slot 1..1000 with the source file's ID3v1 tag, or
// empties them when the file has none. Slot 0 is left alone.
void CopySourceTag(ProgramState& st);

// All 128 bytes zero: a slot that adds no tag to its part file.
void ClearTag(Id3v1Record& tag);

// True when the record begins with "TAG".
bool IsTag(const Id3v1Record& tag);

// A text field of a record (offset, width) up to its first zero byte, as
// UTF-8 (the bytes are read as ISO-8859-1). Trailing spaces are kept.
std::string TagText(const Id3v1Record& tag, int offset, int width);
std::string TagTitle(const Id3v1Record& tag);
std::string TagArtist(const Id3v1Record& tag);
std::string TagAlbum(const Id3v1Record& tag);

// The fields of the tag panel, as UTF-8 texts.
struct TagFields {
    std::string partName; // "Original File" or "Part(n)"
    std::string title, artist, album, year, comment;
    std::string genre; // a genre name, or empty
    std::string track; // decimal, "0" when there is none
};

// What the tag panel shows for slot n (0..1000).
TagFields ReadTagFields(const ProgramState& st, int n);

// Stores panel fields into slot n (0..1000): title/artist/album up to 30
// characters, year up to 4 digits filled with spaces, comment up to 28
// characters, genre by exact name (255 when none), track when it is a number
// 1..255 (otherwise the track byte is left as it was). Characters outside
// ISO-8859-1 are stored as '?'.
void StoreTagFields(ProgramState& st, int n, const TagFields& fields);

// The same for one record: what StoreTagFields does to slot n.
void StoreTagRecord(Id3v1Record& record, const TagFields& fields);

// UTF-8 to ISO-8859-1 bytes ('?' for anything outside it or malformed), and back.
std::string Utf8ToLatin1(const std::string& utf8);
std::string Latin1ToUtf8(const std::string& latin1);

} // namespace tessivo
