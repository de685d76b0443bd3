#include "core/analysis/preview_peaks.h"

#include "mp3/frame_header.h"
#include "mp3/side_info.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tessivo {

namespace {

// Gain 210 is a quantiser step of 1.0; measured on speech and music
// (tests/fixtures, lame at 32..320 kbit/s), a granule's sample peak is
// about this many times its step in 16-bit units.
constexpr double kPeakPerStep = 1.0;

// Levels for every global gain, computed once.
const std::array<int16_t, 256>& LevelTable() {
    static const std::array<int16_t, 256> table = [] {
        std::array<int16_t, 256> t{};
        for (int g = 0; g < 256; ++g) {
            const double v = kPeakPerStep * std::exp2((g - 210) / 4.0);
            t[static_cast<size_t>(g)] = static_cast<int16_t>(std::clamp(v, 1.0, 32767.0));
        }
        return t;
    }();
    return table;
}

} // namespace

int16_t PreviewLevel(int part23Length, int globalGain) {
    if (part23Length <= 0)
        return 0;
    return LevelTable()[static_cast<size_t>(std::clamp(globalGain, 0, 255))];
}

PeakTable PreviewPeaks(const AnalysedFile& file) {
    PeakTable t;
    for (auto* v : {&t.PeakMaxL, &t.PeakMinL, &t.PeakMaxR, &t.PeakMinR})
        v->assign(file.FrameCount, 0);
    const uint32_t frames =
        std::min<uint32_t>(file.FrameCount, static_cast<uint32_t>(std::max(file.IndexedFrames, 0)));
    const uint8_t* data = file.FileBuffer.data();
    const size_t size = file.FileBuffer.size();
    for (uint32_t j = 0; j < frames; ++j) {
        const size_t pos = static_cast<size_t>(file.FramePos[j]);
        mp3::Layer3Header h;
        if (pos >= size || !mp3::ParseLayer3Header(data + pos, size - pos, h) ||
            pos + static_cast<size_t>(h.MainDataOffset()) > size)
            continue;
        const mp3::SideInfoGains g = mp3::ReadGranuleGains(data + pos, h);
        int16_t level[2] = {0, 0};
        for (int gr = 0; gr < g.granules; ++gr)
            for (int ch = 0; ch < g.channels; ++ch)
                level[ch] = std::max(level[ch], PreviewLevel(g.gain[gr][ch].part23Length,
                                                             g.gain[gr][ch].globalGain));
        if (g.midSide)
            level[0] = level[1] = std::max(level[0], level[1]);
        t.PeakMaxL[j] = level[0];
        t.PeakMinL[j] = static_cast<int16_t>(-level[0]);
        if (file.ChannelCount == 2) {
            t.PeakMaxR[j] = g.channels == 2 ? level[1] : level[0];
            t.PeakMinR[j] = static_cast<int16_t>(-t.PeakMaxR[j]);
        }
    }
    return t;
}

} // namespace tessivo
