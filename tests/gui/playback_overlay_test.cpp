// The playback cursor and strip mark overlays, alone and in the main window
// driven by a fake engine: where they sit, what they paint, that the
// waveform picture is not redrawn to move them, the status caption, the
// level meter, the end-of-part stop and the error message.
#include "core/parts/cut_lines.h"

#include "core/parts/part_access.h"
#include "core/util/time_text.h"
#include "tests/fakes/fake_audio_engine.h"
#include "tests/fakes/fake_user_dialogs.h"
#include "tests/gui/window_parts.h"
#include "ui/view/playback_cursor_overlay.h"
#include "ui/window/main_window.h"

#include <QLabel>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>

namespace tessivo {
namespace {

using tessivo::testing::FindPart;
using testing::FakeAudioEngine;
using testing::FakeUserDialogs;

QColor Pixel(const QImage& img, int x, int y) {
    return QColor(img.pixel(x, y));
}

PlaybackTickResult Placed(int cx, int cy, int ch, int sx, int sy) {
    PlaybackTickResult r;
    r.following = true;
    r.placeOverlays = true;
    r.cursor = {true, cx, cy, ch};
    r.stripMark = {true, sx, sy, 12};
    return r;
}

TEST(PlaybackOverlaysTest, PaintDottedCursorAndSolidStripMarkOverTheParent) {
    QWidget parent;
    parent.resize(400, 300);
    parent.setAutoFillBackground(true);
    QPalette pal;
    pal.setColor(QPalette::Window, Qt::white);
    parent.setPalette(pal);
    PlaybackOverlays ov(&parent);
    parent.show();

    ov.apply(Placed(100, 0, 200, 150, 250));
    EXPECT_EQ(ov.cursorLine->geometry(), QRect(100, 0, 1, 200));
    EXPECT_EQ(ov.stripMarkLine->geometry(), QRect(150, 250, 1, 12));
    const QImage img = parent.grab().toImage();
    EXPECT_EQ(Pixel(img, 100, 0), QColor(0, 128, 0));
    EXPECT_EQ(Pixel(img, 100, 1), QColor(Qt::white)) << "gaps of the dotted line show the view";
    EXPECT_EQ(Pixel(img, 100, 198), QColor(0, 128, 0));
    EXPECT_EQ(Pixel(img, 100, 200), QColor(Qt::white)) << "the cursor ends at its height";
    EXPECT_EQ(Pixel(img, 99, 50), QColor(Qt::white));
    EXPECT_EQ(Pixel(img, 101, 50), QColor(Qt::white));
    for (int y = 250; y < 262; ++y)
        EXPECT_EQ(Pixel(img, 150, y), QColor(36, 255, 36)) << "row " << y;
    EXPECT_EQ(Pixel(img, 150, 262), QColor(Qt::white));
    // Clicks go through to the view.
    EXPECT_EQ(parent.childAt(100, 50), nullptr);

    // Outside the view the cursor is hidden while the strip mark moves on.
    PlaybackTickResult outside = Placed(0, 0, 0, 160, 250);
    outside.cursor = OverlayLine{};
    ov.apply(outside);
    EXPECT_TRUE(ov.cursorLine->isHidden());
    EXPECT_EQ(ov.cursorLine->geometry(), QRect(-1, 0, 1, 0));
    EXPECT_FALSE(ov.stripMarkLine->isHidden());
    EXPECT_EQ(ov.stripMarkLine->x(), 160);

    PlaybackTickResult idle;
    idle.hideOverlays = true;
    ov.apply(idle);
    EXPECT_TRUE(ov.cursorLine->isHidden());
    EXPECT_TRUE(ov.stripMarkLine->isHidden());
    const QImage after = parent.grab().toImage();
    EXPECT_EQ(Pixel(after, 100, 0), QColor(Qt::white));
    EXPECT_EQ(Pixel(after, 160, 250), QColor(Qt::white));
}

// The main window on a fake engine with a fixture opened.
class WindowPlayback : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        WindowEnvironment env;
        env.clickWaitMs = 0; // clicks are waited for, not timed
        env.settingsPath = dir_.filePath(QStringLiteral("tessivo.ini"));
        env.musicFolder = dir_.path();
        env.diagnosticFolder = dir_.path();
        win_ = std::make_unique<MainWindow>(st_, eng_, dialogs_, env);
        win_->resize(1000, 700);
        win_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(win_.get()));
    }
    void TearDown() override { win_.reset(); }

    void Open(const char* fixture) {
        win_->openFilePath(QString::fromUtf8(TESSIVO_FIXTURES) + "/" + fixture);
        win_->waitForOpen();
        ASSERT_TRUE(st_.FileLoaded) << fixture;
        ASSERT_NE(st_.PlayStream, 0u);
        FindPart<QTimer>(win_, "playbackTimer")->stop(); // the test ticks by hand
        win_->onPlaybackTick();                          // settle any resize
    }
    int64_t BytesPerFrame() const { return int64_t{st_.SamplesPerFrame} * 2 * st_.ChannelCount; }
    void HearFrame(int64_t f) { eng_.At(st_.PlayStream).position = f * BytesPerFrame(); }
    QLabel* Status() { return FindPart<QLabel>(win_, "statusLabel"); }

    QTemporaryDir dir_;
    ProgramState st_;
    FakeAudioEngine eng_;
    FakeUserDialogs dialogs_;
    std::unique_ptr<MainWindow> win_;
};

