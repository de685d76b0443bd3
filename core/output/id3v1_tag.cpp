#include "core/output/id3v1_tag.h"

#include "core/parts/part_access.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace tessivo {

const std::vector<std::string> GenreNames = {"Blues",
                                             "Classic Rock",
                                             "Country",
                                             "Dance",
                                             "Disco",
                                             "Funk",
                                             "Grunge",
                                             "Hip-Hop",
                                             "Jazz",
                                             "Metal",
                                             "New Age",
                                             "Oldies",
                                             "Other",
                                             "Pop",
                                             "R&B",
                                             "Rap",
                                             "Reggae",
                                             "Rock",
                                             "Techno",
                                             "Industrial",
                                             "Alternative",
                                             "Ska",
                                             "Death Metal",
                                             "Pranks",
                                             "Soundtrack",
                                             "Euro-Techno",
                                             "Ambient",
                                             "Trip-Hop",
                                             "Vocal",
                                             "Jazz+Funk",
                                             "Fusion",
                                             "Trance",
                                             "Classical",
                                             "Instrumental",
                                             "Acid",
                                             "House",
                                             "Game",
                                             "Sound Clip",
                                             "Gospel",
                                             "Noise",
                                             "AlternRock",
                                             "Bass",
                                             "Soul",
                                             "Punk",
                                             "Space",
                                             "Meditative",
                                             "Instrumental Pop",
                                             "Instrumental Rock",
                                             "Ethnic",
                                             "Gothic",
                                             "Darkwave",
                                             "Techno-Industrial",
                                             "Electronic",
                                             "Pop-Folk",
                                             "Eurodance",
                                             "Dream",
                                             "Southern Rock",
                                             "Comedy",
                                             "Cult",
                                             "Gangsta",
                                             "Top 40",
                                             "Christian Rap",
                                             "Pop/Funk",
                                             "Jungle",
                                             "Native American",
                                             "Cabaret",
                                             "New Wave",
                                             "Psychadelic",
                                             "Rave",
                                             "Showtunes",
                                             "Trailer",
                                             "Lo-Fi",
                                             "Tribal",
                                             "Acid Punk",
                                             "Acid Jazz",
                                             "Polka",
                                             "Retro",
                                             "Musical",
                                             "Rock & Roll",
                                             "Hard Rock",
                                             "Folk",
                                             "Folk-Rock",
                                             "National Folk",
                                             "Swing",
                                             "Fast Fusion",
                                             "Bebob",
                                             "Latin",
                                             "Revival",
                                             "Celtic",
                                             "Bluegrass",
                                             "Avantgarde",
                                             "Gothic Rock",
                                             "Progressive Rock",
                                             "Psychedelic Rock",
                                             "Symphonic Rock",
                                             "Slow Rock",
                                             "Big Band",
                                             "Chorus",
                                             "Easy Listening",
                                             "Acoustic",
                                             "Humour",
                                             "Speech",
                                             "Chanson",
                                             "Opera",
                                             "Chamber Music",
                                             "Sonata",
                                             "Symphony",
                                             "Booty Bass",
                                             "Primus",
                                             "Porn Groove",
                                             "Satire",
                                             "Slow Jam",
                                             "Club",
                                             "Tango",
                                             "Samba",
                                             "Folklore",
                                             "Ballad",
                                             "Power Ballad",
                                             "Rhythmic Soul",
                                             "Freestyle",
                                             "Duet",
                                             "Punk Rock",
                                             "Drum Solo",
                                             "Acapella",
                                             "Euro-House",
                                             "Dance Hall",
                                             "Goa",
                                             "Drum & Bass",
                                             "Club-House",
                                             "Hardcore",
                                             "Terror",
                                             "Indie",
                                             "BritPop",
                                             "Negerpunk",
                                             "Polsk Punk",
                                             "Beat",
                                             "Christian Gangsta Rap",
                                             "Heavy Metal",
                                             "Black Metal",
                                             "Crossover",
                                             "Contemporary Christian",
                                             "Christian Rock",
                                             "Merengue",
                                             "Salsa",
                                             "Trash Metal",
                                             "Anime",
                                             "Jpop",
                                             "Synthpop"};

