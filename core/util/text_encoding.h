// Text files made by other programs, to UTF-8.
#pragma once

#include <string>

namespace tessivo {

// The bytes of a text file as UTF-8 with "\n" line ends: UTF-8 (with or
// without byte order mark), UTF-16 with byte order mark (little or big
// endian), anything else as Windows-1252. Broken UTF-16, and bytes that are
// not UTF-8 after a UTF-8 byte order mark, become U+FFFD.
std::string DecodeCutListText(const std::string& bytes);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(const std::string& text);

// `text` with every byte that starts no well-formed UTF-8 sequence as U+FFFD.
std::string RepairedUtf8(const std::string& text);

// True when the bytes look like UTF-16 text without a byte order mark: every
// other byte of the first ones is zero, as in ASCII text stored as UTF-16.
bool LooksLikeUtf16WithoutBom(const std::string& bytes);

} // namespace tessivo
