// Undo and redo in the main window, the open that is refused without losing
// the file on show, and the question before unsplit cut lines are lost.
#include "core/parts/cut_lines.h"

#include "core/parts/part_access.h"
#include "tests/fakes/fake_audio_engine.h"
#include "tests/fakes/fake_user_dialogs.h"
#include "tests/gui/part_rows.h"
#include "tests/gui/window_parts.h"
#include "ui/output/confirm_dialog.h"
#include "ui/output/split_runner.h"
#include "ui/output/tag_panel.h"
#include "ui/parts/part_list_view.h"
#include "ui/parts/split_settings_panel.h"
#include "ui/window/main_window.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

#include <memory>

namespace tessivo {
namespace {

using tessivo::testing::FakeAudioEngine;
using tessivo::testing::FakeUserDialogs;
using tessivo::testing::FindPart;

using tessivo::testing::Fixture;

class EditHistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        win = tessivo::testing::ShowTestWindow(st, engine, dialogs, dir);
        ASSERT_TRUE(win);
        win->onPlaybackTick();
        Open(Fixture("long65.mp3"));
        ASSERT_TRUE(st.FileLoaded);
        st.OutputFolder = dir.filePath("out").toStdString();
    }
    void TearDown() override { tessivo::testing::CloseTestWindow(win, dialogs); }

