#include "core/output/gapless_part.h"

#include "core/analysis/frame_index.h"
#include "mp3/info_frame.h"
#include "mp3/side_info.h"

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
    explicit SourceFrames(const AnalysedFile& st) : st_(st) {
        audioEnd_ = static_cast<size_t>(tessivo::AudioEnd(st, st));
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
    const AnalysedFile& st_;
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
    return mp3::BitrateIndexForLength(m, overhead + static_cast<int>(mainData), preferred);
}

// A frame with all-zero side information: it decodes to silence and takes
// nothing from the reservoir. `reservoir` fills the end of its main data.
std::vector<uint8_t> SilentFrame(const Layer3Header& m, uint8_t byte3, int bitrateIndex,
                                 const std::vector<uint8_t>& reservoir) {
    const int length = mp3::Layer3FrameLength(m.lsf, bitrateIndex, m.sampleRate, false);
    std::vector<uint8_t> f(static_cast<size_t>(length), 0);
    mp3::WriteLayer3Header(f.data(), m, bitrateIndex, byte3);
    const size_t n =
        std::min(reservoir.size(),
                 f.size() - 4 - static_cast<size_t>(mp3::Layer3SideInfoSize(m.lsf, m.Mono())));
    std::copy(reservoir.end() - static_cast<long>(n), reservoir.end(),
              f.end() - static_cast<long>(n));
    return f;
}

// Everything the part is made of, decided before a byte is written.
struct PartPlan {
    Layer3Header model;             // the stream's facts, from its first frame
    Layer3Header first;             // the part's first audio frame
    uint8_t byte3 = 0;              // that frame's header byte 3
    mp3::SourceInfoTag tag;         // the source's Xing/Info/VBRI frame
    int32_t firstAudio = 0;         // first source frame with audio (1 after an Info frame)
    int32_t f = 0;                  // the part's first audio frame
    std::vector<FrameSpan> own;     // the part's own frames
    size_t tailFrames = 0;          // complete frames after the last indexed one
    bool vbr = false;               // bitrates vary (in the source or within the part)
    int32_t audioBefore = 0;        // audio frames of the source before f
    int warmups = 0;                // source frames copied in front of f
    std::vector<uint8_t> reservoir; // main data the first warm-up frame reaches back to
    int silent = 0;                 // silent frames in front of the warm-up frames
};

// The stream's facts and the part's first audio frame. False when the source
// is no layer III stream or the part holds no audio frame.
bool PlanStart(const SourceFrames& src, int32_t firstFrame, int32_t lastFrame, PartPlan& plan) {
    // The stream's facts come from the first frame (the Info frame when there is one).
    const FrameSpan frame0 = src.Indexed(0);
    if (!src.Header(frame0.pos, plan.model))
        return false;
    plan.tag = mp3::ReadInfoTag(src.Data(frame0.pos), src.AudioEnd() - frame0.pos);
    plan.firstAudio = plan.tag.kind == mp3::SourceInfoTag::Kind::None ? 0 : 1;
    plan.f = std::max(firstFrame, plan.firstAudio);
    if (plan.f > lastFrame)
        return false;
    const size_t pos = src.Indexed(plan.f).pos;
    if (!src.Header(pos, plan.first))
        return false;
    plan.byte3 = src.Data(pos)[3];
    plan.audioBefore = plan.f - plan.firstAudio;
    return true;
}

// The part's own frames (with the frames after the index for the last part)
// and whether the bitrate varies.
void PlanOwnFrames(const AnalysedFile& st, const SourceFrames& src, int32_t lastFrame,
                   PartPlan& plan) {
    for (int32_t i = plan.f; i <= lastFrame; ++i)
        plan.own.push_back(src.Indexed(i));
    const int32_t indexed = src.Indexed();
    const bool isLast = lastFrame >= indexed - 1 ||
                        (st.FrameCount > 0 && lastFrame >= static_cast<int32_t>(st.FrameCount) - 1);
    const std::vector<FrameSpan> tail = src.Tail(plan.model);
    plan.tailFrames = tail.size();
    if (isLast)
        plan.own.insert(plan.own.end(), tail.begin(), tail.end());

    using Kind = mp3::SourceInfoTag::Kind;
    plan.vbr = plan.tag.kind == Kind::Xing || plan.tag.kind == Kind::Vbri;
    if (plan.tag.kind == Kind::None) {
        Layer3Header h;
        for (const FrameSpan& s : plan.own)
            if (src.Header(s.pos, h) && h.bitrateIndex != plan.first.bitrateIndex)
                plan.vbr = true;
    }
}

