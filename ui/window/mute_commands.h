// Edit > Mute selection (U): the Shift-selection silenced in every output the
// window writes, as one undoable edit, and the muted stretches drawn hatched
// over the waveform.
#pragma once

#include "core/document/document.h"

#include <QList>
#include <QObject>
#include <QRect>
#include <QWidget>

class QMenu;

namespace tessivo {

class MainWindow;
struct ViewGeometry;

// Hatches the muted stretches over the waveform. It covers the whole view,
// lets the mouse through and repaints whenever the view does.
class MuteOverlay : public QWidget {
    Q_OBJECT
public:
    MuteOverlay(const ProgramState& st, const ViewGeometry& geom, QWidget* view);

    // The stretches as drawn now, clipped to the waveform; in view coordinates.
    QList<QRect> mutedRects() const;

protected:
    void paintEvent(QPaintEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    const ProgramState& st_;
    const ViewGeometry& geom_;
};

class MuteCommands : public QObject {
    Q_OBJECT
public:
    // Adds the command to `editMenu` and the overlay to the window's view.
    MuteCommands(MainWindow& window, QMenu* editMenu);

    // Mutes the window's Shift-selection; nothing without one.
    void muteSelection();
    MuteOverlay* overlay() const { return overlay_; }

private:
    MainWindow& window_;
    MuteOverlay* overlay_;
};

} // namespace tessivo
