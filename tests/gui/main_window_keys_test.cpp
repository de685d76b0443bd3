// Exact times, keys and the wheel in the main window: the typed start of the
// selected part (field and Begin cell), Add cut at, the play cursor keys, M,
// Insert and Delete, Space, the wheel and Ctrl+wheel, zoom to fit, typed spin
// box numbers and equal time in hours, driven by real events on real MP3s.
#include "core/analysis/time_base.h"
#include "core/util/time_text.h"

#include "core/parts/part_access.h"
#include "core/parts/typed_cut.h"
#include "tests/fakes/fake_audio_engine.h"
#include "tests/fakes/fake_user_dialogs.h"
#include "tests/gui/part_rows.h"
#include "tests/gui/tab_chain.h"
#include "tests/gui/window_parts.h"
#include "ui/document/edit_history.h"
#include "ui/output/tag_panel.h"
#include "ui/parts/part_list_view.h"
#include "ui/parts/split_settings_panel.h"
#include "ui/view/playback_cursor_overlay.h"
#include "ui/window/main_window.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QRadioButton>
#include <QScrollBar>
#include <QSet>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace tessivo {
namespace {

using tessivo::testing::FakeAudioEngine;
using tessivo::testing::FakeUserDialogs;
using tessivo::testing::FindPart;

// A mono 8 kHz tone of `seconds` (whole frames, rounded up): one minute made
// by ffmpeg at 8 kbps without tags, in frames of 72 bytes, repeated frame for
// frame, since encoding hours takes seconds. 0 when made, -2 when there is no
// ffmpeg, -3 when the minute is not such frames or a file cannot be written.
int MakeToneFile(const QString& path, int seconds) {
    const QString piece = path + QStringLiteral(".minute.mp3");
    const int made = QProcess::execute(QStringLiteral("ffmpeg"),
                                       {"-v", "error", "-y", "-f", "lavfi", "-i",
                                        "sine=frequency=440:sample_rate=8000:duration=60", "-ac",
                                        "1", "-c:a", "libmp3lame", "-b:a", "8k", "-write_xing", "0",
                                        "-id3v2_version", "0", piece});
    if (made != 0)
        return made;
    QFile in(piece);
    if (!in.open(QIODevice::ReadOnly))
        return -3;
    const QByteArray minute = in.readAll();
    constexpr qint64 kFrameBytes = 72, kFrameSamples = 576, kRate = 8000;
    if (minute.isEmpty() || minute.size() % kFrameBytes != 0)
        return -3;
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return -3;
    const qint64 frames = (qint64{seconds} * kRate + kFrameSamples - 1) / kFrameSamples;
    for (qint64 left = frames * kFrameBytes; left > 0; left -= minute.size())
        if (out.write(minute.constData(), std::min<qint64>(left, minute.size())) < 0)
            return -3;
    return 0;
}

class WindowKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        win = tessivo::testing::ShowTestWindow(st, engine, dialogs, dir);
        ASSERT_TRUE(win);
        win->activateWindow();
        QApplication::setActiveWindow(win.get());
        win->onPlaybackTick();
        Open(QStringLiteral(TESSIVO_FIXTURES "/long65.mp3"));
    }
    void TearDown() override { tessivo::testing::CloseTestWindow(win, dialogs); }

    void Open(const QString& path) {
        dialogs.openFileAnswer = path;
        win->onOpenTriggered();
        win->waitForOpen();
        ASSERT_TRUE(st.FileLoaded);
    }
    const ViewGeometry& G() const { return win->viewGeometry(); }
    int64_t Frame(double seconds) const { return NearestFrameAt(st, seconds); }
    int64_t Second() const { return Frame(1.0); }
    // A cut line through Edit > Add cut at with `text` as the answer.
    void AddCutAt(const QString& text) {
        dialogs.timeAnswer = text;
        FindPart<QAction>(win, "addCutAtAction")->trigger();
    }
    void TypeStart(const QString& text) {
        QLineEdit* field = win->partStartEdit();
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }
    void Key(int key, Qt::KeyboardModifiers mods = {}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), mods);
    }
    void FocusWave() {
        win->waveView()->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(win->waveView()->hasFocus());
    }
    void Wheel(int x, int delta, Qt::KeyboardModifiers mods = {}) {
        const QPointF at(x, 100);
        QWheelEvent e(at, win->waveView()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                      Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(win->waveView(), &e);
    }
    int64_t FrameUnder(int x) const { return FrameMapping(G(), st).xToFrame(x); }

    QTemporaryDir dir;
    ProgramState st;
    FakeAudioEngine engine;
    FakeUserDialogs dialogs;
    std::unique_ptr<MainWindow> win;
};

