// ID3v1 records, the genre table, filling the part slots from the source tag
// and storing the tag panel's fields.
#include "core/output/id3v1_tag.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>

using namespace tessivo;

namespace {

// The last 128 bytes of a fixture, read straight from the file.
Id3v1Record LastBlock(const std::string& name) {
    std::ifstream in(std::string(TESSIVO_FIXTURES) + "/" + name, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    Id3v1Record r{};
    if (bytes.size() >= 128)
        std::memcpy(r.data(), bytes.data() + bytes.size() - 128, 128);
    return r;
}

std::unique_ptr<ProgramState> StateWithSource(const std::string& fixture) {
    auto st = std::make_unique<ProgramState>();
    st->Id3v1Buffer = LastBlock(fixture);
    st->HasId3v1 = std::memcmp(st->Id3v1Buffer.data(), "TAG", 3) == 0;
    st->Parts.resize(3);
    return st;
}

std::string Bytes(const Id3v1Record& r, int offset, int size) {
    return std::string(reinterpret_cast<const char*>(r.data()) + offset, size);
}

} // namespace

TEST(GenreTable, HasTheNamesAsWrittenAtTheirBytes) {
    ASSERT_EQ(GenreNames.size(), 148u);
    EXPECT_EQ(GenreNames[0], "Blues");
    EXPECT_EQ(GenreNames[17], "Rock");
    EXPECT_EQ(GenreNames[67], "Psychadelic");
    EXPECT_EQ(GenreNames[85], "Bebob");
    EXPECT_EQ(GenreNames[93], "Psychedelic Rock");
    EXPECT_EQ(GenreNames[144], "Trash Metal");
    EXPECT_EQ(GenreNames[146], "Jpop");
    EXPECT_EQ(GenreNames[147], "Synthpop");
    EXPECT_EQ(std::set<std::string>(GenreNames.begin(), GenreNames.end()).size(), 148u);
    const std::vector<std::string> sorted = SortedGenreNames();
    EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end()));
    EXPECT_TRUE(std::is_permutation(sorted.begin(), sorted.end(), GenreNames.begin()));
    EXPECT_EQ(GenreByte("Psychadelic"), 67);
    // Any case, the spelling other taggers use, and the byte's number.
    EXPECT_EQ(GenreByte("psychadelic"), 67);
    EXPECT_EQ(GenreByte("Psychedelic"), 67);
    EXPECT_EQ(GenreByte("(67)"), 67);
    EXPECT_EQ(GenreByte("67"), 67);
    EXPECT_EQ(GenreByte("hip-hop"), 7);
    EXPECT_EQ(GenreByte("(400)"), 255);
    EXPECT_EQ(GenreByte("Psych"), 255);
    EXPECT_EQ(GenreByte(""), 255);
}

TEST(CopySourceTag, SourceTrackNumberGoesToEverySlot) {
    auto st = StateWithSource("id3v1_track.mp3");
    ASSERT_TRUE(st->HasId3v1);
    ASSERT_EQ(st->Id3v1Buffer[125], 0);
    CopySourceTag(*st, *st);
    for (int n : {1, 2, 255, 256, 1000}) {
        const Id3v1Record slot = PartId3v1(*st, n);
        EXPECT_TRUE(IsTag(slot));
        EXPECT_EQ(Bytes(slot, 0, 125), Bytes(st->Id3v1Buffer, 0, 125)) << n;
        EXPECT_EQ(slot[125], 0);
        EXPECT_EQ(slot[126], 7) << n;
        EXPECT_EQ(slot[127], 17);
    }
}

