// The window's side of playback: buttons, sliders and the playback branches of
// the 33 ms timer. The arithmetic lives in playback_control.
#include "ui/window/main_window.h"

#include "ui/document/core_text.h"

#include "ui/window/control_panel.h"
#include "ui/window/status_controller.h"

#include <QCoreApplication>
#include <QScrollBar>
#include <QSlider>

namespace tessivo {

void MainWindow::stopPlayback() {
    tessivo::StopPlayback(st_, engine_);
    drawLevelMeter();
}

void MainWindow::onPlayClicked() {
    if (isBusy())
        return;
    controls_->rateSlider->setValue(0); // Play always starts at the file's own speed
    // A stretch chosen with Shift+drag plays alone.
    if (hasStretch()) {
        playStretch(stretch_.first, stretch_.last);
        return;
    }
    const int n = PlayButtonPart(st_);
    st_.PlayingPart = n;
    playPart(n, PlayStartKind::PartStart);
}

void MainWindow::playPart(int n, PlayStartKind kind) {
    if (isBusy())
        return;
    st_.PlayingPart = n;
    const PlayFromResult r = PlayFrom(st_, engine_, n, kind, controls_->rateSlider->value(), [] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    if (r.errorText)
        dialogs_.showMessage(this, CoreText(*r.errorText));
}

void MainWindow::onStopClicked() {
    if (isBusy())
        return;
    stopPlayback();
}

void MainWindow::onVolumeChanged(int position) {
    ApplyVolumeBar(st_, engine_, position);
}

void MainWindow::onRateChanged(int position) {
    ApplyRateBar(st_, engine_, position);
}

PlaybackGeometry MainWindow::playbackGeometry() const {
    PlaybackGeometry g;
    g.waveLeft = geom_.waveLeft;
    g.waveRight = geom_.waveRight;
    g.waveTop = geom_.waveTop;
    g.waveBottom = geom_.waveBottom;
    g.viewBottom = geom_.viewBottom;
    g.pixelsPerFrame = geom_.pixelsPerFrame;
    return g;
}

void MainWindow::followPlayback() {
    const PlaybackTickResult r = PlaybackTimerTick(st_, engine_, playbackGeometry());
    if (r.following)
        status_->showTime(r.seconds);
    if (r.autoScrolled) {
        // A changed position re-derives the first frame and redraws; an
        // unchanged one leaves the jump to be drawn here.
        const int before = scrollBar_->value();
        scrollBar_->setValue(r.scrollPosition);
        if (scrollBar_->value() == before)
            drawWaveView();
    }
    if (r.redrawMeter())
        drawLevelMeter();
    overlays_->apply(r);
}

} // namespace tessivo
