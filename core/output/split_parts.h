// Writing part files: each used part as the source's own frame bytes (opened
// by an Info frame of its own when the source needs one), with its tags.
#pragma once

#include "core/output/edge_fades.h"
#include "core/output/output_paths.h"
#include "core/output/part_tag.h"
#include "core/state/program_state.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tessivo {

// Full path of part file number n: the output folder, '/', the source's file
// name without its extension, "-0n" (n below 10) or "-n", ".mp3".
std::string PartFilePath(const LoadedFile& source, const SettingsValues& settings, int n);

// The source's file name without folder and extension, as part names begin.
std::string PartFileStem(const std::string& fileName);

// Byte range [first, end) of part i in FileBuffer. Ranges use only indexed
// frames and stop before the source's ID3v1 tag; parts 1..PartCount together
// cover the first frame up to the end of the last indexed frame exactly.
struct ByteRange {
    size_t first = 0;
    size_t end = 0;
    size_t size() const { return end > first ? end - first : 0; }
};
ByteRange PartByteRange(const AnalysedFile& file, const PartTable& parts, int i);

// The bytes that go into part i's file before its tag: a view of FileBuffer,
// or a buffer of its own when the part is rebuilt (an Info frame of its own,
// gapless parts).
struct PartBytes {
    std::span<const uint8_t> view;
    std::vector<uint8_t> owned;
    std::span<const uint8_t> bytes() const {
        return owned.empty() ? view : std::span<const uint8_t>(owned);
    }
};
PartBytes SourcePartBytes(const AnalysedFile& file, const PartTable& parts, int i);

// One open part file.
class PartFileWriter {
public:
    virtual ~PartFileWriter() = default;
    // Writes all bytes; false on any failure.
    virtual bool Write(const uint8_t* data, size_t size) = 0;
    // Writes `size` bytes that stand both at `data` and at `offset` of the
    // open file `fd`: copied by the kernel from the file where the writer
    // can, else written from `data`. False on any failure.
    virtual bool WriteCopy(const uint8_t* data, size_t size, int fd, uint64_t offset);
    // Flushes to disk and closes; false when that fails. Called once.
    virtual bool Close() = 0;
    // Why the last Write or Close failed, as the system says it.
    virtual std::string Reason() const { return "Input/output error"; }
};

// The file system as the split sees it, so tests can make it fail.
class PartFileSystem {
public:
    virtual ~PartFileSystem() = default;
    // Creates a new, empty file next to `finalPath` under a name of its own
    // and returns it with that name in `tempPath`; nullptr and the system's
    // reason in `reason` when it cannot.
    virtual std::unique_ptr<PartFileWriter>
    CreateTemp(const std::string& finalPath, std::string& tempPath, std::string& reason) = 0;
    // Puts the finished file in place of `to` (replacing a file of that name).
    virtual bool Rename(const std::string& from, const std::string& to, std::string& reason) = 0;
    virtual void Remove(const std::string& path) = 0;
    // True when something stands under `path` (a file, a folder, a link).
    virtual bool Exists(const std::string& path);
    // Makes the folder that will hold `path`, with its missing parents;
    // false and the system's reason when it cannot.
    virtual bool MakeFolderFor(const std::string& path, std::string& reason);
    // Whether a writer may be closed (flushed) on another thread while other
    // files are written.
    virtual bool FlushesBesideWrites() const { return false; }
};

// The real file system (POSIX).
PartFileSystem& DefaultPartFileSystem();

struct SplitResult {
    bool ok = true;
    std::vector<std::string> written; // paths of the files written, in order
    std::vector<int> writtenParts;    // the part each of them holds
    std::string error;                // the message to show when !ok
    int failedPart = 0;               // the part being written when the split stopped
    std::string failedPath;           // and the file it was to become
    bool refused = false;             // target files exist: nothing was written
    bool tagDamaged = false;          // the source's tag could be read only in part
    bool diskFull = false;            // the write failed for want of space
    // Files of an earlier split of the source with numbers above the last
    // one written, still in the folder (names without folder).
    std::vector<std::string> leftovers;
};

// Whether a write error message gives "No space left on device".
bool IsDiskFullMessage(const std::string& message);

// For every part 1..PartCount, the path a split started now writes it
// to (SplitFileCount + 1, + 2, ... over the used parts); empty for a part that
// is not used. Index 0 is unused.
std::vector<std::string> PlannedPartPaths(const LoadedFile& source, const PartTable& parts,
                                          const SettingsValues& settings);

// Target files of the next split that exist already.
struct ExistingTargets {
    int count = 0;
    std::string first; // path of the first one, in part order
};
ExistingTargets ExistingPartFiles(const LoadedFile& source, const PartTable& parts,
                                  const SettingsValues& settings, PartFileSystem& fs);

