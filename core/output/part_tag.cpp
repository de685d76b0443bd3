#include "core/output/part_tag.h"

#include "core/analysis/time_base.h"
#include "core/output/id3v1_tag.h"
#include "core/parts/part_access.h"
#include "mp3/info_frame.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace tessivo {

namespace {

constexpr std::array<std::pair<TagFormat, const char*>, 5> kFormatTexts = {{
    {TagFormat::V1, "v1"},
    {TagFormat::V23, "v2.3"},
    {TagFormat::V24, "v2.4"},
    {TagFormat::V1V23, "v1+v2.3"},
    {TagFormat::V1V24, "v1+v2.4"},
}};

std::string TwoDigits(int n) {
    return (n >= 0 && n < 10 ? "0" : "") + std::to_string(n);
}

void ReplaceAll(std::string& text, const std::string& key, const std::string& value) {
    for (size_t at = text.find(key); at != std::string::npos;
         at = text.find(key, at + value.size()))
        text.replace(at, key.size(), value);
}

} // namespace

bool ParseTagFormat(const std::string& text, TagFormat& format) {
    for (const auto& [f, name] : kFormatTexts) {
        if (text == name) {
            format = f;
            return true;
        }
    }
    return false;
}

std::string TagFormatText(TagFormat format) {
    for (const auto& [f, name] : kFormatTexts)
        if (f == format)
            return name;
    return {};
}

bool WritesId3v1(TagFormat format) {
    return format == TagFormat::V1 || format == TagFormat::V1V23 || format == TagFormat::V1V24;
}

int Id3v2Version(TagFormat format) {
    switch (format) {
    case TagFormat::V23:
    case TagFormat::V1V23:
        return 3;
    case TagFormat::V24:
    case TagFormat::V1V24:
        return 4;
    case TagFormat::V1:
        break;
    }
    return 0;
}

std::string SourceStem(const std::string& fileName) {
    const size_t slash = fileName.find_last_of('/');
    std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name;
}

std::string ExpandTitle(const std::string& titleTemplate, const SourceTag& source,
                        const std::string& sourceName, int n, int count) {
    // One pass per placeholder, in an order where no replacement text is
    // looked at again: {title} and {name} go last.
    std::string text = titleTemplate;
    const std::string title = source.fields.title;
    const std::string marker = "\x01title\x01";
    ReplaceAll(text, "{title}", marker);
    ReplaceAll(text, "{n}", TwoDigits(n));
    ReplaceAll(text, "{N}", std::to_string(count));
    ReplaceAll(text, "{name}", sourceName);
    ReplaceAll(text, marker, title);
    return text;
}

std::vector<ChapterCut> ChapterCuts(const AnalysedFile& file,
                                    const std::vector<Chapter>& chapters) {
    std::vector<ChapterCut> cuts;
    if (!(file.FrameDuration > 0.0) || file.FrameCount == 0)
        return cuts;
    // Frame 0 is not audio when it is the source's Xing/Info/VBRI frame.
    int32_t firstAudio = 0;
    const size_t size = std::min<size_t>(file.FileSize, file.FileBuffer.size());
    if (file.IndexedFrames > 0 && !file.FramePos.empty() && file.FramePos[0] >= 0 &&
        static_cast<size_t>(file.FramePos[0]) < size) {
        const size_t pos = static_cast<size_t>(file.FramePos[0]);
        if (mp3::ReadInfoTag(file.FileBuffer.data() + pos, size - pos).kind !=
            mp3::SourceInfoTag::Kind::None)
            firstAudio = 1;
    }
    for (const Chapter& c : chapters) {
        const int64_t nearest = NearestFrameAt(file, c.startMs / 1000.0);
        ChapterCut cut;
        cut.frame = static_cast<int32_t>(
            std::min<int64_t>(nearest, static_cast<int64_t>(file.FrameCount) - 1));
        if (cut.frame <= firstAudio)
            cut.frame = 0; // the first part starts with the file's first frame
        cut.title = c.title;
        if (!cuts.empty() && cuts.back().frame == cut.frame)
            cuts.back().title = cut.title; // chapters closer than a frame: the later one counts
        else
            cuts.push_back(cut);
    }
    return cuts;
}

void SetFileTag(const LoadedFile& loaded, PartTable& parts, const SourceTag& source) {
    CopySourceTag(loaded, parts);
    if (source.hasId3v2)
        parts.FileTag = PartTagSlot{true, source.fields};
}

PartTags MakePartTags(const PartTable& parts, SourceTag source,
                      const std::vector<ChapterCut>& chapterCuts,
                      const std::string& titleTemplate) {
    PartTags tags;
    tags.source = std::move(source);
    tags.part.assign(static_cast<size_t>(PartCount(parts)) + 1, PartTagV2{});
    for (int i = 1; i <= PartCount(parts); ++i) {
        PartTagV2& t = tags.part[static_cast<size_t>(i)];
        t = tags.source.fields;
        if (!titleTemplate.empty()) {
            t.title = titleTemplate;
        } else {
            const auto chapter =
                std::find_if(chapterCuts.begin(), chapterCuts.end(), [&](const ChapterCut& c) {
                    return c.frame == PartFirstFrame(parts, i);
                });
            if (chapter != chapterCuts.end() && !chapter->title.empty())
                t.title = chapter->title;
            else if (t.title.empty())
                t.title = "{name} - part {n}";
        }
    }
    return tags;
}

PartTagV2 ResolvePartTag(const PartTags& tags, int part, const std::string& sourceName, int n,
                         int count) {
    PartTagV2 t = part >= 0 && static_cast<size_t>(part) < tags.part.size()
                      ? tags.part[static_cast<size_t>(part)]
                      : tags.source.fields;
    t.title = ExpandTitle(t.title, tags.source, sourceName, n, count);
    if (t.track.empty() || tags.numberTracks)
        t.track = std::to_string(n) + "/" + std::to_string(count);
    return t;
}

Id3v1Record RenderId3v1(const PartTagV2& tag) {
    return Id3v1Of(tag);
}

} // namespace tessivo
