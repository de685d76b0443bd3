// The edit history in the window: the Edit menu's Undo and Redo, what the
// window shows after either, and the question before unsplit edits are lost.
#include "ui/window/main_window.h"

#include "core/parts/part_access.h"

#include "ui/output/tag_panel.h"
#include "ui/parts/part_list_view.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

namespace tessivo {

void MainWindow::createEditMenu() {
    history_ = std::make_unique<EditHistory>(doc_);
    connect(history_.get(), &EditHistory::partsRestored, this, &MainWindow::showRestoredParts);

    QMenu* editMenu = menuBar()->addMenu(tr("Edit"));
    QUndoStack* stack = history_->stack();
    actions_.undo = stack->createUndoAction(this, tr("Undo"));
    actions_.undo->setObjectName(QStringLiteral("undoAction"));
    actions_.undo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z)});
    actions_.redo = stack->createRedoAction(this, tr("Redo"));
    actions_.redo->setObjectName(QStringLiteral("redoAction"));
    actions_.redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    editMenu->addAction(actions_.undo);
    editMenu->addAction(actions_.redo);
    editMenu->addSeparator();
    QAction* addCutAt =
        editMenu->addAction(tr("Add cut at\u2026"), this, &MainWindow::onAddCutAtTriggered);
    addCutAt->setObjectName(QStringLiteral("addCutAtAction"));
    addCutAt->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    addListeningActions(editMenu);
}

void MainWindow::showRestoredParts() {
    if (st_.IsPlaying)
        stopPlayback();
    const int k = st_.SelectedPart;
    showPartTags(k >= 1 && k <= PartCount(st_) ? k : 1);
    drawWaveView();
}

bool MainWindow::mayDiscardEdits() {
    // Edits undone back to the open or the last split lose nothing.
    if (!st_.FileLoaded || !doc_.HasUnsplitEdits() || history_->stack()->isClean())
        return true;
    const QString name = QFileInfo(QString::fromStdString(st_.FileName)).fileName();
    return dialogs_.confirmDiscard(this, tr("Discard the cut lines of %1?").arg(name));
}

} // namespace tessivo
