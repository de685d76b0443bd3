// The main window driven as a user would: start-up, layout, opening files
// through the (fake) chooser, zoom and scrolling, the status display, the menu
// commands and the settings file written at close.
#include "core/parts/cut_lines.h"

#include "core/parts/part_access.h"
#include "tests/fakes/fake_audio_engine.h"
#include "tests/fakes/fake_user_dialogs.h"
#include "tests/gui/part_rows.h"
#include "tests/gui/window_parts.h"
#include "ui/parts/part_list_view.h"
#include "ui/window/about_window.h"
#include "ui/window/frame_viewer.h"
#include "ui/window/main_window.h"
#include "ui/window/status_texts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QToolButton>
#include <QUrl>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <new>

namespace tessivo {
namespace {

using tessivo::testing::FakeAudioEngine;
using tessivo::testing::FakeUserDialogs;
using tessivo::testing::FindPart;

using tessivo::testing::Fixture;

QString ReadText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

void WriteText(const QString& path, const QString& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.toUtf8());
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        settingsPath = dir.filePath(QStringLiteral("config/tessivo.ini"));
        QDir().mkpath(dir.filePath(QStringLiteral("config")));
        musicFolder = dir.filePath(QStringLiteral("Music"));
    }
    void TearDown() override { tessivo::testing::CloseTestWindow(win, dialogs); }

    // A window whose client area is `cw` x `ch`.
    void Start(int cw = 1000, int ch = 700) {
        st = std::make_unique<ProgramState>();
        engine = std::make_unique<FakeAudioEngine>();
        WindowEnvironment env;
        env.clickWaitMs = 0; // clicks are waited for, not timed
        env.settingsPath = settingsPath;
        env.musicFolder = musicFolder;
        env.diagnosticFolder = dir.path();
        win = std::make_unique<MainWindow>(*st, *engine, dialogs, env);
        win->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(win.get()));
        SetClientSize(cw, ch);
    }
    void SetClientSize(int cw, int ch) {
        // The menu bar and the status bar lie outside the client area.
        auto* client = FindPart<QWidget>(win, "client");
        const int outside = win->height() - client->height();
        win->resize(cw, ch + outside);
        ASSERT_TRUE(QTest::qWaitFor([&] { return client->size() == QSize(cw, ch); }, 2000));
    }
    // Opens `path` through the File menu's chooser and waits for the end.
    void Open(const QString& path) {
        dialogs.openFileAnswer = path;
        win->onOpenTriggered();
        win->waitForOpen();
    }
    // Closes the window (writing the settings) and forgets it.
    void Close() {
        win->close();
        win.reset();
    }
    QString Status() const { return FindPart<QLabel>(win, "statusLabel")->text(); }

    QTemporaryDir dir;
    QString settingsPath, musicFolder;
    std::unique_ptr<ProgramState> st;
    std::unique_ptr<FakeAudioEngine> engine;
    FakeUserDialogs dialogs;
    std::unique_ptr<MainWindow> win;
};

// --- Start-up and layout ----------------------------------------------------

// The rectangle of `w` in the client area's coordinates.
QRect InClient(const QMainWindow* win, const QWidget* w) {
    const QWidget* client = win->centralWidget();
    return QRect(w->mapTo(client, QPoint(0, 0)), w->size());
}

// Top to bottom: the waveform, its scroll bar, the control panel, then the
// split settings, the part list and the tag panel side by side; the status
// bar below the client area. Nothing overlaps, every panel gets at least what
// its layout asks for, and a larger window gives its room to the waveform.
TEST_F(MainWindowTest, PanelsAreLaidOutWithoutOverlaps) {
    Start(1000, 700);
    const ViewGeometry g = win->viewGeometry();
    EXPECT_EQ(st->WaveLeft, 20);
    EXPECT_EQ(st->WaveRight, 960);
    const QRect view = InClient(win.get(), win->waveView());
    const QRect scroll = InClient(win.get(), FindPart<QScrollBar>(win, "scrollBar"));
    const QRect controls = InClient(win.get(), FindPart<QFrame>(win, "controlPanel"));
    const QRect split = InClient(win.get(), FindPart<QFrame>(win, "splitFrame"));
    const QRect list = InClient(win.get(), FindPart<QFrame>(win, "partListFrame"));
    const QRect tags = InClient(win.get(), FindPart<QFrame>(win, "tagFrame"));
    EXPECT_EQ(view.width(), 1000);
    EXPECT_LE(view.bottom(), scroll.top());
    EXPECT_LE(scroll.bottom(), controls.top());
    EXPECT_LE(controls.bottom(), split.top());
    EXPECT_EQ(split.top(), list.top());
    EXPECT_EQ(list.top(), tags.top());
    EXPECT_LT(split.right(), list.left());
    EXPECT_LT(list.right(), tags.left());
    EXPECT_LE(tags.right(), 999);
    EXPECT_LE(split.bottom(), 699);
    for (const char* name : {"splitFrame", "partListFrame", "tagFrame", "controlPanel"}) {
        const QFrame* f = FindPart<QFrame>(win, name);
        EXPECT_GE(f->width(), f->minimumSizeHint().width()) << name;
        EXPECT_GE(f->height(), f->minimumSizeHint().height()) << name;
    }
    EXPECT_EQ(win->statusBar(), FindPart<QStatusBar>(win, "statusBar"));
    // The zoom buttons at the right end of the control panel.
    const QRect zoomOut = InClient(win.get(), FindPart<QToolButton>(win, "zoomOutButton"));
    const QRect zoomIn = InClient(win.get(), FindPart<QToolButton>(win, "zoomInButton"));
    EXPECT_GT(zoomOut.left(), zoomIn.right());
    EXPECT_GE(zoomIn.width(), kZoomButtonWidth);
    EXPECT_EQ(win->waveBitmap().size(), QSize(940, g.viewBottom - g.waveTop));

    // A larger window: the waveform takes the room, the panels keep theirs.
    SetClientSize(1200, 800);
    const ViewGeometry g2 = win->viewGeometry();
    EXPECT_EQ(st->WaveRight, 1160);
    EXPECT_EQ(FindPart<QFrame>(win, "splitFrame")->height(), split.height());
    EXPECT_EQ(win->waveBitmap().size(), QSize(1140, g.waveBitmapHeight() + 100));
    EXPECT_EQ(g2.waveBitmapHeight(), g.waveBitmapHeight() + 100);
}

