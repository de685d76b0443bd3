// The exact peak table computed behind the preview: decoded on all cores in
// chunks, the chunks in view first, each published as soon as it is final.
// No Qt: the window polls it (or is called back) and copies the finished
// ranges into its own table on its thread.
#pragma once

#include "core/state/program_state.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace tessivo {

struct Share;

// Frames [first, last) whose exact peaks are final.
struct FrameRange {
    uint32_t first = 0, last = 0;
    bool operator==(const FrameRange&) const = default;
};

class BackgroundPeaks {
public:
    // Called from a worker thread for every range that became final (a range
    // may come again, with corrected values, when a seam needed a second
    // decode). Never called after Cancel() or the destructor returned.
    using RangeFn = std::function<void(FrameRange)>;
    // Called from a worker thread once, after the last range, when every
    // frame is final; never after Cancel().
    using DoneFn = std::function<void()>;

    // Frames per chunk when none is given: about 100 s of audio, so a view
    // fills quickly and the warm-up frames cost under 1%.
    static constexpr uint32_t kDefaultChunkFrames = 4096;

    // `file` (image, frame index, stream facts) must stay alive and unchanged
    // until Cancel() or the destructor returns. threads 0: one per core.
    explicit BackgroundPeaks(const AnalysedFile& file, RangeFn onRange = {}, unsigned threads = 0,
                             uint32_t chunkFrames = kDefaultChunkFrames);
    ~BackgroundPeaks(); // cancels
    BackgroundPeaks(const BackgroundPeaks&) = delete;
    BackgroundPeaks& operator=(const BackgroundPeaks&) = delete;

    // Sets what is called once the table is final; before Start() only.
    void OnFinished(DoneFn onDone) { onDone_ = std::move(onDone); }
    // Starts the workers (once).
    void Start();
    // Frames [first, last) are in view: their chunks are decoded next.
    void SetPriorityRange(uint32_t first, uint32_t last);
    // Stops every worker and returns once they have (within a few
    // milliseconds); nothing is published afterwards.
    void Cancel();
    // Blocks until the whole table is final or the work was cancelled.
    void Wait();

    // 0..100: the share of frames decoded.
    double ProgressPercent() const;
    // True once every frame is final (and the work was not cancelled).
    bool Finished() const { return finished_.load(); }
    // Copies every range that became final since the last call into `table`
    // (sized to the file's FrameCount) and returns those ranges; the loudness
    // energies move into `table` with the last range. Thread-safe.
    std::vector<FrameRange> CopyFinished(PeakTable& table);
    // The whole exact table; only once Finished(). Its energies are gone once
    // CopyFinished has handed over the last range.
    const PeakTable& Table() const { return table_; }
    // The file whose peaks these are.
    const AnalysedFile& File() const { return file_; }

private:
    bool TakeChunk(size_t& k);
    void Worker();
    void Run();
    void ChunkDone(size_t k);
    void Accept(std::unique_lock<std::mutex>& lock, size_t k);
    void Publish(FrameRange r);
    void Finish();
    bool Tick();

    const AnalysedFile& file_;
    RangeFn onRange_;
    DoneFn onDone_;
    unsigned threads_;
    uint32_t chunkFrames_;
    PeakTable table_;
    std::vector<Share> chunks_;
    std::vector<uint8_t> state_; // per chunk: 0 waiting, 1 decoding, 2 decoded, 3 final
    std::vector<FrameRange> fresh_;
    FrameRange priority_;
    mutable std::mutex mutex_;
    std::condition_variable doneCv_;
    std::thread runner_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> finished_{false};
    std::atomic<bool> running_{false};
    std::atomic<uint64_t> decoded_{0};
};

} // namespace tessivo
