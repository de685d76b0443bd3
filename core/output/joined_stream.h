// The frames of one file out, produced piece by piece: each piece's frames
// joined to those before (mp3::FrameJoiner), every frame passed through
// FinishFrame, then handed to whoever measures or writes them. Only the
// piece being joined needs its source's bytes, and only a few frames are
// held, whatever the length of the file.
#pragma once

#include "core/output/edge_fades.h"
#include "core/output/one_file.h"
#include "mp3/info_frame.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tessivo {

// Takes one finished frame (its bytes up to the next frame); false stops.
using FrameTaker = std::function<bool(const uint8_t* frame, size_t size)>;

// What a first pass over the pieces learns: all the Info frame and the
// chapters need.
struct JoinedLayout {
    uint64_t bytes = 0;  // of the joined frames
    uint64_t frames = 0; // joined frames
    // Each frame's bytes; kLongSpan marks one whose length is in longSpans.
    std::vector<uint16_t> lengths;
    std::map<uint64_t, uint64_t> longSpans;
    std::vector<uint64_t> pieceFrames; // frames each piece's run asks for
    uint16_t crc = 0;                  // CRC-16/ARC of the joined frames
    std::array<uint8_t, 4> firstHeader{};
    bool mixedBitrates = false;
    bool vbrSource = false;     // a piece's source has a variable bitrate
    int delay = 0;              // the first piece's encoder delay, when it starts its audio
    int padding = 0;            // the last piece's padding, when it ends its audio
    mp3::SourceInfoTag infoTag; // the first piece's source's Info frame
    int32_t sampleRate = 0;     // the first piece's stream
    int samplesPerFrame = 0;
    double frameDuration = 0.0;
    std::vector<int> runSilenced; // frames written silent, per piece
    int enlarged = 0;

    static constexpr uint16_t kLongSpan = 0xFFFF;
    // The positions of `frames` (rising) in the joined frames.
    std::vector<uint64_t> OffsetsOf(const std::vector<uint64_t>& frames) const;
};

// Every frame of the file passes here, in order, after the join and before
// it is measured or written: the lossless gain is applied to it, then the
// fades `fader` gives for its granules (none when null). Whatever changes a
// frame's bytes belongs here, so both passes see the same bytes.
void FinishFrame(std::vector<uint8_t>& frame, const OneFileOptions& options, StreamFader* fader);

// The first pass: the pieces joined and measured, nothing kept but the
// layout. False with `error` when a piece cannot be opened, false with an
// empty error when options.cancel stopped it.
bool MeasurePieces(size_t count, const PieceOpener& open, const OneFileOptions& options,
                   JoinedLayout& layout, std::string& error);

// The second pass: every frame handed to `take`. False when a piece cannot
// be opened (`error`), when `take` refused a frame, or when the frames are
// not those the first pass measured (a source changed meanwhile).
bool StreamPieces(size_t count, const PieceOpener& open, const OneFileOptions& options,
                  const JoinedLayout& layout, const FrameTaker& take, std::string& error);

} // namespace tessivo
