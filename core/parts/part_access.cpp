#include "core/parts/part_access.h"

#include <algorithm>

namespace tessivo {

namespace {

constexpr TagField kAllFields[] = {kTagTitle,   kTagArtist, kTagAlbum, kTagYear,
                                   kTagComment, kTagGenre,  kTagTrack};

} // namespace

int TickedPartCount(const PartTable& t) {
    return static_cast<int>(std::count_if(t.Parts.begin(), t.Parts.end(),
                                          [](const PartRecord& p) { return p.ticked; }));
}

std::vector<int32_t> CutLineFrames(const PartTable& t) {
    std::vector<int32_t> cuts;
    for (size_t i = 1; i < t.Parts.size(); ++i)
        cuts.push_back(t.Parts[i].start);
    return cuts;
}

std::string& TagFieldText(PartTagV2& tag, TagField field) {
    return const_cast<std::string&>(TagFieldText(static_cast<const PartTagV2&>(tag), field));
}

const std::string& TagFieldText(const PartTagV2& tag, TagField field) {
    switch (field) {
    case kTagTitle:
        return tag.title;
    case kTagArtist:
        return tag.artist;
    case kTagAlbum:
        return tag.album;
    case kTagYear:
        return tag.year;
    case kTagComment:
        return tag.comment;
    case kTagGenre:
        return tag.genre;
    case kTagTrack:
        break;
    }
    return tag.track;
}

PartTagSlot EffectivePartTag(const PartTable& t, int k) {
    PartTagSlot tag = t.FileTag;
    if (!IsPartNumber(t, k))
        return tag;
    const PartRecord& part = PartAt(t, k);
    if (part.ownFields == 0)
        return tag;
    tag.present = true;
    for (TagField f : kAllFields)
        if (part.ownFields & f)
            TagFieldText(tag.fields, f) = TagFieldText(part.own, f);
    return tag;
}

} // namespace tessivo
