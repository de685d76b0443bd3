// Exit statuses and the two kinds of error lines of tessivo-cli.
#pragma once

#include <stdexcept>
#include <string>

namespace tessivo::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1; // the file cannot be read, split or written
constexpr int kExitUsage = 2;  // bad arguments

// A bad argument found while the command line is read; main prints it with
// ReportUsageError.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Prints "tessivo-cli COMMAND: MESSAGE; see 'tessivo-cli COMMAND --help'" as
// one line on stderr and returns kExitUsage. `command` is empty for the
// program itself.
int ReportUsageError(const std::string& command, const std::string& message);

// Prints a message of the core library on stderr, as terminal lines, and
// returns kExitFailed.
int ReportFailure(const std::string& message);

// Core messages break lines with '\r', as message boxes want; a terminal
// wants '\n'.
std::string ForTerminal(std::string text);

} // namespace tessivo::cli
