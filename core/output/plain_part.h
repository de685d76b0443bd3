// Plain part files: the source's own frame bytes, opened by an Info frame of
// the part's own when the source announces its length in such a frame or has
// a variable bitrate, so every part tells players its true length.
#pragma once

#include "core/output/split_parts.h"
#include "core/state/program_state.h"
#include "mp3/info_frame.h"

#include <cstdint>
#include <vector>

namespace tessivo {

// What the plain parts of a source need to know about its stream; found once
// per split (the bitrate check reads every frame header).
struct PlainSource {
    mp3::SourceInfoTag tag;  // the source's Xing/Info/VBRI frame, if any
    mp3::Layer3Header model; // header of the source's first frame
    int32_t firstAudio = 0;  // 1 when frame 0 is that Xing/Info/VBRI frame
    bool vbr = false;        // Xing/VBRI frame, or frames of differing bitrates
    bool needsInfo = false;  // parts get an Info frame of their own
};

PlainSource ExaminePlainSource(const AnalysedFile& st);

// The Info frame of plain part i into `info`, and in `frames` the bytes of
// FileBuffer that follow it in the part file (the part's frames, without the
// source's own Xing/Info/VBRI frame). False, `info` empty, when the source
// needs no Info frame.
bool PlainPartInfoFrame(const AnalysedFile& file, const PartTable& parts, const PlainSource& src,
                        int i, std::vector<uint8_t>& info, ByteRange& frames);

// Builds the Info frame and the frames of plain part i into `out` (the frames
// byte for byte as the source holds them, without the source's own
// Xing/Info/VBRI frame). Returns false, leaving `out` empty, when the source
// needs no Info frame: the part is then the plain copy of PartByteRange.
bool BuildPlainPart(const AnalysedFile& file, const PartTable& parts, const PlainSource& src, int i,
                    std::vector<uint8_t>& out);

} // namespace tessivo
