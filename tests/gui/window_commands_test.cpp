// The window's smaller commands and messages: the help page and the list of
// keys name every command, Open Recent and what the settings file keeps,
// the zoom commands, a stretch and a cut heard, the word after a split and
// when no file manager starts, and when the discard question comes.
#include "core/analysis/open_file.h"
#include "core/parts/part_access.h"
#include "core/parts/typed_cut.h"
#include "tests/fakes/fake_audio_engine.h"
#include "tests/fakes/fake_user_dialogs.h"
#include "tests/gui/part_rows.h"
#include "tests/gui/window_parts.h"
#include "ui/document/edit_history.h"
#include "ui/output/batch_split_dialog.h"
#include "ui/output/confirm_dialog.h"
#include "ui/output/join_dialog.h"
#include "ui/output/split_runner.h"
#include "ui/parts/part_list_view.h"
#include "ui/parts/split_settings_panel.h"
#include "ui/window/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QUndoStack>
#include <cmath>
#include <gtest/gtest.h>

namespace tessivo {
namespace {

using testing::FakeAudioEngine;
using testing::FakeUserDialogs;
using testing::FindPart;
using testing::Fixture;

// Every action of the menu bar, submenus included, but not the recent files
// (their names are the files').
QList<QAction*> MenuActions(QMenuBar* bar) {
    QList<QAction*> all;
    QList<QMenu*> menus;
    for (QAction* a : bar->actions())
        if (a->menu())
            menus << a->menu();
    while (!menus.isEmpty()) {
        QMenu* m = menus.takeFirst();
        for (QAction* a : m->actions()) {
            if (a->isSeparator() || a->objectName() == QStringLiteral("recentFileAction"))
                continue;
            all << a;
            if (a->menu())
                menus << a->menu();
        }
    }
    return all;
}

// A menu text as the help page writes it: no "..." and no accelerator.
QString PlainCommand(QString text) {
    text.remove(QLatin1Char('&'));
    text.remove(QStringLiteral("..."));
    text.remove(QChar(0x2026));
    return text.trimmed();
}

QString HelpPageText() {
    QFile f(FindHelpPage());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QTextDocument doc;
    doc.setHtml(QString::fromUtf8(f.readAll()));
    return doc.toPlainText();
}

class WindowCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        Show();
    }
    void TearDown() override { testing::CloseTestWindow(win, dialogs); }
    void Show() {
        st = std::make_unique<ProgramState>();
        win = testing::ShowTestWindow(*st, engine, dialogs, dir);
        ASSERT_NE(win, nullptr);
    }
    void Open(const char* name) {
        dialogs.openFileAnswer = Fixture(name);
        win->onOpenTriggered();
        win->waitForOpen();
        ASSERT_TRUE(st->FileLoaded);
    }
    QAction* Action(const char* name) { return FindPart<QAction>(win, name); }
    // Shift+drag on the waveform from client x `from` to `to`, through `via`.
    void ShiftDrag(int from, int via, int to) {
        const ViewGeometry& g = win->viewGeometry();
        const int y = g.waveTop + g.waveHalf / 2;
        QTest::mousePress(win->waveView(), Qt::LeftButton, Qt::ShiftModifier, QPoint(from, y));
        QTest::mouseMove(win->waveView(), QPoint(via, y));
        QTest::mouseRelease(win->waveView(), Qt::LeftButton, Qt::ShiftModifier, QPoint(to, y));
    }
    // A span of `seconds` in whole frames.
    int64_t Frame(double seconds) const {
        return static_cast<int64_t>(std::nearbyint(seconds / st->FrameDuration));
    }

    FakeAudioEngine engine;
    FakeUserDialogs dialogs;
    QTemporaryDir dir;
    std::unique_ptr<ProgramState> st;
    std::unique_ptr<MainWindow> win;
};

