// The one owner of what the waveform shows: its geometry, the zoom and the
// first frame shown (written nowhere else), the scroll bar that follows
// them, the Shift-selected stretch, and the drawing of the view. Widgets and
// commands ask it to change the view; it signals every change.
#pragma once

#include "core/analysis/sample_stretch.h"
#include "core/playback/playback_control.h"
#include "core/state/program_state.h"
#include "ui/view/view_geometry.h"
#include "ui/view/wave_renderer.h"

#include <QObject>
#include <QPoint>

#include <cstdint>
#include <functional>

class QScrollBar;
class QWidget;

namespace tessivo {

class WaveView;

// The stretch chosen with Shift+drag (first <= last once chosen).
struct Stretch {
    int64_t first = 0;
    int64_t last = 0;
};

// What the view needs from the window around it.
struct ViewHooks {
    // True while an open or a split runs: the view does not change then.
    std::function<bool()> busy;
    // Frames [first, last) are in view (their exact peaks come first).
    std::function<void(uint32_t first, uint32_t last)> framesShown;
    // The outer height of the window, which picks the meter's segments.
    std::function<int()> windowHeight;
};

class ViewController : public QObject {
    Q_OBJECT
public:
    // `st` is the document's state: the controller writes its view values.
    ViewController(ProgramState& st, WaveView& view, ViewHooks hooks, QObject* parent = nullptr);

    const ViewGeometry& geometry() const { return geom_; }
    RenderStyle& style() { return style_; }
    // The hint to open a file on the empty view, on or off; redrawn.
    void setOpenHint(bool shown);
    // The colours and the marks' pictures drawn in them; waveform and meter
    // redrawn.
    void setColours(const ColourScheme& colours, const MarkImages& images);
    QScrollBar* scrollBar() const { return scrollBar_; }

    // --- Drawing ---
    // The geometry from the view's size, and pictures of that size.
    void layout();
    void draw();
    void drawMeter();
    // The view's size changed: laid out, scrolled and drawn anew.
    void onResized();
    // The end of every paint: a file that fills less than half of the view
    // zooms in one level (posted, not from inside the paint).
    void onPainted();

    // --- Zoom and scrolling ---
    void zoomIn();
    void zoomOut();
    // The whole file across the view's width.
    void zoomToFit();
    // The level that shows a file just opened, from its start.
    void showOpenedFile();
    // Another file: nothing of the last one's view is kept.
    void forgetFile();
    // One level in (-1) or out (+1), keeping the frame at x under x.
    void zoomAround(int direction, int x);
    // Shows the view from `firstFrame` (held in the file).
    void scrollTo(int64_t firstFrame);
    // Scrolls so that `frame` lies in the middle of the view.
    void centreOn(int64_t frame);
    // The wheel over x: scrolls a tenth of the view a notch, zooms with Ctrl.
    void wheel(QPoint angleDelta, Qt::KeyboardModifiers mods, int x);
    // The scroll bar's steps for the zoom shown.
    void updateScrollBar();
    int scrollPageSize() const { return steps_.pageSize; }
    int scrollSmallChange() const { return steps_.smallChange; }
    int scrollLargeChange() const { return steps_.largeChange; }

    // --- The stretch chosen with Shift+drag ---
    const Stretch& stretch() const { return stretch_; }
    bool hasStretch() const;
    // The mouse on the waveform: true when the event chose the stretch.
    bool stretchPress(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x);
    bool stretchMove(int x);
    bool stretchRelease(int x);
    void clearStretch();

signals:
    // The zoom or the first frame shown changed.
    void viewChanged();
    void stretchChanged();

private:
    void createScrollBar(QWidget* parent);
    void onScrollBarMoved(int position);
    void autoZoomIn();
    // The decoded samples of the frames shown, decoded now unless the last
    // decode holds them; null while the view shows frames.
    const SampleStretch* shownSamples();
    int64_t frameAtX(int x) const;
    void showStretch();

    ProgramState& st_;
    WaveView& view_;
    ViewHooks hooks_;
    QScrollBar* scrollBar_ = nullptr;
    ViewGeometry geom_;
    RenderStyle style_;
    SampleStretch samples_;
    struct ScrollSteps {
        int pageSize = kScrollMax;
        int smallChange = 1;
        int largeChange = 10;
    } steps_;
    bool autoZoomPending_ = false;
    Stretch stretch_;
    bool selecting_ = false;
    QWidget* stretchBand_ = nullptr;
};

} // namespace tessivo
