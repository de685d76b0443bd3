// Text files made by other programs, to UTF-8.
#pragma once

#include <string>

namespace tessivo {

// The bytes of a text file as UTF-8 with "\n" line ends: UTF-8 (with or
// without byte order mark), UTF-16 with byte order mark (little or big
// endian), anything else as Windows-1252. Broken UTF-16 becomes U+FFFD.
std::string DecodeCutListText(const std::string& bytes);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(const std::string& text);

} // namespace tessivo
