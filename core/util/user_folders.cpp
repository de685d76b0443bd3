#include "core/util/user_folders.h"

#include <cstdio>
#include <cstdlib>

namespace tessivo {

std::string UserFolder(const char* xdgVar, const char* homeDefault, const char* leaf) {
    const std::string tail = std::string("/tessivo/") + leaf;
    const char* xdg = std::getenv(xdgVar);
    if (xdg && *xdg)
        return xdg + tail;
    const char* home = std::getenv("HOME");
    if (home && *home)
        return std::string(home) + "/" + homeDefault + tail;
    return {};
}

std::string HashedFilePath(const std::string& folder, uint64_t hash, const char* suffix) {
    char name[32];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
    return folder + "/" + name + suffix;
}

} // namespace tessivo
