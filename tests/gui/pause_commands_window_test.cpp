// The window's commands around pauses and muted stretches: Mute selection
// (shown hatched, undone, kept in the crash record, silent in what is
// written), File > Import track list (cuts in the pauses, titles, errors
// naming the line), the review of the cuts with . and ,, the split dialog's
// edge trim and shortened pauses, and the frame viewer's global gains.
#include "tests/core/pause_recording.h"

#include "core/analysis/open_file.h"
#include "core/document/edit_record.h"
#include "core/parts/edge_trim.h"
#include "core/parts/part_access.h"
#include "core/parts/pause_snap.h"
#include "tests/fakes/fake_audio_engine.h"
#include "tests/fakes/fake_user_dialogs.h"
#include "tests/gui/part_rows.h"
#include "tests/gui/window_parts.h"
#include "ui/document/edit_history.h"
#include "ui/output/confirm_dialog.h"
#include "ui/output/split_runner.h"
#include "ui/parts/part_list_view.h"
#include "ui/window/cut_review.h"
#include "ui/window/frame_viewer.h"
#include "ui/window/main_window.h"
#include "ui/window/mute_commands.h"
#include "ui/window/track_list_commands.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <gtest/gtest.h>

#include <cmath>

namespace tessivo {
namespace {

using testing::FakeAudioEngine;
using testing::FakeUserDialogs;
using testing::FindPart;

class PauseCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        win = testing::ShowTestWindow(st, engine, dialogs, dir);
        ASSERT_NE(win, nullptr);
    }
    void TearDown() override { testing::CloseTestWindow(win, dialogs); }
    // Opens the recording with pauses at 12-14, 26-27.5 and 40-43 s.
    void OpenPauses() {
        if (pause_recording::Folder().empty())
            GTEST_SKIP() << "sox, lame, mpg123 or numpy missing";
        Open(QString::fromStdString(pause_recording::File("pauses.mp3")));
    }
    void Open(const QString& path) {
        dialogs.openFileAnswer = path;
        win->onOpenTriggered();
        win->waitForOpen();
        ASSERT_TRUE(st.FileLoaded);
    }
    QAction* Action(const char* name) { return FindPart<QAction>(win, name); }
    // Shift+drag on the waveform over frames first..last as shown.
    void SelectFrames(int64_t first, int64_t last) {
        const ViewGeometry& g = win->viewGeometry();
        const FrameMapping m(g, st);
        const int y = g.waveTop + g.waveHalf / 2;
        const int a = static_cast<int>(m.frameToX(first)), b = static_cast<int>(m.frameToX(last));
        QTest::mousePress(win->waveView(), Qt::LeftButton, Qt::ShiftModifier, QPoint(a, y));
        QTest::mouseMove(win->waveView(), QPoint((a + b) / 2, y));
        QTest::mouseRelease(win->waveView(), Qt::LeftButton, Qt::ShiftModifier, QPoint(b, y));
    }
    int64_t FrameAt(double seconds) const { return NearestFrameAt(st, seconds); }
    QString WriteText(const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path;
    }
    // The crash record the window keeps for the open file, once written.
    QString RecoveryText() {
        const QDir folder(dir.filePath(QStringLiteral("recovery")));
        for (const QString& name : folder.entryList({QStringLiteral("*.edit")}, QDir::Files)) {
            QFile f(folder.filePath(name));
            if (f.open(QIODevice::ReadOnly))
                return QString::fromUtf8(f.readAll());
        }
        return {};
    }
    QString SettingsText() {
        QFile f(dir.filePath(QStringLiteral("tessivo.ini")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    // Splits the ticked parts (or writes them as one file) into `folder`.
    void Write(const QString& folder, bool oneFile) {
        win->document().SetOutputFolder(folder.toStdString());
        QDir().mkpath(folder);
        QTimer::singleShot(0, win.get(), [this, oneFile] {
            win->confirmDialog()->oneFileCheck->setChecked(oneFile);
            QTest::mouseClick(win->confirmDialog()->splitButton, Qt::LeftButton);
            // A refusal leaves the dialog open.
            if (win->confirmDialog()->isVisible())
                win->confirmDialog()->reject();
        });
        if (oneFile)
            Action("saveAsOneFileAction")->trigger();
        else
            win->onSplitTriggered();
        win->confirmDialog()->splitRunner()->wait();
        EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(' ').toStdString();
    }
    // The muted stretch of the decoded file: quiet (below -20 dBFS) over
    // the stretch but for the edge ramps, sound before and after it.
    void ExpectMuted(const QString& path, double from, double to) {
        const pause_recording::Decoded d = pause_recording::Decode(path.toStdString(), 0.5);
        ASSERT_GT(d.length, 50.0) << path.toStdString();
        bool found = false;
        for (const pause_recording::Gap& q : d.quiet) {
            if (q.end < from || q.start > to)
                continue;
            found = true;
            EXPECT_GT(q.start, from - 0.08) << q.start;
            EXPECT_LT(q.start, from + 0.05) << q.start;
            EXPECT_GT(q.end, to - 0.05) << q.end;
            EXPECT_LT(q.end, to + 0.08) << q.end;
        }
        EXPECT_TRUE(found) << "no quiet stretch in " << from << ".." << to;
        EXPECT_LT(d.firstSound, 0.1);
    }

    FakeAudioEngine engine;
    FakeUserDialogs dialogs;
    QTemporaryDir dir;
    ProgramState st;
    std::unique_ptr<MainWindow> win;
};

TEST_F(PauseCommandsTest, MuteSelectionIsHatchedUndoneKeptAndSilentInThePartWritten) {
    OpenPauses();
    // Music from 0 to 12 s: 3 s to 6 s of it muted.
    const int64_t first = FrameAt(3.0), last = FrameAt(6.0) - 1;
    SelectFrames(first, last);
    ASSERT_TRUE(win->view()->hasStretch());
    const Stretch chosen = win->view()->stretch();
    ASSERT_NEAR(static_cast<double>(chosen.first), static_cast<double>(first), 3.0);
    const int undoBefore = win->editHistory()->stack()->count();
    QAction* mute = Action("muteSelectionAction");
    EXPECT_EQ(mute->shortcut(), QKeySequence(Qt::Key_U));
    QTest::keyClick(win.get(), Qt::Key_U);
    ASSERT_EQ(st.Muted.size(), 1u);
    EXPECT_EQ(st.Muted[0].first, chosen.first);
    EXPECT_EQ(st.Muted[0].end, chosen.last + 1);
    EXPECT_EQ(win->editHistory()->stack()->count(), undoBefore + 1);

    // Hatched over its columns and nowhere else.
    auto* overlay = FindPart<MuteOverlay>(win, "muteOverlay");
    ASSERT_EQ(overlay->mutedRects().size(), 1);
    const QRect shown = overlay->mutedRects().front();
    const FrameMapping m(win->viewGeometry(), st);
    EXPECT_EQ(shown.left(), m.frameToX(chosen.first));
    EXPECT_EQ(shown.right() + 1, m.frameToX(chosen.last + 1));
    QImage drawn(overlay->size(), QImage::Format_ARGB32);
    drawn.fill(Qt::transparent);
    overlay->render(&drawn, QPoint(), QRegion(), QWidget::DrawChildren);
    const int y = shown.center().y();
    int inside = 0, outside = 0;
    for (int x = 0; x < drawn.width(); ++x)
        if (qAlpha(drawn.pixel(x, y)) > 0)
            ++(shown.contains(x, y) ? inside : outside);
    EXPECT_GT(inside, shown.width() / 2);
    EXPECT_EQ(outside, 0);

    // Kept in the crash record.
    const QString line = QStringLiteral("mute %1 %2").arg(chosen.first).arg(chosen.last + 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return RecoveryText().contains(line); }, 10000));
    EditRecord back;
    std::string error;
    ASSERT_TRUE(ParseEditRecord(EditRecordText(EditRecordOf(st, st)), back, error)) << error;
    EXPECT_EQ(back.muted, st.Muted);

    win->editHistory()->stack()->undo();
    EXPECT_TRUE(st.Muted.empty());
    EXPECT_TRUE(overlay->mutedRects().isEmpty());
    win->editHistory()->stack()->redo();
    ASSERT_EQ(st.Muted.size(), 1u);

    // The one part written is silent there, and only there: a split needs two
    // parts, so the last 1.5 s become a second part, unticked.
    ASSERT_TRUE(win->document().AddCutLine(static_cast<int32_t>(FrameAt(54.0))));
    ASSERT_TRUE(win->document().SetPartUsed(2, false));
    const QString folder = dir.filePath(QStringLiteral("parts"));
    Write(folder, false);
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.mp3")}, QDir::Files);
    ASSERT_EQ(files.size(), 1);
    ExpectMuted(QDir(folder).filePath(files[0]), FrameSeconds(st, chosen.first),
                FrameSeconds(st, chosen.last + 1));
}

TEST_F(PauseCommandsTest, MuteReachesTheOneFileAndGaplessPartsAreRefused) {
    OpenPauses();
    SelectFrames(FrameAt(2.0), FrameAt(5.0));
    Action("muteSelectionAction")->trigger();
    ASSERT_EQ(st.Muted.size(), 1u);
    const MutedStretch muted = st.Muted[0];
    // A second selection overlapping it joins it.
    SelectFrames(FrameAt(4.0), FrameAt(7.0));
    Action("muteSelectionAction")->trigger();
    ASSERT_EQ(st.Muted.size(), 1u);
    EXPECT_EQ(st.Muted[0].first, muted.first);
    EXPECT_GT(st.Muted[0].end, muted.end);

    // The one file joins the parts there are: two, the join far from the mute.
    ASSERT_TRUE(win->document().AddCutLine(static_cast<int32_t>(FrameAt(20.0))));
    const QString folder = dir.filePath(QStringLiteral("one"));
    Write(folder, true);
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.mp3")}, QDir::Files);
    ASSERT_EQ(files.size(), 1) << dialogs.messages.join('|').toStdString()
                               << win->confirmDialog()->oneFileEdit->text().toStdString();
    ExpectMuted(QDir(folder).filePath(files[0]), FrameSeconds(st, st.Muted[0].first),
                FrameSeconds(st, st.Muted[0].end));

    win->document().SetGapless(true);
    const QString gapless = dir.filePath(QStringLiteral("gapless"));
    Write(gapless, false);
    EXPECT_TRUE(QDir(gapless).entryList(QDir::Files).isEmpty());
    ASSERT_FALSE(dialogs.messages.isEmpty());
    EXPECT_TRUE(dialogs.messages.last().contains(QStringLiteral("Gapless")));
}

TEST_F(PauseCommandsTest, ATrackListCutsInThePausesTitlesAndNumbersThePartsAsOneStep) {
    OpenPauses();
    const int undoBefore = win->editHistory()->stack()->count();
    dialogs.openFileAnswer = WriteText("set.txt", "# a set list\n"
                                                  "0:00 Overture\n"
                                                  "\n"
                                                  "0:13.5 Talk\n"
                                                  "0:25 Song\n"
                                                  "0:41 Last words\n");
    Action("importTrackListAction")->trigger();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(' ').toStdString();
    ASSERT_EQ(PartCount(st), 4);
    const char* titles[] = {"Overture", "Talk", "Song", "Last words"};
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(PartAt(st, k).own.title, titles[k - 1]);
    for (int k = 2; k <= 4; ++k) {
        const double cut = FrameSeconds(st, PartFirstFrame(st, k));
        const pause_recording::Gap& pause = pause_recording::kPauses[size_t(k - 2)];
        EXPECT_GT(cut, pause.start) << k;
        EXPECT_LT(cut, pause.end) << k;
    }
    EXPECT_TRUE(st.IsSaveTags);
    EXPECT_TRUE(st.NumberTracks);
    EXPECT_EQ(win->editHistory()->stack()->count(), undoBefore + 1);

    // A cut with no pause in reach stays at its time, and says so.
    dialogs.openFileAnswer = WriteText("far.txt", "0:00 A\n0:06 B\n");
    Action("importTrackListAction")->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith(QStringLiteral("Line 2: no pause within 5 s of")))
        << dialogs.messages[0].toStdString();
    ASSERT_EQ(PartCount(st), 2);
    EXPECT_NEAR(FrameSeconds(st, PartFirstFrame(st, 2)), 6.0, 0.03);
}

