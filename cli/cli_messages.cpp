#include "cli/cli_messages.h"

#include <algorithm>
#include <cstdio>

namespace tessivo::cli {

int ReportUsageError(const std::string& command, const std::string& message) {
    std::string text = ForTerminal(message);
    std::replace(text.begin(), text.end(), '\n', ' ');
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    const std::string program = command.empty() ? "tessivo-cli" : "tessivo-cli " + command;
    std::fprintf(stderr, "%s: %s; see '%s --help'\n", program.c_str(), text.c_str(),
                 program.c_str());
    return kExitUsage;
}

int ReportFailure(const std::string& message) {
    std::fprintf(stderr, "%s\n", ForTerminal(message).c_str());
    return kExitFailed;
}

std::string ForTerminal(std::string text) {
    std::replace(text.begin(), text.end(), '\r', '\n');
    return text;
}

} // namespace tessivo::cli
