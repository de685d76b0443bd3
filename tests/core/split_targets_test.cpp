// Target names of a split: which exist before it runs, refusing to replace
// them, and the names the list shows agreeing with the files written.
#include "core/output/split_parts.h"

#include "core/parts/part_access.h"

#include "core/analysis/open_file.h"
#include "core/output/id3v1_tag.h"
#include "core/parts/cut_lines.h"
#include "core/parts/prepare.h"
#include "part_file_checks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>

using namespace tessivo;
using namespace part_checks;
namespace fs = std::filesystem;

namespace {

std::unique_ptr<ProgramState> FourParts(const fs::path& dir) {
    auto st = std::make_unique<ProgramState>();
    EXPECT_TRUE(AnalyseFile(*st, *st, Fixture("vbr_stereo.mp3"), false).ok);
    ResetToOnePart(*st, *st);
    PrepareEqualParts(*st, *st, 4);
    st->OutputFolder = dir.string();
    return st;
}

// The real file system that says some names exist, and fails a chosen create.
class SeamFileSystem : public PartFileSystem {
public:
    std::set<std::string> present;
    int failCreateAt = 0;
    int creates = 0;
    std::unique_ptr<PartFileWriter> CreateTemp(const std::string& finalPath, std::string& tempPath,
                                               std::string& reason) override {
        if (++creates == failCreateAt) {
            reason = "Permission denied";
            return nullptr;
        }
        return DefaultPartFileSystem().CreateTemp(finalPath, tempPath, reason);
    }
    bool Rename(const std::string& from, const std::string& to, std::string& reason) override {
        return DefaultPartFileSystem().Rename(from, to, reason);
    }
    void Remove(const std::string& path) override { DefaultPartFileSystem().Remove(path); }
    bool Exists(const std::string& path) override {
        return present.count(path) > 0 || PartFileSystem::Exists(path);
    }
};

} // namespace

TEST(SplitTargets, ExistingNamesAreCountedAndTheSplitWritesNothing) {
    const fs::path dir = FreshFolder("tessivo_targets");
    auto st = FourParts(dir);
    st->Parts[0].ticked = false;
    // Part 2 is written as 01, part 4 as 03: both names stand already.
    WriteText((dir / "vbr_stereo-01.mp3").string(), "older one");
    WriteText((dir / "vbr_stereo-03.mp3").string(), "older three");
    WriteText((dir / "vbr_stereo-04.mp3").string(), "not a target");
    const ExistingTargets existing = ExistingPartFiles(*st, *st, *st, DefaultPartFileSystem());
    EXPECT_EQ(existing.count, 2);
    EXPECT_EQ(existing.first, (dir / "vbr_stereo-01.mp3").string());

    const SplitResult r = SplitParts(*st, *st, *st);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.refused);
    EXPECT_EQ(r.error, "File exists: " + (dir / "vbr_stereo-01.mp3").string() +
                           " (use --overwrite to replace it)");
    EXPECT_TRUE(r.written.empty());
    EXPECT_EQ(st->SplitFileCount, 0);
    for (int i = 1; i <= 4; ++i)
        EXPECT_FALSE(PartSaved(*st, i));
    EXPECT_EQ(Listing(dir), (std::vector<std::string>{"vbr_stereo-01.mp3", "vbr_stereo-03.mp3",
                                                      "vbr_stereo-04.mp3"}));
    const std::vector<uint8_t> one = ReadBytes((dir / "vbr_stereo-01.mp3").string());
    EXPECT_EQ(std::string(one.begin(), one.end()), "older one");

    // Told to replace them, the split writes all three.
    SplitOptions replace;
    replace.overwrite = true;
    const SplitResult again = SplitParts(*st, *st, *st, replace);
    ASSERT_TRUE(again.ok) << again.error;
    EXPECT_EQ(again.written.size(), 3u);
    EXPECT_NE(ReadBytes((dir / "vbr_stereo-01.mp3").string()), one);
    const std::vector<uint8_t> four = ReadBytes((dir / "vbr_stereo-04.mp3").string());
    EXPECT_EQ(std::string(four.begin(), four.end()), "not a target");
    fs::remove_all(dir);
}

TEST(SplitTargets, TheFileSystemSeamDecidesWhatExists) {
    const fs::path dir = FreshFolder("tessivo_targets");
    auto st = FourParts(dir);
    SeamFileSystem seam;
    seam.present.insert((dir / "vbr_stereo-04.mp3").string());
    const SplitResult r = SplitParts(*st, *st, *st, seam);
    EXPECT_TRUE(r.refused);
    EXPECT_EQ(seam.creates, 0);
    EXPECT_TRUE(Listing(dir).empty());
    fs::remove_all(dir);
}

TEST(SplitTargets, ListNamesAreTheNamesWrittenAcrossSplits) {
    const fs::path dir = FreshFolder("tessivo_targets");
    auto st = FourParts(dir);
    st->Parts[1].ticked = false;
    std::vector<std::string> planned = PlannedPartPaths(*st, *st, *st);
    ASSERT_EQ(planned.size(), 5u);
    EXPECT_TRUE(planned[2].empty());
    EXPECT_EQ(fs::path(planned[3]).filename(), "vbr_stereo-02.mp3");
    SplitResult r = SplitParts(*st, *st, *st);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.writtenParts, (std::vector<int>{1, 3, 4}));
    for (size_t k = 0; k < r.written.size(); ++k)
        EXPECT_EQ(r.written[k], planned[static_cast<size_t>(r.writtenParts[k])]);

    // The next split's names go on after the last number used.
    planned = PlannedPartPaths(*st, *st, *st);
    EXPECT_EQ(fs::path(planned[1]).filename(), "vbr_stereo-04.mp3");
    EXPECT_EQ(fs::path(planned[4]).filename(), "vbr_stereo-06.mp3");
    r = SplitParts(*st, *st, *st);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.written.back(), planned[4]);
    fs::remove_all(dir);
}

TEST(SplitTargets, AFailedSplitNamesThePlannedFileAndSavesOnlyWhatWasWritten) {
    const fs::path dir = FreshFolder("tessivo_targets");
    auto st = FourParts(dir);
    const std::vector<std::string> planned = PlannedPartPaths(*st, *st, *st);
    SeamFileSystem seam;
    seam.failCreateAt = 2;
    const SplitResult r = SplitParts(*st, *st, *st, seam);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failedPart, 2);
    EXPECT_EQ(r.failedPath, planned[2]);
    EXPECT_EQ(r.error, "Cannot create file \"" + planned[2] + "\". Permission denied");
    EXPECT_TRUE(PartSaved(*st, 1));
    for (int i = 2; i <= 4; ++i)
        EXPECT_FALSE(PartSaved(*st, i)) << i;
    EXPECT_EQ(Listing(dir), std::vector<std::string>{fs::path(planned[1]).filename().string()});

    // The list: part 1 under the file it was written to, the others under the
    // names the next split gives them (after the number the failed part took).
    const std::vector<std::string> names = PartListFileNames(*st, *st, *st);
    EXPECT_EQ(names[1], planned[1]);
    EXPECT_EQ(fs::path(names[2]).filename(), "vbr_stereo-04.mp3");
    EXPECT_EQ(fs::path(names[4]).filename(), "vbr_stereo-06.mp3");
    const SplitResult next = SplitParts(*st, *st, *st);
    ASSERT_TRUE(next.ok) << next.error;
    EXPECT_EQ(next.written[1], names[2]);
    EXPECT_EQ(PartListFileNames(*st, *st, *st)[1], next.written[0]);
    fs::remove_all(dir);
}
