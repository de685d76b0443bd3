#include "core/cutlist/apply_cut_list.h"

#include "core/output/id3v1_tag.h"
#include "core/parts/cut_lines.h"
#include "core/parts/part_times.h"

#include <algorithm>

namespace tessivo {

namespace {

std::string WithoutTrailingSpaces(std::string s) {
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

// Writes what the list says about part k into its tag; a part the list says
// nothing about keeps the tag it has.
void TagPart(ProgramState& st, int k, const CutPart& part, const CutList& list) {
    const CutPartTag said = TagOfCutPart(list, part);
    if (said.Empty())
        return;
    TagFields f = ReadTagFields(st, k);
    if (!said.title.empty())
        f.title = said.title;
    if (!said.artist.empty())
        f.artist = said.artist;
    if (!said.album.empty())
        f.album = said.album;
    StoreTagFields(st, k, f);
}

// The text every part's tag has in one field, or "" when they differ.
template <class Field> std::string SharedTagText(const ProgramState& st, Field field) {
    std::string shared;
    for (int k = 1; k <= st.CutCount; ++k) {
        const Id3v1Record tag = PartId3v1(st, k);
        const std::string text = IsTag(tag) ? WithoutTrailingSpaces(field(tag)) : std::string();
        if (k > 1 && text != shared)
            return "";
        shared = text;
    }
    return shared;
}

} // namespace

FrameCutList ApplyCutList(ProgramState& st, const CutList& list) {
    FrameCutList placed = PlaceCutList(list, TimeBaseOf(st), st.FrameCount);
    const int count = static_cast<int>(std::min<size_t>(placed.cuts.size(), kMaxCutLines));
    CopySourceTag(st);
    st.CutCount = std::max(count, 1);
    st.CutLine[1] = 0;
    st.PartUsed[1] = true;
    for (int k = 1; k <= count; ++k) {
        st.CutLine[k] = placed.cuts[k - 1];
        st.PartUsed[k] = placed.parts[k - 1].used;
        TagPart(st, k, placed.parts[k - 1], list);
    }
    for (int k = 1; k <= st.CutCount; ++k)
        st.PartSaved[k] = false;
    st.SelectedPart = 0;
    DeriveParts(st);
    return placed;
}

FrameCutList CutListOfTable(const ProgramState& st) {
    FrameCutList out;
    for (int k = 1; k <= st.CutCount; ++k) {
        // The titles as the parts' ID3v1 records hold them.
        const Id3v1Record tag = PartId3v1(st, k);
        out.cuts.push_back(st.CutLine[k]);
        out.samples.push_back(PartCutSample(st, k));
        out.parts.push_back(IsTag(tag)
                                ? CutPart{WithoutTrailingSpaces(TagTitle(tag)),
                                          WithoutTrailingSpaces(TagArtist(tag)), st.PartUsed[k]}
                                : CutPart{"", "", st.PartUsed[k]});
    }
    return out;
}

CutListSource CutListSourceOf(const ProgramState& st) {
    CutListSource source;
    source.fileName = st.FileName.substr(st.FileName.find_last_of('/') + 1);
    source.album = SharedTagText(st, [](const Id3v1Record& t) { return TagAlbum(t); });
    source.albumArtist = SharedTagText(st, [](const Id3v1Record& t) { return TagArtist(t); });
    return source;
}

} // namespace tessivo
