// Mouse work on the waveform. For now: a click on the empty view opens a file,
// as its hint says.
#include "app/main_window.h"

namespace tessivo {

void TForm1::FormMouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int, int) {}

void TForm1::FormMouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, int, int) {}

void TForm1::FormMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
    if (busy_ || button != Qt::LeftButton)
        return;
    const bool inWave =
        geom_.WaveLeft < x && x < geom_.WaveRight && geom_.WaveTop <= y && y <= geom_.WaveBottom;
    if (inWave && st_.FrameCount <= 1)
        menuOpenClick();
}

void TForm1::FormDblClick() {}

} // namespace tessivo
