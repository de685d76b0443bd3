// Fuzz target: filling the part tag slots from an arbitrary 128-byte source
// block, reading the slots back as panel fields and storing fields (from the
// slots, and arbitrary bytes) again.
//
// Input: the last 128 bytes are the source's ID3v1 block (zero-padded in
// front when the input is shorter); the bytes before them, cut at zero bytes,
// are free text for the panel fields.
#include "core/output/id3v1_tag.h"
#include "core/state/program_state.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tessivo;
    auto st = std::make_unique<ProgramState>();
    const size_t tagBytes = std::min<size_t>(size, 128);
    std::memcpy(st->Id3v1Buffer.data() + (128 - tagBytes), data + (size - tagBytes), tagBytes);
    st->HasId3v1 = IsTag(st->Id3v1Buffer);
    st->Parts.resize(3);

    CopySourceTag(*st, *st);
    const Id3v1Record& src = st->Id3v1Buffer;
    for (int n : {1, 2, 255, 256, 1000}) {
        const Id3v1Record slot = PartId3v1(*st, n);
        if (!st->HasId3v1) {
            for (uint8_t b : slot)
                Check(b == 0);
            continue;
        }
        // The part's record holds the source's texts and genre.
        for (const auto& [offset, width] : {std::pair{3, 30}, {33, 30}, {63, 30}, {97, 28}})
            Check(TagText(slot, offset, width) == TagText(src, offset, width));
        Check(slot[125] == 0 && slot[127] == (src[127] < GenreNames.size() ? src[127] : 255));
        if (st->Id3v1Buffer[125] == 0)
            Check(slot[126] == st->Id3v1Buffer[126]);
        else
            Check(slot[126] == (n <= 255 ? n : 0));
    }

    // Read a slot as the panel shows it and store it into another slot: the
    // texts and the genre survive exactly.
    const TagFields f = ReadTagFields(*st, *st, 2);
    StoreTagFields(*st, *st, 3, f);
    const TagFields g = ReadTagFields(*st, *st, 3);
    Check(g.title == f.title && g.artist == f.artist && g.album == f.album);
    Check(g.comment == f.comment);
    if (st->HasId3v1)
        Check(g.genre == f.genre);
    Check(IsTag(PartId3v1(*st, 3)) && PartId3v1(*st, 3)[125] == 0);

    // Arbitrary bytes (often malformed UTF-8) as every field.
    std::vector<std::string> texts;
    std::string cur;
    for (size_t i = 0; i + tagBytes < size; ++i) {
        if (data[i] == 0) {
            texts.push_back(cur);
            cur.clear();
        } else {
            cur += static_cast<char>(data[i]);
        }
    }
    texts.push_back(cur);
    texts.resize(8);
    TagFields h{"", texts[0], texts[1], texts[2], texts[3], texts[4], texts[5], texts[6]};
    StoreTagFields(*st, *st, 3, h);
    const Id3v1Record s = PartId3v1(*st, 3);
    Check(IsTag(s) && s[125] == 0);
    for (int i = 93; i < 97; ++i)
        Check((s[i] >= '0' && s[i] <= '9') || s[i] == ' ');
    // The slot keeps the texts in full; its record cuts them to the widths.
    const TagFields k = ReadTagFields(*st, *st, 3);
    Check(k.title == texts[0] && k.comment == texts[4]);
    Check(TagTitle(s).size() <= 60 && TagText(s, 97, 28).size() <= 56);
    // ISO-8859-1 text survives the trip through UTF-8.
    Check(Utf8ToLatin1(Latin1ToUtf8(texts[7])) == texts[7]);
    (void)TagTitle(s);
    (void)GenreByte(texts[5]);
    return 0;
}
