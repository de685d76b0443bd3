#include "core/cutlist/apply_cut_list.h"

#include "core/output/id3v1_tag.h"
#include "core/parts/cut_lines.h"
#include "core/parts/part_access.h"
#include "core/parts/part_times.h"

#include <algorithm>
#include <utility>

namespace tessivo {

namespace {

std::string WithoutTrailingSpaces(std::string s) {
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

// Writes what the list says about part k into its own tag fields; a part
// the list says nothing about inherits the file tag.
void TagPart(PartTable& parts, int k, const CutPart& part, const CutList& list) {
    const CutPartTag said = TagOfCutPart(list, part);
    PartRecord& record = parts.Parts[static_cast<size_t>(k - 1)];
    for (auto [bit, text] : {std::pair{kTagTitle, &said.title},
                             {kTagArtist, &said.artist},
                             {kTagAlbum, &said.album}}) {
        if (text->empty())
            continue;
        TagFieldText(record.own, bit) = *text;
        record.ownFields |= bit;
    }
}

// The text every part's tag has in one field, or "" when they differ.
std::string SharedTagText(const PartTable& parts, TagField field) {
    std::string shared;
    for (int k = 1; k <= PartCount(parts); ++k) {
        const PartTagSlot tag = EffectivePartTag(parts, k);
        const std::string text =
            tag.present ? WithoutTrailingSpaces(TagFieldText(tag.fields, field)) : std::string();
        if (k > 1 && text != shared)
            return "";
        shared = text;
    }
    return shared;
}

} // namespace

FrameCutList ApplyCutList(const StreamFacts& stream, PartTable& parts, const CutList& list) {
    FrameCutList placed = PlaceCutList(list, TimeBaseOf(stream), stream.FrameCount);
    const size_t count = std::min<size_t>(placed.cuts.size(), kMaxParts);
    const std::vector<int32_t> cuts(placed.cuts.begin() + (count > 0 ? 1 : 0),
                                    placed.cuts.begin() + static_cast<std::ptrdiff_t>(count));
    ReplaceParts(stream, parts, cuts);
    for (int k = 1; k <= static_cast<int>(count) && k <= PartCount(parts); ++k) {
        parts.Parts[static_cast<size_t>(k - 1)].ticked =
            placed.parts[static_cast<size_t>(k - 1)].used;
        TagPart(parts, k, placed.parts[static_cast<size_t>(k - 1)], list);
        if (static_cast<size_t>(k - 1) < placed.samples.size())
            SetPartCutSample(stream, parts, k, placed.samples[static_cast<size_t>(k - 1)]);
    }
    return placed;
}

FrameCutList CutListOfTable(const PartTable& parts) {
    FrameCutList out;
    for (int k = 1; k <= PartCount(parts); ++k) {
        const PartTagSlot tag = EffectivePartTag(parts, k);
        out.cuts.push_back(PartFirstFrame(parts, k));
        out.samples.push_back(PartCutSample(parts, k));
        out.parts.push_back(tag.present ? CutPart{WithoutTrailingSpaces(tag.fields.title),
                                                  WithoutTrailingSpaces(tag.fields.artist),
                                                  PartTicked(parts, k)}
                                        : CutPart{"", "", PartTicked(parts, k)});
    }
    return out;
}

CutListSource CutListSourceOf(const LoadedFile& loaded, const PartTable& parts) {
    CutListSource source;
    source.fileName = loaded.FileName.substr(loaded.FileName.find_last_of('/') + 1);
    source.album = SharedTagText(parts, kTagAlbum);
    source.albumArtist = SharedTagText(parts, kTagArtist);
    return source;
}

} // namespace tessivo
