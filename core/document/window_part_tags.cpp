#include "core/document/window_part_tags.h"

#include "core/output/id3v1_tag.h"

#include <string>

namespace tessivo {

namespace {

std::string WithoutTrailingSpaces(std::string s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

// The slot's text replaces `field` when the user changed it in the slot.
void TakeChanged(std::string& field, const std::string& slotText, size_t width) {
    const std::string slot = WithoutTrailingSpaces(Utf8ToLatin1(slotText));
    if (slot.empty())
        return;
    if (slot != WithoutTrailingSpaces(Utf8ToLatin1(field).substr(0, width)))
        field = WithoutTrailingSpaces(slotText);
}

// The track byte replaces the part's track when it is neither empty, nor the
// source's track, nor the part number the slot was given when none was set.
void TakeChangedTrack(std::string& track, const std::string& slotTrack, int k) {
    if (slotTrack.empty() || slotTrack == "0" || slotTrack == std::to_string(k))
        return;
    const std::string sourceNumber = track.substr(0, track.find('/'));
    if (slotTrack != sourceNumber)
        track = slotTrack;
}

} // namespace

PartTags WindowPartTags(const ProgramState& st, SourceTag source) {
    PartTags tags = MakePartTags(st, std::move(source));
    for (int k = 1; k <= st.CutCount && k < static_cast<int>(tags.part.size()); ++k) {
        if (!IsTag(st.PartTag[k]))
            continue;
        const TagFields slot = ReadTagFields(st, k);
        PartTagV2& part = tags.part[k];
        TakeChanged(part.title, slot.title, 30);
        TakeChanged(part.artist, slot.artist, 30);
        TakeChanged(part.album, slot.album, 30);
        TakeChanged(part.year, slot.year, 4);
        TakeChanged(part.comment, slot.comment, 28);
        TakeChanged(part.genre, slot.genre, 30);
        TakeChangedTrack(part.track, slot.track, k);
    }
    return tags;
}

} // namespace tessivo
