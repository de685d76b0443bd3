// The keyboard and the wheel in the main window: the play cursor keys, cut
// lines at the cursor, Space anywhere but in a text field, the wheel that
// scrolls and zooms the waveform, and View > Zoom to fit.
#include "ui/window/main_window.h"

#include "core/parts/part_access.h"

#include "core/parts/typed_cut.h"
#include "ui/parts/part_list_view.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QShortcut>

#include <algorithm>
#include <cmath>

namespace tessivo {

namespace {

// One notch of a mouse wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;

} // namespace

void MainWindow::createEditingKeys() {
    // The cut line keys act where cut lines are shown: on the waveform and
    // in the part list (not while a list cell is typed in, nor in the tag
    // panel, whose genre box takes letters).
    const auto editingKey = [this](const QKeySequence& key, void (MainWindow::*slot)()) {
        for (QWidget* w :
             {static_cast<QWidget*>(waveView_), static_cast<QWidget*>(panels_.partList)}) {
            auto* shortcut = new QShortcut(key, w);
            shortcut->setContext(Qt::WidgetWithChildrenShortcut);
            connect(shortcut, &QShortcut::activated, this, slot);
        }
    };
    editingKey(QKeySequence(Qt::Key_M), &MainWindow::addCutAtPlayCursor);
    editingKey(QKeySequence(Qt::Key_Insert), &MainWindow::addCutAtPlayCursor);
    editingKey(QKeySequence(Qt::Key_Delete), &MainWindow::deleteSelectedCutLine);

    // A new file: the cursor at its start, the view takes the keys, the old
    // file's samples go.
    connect(docSignals_.get(), &DocumentSignals::fileChanged, this, [this] {
        samples_ = {};
        st_.ClickFrame = 0;
        st_.FitFramesPerColumn = 0.0;
        waveView_->setFocus(Qt::OtherFocusReason);
    });
}

void MainWindow::createViewMenu() {
    QMenu* viewMenu = menuBar()->addMenu(tr("View"));
    QAction* fit = viewMenu->addAction(tr("Zoom to fit"), this, &MainWindow::onZoomToFitTriggered);
    fit->setObjectName(QStringLiteral("zoomToFitAction"));
    fit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    addZoomActions(viewMenu);
    viewMenu->addSeparator();
    addColourActions(viewMenu);
}

bool MainWindow::onWaveKeyPress(int key, Qt::KeyboardModifiers mods) {
    if (isBusy() || !st_.FileLoaded || st_.FrameDuration <= 0)
        return false;
    const int64_t second = std::max<int64_t>(1, RoundEven(1.0 / st_.FrameDuration));
    const int64_t step = (mods & Qt::ShiftModifier) ? 1 : second;
    const int64_t at = PlayCursorFrame(st_);
    switch (key) {
    case Qt::Key_Left:
        movePlayCursorTo(at - step);
        return true;
    case Qt::Key_Right:
        movePlayCursorTo(at + step);
        return true;
    case Qt::Key_Home:
        movePlayCursorTo(0);
        return true;
    case Qt::Key_End:
        movePlayCursorTo(int64_t{st_.FrameCount} - 1);
        return true;
    default:
        return false;
    }
}

void MainWindow::movePlayCursorTo(int64_t frame) {
    if (MovePlayCursor(st_, frame))
        playPart(st_.PlayingPart, PlayStartKind::ClickedFrame);
    // The view follows a cursor that left it, the cursor in its middle.
    const FrameMapping m(geom_, st_);
    const int64_t x = m.frameToX(st_.ClickFrame);
    if (x <= geom_.waveLeft || x >= geom_.waveRight)
        scrollViewTo(st_.ClickFrame - RoundEven(m.z() * geom_.cols() / 2.0));
    placePositionLine();
}

void MainWindow::addCutAtPlayCursor() {
    if (isBusy() || !st_.FileLoaded)
        return;
    const int64_t frame = PlayCursorFrame(st_);
    // A cursor on a cut line or in the last frames makes no new part.
    if (CutFrameRefusal(st_, frame, 0, std::string()).empty())
        addCutLineAt(static_cast<int32_t>(frame));
}

void MainWindow::deleteSelectedCutLine() {
    if (isBusy() || !st_.FileLoaded)
        return;
    const int k = st_.SelectedPart;
    if (k < 2 || k > PartCount(st_))
        return;
    if (st_.IsPlaying)
        stopPlayback();
    if (doc_.DeleteCutLine(k)) {
    }
}

void MainWindow::placePositionLine() {
    PlaybackLine* line = overlays_->positionLine;
    if (!st_.FileLoaded || st_.IsPlaying) {
        if (!line->isHidden())
            line->hideLine();
        return;
    }
    line->place(CursorLineAt(st_, playbackGeometry(), static_cast<double>(st_.ClickFrame)));
}

void MainWindow::scrollViewTo(int64_t firstFrame) {
    const double z = FramesPerColumn(st_);
    const int64_t shown = RoundEven(z * geom_.cols());
    const int64_t last = std::max<int64_t>(0, int64_t{st_.FrameCount} - shown);
    st_.ViewFirstFrame = static_cast<int32_t>(std::clamp<int64_t>(firstFrame, 0, last));
    {
        // The bar follows the view; its rounded position does not move it.
        const QSignalBlocker block(scrollBar_);
        updateScrollBar();
    }
    drawWaveView();
    placePositionLine();
}

void MainWindow::onWaveWheel(QPoint angleDelta, Qt::KeyboardModifiers mods, int x) {
    if (isBusy() || !st_.FileLoaded)
        return;
    // Either wheel axis scrolls; a turn away from the user goes forward.
    const int delta = angleDelta.y() != 0 ? angleDelta.y() : angleDelta.x();
    if (delta == 0)
        return;
    if (mods & Qt::ControlModifier) {
        zoomAround(delta > 0 ? -1 : +1, x);
        return;
    }
    // One notch: a tenth of the view.
    const double notches = static_cast<double>(delta) / kWheelNotch;
    const double z = FramesPerColumn(st_);
    // At least a frame per notch while a column is less than one.
    const double frames = notches * z * geom_.cols() / 10.0;
    scrollViewTo(st_.ViewFirstFrame -
                 (std::fabs(frames) < 1.0 ? (frames < 0 ? -1 : 1) : RoundEven(frames)));
}

void MainWindow::zoomAround(int direction, int x) {
    const int64_t col = std::clamp<int64_t>(x - geom_.waveLeft, 0, geom_.cols());
    const int64_t under = FrameMapping(geom_, st_).columnToFrame(col);
    if (direction < 0) {
        st_.FitFramesPerColumn = 0.0;
        if (st_.ZoomLevel <= kFinestZoomLevel)
            return;
        --st_.ZoomLevel;
    } else {
        const double z = FramesPerColumn(st_);
        if (st_.FitFramesPerColumn > 0 || st_.ZoomLevel >= 11 ||
            RoundEven(st_.FrameCount / z) <= geom_.waveBitmapWidth())
            return; // the whole file already fits
        ++st_.ZoomLevel;
    }
    scrollViewTo(under - RoundEven(FramesPerColumn(st_) * static_cast<double>(col)));
}

void MainWindow::onZoomToFitTriggered() {
    if (isBusy() || !st_.FileLoaded)
        return;
    st_.FitFramesPerColumn = FitScale(st_.FrameCount, geom_.cols());
    st_.ZoomLevel = LevelOfScale(st_.FitFramesPerColumn);
    scrollViewTo(0);
}

} // namespace tessivo
