// The peak cache: a hit gives the stored table back, a changed file (size,
// modification time or content) misses, and pruning removes the least
// recently used tables first.
#include "analysis_test_support.h"
#include "core/analysis/open_file.h"
#include "core/analysis/peak_cache.h"
#include "core/analysis/peaks.h"
#include "core/analysis/preview_peaks.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

using namespace tessivo;
using namespace analysis_test;
namespace fs = std::filesystem;

namespace {

class PeakCache : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("tessivo_peak_cache_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        cache_ = (dir_ / "cache" / "peaks").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    // A copy of a fixture that the test may change.
    std::string Copy(const std::string& name) {
        const std::string p = (dir_ / name).string();
        fs::copy_file(Fixture(name), p, fs::copy_options::overwrite_existing);
        return p;
    }
    static std::unique_ptr<ProgramState> Open(const std::string& path) {
        auto st = std::make_unique<ProgramState>();
        EXPECT_TRUE(AnalyseFile(*st, *st, path, true).ok) << path;
        return st;
    }
    static void SetTime(const std::string& path, int64_t seconds) {
        const struct timespec t[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), t, 0), 0);
    }

    fs::path dir_;
    std::string cache_;
};

bool SameTable(const PeakTable& a, const PeakTable& b) {
    return a.PeakMaxL == b.PeakMaxL && a.PeakMinL == b.PeakMinL && a.PeakMaxR == b.PeakMaxR &&
           a.PeakMinR == b.PeakMinR;
}

} // namespace

TEST_F(PeakCache, MissStoreHit) {
    const std::string path = Copy("vbr_stereo.mp3");
    auto st = Open(path);
    const PeakCacheKey key = PeakCacheKeyOf(*st);
    EXPECT_EQ(key.fileSize, fs::file_size(path));
    EXPECT_NE(key.modifiedNs, 0);
    PeakTable got;
    EXPECT_FALSE(LookUpPeaks(cache_, key, st->FrameCount, got));
    ASSERT_TRUE(StorePeaks(cache_, key, *st));
    // At most 24 bytes a frame (peaks and the slices' loudness) besides a
    // short header;
    // no temporary left.
    size_t files = 0;
    for (const auto& e : fs::directory_iterator(cache_)) {
        ++files;
        EXPECT_EQ(e.path().extension(), ".peaks");
        EXPECT_LE(e.file_size(), 64 + 24 * size_t{st->FrameCount});
    }
    EXPECT_EQ(files, 1u);

    // A second open of the unchanged file finds the same key and table.
    auto again = Open(path);
    const PeakCacheKey key2 = PeakCacheKeyOf(*again);
    EXPECT_TRUE(key2 == key);
    ASSERT_TRUE(LookUpPeaks(cache_, key2, again->FrameCount, got));
    EXPECT_TRUE(SameTable(got, *st));
    // Another frame count: the stored table does not fit.
    PeakTable none;
    EXPECT_FALSE(LookUpPeaks(cache_, key, st->FrameCount + 1, none));
    EXPECT_TRUE(none.PeakMaxL.empty());
}

TEST_F(PeakCache, InitialPeaksArePreviewThenExact) {
    const std::string path = Copy("vbr_stereo.mp3");
    auto st = Open(path);
    const PeakTable exact(*st);
    auto first = std::make_unique<ProgramState>();
    ASSERT_TRUE(AnalyseFile(*first, *first, path, false).ok);
    EXPECT_FALSE(InitialPeaks(*first, cache_));
    EXPECT_TRUE(SameTable(*first, PreviewPeaks(*first)));
    EXPECT_FALSE(SameTable(*first, exact));
    ASSERT_TRUE(StorePeaks(cache_, PeakCacheKeyOf(*st), exact));
    auto second = std::make_unique<ProgramState>();
    ASSERT_TRUE(AnalyseFile(*second, *second, path, false).ok);
    EXPECT_TRUE(InitialPeaks(*second, cache_));
    EXPECT_TRUE(SameTable(*second, exact));
}