namespace {

constexpr int kTitle = 3, kArtist = 33, kAlbum = 63, kYear = 93, kComment = 97;
constexpr int kZeroByte = 125, kTrack = 126, kGenre = 127;

void PutText(Id3v1Record& tag, int offset, int width, const std::string& latin1) {
    const size_t n = std::min<size_t>(latin1.size(), width);
    std::memcpy(tag.data() + offset, latin1.data(), n);
}

} // namespace

std::vector<std::string> SortedGenreNames() {
    std::vector<std::string> names = GenreNames;
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

bool SameLetters(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

// "67" or "(67)": the genre byte it names, -1 for any other text.
int GenreNumber(const std::string& text) {
    std::string digits = text;
    if (digits.size() >= 2 && digits.front() == '(' && digits.back() == ')')
        digits = digits.substr(1, digits.size() - 2);
    if (digits.empty() || digits.size() > 3 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    const int n = std::stoi(digits);
    return n < static_cast<int>(GenreNames.size()) ? n : -1;
}

// Names other taggers give genres of the table under another spelling.
struct GenreAlias {
    const char* name;
    uint8_t byte;
};
constexpr GenreAlias kGenreAliases[] = {
    {"Psychedelic", 67},
    {"Alternative Rock", 40},
    {"Bebop", 85},
    {"Avant-garde", 91},
    {"Rock & Roll", 78},
    {"Rock 'n' Roll", 78},
    {"Hip Hop", 7},
    {"R & B", 14},
    {"Jazz-Funk", 29},
    {"Britpop", 132},
    {"A Cappella", 123},
    {"Dancehall", 125},
    {"Club House", 128},
    {"Synthpop", 147},
    {"Neue Deutsche Welle", 133},
};

} // namespace

uint8_t GenreByte(const std::string& name) {
    if (name.empty())
        return 255;
    for (size_t g = 0; g < GenreNames.size(); ++g)
        if (GenreNames[g] == name)
            return static_cast<uint8_t>(g);
    for (size_t g = 0; g < GenreNames.size(); ++g)
        if (SameLetters(GenreNames[g], name))
            return static_cast<uint8_t>(g);
    for (const GenreAlias& a : kGenreAliases)
        if (SameLetters(a.name, name))
            return a.byte;
    const int number = GenreNumber(name);
    return number >= 0 ? static_cast<uint8_t>(number) : 255;
}

void ClearTag(Id3v1Record& tag) {
    tag.fill(0);
}

bool IsTag(const Id3v1Record& tag) {
    return tag[0] == 'T' && tag[1] == 'A' && tag[2] == 'G';
}

void ClearTag(PartTagSlot& slot) {
    slot = PartTagSlot{};
}

namespace {

// The slot every part starts from with the source's ID3v1 record; an empty
// track when the record has none (its comment takes 30 bytes).
PartTagSlot Id3v1Slot(const LoadedFile& st) {
    PartTagSlot slot;
    const Id3v1Record& src = st.Id3v1Buffer;
    // A source tag is what the loader found: the flag and the bytes must agree.
    if (!st.HasId3v1 || !IsTag(src))
        return slot;
    slot.present = true;
    PartTagV2& f = slot.fields;
    f.title = TagText(src, kTitle, 30);
    f.artist = TagText(src, kArtist, 30);
    f.album = TagText(src, kAlbum, 30);
    f.year = TagText(src, kYear, 4);
    f.comment = TagText(src, kComment, 28);
    if (src[kZeroByte] == 0)
        f.track = std::to_string(src[kTrack]);
    if (src[kGenre] < GenreNames.size())
        f.genre = GenreNames[src[kGenre]];
    return slot;
}

// The leading number of a track text ("7", "7/12"), 0 when there is none.
int LeadingNumber(const std::string& text) {
    int n = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || n > 100000)
            break;
        n = n * 10 + (c - '0');
    }
    return n;
}

std::string YearDigits(const std::string& text) {
    std::string year;
    for (char c : text)
        if (c >= '0' && c <= '9' && year.size() < 4)
            year += c;
    return year;
}

// The track text as a number 1..255, or empty when it is none.
std::string TrackNumber(const std::string& text) {
    long track = 0;
    // Stops at once for a text too long to be a track number, so the value
    // never overflows.
    if (text.empty() || text.size() > 9)
        return {};
    for (char c : text) {
        if (c < '0' || c > '9')
            return {};
        track = track * 10 + (c - '0');
    }
    return track >= 1 && track <= 255 ? std::to_string(track) : std::string();
}

} // namespace

