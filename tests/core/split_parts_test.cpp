// Writing part files: naming, byte ranges, tags, numbering across splits and
// what a failure leaves behind.
#include "core/output/split_parts.h"

#include "core/parts/part_access.h"

#include "core/analysis/open_file.h"
#include "core/output/id3v1_tag.h"
#include "core/output/plain_part.h"
#include "core/parts/cut_lines.h"
#include "core/parts/prepare.h"
#include "part_file_checks.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using namespace tessivo;
using namespace part_checks;
namespace fs = std::filesystem;

namespace {

std::unique_ptr<ProgramState> Analysed(const std::string& fixture) {
    auto st = std::make_unique<ProgramState>();
    const OpenResult r = AnalyseFile(*st, *st, Fixture(fixture), false);
    EXPECT_TRUE(r.ok) << fixture << ": " << r.message;
    if (!r.ok)
        return nullptr;
    ResetToOnePart(*st, *st);
    CopySourceTag(*st, *st);
    return st;
}

// Frames of part i as the cut lines give them, limited to indexed frames.
int PartFrames(const ProgramState& st, int i) {
    const int end = std::min<int>(PartLastFrame(st, st, i), st.IndexedFrames - 1);
    return std::max(0, end - PartFirstFrame(st, i) + 1);
}

// The real file system with failures on demand.
class FailingFileSystem : public PartFileSystem {
public:
    int failCreateAt = 0;      // fail the n-th create (1-based), 0 = never
    int failWriteInFile = 0;   // fail a write in the n-th file, 0 = never
    size_t failAfterBytes = 0; // ... once this many bytes of it are written
    int failCloseInFile = 0;
    int failRenameInFile = 0;
    int files = 0;
    std::vector<std::string> temps;

    std::unique_ptr<PartFileWriter> CreateTemp(const std::string& finalPath, std::string& tempPath,
                                               std::string& reason) override {
        ++files;
        if (files == failCreateAt) {
            reason = "Permission denied";
            return nullptr;
        }
        auto inner = DefaultPartFileSystem().CreateTemp(finalPath, tempPath, reason);
        if (!inner)
            return nullptr;
        temps.push_back(tempPath);
        const bool failWrite = files == failWriteInFile, failClose = files == failCloseInFile;
        return std::make_unique<Writer>(std::move(inner), failWrite ? failAfterBytes : SIZE_MAX,
                                        failClose);
    }
    bool Rename(const std::string& from, const std::string& to, std::string& reason) override {
        if (files == failRenameInFile) {
            reason = "Input/output error";
            return false;
        }
        return DefaultPartFileSystem().Rename(from, to, reason);
    }
    void Remove(const std::string& path) override { DefaultPartFileSystem().Remove(path); }

private:
    class Writer : public PartFileWriter {
    public:
        Writer(std::unique_ptr<PartFileWriter> inner, size_t budget, bool failClose)
            : inner_(std::move(inner)), budget_(budget), failClose_(failClose) {}
        bool Write(const uint8_t* data, size_t size) override {
            if (size > budget_) {
                inner_->Write(data, budget_); // a partial write, like a disk that fills
                budget_ = 0;
                return false;
            }
            budget_ -= size;
            return inner_->Write(data, size);
        }
        bool Close() override { return inner_->Close() && !failClose_; }

    private:
        std::unique_ptr<PartFileWriter> inner_;
        size_t budget_;
        bool failClose_;
    };
};

} // namespace

