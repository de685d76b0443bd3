#include "core/output/one_file.h"

#include "core/analysis/mp3_load.h"
#include "core/analysis/time_base.h"
#include "core/output/id3v1_tag.h"
#include "core/output/joined_stream.h"
#include "core/parts/part_access.h"
#include "mp3/info_frame_toc.h"

#include <algorithm>
#include <cmath>

namespace tessivo {

namespace {

constexpr size_t kWriteBlock = size_t(1) << 20;

// The Info frame: the first piece's delay when it starts its source's audio,
// the last piece's padding when it ends its source's audio.
std::vector<uint8_t> OneInfoFrame(const JoinedLayout& layout) {
    mp3::Layer3Header model;
    mp3::ParseLayer3Header(layout.firstHeader.data(), layout.firstHeader.size(), model);
    mp3::InfoFrameSpec spec;
    spec.model = model;
    spec.headerByte3 = layout.firstHeader[3];
    spec.vbr = layout.mixedBitrates || layout.vbrSource;
    spec.bitrateIndex = mp3::InfoFrameBitrateIndex(model, spec.vbr ? 0 : model.bitrateIndex);
    spec.frames = static_cast<uint32_t>(layout.frames);
    const size_t infoLength = static_cast<size_t>(
        mp3::Layer3FrameLength(model.lsf, spec.bitrateIndex, model.sampleRate, false));
    spec.bytes = infoLength + layout.bytes;
    std::vector<uint64_t> wanted;
    for (size_t i = 0; i < 100; ++i)
        wanted.push_back(i * layout.frames / 100);
    const std::vector<uint64_t> at = layout.OffsetsOf(wanted);
    size_t next = 0; // the entries ask for the frames in the order wanted lists them
    spec.toc = mp3::InfoFrameToc(
        infoLength, layout.frames, [&](size_t) { return static_cast<size_t>(at[next++]); },
        spec.bytes);
    spec.delay = layout.delay;
    spec.padding = layout.padding;
    spec.musicCrc = layout.crc;
    spec.source = &layout.infoTag;
    return mp3::BuildInfoFrame(spec);
}

// Where each piece lies in the file: times as players play the joined file
// (its Info frame, delay and decoder delay before time 0), bytes from the
// Info frame's start.
std::vector<ChapterMark> PieceMarks(const std::vector<std::string>& titles,
                                    const JoinedLayout& layout, size_t infoLength) {
    TimeBase tb; // frame 0 is the Info frame
    tb.rate = layout.sampleRate;
    tb.samplesPerFrame = layout.samplesPerFrame;
    tb.zeroSample = layout.samplesPerFrame + layout.delay + kDecoderDelay;
    tb.samples = std::max<int64_t>(0, static_cast<int64_t>(layout.frames) * layout.samplesPerFrame +
                                          layout.samplesPerFrame - tb.zeroSample);
    tb.frameDuration = layout.frameDuration;
    const auto ms = [&tb](uint64_t frame) {
        return static_cast<uint32_t>(
            std::lround(1000.0 * FrameSeconds(tb, static_cast<int64_t>(frame) + 1)));
    };
    std::vector<uint64_t> bounds{0};
    for (const uint64_t count : layout.pieceFrames)
        bounds.push_back(std::min(bounds.back() + count, layout.frames));
    const std::vector<uint64_t> at = layout.OffsetsOf(bounds);
    std::vector<ChapterMark> marks;
    for (size_t k = 0; k < titles.size() && k + 1 < bounds.size(); ++k) {
        ChapterMark m;
        m.title = titles[k];
        m.startMs = ms(bounds[k]);
        m.endMs = ms(bounds[k + 1]);
        m.startByte = infoLength + at[k];
        m.endByte = infoLength + at[k + 1];
        marks.push_back(m);
    }
    return marks;
}

// The marks of pieces that go on with the chapter before joined into it.
std::vector<ChapterMark> JoinContinued(std::span<const FilePiece> pieces,
                                       std::vector<ChapterMark> marks) {
    std::vector<ChapterMark> joined;
    for (size_t k = 0; k < marks.size(); ++k) {
        if (k < pieces.size() && pieces[k].sameChapter && !joined.empty()) {
            joined.back().endMs = marks[k].endMs;
            joined.back().endByte = marks[k].endByte;
        } else {
            joined.push_back(std::move(marks[k]));
        }
    }
    return joined;
}

std::vector<std::string> SilenceWarnings(std::span<const FilePiece> pieces,
                                         const JoinedLayout& layout) {
    std::vector<std::string> warnings;
    for (size_t k = 0; k < pieces.size() && k < layout.runSilenced.size(); ++k) {
        const int n = layout.runSilenced[k];
        if (n > 0)
            warnings.push_back(pieces[k].name + ": " + std::to_string(n) +
                               (n == 1 ? " frame" : " frames") +
                               " at its start point at audio data the file does not hold "
                               "(cut without its bit reservoir); written as silence");
    }
    return warnings;
}

std::vector<std::string> TitlesOf(std::span<const FilePiece> pieces) {
    std::vector<std::string> titles;
    for (const FilePiece& p : pieces)
        titles.push_back(p.title);
    return titles;
}

// The pieces' sources are mapped: one that changed on disk is not read.
PieceOpener InMemory(std::span<const FilePiece> pieces) {
    return [pieces](size_t k, std::string& error) -> const FilePiece* {
        if (SourceChanged(*pieces[k].file)) {
            error = ChangedOnDiskMessage(pieces[k].file->FileName);
            return nullptr;
        }
        return &pieces[k];
    };
}

// The first piece whose source changed on disk while it was read, named in
// `error`; false when none did.
bool AnySourceChanged(std::span<const FilePiece> pieces, std::string& error) {
    for (const FilePiece& p : pieces)
        if (p.file && SourceChanged(*p.file)) {
            error = ChangedOnDiskMessage(p.file->FileName);
            return true;
        }
    return false;
}

// The tag in front of the audio; chapter byte offsets then count it too.
std::vector<uint8_t> OneFileTag(const OneFileOptions& options, std::vector<ChapterMark> marks) {
    static const SourceTag kNoTag;
    const SourceTag& source = options.tag ? *options.tag : kNoTag;
    if (!options.chapters)
        marks.clear();
    const int version = options.id3Version == 4 ? 4 : 3;
    const std::vector<uint8_t> first =
        RenderChapteredId3v2(source, marks, version, options.userTexts);
    if (marks.empty() || first.empty())
        return first;
    for (ChapterMark& m : marks) {
        m.startByte += first.size();
        m.endByte += first.size();
    }
    return RenderChapteredId3v2(source, marks, version, options.userTexts);
}

// The ID3v1 record after the audio, when asked for; none otherwise.
std::vector<uint8_t> OneFileId3v1(const OneFileOptions& options) {
    if (!options.id3v1)
        return {};
    const Id3v1Record record = Id3v1Of(options.tag ? options.tag->fields : PartTagV2{});
    return std::vector<uint8_t>(record.begin(), record.end());
}

bool Cancelled(const OneFileOptions& options) {
    return options.cancel && options.cancel->load();
}

// Bytes on their way into the file, written in blocks of kWriteBlock.
class BlockWriter {
public:
    BlockWriter(PartFileWriter& out, uint64_t total, const SplitProgressFn& progress)
        : out_(out), total_(total), progress_(progress) {}
    bool Add(const uint8_t* data, size_t size) {
        block_.insert(block_.end(), data, data + size);
        return block_.size() < kWriteBlock || Flush();
    }
    bool Flush() {
        if (!block_.empty() && !out_.Write(block_.data(), block_.size()))
            return false;
        done_ += block_.size();
        block_.clear();
        if (progress_)
            progress_(std::min(done_, total_), total_);
        return true;
    }

private:
    PartFileWriter& out_;
    uint64_t total_ = 0, done_ = 0;
    const SplitProgressFn& progress_;
    std::vector<uint8_t> block_;
};

// The refusals before anything is read: the file is an input, or exists.
bool RefuseTarget(std::span<const FilePiece> pieces, const std::string& path,
                  const OneFileOptions& options, PartFileSystem& fs, OneFileResult& result) {
    InputFiles inputs;
    for (const FilePiece& piece : pieces)
        inputs.Add(piece.file->FileName);
    const bool input = inputs.Holds(path);
    if (input)
        result.error = InputRefusalMessage(path);
    else if (!options.overwrite && fs.Exists(path))
        result.error = FileExistsMessage(path);
    else
        return false;
    result.ok = false;
    result.refused = !input;
    return true;
}

} // namespace

OneFileAudio BuildOneFileAudio(std::span<const FilePiece> pieces) {
    OneFileAudio out;
    const OneFileOptions plain;
    JoinedLayout layout;
    std::string error;
    if (pieces.empty() || !MeasurePieces(pieces.size(), InMemory(pieces), plain, layout, error) ||
        layout.frames == 0)
        return out;
    out.bytes = OneInfoFrame(layout);
    out.chapters = JoinContinued(pieces, PieceMarks(TitlesOf(pieces), layout, out.bytes.size()));
    out.bytes.reserve(out.bytes.size() + layout.bytes);
    StreamPieces(
        pieces.size(), InMemory(pieces), plain, layout,
        [&out](const uint8_t* frame, size_t size) {
            out.bytes.insert(out.bytes.end(), frame, frame + size);
            return true;
        },
        error);
    out.warnings = SilenceWarnings(pieces, layout);
    out.enlargedFrames = layout.enlarged;
    return out;
}

OneFileResult WriteJoinedPieces(std::span<const FilePiece> pieces, const PieceOpener& open,
                                const std::string& path, const OneFileOptions& options,
                                PartFileSystem& fs, const SplitProgressFn& progress) {
    OneFileResult result;
    if (RefuseTarget(pieces, path, options, fs, result))
        return result;
    JoinedLayout layout;
    std::string error;
    const bool measured = MeasurePieces(pieces.size(), open, options, layout, error);
    result.cancelled = Cancelled(options);
    if (!measured || result.cancelled || layout.frames == 0) {
        result.ok = false;
        result.error = result.cancelled ? "" : !error.empty() ? error : "No frames to write.";
        return result;
    }
    result.warnings = SilenceWarnings(pieces, layout);
    const std::vector<uint8_t> info = OneInfoFrame(layout);
    const std::vector<uint8_t> tag = OneFileTag(
        options, JoinContinued(pieces, PieceMarks(TitlesOf(pieces), layout, info.size())));
    const std::vector<uint8_t> v1 = OneFileId3v1(options);
    const uint64_t total = tag.size() + info.size() + layout.bytes + v1.size();
    result.error = WriteFileInPlace(fs, path, options.overwrite, [&](PartFileWriter& out) {
        BlockWriter block(out, total, progress);
        const FrameTaker take = [&block](const uint8_t* f, size_t n) { return block.Add(f, n); };
        const bool ok = block.Add(tag.data(), tag.size()) && block.Add(info.data(), info.size()) &&
                        StreamPieces(pieces.size(), open, options, layout, take, error) &&
                        !AnySourceChanged(pieces, error) && block.Add(v1.data(), v1.size()) &&
                        block.Flush();
        // A cancel until the file has its name still stops it.
        return ok && !Cancelled(options);
    });
    if (!result.error.empty() && !error.empty())
        result.error = IsChangedOnDiskMessage(error) ? error : WriteErrorMessage(path, error);
    result.cancelled = !result.error.empty() && Cancelled(options);
    if (result.cancelled)
        result.error.clear();
    result.ok = result.error.empty() && !result.cancelled;
    return result;
}

OneFileResult WriteOneFile(std::span<const FilePiece> pieces, const std::string& path,
                           const OneFileOptions& options, PartFileSystem& fs,
                           const SplitProgressFn& progress) {
    return WriteJoinedPieces(pieces, InMemory(pieces), path, options, fs, progress);
}

std::vector<FilePiece> TickedPieces(const AnalysedFile& file, const PartTable& parts,
                                    const PartTags& tags) {
    std::vector<FilePiece> pieces;
    const std::string stem = SourceStem(file.FileName);
    const int count = TickedPartCount(parts);
    for (int k = 1, n = 0; k <= PartCount(parts); ++k) {
        if (!PartTicked(parts, k))
            continue;
        const PartTagV2 tag = ResolvePartTag(tags, k, stem, ++n, count);
        pieces.push_back({&file, PartFirstFrame(parts, k), PartLastFrame(file, parts, k), tag.title,
                          file.FileName});
    }
    return pieces;
}

std::string JoinRefusal(const StreamFacts& first, const StreamFacts& other,
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
