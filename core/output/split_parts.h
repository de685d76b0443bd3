// Writing part files: each used part as the source's own frame bytes,
// optionally followed by its ID3v1 tag.
#pragma once

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
std::string PartFilePath(const ProgramState& st, int n);

// Byte range [first, end) of part i in FileBuffer. Ranges use only indexed
// frames and stop before the source's ID3v1 tag; parts 1..CutCount together
// cover the first frame up to the end of the last indexed frame exactly.
struct ByteRange {
    size_t first = 0;
    size_t end = 0;
    size_t size() const { return end > first ? end - first : 0; }
};
ByteRange PartByteRange(const ProgramState& st, int i);

// The bytes that go into part i's file before its tag: a view of FileBuffer,
// or a buffer of its own when the part is rebuilt (gapless parts).
struct PartBytes {
    std::span<const uint8_t> view;
    std::vector<uint8_t> owned;
    std::span<const uint8_t> bytes() const {
        return owned.empty() ? view : std::span<const uint8_t>(owned);
    }
};
PartBytes SourcePartBytes(const ProgramState& st, int i);

// One open part file.
class PartFileWriter {
public:
    virtual ~PartFileWriter() = default;
    // Writes all bytes; false on any failure.
    virtual bool Write(const uint8_t* data, size_t size) = 0;
    // Flushes and closes; false when that fails. Called once.
    virtual bool Close() = 0;
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
};

// The real file system (POSIX).
PartFileSystem& DefaultPartFileSystem();

struct SplitResult {
    bool ok = true;
    std::vector<std::string> written; // paths of the files written, in order
    std::string error;                // the message to show when !ok
};

// Bytes written so far of all bytes to write.
using SplitProgressFn = std::function<void(uint64_t done, uint64_t total)>;

// Writes every used part, in order, as file number SplitFileCount + 1, ...
// Each file is written under a temporary name in the output folder and renamed
// to its part name only when complete, so a failure never leaves a half file
// under a part's name and a file of that name from before survives. On a
// failure the split stops: earlier files stay and keep PartSaved, and
// SplitFileCount keeps the number the failed part took.
SplitResult SplitParts(ProgramState& st, PartFileSystem& fs = DefaultPartFileSystem(),
                       const SplitProgressFn& progress = {});

} // namespace tessivo
