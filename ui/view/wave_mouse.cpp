#include "ui/view/wave_mouse.h"

#include "core/parts/cut_lines.h"

#include <algorithm>

namespace tessivo {

WaveMouse::WaveMouse(ProgramState& st, const ViewGeometry& geom, WaveMouseHooks hooks,
                     QObject* parent)
    : QObject(parent), st_(st), g_(geom), hooks_(std::move(hooks)) {}

bool WaveMouse::InWaveArea(int x, int y) const {
    return x > g_.WaveLeft && x < g_.WaveRight && y >= g_.WaveTop && y <= g_.WaveBottom;
}

bool WaveMouse::InStrip(int x, int y) const {
    return x > g_.WaveLeft && x < g_.WaveRight && y >= g_.ViewBottom - 14 && y <= g_.ViewBottom - 2;
}

int64_t WaveMouse::LineX(int k) const {
    return FrameMapping(g_, st_).FrameToX(st_.CutLine[k]);
}

int64_t WaveMouse::FrameAt(int x) const {
    return FrameMapping(g_, st_).XToFrame(x);
}

void WaveMouse::FormMouseDown(Qt::MouseButton button, int x, int y) {
    MouseDownX = x;
    MouseDownY = y;
    ClickHandled = 0;
    if (button != Qt::LeftButton)
        return;

    if (InWaveArea(x, y)) {
        const int top = g_.WaveTop;
        const int bottom = g_.WaveBottom;
        const int half = g_.WaveTop + g_.WaveHalf;
        // The count is read anew each round: a deleted line shortens the table.
        for (int k = 1; k <= st_.CutCount; ++k) {
            const int64_t xk = LineX(k);
            if (k >= 2 && x >= xk - 5 && x <= xk + 5 && y >= top + 11 && y <= bottom - 11) {
                IsDragging = true;
                DragCutIndex = k;
                hooks_.ShowTimeLabels(st_.PartStart[k] * st_.FrameDuration);
            }
            if (x >= xk && x <= xk + 10 && y >= half - 5 && y <= half + 5 && !DoubleClickSeen) {
                st_.PartUsed[k] = !st_.PartUsed[k];
                hooks_.UpdatePartStatus(k);
                hooks_.DrawWaveView();
                ClickHandled = 1;
            }
            if (k >= 2 && x >= xk - 5 && x <= xk + 5 && y >= top + 1 && y <= top + 11) {
                if (DeleteCutLine(st_, k)) {
                    if (IsDragging && DragCutIndex >= k) {
                        // The grabbed line went away or moved down one number.
                        if (DragCutIndex == k)
                            IsDragging = false;
                        else
                            --DragCutIndex;
                    }
                    hooks_.RefreshPartList();
                    hooks_.DrawWaveView();
                }
                ClickHandled = 1;
                hooks_.StopPlayback();
            }
        }
        DoubleClickSeen = false;
    }

    if (InStrip(x, y) && st_.CutCount > 1) {
        for (int k = 1; k <= st_.CutCount; ++k) {
            const FrameMapping m(g_, st_);
            const int64_t sa = m.FrameToStripColumn(st_.PartStart[k]) + g_.WaveLeft;
            const int64_t sb = m.FrameToStripColumn(st_.PartEnd[k]) + g_.WaveLeft;
            if (sa < x && x < sb) {
                st_.SelectedPart = k;
                hooks_.SelectListRow(k);
                hooks_.DrawWaveView();
            }
        }
    }
}

void WaveMouse::FormMouseMove(Qt::MouseButtons buttons, int x, int y) {
    Qt::CursorShape shape = Qt::ArrowCursor;
    for (int k = 2; k <= st_.CutCount; ++k) {
        const int64_t xk = LineX(k);
        if (x >= xk - 3 && x <= xk + 3 && y >= g_.WaveTop + 11 && y <= g_.WaveBottom - 11)
            shape = Qt::SizeHorCursor;
    }
    hooks_.SetCursor(shape);

    if ((buttons & Qt::LeftButton) && IsDragging && DragCutIndex >= 2 &&
        DragCutIndex <= st_.CutCount) {
        int64_t p = FrameAt(x);
        const int64_t last = static_cast<int64_t>(st_.FrameCount) - 10;
        if (p >= last)
            p = last;
        // Below frame 0 the sort puts the line at 0.
        p = std::max<int64_t>(p, INT32_MIN);
        // The drag follows the line it grabbed, also past its neighbours.
        // Line 1 stays at frame 0: a line dragged onto it keeps a number of 2 or more.
        DragCutIndex = std::max(2, MoveCutLine(st_, DragCutIndex, static_cast<int32_t>(p)));
        hooks_.DrawWaveView();
        hooks_.ShowTimeLabels(st_.PartStart[DragCutIndex] * st_.FrameDuration);
    }
}

void WaveMouse::FormMouseUp(Qt::MouseButton button, int x, int y) {
    const int64_t f = std::min<int64_t>(FrameAt(x), st_.FrameCount);
    st_.ClickFrame = static_cast<int32_t>(std::clamp<int64_t>(f, INT32_MIN, INT32_MAX));
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this, timer, button, x, y] {
        pending_.erase(std::find(pending_.begin(), pending_.end(), timer));
        timer->deleteLater();
        ReleaseTakesEffect(button, x, y);
    });
    pending_.push_back(timer);
    timer->start(kClickWaitMs);
}

