// Files made by other encoders and taggers (tests/fixtures/make_foreign_files.sh,
// run once per test program into a temporary folder) and what independent
// tools say about a part file.
#pragma once

#include "analysis_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace foreign {

using analysis_test::Quote;
using analysis_test::RunCommand;

inline bool HaveTools() {
    return RunCommand("command -v ffmpeg && command -v lame && command -v sox && command -v "
                      "mpg123 && command -v ffprobe && command -v mp3val && /usr/bin/python3 -c "
                      "'import mutagen' >/dev/null 2>&1")
               .status == 0;
}

// The folder holding the made files; empty when they could not be made.
inline const std::string& Folder() {
    static const std::string dir = [] {
        const std::string d = (std::filesystem::temp_directory_path() /
                               ("tessivo-foreign-" + std::to_string(::getpid())))
                                  .string();
        const std::string script = std::string(TESSIVO_FIXTURES) + "/make_foreign_files.sh";
        if (!HaveTools() || RunCommand(Quote(script) + " " + Quote(d) + " 2>&1").status != 0)
            return std::string();
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(std::filesystem::temp_directory_path() /
                                            ("tessivo-foreign-" + std::to_string(::getpid())),
                                        ec);
        });
        return d;
    }();
    return dir;
}

inline std::string File(const std::string& name) {
    return Folder() + "/" + name;
}

inline double Number(const std::string& text) {
    return text.empty() ? -1.0 : std::atof(text.c_str());
}

// Length as tag readers compute it (mutagen: the Info frame's frame count less
// the LAME tag's delay and padding, or an estimate from the bitrate).
inline double MutagenSeconds(const std::string& path) {
    return Number(RunCommand("/usr/bin/python3 -c 'import sys, mutagen.mp3; "
                             "print(mutagen.mp3.MP3(sys.argv[1]).info.length)' " +
                             Quote(path) + " 2>/dev/null")
                      .out);
}

// What mpg123 plays (gapless decoding), in seconds.
inline double Mpg123Seconds(const std::string& path, int rate, int channels) {
    const std::string bytes =
        RunCommand("mpg123 -q -s " + Quote(path) + " 2>/dev/null | wc -c").out;
    return Number(bytes) / (2.0 * channels * rate);
}

inline double FfprobeSeconds(const std::string& path) {
    return Number(RunCommand("ffprobe -v error -show_entries format=duration -of csv=p=0 " +
                             Quote(path) + " 2>/dev/null")
                      .out);
}

// What `mpg123 -t` says about the file (nothing for a sound file).
inline std::string Mpg123Says(const std::string& path) {
    return RunCommand("mpg123 -q -t " + Quote(path) + " 2>&1").out;
}

// mp3val's warnings about the file (none for a sound file).
inline std::string Mp3valSays(const std::string& path) {
    return RunCommand("mp3val " + Quote(path) + " 2>&1 | grep -E 'WARNING|ERROR' || true").out;
}

} // namespace foreign