    void Open(const QString& path) {
        dialogs.openFileAnswer = path;
        win->onOpenTriggered();
        win->waitForOpen();
    }
    const ViewGeometry& G() const { return win->viewGeometry(); }
    int lineX(int k) const {
        return static_cast<int>(FrameMapping(G(), st).frameToX(PartFirstFrame(st, k)));
    }
    int64_t frameAt(int x) const { return FrameMapping(G(), st).xToFrame(x); }
    void Click(QPoint p) { QTest::mouseClick(win->waveView(), Qt::LeftButton, {}, p); }
    // A cut line by double click at `x`, playback stopped again.
    void AddLineAt(int x) {
        const QPoint p(x, 100);
        QTest::mousePress(win->waveView(), Qt::LeftButton, {}, p);
        QTest::mouseRelease(win->waveView(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(win->waveView(), Qt::LeftButton, {}, p);
        QTest::mouseRelease(win->waveView(), Qt::LeftButton, {}, p);
        SettleClicks(win);
        win->stopPlayback();
    }
    QUndoStack* Stack() const { return win->editHistory()->stack(); }
    QAction* Undo() const { return FindPart<QAction>(win, "undoAction"); }
    QAction* Redo() const { return FindPart<QAction>(win, "redoAction"); }
    QString Status() const { return FindPart<QLabel>(win, "statusLabel")->text(); }
    // Where the parts start now.
    std::vector<int32_t> Lines() const {
        std::vector<int32_t> starts;
        for (int k = 1; k <= PartCount(st); ++k)
            starts.push_back(PartFirstFrame(st, k));
        return starts;
    }

    QTemporaryDir dir;
    ProgramState st;
    FakeAudioEngine engine;
    FakeUserDialogs dialogs;
    std::unique_ptr<MainWindow> win;
};

TEST_F(EditHistoryTest, AddDragAndDeleteAreUndoneAndRedoneStepByStep) {
    EXPECT_FALSE(Undo()->isEnabled());
    AddLineAt(400);
    ASSERT_EQ(PartCount(st), 2);
    EXPECT_EQ(Undo()->text(), QStringLiteral("Undo Add Cut Line"));
    const std::vector<int32_t> added = Lines();

    // Press, several moves, release: one step.
    const int x = lineX(2);
    QTest::mousePress(win->waveView(), Qt::LeftButton, {}, QPoint(x, 100));
    for (int to : {450, 500, 560, 610})
        QTest::mouseMove(win->waveView(), QPoint(to, 100));
    QTest::mouseRelease(win->waveView(), Qt::LeftButton, {}, QPoint(610, 100));
    SettleClicks(win);
    win->stopPlayback();
    ASSERT_EQ(PartFirstFrame(st, 2), frameAt(610));
    const std::vector<int32_t> dragged = Lines();
    EXPECT_EQ(Stack()->count(), 2);
    EXPECT_EQ(Undo()->text(), QStringLiteral("Undo Move Cut Line"));

    // The delete mark of the line.
    Click(QPoint(lineX(2) + 4, G().waveTop + 6));
    SettleClicks(win);
    ASSERT_EQ(PartCount(st), 1);
    EXPECT_EQ(Stack()->count(), 3);

    Undo()->trigger();
    EXPECT_EQ(Lines(), dragged);
    EXPECT_EQ(PartRows(win->partList()), 2);
    Undo()->trigger();
    EXPECT_EQ(Lines(), added); // the whole drag at once
    EXPECT_EQ(Redo()->text(), QStringLiteral("Redo Move Cut Line"));
    Undo()->trigger();
    EXPECT_EQ(PartCount(st), 1);
    EXPECT_EQ(PartRows(win->partList()), 0);
    EXPECT_FALSE(Undo()->isEnabled());

    Redo()->trigger();
    Redo()->trigger();
    EXPECT_EQ(Lines(), dragged);
    EXPECT_EQ(PartRows(win->partList()), 2);
    Redo()->trigger();
    EXPECT_EQ(PartCount(st), 1);
    EXPECT_FALSE(Redo()->isEnabled());
}

TEST_F(EditHistoryTest, PrepareClearTickAndTagAreUndone) {
    auto* panel = win->findChild<SplitSettingsPanel*>();
    ASSERT_NE(panel, nullptr);
    panel->byPartsRadio->click();
    panel->partsSpin->setValue(4);
    panel->onPrepareClicked();
    ASSERT_EQ(PartCount(st), 4);
    const std::vector<int32_t> prepared = Lines();
    EXPECT_EQ(Undo()->text(), QStringLiteral("Undo Prepare"));

    // Untick part 2 with its use mark.
    Click(QPoint(lineX(2) + 8, G().waveTop + G().waveHalf));
    SettleClicks(win);
    win->stopPlayback();
    ASSERT_FALSE(PartTicked(st, 2));

    // A title for part 3 through the tag panel.
    win->partList()->selectPart(3);
    win->tagPanel()->showPartTags(3);
    QLineEdit* title = win->tagPanel()->titleEdit;
    title->setFocus();
    title->selectAll();
    QTest::keyClicks(title, "Third");
    win->tagPanel()->onSetClicked();
    const Id3v1Record tagged = PartId3v1(st, 3);
    ASSERT_NE(tagged, Id3v1Record{});

    panel->clearRequested();
    ASSERT_EQ(PartCount(st), 1);

    Undo()->trigger(); // the Clear
    EXPECT_EQ(Lines(), prepared);
    EXPECT_FALSE(PartTicked(st, 2));
    EXPECT_EQ(PartId3v1(st, 3), tagged);
    Undo()->trigger(); // the tag
    EXPECT_EQ(PartId3v1(st, 3), Id3v1Record{});
    EXPECT_TRUE(win->tagPanel()->titleEdit->text().isEmpty());
    Undo()->trigger(); // the tick
    EXPECT_TRUE(PartTicked(st, 2));
    EXPECT_EQ(RowOf(win->partList(), 1)->checkState(0), Qt::Checked);
    Undo()->trigger(); // the Prepare
    EXPECT_EQ(PartCount(st), 1);
    EXPECT_FALSE(Undo()->isEnabled());
    Redo()->trigger();
    EXPECT_EQ(Lines(), prepared);
}

TEST_F(EditHistoryTest, OpeningAnotherFileStartsANewHistory) {
    AddLineAt(400);
    ASSERT_EQ(Stack()->count(), 1);
    Open(Fixture("cbr128_stereo.mp3"));
    ASSERT_EQ(PartCount(st), 1);
    EXPECT_EQ(Stack()->count(), 0);
    EXPECT_FALSE(Undo()->isEnabled());
}

TEST_F(EditHistoryTest, TheShortcutsReachUndoAndRedo) {
    EXPECT_TRUE(Undo()->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Z)));
    EXPECT_TRUE(Redo()->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)));
    EXPECT_TRUE(Redo()->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Y)));
    AddLineAt(400);
    win->activateWindow();
    QTest::keyClick(win.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(PartCount(st), 1);
    QTest::keyClick(win.get(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(PartCount(st), 2);
}

TEST_F(EditHistoryTest, ARefusedOpenKeepsTheFileItsEditsTitleAndStatus) {
    AddLineAt(400);
    AddLineAt(600);
    win->partList()->selectPart(2);
    win->statusController()->refresh();
    const QString title = win->windowTitle();
    const QString status = Status();
    const QString stream = FindPart<QLabel>(win, "streamInfoLabel")->text();
    const std::vector<int32_t> lines = Lines();
    const uint32_t frames = st.FrameCount;
    dialogs.discardAnswer = true;

    for (const char* name : {"not_mp3.wav", "empty.mp3"}) {
        dialogs.messages.clear();
        Open(Fixture(name));
        EXPECT_EQ(dialogs.messages.size(), 1) << name;
        EXPECT_TRUE(st.FileLoaded) << name;
        EXPECT_EQ(st.FrameCount, frames) << name;
        EXPECT_EQ(Lines(), lines) << name;
        EXPECT_EQ(PartRows(win->partList()), 3) << name;
        EXPECT_EQ(win->windowTitle(), title) << name;
        EXPECT_EQ(Status(), status) << name;
        EXPECT_EQ(FindPart<QLabel>(win, "streamInfoLabel")->text(), stream) << name;
        EXPECT_TRUE(FindPart<QAction>(win, "openAction")->isEnabled());
    }
    // The history survived too.
    EXPECT_EQ(Stack()->count(), 2);
}

TEST_F(EditHistoryTest, OpeningOverUnsplitCutLinesAsksFirst) {
    Open(Fixture("cbr128_stereo.mp3")); // nothing edited: no question
    EXPECT_TRUE(dialogs.discardQuestions.isEmpty());
    Open(Fixture("long65.mp3"));
    AddLineAt(400);

    dialogs.discardAnswer = false;
    Open(Fixture("cbr128_stereo.mp3"));
    ASSERT_EQ(dialogs.discardQuestions.size(), 1);
    EXPECT_EQ(dialogs.discardQuestions[0], QStringLiteral("Discard the cut lines of long65.mp3?"));
    EXPECT_EQ(PartCount(st), 2);
    EXPECT_EQ(win->windowTitle(), Fixture("long65.mp3"));

    dialogs.discardAnswer = true;
    Open(Fixture("cbr128_stereo.mp3"));
    EXPECT_EQ(dialogs.discardQuestions.size(), 2);
    EXPECT_EQ(PartCount(st), 1);
    EXPECT_EQ(win->windowTitle(), Fixture("cbr128_stereo.mp3"));
}

TEST_F(EditHistoryTest, DroppingAFileOverUnsplitCutLinesAsksFirst) {
    AddLineAt(400);
    dialogs.discardAnswer = false;
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(Fixture("cbr128_stereo.mp3"))});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(win.get(), &enter);
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(win.get(), &drop);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialogs.discardQuestions.size() == 1; }, 5000));
    win->waitForOpen();
    EXPECT_EQ(dialogs.discardQuestions.size(), 1);
    EXPECT_EQ(PartCount(st), 2);

    dialogs.discardAnswer = true;
    QDragEnterEvent enterAgain(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(win.get(), &enterAgain);
    QDropEvent again(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(win.get(), &again);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialogs.discardQuestions.size() == 2; }, 5000));
    win->waitForOpen();
    EXPECT_EQ(dialogs.discardQuestions.size(), 2);
    EXPECT_EQ(PartCount(st), 1);
    EXPECT_EQ(win->windowTitle(), Fixture("cbr128_stereo.mp3"));
}