TEST_F(WindowKeysTest, AddCutAtAsksForATimeAndPutsTheLineOnTheNearestFrame) {
    QAction* add = FindPart<QAction>(win, "addCutAtAction");
    EXPECT_EQ(add->text(), QStringLiteral("Add cut at\u2026"));
    EXPECT_EQ(add->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
    // Ctrl+T asks; a cancelled question changes nothing.
    QTest::keyClick(win.get(), Qt::Key_T, Qt::ControlModifier);
    ASSERT_EQ(dialogs.timeQuestions.size(), 3);
    EXPECT_EQ(dialogs.timeQuestions[0], QStringLiteral("Add cut at\u2026"));
    EXPECT_EQ(dialogs.timeQuestions[2], "0:00:00.000"); // the play cursor's time
    EXPECT_EQ(PartCount(st), 1);

    AddCutAt("0:00:20.013");
    ASSERT_EQ(PartCount(st), 2);
    EXPECT_EQ(PartFirstFrame(st, 2), Frame(20.013));
    EXPECT_EQ(st.SelectedPart, 2);
    EXPECT_EQ(PartRows(win->partList()), 2);
    // Minutes and seconds alone, and no milliseconds, read as well.
    AddCutAt("00:40");
    ASSERT_EQ(PartCount(st), 3);
    EXPECT_EQ(PartFirstFrame(st, 3), Frame(40.0));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(";").toStdString();

    // Refusals: outside the file, on a line, no time at all.
    AddCutAt("0:05:00.000");
    AddCutAt("0:00:40.000");
    AddCutAt("twenty");
    EXPECT_EQ(PartCount(st), 3);
    ASSERT_EQ(dialogs.messages.size(), 3);
    EXPECT_TRUE(dialogs.messages[0].contains("outside the file"))
        << dialogs.messages[0].toStdString();
    EXPECT_TRUE(dialogs.messages[1].contains("on cut line 3")) << dialogs.messages[1].toStdString();
    EXPECT_TRUE(dialogs.messages[2].startsWith("Incorrect time value!"));

    // Each added line is one undo step.
    FindPart<QAction>(win, "undoAction")->trigger();
    EXPECT_EQ(PartCount(st), 2);
}

TEST_F(WindowKeysTest, TheStartFieldMovesTheSelectedPartsCutLineUndoably) {
    AddCutAt("0:00:20.000");
    AddCutAt("0:00:40.000");
    win->partList()->selectPart(2);
    ASSERT_EQ(st.SelectedPart, 2);
    QLineEdit* field = win->partStartEdit();
    EXPECT_TRUE(field->isEnabled());
    // A typed time keeps its sample: the field and the list show it, while
    // the line lies on the frame nearest it.
    EXPECT_EQ(field->text().toStdString(), "0:00:20.000");

    TypeStart("0:00:25.500");
    EXPECT_EQ(PartFirstFrame(st, 2), Frame(25.5));
    EXPECT_EQ(PartLastFrame(st, st, 1), Frame(25.5) - 1);
    EXPECT_EQ(RowOf(win->partList(), 1)->text(2).toStdString(), "00:25:500");
    EXPECT_EQ(field->text().toStdString(), "0:00:25.500");

    // Outside the file and on the other line: a message, nothing moves.
    TypeStart("1:00:00.000");
    TypeStart(QString::fromStdString(FormatClockMsText(PartFirstFrame(st, 3) * st.FrameDuration)));
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_TRUE(dialogs.messages[0].contains("outside the file"));
    EXPECT_TRUE(dialogs.messages[1].contains("on cut line 3"));
    EXPECT_EQ(PartFirstFrame(st, 2), Frame(25.5));
    // The refused text is replaced by the start again.
    EXPECT_EQ(field->text().toStdString(), "0:00:25.500");

    FindPart<QAction>(win, "undoAction")->trigger();
    EXPECT_EQ(PartFirstFrame(st, 2), Frame(20.0));
    FindPart<QAction>(win, "redoAction")->trigger();
    EXPECT_EQ(PartFirstFrame(st, 2), Frame(25.5));

    // The first part starts with the file: nothing to type.
    win->partList()->selectPart(1);
    EXPECT_FALSE(field->isEnabled());
}

TEST_F(WindowKeysTest, DoubleClickingTheBeginCellTypesTheStart) {
    AddCutAt("0:00:20.000");
    AddCutAt("0:00:40.000");
    PartListView* list = win->partList();
    const QRect cell = CellRect(list, RowOf(list, 1), 2);
    const QPoint at(cell.left() + 5, cell.center().y());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    // The editor opens with the exact start, not the list's shorter text.
    EXPECT_EQ(editor->text().toStdString(), "0:00:20.000");
    EXPECT_FALSE(st.IsPlaying); // a double click there edits; it does not play
    editor->selectAll();
    QTest::keyClicks(editor, "0:00:30.000");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return PartFirstFrame(st, 2) == Frame(30.0); }, 2000));
    EXPECT_EQ(RowOf(list, 1)->text(2).toStdString(), "00:30:000");

    // A refused time in the cell: the message, the line stays.
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "9:00:00.000");
    QTest::keyClick(editor, Qt::Key_Return);
    // The cell tells its time once the editor has closed (a queued signal).
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialogs.messages.isEmpty(); }, 2000));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].contains("outside the file"));
    EXPECT_EQ(PartFirstFrame(st, 2), Frame(30.0));

    // A double click elsewhere in the row still plays the part.
    const QPoint status(list->horizontalHeader()->sectionViewportPosition(1) + 5,
                        cell.center().y());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, status);
    EXPECT_TRUE(st.IsPlaying);
}

