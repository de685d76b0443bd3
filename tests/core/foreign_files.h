// Files made by other encoders and taggers (tests/fixtures/make_foreign_files.sh,
// run once per test program into a temporary folder) and what independent
// tools say about a part file.
#pragma once

#include "analysis_test_support.h"
#include "mp3/info_frame.h"
#include "mp3/mp3_side_info.h"

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

// The audio frames of a part file: without its ID3v2 tag, its ID3v1 record
// (when `hasId3v1`) and an Info frame of its own at the start.
inline std::vector<uint8_t> AudioFrames(std::vector<uint8_t> b, bool hasId3v1) {
    if (hasId3v1 && b.size() >= 128)
        b.resize(b.size() - 128);
    if (b.size() >= 10 && b[0] == 'I' && b[1] == 'D' && b[2] == '3') {
        const size_t size =
            10 + ((size_t{b[6]} << 21) | (size_t{b[7]} << 14) | (size_t{b[8]} << 7) | b[9]);
        b.erase(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(std::min(size, b.size())));
    }
    tessivo::mp3::Layer3Header h;
    if (tessivo::mp3::ParseLayer3Header(b.data(), b.size(), h) &&
        tessivo::mp3::ReadInfoTag(b.data(), b.size()).kind !=
            tessivo::mp3::SourceInfoTag::Kind::None)
        b.erase(b.begin(), b.begin() + std::min<std::ptrdiff_t>(h.length, b.size()));
    return b;
}

} // namespace foreign
