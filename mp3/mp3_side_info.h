// Bit-level facts about MPEG audio layer III frames that the gapless part
// builder needs: header fields, side-information size, main_data_begin,
// the frame CRC and the CRC-16 that LAME uses for its tag.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessivo::mp3 {

struct Layer3Header {
    int versionBits = 0;  // 3 = MPEG-1, 2 = MPEG-2, 0 = MPEG-2.5
    bool lsf = false;     // MPEG-2 or 2.5: one granule per frame
    bool crc = false;     // a 16-bit CRC follows the header
    int bitrateIndex = 0; // 1..14
    int rateIndex = 0;    // 0..2
    bool padding = false;
    bool privateBit = false;
    int mode = 0;       // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    int sampleRate = 0; // Hz
    int bitrateKbps = 0;
    int length = 0;       // bytes, header included
    int sideInfoSize = 0; // 9, 17 or 32 bytes
    int samplesPerFrame = 0;

    bool Mono() const { return mode == 3; }
    // Offset of the side information from the frame start.
    int SideInfoOffset() const { return 4 + (crc ? 2 : 0); }
    // Offset of the first main-data byte from the frame start.
    int MainDataOffset() const { return SideInfoOffset() + sideInfoSize; }
    // Bytes of main data the frame carries (its share of the bit reservoir).
    int MainDataSize() const { return length - MainDataOffset(); }
};

// Decodes the 4 header bytes at p. False for anything that is not a layer III
// header with a known bitrate (free format is refused) and sampling rate.
bool ParseLayer3Header(const uint8_t* p, size_t avail, Layer3Header& h);

// Bitrate in kbit/s for a layer III bitrate index (0 for 0 and 15).
int Layer3Bitrate(bool lsf, int bitrateIndex);

// Frame length in bytes for a layer III frame.
int Layer3FrameLength(bool lsf, int bitrateIndex, int sampleRate, bool padding);

// Side-information size in bytes.
int Layer3SideInfoSize(bool lsf, bool mono);

// The frame's main_data_begin: how many bytes before its own main-data slot
// its main data starts (9 bits for MPEG-1, 8 bits for MPEG-2 and 2.5).
int MainDataBegin(const uint8_t* frame, const Layer3Header& h);

// CRC-16 with polynomial 0x8005, initial value 0xFFFF, most significant bit
// first: the checksum of protected MPEG audio frames.
uint16_t Crc16Mpeg(const uint8_t* data, size_t n, uint16_t crc = 0xFFFF);

// The checksum a protected frame must carry: over header bytes 2 and 3 and
// the whole side information.
uint16_t FrameCrc(const uint8_t* frame, const Layer3Header& h);

// Zeroes the side information (the frame then decodes to silence and takes
// nothing from the reservoir) and, for a protected frame, stores a fresh CRC.
void ZeroSideInfo(uint8_t* frame, const Layer3Header& h);

// CRC-16/ARC (polynomial 0x8005 reflected, initial value 0): the checksum in
// the last two bytes of a LAME tag and of its music field.
uint16_t Crc16Arc(const uint8_t* data, size_t n, uint16_t crc = 0);

} // namespace tessivo::mp3