// The dividers move the panels, the waveform follows, and their places
// come back with the next window.
TEST_F(MainWindowTest, DividersAreKeptBetweenRuns) {
    Start(1000, 700);
    auto* rows = FindPart<QSplitter>(win, "mainSplitter");
    auto* columns = FindPart<QSplitter>(win, "panelSplitter");
    const QList<int> before = rows->sizes();
    ASSERT_EQ(before.size(), 2);
    const QList<int> taller = {before[0] - 80, before[1] + 80};
    rows->setSizes(taller);
    EXPECT_TRUE(QTest::qWaitFor([&] { return rows->sizes() == taller; }, 2000));
    EXPECT_EQ(win->viewGeometry().viewHeight, win->waveView()->height());
    EXPECT_EQ(win->waveBitmap().height(), win->viewGeometry().waveBitmapHeight());
    QList<int> wide = columns->sizes();
    ASSERT_EQ(wide.size(), 3);
    wide[1] -= 40;
    wide[2] += 40;
    columns->setSizes(wide);
    const QList<int> kept = columns->sizes();
    Close();
    Start(1000, 700);
    EXPECT_EQ(FindPart<QSplitter>(win, "mainSplitter")->sizes(), taller);
    EXPECT_EQ(FindPart<QSplitter>(win, "panelSplitter")->sizes(), kept);
}

TEST_F(MainWindowTest, TheShownWindowIsLaidOutWithoutAResizeByHand) {
    st = std::make_unique<ProgramState>();
    engine = std::make_unique<FakeAudioEngine>();
    WindowEnvironment env;
    env.clickWaitMs = 0; // clicks are waited for, not timed
    env.settingsPath = settingsPath;
    env.musicFolder = musicFolder;
    win = std::make_unique<MainWindow>(*st, *engine, dialogs, env);
    win->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(win.get()));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return win->waveBitmap().width() == win->waveView()->width() - 60; }, 2000));
    EXPECT_EQ(st->WaveRight, win->waveView()->width() - 40);
    EXPECT_EQ(FindPart<QStatusBar>(win, "statusBar")->width(), win->width());
}

