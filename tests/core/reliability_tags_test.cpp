// Tag slots from arbitrary bytes: regression cases the tag-slot fuzz target
// found, and the properties it checks, on fixed inputs.
#include "core/output/id3v1_tag.h"
#include "core/state/program_state.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

using namespace tessivo;

namespace {

std::unique_ptr<ProgramState> WithSlot(int n, uint8_t track) {
    auto st = std::make_unique<ProgramState>();
    st->Parts.resize(static_cast<size_t>(n));
    st->Parts[size_t(n - 1)].own.track = std::to_string(track);
    st->Parts[size_t(n - 1)].ownFields = kTagTrack;
    return st;
}

} // namespace

// A track text of many digits (the fuzz target's crash: the value overflowed
// while it was read) leaves the track byte as it was, like any other text
// that is not a number 1..255.
TEST(ReliabilityTags, LongDigitTrackTextsLeaveTheTrackByte) {
    for (const std::string& track :
         {std::string(25, '9'), std::string(19, '9') + "0", std::string(10, '1'),
          std::string("0000000007"), std::string("256"), std::string("-5"), std::string("")}) {
        auto st = WithSlot(4, 42);
        TagFields f;
        f.title = "Title";
        f.track = track;
        StoreTagFields(*st, *st, 4, f);
        EXPECT_EQ(PartId3v1(*st, 4)[126], 42) << "track text \"" << track << "\"";
        EXPECT_EQ(TagTitle(PartId3v1(*st, 4)), "Title");
    }
    for (const auto& [text, byte] :
         {std::pair<std::string, int>{"000000007", 7}, {"255", 255}, {"1", 1}}) {
        auto st = WithSlot(4, 42);
        TagFields f;
        f.track = text;
        StoreTagFields(*st, *st, 4, f);
        EXPECT_EQ(PartId3v1(*st, 4)[126], byte) << text;
    }
}

// Any 128 bytes as the source tag: a block that begins with "TAG" fills
// every slot with its fields, anything else empties them; read back and
// stored again, the texts and the genre are unchanged.
TEST(ReliabilityTags, ArbitrarySourceBlocksFillAndRoundTrip) {
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<uint8_t>(seed >> 16);
    };
    for (int round = 0; round < 200; ++round) {
        auto st = std::make_unique<ProgramState>();
        st->Parts.resize(3);
        for (auto& b : st->Id3v1Buffer)
            b = next();
        if (round % 2 == 0)
            std::copy_n("TAG", 3, st->Id3v1Buffer.begin());
        st->HasId3v1 = IsTag(st->Id3v1Buffer);
        CopySourceTag(*st, *st);
        const Id3v1Record slot = PartId3v1(*st, 300);
        if (!st->HasId3v1) {
            EXPECT_EQ(slot, Id3v1Record{}) << round;
            continue;
        }
        // The part's record holds the source's texts (up to their first zero).
        for (const auto& [offset, width] : {std::pair{3, 30}, {33, 30}, {63, 30}, {97, 28}})
            EXPECT_EQ(TagText(slot, offset, width), TagText(st->Id3v1Buffer, offset, width))
                << round;
        EXPECT_EQ(slot[125], 0);
        const TagFields f = ReadTagFields(*st, *st, 2);
        StoreTagFields(*st, *st, 3, f);
        const TagFields g = ReadTagFields(*st, *st, 3);
        EXPECT_EQ(g.title, f.title) << round;
        EXPECT_EQ(g.artist, f.artist) << round;
        EXPECT_EQ(g.album, f.album) << round;
        EXPECT_EQ(g.comment, f.comment) << round;
        EXPECT_EQ(g.genre, f.genre) << round;
    }
}