TEST(PartFilePath, NumbersAndSeparators) {
    auto st = std::make_unique<ProgramState>();
    st->FileName = "/music/live/Concert.mp3";
    st->OutputFolder = "/out";
    EXPECT_EQ(PartFilePath(*st, *st, 1), "/out/Concert-01.mp3");
    EXPECT_EQ(PartFilePath(*st, *st, 9), "/out/Concert-09.mp3");
    EXPECT_EQ(PartFilePath(*st, *st, 10), "/out/Concert-10.mp3");
    EXPECT_EQ(PartFilePath(*st, *st, 105), "/out/Concert-105.mp3");
    st->OutputFolder = "/out/";
    EXPECT_EQ(PartFilePath(*st, *st, 3), "/out/Concert-03.mp3");
    st->FileName = "Song.MP3";
    EXPECT_EQ(PartFilePath(*st, *st, 1), "/out/Song-01.mp3");
    st->FileName = "/a/my.live.set.mp3";
    EXPECT_EQ(PartFilePath(*st, *st, 2), "/out/my.live.set-02.mp3");
    st->FileName = "/a/noextension";
    EXPECT_EQ(PartFilePath(*st, *st, 2), "/out/noextension-02.mp3");
    st->FileName = "/a/.hidden";
    EXPECT_EQ(PartFilePath(*st, *st, 2), "/out/.hidden-02.mp3");
}

TEST(PartByteRange, UsesOnlyIndexedFramesAndStopsBeforeTheId3v1Tag) {
    // 20 bytes of ID3v2, frames of 100 bytes at 20, 120, ..., 920 (10 frames),
    // then a 128-byte ID3v1 tag; the index stopped after 8 frames.
    auto st = std::make_unique<ProgramState>();
    st->FileBuffer.resize(20 + 1000 + 128);
    st->FileSize = static_cast<uint32_t>(st->FileBuffer.size());
    st->HasId3v1 = true;
    st->FrameCount = 10;
    st->FramePos.assign(10, 0);
    for (int f = 0; f < 8; ++f)
        st->FramePos[f] = 20 + 100 * f;
    st->FramePos[8] = 999999; // never filled: must not be used
    st->FramePos[9] = -7;
    st->IndexedFrames = 8;
    st->FrameLength = 100;
    ResetToOnePart(*st, *st);
    st->Parts = {PartRecord{}, PartRecord{.start = 5},
                 PartRecord{.start = 9}}; // beyond the indexed frames
    EXPECT_EQ(PartByteRange(*st, *st, 1).first, 20u);
    EXPECT_EQ(PartByteRange(*st, *st, 1).end, 520u);
    EXPECT_EQ(PartByteRange(*st, *st, 2).first, 520u);
    EXPECT_EQ(PartByteRange(*st, *st, 2).end, 820u); // end of the last indexed frame
    EXPECT_EQ(PartByteRange(*st, *st, 3).size(), 0u);

    // A complete index: the last part ends with the last frame, not the tag.
    for (int f = 8; f < 10; ++f)
        st->FramePos[f] = 20 + 100 * f;
    st->IndexedFrames = 10;
    EXPECT_EQ(PartByteRange(*st, *st, 3).first, 920u);
    EXPECT_EQ(PartByteRange(*st, *st, 3).end, 1020u);
    // A last frame said to run past the end still stops before the tag.
    st->FrameLength = 5000;
    EXPECT_EQ(PartByteRange(*st, *st, 3).end, 1020u);
    st->HasId3v1 = false;
    EXPECT_EQ(PartByteRange(*st, *st, 3).end, st->FileSize);
    EXPECT_EQ(PartByteRange(*st, *st, 0).size(), 0u);
    EXPECT_EQ(PartByteRange(*st, *st, 4).size(), 0u);
}

