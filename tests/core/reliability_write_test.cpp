// Write failures during a split: a missing output folder, a folder that
// refuses new files, a disk that fills (the kernel's /dev/full and a writer
// that stops part-way), a close or rename that fails. In every case: the
// message, earlier part files complete, nothing half-written under a part's
// name, an older file of that name intact, SplitFileCount counting the failed
// part, and a following split that works.
#include "reliability_support.h"

#include "core/parts/part_access.h"

#include "core/output/id3v1_tag.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>

using namespace tessivo;
using namespace reliability;

namespace {

class FdWriter : public PartFileWriter {
public:
    // `room`: bytes the disk still takes, shared by every file of the split.
    FdWriter(int fd, size_t* room) : fd_(fd), room_(room) {}
    ~FdWriter() override {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool Write(const uint8_t* data, size_t size) override {
        while (size > 0) {
            const size_t n = room_ ? std::min(size, *room_) : size;
            if (n == 0)
                return Failed(ENOSPC);
            const ssize_t w = ::write(fd_, data, n);
            if (w <= 0)
                return Failed(w < 0 ? errno : ENOSPC);
            if (room_)
                *room_ -= static_cast<size_t>(w);
            data += w;
            size -= static_cast<size_t>(w);
        }
        return true;
    }
    bool Close() override {
        const int fd = fd_;
        fd_ = -1;
        return (::close(fd) == 0 && !failClose_) || Failed(EIO);
    }
    std::string Reason() const override { return reason_; }
    bool failClose_ = false;

private:
    bool Failed(int error) {
        reason_ = std::strerror(error);
        return false;
    }
    std::string reason_;
    int fd_;
    size_t* room_;
};

// The real file system with faults switched on by the test.
class FaultyFileSystem : public PartFileSystem {
public:
    std::unique_ptr<PartFileWriter> CreateTemp(const std::string& finalPath, std::string& tempPath,
                                               std::string& reason) override {
        ++creates;
        if (refuseCreate) {
            reason = std::strerror(EACCES);
            return nullptr;
        }
        if (useDevFull) {
            // Writes reach the kernel and come back with ENOSPC.
            tempPath = "/dev/full";
            const int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
            if (fd < 0) {
                reason = std::strerror(errno);
                return nullptr;
            }
            return std::make_unique<FdWriter>(fd, nullptr);
        }
        tempPath = finalPath + ".partial-" + std::to_string(creates);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            reason = std::strerror(errno);
            return nullptr;
        }
        temps.push_back(tempPath);
        auto w = std::make_unique<FdWriter>(fd, &diskRoom);
        w->failClose_ = failClose || creates == failCloseOf;
        return w;
    }
    bool Rename(const std::string& from, const std::string& to, std::string& reason) override {
        if (failRename) {
            reason = std::strerror(EIO);
            return false;
        }
        return DefaultPartFileSystem().Rename(from, to, reason);
    }
    void Remove(const std::string& path) override {
        removed.push_back(path);
        if (path != "/dev/full")
            DefaultPartFileSystem().Remove(path);
    }

    bool FlushesBesideWrites() const override { return flushBeside; }

    bool refuseCreate = false, useDevFull = false, failClose = false, failRename = false;
    bool flushBeside = false; // close (flush) files on a thread while later ones are written
    int failCloseOf = 0;      // the file, counted from 1, whose close fails
    size_t diskRoom = SIZE_MAX;
    int creates = 0;
    std::vector<std::string> temps, removed;
};

} // namespace

class ReliabilityWrite : public ScratchDir {
protected:
    void SetUp() override {
        ScratchDir::SetUp();
        source_ = Path("book.mp3");
        fs::copy_file(Fixture("id3v1_track.mp3"), source_);
        OpenResult r;
        st_ = Open(source_, false, &r);
        ASSERT_TRUE(r.ok) << r.message;
        const auto n = static_cast<int32_t>(st_->FrameCount);
        CutAt(*st_, {n / 4, n / 2, 3 * n / 4});
        ASSERT_EQ(PartCount(*st_), 4);
        st_->IsSaveTags = true;
        ClearTag(st_->FileTag);
        for (int i = 1; i <= 4; ++i) {
            st_->Parts[size_t(i - 1)].own = PartTagV2{.track = std::to_string(i)};
            st_->Parts[size_t(i - 1)].ownFields = kTagTrack;
        }
        out_ = dir_ / "out";
        fs::create_directories(out_);
        st_->OutputFolder = out_.string();
    }

    // What part i's file must hold: its frames and its tag.
    std::vector<uint8_t> Expected(int i) const {
        const PartBytes bytes = SourcePartBytes(*st_, *st_, i);
        const std::span<const uint8_t> part = bytes.bytes();
        std::vector<uint8_t> b(part.begin(), part.end());
        const Id3v1Record tag = PartId3v1(*st_, i);
        b.insert(b.end(), tag.begin(), tag.end());
        return b;
    }
    std::string Name(int n) const {
        return (out_ / ("book-0" + std::to_string(n) + ".mp3")).string();
    }