TEST_F(MainWindowTest, StartsEmptyWithHintsAndDefaults) {
    Start();
    EXPECT_FALSE(st->FileLoaded);
    EXPECT_EQ(st->ZoomLevel, 1);
    EXPECT_DOUBLE_EQ(st->FrameDuration, 0.02612);
    EXPECT_EQ(PartCount(*st), 0);
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Tessivo"));
    EXPECT_EQ(FindPart<QLabel>(win, "clockLabel")->text(), QStringLiteral("0:00:00"));
    EXPECT_EQ(FindPart<QLabel>(win, "clockMsLabel")->text(), QStringLiteral(":000"));
    // The clock shows ten hours whole in the desktop's font, whatever its size.
    for (const char* name : {"clockLabel", "clockMsLabel"}) {
        const QLabel* clock = FindPart<QLabel>(win, name);
        const QString widest = clock->text() == ":000" ? ":000" : "10:00:00";
        EXPECT_LE(QFontMetrics(clock->font()).horizontalAdvance(widest), clock->width()) << name;
    }
    const QLabel* status = FindPart<QLabel>(win, "statusLabel");
    for (const QString& word : {PeaksStatusText(100.0), PeaksWaitingText(100.0)})
        EXPECT_LE(QFontMetrics(status->font()).horizontalAdvance(word), status->width())
            << word.toStdString();
    EXPECT_EQ(FindPart<QToolButton>(win, "splitButton")->toolTip(), QStringLiteral("Split & Save"));
    EXPECT_EQ(FindPart<QToolButton>(win, "zoomInButton")->toolTip(),
              QStringLiteral("Zoom In Time"));
    EXPECT_EQ(FindPart<QToolButton>(win, "zoomOutButton")->toolTip(),
              QStringLiteral("Zoom Out Time"));
    EXPECT_EQ(FindPart<QSlider>(win, "volumeSlider")->toolTip(), QStringLiteral("Playback Volume"));
    EXPECT_EQ(FindPart<QSlider>(win, "rateSlider")->toolTip(), QStringLiteral("Playback Rate"));
    EXPECT_FALSE(FindPart<QAction>(win, "viewerAction")->isVisible()); // no test.chk
    EXPECT_FALSE(win->viewerEnabled());

    // Defaults without a settings file, the music folder created.
    EXPECT_EQ(st->Volume, 50);
    EXPECT_EQ(FindPart<QSlider>(win, "volumeSlider")->value(), 50);
    EXPECT_EQ(QString::fromStdString(st->OutputFolder), musicFolder);
    EXPECT_TRUE(QDir(musicFolder).exists());
    EXPECT_FALSE(QFile::exists(settingsPath)); // nothing written at start

    // The empty view shows its first hint in grey once the first tick drew it.
    win->onPlaybackTick();
    bool hint = false;
    const QImage& img = win->waveBitmap();
    for (int y = 0; y < img.height() && !hint; ++y)
        for (int x = 0; x < img.width() && !hint; ++x)
            hint = QColor(img.pixel(x, y)) == QColor(128, 128, 128);
    EXPECT_TRUE(hint);

    win->statusController()->refresh();
    EXPECT_EQ(Status(), QStringLiteral("Open a file"));
    EXPECT_EQ(FindPart<QLabel>(win, "statusLabel")->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(FindPart<QProgressBar>(win, "progressBar")->isVisible());
}

// --- Settings ----------------------------------------------------------------

TEST_F(MainWindowTest, SettingsWrittenAtCloseAndReadAtStart) {
    Start();
    FindPart<QSlider>(win, "volumeSlider")->setValue(73);
    st->IsSaveTags = true;
    st->SilenceThreshold = 12;
    Close();

    const QString text = ReadText(settingsPath);
    EXPECT_TRUE(text.startsWith(QStringLiteral("[Settings]"))) << text.toStdString();
    for (const QString& line : {QStringLiteral("Volume=73"), QStringLiteral("Threshold=12"),
                                QStringLiteral("Release=1000"), QStringLiteral("IsSaveTags=1"),
                                QStringLiteral("Output Folder=") + musicFolder})
        EXPECT_TRUE(text.contains(line)) << line.toStdString() << "\n" << text.toStdString();

    Start();
    EXPECT_EQ(st->Volume, 73);
    EXPECT_EQ(FindPart<QSlider>(win, "volumeSlider")->value(), 73);
    EXPECT_TRUE(st->IsSaveTags);
    EXPECT_EQ(st->SilenceThreshold, 12);
    EXPECT_EQ(QString::fromStdString(st->OutputFolder), musicFolder);
}

TEST_F(MainWindowTest, SettingsClampedDefaultedAndOtherKeysKept) {
    const QString folder = dir.filePath(QStringLiteral("My Parts"));
    WriteText(settingsPath, QStringLiteral("[Other]\nkeep=me\n[Settings]\nVolume=250\n"
                                           "IsSaveTags=2\nOutput Folder=") +
                                folder + QStringLiteral("\n"));
    Start();
    EXPECT_EQ(st->Volume, 100);
    EXPECT_EQ(FindPart<QSlider>(win, "volumeSlider")->value(), 100);
    EXPECT_TRUE(st->IsSaveTags);
    EXPECT_EQ(QString::fromStdString(st->OutputFolder), folder); // taken as it stands
    Close();
    const QString text = ReadText(settingsPath);
    EXPECT_TRUE(text.contains(QStringLiteral("keep=me")));
    EXPECT_TRUE(text.contains(QStringLiteral("IsSaveTags=1")));
    EXPECT_TRUE(text.contains(QStringLiteral("Volume=100")));

    WriteText(settingsPath, QStringLiteral("[Settings]\nVolume=-5\nOutput Folder=\n"));
    Start();
    EXPECT_EQ(FindPart<QSlider>(win, "volumeSlider")->value(), 0);
    EXPECT_EQ(QString::fromStdString(st->OutputFolder), musicFolder);
    Close();

    WriteText(settingsPath, QStringLiteral("[Settings]\nVolume=loud\n"));
    Start();
    EXPECT_EQ(FindPart<QSlider>(win, "volumeSlider")->value(), 50);
}

TEST_F(MainWindowTest, UnwritableSettingsReportedAndWindowStillCloses) {
    settingsPath = dir.filePath(QStringLiteral("no/such/folder/tessivo.ini"));
    Start();
    EXPECT_TRUE(win->close());
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_EQ(dialogs.errors[0], QStringLiteral("Unable to write to ") + settingsPath);
    win.reset();
}

// --- Opening files -------------------------------------------------------------

TEST_F(MainWindowTest, OpenShowsTheFileAndResetsEverything) {
    Start();
    const QString path = Fixture("cbr128_stereo.mp3");
    dialogs.openFileAnswer = path;
    win->onOpenTriggered();
    // The open runs: the status says so and the commands wait.
    EXPECT_TRUE(win->isBusy());
    EXPECT_EQ(Status(), QStringLiteral("Opening file"));
    EXPECT_EQ(win->windowTitle(), path);
    EXPECT_FALSE(FindPart<QAction>(win, "openAction")->isEnabled());
    EXPECT_FALSE(FindPart<QToolButton>(win, "zoomInButton")->isEnabled());
    win->waitForOpen();

    EXPECT_TRUE(st->FileLoaded);
    EXPECT_EQ(QString::fromStdString(st->FileName), path);
    EXPECT_EQ(PartCount(*st), 1);
    EXPECT_EQ(PartFirstFrame(*st, 1), 0);
    EXPECT_EQ(PartLastFrame(*st, *st, 1), int32_t(st->FrameCount) - 1);
    EXPECT_TRUE(PartTicked(*st, 1));
    EXPECT_FALSE(PartSaved(*st, 1));
    EXPECT_EQ(st->SelectedPart, 0);
    EXPECT_EQ(st->ViewFirstFrame, 0);
    EXPECT_EQ(st->ZoomLevel, 1); // 2 s fit at one frame per column
    EXPECT_EQ(st->ProgressPercent.load(), 0.0);
    EXPECT_NE(st->PlayStream, 0u);
    EXPECT_TRUE(FindPart<QAction>(win, "openAction")->isEnabled());
    EXPECT_EQ(PartRows(win->partList()), 0); // one part is not listed
    EXPECT_EQ(win->lastOpenFolder(), QStringLiteral(TESSIVO_FIXTURES));
    EXPECT_TRUE(FindPart<QLabel>(win, "streamInfoLabel")
                    ->text()
                    .startsWith(QStringLiteral(
                        "MPEG-1   Layer3   128kbps   joint stereo   44100Hz   00:02")))
        << FindPart<QLabel>(win, "streamInfoLabel")->text().toStdString();
    EXPECT_EQ(Status(), QStringLiteral("Ready"));
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // The view shows the audio: lighter area and waveform columns.
    const QImage& img = win->waveBitmap();
    EXPECT_EQ(QColor(img.pixel(10, 3)), QColor(215, 208, 195));
    EXPECT_EQ(QColor(img.pixel(int(st->FrameCount) + 3, 3)), QColor(185, 178, 165));
    int columns = 0;
    for (int y = 1; y < win->viewGeometry().waveHalf; ++y)
        columns += QColor(img.pixel(20, y)) == QColor(50, 50, 80);
    EXPECT_GT(columns, 20);

    // The status text opens a file only while none is loaded.
    const int calls = dialogs.openFileCalls;
    QTest::mouseClick(FindPart<QLabel>(win, "statusLabel"), Qt::LeftButton);
    EXPECT_EQ(dialogs.openFileCalls, calls);
}

TEST_F(MainWindowTest, RejectedFileAfterAnAcceptedOne) {
    Start();
    Open(Fixture("cbr128_stereo.mp3"));
    ASSERT_TRUE(st->FileLoaded);
    const double duration = st->Duration;
    const size_t bufferSize = st->FileBuffer.size();
    const StreamHandle stream = st->PlayStream;
    ASSERT_TRUE(win->document().AddCutLine(30));
    ASSERT_TRUE(win->document().SelectPart(2));
    st->SplitFileCount = 4;
    ASSERT_EQ(PartRows(win->partList()), 2);
    engine->calls.clear();

    const QString good = Fixture("cbr128_stereo.mp3");
    const QString streamText = FindPart<QLabel>(win, "streamInfoLabel")->text();
    const QString bad = Fixture("not_mp3.wav");
    Open(bad);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0], QStringLiteral("It is not a MP3 file!"));
    // A refused open leaves the file on show as it was: its cut lines, name,
    // title, status words and stream text.
    EXPECT_TRUE(st->FileLoaded);
    EXPECT_EQ(PartCount(*st), 2);
    EXPECT_EQ(PartFirstFrame(*st, 2), 30);
    EXPECT_NE(st->FrameCount, 0u);
    EXPECT_EQ(st->SplitFileCount, 4);
    EXPECT_EQ(QString::fromStdString(st->FileName), good);
    EXPECT_EQ(win->windowTitle(), good);
    EXPECT_TRUE(Status().startsWith(QStringLiteral("Part(2)"))) << Status().toStdString();
    EXPECT_EQ(FindPart<QLabel>(win, "streamInfoLabel")->text(), streamText);
    EXPECT_EQ(PartRows(win->partList()), 2);
    // The earlier file's data and stream stay.
    EXPECT_EQ(st->Duration, duration);
    EXPECT_EQ(st->FileBuffer.size(), bufferSize);
    EXPECT_EQ(st->PlayStream, stream);
    // The cut line is an unsplit edit: the file is refused before the open
    // starts, so playback is not even stopped.
    EXPECT_EQ(std::find(engine->calls.begin(), engine->calls.end(), "Stop"), engine->calls.end());
    EXPECT_EQ(std::find(engine->calls.begin(), engine->calls.end(), "Free"), engine->calls.end());
    EXPECT_TRUE(FindPart<QAction>(win, "openAction")->isEnabled());
    // The view still shows the file.
    const QImage& img = win->waveBitmap();
    EXPECT_EQ(QColor(img.pixel(10, 3)), QColor(215, 208, 195));

    // Other refusals: empty and non-MP3 data named .mp3.
    for (const char* name : {"empty.mp3", "ogg_named.mp3", "random.mp3"}) {
        dialogs.messages.clear();
        Open(Fixture(name));
        EXPECT_TRUE(st->FileLoaded) << name;
        EXPECT_EQ(dialogs.messages.size(), 1) << name;
        EXPECT_EQ(PartCount(*st), 2) << name;
    }

    // The window stays usable: the next good file opens.
    Open(Fixture("mono.mp3"));
    EXPECT_TRUE(st->FileLoaded);
    EXPECT_EQ(st->ChannelCount, 1);
    EXPECT_EQ(PartCount(*st), 1);
}

