// Files past 4 GiB: a file made of the frames of a short LAME encoding
// repeated is indexed, split in three and joined back; the joined file's
// Info frame is held against its own frames and against libmpg123. And a
// mapped source that shrinks while it is open is reported, not a crash.
#include "analysis_test_support.h"

#include "core/analysis/frame_index.h"
#include "core/analysis/mp3_load.h"
#include "core/output/join_files.h"
#include "core/output/split_parts.h"
#include "core/parts/cut_lines.h"

#include <fcntl.h>
#include <mpg123.h>
#include <sys/mman.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tessivo;
using analysis_test::Quote;
using analysis_test::RunCommand;

namespace {

// A read-only mapping of a whole file, for comparing large files.
struct Mapped {
    explicit Mapped(const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        size = fd >= 0 ? static_cast<size_t>(::lseek(fd, 0, SEEK_END)) : 0;
        if (size > 0)
            data = static_cast<const uint8_t*>(::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0));
        if (fd >= 0)
            ::close(fd);
    }
    ~Mapped() {
        if (data)
            ::munmap(const_cast<uint8_t*>(data), size);
    }
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// The length of an MPEG-1 layer III frame from its header alone.
size_t Mpeg1FrameLength(const uint8_t* h) {
    static const int kKbps[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                  112, 128, 160, 192, 224, 256, 320, 0};
    static const int kRate[4] = {44100, 48000, 32000, 0};
    const int rate = kRate[(h[2] >> 2) & 3];
    return rate == 0 ? 0 : size_t(144 * 1000 * kKbps[h[2] >> 4] / rate + ((h[2] >> 1) & 1));
}

uint32_t ReadBe32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// The frames of a 10-second LAME encoding at 320 kbps, 48 kHz (every frame
// 960 bytes), without its Info frame: a block that may follow itself.
std::vector<uint8_t> FrameBlock(const fs::path& dir) {
    const std::string wav = (dir / "tone.wav").string(), mp3 = (dir / "tone.mp3").string();
    RunCommand("sox -n -r 48000 -c 2 -b 16 " + Quote(wav) + " synth 10 sine 440 vol 0.5");
    RunCommand("lame --quiet -b 320 --cbr " + Quote(wav) + " " + Quote(mp3));
    ProgramState st;
    if (!AnalyseFile(st, st, mp3, false).ok || st.IndexedFrames < 10)
        return {};
    const auto from = static_cast<size_t>(st.FramePos[1]); // after the Info frame
    const auto to = static_cast<size_t>(FrameByteEnd(st, st, uint32_t(st.IndexedFrames - 1)));
    return {st.FileBuffer.begin() + from, st.FileBuffer.begin() + to};
}

bool WriteRepeated(const std::string& path, const std::vector<uint8_t>& block, size_t times) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    std::vector<uint8_t> big;
    for (int k = 0; k < 64; ++k)
        big.insert(big.end(), block.begin(), block.end());
    bool ok = true;
    for (size_t k = 0; k < times && ok; k += 64)
        ok = std::fwrite(big.data(), 1, block.size() * std::min<size_t>(64, times - k), f) > 0;
    return std::fclose(f) == 0 && ok;
}

uint64_t FreeBytes(const fs::path& dir) {
    struct statvfs sv {};
    return ::statvfs(dir.c_str(), &sv) == 0 ? uint64_t{sv.f_bavail} * sv.f_frsize : 0;
}

// What libmpg123 takes for the file's length in samples, from its Info
// frame alone (no scan).
int64_t Mpg123Length(const std::string& path) {
    mpg123_handle* mh = mpg123_new(nullptr, nullptr);
    int64_t length = -1;
    if (mh && mpg123_open(mh, path.c_str()) == MPG123_OK)
        length = mpg123_length(mh);
    mpg123_delete(mh);
    return length;
}

// Each written part holds exactly the source's bytes between its cuts.
void ExpectSlicesOf(const std::string& source, const std::vector<std::string>& written,
                    const std::array<uint64_t, 4>& cuts) {
    const Mapped whole(source);
    for (size_t k = 0; k < 3; ++k) {
        const Mapped part(written[k]);
        ASSERT_EQ(part.size, cuts[k + 1] - cuts[k]) << written[k];
        EXPECT_EQ(std::memcmp(part.data, whole.data + cuts[k], part.size), 0) << k;
    }
}