    // After a failed split: the first `good` parts written whole, nothing else
    // in the folder but `extra`, the failed part not saved, the program
    // counting on, and a second split with a working file system.
    void ExpectRecovered(int good, const std::vector<std::string>& extra = {}) {
        std::vector<std::string> want;
        for (int i = 1; i <= good; ++i) {
            want.push_back("book-0" + std::to_string(i) + ".mp3");
            EXPECT_EQ(ReadBytes(Name(i)), Expected(i)) << "part " << i;
            EXPECT_TRUE(PartSaved(*st_, i)) << i;
        }
        for (const auto& e : extra)
            want.push_back(e);
        std::sort(want.begin(), want.end());
        EXPECT_EQ(Listing(out_), want);
        EXPECT_FALSE(PartSaved(*st_, good + 1));
        EXPECT_EQ(st_->SplitFileCount, good + 1) << "the failed part keeps its number";

        // Still usable: the next split numbers on after the failed part.
        for (int i = 1; i <= 4; ++i)
            st_->Parts[i - 1].ticked = i >= 3;
        const SplitResult again = SplitParts(*st_, *st_, *st_);
        ASSERT_TRUE(again.ok) << again.error;
        ASSERT_EQ(again.written.size(), 2u);
        EXPECT_EQ(again.written[0], Name(good + 2));
        EXPECT_EQ(ReadBytes(again.written[0]), Expected(3));
        EXPECT_EQ(ReadBytes(again.written[1]), Expected(4));
        EXPECT_EQ(st_->SplitFileCount, good + 3);
    }

    std::string source_;
    fs::path out_;
    std::unique_ptr<ProgramState> st_;
};

// The output folder is gone: the first part cannot be created, the message
// names its path, nothing is written and the folder is not created.
TEST_F(ReliabilityWrite, MissingOutputFolder) {
    const std::string missing = (dir_ / "gone").string();
    st_->OutputFolder = missing;
    const SplitResult r = SplitParts(*st_, *st_, *st_);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error,
              "Cannot create file \"" + missing + "/book-01.mp3\". " + std::strerror(ENOENT));
    EXPECT_TRUE(r.written.empty());
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_EQ(st_->SplitFileCount, 1);
    EXPECT_FALSE(PartSaved(*st_, 1));
    st_->OutputFolder = out_.string();
    ExpectRecovered(0, {});
}

// A folder without write permission (root passes permission bits, so the
// refusal comes through the file-system seam) stops the split at the part
// that cannot be created.
TEST_F(ReliabilityWrite, FolderRefusesNewFiles) {
    FaultyFileSystem fsys;
    fsys.refuseCreate = true;
    const SplitResult r = SplitParts(*st_, *st_, *st_, fsys);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Cannot create file \"" + Name(1) + "\". " + std::strerror(EACCES));
    EXPECT_EQ(fsys.creates, 1) << "the split stops at the first failure";
    ExpectRecovered(0);
}

// The disk fills while part 3 is written: parts 1 and 2 are complete, the
// partial temporary file is removed, an older book-03.mp3 survives unchanged.
TEST_F(ReliabilityWrite, DiskFillsDuringAPart) {
    const std::vector<uint8_t> older = {'o', 'l', 'd'};
    WriteBytes(Name(3), older);
    FaultyFileSystem fsys;
    fsys.diskRoom = Expected(1).size() + Expected(2).size() + 700;
    SplitOptions replace; // the older book-03.mp3 may be replaced, once complete
    replace.overwrite = true;
    const SplitResult r = SplitParts(*st_, *st_, *st_, replace, fsys);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Cannot write " + Name(3) + ": No space left on device");
    EXPECT_TRUE(r.diskFull);
    EXPECT_EQ(r.written, (std::vector<std::string>{Name(1), Name(2)}));
    ASSERT_EQ(fsys.temps.size(), 3u);
    EXPECT_FALSE(fs::exists(fsys.temps[2])) << "the partial file is removed";
    EXPECT_EQ(ReadBytes(Name(3)), older);
    ExpectRecovered(2, {"book-03.mp3"});
}

// The same with the kernel's full device: writes fail with ENOSPC.
TEST_F(ReliabilityWrite, DevFullReportsStreamWriteError) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    FaultyFileSystem fsys;
    fsys.useDevFull = true;
    const SplitResult r = SplitParts(*st_, *st_, *st_, fsys);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Cannot write " + Name(1) + ": No space left on device");
    EXPECT_TRUE(r.written.empty());
    EXPECT_EQ(fsys.removed, (std::vector<std::string>{"/dev/full"}));
    ExpectRecovered(0);
}