TEST_F(MainWindowTest, SecondFileReplacesTheFirst) {
    Start();
    Open(Fixture("long65.mp3"));
    ASSERT_TRUE(st->FileLoaded);
    const StreamHandle first = st->PlayStream;
    const uint32_t longFrames = st->FrameCount;
    ASSERT_TRUE(AddCutLine(*st, *st, 300));
    ASSERT_TRUE(AddCutLine(*st, *st, 900));
    st->SelectedPart = 3;
    st->SplitFileCount = 2;
    win->onZoomOutClicked();
    st->ViewFirstFrame = 64;

    Open(Fixture("cbr128_stereo.mp3"));
    EXPECT_TRUE(st->FileLoaded);
    EXPECT_NE(st->FrameCount, longFrames);
    EXPECT_EQ(PartCount(*st), 1);
    EXPECT_EQ(PartLastFrame(*st, *st, 1), int32_t(st->FrameCount) - 1);
    EXPECT_EQ(st->SelectedPart, 0);
    EXPECT_EQ(st->SplitFileCount, 0);
    EXPECT_EQ(st->ViewFirstFrame, 0);
    EXPECT_EQ(st->ZoomLevel, 1);
    EXPECT_EQ(st->ChannelCount, 2);
    EXPECT_NE(st->PlayStream, first);
    // The old stream went before the new one was made.
    auto freed = std::find(engine->calls.begin(), engine->calls.end(), "Free");
    EXPECT_NE(freed, engine->calls.end());
    EXPECT_EQ(engine->streams.count(first), 0u);
}

