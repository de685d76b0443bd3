#include "ui/window/wave_input.h"

#include "core/parts/part_access.h"
#include "core/util/round_even.h"
#include "ui/view/playback_cursor_overlay.h"
#include "ui/view/wave_mouse.h"
#include "ui/window/cut_review.h"
#include "ui/window/main_window.h"

#include <algorithm>

namespace tessivo {

void WaveInput::onWaveMousePress(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x, int y) {
    if (window_.isBusy() || window_.view()->stretchPress(button, mods, x))
        return;
    // What one press and release does (a drag) is undone in one step.
    window_.editHistory()->beginGesture();
    window_.waveMouse()->onWaveMousePress(button, x, y);
}

void WaveInput::onWaveMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods, int x,
                                int y) {
    if (!window_.isBusy() && !window_.view()->stretchMove(x))
        window_.waveMouse()->onWaveMouseMove(buttons, x, y, mods);
}

void WaveInput::onWaveMouseRelease(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
    if (window_.view()->stretchRelease(x))
        return;
    window_.editHistory()->endGesture();
    if (!window_.isBusy())
        window_.waveMouse()->onWaveMouseRelease(button, x, y);
}

void WaveInput::onWaveDoubleClick(Qt::KeyboardModifiers mods) {
    if (!window_.isBusy())
        window_.waveMouse()->onWaveDoubleClick(mods);
}

void WaveInput::onWaveResized() {
    // The cursor is back at the next tick that finds playback active.
    window_.playback()->overlays()->hideCursor();
    window_.view()->onResized();
}

void WaveInput::onWavePainted() {
    window_.view()->onPainted();
}

void WaveInput::onWaveWheel(QPoint angleDelta, Qt::KeyboardModifiers mods, int x) {
    window_.view()->wheel(angleDelta, mods, x);
}

bool WaveInput::onWaveKeyPress(int key, Qt::KeyboardModifiers mods) {
    const ProgramState& st = window_.state();
    if (window_.isBusy() || !st.FileLoaded || st.FrameDuration <= 0)
        return false;
    const int64_t second = std::max<int64_t>(1, RoundEven(1.0 / st.FrameDuration));
    const int64_t step = (mods & Qt::ShiftModifier) ? 1 : second;
    const int64_t at = PlayCursorFrame(st);
    PlaybackController* playback = window_.playback();
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int direction = key == Qt::Key_Left ? -1 : 1;
        // While a cut is reviewed the keys nudge it, else the play cursor.
        if (!window_.actions()->cutReview()->nudge(direction, mods & Qt::ShiftModifier))
            playback->movePlayCursorTo(at + direction * step);
        return true;
    }
    case Qt::Key_Home:
        playback->movePlayCursorTo(0);
        return true;
    case Qt::Key_End:
        playback->movePlayCursorTo(int64_t{st.FrameCount} - 1);
        return true;
    default:
        return false;
    }
}

} // namespace tessivo
