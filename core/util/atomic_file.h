// Writing a whole file so that a crash or a full disk leaves either the old
// file or the new one, never a mix: a temporary file beside it, flushed to the
// disk, renamed over it, and the folder flushed so the rename lasts.
#pragma once

#include <string>

namespace tessivo {

// Writes all of `bytes` to `fd`, again after interruptions. False on an error
// (errno says which; a write of nothing counts as EIO).
bool WriteAllBytes(int fd, const std::string& bytes);

// Writes `bytes` to `path` as above. Returns "" when done, else the reason
// (the system's words); the temporary file is removed then and `path` stays
// as it was. `noTempFile`, when given, is set when the folder allowed no
// temporary file (nothing was written).
std::string WriteFileAtomically(const std::string& path, const std::string& bytes,
                                bool* noTempFile = nullptr);

} // namespace tessivo