TEST(SplitParts, PartsTogetherAreTheSourceAudioAndEachDecodes) {
    const bool mpg123 = HaveMpg123();
    for (const char* name :
         {"cbr128_stereo.mp3", "vbr_stereo.mp3", "mono.mp3", "mpeg2_22k.mp3", "mpeg25_8k.mp3",
          "crc.mp3", "id3v2.mp3", "id3v2_padding.mp3", "cover_art.mp3", "id3v1_track.mp3",
          "id3v1_id3v2.mp3", "speech_pauses.mp3", "long65.mp3"}) {
        SCOPED_TRACE(name);
        auto st = Analysed(name);
        ASSERT_TRUE(st);
        const fs::path dir = FreshFolder("tessivo_split");
        st->OutputFolder = dir.string();
        PrepareEqualParts(*st, *st, 4);
        ASSERT_EQ(PartCount(*st), 4);
        const SplitResult r = SplitParts(*st, *st, *st);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.written.size(), 4u);
        EXPECT_EQ(st->SplitFileCount, 4);
        const std::vector<uint8_t> source = ReadBytes(Fixture(name));
        // From the first frame to the end of the audio: the fixtures end with a
        // whole frame, followed only by their ID3v1 tag when they have one.
        const size_t audioEnd = source.size() - (st->HasId3v1 ? 128 : 0);
        const std::vector<uint8_t> expected(source.begin() + st->FirstFramePos,
                                            source.begin() + audioEnd);
        // Parts open with an Info frame of their own when the source has one
        // or a variable bitrate; their frames are the source's.
        EXPECT_EQ(JoinedAudioFrames(r.written), AudioFrames(expected));
        const PlainSource plain = ExaminePlainSource(*st);
        for (int i = 1; i <= 4; ++i) {
            EXPECT_EQ(r.written[i - 1], PartFilePath(*st, *st, i));
            EXPECT_TRUE(PartSaved(*st, i));
            const std::vector<uint8_t> part = ReadBytes(r.written[i - 1]);
            ASSERT_GE(part.size(), 2u);
            EXPECT_EQ(part[0], 0xFF); // a frame's sync, never "ID3"
            EXPECT_EQ(part[1] & 0xE0, 0xE0);
            if (mpg123) {
                EXPECT_EQ(Mpg123Frames(r.written[i - 1], !plain.needsInfo),
                          PartFrames(*st, i) - (i == 1 ? plain.firstAudio : 0))
                    << "part " << i;
            }
        }
        EXPECT_EQ(Listing(dir).size(), 4u); // nothing else left in the folder
        fs::remove_all(dir);
    }
    if (!mpg123)
        GTEST_SKIP() << "mpg123 not installed: parts not decoded";
}

// More parts than are flushed at once, and parts made ready beside the
// writing (plain CBR) or built with an Info frame (VBR): every file under its
// own number, in order, with its own frames.
TEST(SplitParts, ManyPartsKeepTheirOrderAndTheirFrames) {
    const bool mpg123 = HaveMpg123();
    for (const char* name : {"long65.mp3", "vbr_stereo.mp3", "id3v1_track.mp3"}) {
        SCOPED_TRACE(name);
        auto st = Analysed(name);
        ASSERT_TRUE(st);
        const fs::path dir = FreshFolder("tessivo_split_many");
        st->OutputFolder = dir.string();
        PrepareEqualParts(*st, *st, 12);
        ASSERT_EQ(PartCount(*st), 12);
        const SplitResult r = SplitParts(*st, *st, *st);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.written.size(), 12u);
        const std::vector<uint8_t> source = ReadBytes(Fixture(name));
        const std::vector<uint8_t> expected(source.begin() + st->FirstFramePos,
                                            source.end() - (st->HasId3v1 ? 128 : 0));
        EXPECT_EQ(JoinedAudioFrames(r.written), AudioFrames(expected));
        const PlainSource plain = ExaminePlainSource(*st);
        for (int i = 1; i <= 12; ++i) {
            EXPECT_EQ(r.written[i - 1], PartFilePath(*st, *st, i));
            EXPECT_EQ(r.writtenParts[i - 1], i);
            if (mpg123) {
                EXPECT_EQ(Mpg123Frames(r.written[i - 1], !plain.needsInfo),
                          PartFrames(*st, i) - (i == 1 ? plain.firstAudio : 0))
                    << "part " << i;
            }
        }
        EXPECT_EQ(Listing(dir).size(), 12u);
        fs::remove_all(dir);
    }
}

