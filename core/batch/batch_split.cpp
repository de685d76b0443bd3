#include "core/batch/batch_split.h"

#include "core/cutlist/cut_list_file.h"
#include "core/util/run_on_threads.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <mutex>
#include <new>
#include <thread>

namespace tessivo {

namespace fs = std::filesystem;

namespace {

bool IsMp3Name(const fs::path& p) {
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".mp3";
}

template <class Iterator> void CollectMp3(Iterator it, std::vector<std::string>& files) {
    std::error_code ec;
    for (; it != Iterator(); it.increment(ec)) {
        if (ec)
            break;
        std::error_code typeError;
        if (it->is_regular_file(typeError) && IsMp3Name(it->path()))
            files.push_back(it->path().string());
    }
}

unsigned Cores() {
    return std::max(1u, std::thread::hardware_concurrency());
}

// The cut list of one file: the job's own, or the one beside the file.
bool FileCutList(const BatchSplitJob& job, const std::string& file, CutList& list,
                 std::string& reason) {
    if (!job.beside) {
        list = job.list;
        return true;
    }
    const std::string path = BesidePath(file, *job.beside);
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        reason = "No cut list beside it: " + path;
        return false;
    }
    const CutListRead read = ReadCutListFile(*job.beside, path);
    if (!read.ok()) {
        reason = path + ": " + read.error;
        return false;
    }
    list = read.list;
    return true;
}

} // namespace

std::vector<std::string> Mp3FilesIn(const std::string& folder, bool recursive) {
    std::vector<std::string> files;
    std::error_code ec;
    if (recursive)
        CollectMp3(fs::recursive_directory_iterator(folder, ec), files);
    else
        CollectMp3(fs::directory_iterator(folder, ec), files);
    std::sort(files.begin(), files.end());
    return files;
}

size_t RunFilesInParallel(size_t fileCount, unsigned workers, const BatchWork& work,
                          const std::function<void(size_t)>& started,
                          const std::function<void(size_t, const BatchFileResult&)>& finished,
                          const std::atomic<bool>* cancel) {
    const unsigned threads = static_cast<unsigned>(std::min<size_t>(
        std::max(1u, workers == 0 ? Cores() : workers), std::max<size_t>(fileCount, 1)));
    const unsigned peakThreads = std::max(1u, Cores() / threads);
    std::mutex mutex;
    size_t next = 0;
    const auto take = [&](size_t& index) {
        std::lock_guard<std::mutex> lock(mutex);
        if (next >= fileCount || (cancel && cancel->load()))
            return false;
        index = next++;
        if (started)
            started(index);
        return true;
    };
    const auto loop = [&] {
        size_t index = 0;
        while (take(index)) {
            const BatchFileResult result = work(index, peakThreads);
            std::lock_guard<std::mutex> lock(mutex);
            if (finished)
                finished(index, result);
        }
    };
    RunOnThreads(threads, [&loop](size_t) { loop(); });
    return next;
}

std::string BatchOutputFolder(const BatchSplitJob& job, size_t index) {
    if (job.flat)
        return job.outFolder;
    fs::path folder(job.outFolder);
    if (index < job.relFolders.size() && !job.relFolders[index].empty())
        folder /= job.relFolders[index];
    return (folder / SourceStem(job.files[index])).string();
}

std::vector<std::string> BatchClashes(const BatchSplitJob& job) {
    std::vector<std::string> clashes(job.files.size());
    std::map<std::string, size_t> owners; // the first part's path, and whose it is
    for (size_t i = 0; i < job.files.size(); ++i) {
        std::error_code ec;
        fs::path folder = fs::weakly_canonical(BatchOutputFolder(job, i), ec);
        if (ec)
            folder = fs::absolute(BatchOutputFolder(job, i), ec).lexically_normal();
        const std::string first = (folder / (PartFileStem(job.files[i]) + "-01.mp3")).string();
        const auto [it, inserted] = owners.emplace(first, i);
        if (!inserted)
            clashes[i] = "its parts would replace those of " + job.files[it->second];
    }
    return clashes;
}

