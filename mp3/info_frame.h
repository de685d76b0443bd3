// Reading the Xing/Info/VBRI frame at the start of a source file and building
// the Info frame (Xing header plus LAME tag) that opens a gapless part.
#pragma once

#include "mp3/side_info.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessivo::mp3 {

constexpr int kLameTagSize = 36;
// "Xing"/"Info", flags, frames, bytes, 100-byte seek table, quality.
constexpr int kXingFieldsSize = 120;

struct SourceInfoTag {
    enum class Kind { None, Xing, Info, Vbri };
    Kind kind = Kind::None;
    bool hasQuality = false;
    uint32_t quality = 0;
    bool hasLame = false;                     // a LAME tag follows the Xing fields
    bool hasDelayFields = false;              // the frame holds the LAME tag's bytes
    std::array<uint8_t, kLameTagSize> lame{}; // its bytes as found
    int delay = 0;         // encoder delay, samples (read whenever hasDelayFields)
    int padding = 0;       // padding at the end, samples
    size_t lameOffset = 0; // where the LAME tag starts in the frame
};

// Looks for a Xing, Info or VBRI header in the frame at `frame` (its bytes up
// to `avail`). LAME places "Xing"/"Info" right after the side information and
// does not count a CRC, so a protected frame is checked at both places.
SourceInfoTag ReadInfoTag(const uint8_t* frame, size_t avail);

struct InfoFrameSpec {
    Layer3Header model;      // version, rate, mode and private bit to copy
    uint8_t headerByte3 = 0; // the model frame's byte 3 (copyright, original)
    int bitrateIndex = 0;    // from InfoFrameBitrateIndex
    bool vbr = false;        // "Xing" when true, "Info" otherwise
    uint32_t frames = 0;     // frames that follow the Info frame
    uint64_t bytes = 0;      // Info frame plus those frames
    std::array<uint8_t, 100> toc{};
    int delay = 0;                         // 12-bit encoder delay
    int padding = 0;                       // 12-bit padding
    uint16_t musicCrc = 0;                 // CRC-16/ARC of the frames that follow
    const SourceInfoTag* source = nullptr; // fields worth keeping (encoder, lowpass...)
};

// Bytes the Info frame needs for the header, zero side information, the Xing
// fields and the LAME tag.
int InfoFrameMinLength(const Layer3Header& model);

// The bitrate index of the Info frame: `preferred` when that frame is long
// enough for the tag, else the smallest index that is.
int InfoFrameBitrateIndex(const Layer3Header& model, int preferred);

// Outputs of this size and more have no room for their length in the
// 32-bit byte count: their Info frame leaves that field out (its flag
// cleared), and players take the length from the frame count.
constexpr uint64_t kInfoByteCountLimit = uint64_t{1} << 32;

// Builds the Info frame: no CRC, no padding, all-zero side information.
std::vector<uint8_t> BuildInfoFrame(const InfoFrameSpec& spec);

} // namespace tessivo::mp3
