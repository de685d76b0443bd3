// What the window shows of the parts: the part list, the split settings and
// the tag panel. These are the calls the open workflow and the timers make;
// the panels' own editing lives with the panels.
#include "ui/window/main_window.h"

#include "ui/output/tag_panel.h"
#include "ui/parts/part_list_view.h"
#include "ui/parts/split_settings_panel.h"

namespace tessivo {

void MainWindow::clearTagPanel() {
    panels_.tagPanel->clearTagPanel();
}

void MainWindow::showPartTags(int n) {
    panels_.tagPanel->showPartTags(n);
}

void MainWindow::updateSplitControls() {
    panels_.splitSettings->updateSplitControls();
}

void MainWindow::showEqualPartTime(int n) {
    panels_.splitSettings->resetForOpenedFile(n);
}

} // namespace tessivo
