// What the window shows of the parts: the part list, the split settings and
// the tag panel. These are the calls the open workflow and the timers make;
// the panels' own editing lives with the panels.
#include "app/main_window.h"

#include "parts/time_text.h"

#include <QTreeWidget>

namespace tessivo {

void TForm1::RefreshPartList() {
    ListView1->clear();
    if (st_.CutCount <= 1)
        return; // a file with no cut lines shows an empty list
    const int count = std::min(st_.CutCount, kMaxCutLines);
    for (int k = 1; k <= count; ++k) {
        auto* row = new QTreeWidgetItem(ListView1);
        row->setCheckState(0, st_.PartUsed[k] ? Qt::Checked : Qt::Unchecked);
        row->setText(0, QString::number(k));
        const char* status = !st_.PartUsed[k]   ? "Not Used"
                             : st_.PartSaved[k] ? "Saved"
                                                : "Prepared";
        row->setText(1, QString::fromLatin1(status));
        row->setText(
            2, QString::fromStdString(FormatTimeText(true, st_.PartStart[k] * st_.FrameDuration)));
        row->setText(3, QString::fromStdString(
                            FormatTimeText(true, (st_.PartEnd[k] + 1.0) * st_.FrameDuration)));
        row->setText(4, QString::fromStdString(FormatTimeText(
                            true, (st_.PartEnd[k] - st_.PartStart[k] + 1.0) * st_.FrameDuration)));
    }
}

void TForm1::ClearTagPanel() {}

void TForm1::ShowPartTags(int) {}

void TForm1::UpdateSplitControls() {}

void TForm1::ShowEqualPartTime(int) {}

} // namespace tessivo
