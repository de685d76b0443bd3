// The part list and the context menu, driven by real clicks on a fixture's parts.
#include "ui/parts/part_list_view.h"

#include "tests/gui/part_rows.h"
#include "ui/document/document_signals.h"
#include "ui/parts/part_table_model.h"

#include "core/parts/part_access.h"

#include "core/analysis/open_file.h"
#include "core/analysis/peaks.h"
#include "core/output/split_parts.h"
#include "core/parts/cut_lines.h"
#include "core/parts/part_loudness.h"
#include "core/util/time_text.h"

#include <QAction>
#include <QHeaderView>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <gtest/gtest.h>

namespace tessivo {
namespace {

class PartListViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        const OpenResult r =
            AnalyseFile(st, st, std::string(TESSIVO_FIXTURES) + "/long65.mp3", false);
        ASSERT_TRUE(r.ok) << r.message;
        st.FileLoaded = true;
        st.OutputFolder = "/tmp/out";
        ResetToOnePart(st, st);
        doc.SetOutputFolder("/tmp/out");
        list = std::make_unique<PartListView>(doc, docSignals);
        list->resize(700, 300);
        list->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    }

    // Three parts: cut lines at 20 s and 40 s.
    void ThreeParts() {
        const auto at = [&](double s) { return static_cast<int32_t>(s / st.FrameDuration); };
        ASSERT_TRUE(doc.AddCutLine(at(20.0)));
        ASSERT_TRUE(doc.AddCutLine(at(40.0)));
        ASSERT_EQ(PartCount(st), 3);
    }

    QPoint CheckBoxCentre(int row) {
        PartRow item = RowOf(list, row);
        QStyleOptionViewItem opt;
        opt.initFrom(list->viewport());
        opt.rect = CellRect(list.get(), item);
        opt.rect.setWidth(list->columnWidth(0));
        opt.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        opt.text = item->text(0);
        return list->style()
            ->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, list.get())
            .center();
    }

    QPoint RowCentre(int row, int column = 1) {
        const QRect r = CellRect(list.get(), RowOf(list.get(), row));
        return QPoint(list->horizontalHeader()->sectionViewportPosition(column) + 10,
                      r.center().y());
    }

    ProgramState st;
    Document doc{st};
    DocumentSignals docSignals{doc};
    std::unique_ptr<PartListView> list;
};

TEST_F(PartListViewTest, OnePartShowsNoRowsAndEveryCaptionWhole) {
    EXPECT_EQ(PartRows(list), 0);
    const QStringList captions = {"#",     "Status", "Begin", "End",   "Duration", "Filename",
                                  "Title", "Artist", "Album", "Track", "Loudness"};
    QAbstractItemModel* model = list->model();
    ASSERT_EQ(model->columnCount(), captions.size());
    const QFontMetrics fm(list->horizontalHeader()->font());
    for (int c = 0; c < model->columnCount(); ++c) {
        EXPECT_EQ(model->headerData(c, Qt::Horizontal).toString(), captions[c]);
        EXPECT_GE(list->columnWidth(c), fm.horizontalAdvance(captions[c])) << c;
    }
}

// The Track column shows what each ticked part will be written with: n/N
// among the ticked parts, the part's own track unless the parts are
// numbered, nothing for an unticked part.
TEST_F(PartListViewTest, TrackColumnShowsTheNumbersWritten) {
    ThreeParts();
    const auto tracks = [&] {
        QStringList t;
        for (int r = 0; r < PartRows(list); ++r)
            t << RowOf(list, r)->text(9);
        return t;
    };
    EXPECT_EQ(tracks(), QStringList({"1/3", "2/3", "3/3"}));
    ASSERT_TRUE(doc.SetPartUsed(2, false));
    EXPECT_EQ(tracks(), QStringList({"1/2", "", "2/2"}));
    PartTagV2 own;
    own.track = "7";
    ASSERT_TRUE(doc.SetPartTag(3, own, kTagTrack));
    EXPECT_EQ(tracks(), QStringList({"1/2", "", "7"}));
    doc.SetNumberTracks(true);
    EXPECT_EQ(tracks(), QStringList({"1/2", "", "2/2"}));
}