// Parts are copied from the source file, except after bytes of the open
// image were changed in memory: then they hold the image's bytes.
TEST(SplitParts, PartsHoldTheImageBytesOnceTheImageIsWritten) {
    const std::vector<uint8_t> source = ReadBytes(Fixture("cbr128_stereo.mp3"));
    for (const bool written : {false, true}) {
        SCOPED_TRACE(written ? "written" : "as the file");
        auto st = Analysed("cbr128_stereo.mp3");
        ASSERT_TRUE(st);
        const fs::path dir = FreshFolder("tessivo_split");
        st->OutputFolder = dir.string();
        PrepareEqualParts(*st, *st, 2);
        const ByteRange second = PartByteRange(*st, *st, 2);
        ASSERT_GT(second.size(), 200u);
        std::vector<uint8_t> expected(source.begin() + static_cast<ptrdiff_t>(second.first),
                                      source.begin() + static_cast<ptrdiff_t>(second.end));
        if (written) {
            // A byte of main data in the part's first frame.
            st->FileBuffer[second.first + 100] ^= 0x5A;
            expected[100] ^= 0x5A;
        }
        const SplitResult r = SplitParts(*st, *st, *st);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.written.size(), 2u);
        // Its own Info frame, then the frames.
        const std::vector<uint8_t> part = ReadBytes(r.written[1]);
        ASSERT_GT(part.size(), expected.size());
        EXPECT_EQ(
            std::vector<uint8_t>(part.end() - static_cast<ptrdiff_t>(expected.size()), part.end()),
            expected);
        fs::remove_all(dir);
    }
}

TEST(SplitParts, TagsAreAppendedOnlyWhenAskedAndPresent) {
    auto st = Analysed("id3v1_track.mp3");
    ASSERT_TRUE(st);
    const fs::path dir = FreshFolder("tessivo_split");
    st->OutputFolder = dir.string();
    PrepareEqualParts(*st, *st, 3);
    // No file tag: only parts 1 and 3, which set a title, carry a tag.
    ClearTag(st->FileTag);
    for (int i : {1, 3}) {
        st->Parts[size_t(i - 1)].own.title = "Part " + std::to_string(i);
        st->Parts[size_t(i - 1)].ownFields = kTagTitle;
    }
    st->IsSaveTags = true;
    SplitResult r = SplitParts(*st, *st, *st);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.written.size(), 3u);
    for (int i : {1, 3}) {
        const std::vector<uint8_t> part = ReadBytes(r.written[i - 1]);
        ASSERT_EQ(part.size(), SourcePartBytes(*st, *st, i).bytes().size() + 128);
        const Id3v1Record tag = PartId3v1(*st, i);
        EXPECT_TRUE(std::equal(part.end() - 128, part.end(), tag.begin()));
    }
    EXPECT_EQ(ReadBytes(r.written[1]).size(), SourcePartBytes(*st, *st, 2).bytes().size());

    // Without IsSaveTags no file ends with a tag, whatever the slots hold.
    st->IsSaveTags = false;
    r = SplitParts(*st, *st, *st);
    ASSERT_TRUE(r.ok);
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(ReadBytes(r.written[i - 1]).size(), SourcePartBytes(*st, *st, i).bytes().size());
    fs::remove_all(dir);
}

