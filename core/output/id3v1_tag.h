// ID3v1 tag records, the genre table and the part tag slots (UTF-8 fields
// from which each part's ID3v1 record is derived at writing).
#pragma once

#include "core/state/program_state.h"

#include <string>
#include <vector>

namespace tessivo {

extern const std::vector<std::string> GenreNames; // 148 names by genre byte

// The genre names in alphabetical order, as the genre box lists them.
std::vector<std::string> SortedGenreNames();

// Genre byte for a name of the table (any case), a spelling other taggers
// use for one of them ("Psychedelic"), or its number ("67", "(67)"); 255
// when none matches.
uint8_t GenreByte(const std::string& name);

// The file tag from the source's ID3v1 record: its fields byte for byte
// (Latin-1 read as such), the track only when the record has one (not a
// 30-byte comment); no tag when the file has no ID3v1 record. The window
// takes the source's ID3v2 fields instead when it has an ID3v2 tag.
void CopySourceTag(const LoadedFile& source, PartTable& parts);

// All 128 bytes zero: a record that adds no tag to its part file.
void ClearTag(Id3v1Record& tag);
// No tag for the part.
void ClearTag(PartTagSlot& slot);

// True when the record begins with "TAG".
bool IsTag(const Id3v1Record& tag);

// A text field of a record (offset, width) up to its first zero byte, as
// UTF-8 (the bytes are read as ISO-8859-1). Trailing spaces are kept.
std::string TagText(const Id3v1Record& tag, int offset, int width);
std::string TagTitle(const Id3v1Record& tag);
std::string TagArtist(const Id3v1Record& tag);
std::string TagAlbum(const Id3v1Record& tag);

// The 128-byte ID3v1 record of tag fields: Latin-1 with '?' for other
// characters, each field cut to its width, the track's leading number.
Id3v1Record Id3v1Of(const PartTagV2& fields);

// The ID3v1 record part n's file gets (all zero when the part carries no
// tag); an empty track is the part's own number (0 above 255).
Id3v1Record PartId3v1(const PartTable& parts, int n);

// The fields of the tag panel, as UTF-8 texts.
struct TagFields {
    std::string partName; // "Original File" or "Part(n)"
    std::string title, artist, album, year, comment;
    std::string genre; // a genre name of the table, or empty
    std::string track; // decimal, the ID3v1 track ("0" when there is none)
};

// Whether the tag panel's number n stands for the file tag ("Original
// File"): 0, or part 1 while the file is one part.
bool ShowsFileTag(const PartTable& parts, int n);

// What the tag panel shows for n: the file tag (ShowsFileTag) or part n's tag
// (EffectivePartTag), its texts in full, the genre when it is a name of the
// table and the source has a tag. Nothing for a number that is no part.
TagFields ReadTagFields(const LoadedFile& source, const PartTable& parts, int n);

// Stores panel fields for n: into the file tag, which every part inherits
// where it sets no field of its own, or as part n's own fields. A field that
// still reads what ReadTagFields showed is left as it is (a genre outside the
// table, a track "3/12"); a changed one replaces it: texts in full, the year
// by its digits (at most 4), the genre by name of the table (else none), the
// track when it is a number 1..255 (otherwise it is left as it was).
void StoreTagFields(const LoadedFile& source, PartTable& parts, int n, const TagFields& fields);

// Stores fields into one ID3v1 record: title/artist/album up to 30
// characters, year up to 4 digits filled with spaces, comment up to 28
// characters, genre by exact name (255 when none), track when it is a number
// 1..255 (otherwise the track byte is left as it was). Characters outside
// ISO-8859-1 are stored as '?'.
void StoreTagRecord(Id3v1Record& record, const TagFields& fields);

// UTF-8 to ISO-8859-1 bytes ('?' for anything outside it or malformed), and back.
std::string Utf8ToLatin1(const std::string& utf8);
std::string Latin1ToUtf8(const std::string& latin1);

} // namespace tessivo
