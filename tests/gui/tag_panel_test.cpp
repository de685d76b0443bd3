// The tag panel driven by real key presses: what it shows, what Set stores.
#include "ui/output/tag_panel.h"

#include "core/analysis/open_file.h"
#include "core/output/id3v1_tag.h"
#include "core/parts/cut_lines.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <cstring>
#include <gtest/gtest.h>

namespace tessivo {
namespace {

class TagPanelTest : public ::testing::Test {
protected:
    void Open(const char* fixture) {
        const OpenResult r =
            AnalyseFile(st, st, std::string(TESSIVO_FIXTURES) + "/" + fixture, false);
        ASSERT_TRUE(r.ok) << r.message;
        st.FileLoaded = true;
        ResetToOnePart(st, st);
        CopySourceTag(st, st);
        panel = std::make_unique<TagPanel>(doc);
        panel->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
    }
    // Two parts, the second selected.
    void TwoPartsSecondSelected() {
        ASSERT_TRUE(AddCutLine(st, st, static_cast<int32_t>(st.FrameCount / 2)));
        st.SelectedPart = 2;
        panel->showPartTags(2);
    }
    void Retype(QLineEdit* e, const QString& text) {
        e->setFocus();
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Backspace);
        QTest::keyClicks(e, text);
    }
    void ClickSet() { QTest::mouseClick(panel->setButton, Qt::LeftButton); }
    std::string Field(int n, int offset, int width) {
        const Id3v1Record tag = PartId3v1(st, n);
        return std::string(reinterpret_cast<const char*>(tag.data() + offset), width);
    }