TEST(SplitParts, UnusedPartsAreSkippedAndASecondSplitCountsOn) {
    auto st = Analysed("cbr128_stereo.mp3");
    ASSERT_TRUE(st);
    const fs::path dir = FreshFolder("tessivo_split");
    st->OutputFolder = dir.string();
    PrepareEqualParts(*st, *st, 3);
    st->Parts[1].ticked = false;
    // A file under part 3's list name exists; the split writes part 3 as 02.
    WriteText((dir / "cbr128_stereo-03.mp3").string(), "keep me");
    SplitResult r = SplitParts(*st, *st, *st);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.written.size(), 2u);
    EXPECT_EQ(fs::path(r.written[0]).filename(), "cbr128_stereo-01.mp3");
    EXPECT_EQ(fs::path(r.written[1]).filename(), "cbr128_stereo-02.mp3");
    EXPECT_EQ(ReadBytes(r.written[1]).size(), SourcePartBytes(*st, *st, 3).bytes().size());
    EXPECT_FALSE(PartSaved(*st, 2));
    EXPECT_TRUE(PartSaved(*st, 3));
    const std::vector<uint8_t> first01 = ReadBytes(r.written[0]);

    // The second split continues at 03 (replacing the stray file, as told) and 04.
    SplitOptions replace;
    replace.overwrite = true;
    r = SplitParts(*st, *st, *st, replace);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.written.size(), 2u);
    EXPECT_EQ(fs::path(r.written[0]).filename(), "cbr128_stereo-03.mp3");
    EXPECT_EQ(fs::path(r.written[1]).filename(), "cbr128_stereo-04.mp3");
    EXPECT_EQ(st->SplitFileCount, 4);
    EXPECT_EQ(ReadBytes((dir / "cbr128_stereo-01.mp3").string()), first01);
    EXPECT_EQ(ReadBytes((dir / "cbr128_stereo-03.mp3").string()), first01);

    // No part used: nothing written, nothing counted.
    for (int i = 1; i <= 3; ++i)
        st->Parts[i - 1].ticked = false;
    r = SplitParts(*st, *st, *st);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.written.empty());
    EXPECT_EQ(st->SplitFileCount, 4);
    fs::remove_all(dir);
}

TEST(SplitParts, MissingFolderStopsAtTheFirstFileAndCountsIt) {
    auto st = Analysed("cbr128_stereo.mp3");
    ASSERT_TRUE(st);
    const fs::path dir = FreshFolder("tessivo_split");
    st->OutputFolder = (dir / "not there").string();
    PrepareEqualParts(*st, *st, 2);
    const SplitResult r = SplitParts(*st, *st, *st);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Cannot create file \"" + st->OutputFolder +
                           "/cbr128_stereo-01.mp3\". No such file or directory");
    EXPECT_TRUE(r.written.empty());
    EXPECT_EQ(st->SplitFileCount, 1);
    EXPECT_FALSE(PartSaved(*st, 1));
    EXPECT_FALSE(fs::exists(dir / "not there")); // the split never creates the folder
    fs::remove_all(dir);
}

TEST(SplitParts, EmptyOutputFolderWritesNothing) {
    auto st = Analysed("cbr128_stereo.mp3");
    ASSERT_TRUE(st);
    PrepareEqualParts(*st, *st, 2);
    st->OutputFolder.clear();
    const SplitResult r = SplitParts(*st, *st, *st);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Please select a folder");
    EXPECT_EQ(st->SplitFileCount, 0);
}

TEST(SplitParts, ReadOnlyFolderIsReported) {
    auto st = Analysed("cbr128_stereo.mp3");
    ASSERT_TRUE(st);
    const fs::path dir = FreshFolder("tessivo_split");
    st->OutputFolder = dir.string();
    PrepareEqualParts(*st, *st, 2);
    if (::geteuid() != 0) {
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
        const SplitResult r = SplitParts(*st, *st, *st);
        fs::permissions(dir, fs::perms::owner_all);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, "Cannot create file \"" + dir.string() +
                               "/cbr128_stereo-01.mp3\". Permission denied");
    } else {
        // Permissions do not stop root: the refusal comes through the seam.
        FailingFileSystem failing;
        failing.failCreateAt = 2;
        const SplitResult r = SplitParts(*st, *st, *st, failing);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, "Cannot create file \"" + dir.string() +
                               "/cbr128_stereo-02.mp3\". Permission denied");
        EXPECT_EQ(r.written.size(), 1u);
        EXPECT_EQ(Listing(dir), std::vector<std::string>{"cbr128_stereo-01.mp3"});
    }
    EXPECT_EQ(st->SplitFileCount, ::geteuid() != 0 ? 1 : 2);
    fs::remove_all(dir);
}

