#include "ui/view/wave_mouse.h"

#include "core/analysis/time_base.h"
#include "core/parts/part_access.h"
#include "core/parts/part_times.h"

#include <algorithm>

namespace tessivo {

WaveMouse::WaveMouse(Document& doc, PlaybackValues& playback, const ViewGeometry& geom,
                     WaveMouseHooks hooks, QObject* parent)
    : QObject(parent), doc_(doc), st_(doc.State()), playback_(playback), g_(geom),
      hooks_(std::move(hooks)) {}

bool WaveMouse::inWaveArea(int x, int y) const {
    return x > g_.waveLeft && x < g_.waveRight && y >= g_.waveTop && y <= g_.waveBottom;
}

bool WaveMouse::inStrip(int x, int y) const {
    return x > g_.waveLeft && x < g_.waveRight && y >= StripTop(g_) && y <= StripBottom(g_);
}

int64_t WaveMouse::lineX(int k) const {
    return g_.waveLeft + CutLineColumn(FrameMapping(g_, st_), st_, k);
}

bool WaveMouse::placesSamples(Qt::KeyboardModifiers mods) const {
    return FrameMapping(g_, st_).showsSamples() && TimeBaseOf(st_).samples > 0 &&
           (st_.IsGapless || (mods & kSampleModifier));
}

int64_t WaveMouse::sampleAt(int x) const {
    const int64_t s = FrameMapping(g_, st_).xToSample(x);
    return std::clamp<int64_t>(s, 1, std::max<int64_t>(TimeBaseOf(st_).samples - 1, 1));
}

int64_t WaveMouse::frameAt(int x) const {
    return FrameMapping(g_, st_).xToFrame(x);
}

void WaveMouse::onWaveMousePress(Qt::MouseButton button, int x, int y) {
    mouseDownX = x;
    mouseDownY = y;
    clickHandled = 0;
    if (button != Qt::LeftButton)
        return;
    if (inWaveArea(x, y)) {
        pressOnMarks(x, y);
        doubleClickSeen = false;
    }
    if (inStrip(x, y) && PartCount(st_) > 1)
        pressOnStrip(x);
}

void WaveMouse::pressOnMarks(int x, int y) {
    // The count is read anew each round: a deleted line shortens the table.
    for (int k = 1; k <= PartCount(st_); ++k) {
        const CutLineMarks marks = CutLineMarksAt(g_, lineX(k));
        if (k >= 2 && marks.grab.hit(x, y)) {
            dragging = true;
            dragCutIndex = k;
            hooks_.showTimeLabels(PartStartSeconds(st_, st_, k));
        }
        if (marks.useHit.hit(x, y) && !doubleClickSeen) {
            doc_.SetPartUsed(k, !PartTicked(st_, k));
            clickHandled = 1;
        }
        if (k >= 2 && marks.deleteMark.hit(x, y)) {
            deleteLine(k);
            clickHandled = 1;
            hooks_.stopPlayback();
        }
    }
}

void WaveMouse::deleteLine(int k) {
    if (!doc_.DeleteCutLine(k))
        return;
    if (dragging && dragCutIndex >= k) {
        // The grabbed line went away or moved down one number.
        if (dragCutIndex == k)
            dragging = false;
        else
            --dragCutIndex;
    }
}

void WaveMouse::pressOnStrip(int x) {
    for (int k = 1; k <= PartCount(st_); ++k) {
        const FrameMapping m(g_, st_);
        const int64_t sa = m.frameToStripColumn(PartFirstFrame(st_, k)) + g_.waveLeft;
        const int64_t sb = m.frameToStripColumn(PartLastFrame(st_, st_, k)) + g_.waveLeft;
        if (sa < x && x < sb) {
            hooks_.selectListRow(k);
        }
    }
}

void WaveMouse::onWaveMouseMove(Qt::MouseButtons buttons, int x, int y,
                                Qt::KeyboardModifiers mods) {
    Qt::CursorShape shape = Qt::ArrowCursor;
    for (int k = 2; k <= PartCount(st_); ++k) {
        if (CutLineMarksAt(g_, lineX(k)).hover.hit(x, y))
            shape = Qt::SizeHorCursor;
    }
    hooks_.setCursor(shape);

    if ((buttons & Qt::LeftButton) && dragging && dragCutIndex >= 2 &&
        dragCutIndex <= PartCount(st_))
        dragTo(x, mods);
}

void WaveMouse::dragTo(int x, Qt::KeyboardModifiers mods) {
    if (placesSamples(mods)) {
        // A sample the line may not take (another line's frame, the end)
        // leaves it where it was.
        dragCutIndex = std::max(2, doc_.MoveCutLineToSample(dragCutIndex, sampleAt(x)));
    } else {
        int64_t p = frameAt(x);
        const int64_t last = static_cast<int64_t>(st_.FrameCount) - 10;
        if (p >= last)
            p = last;
        // Below frame 0 the sort puts the line at 0.
        p = std::max<int64_t>(p, INT32_MIN);
        // The drag follows the line it grabbed, also past its neighbours.
        // Line 1 stays at frame 0: a line dragged onto it keeps a number of 2 or more.
        dragCutIndex = std::max(2, doc_.MoveCutLine(dragCutIndex, static_cast<int32_t>(p)));
    }
    hooks_.showTimeLabels(PartStartSeconds(st_, st_, dragCutIndex));
}

void WaveMouse::onWaveMouseRelease(Qt::MouseButton button, int x, int y) {
    const int64_t f = std::min<int64_t>(frameAt(x), st_.FrameCount);
    playback_.ClickFrame = static_cast<int32_t>(std::clamp<int64_t>(f, INT32_MIN, INT32_MAX));
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this, timer, button, x, y] {
        pending_.erase(std::find(pending_.begin(), pending_.end(), timer));
        timer->deleteLater();
        releaseTakesEffect(button, x, y);
    });
    pending_.push_back(timer);
    timer->start(clickWaitMs_);
}

