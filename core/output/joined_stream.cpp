#include "core/output/joined_stream.h"

#include "core/output/plain_part.h"
#include "mp3/frame_gain.h"
#include "mp3/reservoir_join.h"
#include "mp3/side_info.h"

#include <algorithm>
#include <memory>

namespace tessivo {

namespace {

int32_t IndexedFrames(const FrameIndexTable& st) {
    return std::max<int32_t>(
        0, std::min<int32_t>(st.IndexedFrames, static_cast<int32_t>(st.FramePos.size())));
}

// One piece as the join sees it: its source's frames and facts. It stays
// where it is made: the run points at the frames.
struct PieceSource {
    PlainSource plain;
    mp3::SourceFrames frames;
    mp3::FrameRun run;
};

void MakePieceSource(const FilePiece& piece, PieceSource& p) {
    const AnalysedFile& st = *piece.file;
    p.plain = ExaminePlainSource(st);
    p.frames = {st.FileBuffer.data(), std::min<size_t>(st.FileSize, st.FileBuffer.size()),
                st.FramePos.data(), IndexedFrames(st), p.plain.firstAudio};
    p.run = {&p.frames, std::max(piece.firstFrame, p.plain.firstAudio),
             std::min(piece.lastFrame, p.frames.count - 1)};
}

bool Cancelled(const OneFileOptions& options) {
    return options.cancel && options.cancel->load();
}

using PieceVisitor = std::function<void(size_t k, const FilePiece&, const PieceSource&)>;

// Both passes: the pieces in order through the joiner, each frame through
// FinishFrame to `take`. Frames written silent per piece in `silenced`.
bool RunPieces(size_t count, const PieceOpener& open, const OneFileOptions& options,
               const PieceVisitor& visit, const FrameTaker& take, std::vector<int>& silenced,
               int& enlarged, std::string& error) {
    std::vector<uint8_t> frame;
    bool stopped = false;
    std::unique_ptr<StreamFader> fader;
    mp3::FrameJoiner joiner([&](const uint8_t* data, size_t size) {
        if (stopped)
            return;
        frame.assign(data, data + size);
        FinishFrame(frame, options, fader.get());
        stopped = Cancelled(options) || !take(frame.data(), frame.size());
    });
    for (size_t k = 0; k < count && !stopped; ++k) {
        const FilePiece* piece = open(k, error);
        if (!piece)
            return false;
        PieceSource src;
        MakePieceSource(*piece, src);
        if (visit)
            visit(k, *piece, src);
        if (!fader && options.fades.Any())
            fader = std::make_unique<StreamFader>(options.fades,
                                                  static_cast<int>(piece->file->SampleRate), count);
        if (fader) {
            const int64_t perFrame = piece->file->SamplesPerFrame / mp3::kGranuleSamples;
            fader->AddPiece(std::max(0, src.run.last - src.run.first + 1) * perFrame,
                            src.run.first * perFrame);
        }
        silenced.push_back(joiner.AddRun(src.run));
    }
    if (!stopped)
        joiner.Finish();
    enlarged = joiner.Enlarged();
    return !stopped && !Cancelled(options);
}

// What the first and last pieces tell the Info frame and the chapters.
void NotePiece(JoinedLayout& layout, size_t k, size_t count, const FilePiece& piece,
               const PieceSource& src) {
    const AnalysedFile& st = *piece.file;
    layout.pieceFrames.push_back(
        static_cast<uint64_t>(std::max(0, src.run.last - src.run.first + 1)));
    layout.vbrSource = layout.vbrSource || src.plain.vbr;
    if (k == 0) {
        layout.infoTag = src.plain.tag;
        layout.delay = src.plain.tag.hasLame && src.run.first <= src.plain.firstAudio
                           ? src.plain.tag.delay
                           : 0;
        layout.sampleRate = static_cast<int32_t>(st.SampleRate);
        layout.samplesPerFrame = st.SamplesPerFrame;
        layout.frameDuration = st.FrameDuration;
    }
    if (k + 1 == count)
        layout.padding = src.plain.tag.hasLame && src.run.last >= src.frames.count - 1
                             ? src.plain.tag.padding
                             : 0;
}

bool MeasureFrame(JoinedLayout& layout, const uint8_t* frame, size_t size) {
    mp3::Layer3Header h, first;
    if (layout.frames == 0)
        std::copy(frame, frame + std::min<size_t>(4, size), layout.firstHeader.begin());
    else if (mp3::ParseLayer3Header(frame, size, h) &&
             mp3::ParseLayer3Header(layout.firstHeader.data(), 4, first) &&
             h.bitrateIndex != first.bitrateIndex)
        layout.mixedBitrates = true;
    if (size >= JoinedLayout::kLongSpan)
        layout.longSpans[layout.frames] = size;
    layout.lengths.push_back(
        static_cast<uint16_t>(std::min<size_t>(size, JoinedLayout::kLongSpan)));
    layout.crc = mp3::Crc16Arc(frame, size, layout.crc);
    layout.bytes += size;
    ++layout.frames;
    return true;
}

} // namespace

void FinishFrame(std::vector<uint8_t>& frame, const OneFileOptions& options, StreamFader* fader) {
    if (options.gainSteps == 0 && !fader)
        return;
    mp3::Layer3Header h;
    const bool whole = mp3::ParseLayer3Header(frame.data(), frame.size(), h) &&
                       static_cast<size_t>(h.length) <= frame.size();
    if (whole && options.gainSteps != 0)
        mp3::ChangeGlobalGain(frame.data(), h, options.gainSteps);
    if (!fader)
        return;
    // Every frame takes its granules from the fader, so the ramp stays on
    // the stream's granule grid.
    int steps[2] = {0, 0};
    const int granules = whole && h.lsf ? 1 : 2;
    for (int g = 0; g < granules; ++g)
        steps[g] = -fader->Next();
    if (whole)
        mp3::ChangeGranuleGains(frame.data(), h, steps);
}

std::vector<uint64_t> JoinedLayout::OffsetsOf(const std::vector<uint64_t>& wanted) const {
    std::vector<uint64_t> out;
    out.reserve(wanted.size());
    uint64_t at = 0, frame = 0;
    for (const uint64_t w : wanted) {
        for (; frame < w && frame < lengths.size(); ++frame)
            at += lengths[frame] == kLongSpan ? longSpans.at(frame) : lengths[frame];
        out.push_back(w < lengths.size() ? at : bytes);
    }
    return out;
}

bool MeasurePieces(size_t count, const PieceOpener& open, const OneFileOptions& options,
                   JoinedLayout& layout, std::string& error) {
    layout = JoinedLayout{};
    const PieceVisitor visit = [&](size_t k, const FilePiece& piece, const PieceSource& src) {
        NotePiece(layout, k, count, piece, src);
    };
    const FrameTaker take = [&layout](const uint8_t* frame, size_t size) {
        return MeasureFrame(layout, frame, size);
    };
    return RunPieces(count, open, options, visit, take, layout.runSilenced, layout.enlarged, error);
}

bool StreamPieces(size_t count, const PieceOpener& open, const OneFileOptions& options,
                  const JoinedLayout& layout, const FrameTaker& take, std::string& error) {
    uint64_t bytes = 0;
    uint16_t crc = 0;
    const FrameTaker check = [&](const uint8_t* frame, size_t size) {
        bytes += size;
        crc = mp3::Crc16Arc(frame, size, crc);
        return take(frame, size);
    };
    std::vector<int> silenced;
    int enlarged = 0;
    if (!RunPieces(count, open, options, {}, check, silenced, enlarged, error))
        return false;
    if (bytes != layout.bytes || crc != layout.crc) {
        error = "a source file changed while it was written";
        return false;
    }
    return true;
}

} // namespace tessivo
