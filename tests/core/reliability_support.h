// Helpers for the reliability tests: a scratch folder per test, file bytes,
// running programs, opening and splitting a file the way the program does.
#pragma once

#include "analysis_test_support.h"

#include "core/analysis/open_file.h"
#include "core/output/split_parts.h"
#include "core/parts/cut_lines.h"
#include "core/parts/part_access.h"
#include "core/state/program_state.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace reliability {

namespace fs = std::filesystem;

// File and command helpers are the analysis tests' own.
using analysis_test::CommandResult;
using analysis_test::Fixture;
using analysis_test::Quote;
using analysis_test::ReadBytes;
using analysis_test::RunCommand;
using analysis_test::WriteBytes;

inline std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline bool HaveTool(const std::string& name) {
    return RunCommand("command -v " + name + " >/dev/null 2>&1").status == 0;
}

// A fresh scratch folder, removed with the fixture.
class ScratchDir : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() / ("tessivo-rel-" + std::to_string(::getpid()) + "-" +
                                            info->test_suite_name() + "-" + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    // Names of the files in `folder`, sorted.
    static std::vector<std::string> Listing(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path dir_;
};

// Opens `path` as the window does: analysis into a scratch state, adopted on
// success, then one part spanning the file.
inline std::unique_ptr<tessivo::ProgramState> Open(const std::string& path, bool withPeaks,
                                                   tessivo::OpenResult* result = nullptr) {
    auto st = std::make_unique<tessivo::ProgramState>();
    const tessivo::OpenResult r = tessivo::AnalyseFile(*st, *st, path, withPeaks);
    if (result)
        *result = r;
    if (r.ok) {
        st->FileLoaded = true;
        st->SplitFileCount = 0;
        tessivo::ResetToOnePart(*st, *st);
    }
    return st;
}

// Cut lines at `frames` (ascending, > 0), every part used.
inline void CutAt(tessivo::ProgramState& st, const std::vector<int32_t>& frames) {
    tessivo::ResetToOnePart(st, st);
    for (int32_t f : frames)
        EXPECT_TRUE(tessivo::AddCutLine(st, st, f)) << f;
}

// The bytes the split must write for the whole file: first frame to the end
// of the last indexed frame.
inline std::vector<uint8_t> AudioBytes(const tessivo::ProgramState& st) {
    std::vector<uint8_t> all;
    for (int i = 1; i <= PartCount(st); ++i) {
        const tessivo::ByteRange r = tessivo::PartByteRange(st, st, i);
        all.insert(all.end(), st.FileBuffer.begin() + static_cast<std::ptrdiff_t>(r.first),
                   st.FileBuffer.begin() + static_cast<std::ptrdiff_t>(r.end));
    }
    return all;
}

} // namespace reliability