TEST_F(WindowKeysTest, AClickOnTheWaveformTakesTheKeyboardFocus) {
    win->partList()->setFocus();
    ASSERT_FALSE(win->waveView()->hasFocus());
    QTest::mouseClick(win->waveView(), Qt::LeftButton, {}, QPoint(300, 100));
    EXPECT_TRUE(win->waveView()->hasFocus());
    SettleClicks(win);
    win->stopPlayback();
}

TEST_F(WindowKeysTest, ArrowsHomeAndEndMoveThePlayCursor) {
    FocusWave();
    ASSERT_EQ(st.ClickFrame, 0);
    Key(Qt::Key_Right);
    EXPECT_EQ(st.ClickFrame, Second());
    Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(st.ClickFrame, Second() + 1);
    Key(Qt::Key_Left);
    EXPECT_EQ(st.ClickFrame, 1);
    Key(Qt::Key_Left);
    EXPECT_EQ(st.ClickFrame, 0); // held at the start
    Key(Qt::Key_End);
    EXPECT_EQ(st.ClickFrame, int32_t(st.FrameCount) - 1);
    Key(Qt::Key_Right);
    EXPECT_EQ(st.ClickFrame, int32_t(st.FrameCount) - 1); // held at the end
    Key(Qt::Key_Home);
    EXPECT_EQ(st.ClickFrame, 0);
    EXPECT_FALSE(st.IsPlaying);

    // The position line stands on the cursor while nothing plays.
    Key(Qt::Key_Right);
    win->onPlaybackTick();
    PlaybackLine* line = win->playback()->overlays()->positionLine;
    EXPECT_FALSE(line->isHidden());
    EXPECT_EQ(line->x(), FrameMapping(G(), st).frameToX(st.ClickFrame));
    // And the clock shows its time.
    win->statusController()->refresh();
    std::string hms, ms;
    SplitClockText(st.ClickFrame * st.FrameDuration, hms, ms);
    EXPECT_EQ(FindPart<QLabel>(win, "clockLabel")->text().toStdString(), hms);
    EXPECT_EQ(FindPart<QLabel>(win, "clockMsLabel")->text().toStdString(), ms);
    EXPECT_EQ(hms, "0:00:01");

    // While playing, the keys move what is heard.
    win->onPlayClicked();
    ASSERT_TRUE(st.IsPlaying);
    Key(Qt::Key_Right);
    EXPECT_TRUE(st.IsPlaying);
    EXPECT_EQ(engine.GetPosition(st.PlayStream),
              FrameToPcmBytes(st, Second())); // from the start, one second on
    win->onPlaybackTick();
    EXPECT_TRUE(line->isHidden());
}

