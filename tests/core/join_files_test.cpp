// Opening the inputs of a join (names in messages, the first refusal, the
// cancel flag) and a cancelled join leaving nothing behind, on the fixtures.
#include "core/output/join_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

namespace tessivo {
namespace {

namespace fs = std::filesystem;

std::string Fixture(const char* name) {
    return std::string(TESSIVO_FIXTURES) + "/" + name;
}

// A fresh empty folder of its own under the system's temporary folder.
fs::path EmptyFolder(const char* name) {
    const fs::path dir = fs::temp_directory_path() /
                         ("tessivo_join_" + std::string(name) + "_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// The real file system; the first write raises the cancel flag.
class CancellingFileSystem : public PartFileSystem {
public:
    explicit CancellingFileSystem(std::atomic<bool>& cancel) : cancel_(cancel) {}
    class Writer : public PartFileWriter {
    public:
        Writer(std::unique_ptr<PartFileWriter> real, std::atomic<bool>& cancel)
            : real_(std::move(real)), cancel_(cancel) {}
        bool Write(const uint8_t* data, size_t size) override {
            cancel_ = true;
            return real_->Write(data, size);
        }
        bool Close() override { return real_->Close(); }

    private:
        std::unique_ptr<PartFileWriter> real_;
        std::atomic<bool>& cancel_;
    };
    std::unique_ptr<PartFileWriter> CreateTemp(const std::string& finalPath, std::string& tempPath,
                                               std::string& reason) override {
        auto real = DefaultPartFileSystem().CreateTemp(finalPath, tempPath, reason);
        return real ? std::make_unique<Writer>(std::move(real), cancel_) : nullptr;
    }
    bool Rename(const std::string& from, const std::string& to, std::string& reason) override {
        return DefaultPartFileSystem().Rename(from, to, reason);
    }
    void Remove(const std::string& path) override { DefaultPartFileSystem().Remove(path); }

private:
    std::atomic<bool>& cancel_;
};

TEST(JoinFiles, TheFirstFileThatDiffersIsNamedAsGivenAndNoLaterOneIsOpened) {
    JoinOpening how;
    how.names = {"A.mp3", "B.mp3", "C.mp3"};
    std::vector<size_t> opened;
    how.fileOpened = [&](size_t i) { opened.push_back(i); };
    const JoinInputs in = OpenJoinInputs(
        {Fixture("cbr128_stereo.mp3"), Fixture("mono.mp3"), Fixture("mpeg2_22k.mp3")}, how);
    EXPECT_EQ(in.error, "Cannot join B.mp3: 1 channel, the first file has 2 channels");
    EXPECT_FALSE(in.ok());
    EXPECT_EQ(opened, (std::vector<size_t>{0, 1}));

    JoinOpening named;
    named.names = {"A.mp3", "R.mp3"};
    const JoinInputs bad =
        OpenJoinInputs({Fixture("cbr128_stereo.mp3"), Fixture("random.mp3")}, named);
    EXPECT_EQ(bad.error, "R.mp3: It is not a MP3 file!");
    // Without names, the paths name the files.
    const JoinInputs rate =
        OpenJoinInputs({Fixture("cbr128_stereo.mp3"), Fixture("mpeg2_22k.mp3")});
    EXPECT_EQ(rate.error, "Cannot join " + Fixture("mpeg2_22k.mp3") +
                              ": 22050 Hz, the first file has 44100 Hz");
}

TEST(JoinFiles, WholeFilesAreTitledByTheirTitleElseTheirName) {
    const JoinInputs in = OpenJoinInputs({Fixture("id3v2.mp3"), Fixture("silent.mp3")});
    ASSERT_TRUE(in.ok()) << in.error;
    const std::vector<FilePiece> pieces = WholeFilePieces(in.files);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].title, ReadSourceTag(in.files[0]).fields.title);
    EXPECT_FALSE(pieces[0].title.empty());
    EXPECT_EQ(pieces[1].title, "silent");
    EXPECT_EQ(pieces[1].lastFrame, in.files[1].IndexedFrames - 1);
    EXPECT_EQ(pieces[1].file, &in.files[1]);
}

TEST(JoinFiles, ACancelledJoinOpensNothingMoreAndWritesNothing) {
    const fs::path dir = EmptyFolder("cancel");
    const std::vector<std::string> paths = {Fixture("cbr128_stereo.mp3"), Fixture("silent.mp3")};
    std::atomic<bool> cancel{true};
    JoinOpening how;
    how.cancel = &cancel;
    const JoinInputs in = OpenJoinInputs(paths, how);
    EXPECT_TRUE(in.cancelled);
    EXPECT_TRUE(in.files.empty());
    OneFileResult r = JoinFiles(paths, (dir / "out.mp3").string(), {}, how);
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.ok);

    // Cancelled once the writing has begun: the temporary file goes too.
    cancel = false;
    CancellingFileSystem cancelling(cancel);
    r = JoinFiles(paths, (dir / "out.mp3").string(), {}, how, cancelling);
    EXPECT_TRUE(r.cancelled);
    EXPECT_TRUE(r.error.empty()) << r.error;
    EXPECT_TRUE(fs::is_empty(dir));

    // Not cancelled: the same join is written.
    cancel = false;
    how.cancel = nullptr;
    r = JoinFiles(paths, (dir / "out.mp3").string(), {}, how);
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(fs::exists(dir / "out.mp3"));
    fs::remove_all(dir);
}

} // namespace
} // namespace tessivo
