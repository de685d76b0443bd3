#include "core/analysis/background_peaks.h"

#include "core/analysis/peak_shares.h"

#include <algorithm>

namespace tessivo {

namespace {

enum ChunkState : uint8_t { kWaiting, kDecoding, kDecoded, kFinal };

// Index of the chunk holding frame f (the last one for frames past the end).
size_t ChunkOf(const std::vector<Share>& chunks, uint32_t f) {
    const auto it = std::upper_bound(chunks.begin(), chunks.end(), f,
                                     [](uint32_t v, const Share& s) { return v < s.from; });
    return it == chunks.begin() ? 0 : static_cast<size_t>(it - chunks.begin()) - 1;
}

} // namespace

BackgroundPeaks::BackgroundPeaks(const AnalysedFile& file, RangeFn onRange, unsigned threads,
                                 uint32_t chunkFrames)
    : file_(file), onRange_(std::move(onRange)),
      threads_(threads ? threads : std::max(1u, std::thread::hardware_concurrency())),
      chunkFrames_(std::max(chunkFrames, 2 * kSeamFrames)) {
    for (auto* v : {&table_.PeakMaxL, &table_.PeakMinL, &table_.PeakMaxR, &table_.PeakMinR})
        v->assign(file.FrameCount, 0);
    table_.FrameLoudness.assign(file.FrameCount * kLoudnessSlices, 0.0f);
    if (CanDecode(file)) {
        const uint32_t indexed =
            std::min(file.FrameCount, static_cast<uint32_t>(std::max(file.IndexedFrames, 0)));
        // One chunk is decoded as CalculatePeaks does, from the first frame.
        const uint32_t count = std::max(1u, indexed / chunkFrames_);
        chunks_ = PlanShares(file.FrameCount, indexed, count);
    }
    state_.assign(chunks_.size(), kWaiting);
}

BackgroundPeaks::~BackgroundPeaks() {
    Cancel();
}

void BackgroundPeaks::Start() {
    if (running_.exchange(true))
        return;
    runner_ = std::thread([this] { Run(); });
}

void BackgroundPeaks::SetPriorityRange(uint32_t first, uint32_t last) {
    std::lock_guard<std::mutex> lock(mutex_);
    priority_ = {first, std::max(first, last)};
}

void BackgroundPeaks::Cancel() {
    cancel_ = true;
    if (runner_.joinable())
        runner_.join();
}

void BackgroundPeaks::Wait() {
    if (runner_.joinable())
        runner_.join();
}

double BackgroundPeaks::ProgressPercent() const {
    if (finished_)
        return 100.0;
    if (file_.FrameCount == 0)
        return 0.0;
    return std::min(100.0, static_cast<double>(decoded_.load()) / file_.FrameCount * 100.0);
}

std::vector<FrameRange> BackgroundPeaks::CopyFinished(PeakTable& table) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<FrameRange> out;
    out.swap(fresh_);
    std::vector<int16_t> PeakTable::*columns[] = {&PeakTable::PeakMaxL, &PeakTable::PeakMinL,
                                                  &PeakTable::PeakMaxR, &PeakTable::PeakMinR};
    for (auto column : columns) {
        std::vector<int16_t>& dst = table.*column;
        const std::vector<int16_t>& src = table_.*column;
        dst.resize(src.size());
        for (const FrameRange& r : out)
            std::copy(src.begin() + r.first, src.begin() + r.last, dst.begin() + r.first);
    }
    // The energies become whole only with the last range: until then the
    // table holds none, so no loudness is shown from a part of them. They
    // move rather than copy: a 10-hour file's are 22 MB.
    if (finished_.load() && fresh_.empty() && !table_.FrameLoudness.empty())
        table.FrameLoudness = std::move(table_.FrameLoudness);
    return out;
}

bool BackgroundPeaks::Tick() {
    decoded_.fetch_add(1, std::memory_order_relaxed);
    return !cancel_.load(std::memory_order_relaxed);
}