// A line added where playback is: playback goes on into the new part, and
// the player's owner says so.
TEST_F(WindowKeysTest, MWhilePlayingGoesOnIntoTheNewPart) {
    FocusWave();
    for (int i = 0; i < 10; ++i)
        Key(Qt::Key_Right);
    win->playback()->playPart(1, PlayStartKind::ClickedFrame);
    ASSERT_TRUE(st.IsPlaying);
    ASSERT_EQ(st.PlayingPart, 1);
    QSignalSpy changed(win->playback(), &PlaybackController::playbackChanged);
    Key(Qt::Key_M);
    ASSERT_EQ(PartCount(st), 2);
    EXPECT_TRUE(st.IsPlaying);
    EXPECT_EQ(st.PlayingPart, 2);
    EXPECT_EQ(st.SelectedPart, 2);
    EXPECT_GE(changed.count(), 1);
}

TEST_F(WindowKeysTest, MAndInsertAddACutLineAtThePlayCursorAndDeleteRemovesIt) {
    FocusWave();
    for (int i = 0; i < 10; ++i)
        Key(Qt::Key_Right);
    Key(Qt::Key_M);
    ASSERT_EQ(PartCount(st), 2);
    EXPECT_EQ(PartFirstFrame(st, 2), 10 * Second());
    EXPECT_EQ(st.SelectedPart, 2);
    // A second M on the same spot adds nothing.
    Key(Qt::Key_M);
    EXPECT_EQ(PartCount(st), 2);
    for (int i = 0; i < 5; ++i)
        Key(Qt::Key_Right);
    Key(Qt::Key_Insert);
    ASSERT_EQ(PartCount(st), 3);
    EXPECT_EQ(PartFirstFrame(st, 3), 15 * Second());
    EXPECT_EQ(st.SelectedPart, 3);

    // Delete takes the selected part's starting line; part 1 has none.
    Key(Qt::Key_Delete);
    ASSERT_EQ(PartCount(st), 2);
    EXPECT_EQ(PartFirstFrame(st, 2), 10 * Second());
    win->partList()->selectPart(1);
    Key(Qt::Key_Delete);
    EXPECT_EQ(PartCount(st), 2);
    // From the part list as well.
    win->partList()->selectPart(2);
    ASSERT_TRUE(win->partList()->hasFocus());
    Key(Qt::Key_Delete);
    EXPECT_EQ(PartCount(st), 1);
    EXPECT_EQ(PartRows(win->partList()), 0);
    // The tag panel keeps its letters: M in the genre box adds no line.
    FocusWave();
    for (int i = 0; i < 10; ++i)
        Key(Qt::Key_Right);
    win->tagPanel()->genreCombo->setFocus();
    ASSERT_TRUE(win->tagPanel()->genreCombo->hasFocus());
    Key(Qt::Key_M);
    EXPECT_EQ(PartCount(st), 1);

    // While playing, M cuts where the sound is and playback goes on.
    FocusWave();
    win->onPlayClicked();
    engine.Advance(st.PlayStream, FrameToPcmBytes(st, 300));
    win->onPlaybackTick();
    Key(Qt::Key_M);
    ASSERT_EQ(PartCount(st), 2);
    EXPECT_EQ(PartFirstFrame(st, 2), 300);
    win->onPlaybackTick();
    EXPECT_TRUE(st.IsPlaying);
}