TEST_F(PauseCommandsTest, ABadTrackListNamesItsLineAndChangesNothing) {
    OpenPauses();
    ASSERT_TRUE(win->document().AddCutLine(static_cast<int32_t>(FrameAt(20.0))));
    const PartTable before = st;
    const struct {
        const char* name;
        QByteArray bytes;
        const char* line;
    } bad[] = {
        {"untimed.txt", "0:00 A\nB\n0:30 C\n", "Line 2"},
        {"past.txt", "0:00 A\n0:30 B\n\n9:00 C\n", "Line 4"},
        {"latin1.txt", "0:00 A\n0:30 Caf\xe9\n", "Line 2: not UTF-8"},
    };
    for (const auto& b : bad) {
        dialogs.messages.clear();
        dialogs.openFileAnswer = WriteText(b.name, b.bytes);
        Action("importTrackListAction")->trigger();
        ASSERT_EQ(dialogs.messages.size(), 1) << b.name;
        EXPECT_TRUE(dialogs.messages[0].startsWith(QString::fromLatin1(b.line)))
            << dialogs.messages[0].toStdString();
        EXPECT_TRUE(static_cast<const PartTable&>(st) == before) << b.name;
    }
    // Titles alone go to the parts there are.
    dialogs.messages.clear();
    dialogs.openFileAnswer = WriteText("titles.txt", "Before\nAfter\n");
    Action("importTrackListAction")->trigger();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(' ').toStdString();
    ASSERT_EQ(PartCount(st), 2);
    EXPECT_EQ(PartAt(st, 1).own.title, "Before");
    EXPECT_EQ(PartAt(st, 2).own.title, "After");
}