TEST(CopySourceTag, FullCommentSourceNumbersTheSlots) {
    auto st = StateWithSource("id3v1_notrack.mp3");
    ASSERT_TRUE(st->HasId3v1);
    ASSERT_NE(st->Id3v1Buffer[125], 0);
    CopySourceTag(*st, *st);
    for (int n : {1, 2, 99, 255}) {
        EXPECT_EQ(PartId3v1(*st, n)[126], n);
        EXPECT_EQ(PartId3v1(*st, n)[125], 0);
        EXPECT_EQ(Bytes(PartId3v1(*st, n), 97, 28), Bytes(st->Id3v1Buffer, 97, 28));
        EXPECT_EQ(PartId3v1(*st, n)[127], 255);
    }
    EXPECT_EQ(PartId3v1(*st, 256)[126], 0);
    EXPECT_EQ(PartId3v1(*st, 1000)[126], 0);
    EXPECT_EQ(TagTitle(PartId3v1(*st, 5)), "Old Title");
    EXPECT_EQ(TagArtist(PartId3v1(*st, 5)), "Old Artist");
    EXPECT_EQ(TagAlbum(PartId3v1(*st, 5)), "Old Album");
}

TEST(CopySourceTag, NoSourceTagEmptiesEverySlot) {
    auto st = StateWithSource("id3v1_track.mp3");
    CopySourceTag(*st, *st);
    // The next file has no tag: nothing of the first one survives.
    st->Id3v1Buffer = LastBlock("cbr128_stereo.mp3");
    st->HasId3v1 = false;
    CopySourceTag(*st, *st);
    for (int n = 1; n <= 1000; ++n) {
        const Id3v1Record record = PartId3v1(*st, n);
        ASSERT_TRUE(std::all_of(record.begin(), record.end(), [](uint8_t b) { return b == 0; }))
            << n;
    }
}

TEST(TagFields, ShowOriginalFileWithTheSourceCommentAndGenreName) {
    auto st = StateWithSource("id3v1_notrack.mp3");
    CopySourceTag(*st, *st);
    st->Parts.resize(1);
    TagFields f = ReadTagFields(*st, *st, 1);
    EXPECT_EQ(f.partName, "Original File");
    EXPECT_EQ(f.comment, "A comment of thirty characte"); // bytes 97..124 of the source
    EXPECT_EQ(f.year, "1999");
    EXPECT_EQ(f.genre, ""); // 255
    EXPECT_EQ(f.track, "1");
    st->Parts.resize(3);
    f = ReadTagFields(*st, *st, 3);
    EXPECT_EQ(f.partName, "Part(3)");
    EXPECT_EQ(f.comment, "A comment of thirty characte");
    EXPECT_EQ(f.track, "3");

    st = StateWithSource("id3v1_track.mp3");
    CopySourceTag(*st, *st);
    EXPECT_EQ(ReadTagFields(*st, *st, 2).genre, "Rock");
    // Without a source tag the genre box stays empty whatever the slot holds,
    // and the original file's comment does not show the file's audio bytes.
    st->HasId3v1 = false;
    st->Parts.resize(1);
    st->Id3v1Buffer.fill('A');
    f = ReadTagFields(*st, *st, 1);
    EXPECT_EQ(f.genre, "");
    EXPECT_EQ(f.comment.find("AAAA"), std::string::npos);
}

TEST(TagFields, StoreCutsFieldsToTheirWidths) {
    ProgramState st;
    st.HasId3v1 = true;
    st.Parts.resize(5);
    st.Parts[3].own.track = "9";
    st.Parts[3].ownFields = kTagTrack;
    TagFields f;
    f.title = std::string(35, 't');
    f.artist = "Artist";
    f.album = std::string(30, 'a');
    f.year = "99";
    f.comment = std::string(40, 'c');
    f.genre = "Psychadelic";
    StoreTagFields(st, st, 4, f);
    const Id3v1Record r = PartId3v1(st, 4);
    EXPECT_EQ(Bytes(r, 0, 3), "TAG");
    EXPECT_EQ(Bytes(r, 3, 30), std::string(30, 't'));
    EXPECT_EQ(Bytes(r, 33, 30), std::string("Artist") + std::string(24, '\0'));
    EXPECT_EQ(Bytes(r, 63, 30), std::string(30, 'a'));
    EXPECT_EQ(Bytes(r, 93, 4), std::string("\x39\x39\x20\x20"));
    EXPECT_EQ(Bytes(r, 97, 28), std::string(28, 'c'));
    EXPECT_EQ(r[125], 0);
    EXPECT_EQ(r[126], 9); // an empty track leaves the byte as it was
    EXPECT_EQ(r[127], 67);
    EXPECT_EQ(TagTitle(r), std::string(30, 't'));

    // The part keeps the title in full; its ID3v1 record cuts it.
    const TagFields back = ReadTagFields(st, st, 4);
    EXPECT_EQ(back.title, std::string(35, 't'));
    EXPECT_EQ(back.year, "99  "); // trailing spaces are part of the text
    EXPECT_EQ(back.genre, "Psychadelic");
    EXPECT_EQ(back.track, "9");
}