TEST_F(WindowCommandsTest, HelpPageNamesEveryCommandAndEveryWayOfCutting) {
    const QString help = HelpPageText();
    ASSERT_FALSE(help.isEmpty());
    const QList<QAction*> actions = MenuActions(win->menuBar());
    ASSERT_GE(actions.size(), 15);
    for (QAction* a : actions)
        EXPECT_TRUE(help.contains(PlainCommand(a->text()), Qt::CaseInsensitive))
            << a->text().toStdString();
    const auto modes = win->findChild<SplitSettingsPanel*>()->findChildren<QRadioButton*>();
    ASSERT_GE(modes.size(), 6);
    for (QRadioButton* mode : modes)
        EXPECT_TRUE(help.contains(mode->text())) << mode->text().toStdString();
    for (const char* topic : {"cut list", "chapter", "ID3v2.4", "Gapless", "Undo", "VBR"})
        EXPECT_TRUE(help.contains(QString::fromLatin1(topic), Qt::CaseInsensitive)) << topic;
    // The tag panel writes more than ID3v1: the page no longer says so.
    EXPECT_FALSE(help.contains(QStringLiteral("its own ID3v1 tag")));
}

TEST_F(WindowCommandsTest, KeyboardShortcutsListEveryMenuKey) {
    // Keys that look alike say which they are: "Ctrl+O (letter O)".
    QStringList listed, named;
    for (const auto& entry : KeyboardShortcutList())
        for (const QString& key : entry.first.split(QStringLiteral(", "))) {
            listed << key.section(QStringLiteral(" ("), 0, 0);
            named << key;
        }
    EXPECT_TRUE(named.contains(QStringLiteral("Ctrl+O (letter O)")))
        << named.join('|').toStdString();
    EXPECT_TRUE(named.contains(QStringLiteral("Ctrl+0 (zero)"))) << named.join('|').toStdString();
    int keys = 0;
    for (QAction* a : MenuActions(win->menuBar())) {
        if (a->shortcut().isEmpty())
            continue;
        ++keys;
        EXPECT_TRUE(listed.contains(a->shortcut().toString()))
            << a->text().toStdString() << " " << a->shortcut().toString().toStdString();
    }
    EXPECT_GE(keys, 10);
    win->onKeyboardShortcutsTriggered();
    auto* shown = FindPart<QWidget>(win, "shortcutsList");
    EXPECT_TRUE(shown->isVisible());
}

// The split, batch and join dialogs open on the middle of the window, also
// after the window moved and after one was moved away and closed.
TEST_F(WindowCommandsTest, TheDialogsOpenCentredOnTheWindow) {
    // Centred, but for what the screen's edge takes away.
    const auto expectCentred = [this](QWidget* dialog) {
        ASSERT_TRUE(dialog);
        const QRect room = win->screen()->availableGeometry();
        const QRect at = dialog->frameGeometry();
        const QPoint off = at.center() - win->frameGeometry().center();
        // (the frame's few pixels aside)
        const auto near = [](int a, int b) { return std::abs(a - b) <= 4; };
        const bool xHeld = near(at.left(), room.left()) || near(at.right(), room.right());
        const bool yHeld = near(at.top(), room.top()) || near(at.bottom(), room.bottom());
        EXPECT_TRUE(xHeld || std::abs(off.x()) <= 2)
            << dialog->metaObject()->className() << " off by " << off.x();
        EXPECT_TRUE(yHeld || std::abs(off.y()) <= 2)
            << dialog->metaObject()->className() << " off by " << off.y();
        if (at.width() <= room.width()) {
            EXPECT_GE(at.left(), room.left());
            EXPECT_LE(at.right(), room.right() + 4);
        }
    };
    Open("long65.mp3");
    ASSERT_TRUE(win->document().AddCutLine(static_cast<int32_t>(st->FrameCount / 2)));
    win->move(win->pos() + QPoint(40, 30));
    for (int round = 0; round < 2; ++round) {
        QTimer::singleShot(0, win.get(), [&] {
            expectCentred(win->confirmDialog());
            win->confirmDialog()->move(0, 0);
            win->confirmDialog()->reject();
        });
        Action("splitAction")->trigger();
        for (const char* name : {"batchSplitAction", "joinFilesAction"}) {
            Action(name)->trigger();
            QWidget* dialog = name[0] == 'b' ? static_cast<QWidget*>(win->batchSplitDialog())
                                             : static_cast<QWidget*>(win->joinDialog());
            expectCentred(dialog);
            dialog->move(0, 0);
            dialog->close();
        }
    }
}

