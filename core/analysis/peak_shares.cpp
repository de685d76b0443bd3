#include "core/analysis/peak_shares.h"

#include "core/util/hash64.h"

#include <algorithm>

namespace tessivo {

namespace {

// Peaks of one decoded frame. Samples the decoder did not deliver count as 0.
FramePeak FramePeakValues(const AnalysedFile& in, const int16_t* pcm, size_t bytes) {
    const int spf = in.SamplesPerFrame;
    const int ch = in.ChannelCount;
    const size_t have =
        std::min<size_t>(bytes / 2 / static_cast<size_t>(ch), static_cast<size_t>(spf));
    int16_t maxL = 0, minL = 0, maxR = 0, minR = 0;
    if (have > 0) {
        maxL = minL = pcm[0];
        if (ch == 2)
            maxR = minR = pcm[1];
    }
    if (ch == 2) {
        for (size_t s = 0; s < have; ++s) {
            const int16_t l = pcm[2 * s], r = pcm[2 * s + 1];
            maxL = std::max(maxL, l);
            minL = std::min(minL, l);
            maxR = std::max(maxR, r);
            minR = std::min(minR, r);
        }
    } else {
        for (size_t s = 0; s < have; ++s) {
            maxL = std::max(maxL, pcm[s]);
            minL = std::min(minL, pcm[s]);
        }
    }
    if (have < static_cast<size_t>(spf)) { // the missing samples are 0
        maxL = std::max<int16_t>(maxL, 0);
        minL = std::min<int16_t>(minL, 0);
        if (ch == 2) {
            maxR = std::max<int16_t>(maxR, 0);
            minR = std::min<int16_t>(minR, 0);
        }
    }
    return {maxL, minL, maxR, minR};
}

void StorePeak(PeakTable& out, uint32_t j, const FramePeak& p, const FrameEnergy& energy) {
    out.PeakMaxL[j] = p[0];
    out.PeakMinL[j] = p[1];
    out.PeakMaxR[j] = p[2];
    out.PeakMinR[j] = p[3];
    const size_t at = size_t{j} * kLoudnessSlices;
    if (at < out.FrameLoudness.size())
        std::copy(energy.begin(), energy.end(), out.FrameLoudness.begin() + at);
}

void ClearPeaks(PeakTable& out, uint32_t from, uint32_t to) {
    for (uint32_t j = from; j < to; ++j) {
        out.PeakMaxL[j] = out.PeakMinL[j] = out.PeakMaxR[j] = out.PeakMinR[j] = 0;
        const size_t at = size_t{j} * kLoudnessSlices;
        if (at < out.FrameLoudness.size())
            std::fill_n(out.FrameLoudness.begin() + at, kLoudnessSlices, 0.0f);
    }
}

// The loudness filter of a decoder run, when the table keeps energies.
std::unique_ptr<KWeighting> WeightingFor(const AnalysedFile& in, const PeakTable& out) {
    if (out.FrameLoudness.empty())
        return nullptr;
    return std::make_unique<KWeighting>(static_cast<int>(in.SampleRate), in.ChannelCount);
}

// The K-weighted energies of one decoded frame (0 without a filter).
FrameEnergy Energy(const AnalysedFile& in, KWeighting* k, const int16_t* pcm, size_t bytes) {
    if (!k)
        return {};
    return k->FrameEnergies(pcm, bytes / 2 / static_cast<size_t>(in.ChannelCount),
                            static_cast<size_t>(in.SamplesPerFrame));
}

// Decodes frames [from, to) with `dec`, storing their peaks; the first
// `keepHead` frames go into `head`. False when the stream ended or `tick`
// stopped it.
bool DecodeRange(const AnalysedFile& in, PeakTable& out, Mpg123Decoder& dec, KWeighting* k,
                 uint32_t from, uint32_t to, PcmPrint* head, uint32_t keepHead,
                 const FrameTick& tick) {
    for (uint32_t j = from; j < to; ++j) {
        const int16_t* pcm = nullptr;
        size_t bytes = 0;
        if (!dec.NextFrame(pcm, bytes))
            return false;
        StorePeak(out, j, FramePeakValues(in, pcm, bytes), Energy(in, k, pcm, bytes));
        if (head && j - from < keepHead)
            head->Add(pcm, bytes);
        if (tick && !tick(j))
            return false;
    }
    return true;
}

// Print and peaks of the next kSeamFrames frames (fewer when the stream ends).
void DecodeTail(const AnalysedFile& in, Mpg123Decoder& dec, Share& sh) {
    sh.tail = {};
    sh.tailPeaks.clear();
    sh.tailEnergy.clear();
    for (uint32_t i = 0; i < kSeamFrames; ++i) {
        const int16_t* pcm = nullptr;
        size_t bytes = 0;
        if (!dec.NextFrame(pcm, bytes))
            break;
        sh.tail.Add(pcm, bytes);
        sh.tailPeaks.push_back(FramePeakValues(in, pcm, bytes));
        sh.tailEnergy.push_back(Energy(in, sh.weighting.get(), pcm, bytes));
    }
}

// Share `cur` decoded again by the previous share's decoder, which is known
// good: first the frames it already gave, then the rest.
void RedecodeShare(const AnalysedFile& in, PeakTable& out, Share& prev, Share& cur, bool last,
                   const FrameTick& tick) {
    uint32_t j = cur.from;
    for (size_t t = 0; t < prev.tailPeaks.size() && j < cur.to; ++t, ++j)
        StorePeak(out, j, prev.tailPeaks[t], prev.tailEnergy[t]);
    bool ok = prev.tail.frames == kSeamFrames || cur.from + prev.tail.frames >= cur.to;
    if (ok)
        ok = DecodeRange(in, out, *prev.decoder, prev.weighting.get(), j, cur.to, nullptr, 0, tick);
    ClearPeaks(out, ok ? cur.to : j, cur.to);
    cur.decoder = std::move(prev.decoder);
    cur.weighting = std::move(prev.weighting);
    cur.ended = !ok;
    cur.tail = {};
    cur.tailPeaks.clear();
    cur.tailEnergy.clear();
    if (ok && !last)
        DecodeTail(in, *cur.decoder, cur);
}

} // namespace

void PcmPrint::Add(const int16_t* pcm, size_t bytes) {
    const uint64_t len = bytes;
    hash = Hash64(&len, sizeof len, hash);
    hash = Hash64(pcm, bytes & ~size_t{1}, hash);
    ++frames;
}

bool CanDecode(const AnalysedFile& in) {
    return in.IndexedFrames > 0 && in.FrameCount > 0 &&
           (in.ChannelCount == 1 || in.ChannelCount == 2) && in.SamplesPerFrame > 0;
}

bool DecodeSequential(const AnalysedFile& in, PeakTable& out, const FrameTick& tick) {
    Mpg123Decoder dec;
    const std::unique_ptr<KWeighting> k = WeightingFor(in, out);
    bool streaming =
        dec.Open(in.FileBuffer.data(), in.FileBuffer.size(), static_cast<size_t>(in.FramePos[0]));
    for (uint32_t j = 0; j < in.FrameCount; ++j) {
        const int16_t* pcm = nullptr;
        size_t bytes = 0;
        if (streaming)
            streaming = dec.NextFrame(pcm, bytes);
        if (streaming)
            StorePeak(out, j, FramePeakValues(in, pcm, bytes), Energy(in, k.get(), pcm, bytes));
        if (tick && !tick(j))
            return false;
    }
    return true;
}

std::vector<Share> PlanShares(uint32_t frames, uint32_t indexed, uint32_t shares) {
    std::vector<Share> parts(shares);
    const uint64_t span = std::min(frames, indexed);
    for (uint32_t k = 0; k < shares; ++k) {
        parts[k].from = static_cast<uint32_t>(span * k / shares);
        parts[k].to = k + 1 < shares ? static_cast<uint32_t>(span * (k + 1) / shares) : frames;
    }
    return parts;
}

void DecodeShare(const AnalysedFile& in, PeakTable& out, Share& sh, bool last,
                 const FrameTick& tick) {
    const uint32_t indexed = static_cast<uint32_t>(std::max(in.IndexedFrames, 0));
    sh.decoder = std::make_unique<Mpg123Decoder>();
    sh.weighting = WeightingFor(in, out);
    if (!sh.decoder->OpenAtFrame(in.FileBuffer.data(), in.FileBuffer.size(), in.FramePos.data(),
                                 indexed, sh.from) ||
        !DecodeRange(in, out, *sh.decoder, sh.weighting.get(), sh.from, sh.to, &sh.head,
                     kSeamFrames, tick)) {
        sh.ended = true;
        return;
    }
    if (!last)
        DecodeTail(in, *sh.decoder, sh);
}

bool SeamHolds(const Share& prev, const Share& cur) {
    return !prev.ended && !cur.ended && prev.tail == cur.head;
}

uint32_t RepairSeams(const AnalysedFile& in, PeakTable& out, std::vector<Share>& parts,
                     const FrameTick& tick, const std::function<void(size_t)>& changed) {
    uint32_t redecoded = 0;
    for (size_t k = 1; k < parts.size(); ++k) {
        Share& prev = parts[k - 1];
        Share& cur = parts[k];
        if (SeamHolds(prev, cur))
            continue;
        if (prev.ended || !prev.decoder) {
            // The stream ended before this share: its frames stay silent, as
            // in the sequential decode.
            ClearPeaks(out, cur.from, cur.to);
            cur.ended = true;
            cur.decoder.reset();
        } else {
            ++redecoded;
            RedecodeShare(in, out, prev, cur, k + 1 == parts.size(), tick);
        }
        if (changed)
            changed(k);
    }
    return redecoded;
}

} // namespace tessivo