void CopySourceTag(const LoadedFile& source, PartTable& parts) {
    parts.FileTag = Id3v1Slot(source);
}

Id3v1Record Id3v1Of(const PartTagV2& tag) {
    TagFields fields;
    fields.title = tag.title;
    fields.artist = tag.artist;
    fields.album = tag.album;
    fields.year = tag.year;
    fields.comment = tag.comment;
    fields.genre = tag.genre;
    fields.track = std::to_string(LeadingNumber(tag.track));
    Id3v1Record record{};
    StoreTagRecord(record, fields);
    return record;
}

Id3v1Record PartId3v1(const PartTable& parts, int n) {
    const PartTagSlot tag = EffectivePartTag(parts, n);
    if (!tag.present)
        return Id3v1Record{};
    PartTagV2 fields = tag.fields;
    if (fields.track.empty())
        fields.track = std::to_string(n <= 255 ? n : 0);
    return Id3v1Of(fields);
}

std::string Latin1ToUtf8(const std::string& latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (unsigned char c : latin1) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string Utf8ToLatin1(const std::string& utf8) {
    std::string out;
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t n = utf8.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        int len = 0;
        uint32_t cp = 0;
        if (c < 0x80) {
            len = 1;
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            out += '?';
            ++i;
            continue;
        }
        bool ok = i + len <= n;
        for (int k = 1; ok && k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        if (!ok) {
            out += '?';
            ++i;
            continue;
        }
        // Overlong forms are malformed too.
        const bool overlong =
            (len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
        out += (cp <= 0xFF && !overlong) ? static_cast<char>(cp) : '?';
        i += len;
    }
    return out;
}

std::string TagText(const Id3v1Record& tag, int offset, int width) {
    std::string raw;
    for (int i = 0; i < width && offset + i < 128; ++i) {
        const uint8_t b = tag[offset + i];
        if (b == 0)
            break;
        raw += static_cast<char>(b);
    }
    return Latin1ToUtf8(raw);
}

std::string TagTitle(const Id3v1Record& tag) {
    return TagText(tag, kTitle, 30);
}
std::string TagArtist(const Id3v1Record& tag) {
    return TagText(tag, kArtist, 30);
}
std::string TagAlbum(const Id3v1Record& tag) {
    return TagText(tag, kAlbum, 30);
}

bool ShowsFileTag(const PartTable& parts, int n) {
    return n == 0 || (PartCount(parts) <= 1 && n == 1);
}

TagFields ReadTagFields(const LoadedFile& source, const PartTable& parts, int n) {
    TagFields f;
    const bool file = ShowsFileTag(parts, n);
    if (!file && !IsPartNumber(parts, n))
        return f;
    const PartTagSlot tag = file ? parts.FileTag : EffectivePartTag(parts, n);
    const PartTagV2& slot = tag.fields;
    f.partName = file ? "Original File" : "Part(" + std::to_string(n) + ")";
    f.title = slot.title;
    f.artist = slot.artist;
    f.album = slot.album;
    f.year = slot.year;
    f.comment = slot.comment;
    // Without a source tag the genre shows only in the panel (from the slot).
    if ((source.HasId3v1 || source.HasId3v2) && GenreByte(slot.genre) != 255)
        f.genre = GenreNames[GenreByte(slot.genre)];
    // The track the part is written with, also where the source has no tag:
    // the part's own number ("Original File" is part 1) unless it has one.
    PartTagV2 numbered = slot;
    if (numbered.track.empty())
        numbered.track = std::to_string(file ? 1 : (n <= 255 ? n : 0));
    const Id3v1Record record = Id3v1Of(numbered);
    f.track = std::to_string(record[kTrack]);
    return f;
}

namespace {

// The fields the user changed in the panel, as TagField bits, with their
// stored texts in `out`.
unsigned ChangedFields(const TagFields& fields, const TagFields& shown, PartTagV2& out) {
    unsigned changed = 0;
    const auto take = [&](TagField bit, std::string& to, const std::string& typed,
                          const std::string& was) {
        if (typed != was) {
            to = typed;
            changed |= bit;
        }
    };
    take(kTagTitle, out.title, fields.title, shown.title);
    take(kTagArtist, out.artist, fields.artist, shown.artist);
    take(kTagAlbum, out.album, fields.album, shown.album);
    take(kTagComment, out.comment, fields.comment, shown.comment);
    // The year by its digits ("2021" leaves "2021-05-01"), stored as the
    // ID3v1 record holds it.
    if (YearDigits(fields.year) != YearDigits(shown.year)) {
        out.year = YearDigits(fields.year);
        out.year.resize(4, ' ');
        changed |= kTagYear;
    }
    if (fields.genre != shown.genre) {
        out.genre = GenreByte(fields.genre) != 255 ? fields.genre : std::string();
        changed |= kTagGenre;
    }
    if (const std::string track = TrackNumber(fields.track);
        fields.track != shown.track && !track.empty()) {
        out.track = track;
        changed |= kTagTrack;
    }
    return changed;
}

constexpr TagField kEveryField[] = {kTagTitle,   kTagArtist, kTagAlbum, kTagYear,
                                    kTagComment, kTagGenre,  kTagTrack};

} // namespace

void StoreTagFields(const LoadedFile& source, PartTable& parts, int n, const TagFields& fields) {
    const bool file = ShowsFileTag(parts, n);
    if (!file && !IsPartNumber(parts, n))
        return;
    PartTagV2 typed;
    const unsigned changed = ChangedFields(fields, ReadTagFields(source, parts, n), typed);
    if (file) {
        PartTagSlot& tag = parts.FileTag;
        if (!tag.present) { // a file without a tag gets one, without a track
            tag = PartTagSlot{};
            tag.present = true;
            tag.fields.track = "0";
        }
        for (TagField f : kEveryField)
            if (changed & f)
                TagFieldText(tag.fields, f) = TagFieldText(typed, f);
        return;
    }
    PartRecord& part = parts.Parts[static_cast<size_t>(n - 1)];
    // A part of a file without a tag that gets one carries no track.
    if (!parts.FileTag.present && part.ownFields == 0 && !(changed & kTagTrack)) {
        part.own.track = "0";
        part.ownFields |= kTagTrack;
    }
    for (TagField f : kEveryField)
        if (changed & f)
            TagFieldText(part.own, f) = TagFieldText(typed, f);
    part.ownFields |= changed;
}

void StoreTagRecord(Id3v1Record& slot, const TagFields& fields) {
    std::fill(slot.begin(), slot.begin() + kZeroByte, 0);
    std::memcpy(slot.data(), "TAG", 3);
    PutText(slot, kTitle, 30, Utf8ToLatin1(fields.title));
    PutText(slot, kArtist, 30, Utf8ToLatin1(fields.artist));
    PutText(slot, kAlbum, 30, Utf8ToLatin1(fields.album));
    // The year holds digits only; anything else that reached the field is dropped.
    std::string year = YearDigits(fields.year);
    year.resize(4, ' ');
    PutText(slot, kYear, 4, year);
    PutText(slot, kComment, 28, Utf8ToLatin1(fields.comment));
    slot[kZeroByte] = 0;
    slot[kGenre] = GenreByte(fields.genre);
    // A track that is not a number 1..255 leaves the byte as it was.
    if (const std::string track = TrackNumber(fields.track); !track.empty())
        slot[kTrack] = static_cast<uint8_t>(std::stoi(track));
}

} // namespace tessivo