TEST_F(PauseCommandsTest, NextAndPreviousCutSelectCentreAndSayWhetherTheCutIsInAPause) {
    OpenPauses();
    dialogs.openFileAnswer = WriteText("set.txt", "0:00 One\n0:13 Two\n0:26.5 Three\n0:41 Four\n");
    Action("importTrackListAction")->trigger();
    ASSERT_EQ(PartCount(st), 4);
    // A cut in the music, not in a pause.
    ASSERT_TRUE(win->document().AddCutLine(static_cast<int32_t>(FrameAt(5.0))));
    ASSERT_EQ(PartCount(st), 5);
    // Zoomed in so that a third of the file fills the view.
    const ViewGeometry& view = win->viewGeometry();
    for (int i = 0; i < 12 && FramesPerColumn(st) * view.cols() > st.FrameCount / 3.0; ++i)
        win->onZoomInClicked();
    ASSERT_LE(FramesPerColumn(st) * view.cols(), st.FrameCount / 3.0);
    EXPECT_EQ(Action("nextCutAction")->shortcut(), QKeySequence(Qt::Key_Period));
    EXPECT_EQ(Action("previousCutAction")->shortcut(), QKeySequence(Qt::Key_Comma));

    auto* label = FindPart<QLabel>(win, "cutReviewLabel");
    QTest::keyClick(win.get(), Qt::Key_Period);
    EXPECT_EQ(st.SelectedPart, 2);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return label->text() == QStringLiteral("Cut 1 of 4, not in a pause"); }, 5000))
        << label->text().toStdString();
    EXPECT_TRUE(label->isVisible());

    const QRegularExpression inPause(
        QStringLiteral("^Cut (\\d) of 4, in a pause of (\\d+\\.\\d) s$"));
    const double lengths[] = {2.0, 1.5, 3.0};
    for (int k = 3; k <= 5; ++k) {
        QTest::keyClick(win.get(), Qt::Key_Period);
        EXPECT_EQ(st.SelectedPart, k);
        const QRegularExpressionMatch match = inPause.match(label->text());
        ASSERT_TRUE(match.hasMatch()) << label->text().toStdString();
        EXPECT_EQ(match.captured(1).toInt(), k - 1);
        EXPECT_NEAR(match.captured(2).toDouble(), lengths[k - 3], 0.35) << k;
        // In the middle of the view.
        const ViewGeometry& g = win->viewGeometry();
        const FrameMapping m(g, st);
        EXPECT_NEAR(static_cast<double>(m.frameToX(PartFirstFrame(st, k))),
                    (g.waveLeft + g.waveRight) / 2.0, 3.0)
            << k;
    }
    // The last cut stays the last; back one with the comma.
    QTest::keyClick(win.get(), Qt::Key_Period);
    EXPECT_EQ(st.SelectedPart, 5);
    QTest::keyClick(win.get(), Qt::Key_Comma);
    EXPECT_EQ(st.SelectedPart, 4);
    EXPECT_TRUE(label->text().startsWith(QStringLiteral("Cut 3 of 4, in a pause of ")));

    // Which cuts were looked at is kept with the edit.
    ASSERT_EQ(st.ReviewedCuts.size(), 4u);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return RecoveryText().contains(
                QStringLiteral("reviewed %1\n").arg(PartFirstFrame(st, 5)));
        },
        10000));
    // No cut selected: the text goes.
    win->document().SelectPart(0);
    EXPECT_FALSE(label->isVisible());
}

