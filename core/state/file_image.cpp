#include "core/state/file_image.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <mutex>

namespace tessivo {

namespace {

// The mappings the SIGBUS handler may repair; a slot is free while its base
// is 0. Plain atomics only: the handler reads them.
struct MappingSlot {
    std::atomic<uintptr_t> base{0};
    std::atomic<size_t> length{0}; // whole pages
    std::atomic<bool> faulted{false};
};
constexpr size_t kSlots = 64;
std::array<MappingSlot, kSlots> gSlots;
struct sigaction gPreviousBus {};

size_t PageSize() {
    static const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    return page;
}

// A page of a mapped source past the file's end: zero pages go in for the
// rest of that mapping and the read goes on. Any other SIGBUS is handed to
// the handler that was there before (by default, the end of the process).
void OnBusError(int sig, siginfo_t* info, void* context) {
    const auto at = reinterpret_cast<uintptr_t>(info->si_addr);
    for (MappingSlot& s : gSlots) {
        const uintptr_t base = s.base.load();
        const size_t length = s.length.load();
        if (base == 0 || at < base || at >= base + length)
            continue;
        const uintptr_t page = at & ~(static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE)) - 1);
        ::mmap(reinterpret_cast<void*>(page), base + length - page, PROT_READ,
               MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        s.faulted.store(true);
        return;
    }
    if (gPreviousBus.sa_flags & SA_SIGINFO && gPreviousBus.sa_sigaction) {
        gPreviousBus.sa_sigaction(sig, info, context);
        return;
    }
    if (gPreviousBus.sa_handler != SIG_DFL && gPreviousBus.sa_handler != SIG_IGN) {
        gPreviousBus.sa_handler(sig);
        return;
    }
    ::signal(SIGBUS, SIG_DFL); // the faulting read runs again and ends the process
}

void InstallBusHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction sa {};
        sa.sa_sigaction = &OnBusError;
        sa.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&sa.sa_mask);
        ::sigaction(SIGBUS, &sa, &gPreviousBus);
    });
}

MappingSlot* TakeSlot(uintptr_t base, size_t length) {
    for (MappingSlot& s : gSlots) {
        uintptr_t free = 0;
        if (s.base.compare_exchange_strong(free, base)) {
            s.faulted.store(false);
            s.length.store(length);
            return &s;
        }
    }
    return nullptr;
}

int64_t ModifiedNs(const struct stat& sb) {
    return static_cast<int64_t>(sb.st_mtim.tv_sec) * 1000000000 + sb.st_mtim.tv_nsec;
}

} // namespace

// One mapping of a file, unmapped with its last user.
class FileMapping {
public:
    FileMapping(void* base, size_t size, int fd, MappingSlot* slot)
        : base_(base), size_(size), fd_(fd), slot_(slot) {}
    ~FileMapping() {
        if (slot_)
            slot_->base.store(0);
        ::munmap(base_, Pages());
        ::close(fd_);
    }
    FileMapping(const FileMapping&) = delete;
    FileMapping& operator=(const FileMapping&) = delete;

    const uint8_t* Bytes() const { return static_cast<const uint8_t*>(base_); }
    size_t Pages() const { return (size_ + PageSize() - 1) / PageSize() * PageSize(); }
    void* Base() const { return base_; }
    int Fd() const { return fd_; }
    // Without a slot no repair is possible, so a fault cannot have been seen.
    bool Faulted() const { return slot_ && slot_->faulted.load(); }

private:
    void* base_;
    size_t size_;
    int fd_;
    MappingSlot* slot_;
};

FileImage& FileImage::operator=(std::initializer_list<uint8_t> bytes) {
    Unmap();
    owned_.assign(bytes.begin(), bytes.end());
    return *this;
}

bool FileImage::Map(int fd, size_t size) {
    Unmap();
    owned_.clear();
    owned_.shrink_to_fit();
    if (size == 0)
        return true;
    InstallBusHandler();
    // Private and writable: the program only reads, but a page written (as
    // tests do to damage a stream) becomes the process's own copy and the
    // file is never touched. No memory is set aside for such copies, so a
    // file larger than memory maps as well.
    void* base = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_NORESERVE, fd, 0);
    if (base == MAP_FAILED)
        return false;
    const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (own < 0) {
        const int error = errno;
        ::munmap(base, size);
        errno = error;
        return false;
    }
    ::madvise(base, size, MADV_SEQUENTIAL);
    const size_t pages = (size + PageSize() - 1) / PageSize() * PageSize();
    MappingSlot* slot = TakeSlot(reinterpret_cast<uintptr_t>(base), pages);
    mapping_ = std::make_shared<const FileMapping>(base, size, own, slot);
    mapped_ = static_cast<const uint8_t*>(base);
    mappedSize_ = size;
    return true;
}