TEST(TagFields, StoreOverwritesOldTextAndHandlesTrackAndGenreEdgeCases) {
    ProgramState st;
    TagFields f;
    f.title = "A long old title of many words";
    f.track = "12";
    f.genre = "Rock";
    StoreTagFields(st, st, 1, f);
    f.title = "New";
    f.track = "0"; // 0 leaves the track as it was
    f.genre = "Not A Genre";
    StoreTagFields(st, st, 1, f);
    EXPECT_EQ(Bytes(PartId3v1(st, 1), 3, 30), std::string("New") + std::string(27, '\0'));
    EXPECT_EQ(PartId3v1(st, 1)[126], 12);
    EXPECT_EQ(PartId3v1(st, 1)[127], 255);
    for (const char* bad : {"256", "1000", "x", "-3", "99999999999"}) {
        f.track = bad;
        StoreTagFields(st, st, 1, f);
        EXPECT_EQ(PartId3v1(st, 1)[126], 12) << bad;
    }
    f.track = "255";
    StoreTagFields(st, st, 1, f);
    EXPECT_EQ(PartId3v1(st, 1)[126], 255);
    // 0 is the file tag; numbers outside the table store nothing.
    StoreTagFields(st, st, 0, f);
    EXPECT_TRUE(IsTag(PartId3v1(st, 0)));
    StoreTagFields(st, st, 1001, f);
    StoreTagFields(st, st, -1, f);
}

TEST(TagFields, TextIsStoredAsIso88591) {
    ProgramState st;
    st.Parts.resize(2);
    TagFields f;
    f.title = "Caf\xC3\xA9 \xCE\xA9mega \xF0\x9F\x8E\xB5!"; // Café Ωmega 🎵!
    f.artist = "bad \xC3 byte \xC0\xAF end";                // truncated and overlong forms
    f.comment = std::string(27, 'x') + "\xC3\xA9\xC3\xA9";  // 29 characters
    StoreTagFields(st, st, 2, f);
    EXPECT_EQ(Bytes(PartId3v1(st, 2), 3, 13), "Caf\xE9 ?mega ?!");
    EXPECT_EQ(TagTitle(PartId3v1(st, 2)), "Caf\xC3\xA9 ?mega ?!");
    EXPECT_EQ(TagArtist(PartId3v1(st, 2)), "bad ? byte ? end");
    EXPECT_EQ(Bytes(PartId3v1(st, 2), 97, 28), std::string(27, 'x') + "\xE9");
    // A field that fills its whole width has no terminating zero.
    EXPECT_EQ(TagText(PartId3v1(st, 2), 97, 28), std::string(27, 'x') + "\xC3\xA9");
}

TEST(TagFields, YearKeepsDigitsOnly) {
    ProgramState st;
    TagFields f;
    f.year = "019999";
    StoreTagFields(st, st, 1, f);
    EXPECT_EQ(Bytes(PartId3v1(st, 1), 93, 4), "0199");
    f.year = "";
    StoreTagFields(st, st, 1, f);
    EXPECT_EQ(Bytes(PartId3v1(st, 1), 93, 4), "    ");
    f.year = "20a5";
    StoreTagFields(st, st, 1, f);
    EXPECT_EQ(Bytes(PartId3v1(st, 1), 93, 4), "205 ");
}
