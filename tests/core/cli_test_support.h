// Running the built tessivo-cli as a user would, in a fresh folder of its own,
// with stdout and stderr kept apart.
#pragma once

#include "analysis_test_support.h"
#include "part_file_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
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

inline bool HaveFfmpeg() {
    return analysis_test::RunCommand("command -v ffmpeg >/dev/null").status == 0;
}

// A tone of `seconds` as MPEG-2.5 8 kHz mono 8 kbit/s (72 ms frames), made
// with ffmpeg's LAME encoder: an hour takes about three seconds.
inline bool MakeToneFile(const std::string& path, int seconds) {
    return analysis_test::RunCommand("ffmpeg -v error -y -f lavfi -i "
                                     "sine=frequency=440:sample_rate=8000:duration=" +
                                     std::to_string(seconds) + " -ac 1 -c:a libmp3lame -b:a 8k " +
                                     analysis_test::Quote(path))
               .status == 0;
}

// A test with a fresh folder (dir_) holding an empty output folder (out_).
class CliTest : public ::testing::Test {
protected:
    // The bytes of every file in `folder`, in name order.
    static std::vector<std::vector<uint8_t>> Contents(const fs::path& folder) {
        std::vector<std::vector<uint8_t>> files;
        for (const std::string& name : part_checks::Listing(folder))
            files.push_back(part_checks::ReadBytes((folder / name).string()));
        return files;
    }

    // A usage error: status 2, nothing on stdout, one stderr line that points
    // to the help of `command`.
    static void ExpectUsageError(const CliRun& r, const std::string& command) {
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        ASSERT_FALSE(r.err.empty());
        EXPECT_EQ(r.err.back(), '\n');
        const std::string program = command.empty() ? "tessivo-cli" : "tessivo-cli " + command;
        EXPECT_EQ(r.err.rfind(program + ": ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("; see '" + program + " --help'\n"), std::string::npos) << r.err;
    }

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
