// How much of a label or CSV file is read: the part table holds at most 999
// cuts, so a list of more entries than this is a mistake or an attack, and
// reading it on would cost memory for nothing.
#pragma once

#include <cstddef>
#include <string>

namespace tessivo {

constexpr size_t kMaxCutListEntries = 100000;

// The error for the entry past the limit, on line `line`.
inline std::string TooManyEntries(const std::string& linePrefix) {
    return linePrefix + "more than 100000 entries; a cut list holds at most 100000";
}

} // namespace tessivo
