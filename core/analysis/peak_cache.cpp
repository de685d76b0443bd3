#include "core/analysis/peak_cache.h"

#include "core/analysis/preview_peaks.h"
#include "core/util/hash64.h"
#include "core/util/user_folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

namespace tessivo {

namespace fs = std::filesystem;

namespace {

// Version 2 added the frames' loudness energies after the peaks, version 3
// keeps them per slice of a frame, version 4 counts frames in 64 bits; a file
// of an older version is a miss and is replaced by the next store.
constexpr char kMagic[8] = {'T', 'S', 'V', 'P', 'E', 'A', 'K', '4'};
constexpr const char* kSuffix = ".peaks";

// What precedes the peaks in a cache file (native byte order).
struct CacheHeader {
    char magic[8];
    uint64_t fileSize;
    int64_t modifiedNs;
    uint64_t contentHash;
    uint64_t frames;
    uint32_t loudness; // 1: kLoudnessSlices float energies per frame follow the peaks
    uint32_t unused;   // 0; no padding left for memcmp to see
};

using File = std::unique_ptr<FILE, int (*)(FILE*)>;

File OpenFile(const std::string& path, const char* mode) {
    return File(std::fopen(path.c_str(), mode), &std::fclose);
}

CacheHeader HeaderFor(const PeakCacheKey& key, uint64_t frames, bool loudness) {
    CacheHeader h{};
    std::memcpy(h.magic, kMagic, sizeof kMagic);
    h.fileSize = key.fileSize;
    h.modifiedNs = key.modifiedNs;
    h.contentHash = key.contentHash;
    h.frames = frames;
    h.loudness = loudness ? 1 : 0;
    return h;
}

// The peaks go to and come from the file in chunks of frames, four values a
// frame (max and min of left, then right), so no copy of the whole table is
// held beside it.
constexpr size_t kChunkFrames = 64 * 1024;

bool WritePeakValues(std::FILE* f, const PeakTable& table) {
    std::vector<int16_t> values;
    const size_t frames = table.PeakMaxL.size();
    for (size_t first = 0; first < frames; first += kChunkFrames) {
        const size_t n = std::min(kChunkFrames, frames - first);
        values.resize(n * 4);
        for (size_t j = 0; j < n; ++j) {
            values[4 * j] = table.PeakMaxL[first + j];
            values[4 * j + 1] = table.PeakMinL[first + j];
            values[4 * j + 2] = table.PeakMaxR[first + j];
            values[4 * j + 3] = table.PeakMinR[first + j];
        }
        if (std::fwrite(values.data(), sizeof(int16_t), values.size(), f) != values.size())
            return false;
    }
    return true;
}

// Reads `frames` frames of peaks into `out`; false when the file ends early
// or holds a frame whose top lies below its bottom (drawn by nobody).
bool ReadPeakValues(std::FILE* f, uint32_t frames, PeakTable& out) {
    for (auto* v : {&out.PeakMaxL, &out.PeakMinL, &out.PeakMaxR, &out.PeakMinR})
        v->resize(frames);
    std::vector<int16_t> values;
    for (size_t first = 0; first < frames; first += kChunkFrames) {
        const size_t n = std::min(kChunkFrames, frames - first);
        values.resize(n * 4);
        if (std::fread(values.data(), sizeof(int16_t), values.size(), f) != values.size())
            return false;
        for (size_t j = 0; j < n; ++j) {
            if (values[4 * j] < values[4 * j + 1] || values[4 * j + 2] < values[4 * j + 3])
                return false;
            out.PeakMaxL[first + j] = values[4 * j];
            out.PeakMinL[first + j] = values[4 * j + 1];
            out.PeakMaxR[first + j] = values[4 * j + 2];
            out.PeakMinR[first + j] = values[4 * j + 3];
        }
    }
    return true;
}

} // namespace

PeakCacheKey PeakCacheKeyOf(const LoadedFile& file) {
    PeakCacheKey key;
    const size_t size = file.FileBuffer.size();
    const size_t head = std::min(size, kPeakCacheHashBytes);
    const size_t tail = std::min(size, kPeakCacheHashBytes);
    key.fileSize = size;
    key.modifiedNs = file.FileModifiedNs;
    key.contentHash = Hash64(file.FileBuffer.data(), head);
    key.contentHash = Hash64(file.FileBuffer.data() + (size - tail), tail, key.contentHash);
    return key;
}

std::string DefaultPeakCacheFolder() {
    return UserFolder("XDG_CACHE_HOME", ".cache", "peaks");
}

std::string PeakCachePath(const std::string& folder, const PeakCacheKey& key) {
    uint64_t h = Hash64(&key.fileSize, sizeof key.fileSize);
    h = Hash64(&key.modifiedNs, sizeof key.modifiedNs, h);
    h = Hash64(&key.contentHash, sizeof key.contentHash, h);
    return HashedFilePath(folder, h, kSuffix);
}

bool LookUpPeaks(const std::string& folder, const PeakCacheKey& key, uint32_t frameCount,
                 PeakTable& out) {
    if (folder.empty())
        return false;
    const std::string path = PeakCachePath(folder, key);
    File f = OpenFile(path, "rb");
    if (!f)
        return false;
    CacheHeader h{};
    if (std::fread(&h, sizeof h, 1, f.get()) != 1)
        return false;
    const CacheHeader want = HeaderFor(key, frameCount, h.loudness == 1);
    if (std::memcmp(&h, &want, sizeof h) != 0)
        return false;
    PeakTable got; // out stays as it was until the whole file is read
    got.FrameLoudness.resize(h.loudness == 1 ? size_t{frameCount} * kLoudnessSlices : 0);
    std::vector<float>& energy = got.FrameLoudness;
    if (!ReadPeakValues(f.get(), frameCount, got) ||
        std::fread(energy.data(), sizeof(float), energy.size(), f.get()) != energy.size() ||
        std::fgetc(f.get()) != EOF)
        return false;
    out = std::move(got);
    ::utimensat(AT_FDCWD, path.c_str(), nullptr, 0); // just used: pruned last
    return true;
}

bool StorePeaks(const std::string& folder, const PeakCacheKey& key, const PeakTable& table,
                uint64_t limit) {
    const size_t frames = table.PeakMaxL.size();
    if (folder.empty() || table.PeakMinL.size() != frames || table.PeakMaxR.size() != frames ||
        table.PeakMinR.size() != frames)
        return false;
    const bool loudness = table.FrameLoudness.size() == frames * kLoudnessSlices && frames > 0;
    std::error_code ec;
    fs::create_directories(folder, ec);
    static std::atomic<unsigned> serial{0};
    const std::string path = PeakCachePath(folder, key);
    const std::string temp =
        path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
    const CacheHeader h = HeaderFor(key, frames, loudness);
    const size_t energies = loudness ? frames * kLoudnessSlices : 0;
    bool ok = false;
    if (File f = OpenFile(temp, "wb")) {
        ok = std::fwrite(&h, sizeof h, 1, f.get()) == 1 && WritePeakValues(f.get(), table) &&
             std::fwrite(table.FrameLoudness.data(), sizeof(float), energies, f.get()) == energies;
        ok = std::fclose(f.release()) == 0 && ok;
    }
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    PrunePeakCache(folder, limit);
    return true;
}

bool InitialPeaks(AnalysedFile& file, const std::string& folder) {
    PeakTable& table = file;
    if (LookUpPeaks(folder, PeakCacheKeyOf(file), file.FrameCount, table))
        return true;
    table = PreviewPeaks(file);
    return false;
}

void PrunePeakCache(const std::string& folder, uint64_t limit) {
    struct Entry {
        fs::path path;
        fs::file_time_type used;
        uint64_t size;
    };
    std::vector<Entry> entries;
    uint64_t total = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code e;
        if (it->path().extension() != kSuffix || !it->is_regular_file(e))
            continue;
        const uint64_t size = it->file_size(e);
        const fs::file_time_type used = it->last_write_time(e);
        if (e)
            continue;
        entries.push_back({it->path(), used, size});
        total += size;
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.used < b.used; });
    for (const Entry& e : entries) {
        if (total <= limit)
            break;
        std::error_code rm;
        if (fs::remove(e.path, rm))
            total -= e.size;
    }
}

} // namespace tessivo
