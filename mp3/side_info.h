// Layer III side information as the gapless part builder needs it:
// main_data_begin, the frame CRC, silencing a frame, and the CRC-16 that LAME
// uses for its tag.
#pragma once

#include "mp3/frame_header.h"

#include <cstddef>
#include <cstdint>

namespace tessivo::mp3 {

// The frame's main_data_begin: how many bytes before its own main-data slot
// its main data starts (9 bits for MPEG-1, 8 bits for MPEG-2 and 2.5).
int MainDataBegin(const uint8_t* frame, const Layer3Header& h);

// What the side information says about the loudness of each granule and
// channel: how many bits of coded spectrum it has and its global gain (the
// quantiser step, 1.5 dB per unit).
struct GranuleGain {
    int part23Length = 0; // bits of scale factors and Huffman data; 0 for silence
    int bigValues = 0;    // pairs of spectral values coded with the large tables
    int largestTable = 0; // the Huffman table of the big-values regions that reaches highest
    int globalGain = 0;   // 0..255
};
struct SideInfoGains {
    int granules = 0; // 2 for MPEG-1, 1 for MPEG-2 and 2.5
    int channels = 0;
    bool midSide = false;     // joint stereo coded as mid and side channels
    GranuleGain gain[2][2]{}; // [granule][channel]
};

// The largest magnitude Huffman table `table` (0..31) can code, linbits
// included: the encoder picks the smallest table that fits a region.
int HuffmanTableMax(int table);

// Reads the gains from the side information of the frame at `frame`
// (header and side information must be readable).
SideInfoGains ReadGranuleGains(const uint8_t* frame, const Layer3Header& h);

// CRC-16 with polynomial 0x8005, initial value 0xFFFF, most significant bit
// first: the checksum of protected MPEG audio frames.
uint16_t Crc16Mpeg(const uint8_t* data, size_t n, uint16_t crc = 0xFFFF);

// The checksum a protected frame must carry: over header bytes 2 and 3 and
// the whole side information.
uint16_t FrameCrc(const uint8_t* frame, const Layer3Header& h);

// Zeroes the side information (the frame then decodes to silence and takes
// nothing from the reservoir) and, for a protected frame, stores a fresh CRC.
void ZeroSideInfo(uint8_t* frame, const Layer3Header& h);

// Changes the global_gain of every granule and channel of the frame at
// `frame` by `steps` (1.5 dB each), each clamped to 0..255, and stores a
// fresh CRC in a protected frame. Returns how many gains the clamp held back.
int ChangeGlobalGain(uint8_t* frame, const Layer3Header& h, int steps);

// The same per granule: granule g of every channel changes by steps[g]
// (steps[1] unused in a one-granule frame). A frame none of whose gains
// change keeps its CRC as it is.
int ChangeGranuleGains(uint8_t* frame, const Layer3Header& h, const int steps[2]);

// CRC-16/ARC (polynomial 0x8005 reflected, initial value 0): the checksum in
// the last two bytes of a LAME tag and of its music field.
uint16_t Crc16Arc(const uint8_t* data, size_t n, uint16_t crc = 0);

} // namespace tessivo::mp3
