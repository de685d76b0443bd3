// The long files the benchmarks run on, made once in /tmp: a 60-minute
// 128 kbit/s stereo MP3 (sox and lame must be installed) and a 10-hour file
// of its audio frames ten times over (without the Info frame).
#pragma once

#include <string>

namespace tessivo::bench {

// Runs `cmd` through the shell; exits the program when it fails.
void RunOrExit(const std::string& cmd);
// True when `path` exists and is not empty.
bool FileExists(const std::string& path);
double FileSizeMb(const std::string& path);

std::string MakeHourFile();
std::string MakeTenHourFile(const std::string& hour);

} // namespace tessivo::bench
