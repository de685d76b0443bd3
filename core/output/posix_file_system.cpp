// The real file system for writing parts: a file in progress has no name of
// its own (O_TMPFILE, linked under its name once complete) where the file
// system allows it, else a hidden named temporary removed on a signal.
#include "core/output/split_parts.h"
#include "core/output/temp_files.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace tessivo {

namespace {

constexpr const char* kAnonymousPrefix = "/proc/self/fd/";

bool IsAnonymous(const std::string& path) {
    return path.rfind(kAnonymousPrefix, 0) == 0;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

class PosixWriter : public PartFileWriter {
public:
    PosixWriter(int fd, bool anonymous) : fd_(fd), anonymous_(anonymous) {}
    ~PosixWriter() override {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool Write(const uint8_t* data, size_t size) override {
        while (size > 0) {
            const ssize_t n = ::write(fd_, data, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return Failed(n < 0 ? errno : ENOSPC);
            data += n;
            size -= static_cast<size_t>(n);
            Written(static_cast<uint64_t>(n));
        }
        return true;
    }
    bool WriteCopy(const uint8_t* data, size_t size, int fd, uint64_t offset) override {
        auto from = static_cast<off_t>(offset);
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::copy_file_range(fd, &from, fd_, nullptr, size - done, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && !CopyUnsupported(errno))
                return Failed(errno);
            if (n <= 0) // not here, or the file is shorter now: the mapped bytes
                return Write(data + done, size - done);
            done += static_cast<size_t>(n);
            Written(static_cast<uint64_t>(n));
        }
        return true;
    }
    bool Close() override {
        // On disk before it gets its name.
        if (::fsync(fd_) != 0)
            return Failed(errno);
        // A file without a name lives as long as its descriptor: it stays
        // open until it is linked under its name.
        if (anonymous_)
            return true;
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 || Failed(errno);
    }
    std::string Reason() const override { return reason_; }

private:
    // The kernel cannot copy between these two files (other file systems on
    // older kernels, special files).
    static bool CopyUnsupported(int error) {
        return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP ||
               error == EBADF;
    }
    bool Failed(int error) {
        reason_ = std::strerror(error);
        return false;
    }
    // Starts the disk writes of every few written megabytes at once, so the
    // flush at the end finds little left to do.
    void Written(uint64_t n) {
        constexpr uint64_t kKickBytes = uint64_t{4} << 20;
        written_ += n;
        if (written_ - kicked_ < kKickBytes)
            return;
        ::sync_file_range(fd_, static_cast<off_t>(kicked_), static_cast<off_t>(written_ - kicked_),
                          SYNC_FILE_RANGE_WRITE);
        kicked_ = written_;
    }

    int fd_;
    bool anonymous_;
    uint64_t written_ = 0, kicked_ = 0;
    std::string reason_;
};

class PosixFileSystem : public PartFileSystem {
public:
    std::unique_ptr<PartFileWriter> CreateTemp(const std::string& finalPath, std::string& tempPath,
                                               std::string& reason) override {
        const std::string folder = FolderOf(finalPath);
        RemoveStaleTemporaries(folder);
        if (ProcMounted()) {
            const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
            if (fd >= 0) {
                tempPath = kAnonymousPrefix + std::to_string(fd);
                return std::make_unique<PosixWriter>(fd, true);
            }
        }
        return CreateNamed(finalPath, tempPath, reason);
    }
    bool Rename(const std::string& from, const std::string& to, std::string& reason) override {
        if (IsAnonymous(from))
            return LinkAnonymous(from, to, reason);
        const bool renamed = ::rename(from.c_str(), to.c_str()) == 0;
        if (!renamed)
            reason = std::strerror(errno);
        Forget(from);
        return renamed;
    }
    // A writer's flush touches its own descriptor alone.
    bool FlushesBesideWrites() const override { return true; }
    void Remove(const std::string& path) override {
        // A file without a name goes with its descriptor.
        if (IsAnonymous(path))
            return;
        ::unlink(path.c_str());
        Forget(path);
    }

private:
    static bool ProcMounted() {
        static const bool mounted = ::access("/proc/self/fd", X_OK) == 0;
        return mounted;
    }

    std::unique_ptr<PartFileWriter> CreateNamed(const std::string& finalPath, std::string& tempPath,
                                                std::string& reason) {
        for (int attempt = 0; attempt < 1000; ++attempt) {
            tempPath = TemporaryName(finalPath, ::getpid(), counter_++);
            const int mark = RememberTemporary(tempPath);
            const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                Keep(tempPath, mark);
                return std::make_unique<PosixWriter>(fd, false);
            }
            const int error = errno;
            ForgetTemporary(mark);
            if (error != EEXIST) {
                reason = std::strerror(error);
                return nullptr;
            }
        }
        reason = std::strerror(EEXIST);
        return nullptr;
    }

    // Links the nameless file under `to`: at once when nothing stands there,
    // else under a hidden name first and then renamed over the old file.
    bool LinkAnonymous(const std::string& from, const std::string& to, std::string& reason) {
        if (::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST) {
            reason = std::strerror(errno);
            return false;
        }
        for (int attempt = 0; attempt < 1000; ++attempt) {
            const std::string temp = TemporaryName(to, ::getpid(), counter_++);
            const int mark = RememberTemporary(temp);
            if (::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) != 0) {
                const int error = errno;
                ForgetTemporary(mark);
                if (error == EEXIST)
                    continue;
                reason = std::strerror(error);
                return false;
            }
            const bool renamed = ::rename(temp.c_str(), to.c_str()) == 0;
            if (!renamed) {
                reason = std::strerror(errno);
                ::unlink(temp.c_str());
            }
            ForgetTemporary(mark);
            return renamed;
        }
        reason = std::strerror(EEXIST);
        return false;
    }

    void Keep(const std::string& path, int mark) {
        std::lock_guard<std::mutex> lock(mutex_);
        marks_[path] = mark;
    }
    void Forget(const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = marks_.find(path);
        if (it == marks_.end())
            return;
        ForgetTemporary(it->second);
        marks_.erase(it);
    }

    std::atomic<unsigned> counter_{0};
    std::mutex mutex_;
    std::map<std::string, int> marks_; // named temporaries and their signal marks
};

} // namespace

PartFileSystem& DefaultPartFileSystem() {
    static PosixFileSystem fs;
    return fs;
}

bool PartFileSystem::Exists(const std::string& path) {
    struct stat sb;
    return ::lstat(path.c_str(), &sb) == 0;
}

bool PartFileSystem::MakeFolderFor(const std::string& path, std::string& reason) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty())
        return true;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!ec)
        return true;
    reason = ec.message();
    return false;
}

} // namespace tessivo
