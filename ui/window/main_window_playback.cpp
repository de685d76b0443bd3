// The window's side of playback: buttons, sliders and the playback branches of
// the 33 ms timer. The arithmetic lives in playback_control.
#include "ui/window/main_window.h"

#include <QCoreApplication>
#include <QScrollBar>
#include <QSlider>

namespace tessivo {

void TForm1::StopPlayback() {
    tessivo::StopPlayback(st_, engine_);
    DrawLevelMeter();
}

void TForm1::SpdBtnPlayClick() {
    if (busy_)
        return;
    const int n = PlayButtonPart(st_);
    RateBar->setValue(0); // Play always starts at the file's own speed
    st_.PlayingPart = n;
    PlayPart(n, PlayStartKind::PartStart);
}

void TForm1::PlayPart(int n, PlayStartKind kind) {
    if (busy_)
        return;
    const PlayFromResult r = PlayFrom(st_, engine_, n, kind, RateBar->value(), [] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    if (r.errorText)
        dialogs_.ShowMessage(this, QString::fromStdString(*r.errorText));
}

void TForm1::SpdBtnStopClick() {
    if (busy_)
        return;
    StopPlayback();
}

void TForm1::VolumeBarChange(int position) {
    ApplyVolumeBar(st_, engine_, position);
}

void TForm1::RateBarChange(int position) {
    ApplyRateBar(st_, engine_, position);
}

void TForm1::FollowPlayback() {
    PlaybackGeometry g;
    g.waveLeft = geom_.WaveLeft;
    g.waveRight = geom_.WaveRight;
    g.waveTop = geom_.WaveTop;
    g.waveBottom = geom_.WaveBottom;
    g.viewBottom = geom_.ViewBottom;
    g.pixelsPerFrame = geom_.PixelsPerFrame;
    const PlaybackTickResult r = PlaybackTimerTick(st_, engine_, g);
    if (r.following)
        ShowTimeLabels(r.seconds);
    if (r.autoScrolled) {
        // A changed position re-derives the first frame and redraws; an
        // unchanged one leaves the jump to be drawn here.
        const int before = ScrollBar->value();
        ScrollBar->setValue(r.scrollPosition);
        if (ScrollBar->value() == before)
            DrawWaveView();
    }
    if (r.redrawMeter())
        DrawLevelMeter();
    Overlays->Apply(r);
}

} // namespace tessivo