// The next chunk to decode: those in view (and the one before them, for its
// seam) first, then those after the view, then those before it.
bool BackgroundPeaks::TakeChunk(size_t& k) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (cancel_ || chunks_.empty())
        return false;
    const size_t viewFirst = ChunkOf(chunks_, priority_.first);
    const size_t from = viewFirst > 0 ? viewFirst - 1 : 0;
    const size_t to = priority_.last > priority_.first
                          ? std::max(from, ChunkOf(chunks_, priority_.last - 1) + 1)
                          : from;
    const std::pair<size_t, size_t> passes[] = {{from, to}, {to, chunks_.size()}, {0, from}};
    for (const auto& [first, last] : passes) {
        for (size_t i = first; i < last; ++i) {
            if (state_[i] == kWaiting) {
                state_[i] = kDecoding;
                k = i;
                return true;
            }
        }
    }
    return false;
}

void BackgroundPeaks::Worker() {
    const FrameTick tick = [this](uint32_t) { return Tick(); };
    size_t k = 0;
    while (TakeChunk(k)) {
        DecodeShare(file_, table_, chunks_[k], k + 1 == chunks_.size(), tick);
        if (cancel_)
            return;
        ChunkDone(k);
    }
}

// Marks chunk k final and queues it for publishing (mutex held).
void BackgroundPeaks::Accept(std::unique_lock<std::mutex>&, size_t k) {
    state_[k] = kFinal;
    if (k > 0)
        chunks_[k - 1].decoder.reset(); // kept only to decode chunk k again
    fresh_.push_back({chunks_[k].from, chunks_[k].to});
}

void BackgroundPeaks::ChunkDone(size_t k) {
    std::vector<FrameRange> ready;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        state_[k] = kDecoded;
        if (k + 1 == chunks_.size())
            chunks_[k].decoder.reset(); // no chunk after it to decode again
        const size_t before = fresh_.size();
        for (size_t i : {k, k + 1}) {
            if (i >= chunks_.size() || state_[i] != kDecoded)
                continue;
            if (i == 0 || (state_[i - 1] >= kDecoded && SeamHolds(chunks_[i - 1], chunks_[i])))
                Accept(lock, i);
        }
        ready.assign(fresh_.begin() + static_cast<std::ptrdiff_t>(before), fresh_.end());
    }
    for (const FrameRange& r : ready)
        Publish(r);
}

void BackgroundPeaks::Publish(FrameRange r) {
    if (onRange_ && !cancel_)
        onRange_(r);
}

void BackgroundPeaks::Run() {
    const FrameTick tick = [this](uint32_t) { return Tick(); };
    if (chunks_.size() <= 1) {
        if (!chunks_.empty() && !DecodeSequential(file_, table_, tick))
            return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            state_.assign(chunks_.size(), kFinal);
            fresh_.push_back({0, file_.FrameCount});
        }
        Publish({0, file_.FrameCount});
        Finish();
        return;
    }
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads_; ++t)
        pool.emplace_back([this] { Worker(); });
    Worker();
    for (auto& t : pool)
        t.join();
    if (cancel_)
        return;
    // Seams that did not hold are decoded again in order, as the parallel
    // decode does; everything not yet final is published now.
    std::vector<FrameRange> ready;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        const size_t before = fresh_.size();
        RepairSeams(file_, table_, chunks_, tick, [&](size_t k) { state_[k] = kDecoded; });
        if (cancel_)
            return;
        for (size_t k = 0; k < chunks_.size(); ++k)
            if (state_[k] != kFinal)
                Accept(lock, k);
        ready.assign(fresh_.begin() + static_cast<std::ptrdiff_t>(before), fresh_.end());
        for (Share& c : chunks_)
            c.decoder.reset();
    }
    for (const FrameRange& r : ready)
        Publish(r);
    Finish();
}

void BackgroundPeaks::Finish() {
    finished_ = true;
    if (onDone_ && !cancel_)
        onDone_();
}

} // namespace tessivo
