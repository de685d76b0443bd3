// Bringing a file into memory: its size check, the chunked read with
// progress, the ID3v2/ID3v1 tag detection, and the decoder's probe.
#pragma once

#include "core/analysis/open_file.h"
#include "core/state/program_state.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace tessivo {

// Bytes per read while loading: a 32nd of the file, so the progress moves
// in visible steps while a large file takes few system calls; at least
// kLoadChunk, at most kLoadChunkMax.
constexpr size_t kLoadChunk = 10000;
constexpr size_t kLoadChunkMax = size_t{8} << 20;
size_t LoadChunkFor(uint64_t fileSize);
// The largest file that opens; larger ones are refused before anything is
// mapped or allocated.
constexpr uint64_t kMaxFileSize = uint64_t{64} << 30;

extern const char* const kNotMp3Message; // "It is not a MP3 file!"
// "NAME: 70.2 GiB is larger than the 64 GiB Tessivo opens" for a file of
// `size` bytes; the size is rounded up to a tenth of a GiB so it never reads
// as the limit itself.
std::string TooLargeMessage(const std::string& name, uint64_t size);
// "Not enough memory to open NAME"
std::string NotEnoughMemoryToOpen(const std::string& name);

// Size of `path` (stat, no read). False with `message` when the file cannot
// be examined or is larger than kMaxFileSize.
bool CheckFileSize(const std::string& path, uint64_t& size, std::string& message);

// A look at the start of the file only (the ID3v2 tag and the 54 KB after
// it, all that the first-frame search can reach): false with kNotMp3Message
// when no layer III stream can start there. Lets a large file that is not an
// MP3 be refused without reading all of it; everything it accepts is checked
// again on the whole file.
bool QuickCheck(const std::string& path, std::string& message);
// AnalyseFile runs QuickCheck on files larger than this.
constexpr uint64_t kQuickCheckFrom = uint64_t{16} << 20;

// Maps file.FileName as file.FileBuffer and brings it into the page cache in
// LoadChunkFor pieces, records FileSize and FileModifiedNs, keeping
// meter.ProgressPercent current (and calling `progress` with "Opening file"),
// then detects the tags; ProgressPercent is 0 afterwards. Files shorter than
// 10 bytes have no ID3v2 tag, shorter than 128 no ID3v1 tag. False with
// `message` on a read error, a refused size or cancellation (message empty).
bool LoadFile(LoadedFile& file, ProgressValues& meter, std::string& message,
              const ProgressFn& progress = {}, const std::atomic<bool>* cancel = nullptr);

// The mapped file lost pages or its size or modification time is no longer
// the one it was opened with: what was read of it cannot be trusted, and
// ChangedOnDiskMessage says so.
bool SourceChanged(const LoadedFile& file);

// Detects ID3v2 (HasId3v2, Id3v2Size) and ID3v1 (HasId3v1, Id3v1Buffer) in
// file.FileBuffer; Id3v2Size is left alone when there is no ID3v2 tag.
void DetectTags(LoadedFile& file);

// Asks the decoder whether file.FileBuffer holds an MPEG layer III stream and
// records in `stream` what it reports: StreamInfo, ChannelCount, SampleRate,
// DecodedLength (exact, 64-bit) and Duration. False for anything else (WAV,
// Ogg, layer I/II, noise, empty or tiny files); nothing but StreamInfo
// changes then.
bool ProbeFile(const LoadedFile& file, StreamFacts& stream);

} // namespace tessivo
