#include "core/output/plain_part.h"

#include "core/parts/part_access.h"

#include "core/output/split_parts.h"
#include "mp3/info_frame_toc.h"

#include <algorithm>

namespace tessivo {

namespace {

int32_t IndexedFrames(const FrameIndexTable& st) {
    return std::max<int32_t>(
        0, std::min<int32_t>(st.IndexedFrames, static_cast<int32_t>(st.FramePos.size())));
}

bool HeaderAt(const AnalysedFile& st, int32_t f, mp3::Layer3Header& h) {
    const FileOffset pos = st.FramePos[static_cast<size_t>(f)];
    const size_t size = std::min<size_t>(st.FileSize, st.FileBuffer.size());
    if (pos < 0 || static_cast<size_t>(pos) >= size)
        return false;
    return mp3::ParseLayer3Header(st.FileBuffer.data() + pos, size - static_cast<size_t>(pos), h);
}

bool DifferentBitrates(const AnalysedFile& st, int32_t from, int32_t indexed) {
    mp3::Layer3Header first, h;
    if (from >= indexed || !HeaderAt(st, from, first))
        return false;
    for (int32_t f = from + 1; f < indexed; ++f)
        if (HeaderAt(st, f, h) && h.bitrateIndex != first.bitrateIndex)
            return true;
    return false;
}

} // namespace

PlainSource ExaminePlainSource(const AnalysedFile& st) {
    PlainSource src;
    const int32_t indexed = IndexedFrames(st);
    if (indexed == 0 || !HeaderAt(st, 0, src.model))
        return src;
    const size_t pos = static_cast<size_t>(st.FramePos[0]);
    const size_t size = std::min<size_t>(st.FileSize, st.FileBuffer.size());
    src.tag = mp3::ReadInfoTag(st.FileBuffer.data() + pos, size - pos);
    using Kind = mp3::SourceInfoTag::Kind;
    src.firstAudio = src.tag.kind == Kind::None ? 0 : 1;
    src.vbr = src.tag.kind == Kind::Xing || src.tag.kind == Kind::Vbri ||
              (src.tag.kind == Kind::None && DifferentBitrates(st, 0, indexed));
    src.needsInfo = src.tag.kind != Kind::None || src.vbr;
    return src;
}

namespace {

// Where plain part i's frames lie in FileBuffer (the source's own Info frame
// left out) and where each frame starts in that range.
ByteRange PartFrames(const AnalysedFile& file, const PartTable& parts, const PlainSource& src,
                     int i, std::vector<size_t>& offsets) {
    const int32_t indexed = IndexedFrames(file);
    ByteRange frames = PartByteRange(file, parts, i);
    int32_t f = std::max(PartFirstFrame(parts, i), src.firstAudio);
    if (f < indexed)
        frames.first = std::max(frames.first, std::min<size_t>(file.FramePos[f], frames.end));
    for (; f < indexed && static_cast<size_t>(file.FramePos[f]) < frames.end; ++f)
        offsets.push_back(static_cast<size_t>(file.FramePos[f]) - frames.first);
    return frames;
}

} // namespace

bool PlainPartInfoFrame(const AnalysedFile& file, const PartTable& parts, const PlainSource& src,
                        int i, std::vector<uint8_t>& info, ByteRange& frames) {
    info.clear();
    if (!src.needsInfo || !IsPartNumber(parts, i))
        return false;
    std::vector<size_t> offsets;
    frames = PartFrames(file, parts, src, i, offsets);
    const uint8_t* body = file.FileBuffer.data() + frames.first;
    mp3::Layer3Header first = src.model;
    uint8_t byte3 = file.FileBuffer[static_cast<size_t>(file.FramePos[0]) + 3];
    if (!offsets.empty() && mp3::ParseLayer3Header(body, frames.size(), first))
        byte3 = body[3];
    mp3::InfoFrameSpec spec;
    spec.model = src.model;
    spec.model.mode = first.mode;
    spec.headerByte3 = byte3;
    spec.bitrateIndex = mp3::InfoFrameBitrateIndex(src.model, src.vbr ? 0 : first.bitrateIndex);
    spec.vbr = src.vbr;
    spec.frames = static_cast<uint32_t>(offsets.size());
    const size_t infoLength = static_cast<size_t>(
        mp3::Layer3FrameLength(src.model.lsf, spec.bitrateIndex, src.model.sampleRate, false));
    spec.bytes = infoLength + frames.size();
    spec.toc = mp3::InfoFrameToc(infoLength, offsets, spec.bytes);
    // The source's delay stays with the part that starts the stream, its
    // padding with the part that ends it.
    if (src.tag.hasLame) {
        spec.delay = PartFirstFrame(parts, i) <= src.firstAudio ? src.tag.delay : 0;
        spec.padding = i == PartCount(parts) ? src.tag.padding : 0;
    }
    spec.musicCrc = mp3::Crc16Arc(body, frames.size());
    spec.source = &src.tag;
    info = mp3::BuildInfoFrame(spec);
    return true;
}

bool BuildPlainPart(const AnalysedFile& file, const PartTable& parts, const PlainSource& src, int i,
                    std::vector<uint8_t>& out) {
    ByteRange frames;
    if (!PlainPartInfoFrame(file, parts, src, i, out, frames))
        return false;
    out.insert(out.end(), file.FileBuffer.begin() + static_cast<std::ptrdiff_t>(frames.first),
               file.FileBuffer.begin() + static_cast<std::ptrdiff_t>(frames.end));
    return true;
}

} // namespace tessivo
