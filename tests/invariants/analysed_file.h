// What the view, the split and playback take for granted of an opened file,
// as the tests and the fuzz targets check it. Returns "" when it holds, else
// what went wrong.
#pragma once

#include "core/analysis/frame_index.h"
#include "core/state/program_state.h"

#include <cstdint>
#include <string>

namespace invariants {

// The stream facts and the frame index of a file image of `size` bytes.
inline std::string IndexFault(const tessivo::ProgramState& st, size_t size) {
    if (st.FileSize != size || st.FrameCount == 0 || st.FramePos.size() != st.FrameCount)
        return "size, frame count or index length wrong";
    if (st.IndexedFrames <= 0 || static_cast<uint32_t>(st.IndexedFrames) > st.FrameCount)
        return "indexed frames outside 1..FrameCount";
    if ((st.ChannelCount != 1 && st.ChannelCount != 2) || st.SamplesPerFrame <= 0 ||
        !(st.FrameDuration > 0.0))
        return "channels, samples per frame or frame duration wrong";
    for (int32_t i = 0; i < st.IndexedFrames; ++i) {
        if (st.FramePos[i] < 0 || static_cast<uint64_t>(st.FramePos[i]) >= size)
            return "frame " + std::to_string(i) + " starts outside the image";
        if (i > 0 && st.FramePos[i] <= st.FramePos[i - 1])
            return "frame " + std::to_string(i) + " does not start after the one before";
        if (tessivo::FrameByteEnd(st, st, static_cast<uint32_t>(i)) > static_cast<int64_t>(size))
            return "frame " + std::to_string(i) + " ends outside the image";
    }
    return "";
}

// A peak table of one entry per frame, each top at or above its bottom.
inline std::string PeaksFault(const tessivo::PeakTable& t, uint32_t frameCount) {
    if (t.PeakMaxL.size() != frameCount || t.PeakMinL.size() != frameCount ||
        t.PeakMaxR.size() != frameCount || t.PeakMinR.size() != frameCount)
        return "peak table of the wrong length";
    for (uint32_t j = 0; j < frameCount; ++j)
        if (t.PeakMaxL[j] < t.PeakMinL[j] || t.PeakMaxR[j] < t.PeakMinR[j])
            return "frame " + std::to_string(j) + ": top below bottom";
    return "";
}

} // namespace invariants