TEST_F(WindowCommandsTest, ZoomCommandsOfTheViewMenu) {
    Open("long65.mp3");
    EXPECT_EQ(Action("zoomInAction")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Plus));
    EXPECT_EQ(Action("zoomOutAction")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Minus));
    const int16_t level = st->ZoomLevel;
    ASSERT_GT(level, 1);
    Action("zoomInAction")->trigger();
    EXPECT_EQ(st->ZoomLevel, level - 1);
    Action("zoomOutAction")->trigger();
    EXPECT_EQ(st->ZoomLevel, level);
}

TEST_F(WindowCommandsTest, RecentFilesPlaceAndFolderAreKept) {
    Open("long65.mp3");
    Open("cbr128_stereo.mp3");
    Open("long65.mp3");
    ASSERT_EQ(win->recentFiles().size(), 2);
    EXPECT_EQ(win->recentFiles()[0], Fixture("long65.mp3"));
    auto* recent = FindPart<QMenu>(win, "recentMenu");
    ASSERT_EQ(recent->actions().size(), 2);
    EXPECT_EQ(recent->actions()[1]->text(), QStringLiteral("cbr128_stereo.mp3"));
    win->resize(1100, 760);
    const QRect placed = win->normalGeometry();
    testing::CloseTestWindow(win, dialogs);

    QFile ini(dir.filePath("tessivo.ini"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(ini.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("[Window]")));
    EXPECT_TRUE(text.contains(QStringLiteral("Recent File 1=") + Fixture("long65.mp3")));
    EXPECT_TRUE(text.contains(QStringLiteral("[Settings]"))); // the old keys stay apart

    // A new window starts where the last one was, with the same list.
    st = std::make_unique<ProgramState>();
    WindowEnvironment env;
    env.clickWaitMs = 0; // clicks are waited for, not timed
    env.settingsPath = dir.filePath("tessivo.ini");
    env.musicFolder = dir.filePath("Music");
    win = std::make_unique<MainWindow>(*st, engine, dialogs, env);
    EXPECT_EQ(win->size(), placed.size());
    EXPECT_EQ(win->recentFiles().size(), 2);
    EXPECT_EQ(win->lastOpenFolder(), QString::fromLatin1(TESSIVO_FIXTURES));
    // A recent file opens from the menu.
    const QList<QAction*> kept = FindPart<QMenu>(win, "recentMenu")->actions();
    ASSERT_EQ(kept.size(), 2);
    kept[1]->trigger();
    win->waitForOpen();
    EXPECT_EQ(QString::fromStdString(st->FileName), Fixture("cbr128_stereo.mp3"));
}

TEST_F(WindowCommandsTest, PlayAroundCutHearsTwoSecondsEitherSide) {
    Open("long65.mp3");
    Action("playAroundCutAction")->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1); // no cut line chosen
    EXPECT_FALSE(st->IsPlaying);

    const int64_t cut = Frame(30.0);
    ASSERT_TRUE(win->document().AddCutLine(static_cast<int32_t>(cut)));
    ASSERT_TRUE(win->document().SelectPart(2));
    EXPECT_EQ(Action("playAroundCutAction")->shortcut(), QKeySequence(Qt::Key_C));
    Action("playAroundCutAction")->trigger();
    EXPECT_TRUE(st->IsPlaying);
    EXPECT_EQ(st->ClickFrame, cut - Frame(2.0));
    EXPECT_EQ(engine.At(st->PlayStream).position, FrameToPcmBytes(*st, cut - Frame(2.0)));
    // It plays on over the cut line and stops 2 s after it.
    engine.Advance(st->PlayStream, FrameToPcmBytes(*st, Frame(3.0)));
    win->onPlaybackTick();
    EXPECT_TRUE(st->IsPlaying);
    engine.Advance(st->PlayStream, FrameToPcmBytes(*st, Frame(1.2)));
    win->onPlaybackTick();
    win->onPlaybackTick();
    EXPECT_FALSE(st->IsPlaying);
}