// An engine that runs out of memory when asked for the play stream.
class ThrowingEngine : public FakeAudioEngine {
public:
    StreamHandle CreateStream(const AnalysedFile&) override { throw std::bad_alloc(); }
};

TEST_F(MainWindowTest, FailureLateInTheOpenLeavesNoHalfOpenFile) {
    Start();
    Open(Fixture("cbr128_stereo.mp3"));
    ASSERT_TRUE(st->FileLoaded);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    win->close();
    win.reset();

    // The same window set-up, but the stream cannot be made.
    st = std::make_unique<ProgramState>();
    ThrowingEngine throwing;
    WindowEnvironment env;
    env.clickWaitMs = 0; // clicks are waited for, not timed
    env.settingsPath = settingsPath;
    env.musicFolder = musicFolder;
    win = std::make_unique<MainWindow>(*st, throwing, dialogs, env);
    win->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(win.get()));
    Open(Fixture("long65.mp3"));
    EXPECT_FALSE(st->FileLoaded);
    EXPECT_EQ(PartCount(*st), 0);
    EXPECT_EQ(st->FrameCount, 0u);
    EXPECT_EQ(st->PlayStream, 0u);
    ASSERT_EQ(dialogs.errors.size(), 1); // the general error handler's box
    EXPECT_EQ(Status(), QStringLiteral("Open a file"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(FindPart<QAction>(win, "openAction")->isEnabled());
    win->close();
    win.reset();
}

TEST_F(MainWindowTest, CancelledChooserChangesNothing) {
    Start();
    Open(Fixture("cbr128_stereo.mp3"));
    engine->calls.clear();
    const uint32_t frames = st->FrameCount;
    Open(QString());
    EXPECT_TRUE(st->FileLoaded);
    EXPECT_EQ(st->FrameCount, frames);
    EXPECT_TRUE(engine->calls.empty()); // not even playback stopped
    EXPECT_EQ(win->windowTitle(), Fixture("cbr128_stereo.mp3"));
}

TEST_F(MainWindowTest, NoCommandActsWhileAFileOpens) {
    Start();
    dialogs.openFileAnswer = Fixture("long65.mp3");
    win->onOpenTriggered();
    ASSERT_TRUE(win->isBusy());
    const int calls = dialogs.openFileCalls;
    win->onOpenTriggered(); // a second open
    EXPECT_EQ(dialogs.openFileCalls, calls);
    win->onSplitTriggered();
    EXPECT_TRUE(dialogs.messages.isEmpty());
    win->onZoomOutClicked();
    win->onZoomInClicked();
    win->onPlayClicked();
    win->onStatusClicked();
    EXPECT_EQ(dialogs.openFileCalls, calls);
    EXPECT_FALSE(st->IsPlaying);
    EXPECT_FALSE(FindPart<QScrollBar>(win, "scrollBar")->isEnabled());
    EXPECT_FALSE(FindPart<QFrame>(win, "splitFrame")->isEnabled());
    win->waitForOpen();
    EXPECT_TRUE(st->FileLoaded);
    EXPECT_TRUE(FindPart<QScrollBar>(win, "scrollBar")->isEnabled());
}

TEST_F(MainWindowTest, ClosingDuringAnOpenWaitsForItAndSaves) {
    Start();
    dialogs.openFileAnswer = Fixture("long65.mp3");
    win->onOpenTriggered();
    ASSERT_TRUE(win->isBusy());
    EXPECT_TRUE(win->close());
    EXPECT_FALSE(win->isBusy());
    EXPECT_EQ(st->ProgressPercent.load(), 0.0);
    EXPECT_TRUE(QFile::exists(settingsPath));
    win.reset();
}

TEST_F(MainWindowTest, PeakPercentageFollowsTheLocale) {
    EXPECT_EQ(PeaksStatusText(12.345, QLocale(QLocale::English)),
              QStringLiteral("Calculating Peaks - 12.3%"));
    EXPECT_EQ(PeaksStatusText(4.0, QLocale(QLocale::German)),
              QStringLiteral("Calculating Peaks - 4,0%"));
    EXPECT_EQ(PeaksStatusText(98.96, QLocale(QLocale::French)),
              QStringLiteral("Calculating Peaks - 99,0%"));
}

TEST_F(MainWindowTest, DroppedFileOpensAsOpenDoes) {
    Start();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(Fixture("mono.mp3"))});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(win.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(win.get(), &drop);
    EXPECT_TRUE(QTest::qWaitFor([&] { return win->isBusy() || st->FileLoaded; }, 5000));
    win->waitForOpen();
    EXPECT_TRUE(st->FileLoaded);
    EXPECT_EQ(QString::fromStdString(st->FileName), Fixture("mono.mp3"));
    EXPECT_EQ(dialogs.openFileCalls, 0);

    // The chooser starts in the folder of the file opened last.
    Open(Fixture("cbr128_stereo.mp3"));
    EXPECT_EQ(win->lastOpenFolder(), QStringLiteral(TESSIVO_FIXTURES));
}

