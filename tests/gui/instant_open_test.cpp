// The open that shows a file at once: the preview drawn before the exact
// peaks, editing and splitting while they are computed, cancellation, the
// peak cache, and Split by silence waiting for the exact peaks. The exact
// peaks are held back by the open job's seam, so "still computing" lasts as
// long as a test needs it.
#include "core/analysis/open_file.h"
#include "core/cutting/cutting_mode.h"

#include "core/analysis/peak_cache.h"
#include "core/analysis/preview_peaks.h"
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
#include "ui/window/open_job.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

namespace tessivo {
namespace {

using tessivo::testing::FakeAudioEngine;
using tessivo::testing::FakeUserDialogs;
using tessivo::testing::FindPart;

using tessivo::testing::Fixture;

bool SameTable(const PeakTable& a, const PeakTable& b) {
    return a.PeakMaxL == b.PeakMaxL && a.PeakMinL == b.PeakMinL && a.PeakMaxR == b.PeakMaxR &&
           a.PeakMinR == b.PeakMinR;
}

// The exact table of `path`, as the command line computes it.
PeakTable ExactPeaks(const QString& path) {
    ProgramState st;
    EXPECT_TRUE(AnalyseFile(st, st, path.toStdString(), true).ok);
    return st;
}

PeakTable Preview(const QString& path) {
    ProgramState st;
    EXPECT_TRUE(AnalyseFile(st, st, path.toStdString(), false).ok);
    return PreviewPeaks(st);
}

// Pixels of the waveform's own colours in the picture's wave area.
int WavePixels(const QImage& img, const ViewGeometry& g) {
    int n = 0;
    for (int y = g.waveTop; y < g.waveBottom && y < img.height(); y += 2)
        for (int x = 0; x < img.width(); x += 2) {
            const QColor c = img.pixelColor(x, y);
            // The waveform's colours inside and outside the selected part.
            if (c == QColor(30, 30, 130) || c == QColor(50, 50, 80))
                ++n;
        }
    return n;
}

int HintPixels(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) == QColor(128, 128, 128))
                ++n;
    return n;
}

class InstantOpenTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        cacheFolder = dir.filePath(QStringLiteral("cache"));
        Start();
    }
    void TearDown() override { tessivo::testing::CloseTestWindow(win, dialogs); }
    void Start() {
        st = std::make_unique<ProgramState>();
        WindowEnvironment env;
        env.clickWaitMs = 0; // clicks are waited for, not timed
        env.settingsPath = dir.filePath(QStringLiteral("tessivo.ini"));
        env.musicFolder = dir.filePath(QStringLiteral("Music"));
        env.diagnosticFolder = dir.path();
        env.peakCacheFolder = cacheFolder;
        env.peakThreads = 1;
        env.peakChunkFrames = 256;
        win = std::make_unique<MainWindow>(*st, engine, dialogs, env);
        win->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(win.get()));
        const QSize size(1000, 700 + win->menuBar()->height());
        win->resize(size);
        ASSERT_TRUE(QTest::qWaitFor([&] { return win->size() == size; }, 2000));
        win->onPlaybackTick();
    }
    // Opens `path` and waits until it is shown, its exact peaks held back.
    void OpenHeld(const QString& path) {
        win->openJob()->holdPeaks(true);
        dialogs.openFileAnswer = path;
        win->onOpenTriggered();
        win->waitForFileShown();
        ASSERT_TRUE(st->FileLoaded);
    }
    void Release() {
        win->openJob()->holdPeaks(false);
        win->waitForOpen();
    }
    QString Status() const { return FindPart<QLabel>(win, "statusLabel")->text(); }
    SplitSettingsPanel* Panel() const { return win->findChild<SplitSettingsPanel*>(); }

    QTemporaryDir dir;
    QString cacheFolder;
    std::unique_ptr<ProgramState> st;
    FakeAudioEngine engine;
    FakeUserDialogs dialogs;
    std::unique_ptr<MainWindow> win;
};

