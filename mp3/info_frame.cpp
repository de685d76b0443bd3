#include "mp3/info_frame.h"

#include <algorithm>
#include <cstring>

namespace tessivo::mp3 {

namespace {

uint32_t ReadBe32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

void WriteBe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

bool ParseXingAt(const uint8_t* frame, size_t avail, size_t at, SourceInfoTag& tag) {
    if (at + 8 > avail)
        return false;
    const bool xing = std::memcmp(frame + at, "Xing", 4) == 0;
    const bool info = std::memcmp(frame + at, "Info", 4) == 0;
    if (!xing && !info)
        return false;
    tag.kind = xing ? SourceInfoTag::Kind::Xing : SourceInfoTag::Kind::Info;
    const uint32_t flags = ReadBe32(frame + at + 4);
    size_t p = at + 8;
    if (flags & 1)
        p += 4;
    if (flags & 2)
        p += 4;
    if (flags & 4)
        p += 100;
    if (flags & 8) {
        if (p + 4 <= avail) {
            tag.hasQuality = true;
            tag.quality = ReadBe32(frame + p);
        }
        p += 4;
    }
    if (p + kLameTagSize <= avail) {
        // Decoders take delay and padding from these bytes whatever they hold;
        // a LAME tag proper starts with a printable encoder name.
        tag.hasDelayFields = true;
        const uint8_t* dp = frame + p + 21;
        tag.delay = (dp[0] << 4) | (dp[1] >> 4);
        tag.padding = ((dp[1] & 0x0F) << 8) | dp[2];
        if (frame[p] >= 0x20 && frame[p] < 0x7F) {
            tag.hasLame = true;
            tag.lameOffset = p;
            std::memcpy(tag.lame.data(), frame + p, kLameTagSize);
        }
    }
    return true;
}

} // namespace

SourceInfoTag ReadInfoTag(const uint8_t* frame, size_t avail) {
    SourceInfoTag tag;
    Layer3Header h;
    if (!ParseLayer3Header(frame, avail, h))
        return tag;
    avail = std::min(avail, static_cast<size_t>(h.length));
    const size_t plain = 4 + static_cast<size_t>(h.sideInfoSize);
    if (ParseXingAt(frame, avail, plain, tag))
        return tag;
    if (h.crc && ParseXingAt(frame, avail, plain + 2, tag))
        return tag;
    if (avail >= 40 && std::memcmp(frame + 36, "VBRI", 4) == 0)
        tag.kind = SourceInfoTag::Kind::Vbri;
    return tag;
}

int InfoFrameMinLength(const Layer3Header& model) {
    return 4 + Layer3SideInfoSize(model.lsf, model.Mono()) + kXingFieldsSize + kLameTagSize;
}

int InfoFrameBitrateIndex(const Layer3Header& model, int preferred) {
    return BitrateIndexForLength(model, InfoFrameMinLength(model), preferred);
}

namespace {

// Fills the LAME tag at `lame`: the source's encoding facts where it has a
// LAME-named tag, else a plain one; the delay, padding, music length and CRC.
void WriteLameTag(uint8_t* lame, const InfoFrameSpec& spec, uint32_t bytes32) {
    const SourceInfoTag* src = spec.source;
    // Tag readers take delay and padding only from a tag named "LAME..." or
    // "L3.99..."; another encoder's tag in LAME's layout (ffmpeg's "Lavc")
    // would make them count the part's warm-up frames as sound.
    const bool lameNamed = src && src->hasLame &&
                           (std::memcmp(src->lame.data(), "LAME", 4) == 0 ||
                            std::memcmp(src->lame.data(), "L3.99", 5) == 0);
    if (lameNamed) {
        // Keep what describes the encoding (encoder name, method, lowpass, flags,
        // ABR rate, stereo and source facts, preset); drop what describes the
        // whole source's sound (peak, ReplayGain, MP3Gain).
        std::memcpy(lame, src->lame.data(), 11);
        lame[19] = src->lame[19];
        lame[20] = src->lame[20];
        lame[24] = src->lame[24];
        lame[26] = src->lame[26];
        lame[27] = src->lame[27];
    } else {
        // No LAME tag to copy: name the tag format, revision 0, method CBR or
        // unknown.
        std::memcpy(lame, "LAME3.100", 9);
        lame[9] = spec.vbr ? 0x00 : 0x01;
    }
    const int delay = std::clamp(spec.delay, 0, 4095);
    const int padding = std::clamp(spec.padding, 0, 4095);
    lame[21] = static_cast<uint8_t>(delay >> 4);
    lame[22] = static_cast<uint8_t>(((delay & 0x0F) << 4) | (padding >> 8));
    lame[23] = static_cast<uint8_t>(padding & 0xFF);
    WriteBe32(lame + 28, bytes32); // music length, 0 when it does not fit
    lame[32] = static_cast<uint8_t>(spec.musicCrc >> 8);
    lame[33] = static_cast<uint8_t>(spec.musicCrc & 0xFF);
}

} // namespace

std::vector<uint8_t> BuildInfoFrame(const InfoFrameSpec& spec) {
    const Layer3Header& m = spec.model;
    const int length = Layer3FrameLength(m.lsf, spec.bitrateIndex, m.sampleRate, false);
    std::vector<uint8_t> f(static_cast<size_t>(std::max(length, InfoFrameMinLength(m))), 0);
    WriteLayer3Header(f.data(), m, spec.bitrateIndex, spec.headerByte3);

    size_t p = 4 + static_cast<size_t>(Layer3SideInfoSize(m.lsf, m.Mono()));
    const bool counted = spec.bytes < kInfoByteCountLimit;
    const uint32_t bytes32 = counted ? static_cast<uint32_t>(spec.bytes) : 0;
    std::memcpy(&f[p], spec.vbr ? "Xing" : "Info", 4);
    // Frames, bytes, seek table, quality; without the byte count the fields
    // after it, and the LAME tag, move up by its 4 bytes.
    WriteBe32(&f[p + 4], counted ? 0x0F : 0x0D);
    WriteBe32(&f[p + 8], spec.frames);
    size_t q = p + 12;
    if (counted) {
        WriteBe32(&f[q], bytes32);
        q += 4;
    }
    std::copy(spec.toc.begin(), spec.toc.end(), f.begin() + static_cast<long>(q));
    const SourceInfoTag* src = spec.source;
    WriteBe32(&f[q + 100], src && src->hasQuality ? src->quality : 0);

    const size_t lameAt = q + 104;
    WriteLameTag(&f[lameAt], spec, bytes32);
    const size_t tagCrcAt = lameAt + 34;
    const uint16_t crc = Crc16Arc(f.data(), tagCrcAt);
    f[tagCrcAt] = static_cast<uint8_t>(crc >> 8);
    f[tagCrcAt + 1] = static_cast<uint8_t>(crc & 0xFF);
    return f;
}

} // namespace tessivo::mp3