TEST_F(WindowKeysTest, SpacePlaysAndStopsWhereverTheFocusIsButInATextField) {
    AddCutAt("0:00:20.000");
    win->partList()->selectPart(1);
    for (QWidget* w : {static_cast<QWidget*>(FindPart<QToolButton>(win, "playButton")),
                       static_cast<QWidget*>(FindPart<QRadioButton>(win, "byPartsRadio")),
                       static_cast<QWidget*>(win->waveView())}) {
        w->setFocus();
        ASSERT_TRUE(w->hasFocus()) << w->objectName().toStdString();
        Key(Qt::Key_Space);
        EXPECT_TRUE(st.IsPlaying) << w->objectName().toStdString();
        Key(Qt::Key_Space);
        EXPECT_FALSE(st.IsPlaying) << w->objectName().toStdString();
    }
    EXPECT_EQ(PartCount(st), 2);
    EXPECT_FALSE(FindPart<QRadioButton>(win, "byPartsRadio")->isChecked());

    // Typing: the space goes into the text.
    QLineEdit* title = win->tagPanel()->titleEdit;
    title->setFocus();
    QTest::keyClicks(title, "a b");
    EXPECT_EQ(title->text(), "a b");
    // Nor does it play from the start field or a spin box being typed in.
    win->partList()->selectPart(2);
    win->partStartEdit()->setFocus();
    Key(Qt::Key_Space);
    EXPECT_FALSE(st.IsPlaying);
    auto* panel = win->findChild<SplitSettingsPanel*>();
    QTest::mouseClick(panel->byPartsRadio, Qt::LeftButton);
    panel->partsSpin->setFocus();
    Key(Qt::Key_Space);
    EXPECT_FALSE(st.IsPlaying);
}

// In the part list Space ticks and unticks the selected part (one undoable
// edit each) and plays nothing; Up and Down move the selection.
TEST_F(WindowKeysTest, SpaceInThePartListTicksTheSelectedPart) {
    AddCutAt("0:00:20.000");
    AddCutAt("0:00:40.000");
    ASSERT_EQ(PartCount(st), 3);
    win->partList()->selectPart(2);
    win->partList()->setFocus();
    ASSERT_TRUE(win->partList()->hasFocus());
    Key(Qt::Key_Space);
    EXPECT_FALSE(PartTicked(st, 2));
    EXPECT_FALSE(st.IsPlaying);
    EXPECT_EQ(RowOf(win->partList(), 1)->checkState(0), Qt::Unchecked);
    Key(Qt::Key_Space);
    EXPECT_TRUE(PartTicked(st, 2));
    EXPECT_FALSE(st.IsPlaying);
    win->editHistory()->stack()->undo();
    EXPECT_FALSE(PartTicked(st, 2));

    Key(Qt::Key_Down);
    EXPECT_EQ(st.SelectedPart, 3);
    Key(Qt::Key_Space);
    EXPECT_FALSE(PartTicked(st, 3));
    Key(Qt::Key_Up);
    Key(Qt::Key_Up);
    EXPECT_EQ(st.SelectedPart, 1);
}

