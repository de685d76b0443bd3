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
        const OpenResult r = AnalyseFile(st, std::string(TESSIVO_FIXTURES) + "/" + fixture, false);
        ASSERT_TRUE(r.ok) << r.message;
        st.FileLoaded = true;
        ResetToOnePart(st);
        CopySourceTag(st);
        panel = std::make_unique<TagPanel>(st);
        panel->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
    }
    // Two parts, the second selected.
    void TwoPartsSecondSelected() {
        ASSERT_TRUE(AddCutLine(st, static_cast<int32_t>(st.FrameCount / 2)));
        st.SelectedPart = 2;
        panel->ShowPartTags(2);
    }
    void Retype(QLineEdit* e, const QString& text) {
        e->setFocus();
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Backspace);
        QTest::keyClicks(e, text);
    }
    void ClickSet() { QTest::mouseClick(panel->BtnTagsSet, Qt::LeftButton); }
    std::string Field(int n, int offset, int width) {
        return std::string(reinterpret_cast<const char*>(st.PartTag[n].data() + offset), width);
    }

    ProgramState st;
    std::unique_ptr<TagPanel> panel;
};

TEST_F(TagPanelTest, GenreBoxListsTheTableSortedAndStartsEmpty) {
    Open("cbr128_stereo.mp3");
    QComboBox* box = panel->CmbBoxGenre;
    ASSERT_EQ(box->count(), 148);
    EXPECT_FALSE(box->isEditable());
    EXPECT_EQ(box->currentIndex(), -1);
    for (int i = 1; i < box->count(); ++i)
        EXPECT_LT(box->itemText(i - 1).toStdString(), box->itemText(i).toStdString());
    EXPECT_NE(box->findText("Psychadelic", Qt::MatchExactly), -1);
    EXPECT_NE(box->findText("Trash Metal", Qt::MatchExactly), -1);
    EXPECT_EQ(panel->BtnTagsSet->text(), "Set");
    EXPECT_EQ(panel->BtnTagsSet->toolTip(), "Set ID3 Tags");
    EXPECT_EQ(panel->SetCaptionColour(), QColor(100, 100, 100));
}

TEST_F(TagPanelTest, OriginalFileShowsTheSourceTagAndItsFullComment) {
    Open("id3v1_notrack.mp3");
    panel->ShowPartTags(1);
    EXPECT_EQ(panel->LabPartName->text(), "Original File");
    const std::string sourceComment(reinterpret_cast<const char*>(st.Id3v1Buffer.data() + 97), 28);
    EXPECT_EQ(panel->EditComment->text().toStdString(),
              sourceComment.substr(0, sourceComment.find('\0')));
    EXPECT_EQ(panel->EditTitle->text().toStdString(), TagTitle(st.PartTag[1]));
    EXPECT_TRUE(panel->CmbBoxGenre->currentText().isEmpty()); // genre byte 255
    EXPECT_FALSE(panel->TagsEdited());
    EXPECT_EQ(panel->SetCaptionColour(), QColor(100, 100, 100));

    TwoPartsSecondSelected();
    EXPECT_EQ(panel->LabPartName->text(), "Part(2)");
    EXPECT_EQ(panel->EditTrack->text(), "2"); // no source track: slot n gets n
}

TEST_F(TagPanelTest, SourceGenreAndTrackAreShown) {
    Open("id3v1_track.mp3");
    panel->ShowPartTags(1);
    EXPECT_EQ(panel->CmbBoxGenre->currentText(), "Rock");
    EXPECT_EQ(panel->EditTrack->text(), "7");
}

TEST_F(TagPanelTest, YearAndTrackTakeDigitsOnlyWithinTheirBounds) {
    Open("cbr128_stereo.mp3");
    TwoPartsSecondSelected();
    Retype(panel->EditYear, "19a8x");
    EXPECT_EQ(panel->EditYear->text(), "198");
    QTest::keyClicks(panel->EditYear, "45");
    EXPECT_EQ(panel->EditYear->text(), "1984"); // 19845 is above 9999
    EXPECT_EQ(panel->EditYear->cursorPosition(), 4);

    panel->EditTrack->setFocus();
    panel->EditTrack->selectAll();
    QTest::keyClick(panel->EditTrack, Qt::Key_Backspace);
    QTest::keyClicks(panel->EditTrack, "100");
    EXPECT_EQ(panel->EditTrack->text(), "100");
    QTest::keyClick(panel->EditTrack, Qt::Key_0);
    EXPECT_EQ(panel->EditTrack->text(), "100");
    Retype(panel->EditTrack, "256");
    EXPECT_EQ(panel->EditTrack->text(), "25");

    // Pasted text that is not a number is refused.
    panel->EditYear->selectAll();
    panel->EditYear->insert("MCMLXXXIV");
    EXPECT_EQ(panel->EditYear->text(), "1984");
    panel->EditTrack->selectAll();
    panel->EditTrack->insert("99999999999999999999999");
    EXPECT_EQ(panel->EditTrack->text(), "25");
}

