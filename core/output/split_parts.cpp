#include "core/output/split_parts.h"

#include "core/analysis/frame_index.h"
#include "core/output/gapless_part.h"
#include "core/output/id3v1_tag.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

class PosixWriter : public PartFileWriter {
public:
    explicit PosixWriter(int fd) : fd_(fd) {}
    ~PosixWriter() override {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool Write(const uint8_t* data, size_t size) override {
        while (size > 0) {
            const ssize_t n = ::write(fd_, data, size);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            if (n == 0)
                return false;
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }
    bool Close() override {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

class PosixFileSystem : public PartFileSystem {
public:
    std::unique_ptr<PartFileWriter> CreateTemp(const std::string& finalPath, std::string& tempPath,
                                               std::string& reason) override {
        const size_t slash = finalPath.find_last_of('/');
        const std::string dir = slash == std::string::npos ? "" : finalPath.substr(0, slash + 1);
        // A hidden name of our own in the same folder, so the rename stays on
        // one file system; kept well under the longest name a folder allows.
        const std::string base = FileNamePart(finalPath).substr(0, 200);
        for (int attempt = 0; attempt < 1000; ++attempt) {
            tempPath = dir + "." + base + ".tmp" + std::to_string(::getpid()) + "-" +
                       std::to_string(counter_++);
            const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0)
                return std::make_unique<PosixWriter>(fd);
            if (errno != EEXIST)
                break;
        }
        reason = std::strerror(errno);
        return nullptr;
    }
    bool Rename(const std::string& from, const std::string& to, std::string& reason) override {
        if (::rename(from.c_str(), to.c_str()) == 0)
            return true;
        reason = std::strerror(errno);
        return false;
    }
    void Remove(const std::string& path) override { ::unlink(path.c_str()); }

private:
    unsigned counter_ = 0;
};

} // namespace

PartFileSystem& DefaultPartFileSystem() {
    static PosixFileSystem fs;
    return fs;
}

std::string PartFilePath(const ProgramState& st, int n) {
    std::string name = FileNamePart(st.FileName);
    if (EndsWithMp3(name)) {
        name.resize(name.size() - 4);
    } else {
        // Another extension goes as well; a name without one stays whole.
        const size_t dot = name.find_last_of('.');
        if (dot != std::string::npos && dot > 0)
            name.resize(dot);
    }
    name += (n >= 0 && n < 10 ? "-0" : "-") + std::to_string(n) + ".mp3";
    std::string folder = st.OutputFolder;
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder + name;
}

ByteRange PartByteRange(const ProgramState& st, int i) {
    ByteRange r;
    if (i < 1 || i > st.CutCount || i >= kPartSlots)
        return r;
    // Frames whose offsets the index build filled.
    const int64_t indexed = std::max<int64_t>(
        0, std::min<int64_t>({st.IndexedFrames, st.FrameCount, int64_t(st.FramePos.size())}));
    // The audio never reaches into the source's ID3v1 tag.
    const size_t limit = static_cast<size_t>(AudioEnd(st));
    if (indexed == 0)
        return r;
    const auto offset = [&](int64_t f) -> size_t {
        const int32_t pos = st.FramePos[f];
        return pos < 0 ? 0 : std::min<size_t>(pos, limit);
    };
    const size_t audioEnd =
        std::min<size_t>(offset(indexed - 1) + std::max<int32_t>(st.FrameLength, 0), limit);
    const auto boundary = [&](int64_t f) -> size_t {
        if (f < 0)
            f = 0;
        return f < indexed ? std::min(offset(f), audioEnd) : audioEnd;
    };
    r.first = boundary(st.PartStart[i]);
    r.end = i < st.CutCount ? boundary(st.PartStart[i + 1]) : audioEnd;
    if (r.end < r.first)
        r.end = r.first;
    return r;
}

PartBytes SourcePartBytes(const ProgramState& st, int i) {
    const ByteRange r = PartByteRange(st, i);
    PartBytes b;
    b.view = std::span<const uint8_t>(st.FileBuffer.data() + r.first, r.size());
    return b;
}

namespace {

// Bytes written so far of all the split writes, reported as they grow.
struct SplitCounter {
    uint64_t total = 0;
    uint64_t done = 0;
    const SplitProgressFn& progress;
};

// The bytes of part i with its tag (when wanted) written to `out`. False on a
// write error.
bool WritePartBytes(const ProgramState& st, int i, bool withTag, PartFileWriter& out,
                    SplitCounter& count) {
    // Gapless parts are rebuilt (Info frame, warm-up frames, the part's own
    // frames); a source that cannot be rebuilt gets the plain copy.
    PartBytes part = SourcePartBytes(st, i);
    if (st.IsGapless)
        BuildGaplessPart(st, st.PartStart[i],
                         i < st.CutCount ? st.PartStart[i + 1] - 1 : st.IndexedFrames - 1,
                         part.owned);
    const std::span<const uint8_t> bytes = part.bytes();
    bool ok = true;
    for (size_t pos = 0; ok && pos < bytes.size(); pos += kWriteBlock) {
        const size_t n = std::min(kWriteBlock, bytes.size() - pos);
        ok = out.Write(bytes.data() + pos, n);
        count.done += n;
        if (ok && count.progress) // gapless parts run a little longer
            count.progress(std::min(count.done, count.total), count.total);
    }
    if (ok && withTag) {
        ok = out.Write(st.PartTag[i].data(), st.PartTag[i].size());
        count.done += 128;
    }
    return ok;
}

// Writes part i as `path`: under a temporary name first, renamed when
// complete. Empty on success, else the message to show.
std::string WritePartFile(const ProgramState& st, int i, bool withTag, const std::string& path,
                          PartFileSystem& fs, SplitCounter& count) {
    std::string tempPath, reason;
    std::unique_ptr<PartFileWriter> out = fs.CreateTemp(path, tempPath, reason);
    if (!out)
        return "Cannot create file \"" + path + "\". " + reason;
    bool ok = WritePartBytes(st, i, withTag, *out, count);
    ok = out->Close() && ok;
    if (!ok) {
        fs.Remove(tempPath);
        return "Stream write error";
    }
    if (!fs.Rename(tempPath, path, reason)) {
        fs.Remove(tempPath);
        return "Cannot create file \"" + path + "\". " + reason;
    }
    return {};
}

} // namespace

SplitResult SplitParts(ProgramState& st, PartFileSystem& fs, const SplitProgressFn& progress) {
    SplitResult result;
    if (st.OutputFolder.empty()) {
        result.ok = false;
        result.error = "Please select a folder";
        return result;
    }
    const int parts = std::clamp(st.CutCount, 0, kMaxCutLines);
    const auto withTag = [&](int i) { return st.IsSaveTags && IsTag(st.PartTag[i]); };
    SplitCounter count{0, 0, progress};
    for (int i = 1; i <= parts; ++i)
        if (st.PartUsed[i])
            count.total += PartByteRange(st, i).size() + (withTag(i) ? 128 : 0);

    for (int i = 1; i <= parts; ++i) {
        if (!st.PartUsed[i])
            continue;
        ++st.SplitFileCount;
        const std::string path = PartFilePath(st, st.SplitFileCount);
        std::string error = WritePartFile(st, i, withTag(i), path, fs, count);
        if (!error.empty()) {
            result.ok = false;
            result.error = std::move(error);
            return result;
        }
        st.PartSaved[i] = true;
        result.written.push_back(path);
    }
    if (progress)
        progress(count.total, count.total);
    return result;
}

} // namespace tessivo