TEST_F(MainWindowTest, ClickOnTheEmptyViewOrTheStatusOpensTheChooser) {
    Start();
    dialogs.openFileAnswer.clear();
    QTest::mouseClick(FindPart<QLabel>(win, "statusLabel"), Qt::LeftButton);
    EXPECT_EQ(dialogs.openFileCalls, 1);
    const QPoint inView(win->viewGeometry().waveLeft + 200, 100);
    QTest::mouseClick(win->waveView(), Qt::LeftButton, {}, inView);
    SettleClicks(win); // a click is told from a double click first
    EXPECT_EQ(dialogs.openFileCalls, 2);
}

// --- Zoom and scrolling ----------------------------------------------------------

// A file of n frames as the open would leave it, without decoding anything.
void FakeOpenFile(ProgramState& st, uint32_t n) {
    st.FrameCount = n;
    st.FrameDuration = 1152.0 / 44100.0;
    st.SamplesPerFrame = 1152;
    st.ChannelCount = 2;
    st.Duration = n * st.FrameDuration;
    for (auto* v : {&st.PeakMaxL, &st.PeakMinL, &st.PeakMaxR, &st.PeakMinR})
        v->assign(n, 0);
    st.FileLoaded = true;
    ResetToOnePart(st, st);
    st.ViewFirstFrame = 0;
}

TEST_F(MainWindowTest, ZoomButtonsAtTheirLimits) {
    Start();
    FakeOpenFile(*st, 22969); // 10 minutes
    st->ZoomLevel = StartingZoomLevel(st->FrameCount, win->viewGeometry().cols());
    EXPECT_EQ(st->ZoomLevel, 6);
    win->view()->updateScrollBar();
    win->onZoomOutClicked(); // the whole file is visible: nothing
    EXPECT_EQ(st->ZoomLevel, 6);
    EXPECT_EQ(win->view()->scrollPageSize(), 10000);
    for (int i = 0; i < 5; ++i)
        win->onZoomInClicked();
    EXPECT_EQ(st->ZoomLevel, 1);
    EXPECT_EQ(win->view()->scrollSmallChange(), 1);
    EXPECT_EQ(win->view()->scrollLargeChange(), 10);
    // Eight levels below one frame per column; "+" at the last does nothing.
    for (int i = 0; i < 9; ++i)
        win->onZoomInClicked();
    EXPECT_EQ(st->ZoomLevel, -7);
    EXPECT_DOUBLE_EQ(FramesPerColumn(*st), 1.0 / 256);
    // The view still starts on a whole frame: the bar steps one frame.
    EXPECT_EQ(win->view()->scrollSmallChange(), 1);
    EXPECT_EQ(win->view()->scrollLargeChange(), 10);
    for (int i = 0; i < 9; ++i)
        win->onZoomOutClicked();
    EXPECT_EQ(st->ZoomLevel, 2);

    // A 10-hour file opens at level 10 though it does not fit; "-" reaches 11.
    FakeOpenFile(*st, 1378140);
    st->ZoomLevel = StartingZoomLevel(st->FrameCount, win->viewGeometry().cols());
    EXPECT_EQ(st->ZoomLevel, 10);
    win->view()->updateScrollBar();
    win->onZoomOutClicked();
    EXPECT_EQ(st->ZoomLevel, 11);
    win->onZoomOutClicked();
    EXPECT_EQ(st->ZoomLevel, 11);
    EXPECT_EQ(win->view()->scrollSmallChange(), 1024);
    EXPECT_EQ(win->view()->scrollLargeChange(), 10240);
}