TEST_F(TagPanelTest, EditsBlackenSetAndSetStoresTheSelectedSlot) {
    Open("cbr128_stereo.mp3"); // no ID3v1 tag: every slot empty
    TwoPartsSecondSelected();
    EXPECT_FALSE(panel->TagsEdited());
    Retype(panel->EditTitle, "Intro");
    EXPECT_TRUE(panel->TagsEdited());
    EXPECT_EQ(panel->SetCaptionColour(), QColor(Qt::black));
    Retype(panel->EditArtist, "Band");
    Retype(panel->EditYear, "99");
    panel->CmbBoxGenre->setCurrentIndex(panel->CmbBoxGenre->findText("Psychadelic"));
    Retype(panel->EditTrack, "12");
    QSignalSpy stored(panel.get(), &TagPanel::tagsStored);
    ClickSet();
    ASSERT_EQ(stored.count(), 1);
    EXPECT_EQ(stored.first().first().toInt(), 2);
    EXPECT_FALSE(panel->TagsEdited());
    EXPECT_EQ(panel->SetCaptionColour(), QColor(90, 90, 90));
    const Id3v1Record& tag = st.PartTag[2];
    EXPECT_EQ(Field(2, 0, 3), "TAG");
    EXPECT_EQ(Field(2, 3, 6), std::string("Intro\0", 6));
    EXPECT_EQ(Field(2, 33, 5), std::string("Band\0", 5));
    EXPECT_EQ(Field(2, 93, 4), "99  ");
    EXPECT_EQ(tag[125], 0);
    EXPECT_EQ(tag[126], 12);
    EXPECT_EQ(tag[127], 67);
    // Slot 1 is untouched.
    EXPECT_FALSE(IsTag(st.PartTag[1]));

    // Showing the part again shows what was stored, genre included, so storing
    // it again keeps the genre.
    panel->ShowPartTags(1);
    panel->ShowPartTags(2);
    EXPECT_EQ(panel->EditTitle->text(), "Intro");
    EXPECT_EQ(panel->EditYear->text(), "99");
    EXPECT_EQ(panel->CmbBoxGenre->currentText(), "Psychadelic");
    Retype(panel->EditComment, "again");
    ClickSet();
    EXPECT_EQ(st.PartTag[2][127], 67);
}

TEST_F(TagPanelTest, StoringCutsToTheFieldWidthsAndShowsTheQuestionMarks) {
    Open("cbr128_stereo.mp3");
    TwoPartsSecondSelected();
    const QString longTitle = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678"; // 35 characters
    Retype(panel->EditTitle, longTitle);
    panel->EditArtist->setText(QString::fromUtf8("\u017dlu\u0165ou\u010dk\u00fd k\u016f\u0148"));
    panel->EditAlbum->setText(QString::fromUtf8("Caf\u00e9 \U0001F3B5"));
    ClickSet();
    EXPECT_EQ(Field(2, 3, 30), longTitle.left(30).toStdString());
    // Czech letters outside ISO-8859-1 become '?'; the Latin-1 ones stay.
    EXPECT_EQ(Field(2, 33, 14), std::string("?lu?ou?k\xfd k??\0", 14));
    EXPECT_EQ(Field(2, 63, 7), std::string("Caf\xe9 ?\0", 7));
    // The boxes show what was stored.
    EXPECT_EQ(panel->EditTitle->text(), longTitle.left(30));
    EXPECT_EQ(panel->EditArtist->text(), QString::fromUtf8("?lu?ou?k\u00fd k??"));
    EXPECT_EQ(panel->EditAlbum->text(), QString::fromUtf8("Caf\u00e9 ?"));
}

TEST_F(TagPanelTest, SetWithoutEditsAndEditsWithoutSetChangeNoSlot) {
    Open("id3v1_track.mp3");
    TwoPartsSecondSelected();
    const Id3v1Record before = st.PartTag[2];
    ClickSet();
    EXPECT_EQ(st.PartTag[2], before);

    Retype(panel->EditTitle, "Not stored");
    ASSERT_TRUE(AddCutLine(st, 10));
    panel->ShowPartTags(3);
    EXPECT_EQ(st.PartTag[2], before);
    panel->ShowPartTags(2);
    EXPECT_EQ(panel->EditTitle->text().toStdString(), TagTitle(before));
}

TEST_F(TagPanelTest, ClearingThePanelEmptiesEveryBox) {
    Open("id3v1_track.mp3");
    panel->ShowPartTags(1);
    Retype(panel->EditTitle, "x");
    panel->ClearTagPanel();
    for (QLineEdit* e : {panel->EditTitle, panel->EditArtist, panel->EditAlbum, panel->EditYear,
                         panel->EditTrack, panel->EditComment})
        EXPECT_TRUE(e->text().isEmpty());
    EXPECT_TRUE(panel->LabPartName->text().isEmpty());
    EXPECT_EQ(panel->CmbBoxGenre->currentIndex(), -1);
    EXPECT_FALSE(panel->TagsEdited());
    EXPECT_EQ(panel->SetCaptionColour(), QColor(100, 100, 100));
}

} // namespace
} // namespace tessivo