    ProgramState st;
    Document doc{st};
    std::unique_ptr<TagPanel> panel;
};

TEST_F(TagPanelTest, GenreBoxListsTheTableSortedAndStartsEmpty) {
    Open("cbr128_stereo.mp3");
    QComboBox* box = panel->genreCombo;
    ASSERT_EQ(box->count(), 148);
    EXPECT_FALSE(box->isEditable());
    EXPECT_EQ(box->currentIndex(), -1);
    for (int i = 1; i < box->count(); ++i)
        EXPECT_LT(box->itemText(i - 1).toStdString(), box->itemText(i).toStdString());
    EXPECT_NE(box->findText("Psychadelic", Qt::MatchExactly), -1);
    EXPECT_NE(box->findText("Trash Metal", Qt::MatchExactly), -1);
    EXPECT_EQ(panel->setButton->text(), "Set");
    EXPECT_EQ(panel->setButton->toolTip(), "Set ID3 Tags");
    EXPECT_EQ(panel->setButtonCaptionColour(), QColor(100, 100, 100));
}

TEST_F(TagPanelTest, OriginalFileShowsTheSourceTagAndItsFullComment) {
    Open("id3v1_notrack.mp3");
    panel->showPartTags(1);
    EXPECT_EQ(panel->partNameLabel->text(), "Original File");
    const std::string sourceComment(reinterpret_cast<const char*>(st.Id3v1Buffer.data() + 97), 28);
    EXPECT_EQ(panel->commentEdit->text().toStdString(),
              sourceComment.substr(0, sourceComment.find('\0')));
    EXPECT_EQ(panel->titleEdit->text().toStdString(), TagTitle(PartId3v1(st, 1)));
    EXPECT_TRUE(panel->genreCombo->currentText().isEmpty()); // genre byte 255
    EXPECT_FALSE(panel->tagsEdited());
    EXPECT_EQ(panel->setButtonCaptionColour(), QColor(100, 100, 100));

    TwoPartsSecondSelected();
    EXPECT_EQ(panel->partNameLabel->text(), "Part(2)");
    EXPECT_EQ(panel->trackEdit->text(), "2"); // no source track: part n gets n
}

// A source without any tag: the panel shows the track each part is written
// with, its number, not a 0.
TEST_F(TagPanelTest, UntaggedSourceShowsThePartsOwnNumbers) {
    Open("cbr128_stereo.mp3");
    TwoPartsSecondSelected();
    EXPECT_EQ(panel->trackEdit->text(), "2");
    panel->showPartTags(1);
    EXPECT_EQ(panel->trackEdit->text(), "1");
}

TEST_F(TagPanelTest, SourceGenreAndTrackAreShown) {
    Open("id3v1_track.mp3");
    panel->showPartTags(1);
    EXPECT_EQ(panel->genreCombo->currentText(), "Rock");
    EXPECT_EQ(panel->trackEdit->text(), "7");
}

TEST_F(TagPanelTest, YearAndTrackTakeDigitsOnlyWithinTheirBounds) {
    Open("cbr128_stereo.mp3");
    TwoPartsSecondSelected();
    Retype(panel->yearEdit, "19a8x");
    EXPECT_EQ(panel->yearEdit->text(), "198");
    QTest::keyClicks(panel->yearEdit, "45");
    EXPECT_EQ(panel->yearEdit->text(), "1984"); // 19845 is above 9999
    EXPECT_EQ(panel->yearEdit->cursorPosition(), 4);

    panel->trackEdit->setFocus();
    panel->trackEdit->selectAll();
    QTest::keyClick(panel->trackEdit, Qt::Key_Backspace);
    QTest::keyClicks(panel->trackEdit, "100");
    EXPECT_EQ(panel->trackEdit->text(), "100");
    QTest::keyClick(panel->trackEdit, Qt::Key_0);
    EXPECT_EQ(panel->trackEdit->text(), "100");
    Retype(panel->trackEdit, "256");
    EXPECT_EQ(panel->trackEdit->text(), "25");

    // Pasted text that is not a number is refused.
    panel->yearEdit->selectAll();
    panel->yearEdit->insert("MCMLXXXIV");
    EXPECT_EQ(panel->yearEdit->text(), "1984");
    panel->trackEdit->selectAll();
    panel->trackEdit->insert("99999999999999999999999");
    EXPECT_EQ(panel->trackEdit->text(), "25");
}

TEST_F(TagPanelTest, EditsBlackenSetAndSetStoresTheSelectedPart) {
    Open("cbr128_stereo.mp3"); // no ID3v1 tag: no file tag
    TwoPartsSecondSelected();
    EXPECT_FALSE(panel->tagsEdited());
    Retype(panel->titleEdit, "Intro");
    EXPECT_TRUE(panel->tagsEdited());
    EXPECT_EQ(panel->setButtonCaptionColour(), QColor(Qt::black));
    Retype(panel->artistEdit, "Band");
    Retype(panel->yearEdit, "99");
    panel->genreCombo->setCurrentIndex(panel->genreCombo->findText("Psychadelic"));
    Retype(panel->trackEdit, "12");
    QSignalSpy stored(panel.get(), &TagPanel::tagsStored);
    ClickSet();
    ASSERT_EQ(stored.count(), 1);
    EXPECT_EQ(stored.first().first().toInt(), 2);
    EXPECT_FALSE(panel->tagsEdited());
    EXPECT_EQ(panel->setButtonCaptionColour(), QColor(90, 90, 90));
    const Id3v1Record tag = PartId3v1(st, 2);
    EXPECT_EQ(Field(2, 0, 3), "TAG");
    EXPECT_EQ(Field(2, 3, 6), std::string("Intro\0", 6));
    EXPECT_EQ(Field(2, 33, 5), std::string("Band\0", 5));
    EXPECT_EQ(Field(2, 93, 4), "99  ");
    EXPECT_EQ(tag[125], 0);
    EXPECT_EQ(tag[126], 12);
    EXPECT_EQ(tag[127], 67);
    // Part 1 is untouched.
    EXPECT_FALSE(IsTag(PartId3v1(st, 1)));

    // Showing the part again shows what was stored, genre included, so storing
    // it again keeps the genre.
    panel->showPartTags(1);
    panel->showPartTags(2);
    EXPECT_EQ(panel->titleEdit->text(), "Intro");
    EXPECT_EQ(panel->yearEdit->text(), "99");
    EXPECT_EQ(panel->genreCombo->currentText(), "Psychadelic");
    Retype(panel->commentEdit, "again");
    ClickSet();
    EXPECT_EQ(PartId3v1(st, 2)[127], 67);
}

TEST_F(TagPanelTest, StoringKeepsUnicodeAndTheRecordCutsToTheFieldWidths) {
    Open("cbr128_stereo.mp3");
    TwoPartsSecondSelected();
    const QString longTitle = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678"; // 35 characters
    Retype(panel->titleEdit, longTitle);
    panel->artistEdit->setText(QString::fromUtf8("\u017dlu\u0165ou\u010dk\u00fd k\u016f\u0148"));
    panel->albumEdit->setText(QString::fromUtf8("Caf\u00e9 \U0001F3B5"));
    ClickSet();
    EXPECT_EQ(Field(2, 3, 30), longTitle.left(30).toStdString());
    // Czech letters outside ISO-8859-1 become '?'; the Latin-1 ones stay.
    EXPECT_EQ(Field(2, 33, 14), std::string("?lu?ou?k\xfd k??\0", 14));
    EXPECT_EQ(Field(2, 63, 7), std::string("Caf\xe9 ?\0", 7));
    // The boxes show what was stored: the texts in full.
    EXPECT_EQ(panel->titleEdit->text(), longTitle);
    EXPECT_EQ(panel->artistEdit->text(),
              QString::fromUtf8("\u017dlu\u0165ou\u010dk\u00fd k\u016f\u0148"));
    EXPECT_EQ(panel->albumEdit->text(), QString::fromUtf8("Caf\u00e9 \U0001F3B5"));
}

TEST_F(TagPanelTest, SetWithoutEditsAndEditsWithoutSetChangeNoTag) {
    Open("id3v1_track.mp3");
    TwoPartsSecondSelected();
    const Id3v1Record before = PartId3v1(st, 2);
    ClickSet();
    EXPECT_EQ(PartId3v1(st, 2), before);

    Retype(panel->titleEdit, "Not stored");
    ASSERT_TRUE(AddCutLine(st, st, 10)); // the shown part's audio is part 3 now
    panel->showPartTags(3);
    EXPECT_EQ(EffectivePartTag(st, 3).fields.title, TagTitle(before));
    EXPECT_EQ(PartId3v1(st, 2), before);
    panel->showPartTags(2);
    EXPECT_EQ(panel->titleEdit->text().toStdString(), TagTitle(before));
}

// What is typed is never lost: Enter stores it, choosing another part stores
// it for the part it was typed for, and Esc takes it back.
TEST_F(TagPanelTest, TypedTitleAppliesOnEnterAndSurvivesAPartSwitchEscReverts) {
    Open("cbr128_stereo.mp3");
    TwoPartsSecondSelected();
    QSignalSpy stored(panel.get(), &TagPanel::tagsStored);
    Retype(panel->titleEdit, "Chapter two");
    QTest::keyClick(panel->titleEdit, Qt::Key_Return);
    ASSERT_EQ(stored.count(), 1);
    EXPECT_EQ(EffectivePartTag(st, 2).fields.title, "Chapter two");
    EXPECT_FALSE(panel->tagsEdited());

    Retype(panel->titleEdit, "Kept on switch");
    panel->showPartTags(1);
    EXPECT_EQ(stored.count(), 2);
    EXPECT_EQ(EffectivePartTag(st, 2).fields.title, "Kept on switch");
    EXPECT_NE(panel->titleEdit->text(), "Kept on switch"); // part 1 shown now

    panel->showPartTags(2);
    Retype(panel->titleEdit, "Thrown away");
    QTest::keyClick(panel->titleEdit, Qt::Key_Escape);
    EXPECT_EQ(panel->titleEdit->text(), "Kept on switch");
    EXPECT_FALSE(panel->tagsEdited());
    panel->showPartTags(1);
    EXPECT_EQ(EffectivePartTag(st, 2).fields.title, "Kept on switch");
    EXPECT_EQ(stored.count(), 2);
}

TEST_F(TagPanelTest, ClearingThePanelEmptiesEveryBox) {
    Open("id3v1_track.mp3");
    panel->showPartTags(1);
    Retype(panel->titleEdit, "x");
    panel->clearTagPanel();
    for (QLineEdit* e : {panel->titleEdit, panel->artistEdit, panel->albumEdit, panel->yearEdit,
                         panel->trackEdit, panel->commentEdit})
        EXPECT_TRUE(e->text().isEmpty());
    EXPECT_TRUE(panel->partNameLabel->text().isEmpty());
    EXPECT_EQ(panel->genreCombo->currentIndex(), -1);
    EXPECT_FALSE(panel->tagsEdited());
    EXPECT_EQ(panel->setButtonCaptionColour(), QColor(100, 100, 100));
}

} // namespace
} // namespace tessivo