TEST_F(PeakCache, AChangedFileMisses) {
    const std::string path = Copy("cbr128_stereo.mp3");
    SetTime(path, 1700000000);
    auto st = Open(path);
    ASSERT_TRUE(StorePeaks(cache_, PeakCacheKeyOf(*st), *st));
    PeakTable got;
    ASSERT_TRUE(LookUpPeaks(cache_, PeakCacheKeyOf(*Open(path)), st->FrameCount, got));

    // Only the modification time.
    SetTime(path, 1700000100);
    EXPECT_FALSE(LookUpPeaks(cache_, PeakCacheKeyOf(*Open(path)), st->FrameCount, got));

    // Same size and time, one byte changed near the end (in the last 64 KB).
    std::vector<uint8_t> b = ReadBytes(path);
    b[b.size() - 300] ^= 0x01;
    WriteBytes(path, b);
    SetTime(path, 1700000000);
    auto changed = Open(path);
    EXPECT_EQ(PeakCacheKeyOf(*changed).fileSize, st->FileBuffer.size());
    EXPECT_FALSE(LookUpPeaks(cache_, PeakCacheKeyOf(*changed), changed->FrameCount, got));

    // Restored: a hit again. Then longer by a byte: a miss.
    b[b.size() - 300] ^= 0x01;
    WriteBytes(path, b);
    SetTime(path, 1700000000);
    EXPECT_TRUE(LookUpPeaks(cache_, PeakCacheKeyOf(*Open(path)), st->FrameCount, got));
    b.push_back(0);
    WriteBytes(path, b);
    SetTime(path, 1700000000);
    EXPECT_FALSE(LookUpPeaks(cache_, PeakCacheKeyOf(*Open(path)), st->FrameCount, got));
}

TEST_F(PeakCache, DamagedFilesMiss) {
    auto st = Open(Copy("mono.mp3"));
    const PeakCacheKey key = PeakCacheKeyOf(*st);
    ASSERT_TRUE(StorePeaks(cache_, key, *st));
    const std::string file = PeakCachePath(cache_, key);
    PeakTable got;
    fs::resize_file(file, fs::file_size(file) - 2);
    EXPECT_FALSE(LookUpPeaks(cache_, key, st->FrameCount, got));
    ASSERT_TRUE(StorePeaks(cache_, key, *st));
    std::vector<uint8_t> b = ReadBytes(file);
    b[3] ^= 0xFF; // the header's mark
    WriteBytes(file, b);
    EXPECT_FALSE(LookUpPeaks(cache_, key, st->FrameCount, got));
    EXPECT_FALSE(LookUpPeaks("", key, st->FrameCount, got));
    // A frame whose top lies below its bottom: the last frame's right channel.
    ASSERT_TRUE(StorePeaks(cache_, key, *st));
    b = ReadBytes(file);
    // The peaks come before the loudness energies (floats), when stored.
    const size_t last = b.size() - 4 - st->FrameLoudness.size() * sizeof(float);
    b[last] = 0x00, b[last + 1] = 0x80;     // top -32768
    b[last + 2] = 0xFF, b[last + 3] = 0x7F; // bottom 32767
    WriteBytes(file, b);
    EXPECT_FALSE(LookUpPeaks(cache_, key, st->FrameCount, got));
    EXPECT_TRUE(got.PeakMaxL.empty());
}

TEST_F(PeakCache, PrunesLeastRecentlyUsedFirst) {
    // Four tables from four "files" (keys), stored with use times 1..4 apart.
    auto st = Open(Copy("cbr128_stereo.mp3"));
    std::vector<PeakCacheKey> keys;
    for (int i = 0; i < 4; ++i) {
        PeakCacheKey k = PeakCacheKeyOf(*st);
        k.modifiedNs += i;
        keys.push_back(k);
        ASSERT_TRUE(StorePeaks(cache_, k, *st));
        SetTime(PeakCachePath(cache_, k), 1600000000 + i * 100);
    }
    const uint64_t one = fs::file_size(PeakCachePath(cache_, keys[0]));
    // Using the oldest makes it the newest.
    PeakTable got;
    ASSERT_TRUE(LookUpPeaks(cache_, keys[0], st->FrameCount, got));

    PrunePeakCache(cache_, 2 * one + one / 2); // room for two
    EXPECT_TRUE(fs::exists(PeakCachePath(cache_, keys[0])));
    EXPECT_FALSE(fs::exists(PeakCachePath(cache_, keys[1])));
    EXPECT_FALSE(fs::exists(PeakCachePath(cache_, keys[2])));
    EXPECT_TRUE(fs::exists(PeakCachePath(cache_, keys[3])));

    // Storing beyond the limit prunes at once; other files stay.
    const std::string other = cache_ + "/notes.txt";
    WriteBytes(other, std::vector<uint8_t>(10 * one, 'x'));
    PeakCacheKey fresh = keys[0];
    fresh.contentHash ^= 1;
    ASSERT_TRUE(StorePeaks(cache_, fresh, *st, one));
    EXPECT_TRUE(fs::exists(PeakCachePath(cache_, fresh)));
    EXPECT_FALSE(fs::exists(PeakCachePath(cache_, keys[0])));
    EXPECT_FALSE(fs::exists(PeakCachePath(cache_, keys[3])));
    EXPECT_TRUE(fs::exists(other));
}

TEST(PeakCacheFolder, FollowsXdgCacheHome) {
    const char* oldXdg = std::getenv("XDG_CACHE_HOME");
    const std::string keep = oldXdg ? oldXdg : "";
    ::setenv("XDG_CACHE_HOME", "/x/cache", 1);
    EXPECT_EQ(DefaultPeakCacheFolder(), "/x/cache/tessivo/peaks");
    ::unsetenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    if (home) {
        EXPECT_EQ(DefaultPeakCacheFolder(), std::string(home) + "/.cache/tessivo/peaks");
    }
    if (oldXdg)
        ::setenv("XDG_CACHE_HOME", keep.c_str(), 1);
}