// Writes the file `path` under a temporary name in its folder: `fill`
// writes the bytes, the file is flushed to disk and only then renamed to
// `path`. A failure removes the temporary file and leaves what stood under
// `path`; unless `overwrite`, a file that appeared under the name meanwhile
// stays too. Returns the message to show, empty when the file is in place.
using FileFiller = std::function<bool(PartFileWriter&)>;
std::string WriteFileInPlace(PartFileSystem& fs, const std::string& path, bool overwrite,
                             const FileFiller& fill);

// The two halves of WriteFileInPlace, so that one file can be flushed and
// renamed while the next is written. A filled file holds its writer, its
// temporary name and the name it gets.
struct FilledFile {
    std::unique_ptr<PartFileWriter> out;
    std::string tempPath, path;
    bool overwrite = false;
};
// Creates the temporary and fills it; the message when that fails (the
// temporary is then gone).
std::string FillTemporary(PartFileSystem& fs, const std::string& path, bool overwrite,
                          const FileFiller& fill, FilledFile& filled);
// Flushes the filled file to disk (closing its writer); false on failure.
bool FlushFilled(FilledFile& filled);
// Renames the file `flushed` to its name; the message when that or the flush
// failed (the temporary is then gone), empty when the file is in place.
std::string NameFlushed(PartFileSystem& fs, FilledFile& filled, bool flushed);
// Both in turn.
std::string PutInPlace(PartFileSystem& fs, FilledFile& filled);

// "Cannot write PATH: REASON"
std::string WriteErrorMessage(const std::string& path, const std::string& reason);

// "Out of memory while ACTION"
std::string OutOfMemoryMessage(const std::string& action);

// "File exists: PATH (use --overwrite to replace it)"
std::string FileExistsMessage(const std::string& path);

// How a split writes its files.
struct SplitOptions {
    // With IsSaveTags: TagFormat::V1 appends each part's ID3v1 record
    // (PartId3v1); the ID3v2 formats write the tags made from `tags` (or from
    // the source's tag when `tags` is null), the ID3v1 record then derived
    // from the same fields.
    TagFormat format = TagFormat::V1;
    const PartTags* tags = nullptr;
    // Replace files that stand under a target name; when false and any
    // exists, nothing is written.
    bool overwrite = false;
    // Lossless gain: every written frame's global_gain moves by this many
    // steps (core/output/loudness_gain.h).
    int gainSteps = 0;
    // Each part fades in over its first and out over its last fadeMs
    // (core/output/edge_fades.h); 0: no fade.
    double fadeMs = 0.0;
    // Stretches of the source silenced in the parts that hold them
    // (core/output/edge_fades.h); not in rebuilt (gapless) parts.
    std::vector<GranuleSpan> muted{};
    // With an ID3v2 format: each part's ReplayGain frames, from the
    // loudness the peak decode measured (after gainSteps), the album over
    // all parts written.
    bool replayGain = false;
    // The command's inputs besides the source: no part may replace one
    // (the source itself never is replaced).
    const InputFiles* inputs = nullptr;
};

// The window's loudness choices for its splits: ReplayGain frames (kept in
// the settings file) and the lossless gain in dB (for this session only).
struct SplitLoudness {
    bool replayGain = false;
    double gainDb = 0.0;
    bool gainAuto = false; // the gain that brings the parts nearest -18 LUFS, not gainDb
};

// The part list's file names (index = part number): a saved part's file as
// written, every other ticked part's name as PlannedPartPaths gives it, empty
// for an unticked part.
std::vector<std::string> PartListFileNames(const LoadedFile& source, const PartTable& parts,
                                           const SettingsValues& settings);

// Bytes written so far of all bytes to write.
using SplitProgressFn = std::function<void(uint64_t done, uint64_t total)>;

// Writes every used part, in order, as file number SplitFileCount + 1, ...
// A target that is the source or one of options.inputs refuses the split
// (InputRefusalMessage), overwrite or not, before anything is written.
// Unless options.overwrite, a split whose targets exist (ExistingPartFiles)
// writes nothing and reports FileExistsMessage of the first (refused).
// Each file is written under a temporary name in the output folder and renamed
// to its part name only when complete, so a failure never leaves a half file
// under a part's name and a file of that name from before survives. On a
// failure the split stops: earlier files stay recorded as their parts' written
// files (PartRecord::writtenFile), and
// SplitFileCount keeps the number the failed part took. Each file is flushed
// to disk before it is renamed.
SplitResult SplitParts(const AnalysedFile& file, PartTable& parts, const SettingsValues& settings,
                       const SplitOptions& options, PartFileSystem& fs = DefaultPartFileSystem(),
                       const SplitProgressFn& progress = {});
// The same with SplitOptions{}: ID3v1 records only, no file replaced.
SplitResult SplitParts(const AnalysedFile& file, PartTable& parts, const SettingsValues& settings,
                       PartFileSystem& fs = DefaultPartFileSystem(),
                       const SplitProgressFn& progress = {});

} // namespace tessivo
