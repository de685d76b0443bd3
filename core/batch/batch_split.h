// Many files, one way of cutting: the files are split in parallel by a few
// workers, each holding one file in memory at a time. Used by the command
// line and by the window's batch dialog (on a thread of its own).
#pragma once

#include "core/batch/part_writing.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tessivo {

// The MP3 files (".mp3", any case) in `folder` in name order; with
// `recursive`, those of its subfolders too.
std::vector<std::string> Mp3FilesIn(const std::string& folder, bool recursive);

// What became of one file.
struct BatchFileResult {
    bool ok = false;
    std::vector<std::string> written; // the part files, in order
    std::vector<std::string> notes;   // warnings and "No pause" lines
    std::string reason;               // why it failed
    std::string text;                 // a result of the file's own (cuts: the list)
    bool diskFull = false;            // it failed for want of space
};

// Runs `work` on every file with `workers` threads (0: one per core), at most
// `workers` files at a time, each file on one thread from start to end.
// `started` and `finished` are called on the worker's thread, one call at a
// time, as each file starts and ends (either may be empty). When `cancel` is
// set, no further file starts; the files in progress finish. Returns how
// many files started.
using BatchWork = std::function<BatchFileResult(size_t index, unsigned peakThreads)>;
size_t RunFilesInParallel(size_t fileCount, unsigned workers, const BatchWork& work,
                          const std::function<void(size_t)>& started,
                          const std::function<void(size_t, const BatchFileResult&)>& finished,
                          const std::atomic<bool>* cancel = nullptr);

// The same way of cutting and split choices for every file.
struct BatchSplitJob {
    std::vector<std::string> files;
    // Per file, its folder relative to the folder it was found in (with -r);
    // missing entries are empty.
    std::vector<std::string> relFolders;
    CuttingRule rule;
    CutList list; // the one cut list, when the rule cuts by a cut list and no beside
    std::optional<CutListFormat> beside; // the cut list beside each file instead
    PartWriting writing;
    std::string outFolder = ".";
    bool flat = false;    // all parts in outFolder, not OUT/NAME/
    unsigned workers = 0; // 0: one per core
};

// Where the parts of file `index` go: OUT/REL/NAME/ (NAME without
// extension, REL its relative folder), or OUT when flat.
std::string BatchOutputFolder(const BatchSplitJob& job, size_t index);

// For every file, why it may not be split: "its parts would replace those of
// OTHER" when an earlier file of the job (in the order given) writes parts of
// the same names into the same folder; empty for the others.
std::vector<std::string> BatchClashes(const BatchSplitJob& job);

// Splits file `index` of the job as a single split would (same parts, same
// bytes), decoding peaks with `peakThreads`; no part may replace one of
// `inputs`.
BatchFileResult SplitOneFile(const BatchSplitJob& job, size_t index, const InputFiles& inputs,
                             unsigned peakThreads = 0);

// Counts of a finished batch.
struct BatchTotals {
    int split = 0;      // files split
    int parts = 0;      // part files written
    int failed = 0;     // files that failed
    int notStarted = 0; // files left when the disk was full
    void Add(const BatchFileResult& r);
};

// "12 files split into 143 parts; 1 file failed", and "; 2 files not
// started (no space left on device)" when the disk filled.
std::string BatchSummaryText(const BatchTotals& totals);

// Splits every file of the job; see RunFilesInParallel. Files whose parts
// would clash (BatchClashes) fail without being read; after a file that
// found the disk full no further file starts.
BatchTotals RunBatchSplit(const BatchSplitJob& job, const std::function<void(size_t)>& started,
                          const std::function<void(size_t, const BatchFileResult&)>& finished,
                          const std::atomic<bool>* cancel = nullptr);

} // namespace tessivo