uint8_t* FileImage::data() {
    return mapping_ ? const_cast<uint8_t*>(mapped_) : owned_.data();
}

int FileImage::FileDescriptor() const {
    return mapping_ ? mapping_->Fd() : -1;
}

bool PagesAreTheFiles(const uint8_t* at, size_t n) {
    if (n == 0)
        return true;
    const int fd = ::open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    constexpr uint64_t kPresent = uint64_t{1} << 63, kSwapped = uint64_t{1} << 62,
                       kFilePage = uint64_t{1} << 61;
    const uintptr_t first = reinterpret_cast<uintptr_t>(at) / PageSize();
    const uintptr_t end = (reinterpret_cast<uintptr_t>(at) + n - 1) / PageSize() + 1;
    std::array<uint64_t, 512> entries{};
    bool same = true;
    for (uintptr_t p = first; p < end && same;) {
        const size_t count = std::min<size_t>(entries.size(), end - p);
        const auto want = static_cast<ssize_t>(count * sizeof(uint64_t));
        if (::pread(fd, entries.data(), static_cast<size_t>(want), static_cast<off_t>(p * 8)) !=
            want) {
            same = false;
            break;
        }
        for (size_t i = 0; i < count && same; ++i)
            same =
                !(entries[i] & kSwapped) && (!(entries[i] & kPresent) || (entries[i] & kFilePage));
        p += count;
    }
    ::close(fd);
    return same;
}

void FileImage::AdviseRandom() const {
    if (mapping_)
        ::madvise(mapping_->Base(), mapping_->Pages(), MADV_NORMAL);
}

bool FileImage::Prefetch(size_t from, size_t n) const {
    if (!mapping_ || from >= mappedSize_)
        return true;
    const size_t page = PageSize();
    const size_t first = from / page * page;
    const size_t end = std::min(from + n, mappedSize_);
    uint8_t* at = const_cast<uint8_t*>(mapped_) + first;
    if (::madvise(at, end - first, MADV_POPULATE_READ) == 0)
        return true;
    if (errno != EINVAL)
        return false; // EFAULT: pages past the file's end
    // Kernels before 5.14: one read a page, repaired by the handler if need be.
    volatile uint8_t sink = 0;
    for (size_t p = first; p < end; p += page)
        sink = sink + mapped_[p];
    return !mapping_->Faulted();
}

bool FileImage::Changed(uint64_t size, int64_t modifiedNs) const {
    if (!mapping_)
        return false;
    if (mapping_->Faulted())
        return true;
    struct stat sb {};
    if (::fstat(mapping_->Fd(), &sb) != 0)
        return true;
    // A file deleted since keeps its bytes while mapped: not a change.
    return static_cast<uint64_t>(sb.st_size) != size || ModifiedNs(sb) != modifiedNs;
}

void FileImage::clear() {
    Unmap();
    owned_.clear();
}

void FileImage::shrink_to_fit() {
    owned_.shrink_to_fit();
}

void FileImage::resize(size_t n) {
    ToMemory();
    owned_.resize(n);
}

void FileImage::Unmap() {
    mapping_.reset();
    mapped_ = nullptr;
    mappedSize_ = 0;
}

void FileImage::ToMemory() {
    if (!mapping_)
        return;
    ByteBuffer copy(mapped_, mapped_ + mappedSize_);
    Unmap();
    owned_ = std::move(copy);
}

namespace {
constexpr const char* kChangedTail = " changed on disk; open it again";
}

std::string ChangedOnDiskMessage(const std::string& name) {
    return name + kChangedTail;
}

bool IsChangedOnDiskMessage(const std::string& message) {
    const std::string tail = kChangedTail;
    return message.size() > tail.size() &&
           message.compare(message.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace tessivo
