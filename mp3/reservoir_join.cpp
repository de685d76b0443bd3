#include "mp3/reservoir_join.h"

#include "mp3/side_info.h"

#include <algorithm>
#include <cstring>
#include <deque>

namespace tessivo::mp3 {

int MaxMainDataBegin(const Layer3Header& h) {
    return h.lsf ? 255 : 511;
}

int MainDataLength(const uint8_t* frame, const Layer3Header& h) {
    const SideInfoGains g = ReadGranuleGains(frame, h);
    int bits = 0;
    for (int gr = 0; gr < g.granules; ++gr)
        for (int ch = 0; ch < g.channels; ++ch)
            bits += g.gain[gr][ch].part23Length;
    return (bits + 7) / 8;
}

namespace {

void StoreCrc(uint8_t* frame, const Layer3Header& h) {
    if (!h.crc)
        return;
    const uint16_t crc = FrameCrc(frame, h);
    frame[4] = static_cast<uint8_t>(crc >> 8);
    frame[5] = static_cast<uint8_t>(crc & 0xFF);
}

} // namespace

void SetMainDataBegin(uint8_t* frame, const Layer3Header& h, int begin) {
    uint8_t* si = frame + h.SideInfoOffset();
    if (h.lsf) {
        si[0] = static_cast<uint8_t>(begin);
    } else {
        si[0] = static_cast<uint8_t>(begin >> 1);
        si[1] = static_cast<uint8_t>((si[1] & 0x7F) | ((begin & 1) << 7));
    }
    StoreCrc(frame, h);
}

namespace {

bool SourceHeader(const SourceFrames& s, int32_t k, Layer3Header& h) {
    if (k < 0 || k >= s.count || s.pos[k] < 0 || static_cast<size_t>(s.pos[k]) >= s.size)
        return false;
    const size_t at = static_cast<size_t>(s.pos[k]);
    return ParseLayer3Header(s.data + at, s.size - at, h) &&
           at + static_cast<size_t>(h.length) <= s.size;
}

// Copies `n` bytes of the source's main-data stream that start `back` bytes
// before the main-data slot of frame j into `out`. False when they reach
// before the source's first audio frame or past its end.
bool ReadSourceStream(const SourceFrames& s, int32_t j, int back, int n, uint8_t* out) {
    Layer3Header h;
    int32_t k = j;
    int offset = 0; // in the slot of frame k
    while (back > 0) {
        if (--k < s.firstAudio || !SourceHeader(s, k, h))
            return false;
        const int slot = h.MainDataSize();
        offset = std::max(0, slot - back);
        back -= slot;
    }
    for (; n > 0; ++k, offset = 0) {
        if (!SourceHeader(s, k, h))
            return false;
        const int take = std::min(n, h.MainDataSize() - offset);
        if (take > 0) {
            std::memcpy(out, s.data + s.pos[k] + h.MainDataOffset() + offset,
                        static_cast<size_t>(take));
            out += take;
            n -= take;
        }
    }
    return true;
}

} // namespace

// The joined stream as it is written: the frames not yet handed on, and the
// main-data slots of its last frames in stream positions (the slots laid end
// to end). A frame goes to the sink once no later frame can change it.
class Relayer {
public:
    explicit Relayer(FrameJoiner::FrameSink sink) : sink_(std::move(sink)) {}
    void AddRun(const FrameRun& run);
    void Finish() { HandOn(held_.bytes.size()); }
    const JoinedFrames& Counts() const { return held_; }

private:
    struct Slot {
        size_t at = 0;      // in held_.bytes
        int64_t stream = 0; // stream position of its first byte
        int length = 0;
    };
    enum class Placed { Copied, Relaid, Failed };