// A table stored by a version that counted frames in 32 bits (header magic
// "TSVPEAK3", frames and loudness flag as two 32-bit fields) is a miss, not
// misread, and the next store replaces it with one that hits.
TEST_F(PeakCache, ATableOfTheOlderLayoutIsRebuilt) {
    const std::string path = Copy("vbr_stereo.mp3");
    auto st = Open(path);
    const PeakCacheKey key = PeakCacheKeyOf(*st);
    fs::create_directories(cache_);
    const std::string stored = PeakCachePath(cache_, key);
    {
        std::ofstream f(stored, std::ios::binary);
        f.write("TSVPEAK3", 8);
        const uint32_t frames = st->FrameCount, loudness = 0;
        f.write(reinterpret_cast<const char*>(&key.fileSize), 8);
        f.write(reinterpret_cast<const char*>(&key.modifiedNs), 8);
        f.write(reinterpret_cast<const char*>(&key.contentHash), 8);
        f.write(reinterpret_cast<const char*>(&frames), 4);
        f.write(reinterpret_cast<const char*>(&loudness), 4);
        const std::vector<int16_t> values(size_t{frames} * 4, 0);
        f.write(reinterpret_cast<const char*>(values.data()),
                static_cast<std::streamsize>(values.size() * 2));
    }
    PeakTable got;
    EXPECT_FALSE(LookUpPeaks(cache_, key, st->FrameCount, got));
    EXPECT_TRUE(got.PeakMaxL.empty());
    ASSERT_TRUE(StorePeaks(cache_, key, *st));
    ASSERT_TRUE(LookUpPeaks(cache_, key, st->FrameCount, got));
    EXPECT_TRUE(SameTable(got, *st));
}

// A table as long as an hour's file goes through the cache whole, energies
// included. A frame whose top lies below its bottom far into the file, or a
// file cut short, is a miss that leaves the caller's table as it was.
TEST_F(PeakCache, ALongTableRoundTripsAndADamagedOneLeavesTheTableAlone) {
    auto st = Open(Copy("vbr_stereo.mp3"));
    const PeakCacheKey key = PeakCacheKeyOf(*st);
    const uint32_t frames = 150'000;
    PeakTable table;
    for (uint32_t j = 0; j < frames; ++j) {
        const auto v = static_cast<int16_t>(j % 30'000);
        table.PeakMaxL.push_back(v);
        table.PeakMinL.push_back(static_cast<int16_t>(-v));
        table.PeakMaxR.push_back(static_cast<int16_t>(v / 2));
        table.PeakMinR.push_back(static_cast<int16_t>(v / 2 - 7));
    }
    for (size_t j = 0; j < size_t{frames} * kLoudnessSlices; ++j)
        table.FrameLoudness.push_back(static_cast<float>(j % 977) * 0.25f);
    ASSERT_TRUE(StorePeaks(cache_, key, table));

    PeakTable got;
    ASSERT_TRUE(LookUpPeaks(cache_, key, frames, got));
    EXPECT_TRUE(SameTable(got, table));
    EXPECT_EQ(got.FrameLoudness, table.FrameLoudness);

    const std::string path = PeakCachePath(cache_, key);
    const uintmax_t size = fs::file_size(path);
    const uintmax_t header = size - uintmax_t{frames} * 8 - table.FrameLoudness.size() * 4;
    PeakTable kept;
    kept.PeakMaxL = {5};
    kept.FrameLoudness = {1.0f};
    {
        // Frame 140,000's left channel: top -1, bottom +1.
        const int16_t bad[2] = {-1, 1};
        const int fd = ::open(path.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, bad, sizeof bad, static_cast<off_t>(header + 140'000 * 8)),
                  static_cast<ssize_t>(sizeof bad));
        ::close(fd);
    }
    EXPECT_FALSE(LookUpPeaks(cache_, key, frames, kept));
    EXPECT_EQ(kept.PeakMaxL, std::vector<int16_t>{5});
    EXPECT_EQ(kept.FrameLoudness, std::vector<float>{1.0f});

    ASSERT_TRUE(StorePeaks(cache_, key, table));
    fs::resize_file(path, fs::file_size(path) - 4);
    EXPECT_FALSE(LookUpPeaks(cache_, key, frames, kept));
    EXPECT_EQ(kept.PeakMaxL, std::vector<int16_t>{5});
    ASSERT_TRUE(StorePeaks(cache_, key, table));
    EXPECT_TRUE(LookUpPeaks(cache_, key, frames, kept));
    EXPECT_TRUE(SameTable(kept, table));
}