void WaveMouse::releaseTakesEffect(Qt::MouseButton button, int x, int y) {
    if (doubleClickSeen)
        return;
    dragging = false;
    if (button != Qt::LeftButton || !inWaveArea(x, y))
        return;
    if (st_.FrameCount <= 1) {
        hooks_.openFile();
        return;
    }
    if (clickHandled == 1)
        return;

    bool played = false;
    for (int k = 1; k <= PartCount(st_); ++k) {
        if (CutLineMarksAt(g_, lineX(k)).play.hit(x, y)) {
            hooks_.playFrom(k, PlayStartKind::PartStart);
            played = true;
        }
    }
    if (played || clickHandled != 0)
        return;

    const int part = PartAtClickFrame(st_, st_, st_.ClickFrame);
    hooks_.playFrom(part, PlayStartKind::ClickedFrame);
}

void WaveMouse::onWaveDoubleClick(Qt::KeyboardModifiers mods) {
    // The first click's release would only repeat what the second click's
    // release does; the double click takes its place.
    for (QTimer* t : pending_) {
        t->stop();
        t->deleteLater();
    }
    pending_.clear();

    if (inWaveArea(mouseDownX, mouseDownY)) {
        doubleClickSeen = true;
        addLineAt(mouseDownX, mods);
    }
    if (inStrip(mouseDownX, mouseDownY) && PartCount(st_) > 1) {
        hooks_.stopPlayback();
        hooks_.playFrom(st_.SelectedPart, PlayStartKind::PartStart);
    }
    mouseDownX = 0;
    mouseDownY = 0;
}

bool WaveMouse::addLineAt(int x, Qt::KeyboardModifiers mods) {
    if (placesSamples(mods))
        return doc_.AddCutLineAtSample(sampleAt(x));
    const int64_t p = frameAt(x);
    // A full table (999 cut lines) refuses the line.
    return p >= 0 && p + 10 < static_cast<int64_t>(st_.FrameCount) &&
           doc_.AddCutLine(static_cast<int32_t>(p));
}

} // namespace tessivo