TEST_F(WindowKeysTest, ZoomToFitShowsTheWholeFileAtAFractionalScale) {
    QAction* fit = FindPart<QAction>(win, "zoomToFitAction");
    EXPECT_EQ(fit->text(), "Zoom to fit");
    const int16_t startLevel = StartingZoomLevel(st.FrameCount, G().cols());
    EXPECT_EQ(st.ZoomLevel, startLevel);
    // At the starting zoom the file ends before the right edge.
    const QImage& pic = win->waveBitmap();
    EXPECT_EQ(pic.pixelColor(G().cols() - 3, 5), QColor(185, 178, 165));
    QTest::keyClick(win.get(), Qt::Key_0, Qt::ControlModifier);
    const double z = double(st.FrameCount) / G().cols();
    ASSERT_GT(z, 1.0);
    ASSERT_NE(z, std::floor(z)); // not a power of two
    EXPECT_DOUBLE_EQ(st.FitFramesPerColumn, z);
    EXPECT_EQ(st.ViewFirstFrame, 0);
    const FrameMapping m(G(), st);
    EXPECT_EQ(m.frameToColumn(st.FrameCount), G().cols()); // the end at the right edge
    // Now the stretch holding audio reaches the right edge of the picture.
    EXPECT_EQ(pic.pixelColor(G().cols() - 3, 5), QColor(215, 208, 195));

    // Hit tests use the same scale: a double click adds the line under it,
    // drawn where it was clicked.
    const int x = G().waveLeft + 700;
    const QPoint p(x, 100);
    QTest::mousePress(win->waveView(), Qt::LeftButton, {}, p);
    QTest::mouseRelease(win->waveView(), Qt::LeftButton, {}, p);
    QTest::mouseDClick(win->waveView(), Qt::LeftButton, {}, p);
    QTest::mouseRelease(win->waveView(), Qt::LeftButton, {}, p);
    ASSERT_EQ(PartCount(st), 2);
    EXPECT_EQ(PartFirstFrame(st, 2), FrameUnder(x));
    EXPECT_EQ(FrameMapping(G(), st).frameToX(PartFirstFrame(st, 2)), x);
    SettleClicks(win);
    win->stopPlayback();

    // Zoom in leaves the fitted scale for the level below it.
    win->onZoomInClicked();
    EXPECT_EQ(st.FitFramesPerColumn, 0.0);
    EXPECT_EQ(st.ZoomLevel, LevelOfScale(z) - 1);

    // Another file opens at the usual starting zoom.
    QTest::keyClick(win.get(), Qt::Key_0, Qt::ControlModifier);
    Open(QStringLiteral(TESSIVO_FIXTURES "/cbr128_stereo.mp3"));
    EXPECT_EQ(st.FitFramesPerColumn, 0.0);
    EXPECT_EQ(st.ZoomLevel, StartingZoomLevel(st.FrameCount, G().cols()));
}

TEST_F(WindowKeysTest, TheWheelScrollsAndCtrlWheelZoomsAroundThePointer) {
    Open(QStringLiteral(TESSIVO_FIXTURES "/speech_32min.mp3"));
    win->onZoomInClicked();
    win->onZoomInClicked();
    const int16_t level = st.ZoomLevel;
    const double z = ZoomFactor[level];
    ASSERT_EQ(st.ViewFirstFrame, 0);

    // One notch towards the user: a tenth of the view further on; back again.
    Wheel(500, -120);
    EXPECT_EQ(st.ViewFirstFrame, RoundEven(z * G().cols() / 10.0));
    Wheel(500, -240);
    EXPECT_EQ(st.ViewFirstFrame, 3 * RoundEven(z * G().cols() / 10.0));
    Wheel(500, 120);
    EXPECT_EQ(st.ViewFirstFrame, 2 * RoundEven(z * G().cols() / 10.0));
    Wheel(500, 12000);
    EXPECT_EQ(st.ViewFirstFrame, 0); // held at the start

    // Ctrl+wheel: the frame under the pointer stays under it.
    Wheel(500, -1200);
    const int x = 400;
    const int64_t under = FrameUnder(x);
    Wheel(x, -120, Qt::ControlModifier);
    EXPECT_EQ(st.ZoomLevel, level + 1);
    EXPECT_EQ(FrameUnder(x), under);
    Wheel(x, 120, Qt::ControlModifier);
    EXPECT_EQ(st.ZoomLevel, level);
    EXPECT_EQ(FrameUnder(x), under);
    Wheel(x, 120, Qt::ControlModifier);
    EXPECT_EQ(st.ZoomLevel, level - 1);
    EXPECT_EQ(FrameUnder(x), under);
    // The scroll bar shows where the view is.
    const FrameMapping m(G(), st);
    EXPECT_NEAR(win->findChild<QScrollBar*>("scrollBar")->value(),
                kScrollMax * double(st.ViewFirstFrame) / st.FrameCount,
                1.0 + kScrollMax * z / st.FrameCount);
}

