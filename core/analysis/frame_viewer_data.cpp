#include "core/analysis/frame_viewer_data.h"

#include "mp3/frame_header.h"
#include "mp3/side_info.h"

#include <algorithm>
#include <array>

namespace tessivo {

namespace {

std::array<std::vector<uint8_t>*, 8> Tables(FrameViewerRecording& viewer) {
    return {&viewer.ViewerB1,     &viewer.ViewerB2,     &viewer.ViewerB3,     &viewer.ViewerB4,
            &viewer.ViewerGain11, &viewer.ViewerGain21, &viewer.ViewerGain12, &viewer.ViewerGain22};
}

} // namespace

void SizeViewerTables(FrameViewerRecording& viewer) {
    for (int k = 0; k < 8; ++k) {
        std::vector<uint8_t>& v = *Tables(viewer)[k];
        if (v.size() < kViewerTableSize)
            v.resize(kViewerTableSize, 0);
    }
}

void ReadGlobalGains(const LoadedFile& file, const StreamFacts& stream, int64_t p, bool crc,
                     FrameGains& gains) {
    const int64_t s = p + (crc ? 6 : 4);
    const int64_t size = static_cast<int64_t>(file.FileBuffer.size());
    auto B = [&](int k) -> unsigned { return file.FileBuffer[static_cast<size_t>(s + k)]; };
    if (stream.ChannelCount == 2) {
        if (s < 0 || s + 29 > size)
            return;
        gains.gain11 = static_cast<uint8_t>(B(5) * 2 + B(6) / 128);
        gains.gain21 = static_cast<uint8_t>(B(12) * 16 + B(13) / 16);
        gains.gain12 = static_cast<uint8_t>(B(19) * 128 + B(20) / 2);
        gains.gain22 = static_cast<uint8_t>(B(27) * 4 + B(28) / 64);
    } else {
        if (s < 0 || s + 14 > size)
            return;
        gains.gain11 = static_cast<uint8_t>(B(4) * 128 + B(5) / 2);
        gains.gain12 = static_cast<uint8_t>(B(12) * 4 + B(13) / 64);
    }
}

void RecordViewerRow(const LoadedFile& file, const StreamFacts& stream,
                     FrameViewerRecording& viewer, uint32_t i, int64_t p, bool crc,
                     FrameGains& gains) {
    if (i > kViewerLastFrame)
        return;
    SizeViewerTables(viewer);
    ReadGlobalGains(file, stream, p, crc, gains);
    const uint8_t values[4] = {gains.gain11, gains.gain21, gains.gain12, gains.gain22};
    for (int k = 0; k < 4; ++k) {
        const int64_t q = p + k;
        (*Tables(viewer)[k])[i] = q >= 0 && q < static_cast<int64_t>(file.FileBuffer.size())
                                      ? file.FileBuffer[static_cast<size_t>(q)]
                                      : 0;
        (*Tables(viewer)[4 + k])[i] = values[k];
    }
}

std::vector<std::string> GranuleGainTexts(const LoadedFile& file, const FrameIndexTable& index,
                                          int32_t f) {
    const size_t size = std::min<size_t>(file.FileSize, file.FileBuffer.size());
    if (f < 0 || f >= std::min<int32_t>(index.IndexedFrames, int32_t(index.FramePos.size())))
        return {};
    const auto at = static_cast<size_t>(index.FramePos[static_cast<size_t>(f)]);
    mp3::Layer3Header h;
    if (at + 4 > size || !mp3::ParseLayer3Header(file.FileBuffer.data() + at, size - at, h) ||
        at + static_cast<size_t>(h.MainDataOffset()) > size)
        return {};
    const mp3::SideInfoGains g = mp3::ReadGranuleGains(file.FileBuffer.data() + at, h);
    std::vector<std::string> texts(static_cast<size_t>(g.granules));
    for (int gr = 0; gr < g.granules; ++gr)
        for (int ch = 0; ch < g.channels; ++ch)
            texts[static_cast<size_t>(gr)] +=
                (ch ? "/" : "") + std::to_string(g.gain[gr][ch].globalGain);
    return texts;
}

} // namespace tessivo