TEST_F(PartListViewTest, LoudnessShowsOnceTheExactPeaksMeasuredIt) {
    ThreeParts();
    for (int r = 0; r < 3; ++r)
        EXPECT_EQ(RowOf(list, r)->text(10), "") << r; // not measured yet
    ASSERT_TRUE(CalculatePeaks(st, st));
    for (int r = 0; r < 3; ++r) {
        const Loudness l = PartLoudness(st, st, r + 1);
        ASSERT_TRUE(l.measured);
        ASSERT_FALSE(l.silent);
        // LUFS with one decimal, as the part measures.
        EXPECT_EQ(RowOf(list, r)->text(10),
                  QString::number(l.lufs, 'f', 1) + QStringLiteral(" LUFS"));
        EXPECT_LT(l.lufs, 0.0);
    }
    // The column grows with its contents.
    EXPECT_GE(list->columnWidth(10), list->fontMetrics().horizontalAdvance("-99.9 LUFS"));
}

TEST_F(PartListViewTest, RowsShowStatusTimesFileNameAndTagTexts) {
    ThreeParts();
    st.Parts[1].ticked = false;
    st.Parts[2].writtenFile = "/tmp/earlier/long65-08.mp3";
    st.Parts[1].writtenFile = "/tmp/earlier/long65-07.mp3"; // not used: "Not Used" wins
    PartRecord& part = st.Parts[2];
    part.own.title = "Caf\u00e9 title";
    part.own.artist = "012345678901234567890123456789"; // full width
    part.ownFields = kTagTitle | kTagArtist;
    ASSERT_EQ(PartRows(list), 3);
    EXPECT_EQ(RowOf(list, 0)->text(1), "Prepared");
    EXPECT_EQ(RowOf(list, 1)->text(1), "Not Used");
    EXPECT_EQ(RowOf(list, 2)->text(1), "Saved");
    EXPECT_EQ(RowOf(list, 1)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(RowOf(list, 2)->checkState(0), Qt::Checked);
    for (int k = 1; k <= 3; ++k) {
        PartRow row = RowOf(list, k - 1);
        EXPECT_EQ(row->text(0), QString::number(k));
        const double a = PartFirstFrame(st, k) * st.FrameDuration;
        const double b = (PartLastFrame(st, st, k) + 1.0) * st.FrameDuration;
        EXPECT_EQ(row->text(2).toStdString(), FormatTimeText(true, a));
        EXPECT_EQ(row->text(3).toStdString(), FormatTimeText(true, b));
    }
    // A saved part names the file it was written to, its path in the tooltip.
    EXPECT_EQ(RowOf(list, 2)->text(5), "long65-08.mp3");
    EXPECT_EQ(RowOf(list, 2)->toolTip(5), "/tmp/earlier/long65-08.mp3");
    // The last part ends with the file: the End column shows the file's length.
    EXPECT_EQ(RowOf(list, 2)->text(3).toStdString(),
              FormatTimeText(true, st.FrameCount * st.FrameDuration));
    EXPECT_EQ(RowOf(list, 0)->toolTip(5), "/tmp/out/long65-01.mp3");
    EXPECT_EQ(RowOf(list, 2)->text(6), QString::fromUtf8("Caf\u00e9 title"));
    EXPECT_EQ(RowOf(list, 2)->text(7), "012345678901234567890123456789");

    // Unsaved, the file names are the ones a split writes: the unticked part
    // gets none and the part after it takes the next number.
    for (PartRecord& p : st.Parts)
        p.writtenFile.clear();
    EXPECT_EQ(RowOf(list, 1)->text(5), "");
    EXPECT_EQ(RowOf(list, 2)->text(5), "long65-02.mp3");
    EXPECT_EQ(RowOf(list, 2)->toolTip(5), "/tmp/out/long65-02.mp3");
    EXPECT_EQ(RowOf(list, 2)->text(1), "Prepared");
}

TEST_F(PartListViewTest, AnEmptyPartShowsEqualBeginAndEndAndZeroDuration) {
    ASSERT_TRUE(doc.AddCutLine(500));
    ASSERT_TRUE(doc.AddCutLine(500));
    PartRow row = RowOf(list, 1);
    EXPECT_EQ(row->text(2), row->text(3));
    EXPECT_EQ(row->text(4), "00:00:000");
}

// The rows follow the document's edits one by one: parts that come are
// inserted, parts that go are removed, and the model is never reset.
TEST_F(PartListViewTest, RowsFollowTheDocumentWithoutAReset) {
    PartTableModel* model = list->partModel();
    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(model, &QAbstractItemModel::modelReset);
    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
    ThreeParts();
    EXPECT_EQ(PartRows(list.get()), 3);
    EXPECT_EQ(inserted.count(), 2); // two rows for the first cut, one for the second
    ASSERT_TRUE(doc.DeleteCutLine(2));
    EXPECT_EQ(PartRows(list.get()), 2);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.first().at(1).toInt(), 2);
    ASSERT_TRUE(doc.SetPartUsed(2, false));
    EXPECT_EQ(RowOf(list, 1)->text(1), "Not Used");
    EXPECT_GE(changed.count(), 1);
    doc.ClearCutLines();
    EXPECT_EQ(PartRows(list.get()), 0); // one part is not listed
    EXPECT_EQ(reset.count(), 0);
}