BatchFileResult SplitOneFile(const BatchSplitJob& job, size_t index, const InputFiles& inputs,
                             unsigned peakThreads) {
    BatchFileResult r;
    const std::string& file = job.files[index];
    CutList list;
    if (!FileCutList(job, file, list, r.reason))
        return r;
    ProgramState st;
    PlacedNotes notes;
    StepOutcome step = OpenForCutting(st, file, job.rule, {}, peakThreads);
    if (step.ok())
        step = PlaceByRule(st, st, st, job.rule, list, notes);
    if (step.ok())
        r.notes = NoteLines(st, st, notes);
    if (step.ok())
        step = CheckSplittable(st);
    if (!step.ok()) {
        r.reason = step.message;
        return r;
    }
    const GainChoice gain = ChooseGain(st, st, job.writing);
    for (const std::string& line : GainNoteLines(gain))
        r.notes.push_back(line);
    if (job.writing.ReplayGainRefused())
        r.notes.push_back(std::string("warning: ") + kNoReplayGainV1Warning);
    PartWriting writing = job.writing;
    writing.inputs = &inputs;
    const SplitResult split =
        WritePlacedParts(st, st, st, writing, list, notes, BatchOutputFolder(job, index),
                         DefaultPartFileSystem(), {}, gain);
    for (const std::string& line : SilentPartLines(notes))
        r.notes.push_back(line);
    if (split.tagDamaged && !split.refused)
        r.notes.push_back(std::string("warning: ") + kDamagedTagWarning);
    if (!split.leftovers.empty())
        r.notes.push_back(LeftoverNote(split.leftovers));
    r.written = split.written;
    r.ok = split.ok;
    r.reason = split.error;
    r.diskFull = split.diskFull;
    return r;
}

void BatchTotals::Add(const BatchFileResult& r) {
    if (r.ok) {
        ++split;
        parts += static_cast<int>(r.written.size());
    } else {
        ++failed;
    }
}

std::string BatchSummaryText(const BatchTotals& totals) {
    const auto count = [](int n, const char* one, const char* many) {
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    std::string text = count(totals.split, "file", "files") + " split into " +
                       count(totals.parts, "part", "parts") + "; " +
                       count(totals.failed, "file", "files") + " failed";
    if (totals.notStarted > 0)
        text += "; " + count(totals.notStarted, "file", "files") +
                " not started (no space left on device)";
    return text;
}

BatchTotals RunBatchSplit(const BatchSplitJob& job, const std::function<void(size_t)>& started,
                          const std::function<void(size_t, const BatchFileResult&)>& finished,
                          const std::atomic<bool>* cancel) {
    BatchTotals totals;
    bool diskFull = false;
    const std::vector<std::string> clashes = BatchClashes(job);
    const InputFiles inputs(job.files);
    // Stops further files: the caller's cancel, or a full disk.
    std::atomic<bool> stop{cancel && cancel->load()};
    const auto work = [&](size_t index, unsigned peakThreads) {
        if (!clashes[index].empty()) {
            BatchFileResult r;
            r.reason = clashes[index];
            return r;
        }
        try {
            return SplitOneFile(job, index, inputs, peakThreads);
        } catch (const std::bad_alloc&) {
            BatchFileResult r;
            r.reason = OutOfMemoryMessage("splitting " + job.files[index]);
            return r;
        }
    };
    const auto done = [&](size_t index, const BatchFileResult& r) {
        totals.Add(r);
        diskFull = diskFull || r.diskFull;
        if (diskFull || (cancel && cancel->load()))
            stop = true;
        if (finished)
            finished(index, r);
    };
    const size_t begun =
        RunFilesInParallel(job.files.size(), job.workers, work, started, done, &stop);
    if (diskFull)
        totals.notStarted = static_cast<int>(job.files.size() - begun);
    return totals;
}

} // namespace tessivo