TEST_F(WindowKeysTest, ColumnsFitTheirContentsAndFilenameTakesTheSpareWidth) {
    AddCutAt("0:00:20.000");
    AddCutAt("0:00:40.000");
    PartListView* list = win->partList();
    const QFontMetrics fm(list->font());
    const auto widths = [list] {
        int sum = 0;
        for (int c = 0; c < list->model()->columnCount(); ++c)
            sum += list->columnWidth(c);
        return sum;
    };
    // Every text fits its column; the times are not wider than they need.
    for (int r = 0; r < PartRows(list); ++r)
        for (int c = 1; c < list->model()->columnCount(); ++c)
            EXPECT_GE(list->columnWidth(c), fm.horizontalAdvance(RowOf(list, r)->text(c)))
                << "row " << r << " column " << c;
    EXPECT_LT(list->columnWidth(2), 2 * fm.horizontalAdvance("00:20:000"));
    // The file names are full paths here: wider than the list, which scrolls.
    EXPECT_GT(widths(), list->viewport()->width());
    // A wider window leaves width over: Filename takes it and ends at the
    // list's right edge.
    win->resize(win->width() + 600, win->height());
    EXPECT_TRUE(QTest::qWaitFor([&] { return widths() == list->viewport()->width(); }, 2000));
    ASSERT_GT(list->viewport()->width(), 800);
    EXPECT_EQ(widths(), list->viewport()->width());
    EXPECT_GT(list->columnWidth(5), fm.horizontalAdvance(RowOf(list, 0)->text(5)));
}

TEST_F(WindowKeysTest, SpinBoxesTakeTypedNumbers) {
    auto* panel = win->findChild<SplitSettingsPanel*>();
    ASSERT_NE(panel, nullptr);
    QTest::mouseClick(panel->bySilenceRadio, Qt::LeftButton);
    QSpinBox* threshold = panel->thresholdSpin;
    threshold->setFocus();
    threshold->selectAll();
    QTest::keyClicks(threshold, "35");
    EXPECT_EQ(threshold->value(), 35);
    EXPECT_EQ(st.SilenceThreshold, 35);

    QTest::mouseClick(panel->byPartsRadio, Qt::LeftButton);
    panel->partsSpin->setFocus();
    panel->partsSpin->selectAll();
    QTest::keyClicks(panel->partsSpin, "7");
    QTest::keyClick(panel->partsSpin, Qt::Key_Return);
    EXPECT_EQ(panel->partsSpin->value(), 7);
    panel->onPrepareClicked();
    EXPECT_EQ(PartCount(st), 7);
}

TEST_F(WindowKeysTest, EqualTimeTakesHours) {
    const QString path = dir.filePath("long.mp3");
    const int made = MakeToneFile(path, 2 * 3600 + 600);
    if (made == -2)
        GTEST_SKIP() << "ffmpeg is needed to make a file of over two hours";
    ASSERT_EQ(made, 0);
    // Cutting by time needs no exact peaks: the test goes on once the file shows.
    win->openFilePath(path);
    win->waitForFileShown();
    ASSERT_TRUE(st.FileLoaded);
    auto* panel = win->findChild<SplitSettingsPanel*>();
    ASSERT_NE(panel, nullptr);

    // Two equal parts of 1:05:00 show their hours.
    QTest::mouseClick(panel->byPartsRadio, Qt::LeftButton);
    EXPECT_EQ(panel->hoursEdit->text(), "1");
    EXPECT_EQ(panel->minutesEdit->text(), "05");
    EXPECT_EQ(panel->secondsEdit->text(), "00");

    QTest::mouseClick(panel->byTimeRadio, Qt::LeftButton);
    EXPECT_TRUE(panel->hoursEdit->isEnabled());
    panel->hoursEdit->setText("1");
    panel->minutesEdit->setText("00");
    panel->secondsEdit->setText("00");
    panel->onPrepareClicked();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(";").toStdString();
    ASSERT_EQ(PartCount(st), 3); // 1:00:00, 1:00:00 and 0:10:00
    EXPECT_EQ(PartFirstFrame(st, 2), Frame(3600.0));
    EXPECT_EQ(PartFirstFrame(st, 3), Frame(7200.0));

    // Three hours do not fit into the file; letters are not typed.
    panel->hoursEdit->setText("3");
    panel->onPrepareClicked();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0], "Incorrect time value!");
    panel->hoursEdit->setFocus();
    panel->hoursEdit->selectAll();
    QTest::keyClicks(panel->hoursEdit, "2x");
    EXPECT_EQ(panel->hoursEdit->text(), "2");
}

} // namespace
} // namespace tessivo