TEST_F(WindowPlayback, PlayMovesCursorWithoutRedrawingTheWaveform) {
    Open("long65.mp3");
    const ViewGeometry& g = win_->viewGeometry();
    win_->onPlayClicked();
    ASSERT_TRUE(st_.IsPlaying);
    EXPECT_EQ(st_.PlayingPart, 1);
    EXPECT_DOUBLE_EQ(eng_.At(st_.PlayStream).volume, st_.Volume / 100.0);

    const QImage waveBefore = win_->waveBitmap().copy();
    const QImage meterIdle = win_->meterBitmap().copy();
    const int32_t z = ZoomFactor[st_.ZoomLevel];
    for (int64_t f : {0, 7, 100, 333}) {
        HearFrame(f);
        win_->onPlaybackTick();
        const int expectX = g.waveLeft + int(std::nearbyint(double(f - st_.ViewFirstFrame) / z));
        if (expectX > g.waveLeft) {
            EXPECT_FALSE(win_->playback()->overlays()->cursorLine->isHidden()) << "frame " << f;
            EXPECT_EQ(win_->playback()->overlays()->cursorLine->geometry(),
                      QRect(expectX, g.waveTop, 1, g.waveBottom - g.waveTop))
                << "frame " << f;
        } else {
            EXPECT_TRUE(win_->playback()->overlays()->cursorLine->isHidden())
                << "x = WaveLeft is outside";
        }
        EXPECT_EQ(win_->playback()->overlays()->stripMarkLine->geometry(),
                  QRect(g.waveLeft + int(std::nearbyint(f * g.pixelsPerFrame)), g.viewBottom - 13,
                        1, 12));
        EXPECT_EQ(st_.PlayFrame, uint32_t(f));
    }
    EXPECT_EQ(win_->waveBitmap(), waveBefore) << "moving the cursor redrew the waveform";
    EXPECT_NE(win_->meterBitmap(), meterIdle) << "the level meter shows no bars";
    // The clock shows the heard time: frame 333 at the file's own rate.
    std::string hms, ms;
    SplitClockText(333.0 * st_.SamplesPerFrame / st_.SampleRate, hms, ms);
    EXPECT_EQ(FindPart<QLabel>(win_, "clockLabel")->text().toStdString(), hms);
    EXPECT_EQ(FindPart<QLabel>(win_, "clockMsLabel")->text().toStdString(), ms);

    win_->statusController()->refresh();
    EXPECT_EQ(Status()->text(), QStringLiteral("Playing the file"));

    win_->onStopClicked();
    EXPECT_FALSE(st_.IsPlaying);
    win_->onPlaybackTick();
    EXPECT_TRUE(win_->playback()->overlays()->cursorLine->isHidden());
    EXPECT_TRUE(win_->playback()->overlays()->stripMarkLine->isHidden());
    EXPECT_EQ(win_->meterBitmap(), meterIdle) << "the bars stay after stopping";
    win_->statusController()->refresh();
    EXPECT_EQ(Status()->text(), QStringLiteral("Ready"));
}