TEST_F(InstantOpenTest, ThePreviewIsDrawnBeforeTheExactPeaksReplaceIt) {
    const QString path = Fixture("long65.mp3");
    OpenHeld(path);
    EXPECT_FALSE(win->isBusy());
    EXPECT_TRUE(win->openJob()->peaksRunning());
    EXPECT_FALSE(win->document().PeaksExact());
    EXPECT_TRUE(SameTable(*st, Preview(path)));
    EXPECT_GT(WavePixels(win->waveBitmap(), win->viewGeometry()), 100);
    // The commands work on the file shown.
    EXPECT_TRUE(FindPart<QAction>(win, "openAction")->isEnabled());
    EXPECT_TRUE(Panel()->prepareButton->isEnabled());
    // The status word and the bar tell of the peaks.
    win->statusController()->refresh();
    EXPECT_TRUE(Status().startsWith(QStringLiteral("Calculating Peaks - ")))
        << Status().toStdString();
    EXPECT_TRUE(FindPart<QProgressBar>(win, "progressBar")->isVisible());

    const QImage preview = win->waveBitmap().copy();
    Release();
    EXPECT_TRUE(win->document().PeaksExact());
    EXPECT_FALSE(win->openJob()->peaksRunning());
    const PeakTable exact = ExactPeaks(path);
    EXPECT_TRUE(SameTable(*st, exact));
    EXPECT_NE(win->waveBitmap(), preview); // redrawn with the exact peaks
    win->statusController()->refresh();
    EXPECT_EQ(Status(), QStringLiteral("Ready"));
    EXPECT_FALSE(FindPart<QProgressBar>(win, "progressBar")->isVisible());
    // The exact table went into the cache.
    ProgramState again;
    ASSERT_TRUE(AnalyseFile(again, again, path.toStdString(), false).ok);
    PeakTable cached;
    EXPECT_TRUE(
        LookUpPeaks(cacheFolder.toStdString(), PeakCacheKeyOf(again), again.FrameCount, cached));
    EXPECT_TRUE(SameTable(cached, exact));
    // With the loudness energies the document holds, not an empty copy.
    EXPECT_FALSE(st->FrameLoudness.empty());
    EXPECT_EQ(cached.FrameLoudness, st->FrameLoudness);
}

TEST_F(InstantOpenTest, CommandsWaitForTheFrameIndexAndTheHintGoes) {
    EXPECT_GT(HintPixels(win->waveBitmap()), 50); // "Click here to open a file"
    // A refused open of an empty window brings the hint back.
    dialogs.openFileAnswer = Fixture("not_mp3.wav");
    win->onOpenTriggered();
    ASSERT_TRUE(win->isBusy());
    EXPECT_EQ(HintPixels(win->waveBitmap()), 0);
    win->waitForOpen();
    EXPECT_FALSE(st->FileLoaded);
    EXPECT_GT(HintPixels(win->waveBitmap()), 50);

    dialogs.openFileAnswer = Fixture("long65.mp3");
    win->onOpenTriggered();
    ASSERT_TRUE(win->isBusy());
    EXPECT_FALSE(Panel()->prepareButton->isEnabled());
    EXPECT_FALSE(win->tagPanel()->setButton->isEnabled());
    // And they look it: their captions take the style's disabled colour.
    const QColor greyed = QApplication::palette().color(QPalette::Disabled, QPalette::ButtonText);
    for (const QWidget* b : {static_cast<QWidget*>(Panel()->prepareButton),
                             static_cast<QWidget*>(win->tagPanel()->setButton)})
        EXPECT_EQ(b->palette().color(QPalette::Disabled, QPalette::ButtonText), greyed);
    EXPECT_FALSE(FindPart<QToolButton>(win, "splitButton")->isEnabled());
    EXPECT_EQ(HintPixels(win->waveBitmap()), 0);
    win->waitForOpen();
    EXPECT_TRUE(Panel()->prepareButton->isEnabled());
    EXPECT_TRUE(win->tagPanel()->setButton->isEnabled());
    EXPECT_EQ(HintPixels(win->waveBitmap()), 0);
}

TEST_F(InstantOpenTest, EditingAndSplittingWorkWhileTheExactPeaksRun) {
    const QString path = Fixture("long65.mp3");
    OpenHeld(path);
    // A cut line by a double click on the waveform.
    const QPoint p(win->viewGeometry().waveLeft + 300, 100);
    QTest::mousePress(win->waveView(), Qt::LeftButton, {}, p);
    QTest::mouseRelease(win->waveView(), Qt::LeftButton, {}, p);
    QTest::mouseDClick(win->waveView(), Qt::LeftButton, {}, p);
    QTest::mouseRelease(win->waveView(), Qt::LeftButton, {}, p);
    SettleClicks(win);
    win->stopPlayback();
    EXPECT_EQ(PartCount(*st), 2);
    // Equal parts.
    Panel()->byPartsRadio->click();
    Panel()->partsSpin->setValue(3);
    Panel()->prepareButton->click();
    ASSERT_EQ(PartCount(*st), 3);
    EXPECT_TRUE(win->openJob()->peaksRunning());
    // Play.
    win->onPlayClicked();
    EXPECT_TRUE(st->IsPlaying);
    win->stopPlayback();
    // Split.
    const QString out = dir.filePath(QStringLiteral("out"));
    QDir().mkpath(out);
    win->document().SetOutputFolder(out.toStdString());
    win->confirmDialog()->show();
    QTest::mouseClick(win->confirmDialog()->splitButton, Qt::LeftButton);
    win->confirmDialog()->splitRunner()->wait();
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(";").toStdString();
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), 3);
    EXPECT_TRUE(win->openJob()->peaksRunning());
    // The peaks finish under the edits, which stay.
    Release();
    EXPECT_EQ(PartCount(*st), 3);
    EXPECT_TRUE(SameTable(*st, ExactPeaks(path)));
}

