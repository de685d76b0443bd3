// Typed times in the main window: the selected part's start in the field
// beside the part list and in the list's Begin cell, and Edit > Add cut at.
// The text is read and checked by the core (typed_cut); the edit goes through
// the document, so it can be undone.
#include "ui/window/main_window.h"

#include "ui/document/core_text.h"

#include "core/analysis/time_base.h"
#include "core/parts/part_access.h"
#include "core/parts/part_times.h"
#include "core/parts/typed_cut.h"
#include "core/util/time_text.h"
#include "ui/output/tag_panel.h"
#include "ui/parts/part_list_view.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace tessivo {

void MainWindow::createPartStartField() {
    auto* label = new QLabel(tr("Start of part:"), panels_.partListFrame);
    label->setObjectName(QStringLiteral("partStartLabel"));
    panels_.partStartEdit = new QLineEdit(panels_.partListFrame);
    panels_.partStartEdit->setObjectName(QStringLiteral("partStartEdit"));
    panels_.partStartEdit->setToolTip(
        tr("The selected part's start: h:mm:ss.mmm, mm:ss.mmm, seconds or the "
           "list's mm:ss:mmm (Enter moves its cut line)"));
    panels_.partStartEdit->setPlaceholderText(QStringLiteral("h:mm:ss.mmm"));
    // The list above, the field below it at the width of its longest time.
    panels_.partStartEdit->setMinimumWidth(
        panels_.partStartEdit->fontMetrics().horizontalAdvance(QStringLiteral("000:00:00.000")) +
        12);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(6, 2, 6, 2);
    row->addWidget(label);
    row->addWidget(panels_.partStartEdit);
    row->addStretch(1);
    auto* column = new QVBoxLayout(panels_.partListFrame);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(panels_.partList, 1);
    column->addLayout(row);
    // Tab: the list, then the field below it.
    QWidget::setTabOrder(panels_.partList, panels_.partStartEdit);
    connect(panels_.partStartEdit, &QLineEdit::returnPressed, this,
            [this] { applyTypedStart(st_.SelectedPart, panels_.partStartEdit->text()); });
    connect(panels_.partList, &PartListView::beginTyped, this, &MainWindow::applyTypedStart);
    for (auto signal : {&DocumentSignals::selectionChanged, &DocumentSignals::cutLinesChanged,
                        &DocumentSignals::fileChanged})
        connect(docSignals_.get(), signal, this, &MainWindow::showSelectedStart);
    showSelectedStart();
}

void MainWindow::showSelectedStart() {
    const int k = st_.SelectedPart;
    const bool movable = st_.FileLoaded && k >= 2 && k <= PartCount(st_);
    panels_.partStartEdit->setEnabled(movable);
    panels_.partStartEdit->setText(
        movable ? QString::fromStdString(FormatClockMsText(PartStartSeconds(st_, k))) : QString());
}

void MainWindow::applyTypedStart(int k, const QString& text) {
    if (isBusy() || !st_.FileLoaded)
        return;
    if (k < 2 || k > PartCount(st_)) {
        dialogs_.showMessage(this, tr("The first part starts with the file."));
        return;
    }
    const TypedCut cut = TypedCutFrame(st_, text.trimmed().toStdString(), k);
    if (!cut.ok) {
        dialogs_.showMessage(this, CoreText(cut.message));
        showSelectedStart();
        return;
    }
    if (st_.IsPlaying)
        stopPlayback();
    // The line keeps the typed time's sample, as --at does; a file without
    // a sample count puts it on its frame.
    const int moved = cut.sample > 0 && TimeBaseOf(st_).samples > 0
                          ? doc_.MoveCutLineToSample(k, cut.sample)
                          : doc_.MoveCutLine(k, cut.frame);
    doc_.SelectPart(moved);
    showPartTags(moved);
    drawWaveView();
    showSelectedStart();
}

void MainWindow::onAddCutAtTriggered() {
    if (isBusy() || !st_.FileLoaded)
        return;
    const QString initial =
        QString::fromStdString(FormatClockMsText(FrameSeconds(st_, PlayCursorFrame(st_))));
    const QString text =
        dialogs_.askTime(this, tr("Add cut at\u2026"), tr("Time (h:mm:ss.mmm):"), initial);
    if (text.isNull())
        return;
    const TypedCut cut = TypedCutFrame(st_, text.trimmed().toStdString(), 0);
    if (!cut.ok) {
        dialogs_.showMessage(this, CoreText(cut.message));
        return;
    }
    addCutLineAt(cut.frame, cut.sample);
}

void MainWindow::addCutLineAt(int32_t frame, int64_t sample) {
    const bool added = sample > 0 && TimeBaseOf(st_).samples > 0 ? doc_.AddCutLineAtSample(sample)
                                                                 : doc_.AddCutLine(frame);
    if (!added) {
        dialogs_.showMessage(this, tr("No more than %1 cut lines.").arg(kMaxParts));
        return;
    }
    for (int k = 1; k <= PartCount(st_); ++k) {
        if (PartFirstFrame(st_, k) != frame)
            continue;
        doc_.SelectPart(k);
        // Playback heard the new part's start: it goes on into that part.
        if (st_.IsPlaying)
            st_.PlayingPart = k;
    }
    showPartTags(st_.SelectedPart);
    drawWaveView();
}

} // namespace tessivo
