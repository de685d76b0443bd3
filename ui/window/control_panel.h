// The control panel between the waveform and the panels, left to right: Play
// and Stop, the volume and rate sliders, the status word, the clock, Split,
// and the zoom buttons at the right edge. It only shows what it is told and
// passes the user's clicks on as signals.
#pragma once

#include <QFrame>
#include <QString>

class QLabel;
class QSlider;
class QToolButton;
class QHBoxLayout;

namespace tessivo {

class ControlPanel : public QFrame {
    Q_OBJECT
public:
    explicit ControlPanel(QWidget* parent = nullptr);

    // The large clock: h:mm:ss and :mmm.
    void showTime(double seconds);
    void setStatus(const QString& text);
    QString status() const;
    // The status word offers the open chooser while no file is open.
    void setStatusClickable(bool on);
    // Every control but the status word and the clock.
    void setControlsEnabled(bool on);

    QToolButton* playButton = nullptr;
    QToolButton* stopButton = nullptr;
    QToolButton* splitButton = nullptr;
    QToolButton* zoomInButton = nullptr;
    QToolButton* zoomOutButton = nullptr;
    QSlider* volumeSlider = nullptr;
    QSlider* rateSlider = nullptr;

signals:
    void statusClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void createPlaybackControls(QHBoxLayout* row);
    void createStatusDisplay(QHBoxLayout* row);
    void createClock(QHBoxLayout* row);
    void createZoomButtons(QHBoxLayout* row);

    QFrame* statusFrame_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QLabel* clockLabel_ = nullptr;
    QLabel* clockMsLabel_ = nullptr;
};

} // namespace tessivo
