#include "core/analysis/mp3_load.h"

#include "core/analysis/frame_index.h"
#include "core/playback/mpg123_decoder.h"

#include <sys/stat.h>

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
    const std::vector<uint8_t>& b = st.FileBuffer;
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

bool LoadFile(ProgramState& st, std::string& message, const ProgressFn& progress,
              const std::atomic<bool>* cancel) {
    uint64_t size = 0;
    if (!CheckFileSize(st.FileName, size, message))
        return false;
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(st.FileName.c_str(), "rb"), &std::fclose);
    if (!f) {
        message = "Cannot open " + st.FileName + ": " + std::strerror(errno);
        return false;
    }
    st.FileBuffer.clear();
    st.FileBuffer.shrink_to_fit();
    st.FileBuffer.resize(static_cast<size_t>(size));
    st.FileSize = static_cast<uint32_t>(size);
    double lastReported = -1.0;
    size_t p = 0;
    while (p < size) {
        const size_t chunk = p + kLoadChunk < size ? kLoadChunk : static_cast<size_t>(size - p);
        if (std::fread(st.FileBuffer.data() + p, 1, chunk, f.get()) != chunk) {
            message = "Cannot read " + st.FileName +
                      (std::ferror(f.get()) ? std::string(": ") + std::strerror(errno)
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