// Every byte written but the close (the final flush) fails, and a rename
// that fails: no file under the part's name, no temporary left behind.
TEST_F(ReliabilityWrite, CloseAndRenameFailures) {
    {
        FaultyFileSystem fsys;
        fsys.failClose = true;
        const SplitResult r = SplitParts(*st_, *st_, *st_, fsys);
        EXPECT_EQ(r.error, "Cannot write " + Name(1) + ": " + std::strerror(EIO));
        EXPECT_TRUE(Listing(out_).empty());
        EXPECT_EQ(st_->SplitFileCount, 1);
    }
    {
        FaultyFileSystem fsys;
        fsys.failRename = true;
        const SplitResult r = SplitParts(*st_, *st_, *st_, fsys);
        EXPECT_EQ(r.error, "Cannot create file \"" + Name(2) + "\". " + std::strerror(EIO));
        EXPECT_TRUE(Listing(out_).empty());
        EXPECT_EQ(st_->SplitFileCount, 2);
    }
    // Still usable: the next split numbers on after the two failed parts.
    const SplitResult again = SplitParts(*st_, *st_, *st_);
    ASSERT_TRUE(again.ok) << again.error;
    ASSERT_EQ(again.written.size(), 4u);
    EXPECT_EQ(again.written[0], Name(3));
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(ReadBytes(again.written[i - 1]), Expected(i)) << i;
    }
}

// Files flushed on a thread while the next are written: when one file's flush
// fails, the parts written after it are not named either, their temporaries
// go and their numbers are given back. The first file fails once every part
// is written; the second while the first is named.
TEST_F(ReliabilityWrite, FlushFailureWhileLaterPartsAreWritten) {
    for (const int failing : {1, 2}) {
        SCOPED_TRACE(failing);
        SetUp();
        FaultyFileSystem fsys;
        fsys.flushBeside = true;
        fsys.failCloseOf = failing;
        const SplitResult r = SplitParts(*st_, *st_, *st_, fsys);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, "Cannot write " + Name(failing) + ": " + std::strerror(EIO));
        EXPECT_EQ(r.failedPart, failing);
        EXPECT_EQ(r.written.size(), size_t(failing - 1));
        EXPECT_GT(fsys.creates, failing) << "later parts were written while it flushed";
        for (const auto& t : fsys.temps)
            EXPECT_FALSE(fs::exists(t)) << t;
        ExpectRecovered(failing - 1);
    }
}

// Real file systems, when the machine lets us mount a tmpfs: a read-only one
// (root passes permission bits, not this) and one of 16 KiB that fills.
TEST_F(ReliabilityWrite, RealReadOnlyAndFullDisksWhenMountable) {
    const fs::path ro = dir_ / "readonly", small = dir_ / "small";
    fs::create_directories(ro);
    fs::create_directories(small);
    if (::geteuid() != 0 ||
        RunCommand("mount -t tmpfs -o ro,size=64k tmpfs " + Quote(ro.string()) + " 2>/dev/null")
                .status != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs here";
    }
    st_->OutputFolder = ro.string();
    const SplitResult r1 = SplitParts(*st_, *st_, *st_);
    const std::vector<std::string> leftRo = Listing(ro);
    RunCommand("umount " + Quote(ro.string()));
    EXPECT_FALSE(r1.ok);
    EXPECT_EQ(r1.error,
              "Cannot create file \"" + ro.string() + "/book-01.mp3\". " + std::strerror(EROFS));
    EXPECT_TRUE(leftRo.empty());
    EXPECT_EQ(st_->SplitFileCount, 1);

    ASSERT_EQ(
        RunCommand("mount -t tmpfs -o size=16k tmpfs " + Quote(small.string()) + " 2>&1").status,
        0);
    st_->OutputFolder = small.string();
    const SplitResult r2 = SplitParts(*st_, *st_, *st_);
    const std::vector<std::string> leftSmall = Listing(small);
    std::vector<std::vector<uint8_t>> contents;
    for (const auto& f : r2.written)
        contents.push_back(ReadBytes(f));
    RunCommand("umount " + Quote(small.string()));
    EXPECT_FALSE(r2.ok);
    EXPECT_EQ(r2.error.rfind("Cannot write " + small.string() + "/book-0", 0), 0u) << r2.error;
    EXPECT_TRUE(r2.diskFull) << r2.error;
    ASSERT_LT(r2.written.size(), 4u);
    // Only the whole part files are there, no temporary; each one complete.
    EXPECT_EQ(leftSmall.size(), r2.written.size());
    for (size_t k = 0; k < contents.size(); ++k) {
        EXPECT_EQ(contents[k], Expected(static_cast<int>(k) + 1)) << k;
    }
    EXPECT_EQ(st_->SplitFileCount, 1 + static_cast<int>(r2.written.size()) + 1);

    st_->OutputFolder = out_.string();
    const SplitResult r3 = SplitParts(*st_, *st_, *st_);
    EXPECT_TRUE(r3.ok) << r3.error;
    EXPECT_EQ(r3.written.size(), 4u);
}

// The command line reports an output folder that is missing and cannot be
// made (the name is a link to a folder that does not exist) and exits non-zero.
TEST_F(ReliabilityWrite, CommandLineMissingFolder) {
    fs::create_directory_symlink(Path("gone/away"), Path("nowhere"));
    const CommandResult r = RunCommand(std::string(TESSIVO_CLI) + " split " + Quote(source_) +
                                       " --parts 3 --out " + Quote(Path("nowhere")) + " 2>&1");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.out.find("Cannot create file \"" + Path("nowhere") + "/book-01.mp3\"."),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(fs::exists(Path("nowhere")));
}
