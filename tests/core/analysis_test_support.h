// Helpers shared by the analysis tests: fixture paths, file bytes, running
// the independent tools (ffprobe, mpg123) and the command-line program.
#pragma once

#include "core/analysis/open_file.h"
#include "core/state/program_state.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <span>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace analysis_test {

// Every MP3 fixture the program must accept.
inline const std::vector<std::string>& ValidFixtures() {
    static const std::vector<std::string> v = {
        "cbr128_stereo.mp3", "vbr_stereo.mp3",    "mono.mp3",          "mpeg2_22k.mp3",
        "mpeg25_8k.mp3",     "crc.mp3",           "fullscale.mp3",     "left_only.mp3",
        "silent.mp3",        "id3v2.mp3",         "id3v2_padding.mp3", "cover_art.mp3",
        "id3v1_track.mp3",   "id3v1_notrack.mp3", "id3v1_id3v2.mp3",   "speech_pauses.mp3",
        "long65.mp3"};
    return v;
}

// Files that are not MP3 streams.
inline const std::vector<std::string>& NegativeFixtures() {
    static const std::vector<std::string> v = {
        "not_mp3.wav", "wav_named.mp3", "not_mp3.ogg",     "ogg_named.mp3",    "layer2.mp3",
        "random.mp3",  "empty.mp3",     "three_bytes.mp3", "hundred_bytes.mp3"};
    return v;
}

inline std::string Fixture(const std::string& name) {
    return std::string(TESSIVO_FIXTURES) + "/" + name;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)),
                                std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& b) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

struct CommandResult {
    int status = -1;
    std::string out;
};

// Runs a shell command; stdout is captured, stderr joined to it when asked.
inline CommandResult RunCommand(const std::string& cmd) {
    CommandResult r;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return r;
    std::array<char, 65536> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        r.out.append(buf.data(), n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs a Python script on `path` and reads what it prints as KEY=VALUE lines.
inline std::map<std::string, std::string> PythonKeyValues(const std::string& script,
                                                          const std::string& path) {
    const std::string out =
        RunCommand("/usr/bin/python3 -c " + Quote(script) + " " + Quote(path) + " 2>&1").out;
    std::map<std::string, std::string> values;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

// Byte offsets of the audio packets ffprobe finds (it leaves out a LAME
// Info/Xing frame).
inline std::vector<int64_t> FfprobePacketPositions(const std::string& path) {
    const CommandResult r = RunCommand("ffprobe -v error -select_streams a:0 -show_packets " +
                                       Quote(path) + " 2>/dev/null");
    std::vector<int64_t> pos;
    std::istringstream in(r.out);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("pos=", 0) == 0)
            pos.push_back(std::stoll(line.substr(4)));
    return pos;
}

// The whole file decoded by the mpg123 program with the same conventions as
// ours (no gapless trimming, Info frame decoded as audio): 16-bit samples.
inline std::vector<int16_t> Mpg123Pcm(const std::string& path) {
    const CommandResult r = RunCommand("mpg123 -q --no-gapless --no-infoframe -e s16 -s " +
                                       Quote(path) + " 2>/dev/null");
    std::vector<int16_t> pcm(r.out.size() / 2);
    std::memcpy(pcm.data(), r.out.data(), pcm.size() * 2);
    return pcm;
}

inline std::unique_ptr<tessivo::ProgramState> Analyse(const std::string& name, bool withPeaks,
                                                      tessivo::OpenResult* result = nullptr) {
    auto st = std::make_unique<tessivo::ProgramState>();
    const tessivo::OpenResult r = tessivo::AnalyseFile(*st, *st, Fixture(name), withPeaks);
    if (result)
        *result = r;
    return st;
}

// True when the frame at p carries a LAME/Xing header ("Info" or "Xing" in
// its first 64 bytes after the header).
inline bool HasInfoTag(std::span<const uint8_t> b, int64_t p) {
    for (int64_t q = p + 4; q + 4 <= p + 64 && q + 4 <= static_cast<int64_t>(b.size()); ++q)
        if ((b[q] == 'I' && b[q + 1] == 'n' && b[q + 2] == 'f' && b[q + 3] == 'o') ||
            (b[q] == 'X' && b[q + 1] == 'i' && b[q + 2] == 'n' && b[q + 3] == 'g'))
            return true;
    return false;
}

} // namespace analysis_test