// The joined file's Info frame: no byte count, the exact frame count, and
// seek-table entries at 10, 50 and 90 % that are the floor or ceiling of
// 256 x a frame's offset / the audio's size, within one frame.
void ExpectInfoFrameWithoutByteCount(const std::string& joined, uint64_t frames) {
    const Mapped out(joined);
    ASSERT_GT(out.size, uint64_t{4} << 30);
    size_t at = 0; // past the ID3v2 tag of the chapters
    if (out.size > 10 && std::memcmp(out.data, "ID3", 3) == 0)
        at = 10 + ((size_t{out.data[6]} << 21) | (size_t{out.data[7]} << 14) |
                   (size_t{out.data[8]} << 7) | out.data[9]);
    const uint8_t* info = out.data + at;
    const size_t infoLength = Mpeg1FrameLength(info);
    const size_t xing = 4 + 32; // header and stereo side information
    ASSERT_EQ(std::memcmp(info + xing, "Info", 4), 0);
    const uint32_t flags = ReadBe32(info + xing + 4);
    EXPECT_EQ(flags & 2, 0u) << "no byte count";
    EXPECT_EQ(flags & 5, 5u) << "frame count and seek table";
    EXPECT_EQ(ReadBe32(info + xing + 8), frames);

    // Where each frame starts, walked from the headers.
    std::vector<uint64_t> starts;
    for (size_t p = at + infoLength; p + 4 <= out.size; p += Mpeg1FrameLength(out.data + p)) {
        ASSERT_EQ(out.data[p], 0xFF) << p;
        starts.push_back(p - at);
    }
    ASSERT_EQ(starts.size(), frames);
    const double audioBytes = double(out.size - at);
    const uint8_t* toc = info + xing + 12;
    for (size_t i : {10, 50, 90}) {
        const size_t j = i * frames / 100;
        bool near = false;
        for (size_t f = j > 0 ? j - 1 : 0; f <= j + 1 && f < frames; ++f) {
            const double exact = 256.0 * double(starts[f]) / audioBytes;
            near =
                near || toc[i] == uint8_t(std::floor(exact)) || toc[i] == uint8_t(std::ceil(exact));
        }
        EXPECT_TRUE(near) << "entry " << i << " is " << int(toc[i]);
    }
}

} // namespace

// Needs about 9 GB of disk at once (source and parts, then parts and the
// joined file) and is skipped below 12 GB free.
TEST(BigFile, Past4GiBIsIndexedSplitAndJoinedBack) {
    const fs::path dir = fs::current_path() / "big_file_test";
    fs::remove_all(dir);
    fs::create_directories(dir);
    if (FreeBytes(dir) < uint64_t{12} << 30)
        GTEST_SKIP() << "less than 12 GB free in " << dir;
    const std::vector<uint8_t> block = FrameBlock(dir);
    ASSERT_FALSE(block.empty());
    ASSERT_EQ(block.size() % 960, 0u);
    const size_t blockFrames = block.size() / 960;
    const size_t times = ((uint64_t{4} << 30) + (uint64_t{200} << 20)) / block.size() + 1;
    const std::string source = (dir / "long.mp3").string();
    ASSERT_TRUE(WriteRepeated(source, block, times));
    const uint64_t frames = uint64_t{times} * blockFrames;

    ProgramState st;
    const OpenResult opened = AnalyseFile(st, st, source, false);
    ASSERT_TRUE(opened.ok) << opened.message;
    EXPECT_GT(st.FileSize, uint64_t{4} << 30);
    EXPECT_EQ(uint64_t(st.IndexedFrames), frames);
    EXPECT_EQ(uint64_t(st.FrameCount), frames);
    EXPECT_EQ(uint64_t(st.FramePos.back()), st.FileSize - 960);

    // Three parts, cut at a third and two thirds.
    st.OutputFolder = (dir / "parts").string();
    fs::create_directories(st.OutputFolder);
    ReplaceParts(st, st, {int32_t(frames / 3), int32_t(frames * 2 / 3)});
    const SplitResult split = SplitParts(st, st, st);
    ASSERT_TRUE(split.ok) << split.error;
    ASSERT_EQ(split.written.size(), 3u);
    ExpectSlicesOf(source, split.written, {0, frames / 3 * 960, frames * 2 / 3 * 960, st.FileSize});
    st.FileBuffer.clear(); // the source let go before it goes
    fs::remove(source);

    const std::string joined = (dir / "joined.mp3").string();
    OneFileOptions options;
    const OneFileResult join =
        JoinFiles(split.written, joined, options, {}, DefaultPartFileSystem());
    ASSERT_TRUE(join.ok) << join.error;
    for (const std::string& p : split.written)
        fs::remove(p);

    ExpectInfoFrameWithoutByteCount(joined, frames);
    // libmpg123 takes the length from the frame count.
    const int64_t samples = Mpg123Length(joined);
    EXPECT_NEAR(double(samples), double(frames * 1152), 1152.0 * 2);
    fs::remove_all(dir);
}

// A source that shrinks while it is open: the bytes past its new end read
// as zeros instead of ending the process, and a split names the change.
TEST(BigFile, ASourceTruncatedWhileOpenIsReportedNotACrash) {
    const fs::path dir = fs::current_path() / "truncated_test";
    fs::remove_all(dir);
    fs::create_directories(dir / "parts");
    const std::string path = (dir / "source.mp3").string();
    fs::copy_file(analysis_test::Fixture("long65.mp3"), path);
    ProgramState st;
    const OpenResult opened = AnalyseFile(st, st, path, false);
    ASSERT_TRUE(opened.ok) << opened.message;
    EXPECT_FALSE(SourceChanged(st));
    ASSERT_EQ(::truncate(path.c_str(), off_t(st.FileSize / 3)), 0);
    volatile uint8_t last = st.FileBuffer[st.FileBuffer.size() - 1];
    EXPECT_EQ(last, 0);
    EXPECT_TRUE(SourceChanged(st));
    st.OutputFolder = (dir / "parts").string();
    ReplaceParts(st, st, {});
    const SplitResult split = SplitParts(st, st, st);
    EXPECT_FALSE(split.ok);
    EXPECT_EQ(split.error, path + " changed on disk; open it again");
    EXPECT_TRUE(fs::is_empty(dir / "parts"));
    fs::remove_all(dir);
}
