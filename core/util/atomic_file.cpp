#include "core/util/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tessivo {

bool WriteAllBytes(int fd, const std::string& text) {
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The rename is on the disk once the folder is flushed; a folder that cannot
// be opened for that (some file systems) still holds the renamed file.
void FlushFolder(const std::string& path) {
    const int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return;
    ::fsync(dir);
    ::close(dir);
}

} // namespace

std::string WriteFileAtomically(const std::string& path, const std::string& bytes,
                                bool* noTempFile) {
    static std::atomic<unsigned> serial{0};
    const std::string temp =
        path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
    if (noTempFile)
        *noTempFile = false;
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (noTempFile)
            *noTempFile = true;
        return std::strerror(errno);
    }
    bool ok = WriteAllBytes(fd, bytes) && ::fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return std::strerror(error);
    }
    FlushFolder(path);
    return {};
}

} // namespace tessivo
