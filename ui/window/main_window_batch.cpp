// File > Batch split... and Join files...: dialogs beside the window. They
// open files of their own on their workers; the open file and its document
// stay as they are.
#include "ui/common/dialog_placement.h"
#include "ui/output/batch_split_dialog.h"
#include "ui/output/join_dialog.h"
#include "ui/window/main_window.h"

#include <QDir>

namespace tessivo {

void MainWindow::onBatchSplitTriggered() {
    openBatchSplit({});
}

void MainWindow::openBatchSplit(const QStringList& files) {
    if (!panels_.batchSplit) {
        const QString folder =
            st_.OutputFolder.empty() ? env_.musicFolder : QString::fromStdString(st_.OutputFolder);
        panels_.batchSplit = new BatchSplitDialog(dialogs_, folder, this);
    }
    panels_.batchSplit->addPaths(files);
    if (!panels_.batchSplit->isVisible())
        CentreOnParent(panels_.batchSplit);
    panels_.batchSplit->show();
    panels_.batchSplit->raise();
    panels_.batchSplit->activateWindow();
}

void MainWindow::onJoinFilesTriggered() {
    if (!panels_.joinFiles) {
        const QString folder =
            st_.OutputFolder.empty() ? env_.musicFolder : QString::fromStdString(st_.OutputFolder);
        panels_.joinFiles = new JoinDialog(dialogs_, folder, this);
    }
    if (!panels_.joinFiles->isVisible())
        CentreOnParent(panels_.joinFiles);
    panels_.joinFiles->show();
    panels_.joinFiles->raise();
    panels_.joinFiles->activateWindow();
}

} // namespace tessivo
