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
    view_->drawMeter();
}

void MainWindow::onPlayClicked() {
    if (isBusy())
        return;
    controls_->rateSlider->setValue(0); // Play always starts at the file's own speed
    // A stretch chosen with Shift+drag plays alone.
    if (view_->hasStretch()) {
        playStretch(view_->stretch().first, view_->stretch().last);
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
    g.waveLeft = view_->geometry().waveLeft;
    g.waveRight = view_->geometry().waveRight;
    g.waveTop = view_->geometry().waveTop;
    g.waveBottom = view_->geometry().waveBottom;
    g.viewBottom = view_->geometry().viewBottom;
    g.pixelsPerFrame = view_->geometry().pixelsPerFrame;
    return g;
}

void MainWindow::followPlayback() {
    const PlaybackTickResult r = PlaybackTimerTick(st_, engine_, playbackGeometry());
    if (r.following)
        status_->showTime(r.seconds);
    if (r.autoScrolled) {
        // A changed position re-derives the first frame and redraws; an
        // unchanged one leaves the jump to be drawn here.
        const int before = view_->scrollBar()->value();
        view_->scrollBar()->setValue(r.scrollPosition);
        if (view_->scrollBar()->value() == before)
            drawWaveView();
    }
    if (r.redrawMeter())
        view_->drawMeter();
    overlays_->apply(r);
}

} // namespace tessivo
