// The seek table of an Info frame, from where its frames lie in the file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace tessivo::mp3 {

// Entry i is the position of the frame i% of the way through the stream, in
// 256ths of `totalBytes`. `offsets` are the frames' positions after an Info
// frame of `infoLength` bytes; `totalBytes` counts the Info frame too.
std::array<uint8_t, 100> InfoFrameToc(size_t infoLength, const std::vector<size_t>& offsets,
                                      size_t totalBytes);

// The same from the number of frames and a function that gives the
// position of frame j; it is asked only for the frames the entries need
// (j = i * frames / 100, rising).
std::array<uint8_t, 100> InfoFrameToc(size_t infoLength, size_t frames,
                                      const std::function<size_t(size_t j)>& offsetOf,
                                      size_t totalBytes);

} // namespace tessivo::mp3
