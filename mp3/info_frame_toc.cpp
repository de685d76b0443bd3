#include "mp3/info_frame_toc.h"

#include <algorithm>

namespace tessivo::mp3 {

std::array<uint8_t, 100> InfoFrameToc(size_t infoLength, const std::vector<size_t>& offsets,
                                      size_t totalBytes) {
    return InfoFrameToc(
        infoLength, offsets.size(), [&offsets](size_t j) { return offsets[j]; }, totalBytes);
}

std::array<uint8_t, 100> InfoFrameToc(size_t infoLength, size_t frames,
                                      const std::function<size_t(size_t j)>& offsetOf,
                                      size_t totalBytes) {
    std::array<uint8_t, 100> toc{};
    if (totalBytes == 0)
        return toc;
    const size_t bodyEnd = totalBytes - std::min(totalBytes, infoLength);
    for (size_t i = 0; i < toc.size(); ++i) {
        const size_t j = i * frames / 100;
        const size_t at = infoLength + (j < frames ? offsetOf(j) : bodyEnd);
        toc[i] = static_cast<uint8_t>(std::min<uint64_t>(255, uint64_t{at} * 256 / totalBytes));
    }
    return toc;
}

} // namespace tessivo::mp3
