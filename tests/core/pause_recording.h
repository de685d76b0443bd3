// Recordings with pauses at known places (tests/fixtures/make_pause_recording.sh,
// run once into a temporary folder the test processes share), and where a decoded
// file's sound and quiet stretches lie, as mpg123 and numpy find them.
#pragma once

#include "analysis_test_support.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace pause_recording {

using analysis_test::Quote;
using analysis_test::RunCommand;

// pauses.mp3: the room-tone pauses, in seconds of the WAV (LAME's delay is
// trimmed by its tag, so these are player times too).
struct Gap {
    double start = 0, end = 0;
    double Middle() const { return (start + end) / 2; }
};
inline const std::vector<Gap> kPauses = {{12.0, 14.0}, {26.0, 27.5}, {40.0, 43.0}};
constexpr double kLength = 55.5;
constexpr int kRate = 22050;
constexpr double kFrame = 576.0 / kRate; // MPEG-2 layer III

inline bool HaveTools() {
    return RunCommand("command -v sox && command -v lame && command -v mpg123 && /usr/bin/python3 "
                      "-c 'import numpy, mutagen' >/dev/null 2>&1")
               .status == 0;
}

// The folder holding the made files; empty when they could not be made.
// They are made once for every test process of this user and script: in a
// folder named after the script's text, filled under another name and
// renamed, so a process that finds it finds it whole (two processes making
// it at once keep the first one renamed). A folder found means the tools
// that made it are there.
inline const std::string& Folder() {
    static const std::string dir = []() -> std::string {
        namespace fs = std::filesystem;
        const std::string script = std::string(TESSIVO_FIXTURES) + "/make_pause_recording.sh";
        std::ifstream in(script, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        const fs::path made =
            fs::temp_directory_path() / ("tessivo-pauses-" + std::to_string(::getuid()) + "-" +
                                         std::to_string(std::hash<std::string>{}(text)));
        std::error_code ec;
        if (fs::is_directory(made, ec))
            return made.string();
        if (text.empty() || !HaveTools())
            return std::string();
        const fs::path filling = made.string() + ".filling-" + std::to_string(::getpid());
        if (RunCommand(Quote(script) + " " + Quote(filling.string()) + " 2>&1").status != 0) {
            fs::remove_all(filling, ec);
            return std::string();
        }
        fs::rename(filling, made, ec);
        if (ec)
            fs::remove_all(filling, ec);
        return fs::is_directory(made, ec) ? made.string() : std::string();
    }();
    return dir;
}

inline std::string File(const std::string& name) {
    return Folder() + "/" + name;
}

// What the decoded file (mpg123, gapless) holds: its length, where its first
// and last sample at or above `sound` lie, and every stretch of at least
// `minQuiet` seconds with no such sample, in seconds.
struct Decoded {
    double length = -1, firstSound = -1, lastSound = -1;
    std::vector<Gap> quiet;
};

inline Decoded Decode(const std::string& path, double minQuiet = 0.5, int sound = 3277) {
    const std::string py = "import sys, subprocess, numpy as np\n"
                           "raw = subprocess.run(['mpg123', '-q', '-m', '-s', sys.argv[1]],"
                           " capture_output=True).stdout\n"
                           "x = np.frombuffer(raw, dtype='<i2').astype(np.int32)\n"
                           "r = " +
                           std::to_string(kRate) + "; q = " + std::to_string(minQuiet) +
                           "\n"
                           "print(len(x) / r)\n"
                           "loud = np.nonzero(np.abs(x) >= " +
                           std::to_string(sound) +
                           ")[0]\n"
                           "if len(loud) == 0: sys.exit(0)\n"
                           "print(loud[0] / r, loud[-1] / r)\n"
                           "d = np.diff(loud)\n"
                           "for i in np.nonzero(d >= q * r)[0]:\n"
                           "    print((loud[i] + 1) / r, loud[i + 1] / r)\n";
    const std::string out =
        RunCommand("/usr/bin/python3 -c " + Quote(py) + " " + Quote(path) + " 2>&1").out;
    std::istringstream in(out);
    Decoded d;
    in >> d.length >> d.firstSound >> d.lastSound;
    for (Gap g; in >> g.start >> g.end;)
        d.quiet.push_back(g);
    return d;
}

} // namespace pause_recording
