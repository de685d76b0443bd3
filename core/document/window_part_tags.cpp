#include "core/document/window_part_tags.h"

#include "core/parts/part_access.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

namespace tessivo {

namespace {

std::string WithoutTrailingSpaces(std::string s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

PartTagV2 WrittenFields(const PartTagV2& slot) {
    PartTagV2 t;
    for (auto [to, from] : {std::pair{&t.title, &slot.title},
                            {&t.artist, &slot.artist},
                            {&t.album, &slot.album},
                            {&t.year, &slot.year},
                            {&t.comment, &slot.comment},
                            {&t.genre, &slot.genre}})
        *to = WithoutTrailingSpaces(*from);
    if (t.title.empty())
        t.title = "{name} - part {n}";
    if (std::strtol(slot.track.c_str(), nullptr, 10) > 0)
        t.track = slot.track;
    return t;
}

} // namespace

PartTags WindowPartTags(const PartTable& parts, SourceTag source) {
    PartTags tags;
    tags.source = std::move(source);
    tags.part.assign(static_cast<size_t>(PartCount(parts)) + 1, PartTagV2{});
    for (int k = 1; k <= PartCount(parts); ++k)
        tags.part[static_cast<size_t>(k)] = WrittenFields(EffectivePartTag(parts, k).fields);
    return tags;
}

} // namespace tessivo