void WaveMouse::ReleaseTakesEffect(Qt::MouseButton button, int x, int y) {
    if (DoubleClickSeen)
        return;
    if (IsDragging) {
        IsDragging = false;
        hooks_.RefreshPartList();
    }
    if (button != Qt::LeftButton || !InWaveArea(x, y))
        return;
    if (st_.FrameCount <= 1) {
        hooks_.OpenFile();
        return;
    }
    if (ClickHandled == 1)
        return;

    bool played = false;
    for (int k = 1; k <= st_.CutCount; ++k) {
        const int64_t xk = LineX(k);
        if (x >= xk && x <= xk + 10 && y >= g_.WaveBottom - 11 && y <= g_.WaveBottom - 1) {
            st_.PlayingPart = k;
            hooks_.PlayFrom(k, PlayStartKind::PartStart);
            played = true;
        }
    }
    if (played || ClickHandled != 0)
        return;

    int part = 0;
    for (int k = 1; k <= st_.CutCount; ++k) {
        if (st_.PartStart[k] <= st_.ClickFrame && st_.ClickFrame < st_.PartEnd[k] - 5)
            part = k;
    }
    st_.PlayingPart = part;
    hooks_.PlayFrom(part, PlayStartKind::ClickedFrame);
}

void WaveMouse::FormDblClick() {
    // The first click's release would only repeat what the second click's
    // release does; the double click takes its place.
    for (QTimer* t : pending_) {
        t->stop();
        t->deleteLater();
    }
    pending_.clear();

    if (InWaveArea(MouseDownX, MouseDownY)) {
        DoubleClickSeen = true;
        const int64_t p = FrameAt(MouseDownX);
        if (p >= 0 && p + 10 < static_cast<int64_t>(st_.FrameCount)) {
            // A full table (999 cut lines) refuses the line.
            if (AddCutLine(st_, static_cast<int32_t>(p))) {
                hooks_.RefreshPartList();
                hooks_.DrawWaveView();
            }
        }
    }
    if (InStrip(MouseDownX, MouseDownY) && st_.CutCount > 1) {
        hooks_.StopPlayback();
        st_.PlayingPart = st_.SelectedPart;
        hooks_.PlayFrom(st_.SelectedPart, PlayStartKind::PartStart);
    }
    MouseDownX = 0;
    MouseDownY = 0;
}

} // namespace tessivo