TEST_F(EditHistoryTest, ClosingOverUnsplitCutLinesAsksAndCancelKeepsTheWindow) {
    AddLineAt(400);
    dialogs.discardAnswer = false;
    EXPECT_FALSE(win->close());
    EXPECT_TRUE(win->isVisible());
    EXPECT_EQ(PartCount(st), 2);
    ASSERT_EQ(dialogs.discardQuestions.size(), 1);
    dialogs.discardAnswer = true;
    EXPECT_TRUE(win->close());
    EXPECT_EQ(dialogs.discardQuestions.size(), 2);
}

TEST_F(EditHistoryTest, NoQuestionAfterASplitAndTheSplitIsNoUndoStep) {
    AddLineAt(400);
    QDir().mkpath(QString::fromStdString(st.OutputFolder));
    QTimer::singleShot(0, win.get(), [&] {
        QTest::mouseClick(win->confirmDialog()->splitButton, Qt::LeftButton);
    });
    win->onSplitTriggered();
    win->confirmDialog()->splitRunner()->wait();
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(";").toStdString();
    EXPECT_EQ(QDir(QString::fromStdString(st.OutputFolder)).entryList(QDir::Files).size(), 2);
    EXPECT_EQ(Stack()->count(), 1);
    EXPECT_EQ(Undo()->text(), QStringLiteral("Undo Add Cut Line"));
    EXPECT_TRUE(win->close());
    EXPECT_TRUE(dialogs.discardQuestions.isEmpty());
}

} // namespace
} // namespace tessivo
