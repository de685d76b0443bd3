// What the document gives an undo history: the table before and after each
// edit of the part table, a way to put a table back, and whether edits are
// waiting for a split.
#include "analysis_test_support.h"

#include "core/parts/part_access.h"

#include "core/document/document.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using analysis_test::Analyse;
using tessivo::Document;
using tessivo::DocumentChange;
using tessivo::EditKind;
using tessivo::PartTable;

struct Recorded {
    EditKind kind;
    std::unique_ptr<PartTable> before, after;
};

class DocumentHistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto analysed = Analyse("long65.mp3", true);
        ASSERT_GT(analysed->FrameCount, 1000u);
        doc_.AdoptFile(std::move(*analysed));
        doc_.SetEditRecorder(
            [this](EditKind kind, const PartTable& before, const PartTable& after) {
                edits_.push_back({kind, std::make_unique<PartTable>(before),
                                  std::make_unique<PartTable>(after)});
            });
        doc_.Subscribe([this](DocumentChange c) { changes_.push_back(c); });
    }

    tessivo::ProgramState st_;
    Document doc_{st_};
    std::vector<Recorded> edits_;
    std::vector<DocumentChange> changes_;
};

TEST_F(DocumentHistoryTest, EveryEditOfThePartTableIsRecordedWithBeforeAndAfter) {
    ASSERT_TRUE(doc_.AddCutLine(300));
    ASSERT_TRUE(doc_.AddCutLine(600));
    EXPECT_EQ(doc_.MoveCutLine(2, 350), 2);
    ASSERT_TRUE(doc_.SetPartUsed(1, false));
    tessivo::TagFields fields;
    fields.title = "Chapter";
    fields.track = "0";
    ASSERT_TRUE(doc_.StoreTagFields(2, fields));
    ASSERT_TRUE(doc_.DeleteCutLine(3));
    doc_.ClearCutLines();

    ASSERT_EQ(edits_.size(), 7u);
    const std::vector<EditKind> kinds = {
        EditKind::AddCutLine, EditKind::AddCutLine,    EditKind::MoveCutLine,  EditKind::TickPart,
        EditKind::SetTag,     EditKind::DeleteCutLine, EditKind::ClearCutLines};
    for (size_t i = 0; i < kinds.size(); ++i)
        EXPECT_EQ(edits_[i].kind, kinds[i]) << i;
    EXPECT_EQ(PartCount(*edits_[0].before), 1);
    EXPECT_EQ(PartCount(*edits_[0].after), 2);
    EXPECT_EQ(PartFirstFrame(*edits_[2].before, 2), 300);
    EXPECT_EQ(PartFirstFrame(*edits_[2].after, 2), 350);
    EXPECT_TRUE(PartTicked(*edits_[3].before, 1));
    EXPECT_FALSE(PartTicked(*edits_[3].after, 1));
    EXPECT_NE(EffectivePartTag(*edits_[4].before, 2), EffectivePartTag(*edits_[4].after, 2));
    // Each edit starts from where the one before it ended.
    for (size_t i = 1; i < edits_.size(); ++i)
        EXPECT_EQ(PartCount(*edits_[i].before), PartCount(*edits_[i - 1].after)) << i;
}

TEST_F(DocumentHistoryTest, RefusedEditsAndSelectionAreNotRecorded) {
    EXPECT_FALSE(doc_.AddCutLine(static_cast<int32_t>(st_.FrameCount) - 2));
    EXPECT_FALSE(doc_.DeleteCutLine(2));
    ASSERT_TRUE(doc_.AddCutLine(300));
    edits_.clear();
    EXPECT_EQ(doc_.MoveCutLine(2, 300), 2); // where it already is
    EXPECT_TRUE(doc_.SelectPart(2));
    EXPECT_FALSE(doc_.SetPartUsed(1, true)); // already ticked
    EXPECT_TRUE(edits_.empty());
}

