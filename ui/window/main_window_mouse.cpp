// Mouse work on the waveform: the view passes its events here and WaveMouse
// decides what they do; Shift+drag chooses a stretch to play, Ctrl places a
// cut line at a sample where the view shows samples. Nothing acts
// while a file is being opened.
#include "ui/window/main_window.h"

#include "ui/view/wave_mouse.h"

namespace tessivo {

void MainWindow::onWaveMousePress(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x,
                                  int y) {
    if (isBusy() || selectStretchPress(button, mods, x))
        return;
    // What one press and release does (a drag) is undone in one step.
    history_->beginGesture();
    panels_.waveMouse->onWaveMousePress(button, x, y);
}

void MainWindow::onWaveMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods, int x,
                                 int y) {
    if (!isBusy() && !selectStretchMove(x))
        panels_.waveMouse->onWaveMouseMove(buttons, x, y, mods);
}

void MainWindow::onWaveMouseRelease(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
    if (selectStretchRelease(x))
        return;
    history_->endGesture();
    if (!isBusy())
        panels_.waveMouse->onWaveMouseRelease(button, x, y);
}

void MainWindow::onWaveDoubleClick(Qt::KeyboardModifiers mods) {
    if (!isBusy())
        panels_.waveMouse->onWaveDoubleClick(mods);
}

} // namespace tessivo
