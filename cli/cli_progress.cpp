#include "cli/cli_progress.h"

#include <unistd.h>

#include <cstdio>
#include <mutex>

namespace tessivo::cli {

namespace {
bool g_progressShown = false;
std::mutex g_progressMutex;
} // namespace

ProgressFn TerminalProgress(bool quiet) {
    if (quiet || !::isatty(STDERR_FILENO))
        return {};
    return [](const char* stage, double percent) {
        std::lock_guard<std::mutex> lock(g_progressMutex);
        std::fprintf(stderr, "\r%s %5.1f%%", stage, percent);
        std::fflush(stderr);
        g_progressShown = true;
    };
}

void EndTerminalProgress() {
    std::lock_guard<std::mutex> lock(g_progressMutex);
    if (g_progressShown) {
        std::fputs("\r\033[K", stderr);
        g_progressShown = false;
    }
}

} // namespace tessivo::cli
