// Mouse work on the waveform: the view passes its events here and WaveMouse
// decides what they do; Shift+drag chooses a stretch to play, Ctrl places a
// cut line at a sample where the view shows samples. Nothing acts
// while a file is being opened.
#include "ui/window/main_window.h"

#include "ui/view/view_controller.h"

#include "ui/view/wave_mouse.h"

namespace tessivo {

void MainWindow::onWaveMousePress(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x,
                                  int y) {
    if (isBusy() || view_->stretchPress(button, mods, x))
        return;
    // What one press and release does (a drag) is undone in one step.
    history_->beginGesture();
    panels_.waveMouse->onWaveMousePress(button, x, y);
}

void MainWindow::onWaveMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods, int x,
                                 int y) {
    if (!isBusy() && !view_->stretchMove(x))
        panels_.waveMouse->onWaveMouseMove(buttons, x, y, mods);
}

void MainWindow::onWaveMouseRelease(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
    if (view_->stretchRelease(x))
        return;
    history_->endGesture();
    if (!isBusy())
        panels_.waveMouse->onWaveMouseRelease(button, x, y);
}

void MainWindow::onWaveDoubleClick(Qt::KeyboardModifiers mods) {
    if (!isBusy())
        panels_.waveMouse->onWaveDoubleClick(mods);
}

void MainWindow::onWaveResized() {
    if (!layoutReady_)
        return;
    overlays_->hideCursor(); // back at the next tick that finds playback active
    view_->onResized();
}

void MainWindow::onWavePainted() {
    view_->onPainted();
}

void MainWindow::onWaveWheel(QPoint angleDelta, Qt::KeyboardModifiers mods, int x) {
    view_->wheel(angleDelta, mods, x);
}

} // namespace tessivo
