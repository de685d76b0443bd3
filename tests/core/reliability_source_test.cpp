// The source file after it was opened, and files too large to open. Once a
// file is open nothing reads it again: it may be deleted, truncated or
// overwritten and the parts are still its bytes as opened. Files of 2 GiB
// and more are refused before anything is read or allocated.
#include "part_file_checks.h"
#include "reliability_support.h"

#include "core/analysis/mp3_load.h"
#include "core/decode/mpg123_decoder.h"

#include <sys/resource.h>
#include <sys/time.h>

using namespace tessivo;
using namespace reliability;

class ReliabilitySource : public ScratchDir {};

// Opens a copy, then deletes it, truncates it or overwrites it with other
// audio. A deleted file keeps its bytes for the mapping: the split writes the
// parts of the file as it was opened, and the decoder still plays it. A
// truncated or overwritten one is reported as changed and nothing is written.
TEST_F(ReliabilitySource, SplitsTheFileAsOpenedOrReportsItChanged) {
    const std::vector<uint8_t> original = ReadBytes(Fixture("id3v1_id3v2.mp3"));
    const std::vector<uint8_t> other = ReadBytes(Fixture("mono.mp3"));
    for (int change = 0; change < 3; ++change) {
        const std::string what = change == 0   ? "deleted"
                                 : change == 1 ? "truncated"
                                               : "overwritten";
        const std::string src = Path("talk.mp3");
        WriteBytes(src, original);
        OpenResult r;
        auto st = Open(src, true, &r);
        ASSERT_TRUE(r.ok) << r.message;
        const std::vector<int16_t> peaks = st->PeakMaxL;
        if (change == 0)
            fs::remove(src);
        else if (change == 1)
            fs::resize_file(src, 100);
        else
            WriteBytes(src, other);

        const auto n = static_cast<int32_t>(st->FrameCount);
        CutAt(*st, {n / 3, 2 * n / 3});
        st->OutputFolder = Path("out-" + what);
        fs::create_directories(st->OutputFolder);
        const SplitResult s = SplitParts(*st, *st, *st);
        if (change > 0) {
            EXPECT_FALSE(s.ok) << what;
            EXPECT_EQ(s.error, src + " changed on disk; open it again") << what;
            EXPECT_TRUE(fs::is_empty(st->OutputFolder)) << what;
            continue;
        }
        ASSERT_TRUE(s.ok) << what << ": " << s.error;
        ASSERT_EQ(s.written.size(), 3u) << what;
        // The audio as opened: from the first frame up to the ID3v1 tag.
        const auto first = static_cast<std::ptrdiff_t>(st->FirstFramePos);
        // Each part opens with an Info frame of its own; its frames are the source's.
        EXPECT_EQ(part_checks::JoinedAudioFrames(s.written),
                  part_checks::AudioFrames(
                      std::vector<uint8_t>(original.begin() + first, original.end() - 128)))
            << what;

        // Decoding for playback reads the image, not the file.
        Mpg123Decoder dec;
        ASSERT_TRUE(dec.OpenAtFrame(st->FileBuffer.data(), st->FileBuffer.size(),
                                    st->FramePos.data(), static_cast<uint32_t>(st->IndexedFrames),
                                    static_cast<uint32_t>(n / 2)))
            << what;
        const int16_t* pcm = nullptr;
        size_t bytes = 0;
        ASSERT_TRUE(dec.NextFrame(pcm, bytes)) << what;
        const size_t samples = bytes / 2 / static_cast<size_t>(st->ChannelCount);
        ASSERT_GT(samples, 0u);
        int16_t maxL = pcm[0];
        for (size_t k = 0; k < samples; ++k)
            maxL = std::max(maxL, pcm[k * static_cast<size_t>(st->ChannelCount)]);
        EXPECT_EQ(maxL, peaks[static_cast<size_t>(n / 2)]) << what;
    }
}

namespace {

// Peak memory of a child process running `argv`, in kilobytes, and its exit status.
struct ChildRun {
    int status = -1;
    long maxRssKb = 0;
    std::string err;
};

ChildRun RunMeasured(const std::vector<std::string>& argv, const std::string& errFile) {
    ChildRun out;
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        if (FILE* e = std::freopen(errFile.c_str(), "w", stderr); !e)
            ::_exit(126);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    int st = 0;
    rusage ru{};
    ::wait4(pid, &st, 0, &ru);
    out.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    out.maxRssKb = ru.ru_maxrss;
    out.err = std::string(reinterpret_cast<const char*>(ReadBytes(errFile).data()),
                          ReadBytes(errFile).size());
    return out;
}

} // namespace

// Sparse files one byte past 64 GiB and of 128 GiB + 100 bytes (36 bits
// would wrap to 100) with the start of a real MP3: both are refused with the
// message naming the file and its size before any allocation, and the
// refusal costs no memory in the command-line program either.
TEST_F(ReliabilitySource, FilesPast64GiBAreRefusedBeforeAllocation) {
    const std::vector<uint8_t> mp3 = ReadBytes(Fixture("cbr128_stereo.mp3"));
    const std::vector<std::pair<uint64_t, std::string>> sizes = {
        {(uint64_t{64} << 30) + 1, "64.1 GiB"}, {(uint64_t{128} << 30) + 100, "128.1 GiB"}};
    for (const auto& [size, shown] : sizes) {
        const std::string path = Path("huge.mp3");
        WriteBytes(path, mp3);
        std::error_code ec;
        fs::resize_file(path, size, ec);
        if (ec)
            GTEST_SKIP() << "no sparse files here: " << ec.message();
        ASSERT_EQ(fs::file_size(path), size);

        uint64_t seen = 0;
        std::string message;
        EXPECT_FALSE(CheckFileSize(path, seen, message));
        const std::string refusal =
            path + ": " + shown + " is larger than the 64 GiB Tessivo opens";
        EXPECT_EQ(message, refusal);

        rusage before{}, after{};
        ::getrusage(RUSAGE_SELF, &before);
        ProgramState st;
        const OpenResult r = AnalyseFile(st, st, path, true);
        ::getrusage(RUSAGE_SELF, &after);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message, refusal);
        EXPECT_TRUE(st.FileBuffer.empty());
        EXPECT_EQ(st.FileBuffer.capacity(), 0u) << "nothing allocated for the image";
        EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 20 * 1024) << "kB of peak memory added";

        const ChildRun cli = RunMeasured({TESSIVO_CLI, "info", path}, Path("err.txt"));
        EXPECT_NE(cli.status, 0);
        EXPECT_NE(cli.err.find(refusal), std::string::npos) << cli.err;
        EXPECT_LT(cli.maxRssKb, 200 * 1024) << "kB";
        fs::remove(path);
    }
    ProgramState st;
    const OpenResult r = AnalyseImage(st, st, {}, false);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, kNotMp3Message);
}