TEST_F(WindowCommandsTest, ShiftDragChoosesTheStretchPlayPlays) {
    Open("long65.mp3");
    const ViewGeometry& g = win->viewGeometry();
    QWidget* view = win->waveView();
    const int y = g.waveTop + g.waveHalf / 2;
    const int x0 = g.waveLeft + 100, x1 = g.waveLeft + 300;
    ShiftDrag(x1, x0 + 50, x0);
    ASSERT_TRUE(win->view()->hasStretch());
    const FrameMapping m(g, *st);
    EXPECT_EQ(win->view()->stretch().first, m.xToFrame(x0));
    EXPECT_EQ(win->view()->stretch().last, m.xToFrame(x1));
    EXPECT_TRUE(FindPart<QWidget>(win, "stretchBand")->isVisible());
    EXPECT_EQ(PartCount(*st), 1); // no cut line made by the drag

    win->onPlayClicked();
    EXPECT_TRUE(st->IsPlaying);
    EXPECT_EQ(st->ClickFrame, m.xToFrame(x0));
    win->onStopClicked();
    // A plain click forgets it.
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, QPoint(x0 + 20, y));
    EXPECT_FALSE(win->view()->hasStretch());
}

// X cuts the Shift-selection out as one undoable step; Ctrl+Shift+S writes
// what is left as one file.
TEST_F(WindowCommandsTest, CutOutSelectionThenSaveAsOneFile) {
    Open("long65.mp3");
    const ViewGeometry& g = win->viewGeometry();
    ShiftDrag(g.waveLeft + 200, g.waveLeft + 400, g.waveLeft + 400);
    ASSERT_TRUE(win->view()->hasStretch());
    const int64_t first = win->view()->stretch().first, last = win->view()->stretch().last;
    const int undoBefore = win->editHistory()->stack()->count();

    QAction* cutOut = Action("cutOutAction");
    EXPECT_EQ(cutOut->shortcut(), QKeySequence(Qt::Key_X));
    cutOut->trigger();
    ASSERT_EQ(PartCount(*st), 3);
    EXPECT_EQ(PartFirstFrame(*st, 2), first);
    EXPECT_EQ(PartFirstFrame(*st, 3), last + 1);
    EXPECT_TRUE(PartTicked(*st, 1));
    EXPECT_FALSE(PartTicked(*st, 2));
    EXPECT_TRUE(PartTicked(*st, 3));
    EXPECT_FALSE(win->view()->hasStretch());
    EXPECT_EQ(RowOf(win->partList(), 1)->text(1), "Not Used");
    ASSERT_EQ(win->editHistory()->stack()->count(), undoBefore + 1);
    win->editHistory()->stack()->undo();
    EXPECT_EQ(PartCount(*st), 1);
    win->editHistory()->stack()->redo();
    ASSERT_EQ(PartCount(*st), 3);
    EXPECT_FALSE(PartTicked(*st, 2));

    QAction* save = Action("saveAsOneFileAction");
    EXPECT_EQ(save->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    const QString folder = dir.filePath(QStringLiteral("not yet made"));
    win->document().SetOutputFolder(folder.toStdString());
    QTimer::singleShot(0, win.get(), [&] {
        EXPECT_TRUE(win->confirmDialog()->oneFileCheck->isChecked());
        QTest::mouseClick(win->confirmDialog()->splitButton, Qt::LeftButton);
    });
    save->trigger();
    win->confirmDialog()->splitRunner()->wait();
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(' ').toStdString();
    ProgramState one;
    const QString written = QDir(folder).filePath(QStringLiteral("long65 (parts).mp3"));
    ASSERT_TRUE(AnalyseFile(one, one, written.toStdString(), false).ok) << written.toStdString();
    const int64_t kept = (PartLastFrame(*st, *st, 1) + 1) + (PartLastFrame(*st, *st, 3) - last);
    EXPECT_EQ(one.IndexedFrames, 1 + kept);
}

TEST_F(WindowCommandsTest, SplitSaysHowManyFilesWentWhereAndOpensTheFolder) {
    Open("long65.mp3");
    ASSERT_TRUE(win->document().AddCutLine(static_cast<int32_t>(Frame(20.0))));
    ASSERT_TRUE(win->document().AddCutLine(static_cast<int32_t>(Frame(40.0))));
    const QString folder = QString::fromStdString(st->OutputFolder);
    QDir().mkpath(folder);
    QTimer::singleShot(0, win.get(), [&] {
        QTest::mouseClick(win->confirmDialog()->splitButton, Qt::LeftButton);
    });
    win->onSplitTriggered();
    win->confirmDialog()->splitRunner()->wait();
    auto* done = FindPart<QLabel>(win, "splitDoneLabel");
    ASSERT_TRUE(QTest::qWaitFor([&] { return done->isVisible(); }, 5000));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 3);
    QTextDocument shown;
    shown.setHtml(done->text());
    EXPECT_TRUE(shown.toPlainText().startsWith(QStringLiteral("3 files written to ") +
                                               QDir::toNativeSeparators(folder)))
        << shown.toPlainText().toStdString();
    EXPECT_TRUE(shown.toPlainText().endsWith(QStringLiteral("Open folder")));
    emit done->linkActivated(folder);
    ASSERT_EQ(dialogs.opened.size(), 1);
    EXPECT_EQ(dialogs.opened[0], folder);
    // No question when closing over the parts just split.
    EXPECT_TRUE(win->close());
    EXPECT_TRUE(dialogs.discardQuestions.isEmpty());
}

