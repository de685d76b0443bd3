#include "core/output/split_parts.h"

#include "core/parts/part_access.h"

#include "core/analysis/frame_index.h"
#include "core/analysis/mp3_load.h"
#include "core/output/edge_fades.h"
#include "core/output/gapless_part.h"
#include "core/output/id3v1_tag.h"
#include "core/output/loudness_gain.h"
#include "core/output/plain_part.h"
#include "core/parts/part_times.h"
#include "mp3/frame_gain.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace tessivo {

namespace {

constexpr size_t kWriteBlock = size_t(1) << 20;

std::string FileNamePart(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool EndsWithMp3(const std::string& name) {
    if (name.size() < 4)
        return false;
    std::string ext = name.substr(name.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".mp3";
}

} // namespace

std::string PartFileStem(const std::string& fileName) {
    std::string name = FileNamePart(fileName);
    if (EndsWithMp3(name)) {
        name.resize(name.size() - 4);
    } else {
        // Another extension goes as well; a name without one stays whole.
        const size_t dot = name.find_last_of('.');
        if (dot != std::string::npos && dot > 0)
            name.resize(dot);
    }
    return name;
}

std::string PartFilePath(const LoadedFile& source, const SettingsValues& settings, int n) {
    std::string name = PartFileStem(source.FileName);
    name += (n >= 0 && n < 10 ? "-0" : "-") + std::to_string(n) + ".mp3";
    std::string folder = settings.OutputFolder;
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder + name;
}

ByteRange PartByteRange(const AnalysedFile& file, const PartTable& parts, int i) {
    ByteRange r;
    if (!IsPartNumber(parts, i))
        return r;
    // Frames whose offsets the index build filled.
    const int64_t indexed = std::max<int64_t>(
        0, std::min<int64_t>({file.IndexedFrames, file.FrameCount, int64_t(file.FramePos.size())}));
    // The audio never reaches into the source's ID3v1 tag.
    const size_t limit = static_cast<size_t>(AudioEnd(file, file));
    if (indexed == 0)
        return r;
    const auto offset = [&](int64_t f) -> size_t {
        const FileOffset pos = file.FramePos[f];
        return pos < 0 ? 0 : std::min<size_t>(static_cast<size_t>(pos), limit);
    };
    const size_t audioEnd =
        std::min<size_t>(offset(indexed - 1) + std::max<int32_t>(file.FrameLength, 0), limit);
    const auto boundary = [&](int64_t f) -> size_t {
        if (f < 0)
            f = 0;
        return f < indexed ? std::min(offset(f), audioEnd) : audioEnd;
    };
    r.first = boundary(PartFirstFrame(parts, i));
    r.end = i < PartCount(parts) ? boundary(PartFirstFrame(parts, i + 1)) : audioEnd;
    if (r.end < r.first)
        r.end = r.first;
    return r;
}

namespace {

PartBytes PlainPartBytes(const AnalysedFile& file, const PartTable& parts, const PlainSource& plain,
                         int i) {
    PartBytes b;
    if (!BuildPlainPart(file, parts, plain, i, b.owned)) {
        const ByteRange r = PartByteRange(file, parts, i);
        b.view = std::span<const uint8_t>(file.FileBuffer.data() + r.first, r.size());
    }
    return b;
}

// Part i's bytes before its ID3v1 tag: an Info frame of its own (`head`) in
// front of a view of its frames, or a rebuilt gapless part.
struct PartAudioBytes {
    std::vector<uint8_t> head;
    PartBytes rest;
};

// What one split needs besides the file, its parts and the settings: its options, the plain-part
// facts, the tags and the progress count.
struct SplitJob {
    const AnalysedFile& file;
    PartTable& parts;
    const SettingsValues& settings;
    const SplitOptions& options;
    PartFileSystem& fs;
    const SplitProgressFn& progress;
    PlainSource plain;
    PartTags ownTags;               // the source's tags when none were given
    const PartTags* tags = nullptr; // the tags ID3v2 formats write
    std::string stem;               // the source's name for {name}
    WrittenMeasure loudness{};      // of the parts written, for ReplayGain
    int count = 0;                  // parts this split writes
    uint64_t total = 0, done = 0;
    bool sourceChanged = false; // the source changed on disk while a part was written
    // The audio of part `nextPart`, made ready while the part before it is
    // written (last, so that it is waited for before the rest goes).
    int nextPart = 0;
    std::future<PartAudioBytes> nextAudio{};
};

bool WithTags(const SplitJob& job) {
    return job.settings.IsSaveTags;
}

// Tag bytes around part i's frames, written as number n of the split.
struct TagBytes {
    std::vector<uint8_t> front, back;
};

TagBytes PartTagBytes(const SplitJob& job, int i, int n) {
    TagBytes t;
    if (!WithTags(job))
        return t;
    const int version = Id3v2Version(job.options.format);
    if (version == 0) {
        // ID3v1 alone: the record of the part's slot, when it holds a tag.
        if (const Id3v1Record v1 = PartId3v1(job.parts, i); IsTag(v1))
            t.back.assign(v1.begin(), v1.end());
        return t;
    }
    const PartTagV2 tag = ResolvePartTag(*job.tags, i, job.stem, n, job.count);
    const UserTexts replayGain = job.options.replayGain
                                     ? ReplayGainFor(job.loudness.parts.at(static_cast<size_t>(i)),
                                                     job.loudness.album, job.options.gainSteps)
                                     : UserTexts{};
    t.front = RenderId3v2(job.tags->source, tag, version, replayGain);
    if (WritesId3v1(job.options.format)) {
        const Id3v1Record v1 = RenderId3v1(tag);
        t.back.assign(v1.begin(), v1.end());
    }
    return t;
}

PartAudioBytes PartAudio(const SplitJob& job, int i) {
    const AnalysedFile& file = job.file;
    const PartTable& parts = job.parts;
    const SettingsValues& settings = job.settings;
    // Gapless parts are rebuilt (Info frame, warm-up frames, the part's own
    // frames); a source that cannot be rebuilt gets the plain part.
    // A part cut off the frame grid plays exactly its samples.
    PartAudioBytes part;
    if (settings.IsGapless && PartCutOffGrid(parts, i) &&
        BuildGaplessSampleRange(file, PartStartSample(file, parts, i),
                                PartEndSample(file, parts, i), part.rest.owned))
        return part;
    if (settings.IsGapless && BuildGaplessPart(file, PartFirstFrame(parts, i),
                                               i < PartCount(parts) ? PartLastFrame(file, parts, i)
                                                                    : file.IndexedFrames - 1,
                                               part.rest.owned))
        return part;
    ByteRange frames = PartByteRange(file, parts, i);
    PlainPartInfoFrame(file, parts, job.plain, i, part.head, frames);
    part.rest.view = std::span<const uint8_t>(file.FileBuffer.data() + frames.first, frames.size());
    return part;
}

// The part's bytes (Info frame and frames) in one buffer of its own.
std::vector<uint8_t>& OwnBytes(PartAudioBytes& part) {
    std::vector<uint8_t> all = std::move(part.head);
    const std::span<const uint8_t> rest = part.rest.bytes();
    all.insert(all.end(), rest.begin(), rest.end());
    part.head.clear();
    part.rest.view = {};
    part.rest.owned = std::move(all);
    return part.rest.owned;
}

// The source granule the first frame of a part's view starts; -1 for a
// rebuilt part.
int64_t FirstSourceGranule(const AnalysedFile& file, const PartAudioBytes& part) {
    if (!part.rest.owned.empty() || part.rest.view.empty())
        return -1;
    const auto at = static_cast<FileOffset>(part.rest.view.data() - file.FileBuffer.data());
    const auto end = file.FramePos.begin() +
                     std::min<ptrdiff_t>(file.IndexedFrames, ptrdiff_t(file.FramePos.size()));
    const auto f = std::lower_bound(file.FramePos.begin(), end, at);
    if (f == end || *f != at)
        return -1;
    return (f - file.FramePos.begin()) * (file.SamplesPerFrame / mp3::kGranuleSamples);
}

// Every frame's gain changed by the split's gain, then the fade in and out at
// the part's played start and end and the muted stretches of the source.
void ChangeGain(const SplitJob& job, PartAudioBytes& part) {
    const SplitOptions& o = job.options;
    const int64_t first = o.muted.empty() ? -1 : FirstSourceGranule(job.file, part);
    if (o.gainSteps != 0) {
        std::vector<uint8_t>& all = OwnBytes(part);
        mp3::ChangeStreamGain(all.data(), all.size(), o.gainSteps);
    }
    if (o.fadeMs > 0.0) {
        std::vector<uint8_t>& all = OwnBytes(part);
        mp3::ChangeGranuleGains(all.data(), all.size(), PartFade(all, o.fadeMs));
    }
    if (first >= 0) {
        std::vector<uint8_t>& all = OwnBytes(part);
        const int ramp = MuteRampGranules(static_cast<int>(job.file.SampleRate));
        mp3::ChangeGranuleGains(all.data(), all.size(),
                                [&](int64_t g) { return -MuteSteps(o.muted, first + g, ramp); });
    }
}

// Writes `bytes`, in blocks for the progress. Bytes that lie in the mapped
// source are copied from the file by the kernel, never read by the process.
bool WriteBytes(SplitJob& job, PartFileWriter& out, std::span<const uint8_t> bytes) {
    const FileImage& source = job.file.FileBuffer;
    const auto from = reinterpret_cast<uintptr_t>(bytes.data());
    const auto base = reinterpret_cast<uintptr_t>(source.data());
    const bool inImage =
        !bytes.empty() && from >= base && from + bytes.size() <= base + source.size();
    const uint64_t at = inImage ? from - base : 0;
    const int fd =
        inImage && PagesAreTheFiles(bytes.data(), bytes.size()) ? source.FileDescriptor() : -1;
    const bool inSource = fd >= 0;
    for (size_t pos = 0; pos < bytes.size(); pos += kWriteBlock) {
        const size_t n = std::min(kWriteBlock, bytes.size() - pos);
        const bool written = inSource ? out.WriteCopy(bytes.data() + pos, n, fd, at + pos)
                                      : out.Write(bytes.data() + pos, n);
        if (!written)
            return false;
        job.done += n;
        if (job.progress) // rebuilt parts and tags run a little longer than counted
            job.progress(std::min(job.done, job.total), job.total);
    }
    return true;
}

PartAudioBytes ReadyAudio(const SplitJob& job, int i) {
    PartAudioBytes part = PartAudio(job, i);
    ChangeGain(job, part);
    return part;
}

int NextTickedPart(const PartTable& parts, int i) {
    for (int k = i + 1; k <= PartCount(parts); ++k)
        if (PartTicked(parts, k))
            return k;
    return 0;
}

// Part i's audio, and the next ticked part's started on a thread of its own
// (its Info frame's CRC then overlaps this part's writing). Only a part that
// is a view of the source is followed so: a rebuilt one holds its bytes, and
// two of them would be held at once.
PartAudioBytes TakeAudio(SplitJob& job, int i) {
    PartAudioBytes part =
        job.nextPart == i && job.nextAudio.valid() ? job.nextAudio.get() : ReadyAudio(job, i);
    job.nextPart = part.rest.owned.empty() ? NextTickedPart(job.parts, i) : 0;
    if (job.nextPart > 0)
        job.nextAudio =
            std::async(std::launch::async, [&job, k = job.nextPart] { return ReadyAudio(job, k); });
    return part;
}

// Writes part i into a temporary for `path` (number n of the split); the
// error text when that fails, empty when it waits to be put in place.
// A part is read from the mapped source: the source is checked before and
// after, and a part read from a changed source is not kept.
std::string FillPartFile(SplitJob& job, int i, int n, const std::string& path, FilledFile& filled) {
    if (SourceChanged(job.file))
        return ChangedOnDiskMessage(job.file.FileName);
    const std::string error = FillTemporary(
        job.fs, path, job.options.overwrite,
        [&](PartFileWriter& out) {
            const TagBytes tags = PartTagBytes(job, i, n);
            const PartAudioBytes part = TakeAudio(job, i);
            const bool ok = WriteBytes(job, out, tags.front) && WriteBytes(job, out, part.head) &&
                            WriteBytes(job, out, part.rest.bytes()) &&
                            WriteBytes(job, out, tags.back);
            job.sourceChanged = SourceChanged(job.file);
            return ok && !job.sourceChanged;
        },
        filled);
    return job.sourceChanged ? ChangedOnDiskMessage(job.file.FileName) : error;
}

void PrepareTags(SplitJob& job, SplitResult& result) {
    if (!WithTags(job) || Id3v2Version(job.options.format) == 0)
        return;
    job.tags = job.options.tags;
    if (!job.tags) {
        job.ownTags = MakePartTags(job.parts, ReadSourceTag(job.file));
        job.ownTags.numberTracks = job.settings.NumberTracks;
        job.tags = &job.ownTags;
    }
    result.tagDamaged = job.tags->source.damaged;
}

} // namespace

bool PartFileWriter::WriteCopy(const uint8_t* data, size_t size, int, uint64_t) {
    return Write(data, size);
}

std::string FillTemporary(PartFileSystem& fs, const std::string& path, bool overwrite,
                          const FileFiller& fill, FilledFile& filled) {
    std::string reason;
    filled =
        FilledFile{fs.CreateTemp(path, filled.tempPath, reason), filled.tempPath, path, overwrite};
    if (!filled.out)
        return "Cannot create file \"" + path + "\". " + reason;
    if (fill(*filled.out))
        return {};
    const std::string why = filled.out->Reason();
    fs.Remove(filled.tempPath);
    filled.out.reset();
    return WriteErrorMessage(path, why);
}

bool FlushFilled(FilledFile& filled) {
    return filled.out->Close();
}

std::string NameFlushed(PartFileSystem& fs, FilledFile& filled, bool flushed) {
    const std::string& path = filled.path;
    std::string error;
    std::string reason;
    if (!flushed)
        error = WriteErrorMessage(path, filled.out->Reason());
    // A file that appeared under the name while the bytes were written stays.
    else if (!filled.overwrite && fs.Exists(path))
        error = FileExistsMessage(path);
    else if (!fs.Rename(filled.tempPath, path, reason))
        error = "Cannot create file \"" + path + "\". " + reason;
    if (!error.empty())
        fs.Remove(filled.tempPath);
    filled.out.reset();
    return error;
}

std::string PutInPlace(PartFileSystem& fs, FilledFile& filled) {
    return NameFlushed(fs, filled, FlushFilled(filled));
}

std::string WriteFileInPlace(PartFileSystem& fs, const std::string& path, bool overwrite,
                             const FileFiller& fill) {
    FilledFile filled;
    const std::string error = FillTemporary(fs, path, overwrite, fill, filled);
    return error.empty() ? PutInPlace(fs, filled) : error;
}

PartBytes SourcePartBytes(const AnalysedFile& file, const PartTable& parts, int i) {
    return PlainPartBytes(file, parts, ExaminePlainSource(file), i);
}

std::vector<std::string> PlannedPartPaths(const LoadedFile& source, const PartTable& parts,
                                          const SettingsValues& settings) {
    const int count = PartCount(parts);
    std::vector<std::string> paths(static_cast<size_t>(count) + 1);
    int number = parts.SplitFileCount;
    for (int i = 1; i <= count; ++i)
        if (PartTicked(parts, i))
            paths[static_cast<size_t>(i)] = PartFilePath(source, settings, ++number);
    return paths;
}

std::vector<std::string> PartListFileNames(const LoadedFile& source, const PartTable& parts,
                                           const SettingsValues& settings) {
    std::vector<std::string> names = PlannedPartPaths(source, parts, settings);
    for (int i = 1; i < static_cast<int>(names.size()); ++i)
        if (PartSaved(parts, i))
            names[static_cast<size_t>(i)] = PartAt(parts, i).writtenFile;
    return names;
}

ExistingTargets ExistingPartFiles(const LoadedFile& source, const PartTable& parts,
                                  const SettingsValues& settings, PartFileSystem& fs) {
    ExistingTargets found;
    for (const std::string& path : PlannedPartPaths(source, parts, settings)) {
        if (path.empty() || !fs.Exists(path))
            continue;
        if (found.count++ == 0)
            found.first = path;
    }
    return found;
}

std::string WriteErrorMessage(const std::string& path, const std::string& reason) {
    return "Cannot write " + path + ": " + reason;
}

bool IsDiskFullMessage(const std::string& message) {
    const std::string full = std::strerror(ENOSPC);
    return message.size() >= full.size() &&
           message.compare(message.size() - full.size(), full.size(), full) == 0;
}

std::string OutOfMemoryMessage(const std::string& action) {
    return "Out of memory while " + action;
}

std::string FileExistsMessage(const std::string& path) {
    return "File exists: " + path + " (use --overwrite to replace it)";
}

SplitResult SplitParts(const AnalysedFile& file, PartTable& parts, const SettingsValues& settings,
                       PartFileSystem& fs, const SplitProgressFn& progress) {
    return SplitParts(file, parts, settings, SplitOptions{}, fs, progress);
}

namespace {

// Why the split writes nothing at all: no folder, an output that is an
// input, or (without overwrite) a part file there already; false when it may go on.
bool RefuseSplit(const AnalysedFile& file, PartTable& parts, const SettingsValues& settings,
                 const SplitOptions& options, PartFileSystem& fs, SplitResult& result) {
    if (settings.OutputFolder.empty())
        result.error = "Please select a folder";
    InputFiles inputs = options.inputs ? *options.inputs : InputFiles{};
    inputs.Add(file.FileName);
    if (result.error.empty())
        result.error = RefuseInputs(PlannedPartPaths(file, parts, settings), inputs);
    if (result.error.empty() && !options.overwrite) {
        const ExistingTargets existing = ExistingPartFiles(file, parts, settings, fs);
        if (existing.count > 0) {
            result.refused = true;
            result.error = FileExistsMessage(existing.first);
        }
    }
    result.ok = result.error.empty();
    return !result.ok;
}

// How many files the job writes and how many bytes, for its progress.
void CountTickedParts(SplitJob& job) {
    for (int i = 1; i <= PartCount(job.parts); ++i) {
        if (!PartTicked(job.parts, i))
            continue;
        ++job.count;
        job.total += PartByteRange(job.file, job.parts, i).size() +
                     (WithTags(job) && EffectivePartTag(job.parts, i).present ? 128 : 0);
    }
}

// A part file written and being flushed to disk, on a thread of its own
// when the file system allows it; it takes its name once flushed, in order.
struct FlushingPart {
    int part = 0;
    FilledFile filled;
    std::future<bool> flushed;
};
// Parts flushed at once: their disk writes overlap each other and the
// writing of the next part.
constexpr size_t kPartsFlushing = 4;

void NoteFailure(SplitResult& result, int part, const std::string& path, std::string error) {
    result.ok = false;
    result.error = std::move(error);
    result.failedPart = part;
    result.failedPath = path;
    result.diskFull = IsDiskFullMessage(result.error);
}

// Waits until the oldest flushing part is on disk and names it; false after
// recording its failure.
bool NameOldest(SplitJob& job, SplitResult& result, std::deque<FlushingPart>& flushing) {
    FlushingPart p = std::move(flushing.front());
    flushing.pop_front();
    const std::string path = p.filled.path;
    std::string error = NameFlushed(job.fs, p.filled, p.flushed.get());
    if (!error.empty()) {
        NoteFailure(result, p.part, path, std::move(error));
        return false;
    }
    job.parts.Parts[static_cast<size_t>(p.part - 1)].writtenFile = path;
    result.written.push_back(path);
    result.writtenParts.push_back(p.part);
    return true;
}

// Drops the parts still flushing after one failed: their temporaries go and
// their numbers are given back.
void DropFlushing(SplitJob& job, std::deque<FlushingPart>& flushing) {
    for (FlushingPart& p : flushing) {
        p.flushed.wait();
        job.fs.Remove(p.filled.tempPath);
        --job.parts.SplitFileCount;
    }
    flushing.clear();
}

// Names the parts still flushing, in order; after a failure the later ones
// are not kept.
void NameFlushing(SplitJob& job, SplitResult& result, std::deque<FlushingPart>& flushing) {
    while (!flushing.empty() && NameOldest(job, result, flushing)) {
    }
    DropFlushing(job, flushing);
}

// Starts flushing a filled part: on its own thread where the file system
// allows it, else at once.
void StartFlushing(SplitJob& job, std::deque<FlushingPart>& flushing, int part, FilledFile filled) {
    FlushingPart p{part, std::move(filled), {}};
    if (job.fs.FlushesBesideWrites()) {
        p.flushed = std::async(std::launch::async, [w = p.filled.out.get()] { return w->Close(); });
    } else {
        std::promise<bool> now;
        now.set_value(FlushFilled(p.filled));
        p.flushed = now.get_future();
    }
    flushing.push_back(std::move(p));
}

// Writes every ticked part, numbering on from the files split before; stops
// at the first failure, naming its part and file. Up to kPartsFlushing parts
// are flushed while the next is written; none is kept after one that fails.
void WriteTickedParts(SplitJob& job, SplitResult& result) {
    const AnalysedFile& file = job.file;
    PartTable& parts = job.parts;
    const SettingsValues& settings = job.settings;
    const size_t depth = job.fs.FlushesBesideWrites() ? kPartsFlushing : 1;
    std::deque<FlushingPart> flushing;
    int n = 0;
    for (int i = 1; i <= PartCount(parts) && result.ok; ++i) {
        if (!PartTicked(parts, i))
            continue;
        ++parts.SplitFileCount;
        const std::string path = PartFilePath(file, settings, parts.SplitFileCount);
        FilledFile filled;
        const std::string error = FillPartFile(job, i, ++n, path, filled);
        if (!error.empty()) {
            NameFlushing(job, result, flushing);
            if (result.ok)
                NoteFailure(result, i, path, error);
            else
                --parts.SplitFileCount; // an earlier part failed first
            return;
        }
        StartFlushing(job, flushing, i, std::move(filled));
        if (flushing.size() >= depth && !NameOldest(job, result, flushing))
            DropFlushing(job, flushing);
    }
    NameFlushing(job, result, flushing);
}

} // namespace

SplitResult SplitParts(const AnalysedFile& file, PartTable& parts, const SettingsValues& settings,
                       const SplitOptions& options, PartFileSystem& fs,
                       const SplitProgressFn& progress) {
    SplitResult result;
    if (RefuseSplit(file, parts, settings, options, fs, result))
        return result;
    SplitJob job{file,
                 parts,
                 settings,
                 options,
                 fs,
                 progress,
                 ExaminePlainSource(file),
                 {},
                 nullptr,
                 SourceStem(file.FileName)};
    CountTickedParts(job);
    PrepareTags(job, result);
    if (options.replayGain)
        job.loudness = MeasureWrittenParts(file, parts, settings.IsGapless);
    WriteTickedParts(job, result);
    if (!result.ok)
        return result;
    if (progress)
        progress(job.total, job.total);
    result.leftovers =
        LaterPartFiles(settings.OutputFolder, PartFileStem(file.FileName), parts.SplitFileCount);
    return result;
}

} // namespace tessivo