// Warm-up and silent frames in front of the part. `silentFrames` forces the
// number of silent frames (-1: chosen by the phase rule).
void PlanLeadFrames(const SourceFrames& src, int silentFrames, PartPlan& plan,
                    GaplessPartReport& rep) {
    // Warm-up frames: the granules whose overlap and synthesis history the
    // first frame's output depends on (one frame for MPEG-1, two for MPEG-2/2.5).
    const Layer3Header& model = plan.model;
    plan.warmups = static_cast<int>(std::min<int32_t>(model.lsf ? 2 : 1, plan.audioBefore));
    const int32_t firstWarmup = plan.f - plan.warmups;
    if (plan.warmups > 0) {
        Layer3Header wh;
        const FrameSpan w = src.Indexed(firstWarmup);
        if (src.Header(w.pos, wh)) {
            const int back = mp3::MainDataBegin(src.Data(w.pos), wh);
            plan.reservoir =
                ReservoirBefore(src, firstWarmup, plan.firstAudio, static_cast<size_t>(back));
        }
    }

    // Silent frames: one to carry the reservoir, more to match the decoding
    // phase. libmpg123's synthesis rounds differently by phase: the count of
    // frames decoded before f must match the source's modulo 2 (modulo 4 for
    // mono MPEG-2/2.5).
    const int minSilent = (plan.warmups > 0 && !plan.reservoir.empty()) ? 1 : 0;
    plan.silent = minSilent;
    if (plan.warmups == 0)
        return;
    if (silentFrames >= 0) {
        plan.silent = std::max(silentFrames, minSilent);
        return;
    }
    const int mod = (model.lsf && model.Mono()) ? 4 : 2;
    rep.phaseMatched = false;
    for (int s = minSilent; plan.warmups + s <= kMaxLeadFrames; ++s) {
        if ((plan.warmups + s) % mod == plan.audioBefore % mod) {
            plan.silent = s;
            rep.phaseMatched = true;
            break;
        }
    }
}

// The frames after the Info frame and where each starts.
struct PartBody {
    std::vector<uint8_t> bytes;
    std::vector<size_t> offsets;
    size_t ownFrames = 0;
};

// Silent frames, warm-up frames and the part's own frames, with the reservoir
// check: a frame that points back further than the main data before it in
// this file is silenced (its side information zeroed), so no decoder reads
// garbage.
PartBody EmitBody(const SourceFrames& src, const PartPlan& plan, GaplessPartReport& rep) {
    PartBody body;
    size_t avail = 0;
    const Layer3Header& model = plan.model;
    const int silentIndex =
        SilentBitrateIndex(model, plan.reservoir.size(), plan.vbr ? 0 : plan.first.bitrateIndex);
    for (int s = 0; s < plan.silent; ++s) {
        const std::vector<uint8_t> fr =
            SilentFrame(model, plan.byte3, silentIndex,
                        s + 1 == plan.silent ? plan.reservoir : std::vector<uint8_t>{});
        body.offsets.push_back(body.bytes.size());
        body.bytes.insert(body.bytes.end(), fr.begin(), fr.end());
        avail += fr.size() - 4 - static_cast<size_t>(model.sideInfoSize);
    }
    auto emit = [&](const FrameSpan& s, bool ownFrame) {
        if (s.len == 0)
            return; // no frame there (the index ran past the audio)
        body.offsets.push_back(body.bytes.size());
        const size_t at = body.bytes.size();
        body.bytes.insert(body.bytes.end(), src.Data(s.pos), src.Data(s.pos) + s.len);
        uint8_t* frame = &body.bytes[at];
        Layer3Header h;
        if (!mp3::ParseLayer3Header(frame, s.len, h) || static_cast<size_t>(h.length) > s.len)
            return;
        if (static_cast<size_t>(mp3::MainDataBegin(frame, h)) > avail) {
            mp3::ZeroSideInfo(frame, h);
            if (ownFrame)
                ++rep.zeroedFrames;
        }
        avail += static_cast<size_t>(std::max(0, h.MainDataSize()));
    };
    for (int32_t i = plan.f - plan.warmups; i < plan.f; ++i)
        emit(src.Indexed(i), false);
    const size_t beforeOwn = body.offsets.size();
    for (const FrameSpan& s : plan.own)
        emit(s, true);
    body.ownFrames = body.offsets.size() - beforeOwn;
    return body;
}

