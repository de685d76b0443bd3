// Sub-commands of tessivo-cli. Each returns the process exit status.
#pragma once

#include <string>
#include <vector>

namespace tessivo::cli {

int RunInfo(const std::vector<std::string>& args);
int RunPeaks(const std::vector<std::string>& args);
int RunSplit(const std::vector<std::string>& args);

} // namespace tessivo::cli
