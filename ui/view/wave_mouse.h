// Mouse work on the waveform: grabbing and dragging cut lines, the use,
// delete and play marks beside each line, plain clicks that play, double
// clicks that add a cut line, the overview strip, and the click that opens a
// file while none is open.
//
// A release takes effect 300 ms later, so that a double click can come first.
// The wait is a single-shot timer, not a nested event loop: a double click
// cancels the pending release of its first click, and the release of its
// second click carries the effect of the whole double click.
#pragma once

#include "core/document/document.h"
#include "core/playback/playback_control.h"
#include "ui/view/view_geometry.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <vector>

namespace tessivo {

// What the mouse code asks of the window.
struct WaveMouseHooks {
    std::function<void(double seconds)> showTimeLabels;
    // Selects part k's row in the part list and gives the list the focus.
    std::function<void(int k)> selectListRow;
    // Starts playback of part n (the window makes it the playing part).
    std::function<void(int n, PlayStartKind kind)> playFrom;
    std::function<void()> stopPlayback;
    // The open-file workflow ("Open...").
    std::function<void()> openFile;
    // The pointer shape over the view.
    std::function<void(Qt::CursorShape shape)> setCursor;
};

class WaveMouse : public QObject {
    Q_OBJECT
public:
    // How long a release waits for a double click, unless told otherwise.
    static constexpr int kClickWaitMs = 300;
    // Tests wait for the releases (pendingReleases) instead of the time.
    void setClickWait(int ms) { clickWaitMs_ = ms; }

    WaveMouse(Document& doc, PlaybackValues& playback, const ViewGeometry& geom,
              WaveMouseHooks hooks, QObject* parent = nullptr);

    void onWaveMousePress(Qt::MouseButton button, int x, int y);
    void onWaveMouseMove(Qt::MouseButtons buttons, int x, int y,
                         Qt::KeyboardModifiers mods = Qt::NoModifier);
    void onWaveMouseRelease(Qt::MouseButton button, int x, int y);
    void onWaveDoubleClick(Qt::KeyboardModifiers mods = Qt::NoModifier);

    // While the view shows samples (below one frame per column), a dragged
    // or added cut line goes to the sample under the pointer for gapless
    // parts, or with this key held; else it snaps to the frame grid.
    static constexpr Qt::KeyboardModifier kSampleModifier = Qt::ControlModifier;
    bool placesSamples(Qt::KeyboardModifiers mods) const;

    // Releases still waiting for the double click.
    int pendingReleases() const { return static_cast<int>(pending_.size()); }

    int32_t mouseDownX = 0;
    int32_t mouseDownY = 0;
    int32_t clickHandled = 0;
    bool dragging = false;
    int32_t dragCutIndex = 0;
    bool doubleClickSeen = false;

private:
    bool inWaveArea(int x, int y) const;
    bool inStrip(int x, int y) const;
    int64_t lineX(int k) const;
    // A left press inside the wave area: grab, use and delete marks.
    void pressOnMarks(int x, int y);
    void deleteLine(int k);
    // A left press on the overview strip selects the part under it.
    void pressOnStrip(int x);
    int64_t frameAt(int x) const;
    // The sample under client x, within the audio.
    int64_t sampleAt(int x) const;
    // One step of a drag: the grabbed line to the pointer.
    void dragTo(int x, Qt::KeyboardModifiers mods);
    // A double click's new cut line at client x; false when none was added.
    bool addLineAt(int x, Qt::KeyboardModifiers mods);
    // What a release does once its wait is over.
    void releaseTakesEffect(Qt::MouseButton button, int x, int y);

    Document& doc_;
    const ProgramState& st_;
    PlaybackValues& playback_;
    const ViewGeometry& g_;
    WaveMouseHooks hooks_;
    std::vector<QTimer*> pending_;
    int clickWaitMs_ = kClickWaitMs;
};

} // namespace tessivo
