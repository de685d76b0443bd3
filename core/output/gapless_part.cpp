#include "core/output/gapless_part.h"

#include "mp3/info_frame.h"
#include "mp3/mp3_side_info.h"

#include <algorithm>
#include <cstring>

namespace tessivo {

using mp3::Layer3Header;

namespace {

struct FrameSpan {
    size_t pos = 0;
    size_t len = 0;
};

// The source's frames: the frame index, plus (for the last part) the complete
// frames that follow the last indexed one before the end of the audio.
class SourceFrames {
public:
    explicit SourceFrames(const ProgramState& st) : st_(st) {
        const size_t size = std::min<size_t>(st.FileBuffer.size(), st.FileSize);
        audioEnd_ = size;
        if (st.HasId3v1 && audioEnd_ >= 128 + static_cast<size_t>(st.FirstFramePos))
            audioEnd_ -= 128;
        indexed_ = std::min<int32_t>(st.IndexedFrames, static_cast<int32_t>(st.FramePos.size()));
    }

    int32_t Indexed() const { return indexed_; }
    size_t AudioEnd() const { return audioEnd_; }
    const uint8_t* Data(size_t pos) const { return st_.FileBuffer.data() + pos; }

    bool Header(size_t pos, Layer3Header& h) const {
        if (pos >= audioEnd_)
            return false;
        return mp3::ParseLayer3Header(Data(pos), audioEnd_ - pos, h) &&
               pos + static_cast<size_t>(h.length) <= audioEnd_;
    }

    // Frame i of the index; its bytes run to the next indexed frame, so the
    // copy is the same as the plain writer's.
    FrameSpan Indexed(int32_t i) const {
        FrameSpan s;
        s.pos = static_cast<size_t>(st_.FramePos[static_cast<size_t>(i)]);
        if (i + 1 < indexed_) {
            s.len = static_cast<size_t>(st_.FramePos[static_cast<size_t>(i) + 1]) - s.pos;
        } else {
            Layer3Header h;
            s.len = Header(s.pos, h) ? static_cast<size_t>(h.length) : 0;
        }
        return s;
    }