TEST_F(WindowCommandsTest, ExplorerSaysWhenNoFileManagerStarts) {
    dialogs.openSucceeds = false;
    win->onExplorerTriggered();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith(QStringLiteral("No file manager could be started")));
    dialogs.openSucceeds = true;
    win->onExplorerTriggered();
    EXPECT_EQ(dialogs.messages.size(), 1);
}

TEST_F(WindowCommandsTest, DiscardQuestionOnlyForRealEditsAndAfterTheTypeCheck) {
    Open("long65.mp3");
    ASSERT_TRUE(win->document().AddCutLine(static_cast<int32_t>(Frame(20.0))));
    // A file that is no MP3: said first, no question, the edits stay.
    win->openFilePath(Fixture("not_mp3.wav"));
    EXPECT_TRUE(dialogs.discardQuestions.isEmpty());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0], QStringLiteral("It is not a MP3 file!"));
    EXPECT_EQ(PartCount(*st), 2);
    // Every edit undone: the parts are those of the open, nothing to ask.
    win->editHistory()->stack()->undo();
    ASSERT_EQ(PartCount(*st), 1);
    Open("cbr128_stereo.mp3");
    EXPECT_TRUE(dialogs.discardQuestions.isEmpty());
    // A real edit still asks.
    ASSERT_TRUE(win->document().AddCutLine(static_cast<int32_t>(Frame(1.0))));
    dialogs.discardAnswer = true;
    Open("long65.mp3");
    EXPECT_EQ(dialogs.discardQuestions.size(), 1);
}

} // namespace
} // namespace tessivo
