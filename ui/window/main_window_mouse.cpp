// Mouse work on the waveform: the view passes its events here and WaveMouse
// decides what they do. Nothing acts while a file is being opened.
#include "ui/window/main_window.h"

#include "ui/view/wave_mouse.h"

namespace tessivo {

void TForm1::FormMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
    if (!busy_)
        Mouse->FormMouseDown(button, x, y);
}

void TForm1::FormMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers, int x, int y) {
    if (!busy_)
        Mouse->FormMouseMove(buttons, x, y);
}

void TForm1::FormMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
    if (!busy_)
        Mouse->FormMouseUp(button, x, y);
}

void TForm1::FormDblClick() {
    if (!busy_)
        Mouse->FormDblClick();
}

} // namespace tessivo
