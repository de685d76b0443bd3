// File > Batch split...: the batch dialog beside the window. It splits files
// of its own on its worker; the open file and its document stay as they are.
#include "ui/output/batch_split_dialog.h"
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
    panels_.batchSplit->show();
    panels_.batchSplit->raise();
    panels_.batchSplit->activateWindow();
}

} // namespace tessivo