// Delay and padding. A gapless decoder skips delay + 529 samples and stops
// 529 - padding samples after the last frame's end. Counted in the untrimmed
// output of the source's audio frames, the source plays the samples
// [sourceDelay + 529, N x spf - sourcePadding + 529) and this part's own
// frames hold [partBegin, partEnd); the part plays the overlap. That is
// delay = source delay for the first part, lead x spf - 529 for the others,
// padding = 529 except for the last part (source padding), unless a part is
// shorter than the source's delay or padding.
void DelayAndPadding(const PartPlan& plan, int32_t indexed, size_t ownFrames,
                     GaplessPartReport& rep) {
    const int spf = plan.model.samplesPerFrame;
    const int lead = plan.silent + plan.warmups;
    const int sourceDelay = plan.tag.hasLame ? plan.tag.delay : kAssumedEncoderDelay;
    const int sourcePadding = plan.tag.hasLame ? plan.tag.padding : kDecoderDelay;
    const int64_t sourceFrames =
        int64_t{indexed} - plan.firstAudio + static_cast<int64_t>(plan.tailFrames);
    const int64_t playBegin = int64_t{sourceDelay} + kDecoderDelay;
    const int64_t playEnd = sourceFrames * spf - sourcePadding + kDecoderDelay;
    const int64_t partBegin = int64_t{plan.audioBefore} * spf;
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
}

// The Info frame that opens the part: its Xing fields count and map the body,
// its LAME tag carries delay, padding and the body's CRC.
std::vector<uint8_t> PartInfoFrame(const PartPlan& plan, const PartBody& body,
                                   const GaplessPartReport& rep) {
    const Layer3Header& model = plan.model;
    mp3::InfoFrameSpec spec;
    spec.model = model;
    spec.model.mode = plan.first.mode;
    spec.headerByte3 = plan.byte3;
    spec.bitrateIndex = mp3::InfoFrameBitrateIndex(model, plan.vbr ? 0 : plan.first.bitrateIndex);
    spec.vbr = plan.vbr;
    spec.frames = rep.frames;
    const size_t infoLen = static_cast<size_t>(
        mp3::Layer3FrameLength(model.lsf, spec.bitrateIndex, model.sampleRate, false));
    spec.bytes = infoLen + body.bytes.size();
    const std::vector<size_t>& offsets = body.offsets;
    for (size_t i = 0; i < 100; ++i) {
        const size_t j = i * offsets.size() / 100;
        const size_t at = infoLen + (j < offsets.size() ? offsets[j] : body.bytes.size());
        spec.toc[i] =
            static_cast<uint8_t>(std::min<uint64_t>(255, uint64_t{at} * 256 / spec.bytes));
    }
    spec.delay = rep.delay;
    spec.padding = rep.padding;
    spec.musicCrc = mp3::Crc16Arc(body.bytes.data(), body.bytes.size());
    spec.source = &plan.tag;
    return mp3::BuildInfoFrame(spec);
}

// Delay and padding of a part that plays the samples [u0, u1) of the
// source's decoded frames (counted from frame 0 of the index): the part's
// decode skips the lead frames and the shared frame's samples before u0, and
// ends on u1 - 1. A part whose own frames stop short of u1 (an index cut
// short) plays to their end.
void SampleDelayAndPadding(const PartPlan& plan, size_t ownFrames, int64_t u0, int64_t u1,
                           GaplessPartReport& rep) {
    const int64_t spf = plan.model.samplesPerFrame;
    const int64_t lead = plan.silent + plan.warmups;
    const int64_t partBegin = int64_t{plan.f} * spf;
    const int64_t partEnd = partBegin + static_cast<int64_t>(ownFrames) * spf;
    u1 = std::min(u1, partEnd);
    rep.delay = static_cast<int>(u0 - partBegin + lead * spf - kDecoderDelay);
    rep.padding = static_cast<int>(partEnd - u1 + kDecoderDelay);
    rep.audioSamples = static_cast<uint32_t>(std::max<int64_t>(0, u1 - u0));
}