TEST(SplitParts, FailedWriteKeepsEarlierFilesAndLeavesNoHalfFile) {
    auto st = Analysed("cbr128_stereo.mp3");
    ASSERT_TRUE(st);
    const fs::path dir = FreshFolder("tessivo_split");
    st->OutputFolder = dir.string();
    PrepareEqualParts(*st, *st, 3);
    // Files from an earlier run under the names parts 2 and 3 will take.
    WriteText((dir / "cbr128_stereo-02.mp3").string(), "earlier part two");
    WriteText((dir / "cbr128_stereo-03.mp3").string(), "earlier part three");

    FailingFileSystem failing;
    failing.failWriteInFile = 2;
    failing.failAfterBytes = 1000;
    SplitOptions replace;
    replace.overwrite = true;
    const SplitResult r = SplitParts(*st, *st, *st, replace, failing);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error,
              "Cannot write " + (dir / "cbr128_stereo-02.mp3").string() + ": Input/output error");
    EXPECT_FALSE(r.diskFull);
    ASSERT_EQ(r.written.size(), 1u);
    EXPECT_EQ(ReadBytes(r.written[0]).size(), SourcePartBytes(*st, *st, 1).bytes().size());
    EXPECT_TRUE(PartSaved(*st, 1));
    EXPECT_FALSE(PartSaved(*st, 2));
    EXPECT_FALSE(PartSaved(*st, 3));
    EXPECT_EQ(st->SplitFileCount, 2);
    const std::vector<uint8_t> two = ReadBytes((dir / "cbr128_stereo-02.mp3").string());
    EXPECT_EQ(std::string(two.begin(), two.end()), "earlier part two");
    // No temporary file is left behind.
    EXPECT_EQ(Listing(dir),
              (std::vector<std::string>{"cbr128_stereo-01.mp3", "cbr128_stereo-02.mp3",
                                        "cbr128_stereo-03.mp3"}));
    ASSERT_EQ(failing.temps.size(), 2u);
    EXPECT_FALSE(fs::exists(failing.temps[1]));

    // The program stays usable: the next split goes on at 03.
    const SplitResult again = SplitParts(*st, *st, *st, replace);
    ASSERT_TRUE(again.ok);
    EXPECT_EQ(fs::path(again.written[0]).filename(), "cbr128_stereo-03.mp3");
    fs::remove_all(dir);
}

TEST(SplitParts, FailedCloseOrRenameLeavesNothingUnderThePartName) {
    auto st = Analysed("cbr128_stereo.mp3");
    ASSERT_TRUE(st);
    const fs::path dir = FreshFolder("tessivo_split");
    st->OutputFolder = dir.string();
    PrepareEqualParts(*st, *st, 2);

    FailingFileSystem failClose;
    failClose.failCloseInFile = 1;
    SplitResult r = SplitParts(*st, *st, *st, failClose);
    EXPECT_EQ(r.error,
              "Cannot write " + (dir / "cbr128_stereo-01.mp3").string() + ": Input/output error");
    EXPECT_TRUE(Listing(dir).empty());

    FailingFileSystem failRename;
    failRename.failRenameInFile = 2;
    r = SplitParts(*st, *st, *st, failRename);
    EXPECT_EQ(r.error, "Cannot create file \"" + dir.string() +
                           "/cbr128_stereo-03.mp3\". Input/output error");
    EXPECT_EQ(Listing(dir), std::vector<std::string>{"cbr128_stereo-02.mp3"});

    // A folder standing under a part's name cannot be replaced.
    fs::create_directory(dir / "cbr128_stereo-04.mp3");
    SplitOptions replace;
    replace.overwrite = true;
    r = SplitParts(*st, *st, *st, replace);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(
        r.error.rfind("Cannot create file \"" + dir.string() + "/cbr128_stereo-04.mp3\". ", 0), 0u)
        << r.error;
    EXPECT_EQ(Listing(dir),
              (std::vector<std::string>{"cbr128_stereo-02.mp3", "cbr128_stereo-04.mp3"}));
    fs::remove_all(dir);
}

