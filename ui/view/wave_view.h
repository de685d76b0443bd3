// The widget that shows the waveform picture, its ruler and the level meter.
// Its own coordinates are those the geometry uses. It only copies the two
// pictures the window composed and passes mouse events and resizes on.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

namespace tessivo {

// Receives the view's mouse events in view coordinates, and its resizes.
class WaveViewHandler {
public:
    virtual ~WaveViewHandler() = default;
    virtual void onWaveMousePress(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x,
                                  int y) = 0;
    virtual void onWaveMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods, int x,
                                 int y) = 0;
    virtual void onWaveMouseRelease(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x,
                                    int y) = 0;
    virtual void onWaveDoubleClick(Qt::KeyboardModifiers mods) = 0;
    // The view's size changed.
    virtual void onWaveResized() = 0;
    // Called at the end of every paint of the view.
    virtual void onWavePainted() = 0;
    // The wheel turned over client x (angle in eighths of a degree).
    virtual void onWaveWheel(QPoint angleDelta, Qt::KeyboardModifiers mods, int x) = 0;
    // A key pressed while the view has the focus; true when it was used.
    virtual bool onWaveKeyPress(int key, Qt::KeyboardModifiers mods) = 0;
};

class WaveView : public QWidget {
    Q_OBJECT
public:
    explicit WaveView(QWidget* parent = nullptr);

    void setHandler(WaveViewHandler* h) { handler_ = h; }

    // The composed pictures and where they are copied (client x).
    QImage waveBitmap;
    QImage meterBitmap;
    int waveLeft = 20;
    int meterLeft = 0;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    WaveViewHandler* handler_ = nullptr;
};

} // namespace tessivo