TEST_F(InstantOpenTest, ASecondOpenCancelsThePeaksOfTheFirst) {
    OpenHeld(Fixture("long65.mp3"));
    ASSERT_TRUE(win->openJob()->peaksRunning());
    dialogs.openFileAnswer = Fixture("speech_pauses.mp3");
    win->onOpenTriggered();
    // Cancelled at once, before the second file is even indexed.
    EXPECT_TRUE(win->isBusy());
    EXPECT_FALSE(win->openJob()->peaksRunning());
    win->waitForFileShown();
    ASSERT_EQ(QString::fromStdString(st->FileName), Fixture("speech_pauses.mp3"));
    Release();
    // No range of the first file reached the second one's table.
    EXPECT_EQ(st->PeakMaxL.size(), st->FrameCount);
    EXPECT_TRUE(SameTable(*st, ExactPeaks(Fixture("speech_pauses.mp3"))));
}

TEST_F(InstantOpenTest, ClosingCancelsThePeaks) {
    // Running for real (not held): the window closes under the workers.
    dialogs.openFileAnswer = Fixture("long65.mp3");
    win->onOpenTriggered();
    win->waitForFileShown();
    ASSERT_TRUE(win->openJob()->peaksRunning());
    EXPECT_TRUE(win->close());
    EXPECT_FALSE(win->openJob()->peaksRunning());
    win.reset();
    // Held: nothing copied after the close either.
    Start();
    OpenHeld(Fixture("long65.mp3"));
    EXPECT_TRUE(win->close());
    EXPECT_FALSE(win->openJob()->peaksRunning());
    win.reset();
}

TEST_F(InstantOpenTest, AReopenedFileShowsItsExactPeaksAtOnce) {
    const QString path = dir.filePath(QStringLiteral("copy.mp3"));
    ASSERT_TRUE(QFile::copy(Fixture("long65.mp3"), path));
    dialogs.openFileAnswer = path;
    win->onOpenTriggered();
    win->waitForOpen();
    const PeakTable exact = ExactPeaks(path);

    OpenHeld(path); // hit
    EXPECT_TRUE(win->document().PeaksExact());
    EXPECT_FALSE(win->openJob()->peaksRunning());
    EXPECT_TRUE(SameTable(*st, exact));

    // The file changed: the stored table no longer counts.
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek(f.size() - 200);
        f.write(QByteArray(100, '\0'));
    }
    OpenHeld(path); // miss
    EXPECT_FALSE(win->document().PeaksExact());
    EXPECT_TRUE(win->openJob()->peaksRunning());
    EXPECT_TRUE(SameTable(*st, Preview(path)));
    Release();
    EXPECT_TRUE(SameTable(*st, ExactPeaks(path)));
}

TEST_F(InstantOpenTest, SplitBySilenceWaitsForTheExactPeaks) {
    const QString path = Fixture("speech_pauses.mp3");
    // The cut lines it places with the exact peaks from the start.
    ProgramState ref;
    ASSERT_TRUE(AnalyseFile(ref, ref, path.toStdString(), true).ok);
    ref.SilenceThreshold = st->SilenceThreshold;
    ref.SilenceRelease = st->SilenceRelease;
    ref.FileLoaded = true;
    PrepareInput in;
    in.mode = "silence";
    ASSERT_TRUE(PrepareCutLines(ref, ref, ref, in).acted);
    ASSERT_GT(PartCount(ref), 1);

    OpenHeld(path);
    Panel()->bySilenceRadio->click();
    Panel()->prepareButton->click();
    EXPECT_EQ(PartCount(*st), 1); // waits
    EXPECT_TRUE(win->document().PreparePending());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    win->statusController()->refresh();
    // The status says what the Prepare waits for.
    EXPECT_TRUE(Status().startsWith(QStringLiteral("Waiting for the exact peaks (")))
        << Status().toStdString();
    EXPECT_TRUE(Status().endsWith(QStringLiteral("%)\u2026"))) << Status().toStdString();

    Release();
    EXPECT_FALSE(win->document().PreparePending());
    ASSERT_EQ(PartCount(*st), PartCount(ref));
    for (int k = 1; k <= PartCount(ref); ++k)
        EXPECT_EQ(PartFirstFrame(*st, k), PartFirstFrame(ref, k)) << k;
    EXPECT_EQ(PartRows(win->partList()), PartCount(ref));
}

} // namespace
} // namespace tessivo
