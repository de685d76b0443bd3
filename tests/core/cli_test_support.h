// Running the built tessivo-cli as a user would, in a fresh folder of its own,
// with stdout and stderr kept apart.
#pragma once

#include "analysis_test_support.h"
#include "part_file_checks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace cli_test {

namespace fs = std::filesystem;

struct CliRun {
    int status = -1;
    std::string out, err;
    std::vector<std::string> lines; // stdout lines
};

inline std::string ReadText(const fs::path& p) {
    const std::vector<uint8_t> b = part_checks::ReadBytes(p.string());
    return std::string(b.begin(), b.end());
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t nl = text.find('\n', start);
        lines.push_back(text.substr(start, nl - start));
        start = nl == std::string::npos ? text.size() : nl + 1;
    }
    return lines;
}

// Runs `tessivo-cli ARGS` with `dir` as the current folder; the captured
// output goes to files in `dir` that are removed again.
inline CliRun RunCli(const fs::path& dir, const std::vector<std::string>& args) {
    using analysis_test::Quote;
    std::string cmd = "cd " + Quote(dir.string()) + " && " + Quote(TESSIVO_CLI);
    for (const std::string& a : args)
        cmd += " " + Quote(a);
    cmd += " >" + Quote((dir / "stdout.txt").string()) + " 2>" +
           Quote((dir / "stderr.txt").string()) + " </dev/null";
    CliRun r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ReadText(dir / "stdout.txt");
    r.err = ReadText(dir / "stderr.txt");
    fs::remove(dir / "stdout.txt");
    fs::remove(dir / "stderr.txt");
    r.lines = Lines(r.out);
    return r;
}

// A test with a fresh folder (dir_) holding an empty output folder (out_).
class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = part_checks::FreshFolder("tessivo_cli");
        out_ = dir_ / "out";
        fs::create_directories(out_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    CliRun Cli(const std::vector<std::string>& args) { return RunCli(dir_, args); }

    // Runs `tessivo-cli split ARGS` in the test folder.
    CliRun Split(const std::vector<std::string>& args) {
        std::vector<std::string> full = {"split"};
        full.insert(full.end(), args.begin(), args.end());
        return Cli(full);
    }

    // A bad call: non-zero exit, a message, nothing written anywhere.
    void ExpectRefused(const std::vector<std::string>& args, const std::string& message) {
        std::vector<std::string> full = args;
        full.push_back("--out");
        full.push_back(out_.string());
        const CliRun r = Split(full);
        EXPECT_NE(r.status, 0);
        EXPECT_NE(r.err.find(message), std::string::npos) << "stderr: " << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_TRUE(part_checks::Listing(out_).empty());
        EXPECT_EQ(part_checks::Listing(dir_), std::vector<std::string>{"out"});
    }

    fs::path dir_, out_;
};

} // namespace cli_test
