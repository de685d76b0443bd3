// Where the program keeps its own files (caches, recovery records) and how
// those files are named after what they belong to.
#pragma once

#include <cstdint>
#include <string>

namespace tessivo {

// `$VAR/tessivo/LEAF` when the XDG variable `xdgVar` is set, else
// `$HOME/HOMEDEFAULT/tessivo/LEAF`; "" when neither is set.
std::string UserFolder(const char* xdgVar, const char* homeDefault, const char* leaf);

// `FOLDER/` and the 16 hex digits of `hash`, then `suffix`.
std::string HashedFilePath(const std::string& folder, uint64_t hash, const char* suffix);

} // namespace tessivo
