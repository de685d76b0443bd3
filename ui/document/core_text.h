#pragma once

#include <QString>

#include <string>

namespace tessivo {

// The core's messages in the window's language. The core speaks English; the
// window looks each message up under the "tessivo::core" context, first as a
// whole, then against the fixed patterns of the messages with variable parts
// (a file name, a number). What neither knows stays English.
QString CoreText(const std::string& text);

} // namespace tessivo