TEST_F(MainWindowTest, ZoomingOutNearTheEndPutsTheLastFrameAtTheRightEdge) {
    Start();
    const uint32_t n = 100000;
    FakeOpenFile(*st, n);
    st->ZoomLevel = 1;
    win->view()->updateScrollBar();
    FindPart<QScrollBar>(win, "scrollBar")
        ->setValue(FindPart<QScrollBar>(win, "scrollBar")->maximum()); // scrolled to the end
    const int w = win->viewGeometry().waveBitmapWidth();
    EXPECT_GT(st->ViewFirstFrame + w, int32_t(n) - 20);

    win->onZoomOutClicked();
    ASSERT_EQ(st->ZoomLevel, 2);
    const int64_t lastShown = st->ViewFirstFrame + int64_t{2} * (w - 1);
    // The scroll bar's 10001 positions are 10 frames apart here.
    EXPECT_NEAR(double(lastShown), double(n - 1), 2 * 10 + 2);
    EXPECT_EQ(st->ViewFirstFrame % 2, 0);
}

TEST_F(MainWindowTest, ScrollingBeyond93MinutesUses64Bits) {
    Start();
    const uint32_t n = 300000; // about 2 hours 10 minutes
    FakeOpenFile(*st, n);
    st->ZoomLevel = 1;
    win->view()->updateScrollBar();
    EXPECT_EQ(win->view()->scrollPageSize(), 31); // 939 of 300000 frames visible
    EXPECT_EQ(FindPart<QScrollBar>(win, "scrollBar")->maximum(), 10000 - 31);
    FindPart<QScrollBar>(win, "scrollBar")->setValue(9000);
    EXPECT_EQ(st->ViewFirstFrame, 270000);
    FindPart<QScrollBar>(win, "scrollBar")->setValue(7777);
    EXPECT_EQ(st->ViewFirstFrame, 233310);

    // The position follows the first frame when the zoom changes.
    st->ZoomLevel = 4;
    st->ViewFirstFrame = 240000;
    win->view()->updateScrollBar();
    EXPECT_EQ(FindPart<QScrollBar>(win, "scrollBar")->value(), 8000);
    EXPECT_EQ(st->ViewFirstFrame, 240000);
    // A click in the trough moves by the large change.
    FindPart<QScrollBar>(win, "scrollBar")->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(FindPart<QScrollBar>(win, "scrollBar")->value(), 8080);
}

TEST_F(MainWindowTest, OpenChoosesTheZoomAndWideningZoomsIn) {
    Start(1000, 700);
    Open(Fixture("long65.mp3"));
    ASSERT_TRUE(st->FileLoaded);
    const int cols = win->viewGeometry().cols();
    const int level = st->ZoomLevel;
    ASSERT_GE(level, 2);
    EXPECT_LE(int64_t{st->FrameCount}, int64_t{ZoomFactor[level]} * cols);
    EXPECT_GT(int64_t{st->FrameCount}, int64_t{ZoomFactor[level - 1]} * cols);

    // Zoomed out far, the paints bring the view back one level at a time
    // until the file fills at least half of it.
    st->ZoomLevel = 6;
    win->drawWaveView();
    EXPECT_TRUE(QTest::qWaitFor([&] { return st->ZoomLevel <= level; }, 2000));
    EXPECT_EQ(st->ZoomLevel, level);
    EXPECT_GE(st->FrameCount, 0.5 * ZoomFactor[st->ZoomLevel] * cols);

    // A much wider window lets the file fit at a finer level.
    SetClientSize(1800, 700);
    const int wideCols = win->viewGeometry().cols();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return st->FrameCount >= 0.5 * ZoomFactor[st->ZoomLevel] * wideCols; }, 2000));
    EXPECT_TRUE(st->ZoomLevel == 1 || st->FrameCount >= 0.5 * ZoomFactor[st->ZoomLevel] * wideCols)
        << st->ZoomLevel;
}

// --- Status display and commands ------------------------------------------------