    // Complete frames after the last indexed one, of the same version and rate.
    std::vector<FrameSpan> Tail(const Layer3Header& model) const {
        std::vector<FrameSpan> tail;
        if (indexed_ == 0)
            return tail;
        FrameSpan last = Indexed(indexed_ - 1);
        size_t pos = last.pos + last.len;
        Layer3Header h;
        while (last.len > 0 && Header(pos, h) && h.versionBits == model.versionBits &&
               h.rateIndex == model.rateIndex) {
            tail.push_back({pos, static_cast<size_t>(h.length)});
            pos += static_cast<size_t>(h.length);
        }
        return tail;
    }

private:
    const ProgramState& st_;
    size_t audioEnd_ = 0;
    int32_t indexed_ = 0;
};

// The last `count` bytes of main data that precede source frame `before`
// (walking back over the main-data slots of the frames from firstAudio on).
std::vector<uint8_t> ReservoirBefore(const SourceFrames& src, int32_t before, int32_t firstAudio,
                                     size_t count) {
    std::vector<uint8_t> bytes;
    for (int32_t k = before - 1; k >= firstAudio && bytes.size() < count; --k) {
        const FrameSpan s = src.Indexed(k);
        Layer3Header h;
        if (!src.Header(s.pos, h))
            break;
        const uint8_t* md = src.Data(s.pos + static_cast<size_t>(h.MainDataOffset()));
        const size_t mdLen = static_cast<size_t>(std::max(0, h.MainDataSize()));
        const size_t take = std::min(mdLen, count - bytes.size());
        bytes.insert(bytes.begin(), md + (mdLen - take), md + mdLen);
    }
    return bytes;
}

// Smallest bitrate index whose frame carries at least `mainData` bytes of main
// data with no CRC; `preferred` when that one is enough.
int SilentBitrateIndex(const Layer3Header& m, size_t mainData, int preferred) {
    const int overhead = 4 + mp3::Layer3SideInfoSize(m.lsf, m.Mono());
    auto fits = [&](int i) {
        return mp3::Layer3FrameLength(m.lsf, i, m.sampleRate, false) - overhead >=
               static_cast<int>(mainData);
    };
    if (preferred >= 1 && preferred <= 14 && fits(preferred))
        return preferred;
    for (int i = 1; i <= 14; ++i)
        if (fits(i))
            return i;
    return 14;
}

// A frame with all-zero side information: it decodes to silence and takes
// nothing from the reservoir. `reservoir` fills the end of its main data.
std::vector<uint8_t> SilentFrame(const Layer3Header& m, uint8_t byte3, int bitrateIndex,
                                 const std::vector<uint8_t>& reservoir) {
    const int length = mp3::Layer3FrameLength(m.lsf, bitrateIndex, m.sampleRate, false);
    std::vector<uint8_t> f(static_cast<size_t>(length), 0);
    f[0] = 0xFF;
    f[1] = static_cast<uint8_t>(0xE0 | (m.versionBits << 3) | (1 << 1) | 1);
    f[2] = static_cast<uint8_t>((bitrateIndex << 4) | (m.rateIndex << 2) | (m.privateBit ? 1 : 0));
    f[3] = static_cast<uint8_t>((m.mode << 6) | (byte3 & 0x0C));
    const size_t n =
        std::min(reservoir.size(),
                 f.size() - 4 - static_cast<size_t>(mp3::Layer3SideInfoSize(m.lsf, m.Mono())));
    std::copy(reservoir.end() - static_cast<long>(n), reservoir.end(),
              f.end() - static_cast<long>(n));
    return f;
}

} // namespace

bool BuildGaplessPart(const ProgramState& st, int32_t firstFrame, int32_t lastFrame,
                      std::vector<uint8_t>& out, GaplessPartReport* report) {
    return BuildGaplessPartWithSilent(st, firstFrame, lastFrame, -1, out, report);
}

bool BuildGaplessPartWithSilent(const ProgramState& st, int32_t firstFrame, int32_t lastFrame,
                                int silentFrames, std::vector<uint8_t>& out,
                                GaplessPartReport* report) {
    out.clear();
    GaplessPartReport rep;
    const SourceFrames src(st);
    const int32_t indexed = src.Indexed();
    if (indexed == 0 || firstFrame < 0 || firstFrame > lastFrame || firstFrame >= indexed)
        return false;
    lastFrame = std::min(lastFrame, indexed - 1);

    // The stream's facts come from the first frame (the Info frame when there is one).
    Layer3Header model;
    const FrameSpan frame0 = src.Indexed(0);
    if (!src.Header(frame0.pos, model))
        return false;
    const mp3::SourceInfoTag tag =
        mp3::ReadInfoTag(src.Data(frame0.pos), src.AudioEnd() - frame0.pos);
    const int32_t firstAudio = tag.kind == mp3::SourceInfoTag::Kind::None ? 0 : 1;
    const int32_t f = std::max(firstFrame, firstAudio);
    if (f > lastFrame)
        return false;
    const int spf = model.samplesPerFrame;

    Layer3Header fh;
    if (!src.Header(src.Indexed(f).pos, fh))
        return false;
    const uint8_t byte3 = src.Data(src.Indexed(f).pos)[3];

    // The part's own frames.
    std::vector<FrameSpan> own;
    for (int32_t i = f; i <= lastFrame; ++i)
        own.push_back(src.Indexed(i));
    const bool isLast = lastFrame >= indexed - 1 ||
                        (st.FrameCount > 0 && lastFrame >= static_cast<int32_t>(st.FrameCount) - 1);
    const std::vector<FrameSpan> tail = src.Tail(model);
    if (isLast)
        own.insert(own.end(), tail.begin(), tail.end());

    bool vbr =
        tag.kind == mp3::SourceInfoTag::Kind::Xing || tag.kind == mp3::SourceInfoTag::Kind::Vbri;
    if (tag.kind == mp3::SourceInfoTag::Kind::None) {
        Layer3Header h;
        for (const FrameSpan& s : own)
            if (src.Header(s.pos, h) && h.bitrateIndex != fh.bitrateIndex)
                vbr = true;
    }

    // Warm-up frames: the granules whose overlap and synthesis history the
    // first frame's output depends on (one frame for MPEG-1, two for MPEG-2/2.5).
    const int32_t audioBefore = f - firstAudio;
    const int warmups = static_cast<int>(std::min<int32_t>(model.lsf ? 2 : 1, audioBefore));
    const int32_t firstWarmup = f - warmups;
    std::vector<uint8_t> reservoir;
    if (warmups > 0) {
        Layer3Header wh;
        const FrameSpan w = src.Indexed(firstWarmup);
        if (src.Header(w.pos, wh)) {
            const int back = mp3::MainDataBegin(src.Data(w.pos), wh);
            reservoir = ReservoirBefore(src, firstWarmup, firstAudio, static_cast<size_t>(back));
        }
    }

    // Silent frames: one to carry the reservoir, more to match the decoding
    // phase. libmpg123's synthesis rounds differently by phase: the count of
    // frames decoded before f must match the source's modulo 2 (modulo 4 for
    // mono MPEG-2/2.5).
    const int minSilent = (warmups > 0 && !reservoir.empty()) ? 1 : 0;
    int silent = minSilent;
    if (warmups > 0) {
        if (silentFrames >= 0) {
            silent = std::max(silentFrames, minSilent);
        } else {
            const int mod = (model.lsf && model.Mono()) ? 4 : 2;
            rep.phaseMatched = false;
            for (int s = minSilent; warmups + s <= kMaxLeadFrames; ++s) {
                if ((warmups + s) % mod == audioBefore % mod) {
                    silent = s;
                    rep.phaseMatched = true;
                    break;
                }
            }
        }
    }

    // The frames after the Info frame, with the reservoir check: a frame that
    // points back further than the main data before it in this file is
    // silenced (its side information zeroed), so no decoder reads garbage.
    std::vector<uint8_t> body;
    std::vector<size_t> offsets;
    size_t avail = 0;
    const int silentIndex = SilentBitrateIndex(model, reservoir.size(), vbr ? 0 : fh.bitrateIndex);
    for (int s = 0; s < silent; ++s) {
        const std::vector<uint8_t> fr = SilentFrame(
            model, byte3, silentIndex, s + 1 == silent ? reservoir : std::vector<uint8_t>{});
        offsets.push_back(body.size());
        body.insert(body.end(), fr.begin(), fr.end());
        avail += fr.size() - 4 - static_cast<size_t>(model.sideInfoSize);
    }
    auto emit = [&](const FrameSpan& s, bool ownFrame) {
        if (s.len == 0)
            return; // no frame there (the index ran past the audio)
        offsets.push_back(body.size());
        const size_t at = body.size();
        body.insert(body.end(), src.Data(s.pos), src.Data(s.pos) + s.len);
        Layer3Header h;
        if (!mp3::ParseLayer3Header(&body[at], s.len, h) || static_cast<size_t>(h.length) > s.len)
            return;
        if (static_cast<size_t>(mp3::MainDataBegin(&body[at], h)) > avail) {
            mp3::ZeroSideInfo(&body[at], h);
            if (ownFrame)
                ++rep.zeroedFrames;
        }
        avail += static_cast<size_t>(std::max(0, h.MainDataSize()));
    };
    for (int32_t i = firstWarmup; i < f; ++i)
        emit(src.Indexed(i), false);
    const size_t beforeOwn = offsets.size();
    for (const FrameSpan& s : own)
        emit(s, true);
    const size_t ownFrames = offsets.size() - beforeOwn;

    rep.silentFrames = silent;
    rep.warmupFrames = warmups;
    rep.frames = static_cast<uint32_t>(offsets.size());
    const int lead = silent + warmups;

    // Delay and padding. A gapless decoder skips delay + 529 samples and stops
    // 529 - padding samples after the last frame's end. Counted in the
    // untrimmed output of the source's audio frames, the source plays the
    // samples [sourceDelay + 529, N x spf - sourcePadding + 529) and this part's
    // own frames hold [partBegin, partEnd); the part plays the overlap. That is
    // delay = source delay for the first part, lead x spf - 529 for the others,
    // padding = 529 except for the last part (source padding), unless a part
    // is shorter than the source's delay or padding.
    const int sourceDelay = tag.hasLame ? tag.delay : kAssumedEncoderDelay;
    const int sourcePadding = tag.hasLame ? tag.padding : kDecoderDelay;
    const int64_t sourceFrames = int64_t{indexed} - firstAudio + static_cast<int64_t>(tail.size());
    const int64_t playBegin = int64_t{sourceDelay} + kDecoderDelay;
    const int64_t playEnd = sourceFrames * spf - sourcePadding + kDecoderDelay;
    const int64_t partBegin = int64_t{audioBefore} * spf;
    const int64_t partEnd = partBegin + static_cast<int64_t>(ownFrames) * spf;
    int64_t from = std::clamp(playBegin, partBegin, partEnd);
    int64_t to = std::clamp(playEnd, from, partEnd);
    if (to == from) {
        // The part lies wholly within the source's delay or padding. A file
        // that plays nothing is no use (libmpg123 refuses it): it plays its
        // frames' samples instead.
        from = partBegin;
        to = partEnd;
    }
    // The first 529 samples of a stream are never output: a part that starts
    // at the source's first frame cannot begin before them.
    rep.delay = static_cast<int>(
        std::clamp<int64_t>(from - partBegin + int64_t{lead} * spf - kDecoderDelay, 0, 4095));
    rep.padding = static_cast<int>(std::min<int64_t>(4095, partEnd - to + kDecoderDelay));
    const int64_t samples = int64_t{rep.frames} * spf - rep.delay - rep.padding;
    rep.audioSamples = static_cast<uint32_t>(std::max<int64_t>(0, samples));

    mp3::InfoFrameSpec spec;
    spec.model = model;
    spec.model.mode = fh.mode;
    spec.headerByte3 = byte3;
    spec.bitrateIndex = mp3::InfoFrameBitrateIndex(model, vbr ? 0 : fh.bitrateIndex);
    spec.vbr = vbr;
    spec.frames = rep.frames;
    const size_t infoLen = static_cast<size_t>(
        mp3::Layer3FrameLength(model.lsf, spec.bitrateIndex, model.sampleRate, false));
    spec.bytes = static_cast<uint32_t>(infoLen + body.size());
    for (size_t i = 0; i < 100; ++i) {
        const size_t j = i * offsets.size() / 100;
        const size_t at = infoLen + (j < offsets.size() ? offsets[j] : body.size());
        spec.toc[i] =
            static_cast<uint8_t>(std::min<uint64_t>(255, uint64_t{at} * 256 / spec.bytes));
    }
    spec.delay = rep.delay;
    spec.padding = rep.padding;
    spec.musicCrc = mp3::Crc16Arc(body.data(), body.size());
    spec.source = &tag;

    out = mp3::BuildInfoFrame(spec);
    out.insert(out.end(), body.begin(), body.end());
    if (report)
        *report = rep;
    return true;
}

} // namespace tessivo
