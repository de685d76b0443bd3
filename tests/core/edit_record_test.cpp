// Edit records: an edit survives the text exactly (cut frames and samples,
// ticks, own tag fields, the file tag), comes back through the document as
// one recorded edit, and is refused for a file that changed since. The store
// keeps one record per state of a file, offers only unchanged files and
// removes records older than 30 days.
#include "reliability_support.h"

#include "core/analysis/time_base.h"
#include "core/document/document.h"
#include "core/document/edit_record.h"
#include "core/document/recovery_store.h"
#include "core/parts/part_access.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <fstream>
#include <sstream>

namespace {

using namespace tessivo;
using reliability::ScratchDir;
namespace fs = std::filesystem;

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Sets the modification time of `path` to `seconds` since 1970.
void SetModified(const std::string& path, time_t seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

class EditRecordTest : public ScratchDir {
protected:
    void SetUp() override {
        ScratchDir::SetUp();
        source_ = Path("talk.mp3");
        reliability::WriteBytes(source_,
                                reliability::ReadBytes(reliability::Fixture("long65.mp3")));
        Open(doc_, source_);
    }

    static void Open(Document& doc, const std::string& path) {
        ProgramState analysed;
        ASSERT_TRUE(AnalyseFile(analysed, analysed, path, false).ok) << path;
        doc.AdoptFile(std::move(analysed));
    }

    // Cuts on the frame grid and at exact samples, ticks and own fields of
    // every kind, texts no line format would keep by accident.
    void MakeEdit() {
        ASSERT_TRUE(doc_.AddCutLine(400));
        const TimeBase tb = TimeBaseOf(st_);
        ASSERT_TRUE(doc_.AddCutLineAtSample(FrameStartSample(tb, 900) + 317));
        ASSERT_TRUE(doc_.AddCutLine(1500));
        ASSERT_TRUE(doc_.SetPartUsed(2, false));
        PartTagV2 tag;
        tag.title = "Chapter \\one\\\nsecond line\r ";
        tag.artist = "Ærø  ";
        tag.track = "7/9";
        ASSERT_TRUE(doc_.SetPartTag(3, tag, kTagTitle | kTagArtist | kTagTrack));
        tag = {};
        tag.comment = "n\\n is not a line feed";
        ASSERT_TRUE(doc_.SetPartTag(1, tag, kTagComment));
        ASSERT_TRUE(doc_.SelectPart(3));
    }

    std::string source_;
    ProgramState st_;
    Document doc_{st_};
};

TEST_F(EditRecordTest, TheTextGivesBackEveryFieldOfTheEdit) {
    MakeEdit();
    EditRecord record = EditRecordOf(st_, st_);
    record.fileTag.present = true;
    record.fileTag.fields.album = "Live\nat the \\Hall";
    record.parts[3].writtenFile = "/out/talk - part 4.mp3";
    ASSERT_EQ(record.parts.size(), 4u);
    ASSERT_GE(record.parts[2].cutSample, 0);

    const std::string text = EditRecordText(record);
    EditRecord back;
    std::string error;
    ASSERT_TRUE(ParseEditRecord(text, back, error)) << error;
    EXPECT_EQ(back, record);
    EXPECT_EQ(back.parts[2].cutSample, FrameStartSample(TimeBaseOf(st_), 900) + 317);
    EXPECT_EQ(back.parts[2].own.title, "Chapter \\one\\\nsecond line\r ");
    // One item a line: the texts' line feeds are escaped.
    EXPECT_NE(text.find("title Chapter \\\\one\\\\\\nsecond line\\r \n"), std::string::npos);
    EXPECT_NE(text.find("part 400 -1 0 0\n"), std::string::npos);
}

TEST_F(EditRecordTest, TextsThatAreNotAWholeRecordAreRefused) {
    MakeEdit();
    const std::string text = EditRecordText(EditRecordOf(st_, st_));
    EditRecord out;
    std::string error;
    EXPECT_FALSE(ParseEditRecord(text.substr(0, text.size() - 4), out, error));
    EXPECT_EQ(error, "it is cut short");
    std::string other = text;
    other.replace(other.find(" 1\n"), 3, " 2\n");
    EXPECT_FALSE(ParseEditRecord(other, out, error));
    std::string unordered = text;
    unordered.replace(unordered.find("part 400 "), 9, "part 4000 ");
    EXPECT_FALSE(ParseEditRecord(unordered, out, error));
    EXPECT_EQ(error, "its parts are out of order");
    std::string escape = text;
    escape.replace(escape.find("7/9"), 3, "7\\x");
    EXPECT_FALSE(ParseEditRecord(escape, out, error));
    EXPECT_EQ(out, EditRecord{}); // nothing half read is handed out
}

TEST_F(EditRecordTest, RestoreBringsTheEditBackAsOneRecordedEdit) {
    MakeEdit();
    const EditRecord record = EditRecordOf(st_, st_);

    ProgramState fresh;
    Document doc(fresh);
    Open(doc, source_);
    std::vector<EditKind> recorded;
    doc.SetEditRecorder([&](EditKind kind, const PartTable& before, const PartTable& after) {
        recorded.push_back(kind);
        EXPECT_EQ(before.Parts.size(), 1u);
        EXPECT_EQ(after.Parts, record.parts);
    });
    int notes = 0;
    doc.Subscribe([&](DocumentChange c) {
        ++notes;
        EXPECT_TRUE(HasChange(c, DocumentChange::CutLines));
        EXPECT_TRUE(HasChange(c, DocumentChange::Tags));
    });
    EXPECT_EQ(doc.RestoreEdit(record), "");
    EXPECT_EQ(recorded, std::vector<EditKind>{EditKind::RestoreEdit});
    EXPECT_EQ(notes, 1);
    EXPECT_EQ(fresh.Parts, st_.Parts);
    EXPECT_EQ(fresh.FileTag, st_.FileTag);
    EXPECT_EQ(fresh.SelectedPart, 3);
    EXPECT_TRUE(doc.HasUnsplitEdits());
}

TEST_F(EditRecordTest, MutedStretchesAndReviewedCutsGoWithTheEdit) {
    MakeEdit();
    std::vector<EditKind> recorded;
    doc_.SetEditRecorder(
        [&](EditKind kind, const PartTable&, const PartTable&) { recorded.push_back(kind); });
    ASSERT_TRUE(doc_.Mute(100, 200));
    ASSERT_TRUE(doc_.Mute(600, 700));
    // Touching and overlapping stretches join; one inside a stretch is none.
    ASSERT_TRUE(doc_.Mute(180, 250));
    EXPECT_FALSE(doc_.Mute(120, 130));
    EXPECT_FALSE(doc_.Mute(300, 300));
    EXPECT_EQ(st_.Muted, (std::vector<MutedStretch>{{100, 250}, {600, 700}}));
    EXPECT_EQ(recorded, std::vector<EditKind>(3, EditKind::Mute));
    // Marking a cut looked at is kept, but is no edit to undo.
    ASSERT_TRUE(doc_.MarkCutReviewed(3));
    EXPECT_FALSE(doc_.MarkCutReviewed(3));
    ASSERT_TRUE(doc_.MarkCutReviewed(2));
    EXPECT_FALSE(doc_.MarkCutReviewed(1)); // the file's start is no cut
    EXPECT_EQ(recorded.size(), 3u);
    EXPECT_EQ(st_.ReviewedCuts, (std::vector<int32_t>{400, PartFirstFrame(st_, 3)}));

    const std::string text = EditRecordText(EditRecordOf(st_, st_));
    EXPECT_NE(text.find("\nmute 100 250\nmute 600 700\n"), std::string::npos) << text;
    EditRecord back;
    std::string error;
    ASSERT_TRUE(ParseEditRecord(text, back, error)) << error;
    EXPECT_EQ(back.muted, st_.Muted);
    EXPECT_EQ(back.reviewedCuts, st_.ReviewedCuts);

    ProgramState fresh;
    Document doc(fresh);
    Open(doc, source_);
    EXPECT_EQ(doc.RestoreEdit(back), "");
    EXPECT_EQ(fresh.Muted, st_.Muted);
    EXPECT_EQ(fresh.ReviewedCuts, st_.ReviewedCuts);

    std::string unordered = text;
    unordered.replace(unordered.find("mute 600 700"), 12, "mute 200 700");
    EXPECT_FALSE(ParseEditRecord(unordered, back, error));
    EXPECT_EQ(error, "its muted stretches are out of order");
    std::string past = text;
    past.replace(past.find("mute 600 700"), 12, "mute 600 9999999");
    ASSERT_TRUE(ParseEditRecord(past, back, error)) << error;
    EXPECT_EQ(EditRecordRefusal(back, st_), "a muted stretch lies past the end of the file");

    // Undo takes the muted stretches back, not the cuts looked at.
    PartTable earlier = st_;
    earlier.Muted.clear();
    earlier.ReviewedCuts.clear();
    doc_.RestoreParts(earlier);
    EXPECT_TRUE(st_.Muted.empty());
    EXPECT_EQ(st_.ReviewedCuts.size(), 2u);
}

TEST_F(EditRecordTest, AChangedFileTakesNoRecord) {
    MakeEdit();
    const EditRecord record = EditRecordOf(st_, st_);
    // The same bytes, another modification time.
    SetModified(source_, 1600000000);
    ProgramState fresh;
    Document doc(fresh);
    Open(doc, source_);
    int notes = 0;
    doc.Subscribe([&](DocumentChange) { ++notes; });
    EXPECT_EQ(doc.RestoreEdit(record), "the file has changed since");
    EXPECT_EQ(fresh.Parts.size(), 1u);
    EXPECT_EQ(notes, 0);

    // A record for this state whose frames do not fit the file.
    EditRecord wrong = record;
    wrong.file = IdentityOf(fresh);
    wrong.parts.back().start = static_cast<int32_t>(fresh.FrameCount);
    EXPECT_EQ(doc.RestoreEdit(wrong), "a part starts past the end of the file");
    EXPECT_EQ(fresh.Parts.size(), 1u);
}

TEST_F(EditRecordTest, TheStoreKeepsOneRecordPerStateOfAFile) {
    MakeEdit();
    const std::string folder = Path("recovery");
    const EditRecord record = EditRecordOf(st_, st_);
    ASSERT_EQ(StoreEditRecord(folder, record), "");
    // Written whole under its identity, no temporary file left.
    EXPECT_EQ(Listing(folder).size(), 1u);
    EXPECT_EQ(ReadText(EditRecordPath(folder, record.file)), EditRecordText(record));

    const std::optional<StoredEdit> found = FindEditRecord(folder, IdentityOf(st_));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->record, record);
    EXPECT_LE(std::abs(found->savedSeconds - static_cast<int64_t>(std::time(nullptr))), 5);
    FileIdentity bigger = IdentityOf(st_);
    ++bigger.size;
    EXPECT_FALSE(FindEditRecord(folder, bigger));

    EXPECT_TRUE(RemoveEditRecord(folder, record.file));
    EXPECT_FALSE(FindEditRecord(folder, record.file));
    EXPECT_TRUE(Listing(folder).empty());
}

TEST_F(EditRecordTest, OnlyRecordsOfUnchangedFilesAreOfferedTheNewestFirst) {
    const std::string folder = Path("recovery");
    const std::string second = Path("other.mp3");
    reliability::WriteBytes(second,
                            reliability::ReadBytes(reliability::Fixture("cbr128_stereo.mp3")));
    ProgramState otherState;
    Document other(otherState);
    Open(other, second);
    ASSERT_TRUE(other.AddCutLine(50));
    ASSERT_TRUE(doc_.AddCutLine(500));
    ASSERT_EQ(StoreEditRecord(folder, EditRecordOf(st_, st_)), "");
    ASSERT_EQ(StoreEditRecord(folder, EditRecordOf(otherState, otherState)), "");
    const time_t now = std::time(nullptr);
    SetModified(EditRecordPath(folder, IdentityOf(st_)), now - 60);
    SetModified(EditRecordPath(folder, IdentityOf(otherState)), now - 120);

    std::optional<StoredEdit> newest = NewestRestorableEdit(folder);
    ASSERT_TRUE(newest);
    EXPECT_EQ(newest->record.file.path, source_);
    EXPECT_EQ(newest->savedSeconds, now - 60);

    // The newer one's file grows: the older is offered, the newer never.
    std::ofstream(source_, std::ios::app) << "x";
    newest = NewestRestorableEdit(folder);
    ASSERT_TRUE(newest);
    EXPECT_EQ(newest->record.file.path, second);
    SetModified(second, 1600000000);
    EXPECT_FALSE(NewestRestorableEdit(folder));
}

TEST_F(EditRecordTest, RecordsOlderThanThirtyDaysAreRemoved) {
    const std::string folder = Path("recovery");
    ASSERT_TRUE(doc_.AddCutLine(500));
    ASSERT_EQ(StoreEditRecord(folder, EditRecordOf(st_, st_)), "");
    const std::string kept = EditRecordPath(folder, IdentityOf(st_));
    EditRecord old = EditRecordOf(st_, st_);
    old.file.size += 1;
    ASSERT_EQ(StoreEditRecord(folder, old), "");
    const std::string gone = EditRecordPath(folder, old.file);
    // A temporary file a crash left while writing.
    const std::string leftover = kept + ".tmp99-0";
    std::ofstream(leftover) << "Tessivo edit";
    const time_t now = std::time(nullptr);
    SetModified(kept, now - 29 * 24 * 3600);
    SetModified(gone, now - 31 * 24 * 3600);
    SetModified(leftover, now - 31 * 24 * 3600);

    PruneEditRecords(folder, now);
    EXPECT_TRUE(fs::exists(kept));
    EXPECT_FALSE(fs::exists(gone));
    EXPECT_FALSE(fs::exists(leftover));
}

TEST_F(EditRecordTest, AFolderThatCannotBeWrittenIsNamedWithTheReason) {
    ASSERT_TRUE(doc_.AddCutLine(500));
    const std::string blocker = Path("plain");
    std::ofstream(blocker) << "a file, not a folder";
    const std::string error = StoreEditRecord(blocker + "/recovery", EditRecordOf(st_, st_));
    EXPECT_EQ(error.rfind("Unable to write to " + blocker + "/recovery/", 0), 0u) << error;
    EXPECT_NE(error.find(": "), std::string::npos);
}

} // namespace
