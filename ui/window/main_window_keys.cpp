// The keyboard and the wheel in the main window: the play cursor keys, cut
// lines at the cursor, Space anywhere but in a text field, the wheel that
// scrolls and zooms the waveform, and View > Zoom to fit.
#include "ui/window/main_window.h"

#include "core/parts/part_access.h"

#include "core/parts/typed_cut.h"
#include "ui/parts/part_list_view.h"
#include "ui/window/cut_review.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QShortcut>

#include <algorithm>
#include <cmath>

namespace tessivo {

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
        view_->forgetFile();
        st_.ClickFrame = 0;
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
    case Qt::Key_Right: {
        const int direction = key == Qt::Key_Left ? -1 : 1;
        // While a cut is reviewed the keys nudge it, else the play cursor.
        if (!panels_.review->nudge(direction, mods & Qt::ShiftModifier))
            movePlayCursorTo(at + direction * step);
        return true;
    }
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
    const FrameMapping m(view_->geometry(), st_);
    const int64_t x = m.frameToX(st_.ClickFrame);
    if (x <= view_->geometry().waveLeft || x >= view_->geometry().waveRight)
        view_->scrollTo(st_.ClickFrame - RoundEven(m.z() * view_->geometry().cols() / 2.0));
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

} // namespace tessivo
