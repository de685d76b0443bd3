// Checks of written part files shared by the split writer and command-line
// tests: file bytes, temporary folders and mpg123's view of a file.
#pragma once

#include "mp3/info_frame.h"
#include "mp3/side_info.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <unistd.h>
#include <vector>

namespace part_checks {

inline std::string Fixture(const std::string& name) {
    return std::string(TESSIVO_FIXTURES) + "/" + name;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)),
                                std::istreambuf_iterator<char>());
}

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Names of everything in a folder, sorted (hidden files included).
inline std::vector<std::string> Listing(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A fresh empty folder named after the running test and this process, so two
// checkouts running the suite at once never share one.
inline std::filesystem::path FreshFolder(const std::string& prefix) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const auto dir =
        std::filesystem::temp_directory_path() / (prefix + "_" + info->test_suite_name() + "_" +
                                                  info->name() + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

inline bool HaveMpg123() {
    return std::system("mpg123 --version >/dev/null 2>&1") == 0;
}

// Runs `mpg123 -t` (no gapless trimming, Info frames counted as frames) and
// returns the number of frames it decoded, or -1 when it reports a damaged
// stream (an illegal header, a resync, an error) or prints no count. A part
// cut from the middle of a stream may begin with a frame whose main data lies
// in the bit reservoir of the frame before it; mpg123 says so for the first
// frames, which is what cutting without re-encoding gives, so up to three such
// notes are accepted.
// With `infoFrameAsAudio` false, an Info frame is taken for what it is (as
// players do) and not counted: for parts that open with one of their own.
inline int Mpg123Frames(const std::string& path, bool infoFrameAsAudio = true) {
    const std::string cmd = std::string("mpg123 -t -v --no-gapless ") +
                            (infoFrameAsAudio ? "--no-infoframe '" : "'") + path +
                            "' 2>&1 | tr '\\r' '\\n'";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return -1;
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    pclose(p);
    static const std::regex reservoir("[^\\n]*(part2_3_length|rewind|main_data)[^\\n]*\\n");
    const ptrdiff_t notes = std::distance(std::sregex_iterator(out.begin(), out.end(), reservoir),
                                          std::sregex_iterator());
    if (notes > 3)
        return -1;
    out = std::regex_replace(out, reservoir, "");
    static const std::regex bad("Illegal|resync|[Ee]rror|Warning");
    if (std::regex_search(out, bad))
        return -1;
    static const std::regex count(R"(> *(\d+)\+0+ )");
    int frames = -1;
    for (std::sregex_iterator it(out.begin(), out.end(), count), end; it != end; ++it)
        frames = std::stoi((*it)[1].str());
    return frames;
}

// The audio frames of a part file: without its ID3v2 tag, its ID3v1 record
// (when `hasId3v1`) and an Info frame at the start (its own, or the source's
// in a source's bytes).
inline std::vector<uint8_t> AudioFrames(std::vector<uint8_t> b, bool hasId3v1 = false) {
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

// The audio frames of several part files, joined.
inline std::vector<uint8_t> JoinedAudioFrames(const std::vector<std::string>& paths,
                                              bool hasId3v1 = false) {
    std::vector<uint8_t> all;
    for (const std::string& p : paths) {
        const std::vector<uint8_t> a = AudioFrames(ReadBytes(p), hasId3v1);
        all.insert(all.end(), a.begin(), a.end());
    }
    return all;
}

} // namespace part_checks
