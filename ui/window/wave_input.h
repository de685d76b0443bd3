// The mouse, the wheel and the keys on the waveform: the view passes its
// events here. Shift+drag chooses a stretch (the view's owner keeps it),
// other presses go to WaveMouse as one undoable gesture, the arrow keys and
// Home and End move the play cursor or nudge the cut under review, and the
// wheel scrolls and zooms. Nothing acts while a file is being opened.
#pragma once

#include "ui/view/wave_view.h"

namespace tessivo {

class MainWindow;

class WaveInput : public WaveViewHandler {
public:
    explicit WaveInput(MainWindow& window) : window_(window) {}

    void onWaveMousePress(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x,
                          int y) override;
    void onWaveMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods, int x,
                         int y) override;
    void onWaveMouseRelease(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x,
                            int y) override;
    void onWaveDoubleClick(Qt::KeyboardModifiers mods) override;
    // The view's size changed: its geometry is derived and drawn anew.
    void onWaveResized() override;
    void onWavePainted() override;
    void onWaveWheel(QPoint angleDelta, Qt::KeyboardModifiers mods, int x) override;
    bool onWaveKeyPress(int key, Qt::KeyboardModifiers mods) override;

private:
    MainWindow& window_;
};

} // namespace tessivo