TEST_F(PauseCommandsTest, LeftAndRightNudgeTheReviewedCutBetweenItsNeighboursUntilAnotherPart) {
    OpenPauses();
    dialogs.openFileAnswer = WriteText("set.txt", "0:00 One\n0:13 Two\n0:26.5 Three\n");
    Action("importTrackListAction")->trigger();
    ASSERT_EQ(PartCount(st), 3);
    const int64_t cut = PartFirstFrame(st, 2);
    // A neighbour two frames after the first cut.
    ASSERT_TRUE(win->document().AddCutLine(static_cast<int32_t>(cut + 2)));
    ASSERT_EQ(PartCount(st), 4);
    const int64_t tenth = std::llround(0.1 / st.FrameDuration);
    ASSERT_GE(tenth, 2);

    QTest::keyClick(win.get(), Qt::Key_Period);
    ASSERT_EQ(st.SelectedPart, 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return win->waveView()->hasFocus(); }, 5000));
    const int64_t cursor = st.ClickFrame;
    const int64_t sample = PartAt(st, 2).cutSample;
    QTest::keyClick(win->waveView(), Qt::Key_Left);
    EXPECT_EQ(PartFirstFrame(st, 2), cut - tenth);
    // A cut placed at a sample moves by whole frames of samples.
    if (sample >= 0) {
        EXPECT_NEAR(static_cast<double>(PartAt(st, 2).cutSample),
                    static_cast<double>(sample - tenth * TimeBaseOf(st).samplesPerFrame), 1.0);
    }
    QTest::keyClick(win->waveView(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(PartFirstFrame(st, 2), cut - tenth + 1);
    // The play cursor stays where it was while the cut moves.
    EXPECT_EQ(st.ClickFrame, cursor);
    // Never onto or past the next cut: it stops one frame before it.
    QTest::keyClick(win->waveView(), Qt::Key_Right);
    QTest::keyClick(win->waveView(), Qt::Key_Right);
    EXPECT_EQ(PartFirstFrame(st, 2), cut + 1);
    EXPECT_EQ(PartFirstFrame(st, 3), cut + 2);
    EXPECT_EQ(st.SelectedPart, 2);
    auto* label = FindPart<QLabel>(win, "cutReviewLabel");
    EXPECT_TRUE(label->text().startsWith(QStringLiteral("Cut 1 of 3, in a pause of ")))
        << label->text().toStdString();
    // Each nudge is one step back; the one that could not move made none.
    Action("undoAction")->trigger();
    EXPECT_EQ(PartFirstFrame(st, 2), cut - tenth + 1);
    Action("undoAction")->trigger();
    EXPECT_EQ(PartFirstFrame(st, 2), cut - tenth);

    // Another part picked: the review rests, the keys move the play cursor.
    SelectRow(win->partList(), RowOf(win->partList(), 0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return st.SelectedPart == 1; }, 5000)) << st.SelectedPart;
    EXPECT_FALSE(label->isVisible());
    const int64_t before = PartFirstFrame(st, 2);
    win->waveView()->setFocus();
    QTest::keyClick(win->waveView(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(PartFirstFrame(st, 2), before);
    EXPECT_EQ(st.ClickFrame, cursor + 1);
}

TEST_F(PauseCommandsTest, TrimSilenceTrimsThePartsWrittenAndTheListShowsTheirLength) {
    OpenPauses();
    dialogs.openFileAnswer =
        WriteText("set.txt", "0:00 One\n0:13 Two\n0:26.75 Three\n0:41.5 Four\n");
    Action("importTrackListAction")->trigger();
    ASSERT_EQ(PartCount(st), 4);
    const PartTable before = st;
    const QString untrimmed = RowOf(win->partList(), 1)->text(4);
    const double whole =
        FrameSeconds(st, PartFirstFrame(st, 3)) - FrameSeconds(st, PartFirstFrame(st, 2));
    // Part 2 sounds from 14 s to 26 s: 0.3 s of quiet kept at either edge.
    const QString folder = dir.filePath(QStringLiteral("trimmed"));
    win->document().SetOutputFolder(folder.toStdString());
    QDir().mkpath(folder);
    QTimer::singleShot(0, win.get(), [this] {
        auto* trim = FindPart<QCheckBox>(win->confirmDialog(), "trimSilenceCheck");
        EXPECT_TRUE(trim->isEnabled());
        QTest::mouseClick(trim, Qt::LeftButton);
        QTest::mouseClick(win->confirmDialog()->splitButton, Qt::LeftButton);
    });
    win->onSplitTriggered();
    win->confirmDialog()->splitRunner()->wait();
    EXPECT_TRUE(st.TrimSilence);
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(' ').toStdString();
    EXPECT_NEAR(WrittenPartSeconds(st, st, st, 2), 12.6, 0.15);
    EXPECT_NE(RowOf(win->partList(), 1)->text(4), untrimmed);
    EXPECT_NEAR(whole, 13.75, 0.15);

    // The table is as it was, each part marked with the file it went to.
    ASSERT_EQ(PartCount(st), 4);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(PartFirstFrame(st, k), PartFirstFrame(before, k));
        EXPECT_FALSE(PartAt(st, k).writtenFile.empty()) << k;
    }
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.mp3")}, QDir::Files);
    ASSERT_EQ(files.size(), 4);
    const pause_recording::Decoded two = pause_recording::Decode(PartAt(st, 2).writtenFile, 0.3);
    const double frame = pause_recording::kFrame;
    EXPECT_GT(two.firstSound, 0.3 - 2 * frame) << two.firstSound;
    EXPECT_LT(two.firstSound, 0.3 + frame) << two.firstSound;
    EXPECT_GT(two.length - two.lastSound, 0.3 - 2 * frame) << two.length << " " << two.lastSound;
    EXPECT_LT(two.length - two.lastSound, 0.3 + frame) << two.length << " " << two.lastSound;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return SettingsText().contains(QStringLiteral("Trim Silence=1")); }, 10000));
}

