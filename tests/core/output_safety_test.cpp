// No output replaces an input or another output of the same run: the same
// path, a symlink, a hard link, same-named files of two folders in a batch,
// a source named like another source's part. Every source stays byte for
// byte as it was; the exit status and the summary say what happened. Also:
// the note on parts an earlier split left, and cuts -q printing its lists.
#include "cli_test_support.h"

#include <unistd.h>

using namespace cli_test;
using part_checks::Fixture;
using part_checks::Listing;
using part_checks::ReadBytes;

namespace {

class OutputSafety : public CliTest {
protected:
    // Copies fixture `name` to `to` (inside the test folder) and returns its bytes.
    std::vector<uint8_t> Place(const std::string& name, const fs::path& to) {
        fs::create_directories((dir_ / to).parent_path());
        fs::copy_file(Fixture(name), dir_ / to, fs::copy_options::overwrite_existing);
        return ReadBytes((dir_ / to).string());
    }
    std::vector<uint8_t> Bytes(const fs::path& rel) { return ReadBytes((dir_ / rel).string()); }
};

TEST_F(OutputSafety, OneFileOverItsSourceIsRefusedEvenWithOverwrite) {
    const auto before = Place("cbr128_stereo.mp3", "X.mp3");
    const CliRun r = Split({"X.mp3", "--parts", "2", "--one-file", "X.mp3", "--overwrite"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Refusing to write X.mp3: it is an input of this command\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Bytes("X.mp3"), before);
    EXPECT_EQ(Listing(dir_), (std::vector<std::string>{"X.mp3", "out"}));
}

TEST_F(OutputSafety, JoinOverAnInputThroughPathSymlinkOrHardLinkIsRefused) {
    const auto x = Place("cbr128_stereo.mp3", "X.mp3");
    const auto b = Place("silent.mp3", "B.mp3");
    fs::create_symlink("X.mp3", dir_ / "link.mp3");
    fs::create_hard_link(dir_ / "B.mp3", dir_ / "hard.mp3");
    for (const std::string target : {"X.mp3", "link.mp3", "hard.mp3", "B.mp3"}) {
        const CliRun r = Cli({"join", "X.mp3", "B.mp3", "-o", target, "--overwrite"});
        EXPECT_EQ(r.status, 1) << target;
        EXPECT_EQ(r.err, "Refusing to write " + target + ": it is an input of this command\n");
        EXPECT_EQ(Bytes("X.mp3"), x);
        EXPECT_EQ(Bytes("B.mp3"), b);
    }
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.mp3"));
    // A split's parts are refused the same way when one is a link to the source.
    fs::create_symlink("X.mp3", dir_ / "X-02.mp3");
    const CliRun r = Split({"X.mp3", "--parts", "2", "-o", ".", "--overwrite"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Refusing to write ./X-02.mp3: it is an input of this command\n");
    EXPECT_FALSE(fs::exists(dir_ / "X-01.mp3")) << "nothing is written";
    EXPECT_EQ(Bytes("X.mp3"), x);
}

TEST_F(OutputSafety, SameNamesInTwoFoldersGetFoldersOfTheirOwnWithRecursive) {
    const auto a1 = Place("cbr128_stereo.mp3", "in/d1/a.mp3");
    const auto a2 = Place("id3v2.mp3", "in/d2/a.mp3");
    const CliRun r = Split({"in", "-r", "--parts", "2", "-o", "out"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Listing(out_ / "d1" / "a"), (std::vector<std::string>{"a-01.mp3", "a-02.mp3"}));
    EXPECT_EQ(Listing(out_ / "d2" / "a"), (std::vector<std::string>{"a-01.mp3", "a-02.mp3"}));
    EXPECT_NE(r.err.find("2 files split into 4 parts; 0 files failed"), std::string::npos) << r.err;
    // Each set is what a split of its own file alone writes.
    const fs::path single = dir_ / "single";
    fs::create_directories(single);
    ASSERT_EQ(Split({"in/d2/a.mp3", "--parts", "2", "-o", "single"}).status, 0);
    EXPECT_EQ(Contents(out_ / "d2" / "a"), Contents(single));
    EXPECT_EQ(Bytes("in/d1/a.mp3"), a1);
    EXPECT_EQ(Bytes("in/d2/a.mp3"), a2);
}

TEST_F(OutputSafety, SameNamesThatMeetFailTheLaterSourceWhateverTheWorkers) {
    const auto a1 = Place("cbr128_stereo.mp3", "in/d1/a.mp3");
    const auto a2 = Place("id3v2.mp3", "in/d2/a.mp3");
    for (const std::string jobs : {"1", "4"}) {
        fs::remove_all(out_);
        fs::create_directories(out_);
        // --flat, or both files named themselves: their parts meet in one folder.
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"in", "-r", "--flat"},
              std::vector<std::string>{"in/d1/a.mp3", "in/d2/a.mp3"}}) {
            std::vector<std::string> full = args;
            for (const char* a : {"--parts", "2", "-o", "out", "--overwrite", "-j"})
                full.push_back(a);
            full.push_back(jobs);
            const CliRun r = Split(full);
            EXPECT_EQ(r.status, 1) << r.err;
            EXPECT_NE(r.err.find("tessivo-cli split: in/d2/a.mp3: its parts would replace those "
                                 "of in/d1/a.mp3\n"),
                      std::string::npos)
                << r.err;
            EXPECT_NE(r.err.find("1 file split into 2 parts; 1 file failed"), std::string::npos)
                << r.err;
            const std::string folder = args.size() == 3 ? "out" : "out/a";
            EXPECT_EQ(Listing(dir_ / folder), (std::vector<std::string>{"a-01.mp3", "a-02.mp3"}));
            EXPECT_EQ(r.lines,
                      (std::vector<std::string>{folder + "/a-01.mp3", folder + "/a-02.mp3"}));
        }
    }
    // The parts are those of d1/a.mp3.
    const fs::path single = dir_ / "single";
    fs::create_directories(single);
    ASSERT_EQ(Split({"in/d1/a.mp3", "--parts", "2", "-o", "single"}).status, 0);
    EXPECT_EQ(Contents(out_ / "a"), Contents(single));
    EXPECT_EQ(Bytes("in/d1/a.mp3"), a1);
    EXPECT_EQ(Bytes("in/d2/a.mp3"), a2);
}

TEST_F(OutputSafety, ASourceNamedLikeAnotherSourcesPartIsNeverReplaced) {
    const auto x = Place("cbr128_stereo.mp3", "x.mp3");
    const auto older = Place("id3v2.mp3", "x-01.mp3");
    const CliRun r = Split({".", "--flat", "-o", ".", "--parts", "2", "--overwrite"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("tessivo-cli split: ./x.mp3: Refusing to write ./x-01.mp3: it is an "
                         "input of this command\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("1 file split into 2 parts; 1 file failed"), std::string::npos) << r.err;
    EXPECT_EQ(Bytes("x.mp3"), x);
    EXPECT_EQ(Bytes("x-01.mp3"), older);
    EXPECT_FALSE(fs::exists(dir_ / "x-02.mp3")) << "the refused source writes nothing";
    EXPECT_TRUE(fs::exists(dir_ / "x-01-01.mp3"));
    EXPECT_TRUE(fs::exists(dir_ / "x-01-02.mp3"));
}

TEST_F(OutputSafety, PartsOfAnEarlierSplitThatRemainAreNamedOnce) {
    Place("cbr128_stereo.mp3", "x.mp3");
    ASSERT_EQ(Split({"x.mp3", "--parts", "5", "-o", "out"}).status, 0);
    const CliRun r = Split({"x.mp3", "--parts", "2", "-o", "out", "--overwrite"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Note: 3 files of an earlier split remain: x-03.mp3, x-04.mp3, x-05.mp3\n");
    const CliRun again = Split({"x.mp3", "--parts", "4", "-o", "out", "--overwrite"});
    EXPECT_EQ(again.err, "Note: 1 file of an earlier split remains: x-05.mp3\n");
    const CliRun all = Split({"x.mp3", "--parts", "5", "-o", "out", "--overwrite"});
    EXPECT_EQ(all.err, "");
    // A batch tells it as a note of the file.
    Place("silent.mp3", "y.mp3");
    const CliRun batch =
        Split({"x.mp3", "y.mp3", "--parts", "3", "-o", "out", "--flat", "--overwrite"});
    EXPECT_NE(batch.err.find("tessivo-cli split: x.mp3: Note: 2 files of an earlier split "
                             "remain: x-04.mp3, x-05.mp3\n"),
              std::string::npos)
        << batch.err;
}

TEST_F(OutputSafety, QuietCutsPrintsEveryFilesList) {
    Place("cbr128_stereo.mp3", "a.mp3");
    Place("silent.mp3", "b.mp3");
    const CliRun loud = Cli({"cuts", "a.mp3", "b.mp3", "--parts", "2"});
    const CliRun quiet = Cli({"cuts", "a.mp3", "b.mp3", "--parts", "2", "-q"});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out, loud.out);
    EXPECT_NE(quiet.out.find("==> a.mp3 <=="), std::string::npos);
    EXPECT_NE(quiet.out.find("==> b.mp3 <=="), std::string::npos);
    EXPECT_EQ(quiet.err, "");
}

} // namespace