// A lead long enough for the decoder's delay: a part that starts within the
// first 529 samples of its first frame with no frame before it gets a silent
// frame in front (an all-zero frame leaves the decoder as fresh as it was).
void LeadForDecoderDelay(PartPlan& plan, int64_t offset) {
    const int64_t spf = plan.model.samplesPerFrame;
    if (offset + int64_t{plan.silent + plan.warmups} * spf < kDecoderDelay)
        ++plan.silent;
}

} // namespace

bool BuildGaplessSampleRange(const AnalysedFile& st, int64_t s0, int64_t s1,
                             std::vector<uint8_t>& out, GaplessPartReport* report) {
    out.clear();
    const TimeBase tb = TimeBaseOf(st);
    const SourceFrames src(st);
    const int32_t indexed = src.Indexed();
    if (indexed == 0 || tb.samplesPerFrame <= 0 || s0 < 0 || s1 <= s0 || s1 > tb.samples)
        return false;
    const int64_t first = FrameHoldingSample(tb, s0);
    const int64_t last = std::min<int64_t>(FrameHoldingSample(tb, s1 - 1), indexed - 1);
    PartPlan plan;
    if (first > last ||
        !PlanStart(src, static_cast<int32_t>(first), static_cast<int32_t>(last), plan) ||
        plan.f != first || plan.model.samplesPerFrame != tb.samplesPerFrame)
        return false;
    PlanOwnFrames(st, src, static_cast<int32_t>(last), plan);
    GaplessPartReport rep;
    PlanLeadFrames(src, -1, plan, rep);
    const int64_t u0 = s0 + tb.zeroSample, u1 = s1 + tb.zeroSample;
    LeadForDecoderDelay(plan, u0 - first * tb.samplesPerFrame);
    const PartBody body = EmitBody(src, plan, rep);
    rep.silentFrames = plan.silent;
    rep.warmupFrames = plan.warmups;
    rep.frames = static_cast<uint32_t>(body.offsets.size());
    SampleDelayAndPadding(plan, body.ownFrames, u0, u1, rep);
    // The tag's fields hold 12 bits; a lead of a reservoir carrier, a phase
    // frame and the warm-up frames keeps the delay below that.
    if (rep.delay < 0 || rep.delay > 4095 || rep.padding < 0 || rep.padding > 4095)
        return false;
    out = PartInfoFrame(plan, body, rep);
    out.insert(out.end(), body.bytes.begin(), body.bytes.end());
    if (report)
        *report = rep;
    return true;
}

bool BuildGaplessPart(const AnalysedFile& st, int32_t firstFrame, int32_t lastFrame,
                      std::vector<uint8_t>& out, GaplessPartReport* report) {
    return BuildGaplessPartWithSilent(st, firstFrame, lastFrame, -1, out, report);
}

bool BuildGaplessPartWithSilent(const AnalysedFile& st, int32_t firstFrame, int32_t lastFrame,
                                int silentFrames, std::vector<uint8_t>& out,
                                GaplessPartReport* report) {
    out.clear();
    const SourceFrames src(st);
    const int32_t indexed = src.Indexed();
    if (indexed == 0 || firstFrame < 0 || firstFrame > lastFrame || firstFrame >= indexed)
        return false;
    lastFrame = std::min(lastFrame, indexed - 1);
    PartPlan plan;
    if (!PlanStart(src, firstFrame, lastFrame, plan))
        return false;
    PlanOwnFrames(st, src, lastFrame, plan);
    GaplessPartReport rep;
    PlanLeadFrames(src, silentFrames, plan, rep);
    const PartBody body = EmitBody(src, plan, rep);
    rep.silentFrames = plan.silent;
    rep.warmupFrames = plan.warmups;
    rep.frames = static_cast<uint32_t>(body.offsets.size());
    DelayAndPadding(plan, indexed, body.ownFrames, rep);

    out = PartInfoFrame(plan, body, rep);
    out.insert(out.end(), body.bytes.begin(), body.bytes.end());
    if (report)
        *report = rep;
    return true;
}

} // namespace tessivo
