#include "core/analysis/mp3_load.h"

#include "core/analysis/frame_index.h"
#include "core/decode/mpg123_decoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace tessivo {

const char* const kNotMp3Message = "It is not a MP3 file!";

std::string TooLargeMessage(const std::string& name, uint64_t size) {
    constexpr uint64_t kTenthGiB = (uint64_t{1} << 30) / 10;
    const uint64_t tenths = (size + kTenthGiB - 1) / kTenthGiB;
    char text[64];
    std::snprintf(text, sizeof text, "%llu.%llu GiB", static_cast<unsigned long long>(tenths / 10),
                  static_cast<unsigned long long>(tenths % 10));
    return name + ": " + text + " is larger than the " + std::to_string(kMaxFileSize >> 30) +
           " GiB Tessivo opens";
}

std::string NotEnoughMemoryToOpen(const std::string& name) {
    return "Not enough memory to open " + name;
}

bool CheckFileSize(const std::string& path, uint64_t& size, std::string& message) {
    struct stat sb {};
    if (::stat(path.c_str(), &sb) != 0) {
        message = "Cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(sb.st_mode)) {
        message = "Cannot open " + path + ": not a regular file";
        return false;
    }
    size = static_cast<uint64_t>(sb.st_size);
    if (size > kMaxFileSize) {
        message = TooLargeMessage(path, size);
        return false;
    }
    return true;
}

void DetectTags(LoadedFile& file) {
    const FileImage& b = file.FileBuffer;
    file.HasId3v2 = false;
    if (b.size() >= 10 && b[0] == 'I' && b[1] == 'D' && b[2] == '3') {
        file.HasId3v2 = true;
        file.Id3v2Size = static_cast<int32_t>((uint32_t{b[6]} << 21) + (uint32_t{b[7]} << 14) +
                                              (uint32_t{b[8]} << 7) + b[9] + 10);
    }
    file.Id3v1Buffer.fill(0);
    file.HasId3v1 = false;
    if (b.size() >= 128) {
        std::copy(b.end() - 128, b.end(), file.Id3v1Buffer.begin());
        file.HasId3v1 =
            file.Id3v1Buffer[0] == 'T' && file.Id3v1Buffer[1] == 'A' && file.Id3v1Buffer[2] == 'G';
    }
}

bool QuickCheck(const std::string& path, std::string& message) {
    uint64_t size = 0;
    if (!CheckFileSize(path, size, message))
        return false;
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!f) {
        message = "Cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    AnalysedFile head;
    head.FileBuffer.resize(static_cast<size_t>(std::min<uint64_t>(size, 10)));
    if (std::fread(head.FileBuffer.data(), 1, head.FileBuffer.size(), f.get()) !=
        head.FileBuffer.size()) {
        message = "Cannot read " + path;
        return false;
    }
    DetectTags(head);
    // The search reaches kFirstFrameSearchLimit bytes past the tag, and the
    // second header of the last candidate lies at most one frame further.
    const uint64_t audioStart = head.HasId3v2 ? static_cast<uint64_t>(head.Id3v2Size) : 0;
    const uint64_t want = std::min<uint64_t>(size, audioStart + kFirstFrameSearchLimit + 4096);
    head.FileBuffer.resize(static_cast<size_t>(want));
    const size_t have = 10 < want ? static_cast<size_t>(want) - 10 : 0;
    if (have > 0 && std::fread(head.FileBuffer.data() + 10, 1, have, f.get()) != have) {
        message = "Cannot read " + path;
        return false;
    }
    head.FileSize = want;
    std::string ignored;
    if (!FindFirstFrame(head, ignored, static_cast<int64_t>(audioStart))) {
        message = ignored;
        return false;
    }
    return true;
}

namespace {

// Closes a descriptor on every way out.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

int64_t ModifiedNs(const struct stat& sb) {
    return static_cast<int64_t>(sb.st_mtim.tv_sec) * 1000000000 + sb.st_mtim.tv_nsec;
}

} // namespace

size_t LoadChunkFor(uint64_t fileSize) {
    return static_cast<size_t>(std::clamp<uint64_t>(fileSize / 32, kLoadChunk, kLoadChunkMax));
}

// Maps the file, then brings it into the page cache piece by piece so the
// progress moves and a cancel is heard; nothing is copied.
bool LoadFile(LoadedFile& file, ProgressValues& meter, std::string& message,
              const ProgressFn& progress, const std::atomic<bool>* cancel) {
    uint64_t size = 0;
    if (!CheckFileSize(file.FileName, size, message))
        return false;
    Fd f{::open(file.FileName.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat sb {};
    if (f.fd < 0 || ::fstat(f.fd, &sb) != 0 || !file.FileBuffer.Map(f.fd, size_t(sb.st_size))) {
        const int error = errno;
        file.FileBuffer.clear();
        // No address space left for the mapping.
        message = error == ENOMEM ? NotEnoughMemoryToOpen(file.FileName)
                                  : "Cannot open " + file.FileName + ": " + std::strerror(error);
        return false;
    }
    file.FileSize = static_cast<uint64_t>(sb.st_size);
    file.FileModifiedNs = ModifiedNs(sb);
    size = file.FileSize;
    const size_t piece = LoadChunkFor(size);
    double lastReported = -1.0;
    for (size_t p = 0; p < size;) {
        const size_t chunk = p + piece < size ? piece : static_cast<size_t>(size - p);
        if (!file.FileBuffer.Prefetch(p, chunk)) {
            message = ChangedOnDiskMessage(file.FileName);
            file.FileBuffer.clear();
            meter.ProgressPercent = 0.0;
            return false;
        }
        p += chunk;
        const double pct = static_cast<double>(p) / static_cast<double>(size) * 100.0;
        meter.ProgressPercent = pct;
        if (progress && (pct - lastReported >= 0.5 || p == size)) {
            lastReported = pct;
            progress("Opening file", pct);
        }
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            message.clear();
            file.FileBuffer.clear();
            meter.ProgressPercent = 0.0;
            return false;
        }
    }
    DetectTags(file);
    meter.ProgressPercent = 0.0;
    return true;
}

bool SourceChanged(const LoadedFile& file) {
    return file.FileBuffer.Changed(file.FileSize, file.FileModifiedNs);
}

bool ProbeFile(const LoadedFile& file, StreamFacts& stream) {
    const Mpg123Probe pr = Mpg123Decoder::Probe(file.FileBuffer.data(), file.FileBuffer.size());
    stream.StreamInfo = StreamInfoRecord{};
    stream.StreamInfo.freq = pr.rate;
    stream.StreamInfo.chans = static_cast<uint32_t>(pr.channels);
    stream.StreamInfo.mpegLayer = pr.layer;
    stream.StreamInfo.ctype = pr.ok ? 0x10005u : 0u;
    if (!pr.ok)
        return false;
    stream.ChannelCount = pr.channels;
    stream.SampleRate = pr.rate;
    stream.DecodedLength = pr.decodedBytes;
    stream.Duration = pr.duration;
    return true;
}

} // namespace tessivo