TEST_F(MainWindowTest, StatusTextFollowsTheState) {
    Start();
    FakeOpenFile(*st, 2000);
    st->FrameDuration = 0.1;
    ReplaceParts(*st, *st, {602, 1198}); // part 2: 60.2 s, ends at 119.8 s
    st->SelectedPart = 2;
    win->statusController()->refresh();
    EXPECT_EQ(Status(), QStringLiteral("Part(2)  01:00 - 02:00"));
    EXPECT_NE(FindPart<QLabel>(win, "statusLabel")->cursor().shape(), Qt::PointingHandCursor);

    st->SelectedPart = 0;
    win->statusController()->refresh();
    EXPECT_EQ(Status(), QStringLiteral("Ready"));

    // A running long operation shows only the progress bar.
    st->ProgressPercent = 41.6;
    win->statusController()->refresh();
    EXPECT_TRUE(FindPart<QProgressBar>(win, "progressBar")->isVisible());
    EXPECT_EQ(FindPart<QProgressBar>(win, "progressBar")->value(), 42);
    EXPECT_EQ(Status(), QStringLiteral("Ready"));
    st->ProgressPercent = 0.0;
    win->statusController()->refresh();
    EXPECT_FALSE(FindPart<QProgressBar>(win, "progressBar")->isVisible());
}

TEST_F(MainWindowTest, MenuCommands) {
    Start();
    win->onSplitTriggered();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0], QStringLiteral("No parts prepared to split."));

    win->onExplorerTriggered();
    win->onHelpContentsTriggered();
    ASSERT_EQ(dialogs.opened.size(), 2);
    EXPECT_EQ(dialogs.opened[0], musicFolder);
    EXPECT_TRUE(dialogs.opened[1].endsWith(QStringLiteral("tessivo.html")));
    EXPECT_TRUE(QFile::exists(dialogs.opened[1]));
    EXPECT_TRUE(ReadText(dialogs.opened[1]).contains(QStringLiteral("Open a file")));

    // The About window as designed.
    AboutWindow* about = FindPart<AboutWindow>(win, "aboutWindow");
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About Tessivo"));
    EXPECT_EQ(AboutWindow::sizeForDpi(120), QSize(430, 320));
    EXPECT_EQ(AboutWindow::sizeForDpi(96), QSize(376, 286));
    about->prepareToShow();
    EXPECT_GE(about->width(), 376);
    EXPECT_GE(about->height(), 286);
    EXPECT_EQ(about->titleLabel->text(), QStringLiteral("Tessivo 2.3"));
    EXPECT_EQ(about->titleShadowLabel->pos(), about->titleLabel->pos() + QPoint(1, 1));
    about->layout()->activate();
    // OK below the text.
    EXPECT_GT(about->okButton->mapTo(about, QPoint(0, 0)).y(),
              about->infoLabel->geometry().bottom());
    EXPECT_FALSE(about->isVisible());

    win->onExitTriggered();
    EXPECT_FALSE(win->isVisible());
    EXPECT_TRUE(QFile::exists(settingsPath));
}

TEST_F(MainWindowTest, DiagnosticSwitchShowsTheFrameViewer) {
    WriteText(dir.filePath(QStringLiteral("test.chk")), QString());
    Start();
    EXPECT_TRUE(win->viewerEnabled());
    EXPECT_TRUE(FindPart<QAction>(win, "viewerAction")->isVisible());
    Open(Fixture("cbr128_stereo.mp3"));
    ASSERT_TRUE(st->FileLoaded);

    FrameViewerWindow* viewer = FindPart<FrameViewerWindow>(win, "frameViewer");
    viewer->prepareToShow();
    QTableWidget* grid = viewer->frameTable;
    EXPECT_EQ(grid->rowCount(), 1004);
    EXPECT_EQ(grid->item(0, 0)->text(), QStringLiteral("FrmPos"));
    EXPECT_EQ(grid->item(0, 9)->text(), QStringLiteral("gain22"));
    // Frame 0: its offset, its length and its header's sync byte.
    EXPECT_EQ(grid->item(1, 0)->text(), QString::number(st->FramePos[0]));
    EXPECT_EQ(grid->item(1, 1)->text(), QString::number(st->FramePos[1] - st->FramePos[0]));
    EXPECT_EQ(grid->item(1, 2)->text(), QStringLiteral("255"));
    // Rows of frames the index did not fill stay empty.
    const int last = st->IndexedFrames; // row of the last indexed frame
    EXPECT_NE(grid->item(last, 0), nullptr);
    EXPECT_EQ(grid->item(last, 1), nullptr);
    EXPECT_EQ(grid->item(last + 1, 0), nullptr);

    const QString memo = viewer->summaryText->toPlainText();
    EXPECT_TRUE(memo.contains(QStringLiteral("Real Frames - ") + QString::number(st->FrameCount)));
    EXPECT_TRUE(
        memo.contains(QStringLiteral("Count Frames-") + QString::number(st->IndexedFrames)));
    EXPECT_TRUE(memo.contains(QStringLiteral("First Frame Pos - 0")));
    EXPECT_FALSE(memo.contains(QStringLiteral("TagV1.")));
    // Shown twice without another file: the same contents.
    viewer->prepareToShow();
    EXPECT_EQ(viewer->summaryText->toPlainText(), memo);
}

} // namespace
} // namespace tessivo
