// Writes that are cut short: a split and a join stopped by SIGINT, SIGTERM
// and SIGKILL part-way, a file size limit, a file system that fills, an
// address-space limit. Afterwards no hidden or partial file is left, earlier
// files are intact, and the message names the file and the reason.
#include "cli_test_support.h"

#include "core/output/temp_files.h"
#include "core/util/run_on_threads.h"

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <new>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace cli_test;
using analysis_test::Quote;
using analysis_test::RunCommand;
using part_checks::Fixture;
using part_checks::Listing;
using part_checks::ReadBytes;

namespace {

// A CBR stream of at least `bytes`: a generated tone without tag or Info
// frame, repeated (each copy's first frames borrow nothing).
bool MakeLargeMp3(const fs::path& path, size_t bytes) {
    const fs::path piece = path.string() + ".piece.mp3";
    if (RunCommand("ffmpeg -v error -y -f lavfi -i sine=frequency=330:duration=20 -ac 2 -c:a "
                   "libmp3lame -b:a 320k -reservoir 0 -write_xing 0 -id3v2_version 0 " +
                   Quote(piece.string()))
            .status != 0)
        return false;
    const std::vector<uint8_t> one = ReadBytes(piece.string());
    fs::remove(piece);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || one.empty())
        return false;
    for (size_t n = 0; n < bytes; n += one.size())
        std::fwrite(one.data(), 1, one.size(), f);
    return std::fclose(f) == 0;
}

