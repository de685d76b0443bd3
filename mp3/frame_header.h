// MPEG audio frame headers: the tables of bitrates, sampling rates and frame
// lengths, the sync test the frame search uses, and the full decoding of a
// layer III header. Versions are numbered 1 (MPEG-1), 2 (MPEG-2) and 25
// (MPEG-2.5); layers 1..3.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessivo::mp3 {

// Bitrate in kbit/s for a bitrate index 1..14; 0 for 0 (free format), 15,
// or an unknown version/layer.
int BitrateKbps(int version, int layer, int index);
// Sample rate in Hz for index 0..2; 0 otherwise.
int SampleRateHz(int version, int index);
// PCM samples per channel in one frame.
int SamplesPerFrameFor(int version, int layer);
// Frame length in bytes (0 when the rate is 0).
int FrameLengthFor(int version, int layer, int bitrateKbps, int sampleRate, int padding);

// Version (1, 2, 25) from header byte 1 bits 4..3; 0 for the reserved value.
int VersionFromByte1(uint8_t b1);
// Layer (1..3) from header byte 1 bits 2..1; 0 for the reserved value.
int LayerFromByte1(uint8_t b1);

// The seven-point sync test on the 4 bytes at p (false when fewer than 4 are
// available): sync, bitrate index not 15, layer and sampling rate not
// reserved, no emphasis, mode extension only with joint stereo.
bool PassesSyncTest(const uint8_t* p, size_t avail);

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

// Frame length in bytes for a layer III frame (0 for index 0 and 15).
int Layer3FrameLength(bool lsf, int bitrateIndex, int sampleRate, bool padding);

// Side-information size in bytes.
int Layer3SideInfoSize(bool lsf, bool mono);

// The bitrate index whose frame (without padding) of the model's version and
// rate is at least minLength bytes long: `preferred` when that one is, else
// the smallest that is; 14 when none is.
int BitrateIndexForLength(const Layer3Header& model, int minLength, int preferred);

// Writes the 4 header bytes of a layer III frame without CRC or padding: the
// model's version, rate, channel mode and private bit, the given bitrate
// index, and the copyright and original bits of byte3.
void WriteLayer3Header(uint8_t* f, const Layer3Header& m, int bitrateIndex, uint8_t byte3);

} // namespace tessivo::mp3
