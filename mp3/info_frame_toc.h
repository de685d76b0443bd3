// The seek table of an Info frame, from where its frames lie in the file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessivo::mp3 {

// Entry i is the position of the frame i% of the way through the stream, in
// 256ths of `totalBytes`. `offsets` are the frames' positions after an Info
// frame of `infoLength` bytes; `totalBytes` counts the Info frame too.
std::array<uint8_t, 100> InfoFrameToc(size_t infoLength, const std::vector<size_t>& offsets,
                                      size_t totalBytes);

} // namespace tessivo::mp3
