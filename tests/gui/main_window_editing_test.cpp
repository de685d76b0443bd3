// Editing in the main window: the mouse on the waveform, the part list, the
// context menu, the keys and the split dialog, driven by real mouse and key
// events with a fixture open and the fake audio engine playing.
#include "ui/view/wave_mouse.h"

#include "core/document/edit_record.h"
#include "core/parts/part_access.h"

#include "core/parts/cut_lines.h"
#include "core/util/time_text.h"
#include "tests/fakes/fake_audio_engine.h"
#include "tests/fakes/fake_user_dialogs.h"
#include "tests/gui/part_rows.h"
#include "tests/gui/window_parts.h"
#include "ui/output/confirm_dialog.h"
#include "ui/output/split_runner.h"
#include "ui/output/tag_panel.h"
#include "ui/parts/part_list_view.h"
#include "ui/window/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>

namespace tessivo {
namespace {

using tessivo::testing::FakeAudioEngine;
using tessivo::testing::FakeUserDialogs;
using tessivo::testing::FindPart;

// Longer than the 300 ms a release waits for a double click.

class WaveMouseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        win = tessivo::testing::ShowTestWindow(st, engine, dialogs, dir);
        ASSERT_TRUE(win);
        win->onPlaybackTick();
        dialogs.openFileAnswer = QStringLiteral(TESSIVO_FIXTURES "/long65.mp3");
        win->onOpenTriggered();
        win->waitForOpen();
        ASSERT_TRUE(st.FileLoaded);
        ASSERT_EQ(PartCount(st), 1);
        ASSERT_GT(st.FrameCount, 1000u);
        st.OutputFolder = dir.filePath("out").toStdString();
    }
    void TearDown() override { tessivo::testing::CloseTestWindow(win, dialogs); }

    const ViewGeometry& G() const { return win->viewGeometry(); }
    int32_t z() const { return ZoomFactor[st.ZoomLevel]; }
    int lineX(int k) const {
        return static_cast<int>(FrameMapping(G(), st).frameToX(PartFirstFrame(st, k)));
    }
    int64_t frameAt(int x) const { return FrameMapping(G(), st).xToFrame(x); }
    int UseMarkY() const { return G().waveTop + G().waveHalf; }
    int StripY() const { return G().viewBottom - 8; }
    int PlayCount() const {
        return static_cast<int>(std::count(engine.calls.begin(), engine.calls.end(), "Play"));
    }
    int64_t HeardFrame() {
        const int64_t bytes = engine.GetPosition(st.PlayStream);
        return bytes / (int64_t{st.SamplesPerFrame} * 2 * st.ChannelCount);
    }

