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
const char* const kTooLargeMessage =
    "The file is too large: files of 2 GB and more cannot be opened.";

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
    if (size >= kMaxFileSize) {
        message = kTooLargeMessage;
        return false;
    }
    return true;
}

void DetectTags(ProgramState& st) {
    const ByteBuffer& b = st.FileBuffer;
    st.HasId3v2 = false;
    if (b.size() >= 10 && b[0] == 'I' && b[1] == 'D' && b[2] == '3') {
        st.HasId3v2 = true;
        st.Id3v2Size = static_cast<int32_t>((uint32_t{b[6]} << 21) + (uint32_t{b[7]} << 14) +
                                            (uint32_t{b[8]} << 7) + b[9] + 10);
    }
    st.Id3v1Buffer.fill(0);
    st.HasId3v1 = false;
    if (b.size() >= 128) {
        std::copy(b.end() - 128, b.end(), st.Id3v1Buffer.begin());
        st.HasId3v1 =
            st.Id3v1Buffer[0] == 'T' && st.Id3v1Buffer[1] == 'A' && st.Id3v1Buffer[2] == 'G';
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
    ProgramState head;
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
    head.FileSize = static_cast<uint32_t>(want);
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

// Reads exactly `n` bytes at `dst`, retrying short reads. False on an error
// (errno set) or when the file ended first (errno 0).
bool ReadFully(int fd, uint8_t* dst, size_t n) {
    while (n > 0) {
        const ssize_t got = ::read(fd, dst, n);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got == 0)
                errno = 0;
            return false;
        }
        dst += got;
        n -= static_cast<size_t>(got);
    }
    return true;
}

int64_t ModifiedNs(const struct stat& sb) {
    return static_cast<int64_t>(sb.st_mtim.tv_sec) * 1000000000 + sb.st_mtim.tv_nsec;
}

} // namespace

size_t LoadChunkFor(uint64_t fileSize) {
    return static_cast<size_t>(std::clamp<uint64_t>(fileSize / 32, kLoadChunk, kLoadChunkMax));
}

bool LoadFile(ProgramState& st, std::string& message, const ProgressFn& progress,
              const std::atomic<bool>* cancel) {
    uint64_t size = 0;
    if (!CheckFileSize(st.FileName, size, message))
        return false;
    Fd f{::open(st.FileName.c_str(), O_RDONLY | O_CLOEXEC)};
    if (f.fd < 0) {
        message = "Cannot open " + st.FileName + ": " + std::strerror(errno);
        return false;
    }
    ::posix_fadvise(f.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    st.FileBuffer.clear();
    st.FileBuffer.shrink_to_fit();
    st.FileBuffer.resize(static_cast<size_t>(size)); // not zero-filled: the reads fill it
    st.FileSize = static_cast<uint32_t>(size);
    const size_t piece = LoadChunkFor(size);
    double lastReported = -1.0;
    size_t p = 0;
    while (p < size) {
        const size_t chunk = p + piece < size ? piece : static_cast<size_t>(size - p);
        if (!ReadFully(f.fd, st.FileBuffer.data() + p, chunk)) {
            message = "Cannot read " + st.FileName +
                      (errno != 0 ? std::string(": ") + std::strerror(errno)
                                  : std::string(": the file got shorter while reading"));
            st.ProgressPercent = 0.0;
            return false;
        }
        p += chunk;
        const double pct = static_cast<double>(p) / static_cast<double>(size) * 100.0;
        st.ProgressPercent = pct;
        if (progress && (pct - lastReported >= 0.5 || p == size)) {
            lastReported = pct;
            progress("Opening file", pct);
        }
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            message.clear();
            st.ProgressPercent = 0.0;
            return false;
        }
    }
    struct stat sb {};
    st.FileModifiedNs = ::fstat(f.fd, &sb) == 0 ? ModifiedNs(sb) : 0;
    DetectTags(st);
    st.ProgressPercent = 0.0;
    return true;
}

bool ProbeFile(ProgramState& st) {
    const Mpg123Probe pr = Mpg123Decoder::Probe(st.FileBuffer.data(), st.FileBuffer.size());
    st.StreamInfo = StreamInfoRecord{};
    st.StreamInfo.freq = pr.rate;
    st.StreamInfo.chans = static_cast<uint32_t>(pr.channels);
    st.StreamInfo.mpegLayer = pr.layer;
    st.StreamInfo.ctype = pr.ok ? 0x10005u : 0u;
    if (!pr.ok)
        return false;
    st.ChannelCount = pr.channels;
    st.SampleRate = pr.rate;
    st.DecodedLength = pr.decodedBytes;
    st.Duration = pr.duration;
    return true;
}

} // namespace tessivo
