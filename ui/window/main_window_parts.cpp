// What the window shows of the parts: the part list, the split settings and
// the tag panel. These are the calls the open workflow and the timers make;
// the panels' own editing lives with the panels.
#include "ui/window/main_window.h"

#include "ui/output/tag_panel.h"
#include "ui/parts/part_list_view.h"
#include "ui/parts/split_settings_panel.h"

namespace tessivo {

void TForm1::RefreshPartList() {
    PartList->RefreshPartList();
}

void TForm1::ClearTagPanel() {
    Tags->ClearTagPanel();
}

void TForm1::ShowPartTags(int n) {
    Tags->ShowPartTags(n);
}

void TForm1::UpdateSplitControls() {
    SplitSettings->UpdateSplitControls();
}

void TForm1::ShowEqualPartTime(int n) {
    SplitSettings->ResetForOpenedFile(n);
}

} // namespace tessivo