// The document's selected part is the current row; making it so ticks
// nothing and selects nothing else.
TEST_F(PartListViewTest, TheSelectedPartIsTheCurrentRow) {
    ThreeParts();
    ASSERT_TRUE(doc.SetPartUsed(2, false));
    ASSERT_TRUE(doc.SelectPart(2));
    EXPECT_EQ(list->currentPart(), 2);
    EXPECT_FALSE(PartTicked(st, 2));
    EXPECT_EQ(st.SelectedPart, 2);
    // Sorted by duration the rows move, the part they show does not.
    list->sortByColumn(PartTableModel::ColDuration, Qt::DescendingOrder);
    EXPECT_EQ(list->currentPart(), 2);
    ASSERT_TRUE(doc.SelectPart(3));
    EXPECT_EQ(list->currentPart(), 3);
}

TEST_F(PartListViewTest, ClickingTheCheckBoxOfAnotherRowSelectsItAndUnticksThatPart) {
    ThreeParts();
    QSignalSpy marks(&docSignals, &DocumentSignals::partMarksChanged);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, CheckBoxCentre(1));
    EXPECT_EQ(st.SelectedPart, 2);
    EXPECT_FALSE(PartTicked(st, 2));
    EXPECT_TRUE(PartTicked(st, 1));
    EXPECT_TRUE(PartTicked(st, 3));
    EXPECT_EQ(RowOf(list, 1)->text(1), "Not Used");
    EXPECT_EQ(RowOf(list, 1)->checkState(0), Qt::Unchecked);
    EXPECT_GE(marks.count(), 1);

    // Ticking it again brings back "Prepared".
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, CheckBoxCentre(1));
    EXPECT_TRUE(PartTicked(st, 2));
    EXPECT_EQ(RowOf(list, 1)->text(1), "Prepared");
}

TEST_F(PartListViewTest, SelectingARowSelectsThePartAndShowsItsTags) {
    ThreeParts();
    QSignalSpy selection(&docSignals, &DocumentSignals::selectionChanged);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowCentre(2));
    EXPECT_EQ(st.SelectedPart, 3);
    EXPECT_GE(selection.count(), 1);
    EXPECT_TRUE(PartTicked(st, 3));
    // Down moves to the next row, and so to the next part.
    QTest::keyClick(list.get(), Qt::Key_Up);
    EXPECT_EQ(st.SelectedPart, 2);
}

TEST_F(PartListViewTest, DoubleClickPlaysTheRowsPartOrPartZeroOnAnEmptyList) {
    QSignalSpy play(list.get(), &PartListView::playPartRequested);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(50, 50));
    ASSERT_EQ(play.count(), 1);
    EXPECT_EQ(play.last().first().toInt(), 0);

    ThreeParts();
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, RowCentre(1));
    ASSERT_EQ(play.count(), 2);
    EXPECT_EQ(play.last().first().toInt(), 2);
    EXPECT_EQ(st.PlayingPart, 0); // the list asks; the window plays
}