    // Press, release, the double-click event and the second release, as the
    // platform delivers a double click.
    void DoubleClick(QPoint p) {
        QTest::mousePress(win->waveView(), Qt::LeftButton, {}, p);
        QTest::mouseRelease(win->waveView(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(win->waveView(), Qt::LeftButton, {}, p);
        QTest::mouseRelease(win->waveView(), Qt::LeftButton, {}, p);
    }
    void Click(QPoint p) { QTest::mouseClick(win->waveView(), Qt::LeftButton, {}, p); }
    // A move with no button held (the view tracks the mouse).
    void Hover(QPoint p) {
        QMouseEvent move(QEvent::MouseMove, QPointF(p), QPointF(win->waveView()->mapToGlobal(p)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(win->waveView(), &move);
    }
    // A cut line at the x of `x` made by a double click; playback stopped again.
    int AddLineAt(int x) {
        DoubleClick(QPoint(x, 100));
        SettleClicks(win);
        win->stopPlayback();
        engine.calls.clear();
        return x;
    }
    QImage UseMarkPixels(int k) {
        const int x = lineX(k) + 1 - G().waveLeft;
        return win->waveBitmap().copy(x, G().waveHalf - 6, 13, 13);
    }

    QTemporaryDir dir;
    ProgramState st;
    FakeAudioEngine engine;
    FakeUserDialogs dialogs;
    std::unique_ptr<MainWindow> win;
};

TEST_F(WaveMouseTest, DoubleClickAddsACutLineAndPlaysTheNewPartFromItsStart) {
    const QPoint p(400, 100);
    DoubleClick(p);
    // The line is there at once; playback waits for the release's 300 ms.
    ASSERT_EQ(PartCount(st), 2);
    EXPECT_EQ(PartFirstFrame(st, 2), frameAt(400));
    EXPECT_EQ(PartRows(win->partList()), 2);
    EXPECT_FALSE(st.IsPlaying);
    SettleClicks(win);
    EXPECT_TRUE(st.IsPlaying);
    EXPECT_EQ(st.PlayingPart, 2);
    EXPECT_EQ(HeardFrame(), PartFirstFrame(st, 2));
    EXPECT_EQ(PlayCount(), 1);
    EXPECT_FALSE(win->waveMouse()->dragging);
    EXPECT_EQ(win->waveMouse()->pendingReleases(), 0);
}

TEST_F(WaveMouseTest, DoubleClickInTheLastTenFramesAddsNothing) {
    // Show the end of the file, then double-click its last columns.
    st.ZoomLevel = 1;
    st.ViewFirstFrame = static_cast<int32_t>(st.FrameCount) - 500;
    const int xEnd = static_cast<int>(FrameMapping(G(), st).frameToX(st.FrameCount - 10));
    DoubleClick(QPoint(xEnd, 100));
    EXPECT_EQ(PartCount(st), 1);
    DoubleClick(QPoint(xEnd - 1, 100)); // frame count - 11
    EXPECT_EQ(PartCount(st), 2);
    EXPECT_EQ(PartFirstFrame(st, 2), static_cast<int32_t>(st.FrameCount) - 11);
    SettleClicks(win);
}

TEST_F(WaveMouseTest, AFullTableRefusesAnotherLine) {
    // The cut lines are added to a table of their own and handed to the
    // window as one edit: a thousand edits, each redrawn, would take seconds.
    ProgramState full;
    full.FrameCount = st.FrameCount;
    full.Parts = st.Parts;
    for (int k = 2; k <= kMaxParts; ++k)
        ASSERT_TRUE(AddCutLine(full, full, k));
    EditRecord record = EditRecordOf(st, st);
    record.parts = full.Parts;
    ASSERT_EQ(win->document().RestoreEdit(record), "");
    ASSERT_EQ(PartCount(st), kMaxParts);
    DoubleClick(QPoint(700, 100));
    EXPECT_EQ(PartCount(st), kMaxParts);
    EXPECT_EQ(PartRows(win->partList()), kMaxParts);
    SettleClicks(win);
}

TEST_F(WaveMouseTest, APressFiveColumnsAwayGrabsTheLineAndSixDoesNot) {
    const int x = AddLineAt(400);
    const int32_t before = PartFirstFrame(st, 2);

    QTest::mousePress(win->waveView(), Qt::LeftButton, {}, QPoint(x + 6, 100));
    QTest::mouseMove(win->waveView(), QPoint(x + 100, 100));
    QTest::mouseRelease(win->waveView(), Qt::LeftButton, {}, QPoint(x + 100, 100));
    EXPECT_EQ(PartFirstFrame(st, 2), before);
    SettleClicks(win);
    win->stopPlayback();

    QTest::mousePress(win->waveView(), Qt::LeftButton, {}, QPoint(x - 5, 100));
    EXPECT_TRUE(win->waveMouse()->dragging);
    QTest::mouseMove(win->waveView(), QPoint(x + 100, 100));
    EXPECT_EQ(PartFirstFrame(st, 2), frameAt(x + 100));
    QTest::mouseRelease(win->waveView(), Qt::LeftButton, {}, QPoint(x + 100, 100));
    SettleClicks(win);
    EXPECT_FALSE(win->waveMouse()->dragging);
    // The list was rebuilt at the end of the drag.
    EXPECT_EQ(RowOf(win->partList(), 1)->text(2).toStdString(),
              FormatTimeText(true, PartFirstFrame(st, 2) * st.FrameDuration));
}

TEST_F(WaveMouseTest, ThePressNearTheFileStartNeitherGrabsNorDeletes) {
    AddLineAt(400);
    QTest::mousePress(win->waveView(), Qt::LeftButton, {}, QPoint(G().waveLeft + 3, 100));
    EXPECT_FALSE(win->waveMouse()->dragging);
    QTest::mouseRelease(win->waveView(), Qt::LeftButton, {}, QPoint(G().waveLeft + 3, 100));
    Click(QPoint(G().waveLeft + 3, G().waveTop + 5));
    EXPECT_EQ(PartCount(st), 2);
    SettleClicks(win);
}

TEST_F(WaveMouseTest, TheResizeCursorShowsThreeColumnsFromALineButNotFour) {
    const int x = AddLineAt(400);
    Hover(QPoint(x + 3, 100));
    EXPECT_EQ(win->waveView()->cursor().shape(), Qt::SizeHorCursor);
    Hover(QPoint(x - 3, 100));
    EXPECT_EQ(win->waveView()->cursor().shape(), Qt::SizeHorCursor);
    Hover(QPoint(x + 4, 100));
    EXPECT_EQ(win->waveView()->cursor().shape(), Qt::ArrowCursor);
    Hover(QPoint(x - 4, 100));
    EXPECT_EQ(win->waveView()->cursor().shape(), Qt::ArrowCursor);
    // Outside the band above and below the marks.
    Hover(QPoint(x, G().waveTop + 10));
    EXPECT_EQ(win->waveView()->cursor().shape(), Qt::ArrowCursor);
    Hover(QPoint(x, G().waveBottom - 11));
    EXPECT_EQ(win->waveView()->cursor().shape(), Qt::SizeHorCursor);
}

TEST_F(WaveMouseTest, DraggingHoldsTenFramesBeforeTheEndAndStopsAtFrameZero) {
    const int x = AddLineAt(400);
    QTest::mousePress(win->waveView(), Qt::LeftButton, {}, QPoint(x, 100));
    QTest::mouseMove(win->waveView(), QPoint(G().waveRight + 200, 100));
    EXPECT_EQ(PartFirstFrame(st, 2), static_cast<int32_t>(st.FrameCount) - 10);
    std::string hms, ms;
    SplitClockText(PartFirstFrame(st, 2) * st.FrameDuration, hms, ms);
    EXPECT_EQ(FindPart<QLabel>(win, "clockLabel")->text().toStdString(), hms);
    EXPECT_EQ(FindPart<QLabel>(win, "clockMsLabel")->text().toStdString(), ms);
    QTest::mouseMove(win->waveView(), QPoint(-300, 100));
    EXPECT_EQ(PartFirstFrame(st, 2), 0);
    EXPECT_EQ(PartFirstFrame(st, 1), 0);
    // Still held: back into the file.
    QTest::mouseMove(win->waveView(), QPoint(300, 100));
    EXPECT_EQ(PartFirstFrame(st, 2), frameAt(300));
    QTest::mouseRelease(win->waveView(), Qt::LeftButton, {}, QPoint(300, 100));
    SettleClicks(win);
}

TEST_F(WaveMouseTest, DraggingPastANeighbourLeavesTheNeighbourWhereItWas) {
    AddLineAt(300);
    AddLineAt(500);
    const int32_t neighbour = PartFirstFrame(st, 3);
    QTest::mousePress(win->waveView(), Qt::LeftButton, {}, QPoint(lineX(2), 100));
    QTest::mouseMove(win->waveView(), QPoint(550, 100));
    QTest::mouseMove(win->waveView(), QPoint(600, 100));
    QTest::mouseRelease(win->waveView(), Qt::LeftButton, {}, QPoint(600, 100));
    SettleClicks(win);
    ASSERT_EQ(PartCount(st), 3);
    EXPECT_EQ(PartFirstFrame(st, 2), neighbour);
    EXPECT_EQ(PartFirstFrame(st, 3), frameAt(600));
}

TEST_F(WaveMouseTest, TheUseMarkTogglesThePartAndStartsNoPlayback) {
    const int x = AddLineAt(400);
    const QImage ticked = UseMarkPixels(2);
    Click(QPoint(x + 8, UseMarkY()));
    EXPECT_FALSE(PartTicked(st, 2));
    EXPECT_EQ(RowOf(win->partList(), 1)->text(1), "Not Used");
    EXPECT_EQ(RowOf(win->partList(), 1)->checkState(0), Qt::Unchecked);
    EXPECT_NE(UseMarkPixels(2), ticked);
    SettleClicks(win);
    EXPECT_FALSE(st.IsPlaying);
    EXPECT_EQ(PlayCount(), 0);

    // Part 1's mark sits at the file start.
    Click(QPoint(G().waveLeft + 4, UseMarkY()));
    EXPECT_FALSE(PartTicked(st, 1));
    Click(QPoint(x + 8, UseMarkY()));
    EXPECT_TRUE(PartTicked(st, 2));
    EXPECT_EQ(UseMarkPixels(2), ticked);
    SettleClicks(win);
    EXPECT_EQ(PlayCount(), 0);
}

TEST_F(WaveMouseTest, TheDeleteMarkRemovesTheLineStopsPlaybackAndStartsNone) {
    const int x = AddLineAt(400);
    AddLineAt(600);
    win->partList()->selectPart(2);
    win->onPlayClicked();
    ASSERT_TRUE(st.IsPlaying);
    engine.calls.clear();
    Click(QPoint(x + 4, G().waveTop + 6));
    EXPECT_EQ(PartCount(st), 2);
    EXPECT_EQ(PartFirstFrame(st, 2), frameAt(600));
    EXPECT_FALSE(st.IsPlaying);
    EXPECT_EQ(st.SelectedPart, 0);
    EXPECT_EQ(PartRows(win->partList()), 2);
    SettleClicks(win);
    EXPECT_FALSE(st.IsPlaying);
    EXPECT_EQ(PlayCount(), 0);
}

TEST_F(WaveMouseTest, ThePlayMarkPlaysItsPartFromTheStart) {
    const int x = AddLineAt(400);
    Click(QPoint(x + 5, G().waveBottom - 5));
    EXPECT_FALSE(st.IsPlaying); // not before the 300 ms
    SettleClicks(win);
    EXPECT_TRUE(st.IsPlaying);
    EXPECT_EQ(st.PlayingPart, 2);
    EXPECT_EQ(HeardFrame(), PartFirstFrame(st, 2));
}

TEST_F(WaveMouseTest, APlainClickPlaysFromTheClickedFrameInItsPart) {
    AddLineAt(400);
    Click(QPoint(200, 150));
    SettleClicks(win);
    EXPECT_TRUE(st.IsPlaying);
    EXPECT_EQ(st.PlayingPart, 1);
    EXPECT_EQ(st.ClickFrame, frameAt(200));
    EXPECT_EQ(HeardFrame(), frameAt(200));
}

TEST_F(WaveMouseTest, AStripClickSelectsAndAStripDoubleClickPlays) {
    AddLineAt(400);
    AddLineAt(600);
    const FrameMapping m(G(), st);
    const int mid = static_cast<int>((m.frameToStripColumn(PartFirstFrame(st, 2)) +
                                      m.frameToStripColumn(PartLastFrame(st, st, 2))) /
                                         2 +
                                     G().waveLeft);
    Click(QPoint(mid, StripY()));
    EXPECT_EQ(st.SelectedPart, 2);
    EXPECT_EQ(win->partList()->currentPart(), 2);
    EXPECT_EQ(win->tagPanel()->partNameLabel->text(), "Part(2)");
    SettleClicks(win);
    EXPECT_FALSE(st.IsPlaying);
    EXPECT_EQ(PlayCount(), 0);

    DoubleClick(QPoint(mid, StripY()));
    EXPECT_TRUE(st.IsPlaying);
    EXPECT_EQ(st.PlayingPart, 2);
    EXPECT_EQ(HeardFrame(), PartFirstFrame(st, 2));
    EXPECT_EQ(PartCount(st), 3); // no line added from the strip
    SettleClicks(win);
}

TEST_F(WaveMouseTest, TheListCheckBoxTogglesNotUsedAndTheWaveformMark) {
    AddLineAt(400);
    const QImage ticked = UseMarkPixels(2);
    PartRow row = RowOf(win->partList(), 1);
    SelectRow(win->partList(), row);
    row->setCheckState(0, Qt::Unchecked);
    EXPECT_FALSE(PartTicked(st, 2));
    EXPECT_EQ(row->text(1), "Not Used");
    EXPECT_NE(UseMarkPixels(2), ticked);
}

TEST_F(WaveMouseTest, RightClickOpensThePartMenuWithItsCaptions) {
    AddLineAt(400);
    AddLineAt(600);
    win->partList()->selectPart(3);
    const QPoint p(300, 100);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, p, win->waveView()->mapToGlobal(p));
    QApplication::sendEvent(win->waveView(), &menu);
    ASSERT_TRUE(win->partMenu()->isVisible());
    EXPECT_EQ(win->partMenu()->playPartAction->text(), "Play Part(3)");
    EXPECT_EQ(win->partMenu()->usePartAction->text(), "Use Part(3)");
    EXPECT_TRUE(win->partMenu()->usePartAction->isChecked());
    EXPECT_TRUE(win->partMenu()->splitAction->isEnabled());
    win->partMenu()->hide();

    // A right click in the part list opens it as well.
    const QPoint inList(20, 30);
    QContextMenuEvent listMenu(QContextMenuEvent::Mouse, inList,
                               win->partList()->viewport()->mapToGlobal(inList));
    QApplication::sendEvent(win->partList()->viewport(), &listMenu);
    EXPECT_TRUE(win->partMenu()->isVisible());
    win->partMenu()->hide();

    // "Clear Cut Lines" goes back to one part and shows the original file.
    win->partMenu()->clearAction->trigger();
    EXPECT_EQ(PartCount(st), 1);
    EXPECT_EQ(PartRows(win->partList()), 0);
    EXPECT_EQ(win->tagPanel()->partNameLabel->text(), "Original File");
}

TEST_F(WaveMouseTest, KeyboardPlaysStopsZoomsAndSplits) {
    win->activateWindow();
    win->waveView()->setFocus();
    QTest::keyClick(win.get(), Qt::Key_Space);
    EXPECT_TRUE(st.IsPlaying);
    QTest::keyClick(win.get(), Qt::Key_Space);
    EXPECT_FALSE(st.IsPlaying);

    const int16_t level = st.ZoomLevel;
    QTest::keyClick(win.get(), Qt::Key_Plus);
    EXPECT_EQ(st.ZoomLevel, level - 1);
    QTest::keyClick(win.get(), Qt::Key_Minus);
    EXPECT_EQ(st.ZoomLevel, level);

    QTest::keyClick(win.get(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages.last(), "No parts prepared to split.");

    // Typing in an edit box types; it does not play.
    win->tagPanel()->titleEdit->setFocus();
    QTest::keyClicks(win->tagPanel()->titleEdit, "a b");
    EXPECT_EQ(win->tagPanel()->titleEdit->text(), "a b");
    EXPECT_FALSE(st.IsPlaying);
}

TEST_F(WaveMouseTest, TagChoiceAndFolderFromTheSplitDialogReachTheSettingsFile) {
    AddLineAt(400);
    const QString chosen = dir.filePath("chosen");
    dialogs.folderAnswer = chosen;
    QTimer::singleShot(0, win.get(), [&] {
        QTest::mouseClick(win->confirmDialog()->folderButton, Qt::LeftButton);
        QTest::mouseClick(win->confirmDialog()->saveTagsCheck, Qt::LeftButton);
        QTest::mouseClick(win->confirmDialog()->cancelButton, Qt::LeftButton);
    });
    win->onSplitTriggered();
    EXPECT_EQ(dialogs.lastFolderTitle, " Please select a folder");
    win->close();
    QFile ini(dir.filePath("tessivo.ini"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(ini.readAll());
    // Tags are on in fresh settings: the click turned them off.
    EXPECT_TRUE(text.contains("IsSaveTags=0")) << text.toStdString();
    EXPECT_TRUE(text.contains("Output Folder=" + chosen)) << text.toStdString();
    EXPECT_TRUE(QDir(chosen).entryList(QDir::Files).isEmpty());
}

TEST_F(WaveMouseTest, TheWholeRoadOfOneFile) {
    AddLineAt(300);
    AddLineAt(600);
    // Untick part 2 in the list, give part 3 a title.
    PartRow row2 = RowOf(win->partList(), 1);
    SelectRow(win->partList(), row2);
    row2->setCheckState(0, Qt::Unchecked);
    SelectRow(win->partList(), RowOf(win->partList(), 2));
    ASSERT_EQ(st.SelectedPart, 3);
    win->tagPanel()->titleEdit->setFocus();
    QTest::keyClicks(win->tagPanel()->titleEdit, "Finale");
    QTest::mouseClick(win->tagPanel()->setButton, Qt::LeftButton);
    EXPECT_EQ(RowOf(win->partList(), 2)->text(6), "Finale");

    QDir().mkpath(QString::fromStdString(st.OutputFolder));
    QTimer::singleShot(0, win.get(), [&] {
        EXPECT_TRUE(win->confirmDialog()->saveTagsCheck->isChecked()); // fresh settings
        QTest::mouseClick(win->confirmDialog()->splitButton, Qt::LeftButton);
    });
    win->onSplitTriggered();
    win->confirmDialog()->splitRunner()->wait();
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(";").toStdString();
    const QDir out(QString::fromStdString(st.OutputFolder));
    EXPECT_EQ(out.entryList(QDir::Files), QStringList({"long65-01.mp3", "long65-02.mp3"}));
    QFile second(out.filePath("long65-02.mp3"));
    ASSERT_TRUE(second.open(QIODevice::ReadOnly));
    const QByteArray tag = second.readAll().right(128);
    EXPECT_TRUE(tag.startsWith("TAGFinale"));
    EXPECT_EQ(RowOf(win->partList(), 0)->text(1), "Saved");
    EXPECT_EQ(RowOf(win->partList(), 1)->text(1), "Not Used");
    EXPECT_EQ(RowOf(win->partList(), 2)->text(1), "Saved");
}

TEST_F(WaveMouseTest, TheSplitRunsBesideTheWindowWhichRefusesEditsUntilItEnds) {
    AddLineAt(300);
    QDir().mkpath(QString::fromStdString(st.OutputFolder));
    QTimer::singleShot(0, win.get(), [&] {
        QTest::mouseClick(win->confirmDialog()->splitButton, Qt::LeftButton);
    });
    win->onSplitTriggered();
    // The window is back at once; the split finishes on the worker's time.
    SplitRunner* split = win->confirmDialog()->splitRunner();
    ASSERT_TRUE(split->isRunning());
    EXPECT_TRUE(win->isBusy());
    EXPECT_FALSE(FindPart<QFrame>(win.get(), "splitFrame")->isEnabled());
    const int cuts = PartCount(st);
    DoubleClick(QPoint(600, 100)); // refused: the parts being written stay
    EXPECT_EQ(PartCount(st), cuts);
    // Closing now waits for the files, and asks nothing: they are split.
    EXPECT_TRUE(win->close());
    EXPECT_FALSE(split->isRunning());
    EXPECT_TRUE(dialogs.discardQuestions.isEmpty());
    EXPECT_FALSE(win->isBusy());
    EXPECT_TRUE(FindPart<QFrame>(win.get(), "splitFrame")->isEnabled());
    EXPECT_EQ(QDir(QString::fromStdString(st.OutputFolder)).entryList(QDir::Files).size(), 2);
    EXPECT_EQ(RowOf(win->partList(), 0)->text(1), "Saved");
    EXPECT_EQ(RowOf(win->partList(), 1)->text(1), "Saved");
}

} // namespace
} // namespace tessivo