    Placed PlaceFrame(const SourceFrames& s, int32_t j);
    void CopyFrom(const SourceFrames& s, int32_t j, int32_t last, int mdb);
    void RelayFrame(const SourceFrames& s, int32_t j, const Layer3Header& h, int mdb, int length);
    void SilentFrame(const SourceFrames& s, int32_t j, const Layer3Header& h);
    bool EnlargeLast(int bytes);
    void AppendFrame(const uint8_t* head, const Layer3Header& h, int slotLength);
    void WriteStream(int64_t pos, const uint8_t* data, int n);
    void KeepTail(const SourceFrames& s, int32_t first, int32_t last);
    void HandOn(size_t upTo);
    void HandOnSettled();

    FrameJoiner::FrameSink sink_;
    JoinedFrames held_; // the frames held (offsets into its bytes) and the counts
    std::deque<Slot> slots_;
    int64_t streamEnd_ = 0;   // end of the last slot
    int64_t dataEnd_ = 0;     // end of the last frame's main data
    Layer3Header lastHeader_; // of the last frame written
};

// Hands on the held frames that start before `upTo` and drops their bytes.
void Relayer::HandOn(size_t upTo) {
    std::vector<size_t>& offsets = held_.offsets;
    size_t count = 0;
    while (count < offsets.size() && offsets[count] < upTo)
        ++count;
    if (count == 0)
        return;
    const size_t end = count < offsets.size() ? offsets[count] : held_.bytes.size();
    for (size_t k = 0; k < count; ++k) {
        const size_t next = k + 1 < count ? offsets[k + 1] : end;
        sink_(held_.bytes.data() + offsets[k], next - offsets[k]);
    }
    held_.bytes.erase(held_.bytes.begin(), held_.bytes.begin() + static_cast<long>(end));
    offsets.erase(offsets.begin(), offsets.begin() + static_cast<long>(count));
    for (size_t& o : offsets)
        o -= end;
    for (Slot& slot : slots_)
        slot.at -= end;
}

// Frames before the first slot a later frame may still write into are
// final; the last frame may still grow.
void Relayer::HandOnSettled() {
    if (held_.offsets.empty())
        return;
    size_t upTo = held_.offsets.back();
    if (!slots_.empty()) {
        const auto first =
            std::upper_bound(held_.offsets.begin(), held_.offsets.end(), slots_.front().at);
        upTo = std::min(upTo, first == held_.offsets.begin() ? 0 : *(first - 1));
    }
    HandOn(upTo);
}

void Relayer::AddRun(const FrameRun& run) {
    const SourceFrames& s = *run.source;
    for (int32_t j = run.first; j <= run.last && j < s.count; ++j) {
        Layer3Header h;
        if (!SourceHeader(s, j, h))
            return;
        const Placed placed = PlaceFrame(s, j);
        if (placed == Placed::Failed)
            return;
        if (placed == Placed::Copied) {
            CopyFrom(s, j, std::min(run.last, s.count - 1), MainDataBegin(s.data + s.pos[j], h));
            return;
        }
    }
}

// Frame j goes where the source has its main data when the stream holds
// nothing of its own there; else its data is moved.
Relayer::Placed Relayer::PlaceFrame(const SourceFrames& s, int32_t j) {
    Layer3Header h;
    SourceHeader(s, j, h);
    const uint8_t* f = s.data + s.pos[j];
    const int mdb = MainDataBegin(f, h);
    const int length = MainDataLength(f, h);
    std::vector<uint8_t> probe(static_cast<size_t>(length));
    const bool inSource = ReadSourceStream(s, j, mdb, length, probe.data());
    if (inSource && streamEnd_ - mdb >= dataEnd_)
        return Placed::Copied;
    if (inSource)
        RelayFrame(s, j, h, mdb, length);
    else
        SilentFrame(s, j, h);
    return Placed::Relaid;
}

// Frames j..last byte for byte; the bytes of the source's stream before
// frame j's slot that its main data starts in go into the slots before it.
// Only the last frames stay held: later runs may write into their slots.
void Relayer::CopyFrom(const SourceFrames& s, int32_t j, int32_t last, int mdb) {
    if (mdb > 0) {
        std::vector<uint8_t> prefix(static_cast<size_t>(mdb));
        ReadSourceStream(s, j, mdb, mdb, prefix.data());
        WriteStream(streamEnd_ - mdb, prefix.data(), mdb);
    }
    // No later write reaches the frames before this run.
    slots_.clear();
    HandOn(held_.bytes.size());
    Layer3Header h;
    int32_t tail = last;
    for (int stream = 0; tail >= j && stream < 2048 && SourceHeader(s, tail, h); --tail)
        stream += h.MainDataSize();
    tail = std::clamp(tail + 1, j, last);
    for (int32_t k = j; k < tail; ++k)
        sink_(s.data + s.pos[k], static_cast<size_t>(s.pos[k + 1] - s.pos[k]));
    SourceHeader(s, last, h);
    const size_t from = static_cast<size_t>(s.pos[tail]);
    const size_t to = static_cast<size_t>(s.pos[last]) + static_cast<size_t>(h.length);
    for (int32_t k = tail; k <= last; ++k)
        held_.offsets.push_back(static_cast<size_t>(s.pos[k]) - from);
    held_.bytes.assign(s.data + from, s.data + to);
    // Stream positions only need to agree among the last slots.
    streamEnd_ += static_cast<int64_t>(to - static_cast<size_t>(s.pos[j]));
    KeepTail(s, tail, last);
}

// The slots of the last frames copied, back to where no later frame's
// main_data_begin can reach, and where the last frame's main data ends.
void Relayer::KeepTail(const SourceFrames& s, int32_t first, int32_t last) {
    slots_.clear();
    int64_t stream = streamEnd_;
    size_t at = held_.bytes.size();
    Layer3Header h;
    for (int32_t k = last; k >= first && streamEnd_ - stream < 2048; --k) {
        if (!SourceHeader(s, k, h))
            break;
        const int slot = h.MainDataSize();
        stream -= slot;
        at -= static_cast<size_t>(slot);
        slots_.push_front({at, stream, slot});
        if (k == last) {
            const uint8_t* f = s.data + s.pos[k];
            dataEnd_ = stream - MainDataBegin(f, h) + MainDataLength(f, h);
            lastHeader_ = h;
        }
        at -= static_cast<size_t>(h.MainDataOffset());
    }
}

void Relayer::AppendFrame(const uint8_t* head, const Layer3Header& h, int slotLength) {
    held_.offsets.push_back(held_.bytes.size());
    held_.bytes.insert(held_.bytes.end(), head, head + h.MainDataOffset());
    slots_.push_back({held_.bytes.size(), streamEnd_, slotLength});
    held_.bytes.resize(held_.bytes.size() + static_cast<size_t>(slotLength), 0);
    streamEnd_ += slotLength;
    lastHeader_ = h;
    while (slots_.size() > 1 && slots_.front().stream + slots_.front().length < streamEnd_ - 2048)
        slots_.pop_front();
    HandOnSettled();
}

void Relayer::SilentFrame(const SourceFrames& s, int32_t j, const Layer3Header& h) {
    std::vector<uint8_t> head(s.data + s.pos[j], s.data + s.pos[j] + h.MainDataOffset());
    ZeroSideInfo(head.data(), h);
    AppendFrame(head.data(), h, h.MainDataSize());
    ++held_.silenced;
}

// A larger bitrate index for the last frame written, so its slot grows by at
// least `bytes`; false when even the largest is too small.
bool Relayer::EnlargeLast(int bytes) {
    Layer3Header& h = lastHeader_;
    if (slots_.empty() ||
        slots_.back().at + static_cast<size_t>(slots_.back().length) != held_.bytes.size())
        return false;
    for (int index = h.bitrateIndex + 1; index <= 14; ++index) {
        const int length = Layer3FrameLength(h.lsf, index, h.sampleRate, h.padding);
        const int grow = length - h.length;
        if (grow < bytes)
            continue;
        uint8_t* f = held_.bytes.data() + slots_.back().at - h.MainDataOffset();
        f[2] = static_cast<uint8_t>((f[2] & 0x0F) | (index << 4));
        h.bitrateIndex = index;
        h.length = length;
        StoreCrc(f, h);
        held_.bytes.resize(held_.bytes.size() + static_cast<size_t>(grow), 0);
        slots_.back().length += grow;
        streamEnd_ += grow;
        ++held_.enlarged;
        return true;
    }
    return false;
}

void Relayer::RelayFrame(const SourceFrames& s, int32_t j, const Layer3Header& src, int mdb,
                         int length) {
    Layer3Header h = src;
    std::vector<uint8_t> head(s.data + s.pos[j], s.data + s.pos[j] + h.MainDataOffset());
    const int maxBegin = MaxMainDataBegin(h);
    auto start = [&] { return std::max(dataEnd_, streamEnd_ - maxBegin); };
    int64_t overflow = start() + length - (streamEnd_ + h.MainDataSize());
    if (overflow > 0 && EnlargeLast(static_cast<int>(overflow)))
        overflow = start() + length - (streamEnd_ + h.MainDataSize());
    for (int index = h.bitrateIndex + 1; overflow > 0 && index <= 14; ++index) {
        // Nothing before it to grow (the start of the stream): the frame grows.
        const int grown = Layer3FrameLength(h.lsf, index, h.sampleRate, h.padding);
        if (start() + length > streamEnd_ + grown - h.MainDataOffset())
            continue;
        head[2] = static_cast<uint8_t>((head[2] & 0x0F) | (index << 4));
        h.bitrateIndex = index;
        h.length = grown;
        overflow = 0;
        ++held_.enlarged;
    }
    if (overflow > 0) {
        SilentFrame(s, j, src);
        return;
    }
    const int64_t at = start();
    SetMainDataBegin(head.data(), h, static_cast<int>(streamEnd_ - at));
    std::vector<uint8_t> data(static_cast<size_t>(length));
    ReadSourceStream(s, j, mdb, length, data.data());
    AppendFrame(head.data(), h, h.MainDataSize());
    WriteStream(at, data.data(), length);
    dataEnd_ = at + length;
    ++held_.relaid;
}

// Writes `n` bytes at stream position `pos`, across the slots they span.
void Relayer::WriteStream(int64_t pos, const uint8_t* data, int n) {
    for (const Slot& slot : slots_) {
        if (n <= 0)
            return;
        const int64_t end = slot.stream + slot.length;
        if (pos >= end)
            continue;
        const int64_t from = std::max(pos, slot.stream);
        const int take = static_cast<int>(std::min<int64_t>(n, end - from));
        std::memcpy(held_.bytes.data() + slot.at + static_cast<size_t>(from - slot.stream), data,
                    static_cast<size_t>(take));
        data += take;
        n -= take;
        pos = from + take;
    }
}

FrameJoiner::FrameJoiner(FrameSink sink) : relayer_(std::make_unique<Relayer>(std::move(sink))) {}

FrameJoiner::~FrameJoiner() = default;

int FrameJoiner::AddRun(const FrameRun& run) {
    const int before = relayer_->Counts().silenced;
    if (run.source && run.first <= run.last)
        relayer_->AddRun(run);
    return relayer_->Counts().silenced - before;
}

void FrameJoiner::Finish() {
    relayer_->Finish();
}

int FrameJoiner::Relaid() const {
    return relayer_->Counts().relaid;
}

int FrameJoiner::Enlarged() const {
    return relayer_->Counts().enlarged;
}

int FrameJoiner::Silenced() const {
    return relayer_->Counts().silenced;
}

JoinedFrames JoinFrameRuns(std::span<const FrameRun> runs) {
    JoinedFrames joined;
    FrameJoiner joiner([&joined](const uint8_t* frame, size_t size) {
        joined.offsets.push_back(joined.bytes.size());
        joined.bytes.insert(joined.bytes.end(), frame, frame + size);
    });
    for (const FrameRun& run : runs)
        joined.runSilenced.push_back(joiner.AddRun(run));
    joiner.Finish();
    joined.relaid = joiner.Relaid();
    joined.enlarged = joiner.Enlarged();
    joined.silenced = joiner.Silenced();
    return joined;
}

} // namespace tessivo::mp3