pid_t Spawn(const fs::path& dir, const std::vector<std::string>& args) {
    std::vector<std::string> full = {TESSIVO_CLI};
    full.insert(full.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : full)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const std::string cwd = dir.string();
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, TESSIVO_CLI, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// Whether `pid` holds a file open in `folder` that has no name (yet).
bool WritesUnnamedIn(pid_t pid, const fs::path& folder) {
    std::error_code ec;
    const std::string prefix = fs::canonical(folder).string() + "/";
    for (const auto& e : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
        std::error_code linkError;
        const std::string target = fs::read_symlink(e.path(), linkError).string();
        if (target.rfind(prefix, 0) == 0 && target.find(" (deleted)") != std::string::npos)
            return true;
    }
    return false;
}

// Waits until the process writes its file in `folder`, sends `sig` and
// returns how the process ended (-1: it ended before it could be signalled).
int InterruptWrite(pid_t pid, const fs::path& folder, int sig) {
    for (int tries = 0; tries < 200000; ++tries) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return -1;
        if (WritesUnnamedIn(pid, folder)) {
            ::kill(pid, sig);
            ::waitpid(pid, &status, 0);
            return WIFSIGNALED(status) ? WTERMSIG(status) : 1000 + WEXITSTATUS(status);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return -2;
}

class WriteFaults : public CliTest {
protected:
    std::vector<uint8_t> Bytes(const fs::path& rel) { return ReadBytes((dir_ / rel).string()); }
};

TEST(TemporaryFiles, NamesAndOwners) {
    const std::string name = tessivo::TemporaryName("out/x-01.mp3", 4242, 7);
    EXPECT_EQ(name, "out/.x-01.mp3.tessivo-tmp4242-7");
    EXPECT_EQ(tessivo::TemporaryOwner(".x-01.mp3.tessivo-tmp4242-7"), 4242);
    EXPECT_EQ(tessivo::TemporaryOwner("x-01.mp3.tessivo-tmp4242-7"), 0);
    EXPECT_EQ(tessivo::TemporaryOwner(".x-01.mp3.tmp4242-7"), 0);
    EXPECT_EQ(tessivo::TemporaryOwner(".x.tessivo-tmp42a-7"), 0);
    EXPECT_EQ(tessivo::TemporaryOwner(".x.tessivo-tmp42-"), 0);
}

// Memory that runs out on a worker thread reaches the caller, after every
// worker has finished, instead of ending the program.
TEST(RunOnThreads, AWorkersFailureIsThrownOnTheCallersThread) {
    std::atomic<int> finished{0};
    const auto work = [&finished](size_t t) {
        if (t == 2)
            throw std::bad_alloc();
        ++finished;
    };
    EXPECT_THROW(tessivo::RunOnThreads(4, work), std::bad_alloc);
    EXPECT_EQ(finished.load(), 3);
    finished = 0;
    EXPECT_NO_THROW(tessivo::RunOnThreads(3, [&finished](size_t) { ++finished; }));
    EXPECT_EQ(finished.load(), 3);
}

// A named temporary of the process goes when a signal ends it.
TEST(TemporaryFiles, SignalsRemoveNamedTemporaries) {
    const fs::path dir = part_checks::FreshFolder("tessivo_signal");
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        const fs::path temp = dir / tessivo::TemporaryName("a.mp3", 1, unsigned(sig));
        const pid_t child = ::fork();
        if (child == 0) {
            tessivo::PrepareSignalsForWriting();
            const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT, 0644);
            tessivo::RememberTemporary(temp.string());
            ::write(fd, "partial", 7);
            ::raise(sig);
            ::_exit(3);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig;
        EXPECT_FALSE(fs::exists(temp)) << sig;
    }
    fs::remove_all(dir);
}

// A temporary whose process is gone is removed by the next run in its
// folder; one of a live process and files of other names stay.
TEST_F(WriteFaults, NextRunRemovesTemporariesOfDeadProcesses) {
    const pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const std::string stale = fs::path(tessivo::TemporaryName("x-01.mp3", dead, 0)).string();
    const std::string live = tessivo::TemporaryName("x-02.mp3", ::getpid(), 0);
    part_checks::WriteText((out_ / stale).string(), "left by a killed split");
    part_checks::WriteText((out_ / live).string(), "being written");
    part_checks::WriteText((out_ / ".notes.tmp1-1").string(), "the user's");
    fs::copy_file(Fixture("cbr128_stereo.mp3"), dir_ / "x.mp3");
    const CliRun r = Split({"x.mp3", "--parts", "2", "-o", "out"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Listing(out_),
              (std::vector<std::string>{".notes.tmp1-1", live, "x-01.mp3", "x-02.mp3"}));
}

// SIGINT, SIGTERM and SIGKILL while a join and a split write: the older
// output stays as it was and nothing else is left in the folder.
TEST_F(WriteFaults, SignalsDuringAWriteLeaveNothing) {
    if (!HaveFfmpeg())
        GTEST_SKIP() << "no ffmpeg";
    ASSERT_TRUE(MakeLargeMp3(dir_ / "a.mp3", size_t(60) << 20));
    fs::copy_file(dir_ / "a.mp3", dir_ / "b.mp3");
    const std::vector<uint8_t> older = {'o', 'l', 'd'};
    for (const int sig : {SIGINT, SIGTERM, SIGKILL}) {
        part_checks::WriteText((out_ / "joined.mp3").string(), "old");
        part_checks::WriteText((out_ / "a-01.mp3").string(), "old");
        const pid_t join =
            Spawn(dir_, {"join", "a.mp3", "b.mp3", "a.mp3", "-o", "out/joined.mp3", "--overwrite"});
        EXPECT_EQ(InterruptWrite(join, out_, sig), sig);
        const pid_t split =
            Spawn(dir_, {"split", "a.mp3", "--parts", "2", "-o", "out", "--overwrite"});
        EXPECT_EQ(InterruptWrite(split, out_, sig), sig);
        EXPECT_EQ(Listing(out_), (std::vector<std::string>{"a-01.mp3", "joined.mp3"})) << sig;
        EXPECT_EQ(Bytes("out/joined.mp3"), older) << sig;
        EXPECT_EQ(Bytes("out/a-01.mp3"), older) << sig;
        EXPECT_EQ(Listing(dir_), (std::vector<std::string>{"a.mp3", "b.mp3", "out"}));
    }
}

// A file size limit: the part that passes it fails with the system's
// reason, its partial file goes, the part before stays complete.
TEST_F(WriteFaults, FileSizeLimitNamesTheFileAndTheReason) {
    fs::copy_file(Fixture("cbr128_stereo.mp3"), dir_ / "x.mp3");
    const fs::path ref = dir_ / "ref";
    fs::create_directories(ref);
    ASSERT_EQ(Split({"x.mp3", "--at", "0.4", "-o", "ref"}).status, 0);
    const std::vector<std::string> parts = Listing(ref);
    ASSERT_EQ(parts.size(), 2u);
    const auto first = fs::file_size(ref / parts[0]), second = fs::file_size(ref / parts[1]);
    ASSERT_LT(first, second);
    const std::string limit = std::to_string((first + second) / 2);
    const auto run = RunCommand("cd " + Quote(dir_.string()) + " && prlimit --fsize=" + limit +
                                " " + Quote(TESSIVO_CLI) + " split x.mp3 --at 0.4 -o out 2>&1");
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_NE(run.out.find("Cannot write out/x-02.mp3: File too large\n"), std::string::npos)
        << run.out;
    EXPECT_EQ(Listing(out_), std::vector<std::string>{"x-01.mp3"});
    EXPECT_EQ(ReadBytes((out_ / "x-01.mp3").string()), ReadBytes((ref / parts[0]).string()));
}

// A file system that fills during a batch: the file being written fails
// with the reason, no further file starts, the summary counts them.
TEST_F(WriteFaults, FullFileSystemStopsABatch) {
    const fs::path small = dir_ / "small";
    fs::create_directories(small);
    if (::geteuid() != 0 ||
        RunCommand("mount -t tmpfs -o size=64k tmpfs " + Quote(small.string()) + " 2>/dev/null")
                .status != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    std::vector<std::string> args = {"split"};
    for (const std::string name : {"a", "b", "c", "d"}) {
        fs::copy_file(Fixture("cbr128_stereo.mp3"), dir_ / (name + ".mp3"));
        args.push_back(name + ".mp3");
    }
    for (const char* a : {"--parts", "2", "-o", "small", "--flat", "-j", "1"})
        args.push_back(a);
    const CliRun r = Cli(args);
    const std::vector<std::string> left = Listing(small);
    std::vector<std::vector<uint8_t>> contents;
    for (const std::string& name : left)
        contents.push_back(ReadBytes((small / name).string()));
    RunCommand("umount " + Quote(small.string()));
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find(": No space left on device\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Cannot write small/"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("; 1 file failed; "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(" not started (no space left on device)\n"), std::string::npos) << r.err;
    // Only whole parts remain, each the same as a split into a roomy folder
    // (the four sources are copies of one file).
    ASSERT_EQ(Split({"a.mp3", "--parts", "2", "-o", "out"}).status, 0);
    ASSERT_FALSE(left.empty());
    for (size_t k = 0; k < left.size(); ++k) {
        ASSERT_EQ(left[k].size(), 8u) << left[k];
        EXPECT_EQ(contents[k], ReadBytes((out_ / ("a" + left[k].substr(1))).string())) << left[k];
    }
}

// Too little address space to hold an input: a message and exit 1, never
// an abort. With room for one input and a little more, a join of three
// such inputs goes through: it holds one file at a time.
TEST_F(WriteFaults, JoinUnderAnAddressSpaceLimit) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer maps more shadow memory than any such limit allows";
#endif
    if (!HaveFfmpeg())
        GTEST_SKIP() << "no ffmpeg";
    ASSERT_TRUE(MakeLargeMp3(dir_ / "a.mp3", size_t(100) << 20));
    fs::copy_file(Fixture("cbr128_stereo.mp3"), dir_ / "b.mp3");
    const auto limited = [this](size_t mib, const std::string& args) {
        return RunCommand("cd " + Quote(dir_.string()) +
                          " && prlimit --as=" + std::to_string(mib << 20) + " " +
                          Quote(TESSIVO_CLI) + " " + args + " 2>&1");
    };
    const auto run = limited(64, "join b.mp3 a.mp3 -o out/j.mp3");
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_EQ(run.out, "Not enough memory to open a.mp3\n");
    EXPECT_TRUE(Listing(out_).empty());

    ASSERT_TRUE(MakeLargeMp3(dir_ / "c.mp3", size_t(40) << 20));
    const auto three = limited(100, "join c.mp3 c.mp3 c.mp3 -o out/j.mp3 -q");
    EXPECT_EQ(three.status, 0) << three.out;
    EXPECT_EQ(three.out, "");
    EXPECT_GT(fs::file_size(out_ / "j.mp3"), 3 * fs::file_size(dir_ / "c.mp3") - 4096);
}

} // namespace
