// The playback cursor over the waveform and the position mark on the overview
// strip: two one-pixel-wide child widgets laid over the view and moved on
// every timer tick, so the waveform picture is never redrawn just because the
// cursor moved. They let mouse clicks through to the view below.
#pragma once

#include "core/playback/playback_control.h"

#include "ui/view/colour_scheme.h"

#include <QColor>
#include <QWidget>

namespace tessivo {

// One vertical line, one pixel wide. Dotted lines colour every other pixel
// (from the top) and leave the rest transparent.
class PlaybackLine : public QWidget {
    Q_OBJECT
public:
    PlaybackLine(QColor color, bool dotted, QWidget* parent);

    // Places the line at client (x, y) with this height; height 0 hides it
    // (at x -1).
    void place(const OverlayLine& line);
    void hideLine();
    void setColor(const QColor& c);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QColor color_;
    bool dotted_;
};

class PlaybackOverlays {
public:
    // `clientArea` is the widget whose coordinates are the main window's
    // client coordinates (the waveform view covers it from (0, 0)).
    explicit PlaybackOverlays(QWidget* clientArea);

    // Applies the placement the playback timer worked out: moves both lines
    // while playing, hides them when it reported the stream idle.
    void apply(const PlaybackTickResult& r);
    // Hides the cursor (a resize does this until the next playing tick).
    void hideCursor() { cursorLine->hideLine(); }
    void hideAll();
    // Draws the three lines in the scheme's colours.
    void setScheme(const ColourScheme& cs);

    // The cursor: dotted green RGB(0, 128, 0).
    PlaybackLine* cursorLine;
    // The strip mark: RGB(36, 255, 36).
    PlaybackLine* stripMarkLine;
    // Where playback starts and the keys move to while nothing plays: dotted
    // dark blue RGB(0, 0, 160).
    PlaybackLine* positionLine;
};

} // namespace tessivo