TEST_F(PauseCommandsTest, TheOneFileShortensTheLongPausesToTheSecondsGiven) {
    OpenPauses();
    ASSERT_TRUE(win->document().AddCutLine(static_cast<int32_t>(FrameAt(20.0))));
    const QString folder = dir.filePath(QStringLiteral("short"));
    win->document().SetOutputFolder(folder.toStdString());
    QDir().mkpath(folder);
    QTimer::singleShot(0, win.get(), [this] {
        ConfirmDialog* d = win->confirmDialog();
        auto* box = FindPart<QDoubleSpinBox>(d, "shortenPausesBox");
        EXPECT_TRUE(box->isEnabled());
        box->setValue(0.5);
        EXPECT_FALSE(FindPart<QCheckBox>(d, "trimSilenceCheck")->isEnabled());
        QTest::mouseClick(d->splitButton, Qt::LeftButton);
    });
    Action("saveAsOneFileAction")->trigger();
    win->confirmDialog()->splitRunner()->wait();
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(' ').toStdString();
    EXPECT_EQ(st.ShortenPausesMs, 500);
    // The window tells what went, as the command line does.
    ASSERT_EQ(dialogs.messages.size(), 1) << dialogs.messages.join(' ').toStdString();
    EXPECT_TRUE(dialogs.messages[0].startsWith(QStringLiteral("Shortened 3 pauses: 0:0")))
        << dialogs.messages[0].toStdString();
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.mp3")}, QDir::Files);
    ASSERT_EQ(files.size(), 1);
    const pause_recording::Decoded d =
        pause_recording::Decode(QDir(folder).filePath(files[0]).toStdString(), 0.3);
    // 2, 1.5 and 3 s of pause, each now 0.5 s: 5 s shorter.
    EXPECT_NEAR(d.length, pause_recording::kLength - 5.0, 0.15);
    ASSERT_EQ(d.quiet.size(), 3u);
    const double frame = pause_recording::kFrame;
    for (const pause_recording::Gap& q : d.quiet) {
        EXPECT_GT(q.end - q.start, 0.5 - frame - 0.02) << q.start;
        EXPECT_LT(q.end - q.start, 0.5 + 2 * frame + 0.02) << q.start;
    }
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return SettingsText().contains(QStringLiteral("Shorten Pauses=500")); }, 10000));
}