TEST_F(DocumentHistoryTest, PrepareIsRecordedAndRestoringPutsTheTableBack) {
    ASSERT_TRUE(doc_.AddCutLine(500));
    ASSERT_TRUE(doc_.SelectPart(2));
    const PartTable kept = st_;
    tessivo::PrepareInput in;
    in.mode = "parts";
    in.parts = 5;
    doc_.SetSplitMode(in.mode);
    ASSERT_TRUE(doc_.Prepare(in).acted);
    ASSERT_EQ(PartCount(st_), 5);
    ASSERT_EQ(edits_.back().kind, EditKind::Prepare);
    st_.SplitFileCount = 3;
    changes_.clear();
    const size_t recorded = edits_.size();

    doc_.RestoreParts(*edits_.back().before);
    EXPECT_EQ(PartCount(st_), 2);
    EXPECT_EQ(PartFirstFrame(st_, 2), PartFirstFrame(kept, 2));
    EXPECT_EQ(PartCount(kept), 2);
    EXPECT_EQ(st_.SelectedPart, 2);
    // The split choices and the file counter are not part of the edit.
    EXPECT_EQ(st_.SplitMode, "parts");
    EXPECT_EQ(st_.SplitFileCount, 3);
    // One notification naming everything a table holds; not itself recorded.
    ASSERT_EQ(changes_.size(), 1u);
    for (DocumentChange c : {DocumentChange::CutLines, DocumentChange::PartMarks,
                             DocumentChange::Tags, DocumentChange::Selection})
        EXPECT_TRUE(tessivo::HasChange(changes_[0], c));
    EXPECT_EQ(edits_.size(), recorded);

    doc_.RestoreParts(*edits_.back().after);
    EXPECT_EQ(PartCount(st_), 5);
}

TEST_F(DocumentHistoryTest, UnsplitEditsUntilASplitOrAnotherFile) {
    EXPECT_FALSE(doc_.HasUnsplitEdits());
    doc_.SelectPart(1);
    EXPECT_FALSE(doc_.HasUnsplitEdits()); // selecting is not an edit
    ASSERT_TRUE(doc_.AddCutLine(900));
    EXPECT_TRUE(doc_.HasUnsplitEdits());

    const auto folder =
        std::filesystem::temp_directory_path() /
        ("tessivo_history_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(folder);
    doc_.SetOutputFolder(folder.string());
    const tessivo::SplitResult result =
        doc_.Split(tessivo::DefaultPartFileSystem(), tessivo::SplitOptions{});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.written.size(), 2u);
    EXPECT_FALSE(doc_.HasUnsplitEdits());
    std::filesystem::remove_all(folder);

    ASSERT_TRUE(doc_.SetPartUsed(2, false));
    EXPECT_TRUE(doc_.HasUnsplitEdits());
    EXPECT_EQ(st_.SplitFileCount, 2);
    doc_.AdoptFile(std::move(*Analyse("cbr128_stereo.mp3", true)));
    EXPECT_FALSE(doc_.HasUnsplitEdits());
    EXPECT_EQ(st_.SplitFileCount, 0); // the new file's parts count from 1
}

TEST_F(DocumentHistoryTest, AKeptTableComesBackExactlyAndStaysSmall) {
    ASSERT_TRUE(doc_.AddCutLine(300));
    ASSERT_TRUE(doc_.AddCutLine(600));
    ASSERT_TRUE(doc_.SetPartUsed(2, false));
    tessivo::TagFields fields;
    fields.title = "Zwölf Ünïcode titles, longer than thirty characters";
    fields.artist = "Ærtist";
    ASSERT_TRUE(doc_.StoreTagFields(3, fields));
    // Three parts with their tags: a few hundred bytes, whatever the limit of
    // 999 parts.
    EXPECT_LT(sizeof(PartTable), 1024u);
    // A number beyond the parts stores nothing.
    EXPECT_FALSE(doc_.StoreTagFields(900, fields));
    const PartTable& table = st_;
    const PartTable back = table;
    EXPECT_EQ(PartCount(back), 3);
    EXPECT_TRUE(back == table);
    EXPECT_FALSE(PartTicked(back, 2));
    EXPECT_EQ(EffectivePartTag(back, 3).fields.title, fields.title);
    // An undo puts exactly this table back.
    ASSERT_TRUE(doc_.DeleteCutLine(3));
    doc_.RestoreParts(back);
    EXPECT_TRUE(static_cast<const PartTable&>(st_) == back);
}

} // namespace