TEST_F(WindowPlayback, SelectedPartPlaysAndStopsAtTheNextPart) {
    Open("long65.mp3");
    const int32_t third = int32_t(st_.FrameCount / 3);
    ASSERT_TRUE(AddCutLine(st_, st_, third));
    ASSERT_TRUE(AddCutLine(st_, st_, 2 * third));
    ASSERT_EQ(PartCount(st_), 3);
    st_.SelectedPart = 2;
    FindPart<QSlider>(win_, "rateSlider")->setValue(30);
    win_->onPlayClicked();
    EXPECT_EQ(FindPart<QSlider>(win_, "rateSlider")->value(), 0)
        << "Play starts at the file's own speed";
    EXPECT_DOUBLE_EQ(eng_.At(st_.PlayStream).frequency, double(st_.SampleRate));
    EXPECT_EQ(eng_.At(st_.PlayStream).position, third * BytesPerFrame());
    win_->statusController()->refresh();
    EXPECT_EQ(Status()->text(), QStringLiteral("Playing Part(2)"));

    HearFrame(2 * third - 1);
    win_->onPlaybackTick();
    EXPECT_TRUE(st_.IsPlaying);
    HearFrame(2 * third);
    win_->onPlaybackTick();
    EXPECT_FALSE(st_.IsPlaying);
    EXPECT_FALSE(eng_.IsActive(st_.PlayStream));
    EXPECT_TRUE(win_->playback()->overlays()->cursorLine->isHidden());
    EXPECT_TRUE(win_->playback()->overlays()->stripMarkLine->isHidden());
}

TEST_F(WindowPlayback, SlidersChangeTheRunningStream) {
    Open("long65.mp3");
    win_->onPlayClicked();
    FindPart<QSlider>(win_, "volumeSlider")->setValue(10);
    EXPECT_DOUBLE_EQ(eng_.At(st_.PlayStream).volume, 0.10);
    EXPECT_EQ(st_.Volume, 10);
    FindPart<QSlider>(win_, "rateSlider")->setValue(100);
    EXPECT_DOUBLE_EQ(eng_.At(st_.PlayStream).frequency, 100000.0);
}

TEST_F(WindowPlayback, AutoScrollJumpsTheViewAheadOfTheCursor) {
    Open("long65.mp3");
    const ViewGeometry& g = win_->viewGeometry();
    // Zoom in to level 1 so the file is longer than the view.
    while (st_.ZoomLevel > 1)
        win_->onZoomInClicked();
    const int32_t w = g.waveRight - g.waveLeft;
    ASSERT_GT(int64_t(st_.FrameCount), int64_t(w) + 100);
    win_->onPlayClicked();
    const QImage before = win_->waveBitmap().copy();
    HearFrame(w - 95);
    win_->onPlaybackTick();
    EXPECT_GT(st_.ViewFirstFrame, 0);
    // The scroll position's resolution may move the first frame a little
    // from 32 columns before the cursor.
    EXPECT_NEAR(st_.ViewFirstFrame, w - 95 - 32, double(st_.FrameCount) / 10000 + 1);
    EXPECT_NE(win_->waveBitmap(), before) << "the jump redraws the view";
}

TEST_F(WindowPlayback, LastTickAtTheEndOfTheStreamKeepsTheMeterInsideThePeakTable) {
    Open("cbr128_stereo.mp3");
    win_->onPlayClicked();
    // The rounded position reaches FrameCount on the stream's last tick.
    HearFrame(st_.FrameCount);
    win_->onPlaybackTick();
    EXPECT_EQ(st_.PlayFrame, st_.FrameCount);
    EXPECT_TRUE(st_.IsPlaying);
    EXPECT_FALSE(win_->playback()->overlays()->stripMarkLine->isHidden());
    eng_.Stop(st_.PlayStream); // the stream ends by itself
    win_->onPlaybackTick();
    EXPECT_FALSE(st_.IsPlaying);
    EXPECT_EQ(st_.PlayFrame, 0u);
    EXPECT_TRUE(win_->playback()->overlays()->stripMarkLine->isHidden());
}

TEST_F(WindowPlayback, RefusedStartShowsTheEngineError) {
    Open("cbr128_stereo.mp3");
    eng_.refusePlay = true;
    eng_.refuseCode = 23;
    win_->onPlayClicked();
    ASSERT_EQ(dialogs_.messages.size(), 1);
    EXPECT_EQ(dialogs_.messages.front(), QStringLiteral("Error playing music!\n(Error code: 23)"));
    EXPECT_FALSE(st_.IsPlaying);
    win_->onPlaybackTick();
    EXPECT_TRUE(win_->playback()->overlays()->cursorLine->isHidden());
}

} // namespace
} // namespace tessivo