namespace tessivo {
namespace {

// Tab from the waveform reaches every control once and comes back; the
// panels come in the order they are read (waveform, controls, then the
// split settings, the part list and the tag panel), each panel's controls
// left to right and top to bottom. Shift+Tab walks the same way back.
TEST_F(WindowKeysTest, TabAndShiftTabGoThroughEveryControlInReadingOrder) {
    using testing::TabChain;
    ASSERT_TRUE(win->document().AddCutLine(static_cast<int32_t>(st.FrameCount / 2)));
    SelectRow(win->partList(), RowOf(win->partList(), 1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return st.SelectedPart == 2; }, 5000)) << st.SelectedPart;
    const QList<QWidget*> panels = {win->waveView(), FindPart<QWidget>(win, "controlPanel"),
                                    FindPart<QWidget>(win, "splitSettings"),
                                    FindPart<QWidget>(win, "partListFrame"),
                                    FindPart<QWidget>(win, "tagPanel")};
    const auto panelOf = [&](const QWidget* w) {
        for (int i = 0; i < panels.size(); ++i)
            if (panels[i] == w || panels[i]->isAncestorOf(w))
                return i;
        return -1;
    };
    for (const char* mode : {"visualRadio", "bySilenceRadio", "byTimeRadio", "nearPausesRadio"}) {
        SCOPED_TRACE(mode);
        QTest::mouseClick(FindPart<QRadioButton>(win, mode), Qt::LeftButton);
        const QList<QWidget*> chain = TabChain(win.get(), win->waveView());
        const QList<QWidget*> controls = testing::TabControls(win.get());
        EXPECT_EQ(QSet<QWidget*>(chain.begin(), chain.end()),
                  QSet<QWidget*>(controls.begin(), controls.end()))
            << "reached: " << testing::NamesOf(chain) << "\nall: " << testing::NamesOf(controls);
        for (int i = 1; i < chain.size(); ++i) {
            const int a = panelOf(chain[i - 1]), b = panelOf(chain[i]);
            EXPECT_GE(a, 0) << chain[i - 1]->objectName().toStdString();
            EXPECT_LE(a, b) << chain[i]->objectName().toStdString();
            if (a == b) {
                EXPECT_TRUE(testing::ReadsAfter(win.get(), chain[i - 1], chain[i]))
                    << chain[i - 1]->objectName().toStdString() << " before "
                    << chain[i]->objectName().toStdString();
            }
        }
        QList<QWidget*> back = TabChain(win.get(), win->waveView(), Qt::Key_Backtab);
        ASSERT_FALSE(back.isEmpty());
        std::reverse(back.begin() + 1, back.end());
        EXPECT_EQ(back, chain);
    }
    // The number fields take digits and leave Tab to move on.
    const QList<QWidget*> chain = TabChain(win.get(), win->waveView());
    const auto at = [&](const char* name) { return chain.indexOf(FindPart<QWidget>(win, name)); };
    for (const char* name : {"nearLengthEdit", "toleranceSpin"})
        EXPECT_GE(at(name), 0) << name;
    QTest::mouseClick(FindPart<QRadioButton>(win, "byTimeRadio"), Qt::LeftButton);
    auto* hours = FindPart<QLineEdit>(win, "hoursEdit");
    hours->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(hours, QStringLiteral("x1"));
    EXPECT_EQ(hours->text().right(1), QStringLiteral("1"));
    EXPECT_FALSE(hours->text().contains(QLatin1Char('x')));
    QTest::keyClick(hours, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), FindPart<QWidget>(win, "minutesEdit"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), FindPart<QWidget>(win, "secondsEdit"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), FindPart<QWidget>(win, "minutesEdit"));
}

} // namespace
} // namespace tessivo