TEST_F(PartListViewTest, SelectPartFromTheStripSelectsTheRowAndFocusesTheList) {
    ThreeParts();
    list->selectPart(3);
    EXPECT_EQ(list->currentPart(), 3);
    EXPECT_EQ(st.SelectedPart, 3);
}

class PartPopupMenuTest : public PartListViewTest {
protected:
    void SetUp() override {
        PartListViewTest::SetUp();
        menu = std::make_unique<PartPopupMenu>(doc);
    }
    std::unique_ptr<PartPopupMenu> menu;
};

TEST_F(PartPopupMenuTest, NothingSelectedLeavesPlayAndUseDisabled) {
    menu->updateItems();
    EXPECT_FALSE(menu->playPartAction->isEnabled());
    EXPECT_FALSE(menu->usePartAction->isEnabled());
    EXPECT_FALSE(menu->stopAction->isEnabled());
    EXPECT_FALSE(menu->clearAction->isEnabled());
    EXPECT_FALSE(menu->splitAction->isEnabled());
    EXPECT_TRUE(menu->explorerAction->isEnabled());
    EXPECT_EQ(menu->playPartAction->text(), "Play Part");
    EXPECT_EQ(menu->usePartAction->text(), "Use Part");

    ThreeParts();
    menu->updateItems();
    EXPECT_FALSE(menu->playPartAction->isEnabled());
    EXPECT_TRUE(menu->clearAction->isEnabled());
    EXPECT_TRUE(menu->splitAction->isEnabled());
    st.IsPlaying = true;
    menu->updateItems();
    EXPECT_TRUE(menu->stopAction->isEnabled());
}

TEST_F(PartPopupMenuTest, SelectedPartNamesTheItemsAndUsePartTogglesTheMark) {
    ThreeParts();
    list->selectPart(3);
    QSignalSpy marks(&docSignals, &DocumentSignals::partMarksChanged);
    menu->updateItems();
    EXPECT_EQ(menu->playPartAction->text(), "Play Part(3)");
    EXPECT_EQ(menu->usePartAction->text(), "Use Part(3)");
    EXPECT_TRUE(menu->usePartAction->isChecked());
    EXPECT_TRUE(menu->playPartAction->isEnabled());

    menu->usePartAction->trigger();
    EXPECT_FALSE(PartTicked(st, 3));
    EXPECT_EQ(RowOf(list, 2)->text(1), "Not Used");
    menu->updateItems();
    EXPECT_FALSE(menu->usePartAction->isChecked());
    menu->usePartAction->trigger();
    EXPECT_TRUE(PartTicked(st, 3));
    EXPECT_EQ(RowOf(list, 2)->text(1), "Prepared");
    EXPECT_EQ(marks.count(), 2);

    QSignalSpy play(menu.get(), &PartPopupMenu::playPartRequested);
    menu->playPartAction->trigger();
    ASSERT_EQ(play.count(), 1);
    EXPECT_EQ(play.first().first().toInt(), 3);

    // Deselected again: the items are disabled but keep their last captions.
    st.SelectedPart = 0;
    menu->updateItems();
    EXPECT_FALSE(menu->playPartAction->isEnabled());
    EXPECT_EQ(menu->playPartAction->text(), "Play Part(3)");
}

TEST_F(PartPopupMenuTest, ATinyFileNeverEnablesPlayPart) {
    ThreeParts();
    st.SelectedPart = 2;
    st.FrameCount = 10;
    menu->updateItems();
    EXPECT_FALSE(menu->playPartAction->isEnabled());
    EXPECT_FALSE(menu->usePartAction->isEnabled());
}

TEST_F(PartPopupMenuTest, OpeningTheMenuUpdatesIt) {
    ThreeParts();
    list->selectPart(2);
    menu->popup(QPoint(10, 10));
    EXPECT_EQ(menu->playPartAction->text(), "Play Part(2)");
    menu->hide();
}

} // namespace
} // namespace tessivo
