#include "core/output/temp_files.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <mutex>
#include <set>
#include <unistd.h>

namespace tessivo {

namespace {

constexpr const char* kMarker = ".tessivo-tmp";

// Named temporaries of this process, readable from a signal handler: a slot
// is free (0), being filled or emptied (1), or holds a path (2).
struct TemporarySlot {
    std::atomic<int> state{0};
    char path[PATH_MAX] = {};
};
constexpr int kSlots = 512;
TemporarySlot gSlots[kSlots];

void RemoveTemporariesAndDie(int sig) {
    for (TemporarySlot& slot : gSlots)
        if (slot.state.load() == 2)
            ::unlink(slot.path);
    // The handler was reset on entry: the signal now ends the process.
    ::raise(sig);
}

void HandleUnlessIgnored(int sig) {
    struct sigaction old {};
    if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler == SIG_IGN)
        return;
    struct sigaction sa {};
    sa.sa_handler = RemoveTemporariesAndDie;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND | SA_NODEFER;
    ::sigaction(sig, &sa, nullptr);
}

bool AllDigits(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

bool ProcessGone(pid_t pid) {
    return pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

} // namespace

void PrepareSignalsForWriting() {
    HandleUnlessIgnored(SIGINT);
    HandleUnlessIgnored(SIGTERM);
    HandleUnlessIgnored(SIGHUP);
    std::signal(SIGXFSZ, SIG_IGN);
}

std::string TemporaryName(const std::string& finalPath, pid_t pid, unsigned n) {
    const size_t slash = finalPath.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "" : finalPath.substr(0, slash + 1);
    // Kept well under the longest name a folder allows.
    const std::string base = finalPath.substr(dir.size()).substr(0, 200);
    return dir + "." + base + kMarker + std::to_string(pid) + "-" + std::to_string(n);
}

pid_t TemporaryOwner(const std::string& fileName) {
    const size_t marker = fileName.rfind(kMarker);
    if (fileName.size() < 2 || fileName[0] != '.' || marker == std::string::npos || marker < 2)
        return 0;
    const std::string tail = fileName.substr(marker + std::strlen(kMarker));
    const size_t dash = tail.find('-');
    if (dash == std::string::npos || !AllDigits(tail.substr(0, dash)) ||
        !AllDigits(tail.substr(dash + 1)) || dash > 9)
        return 0;
    return static_cast<pid_t>(std::stol(tail.substr(0, dash)));
}

void RemoveStaleTemporaries(const std::string& folder) {
    static std::mutex mutex;
    static std::set<std::string> done;
    const std::string dir = folder.empty() ? "." : folder;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!done.insert(dir).second)
            return;
    }
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return;
    while (const dirent* e = ::readdir(d)) {
        const pid_t owner = TemporaryOwner(e->d_name);
        if (owner > 0 && ProcessGone(owner))
            ::unlinkat(::dirfd(d), e->d_name, 0);
    }
    ::closedir(d);
}

int RememberTemporary(const std::string& path) {
    if (path.size() >= PATH_MAX)
        return -1;
    for (int k = 0; k < kSlots; ++k) {
        int expected = 0;
        if (!gSlots[k].state.compare_exchange_strong(expected, 1))
            continue;
        std::memcpy(gSlots[k].path, path.c_str(), path.size() + 1);
        gSlots[k].state.store(2);
        return k;
    }
    return -1;
}

void ForgetTemporary(int mark) {
    if (mark < 0 || mark >= kSlots)
        return;
    gSlots[mark].state.store(1);
    gSlots[mark].state.store(0);
}

} // namespace tessivo