TEST(SplitParts, RealFullDiskIsReportedWhenAvailable) {
    // /dev/full accepts the file but fails every write: a disk that is full.
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    class DevFull : public PartFileSystem {
    public:
        std::unique_ptr<PartFileWriter> CreateTemp(const std::string& finalPath,
                                                   std::string& tempPath,
                                                   std::string& reason) override {
            (void)finalPath;
            tempPath = "/dev/full";
            const int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
            if (fd < 0) {
                reason = "cannot open /dev/full";
                return nullptr;
            }
            return std::make_unique<Fd>(fd);
        }
        bool Rename(const std::string&, const std::string&, std::string&) override {
            renamed = true;
            return true;
        }
        void Remove(const std::string&) override {}
        bool renamed = false;

    private:
        class Fd : public PartFileWriter {
        public:
            explicit Fd(int fd) : fd_(fd) {}
            bool Write(const uint8_t* d, size_t n) override {
                if (::write(fd_, d, n) == ssize_t(n))
                    return true;
                reason_ = std::strerror(errno);
                return false;
            }
            bool Close() override { return ::close(fd_) == 0; }
            std::string Reason() const override { return reason_; }

        private:
            int fd_;
            std::string reason_;
        };
    };
    auto st = Analysed("cbr128_stereo.mp3");
    ASSERT_TRUE(st);
    st->OutputFolder = "/tmp";
    PrepareEqualParts(*st, *st, 2);
    DevFull full;
    const SplitResult r = SplitParts(*st, *st, *st, full);
    EXPECT_EQ(r.error, "Cannot write /tmp/cbr128_stereo-01.mp3: No space left on device");
    EXPECT_TRUE(r.diskFull);
    EXPECT_FALSE(full.renamed);
    EXPECT_EQ(st->SplitFileCount, 1);
}

// The open source is read from the file itself. Removed from its folder it
// still splits whole (its bytes stay while it is open); overwritten, the
// split names the change and leaves no part, never a crash or a part made
// of the new bytes.
TEST(SplitParts, SplitsARemovedSourceAndReportsAnOverwrittenOne) {
    const fs::path dir = FreshFolder("tessivo_split");
    const fs::path copy = dir / "gone.mp3";
    fs::copy_file(Fixture("id3v2.mp3"), copy);
    auto st = std::make_unique<ProgramState>();
    ASSERT_TRUE(AnalyseFile(*st, *st, copy.string(), false).ok);
    ResetToOnePart(*st, *st);
    const std::vector<uint8_t> source = ReadBytes(copy.string());
    fs::remove(copy);
    st->OutputFolder = (dir / "removed").string();
    fs::create_directories(st->OutputFolder);
    PrepareEqualParts(*st, *st, 2);
    const SplitResult r = SplitParts(*st, *st, *st);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(JoinedAudioFrames(r.written),
              AudioFrames(std::vector<uint8_t>(source.begin() + st->FirstFramePos, source.end())));

    fs::copy_file(Fixture("id3v2.mp3"), copy);
    // An hour old, so the overwrite below is seen in the modification time
    // however coarse the file system's clock.
    fs::last_write_time(copy, fs::file_time_type::clock::now() - std::chrono::hours(1));
    auto again = std::make_unique<ProgramState>();
    ASSERT_TRUE(AnalyseFile(*again, *again, copy.string(), false).ok);
    ResetToOnePart(*again, *again);
    // The file is overwritten with other bytes of the same length.
    WriteText(copy.string(), std::string(source.size(), 'x'));
    again->OutputFolder = (dir / "overwritten").string();
    fs::create_directories(again->OutputFolder);
    PrepareEqualParts(*again, *again, 2);
    const SplitResult changed = SplitParts(*again, *again, *again);
    EXPECT_FALSE(changed.ok);
    EXPECT_EQ(changed.error, copy.string() + " changed on disk; open it again");
    EXPECT_TRUE(changed.written.empty());
    EXPECT_TRUE(Listing(dir / "overwritten").empty());
    fs::remove_all(dir);
}
