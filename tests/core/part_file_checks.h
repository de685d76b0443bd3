// Checks of written part files shared by the split writer and command-line
// tests: file bytes, temporary folders and mpg123's view of a file.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
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

// A fresh empty folder named after the running test.
inline std::filesystem::path FreshFolder(const std::string& prefix) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const auto dir = std::filesystem::temp_directory_path() /
                     (prefix + "_" + info->test_suite_name() + "_" + info->name());
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
inline int Mpg123Frames(const std::string& path) {
    const std::string cmd =
        "mpg123 -t -v --no-gapless --no-infoframe '" + path + "' 2>&1 | tr '\\r' '\\n'";
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

} // namespace part_checks
