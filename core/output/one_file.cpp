#include "core/output/one_file.h"

#include "core/analysis/time_base.h"
#include "core/output/plain_part.h"
#include "core/parts/part_access.h"
#include "mp3/frame_gain.h"
#include "mp3/info_frame_toc.h"
#include "mp3/reservoir_join.h"

#include <algorithm>
#include <cmath>

namespace tessivo {

namespace {

constexpr size_t kWriteBlock = size_t(1) << 20;

int32_t IndexedFrames(const ProgramState& st) {
    return std::max<int32_t>(
        0, std::min<int32_t>(st.IndexedFrames, static_cast<int32_t>(st.FramePos.size())));
}

// One piece as the join sees it: its source's frames and facts.
struct PieceSource {
    PlainSource plain;
    mp3::SourceFrames frames;
    mp3::FrameRun run;
};

std::vector<PieceSource> PieceSources(std::span<const FilePiece> pieces) {
    std::vector<PieceSource> out(pieces.size());
    for (size_t k = 0; k < pieces.size(); ++k) {
        const ProgramState& st = *pieces[k].file;
        PieceSource& p = out[k];
        p.plain = ExaminePlainSource(st);
        p.frames = {st.FileBuffer.data(), std::min<size_t>(st.FileSize, st.FileBuffer.size()),
                    st.FramePos.data(), IndexedFrames(st), p.plain.firstAudio};
        p.run = {nullptr, std::max(pieces[k].firstFrame, p.plain.firstAudio),
                 std::min(pieces[k].lastFrame, p.frames.count - 1)};
    }
    // The runs point into the vector only once it no longer moves.
    for (PieceSource& p : out)
        p.run.source = &p.frames;
    return out;
}

// Whether the joined frames differ in bitrate (the Info frame then says "Xing").
bool MixedBitrates(const mp3::JoinedFrames& joined) {
    mp3::Layer3Header first, h;
    for (size_t k = 0; k < joined.offsets.size(); ++k) {
        const size_t at = joined.offsets[k];
        if (!mp3::ParseLayer3Header(joined.bytes.data() + at, joined.bytes.size() - at, h))
            continue;
        if (k == 0)
            first = h;
        else if (h.bitrateIndex != first.bitrateIndex)
            return true;
    }
    return false;
}

// The encoder delay the joined file's Info frame carries: the first piece's
// when it starts its source's audio.
int JoinedDelay(const std::vector<PieceSource>& src) {
    const PieceSource& first = src.front();
    return first.plain.tag.hasLame && first.run.first <= first.plain.firstAudio
               ? first.plain.tag.delay
               : 0;
}

// The Info frame: the first piece's delay when it starts its source's audio,
// the last piece's padding when it ends its source's audio.
std::vector<uint8_t> OneInfoFrame(const std::vector<PieceSource>& src,
                                  const mp3::JoinedFrames& joined) {
    const PieceSource& first = src.front();
    const PieceSource& last = src.back();
    const uint8_t* body = joined.bytes.data();
    mp3::Layer3Header model;
    mp3::ParseLayer3Header(body, joined.bytes.size(), model);
    mp3::InfoFrameSpec spec;
    spec.model = model;
    spec.headerByte3 = body[3];
    spec.vbr =
        MixedBitrates(joined) ||
        std::any_of(src.begin(), src.end(), [](const PieceSource& p) { return p.plain.vbr; });
    spec.bitrateIndex = mp3::InfoFrameBitrateIndex(model, spec.vbr ? 0 : model.bitrateIndex);
    spec.frames = static_cast<uint32_t>(joined.offsets.size());
    const size_t infoLength = static_cast<size_t>(
        mp3::Layer3FrameLength(model.lsf, spec.bitrateIndex, model.sampleRate, false));
    spec.bytes = static_cast<uint32_t>(infoLength + joined.bytes.size());
    spec.toc = mp3::InfoFrameToc(infoLength, joined.offsets, spec.bytes);
    spec.delay = JoinedDelay(src);
    if (last.plain.tag.hasLame && last.run.last >= last.frames.count - 1)
        spec.padding = last.plain.tag.padding;
    spec.musicCrc = mp3::Crc16Arc(body, joined.bytes.size());
    spec.source = &first.plain.tag;
    return mp3::BuildInfoFrame(spec);
}

// Where each piece lies in the file: times as players play the joined file
// (its Info frame, delay and decoder delay before time 0), bytes from the
// Info frame's start.
std::vector<ChapterMark> PieceMarks(std::span<const FilePiece> pieces,
                                    const std::vector<PieceSource>& src,
                                    const mp3::JoinedFrames& joined, size_t infoLength) {
    std::vector<ChapterMark> marks;
    const ProgramState& st = *pieces.front().file;
    TimeBase tb; // frame 0 is the Info frame
    tb.rate = static_cast<int32_t>(st.SampleRate);
    tb.samplesPerFrame = st.SamplesPerFrame;
    tb.zeroSample = st.SamplesPerFrame + JoinedDelay(src) + kDecoderDelay;
    tb.samples =
        std::max<int64_t>(0, static_cast<int64_t>(joined.offsets.size()) * st.SamplesPerFrame +
                                 st.SamplesPerFrame - tb.zeroSample);
    tb.frameDuration = st.FrameDuration;
    const auto ms = [&tb](size_t frame) {
        return static_cast<uint32_t>(
            std::lround(1000.0 * FrameSeconds(tb, static_cast<int64_t>(frame) + 1)));
    };
    size_t frame = 0;
    for (size_t k = 0; k < pieces.size(); ++k) {
        const size_t count =
            static_cast<size_t>(std::max(0, src[k].run.last - src[k].run.first + 1));
        const size_t end = std::min(frame + count, joined.offsets.size());
        ChapterMark m;
        m.title = pieces[k].title;
        m.startMs = ms(frame);
        m.endMs = ms(end);
        m.startByte = static_cast<uint32_t>(infoLength + (frame < joined.offsets.size()
                                                              ? joined.offsets[frame]
                                                              : joined.bytes.size()));
        m.endByte = static_cast<uint32_t>(
            infoLength + (end < joined.offsets.size() ? joined.offsets[end] : joined.bytes.size()));
        marks.push_back(m);
        frame = end;
    }
    return marks;
}

std::vector<std::string> SilenceWarnings(std::span<const FilePiece> pieces,
                                         const mp3::JoinedFrames& joined) {
    std::vector<std::string> warnings;
    for (size_t k = 0; k < pieces.size() && k < joined.runSilenced.size(); ++k) {
        const int n = joined.runSilenced[k];
        if (n > 0)
            warnings.push_back(pieces[k].name + ": " + std::to_string(n) +
                               (n == 1 ? " frame" : " frames") +
                               " at its start point at audio data the file does not hold "
                               "(cut without its bit reservoir); written as silence");
    }
    return warnings;
}

} // namespace

OneFileAudio BuildOneFileAudio(std::span<const FilePiece> pieces) {
    OneFileAudio out;
    if (pieces.empty())
        return out;
    const std::vector<PieceSource> src = PieceSources(pieces);
    std::vector<mp3::FrameRun> runs;
    for (const PieceSource& p : src)
        runs.push_back(p.run);
    const mp3::JoinedFrames joined = mp3::JoinFrameRuns(runs);
    if (joined.offsets.empty())
        return out;
    out.bytes = OneInfoFrame(src, joined);
    out.chapters = PieceMarks(pieces, src, joined, out.bytes.size());
    out.bytes.insert(out.bytes.end(), joined.bytes.begin(), joined.bytes.end());
    out.warnings = SilenceWarnings(pieces, joined);
    out.enlargedFrames = joined.enlarged;
    return out;
}

namespace {

// The tag in front of the audio; chapter byte offsets then count it too.
std::vector<uint8_t> OneFileTag(const OneFileOptions& options, std::vector<ChapterMark> marks) {
    static const SourceTag kNoTag;
    const SourceTag& source = options.tag ? *options.tag : kNoTag;
    if (!options.chapters)
        marks.clear();
    const int version = options.id3Version == 4 ? 4 : 3;
    const std::vector<uint8_t> first = RenderChapteredId3v2(source, marks, version);
    if (marks.empty() || first.empty())
        return first;
    for (ChapterMark& m : marks) {
        m.startByte += static_cast<uint32_t>(first.size());
        m.endByte += static_cast<uint32_t>(first.size());
    }
    return RenderChapteredId3v2(source, marks, version);
}

bool Cancelled(const OneFileOptions& options) {
    return options.cancel && options.cancel->load();
}

bool WriteAll(PartFileWriter& out, std::span<const uint8_t> bytes, uint64_t& done, uint64_t total,
              const SplitProgressFn& progress, const OneFileOptions& options) {
    for (size_t pos = 0; pos < bytes.size(); pos += kWriteBlock) {
        const size_t n = std::min(kWriteBlock, bytes.size() - pos);
        if (Cancelled(options) || !out.Write(bytes.data() + pos, n))
            return false;
        done += n;
        if (progress)
            progress(done, total);
    }
    return true;
}

} // namespace

OneFileResult WriteOneFile(std::span<const FilePiece> pieces, const std::string& path,
                           const OneFileOptions& options, PartFileSystem& fs,
                           const SplitProgressFn& progress) {
    OneFileResult result;
    if (!options.overwrite && fs.Exists(path)) {
        result.ok = false;
        result.refused = true;
        result.error = FileExistsMessage(path);
        return result;
    }
    OneFileAudio audio = BuildOneFileAudio(pieces);
    if (Cancelled(options)) {
        result.ok = false;
        result.cancelled = true;
        return result;
    }
    if (audio.bytes.empty()) {
        result.ok = false;
        result.error = "No frames to write.";
        return result;
    }
    if (options.gainSteps != 0)
        mp3::ChangeStreamGain(audio.bytes.data(), audio.bytes.size(), options.gainSteps);
    result.warnings = audio.warnings;
    const std::vector<uint8_t> tag = OneFileTag(options, audio.chapters);
    const uint64_t total = tag.size() + audio.bytes.size();
    uint64_t done = 0;
    result.error = WriteFileInPlace(fs, path, options.overwrite, [&](PartFileWriter& out) {
        return WriteAll(out, tag, done, total, progress, options) &&
               WriteAll(out, audio.bytes, done, total, progress, options);
    });
    result.cancelled = !result.error.empty() && Cancelled(options);
    if (result.cancelled)
        result.error.clear();
    result.ok = result.error.empty() && !result.cancelled;
    return result;
}

std::vector<FilePiece> TickedPieces(const ProgramState& st, const PartTags& tags) {
    std::vector<FilePiece> pieces;
    const std::string stem = SourceStem(st.FileName);
    const int count = TickedPartCount(st);
    for (int k = 1, n = 0; k <= PartCount(st); ++k) {
        if (!PartTicked(st, k))
            continue;
        const PartTagV2 tag = ResolvePartTag(tags, k, stem, ++n, count);
        pieces.push_back(
            {&st, PartFirstFrame(st, k), PartLastFrame(st, k), tag.title, st.FileName});
    }
    return pieces;
}

std::string JoinRefusal(const ProgramState& first, const ProgramState& other,
                        const std::string& name) {
    const std::string head = "Cannot join " + name + ": ";
    if (other.SampleRate != first.SampleRate)
        return head + std::to_string(other.SampleRate) + " Hz, the first file has " +
               std::to_string(first.SampleRate) + " Hz";
    if (other.MpegVersionText != first.MpegVersionText)
        return head + "MPEG " + other.MpegVersionText + ", the first file has MPEG " +
               first.MpegVersionText;
    if (other.ChannelCount != first.ChannelCount) {
        const auto channels = [](int n) {
            return std::to_string(n) + (n == 1 ? " channel" : " channels");
        };
        return head + channels(other.ChannelCount) + ", the first file has " +
               channels(first.ChannelCount);
    }
    return {};
}

} // namespace tessivo