// Global gain of granule `gr`, channel `ch` of an MPEG-1 stereo frame without
// CRC, read from the side information's bits.
int SideInfoGain(const uint8_t* frame, int gr, int ch) {
    const int bit = 32 + 9 + 3 + 8 + (gr * 2 + ch) * 59 + 12 + 9;
    int v = 0;
    for (int i = 0; i < 8; ++i)
        v = (v << 1) | ((frame[(bit + i) / 8] >> (7 - (bit + i) % 8)) & 1);
    return v;
}

TEST_F(PauseCommandsTest, TheFrameViewerShowsEveryGranulesGlobalGain) {
    ProgramState file;
    ASSERT_TRUE(
        AnalyseFile(file, file, testing::Fixture("cbr128_stereo.mp3").toStdString(), false).ok);
    // MPEG-1, no CRC, not mono: the side information's layout read below.
    const uint8_t* head = file.FileBuffer.data() + file.FramePos[1];
    ASSERT_EQ((head[1] >> 3) & 3, 3);
    ASSERT_EQ(head[1] & 1, 1);
    ASSERT_NE(head[3] >> 6, 3);
    FrameViewerWindow viewer(file);
    viewer.prepareToShow();
    EXPECT_EQ(viewer.frameTable->item(0, 10)->text(), QStringLiteral("gr1"));
    EXPECT_EQ(viewer.frameTable->item(0, 11)->text(), QStringLiteral("gr2"));
    int differing = 0;
    for (int f = 1; f < 60; ++f) {
        const uint8_t* frame = file.FileBuffer.data() + file.FramePos[size_t(f)];
        for (int gr = 0; gr < 2; ++gr) {
            const QString want = QStringLiteral("%1/%2")
                                     .arg(SideInfoGain(frame, gr, 0))
                                     .arg(SideInfoGain(frame, gr, 1));
            QTableWidgetItem* shown = viewer.frameTable->item(f + 1, 10 + gr);
            ASSERT_NE(shown, nullptr) << f;
            EXPECT_EQ(shown->text(), want) << "frame " << f << " granule " << gr;
            differing += SideInfoGain(frame, gr, 0) != SideInfoGain(frame, 0, 0);
        }
    }
    EXPECT_GT(differing, 0); // the gains vary: the column is not one value
}

} // namespace
} // namespace tessivo
