#include "ui/window/cut_review.h"

#include "core/parts/part_access.h"
#include "core/parts/pause_snap.h"
#include "ui/document/document_signals.h"
#include "ui/parts/part_list_view.h"
#include "ui/view/wave_view.h"
#include "ui/window/main_window.h"

#include <QAction>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QStatusBar>

#include <algorithm>
#include <cmath>

namespace tessivo {

QString CutReviewText(const ProgramState& st, int k) {
    const int parts = PartCount(st);
    if (!st.FileLoaded || k < 2 || k > parts)
        return {};
    const std::optional<PauseSpan> pause = PauseAtCut(st, st, PartFirstFrame(st, k));
    if (!pause)
        return CutReview::tr("Cut %1 of %2, not in a pause").arg(k - 1).arg(parts - 1);
    return CutReview::tr("Cut %1 of %2, in a pause of %3 s")
        .arg(k - 1)
        .arg(parts - 1)
        .arg(QLocale().toString(pause->end - pause->start, 'f', 1));
}

CutReview::CutReview(MainWindow& window, DocumentSignals& docSignals, QMenu* menu)
    : QObject(&window), window_(window) {
    setObjectName(QStringLiteral("cutReview"));
    QAction* next = menu->addAction(tr("Next cut"), this, &CutReview::nextCut);
    next->setObjectName(QStringLiteral("nextCutAction"));
    next->setShortcut(QKeySequence(Qt::Key_Period));
    QAction* previous = menu->addAction(tr("Previous cut"), this, &CutReview::previousCut);
    previous->setObjectName(QStringLiteral("previousCutAction"));
    previous->setShortcut(QKeySequence(Qt::Key_Comma));

    auto* bar = window.findChild<QStatusBar*>(QStringLiteral("statusBar"));
    label_ = new QLabel(bar);
    label_->setObjectName(QStringLiteral("cutReviewLabel"));
    // Where the status bar shows the outcome of a split.
    bar->addWidget(label_, 1);
    label_->hide();
    for (auto signal : {&DocumentSignals::cutLinesChanged, &DocumentSignals::selectionChanged,
                        &DocumentSignals::settingsChanged, &DocumentSignals::fileChanged})
        connect(&docSignals, signal, this, &CutReview::followSelection);
}

void CutReview::nextCut() {
    step(+1);
}

void CutReview::previousCut() {
    step(-1);
}

QString CutReview::statusText() const {
    return label_->isHidden() ? QString() : label_->text();
}

void CutReview::step(int direction) {
    const ProgramState& st = window_.state();
    if (window_.isBusy() || !st.FileLoaded)
        return;
    const int parts = PartCount(st);
    if (parts < 2)
        return;
    // No cut line selected: the first one forward, the last one back.
    const int from = st.SelectedPart >= 2 ? st.SelectedPart : (direction > 0 ? 1 : parts + 1);
    const int k = std::clamp(from + direction, 2, parts);
    Document& doc = window_.document();
    doc.SelectPart(k);
    doc.MarkCutReviewed(k);
    window_.partList()->selectPart(k);
    window_.view()->centreOn(PartFirstFrame(st, k));
    reviewing_ = k;
    label_->setText(CutReviewText(st, k));
    label_->show();
    // Left and Right go to the waveform, where they nudge the cut.
    window_.waveView()->setFocus(Qt::OtherFocusReason);
}

bool CutReview::nudge(int direction, bool fine) {
    const ProgramState& st = window_.state();
    const int k = reviewing_;
    if (window_.isBusy() || !st.FileLoaded || label_->isHidden() || k < 2 || k > PartCount(st) ||
        st.SelectedPart != k)
        return false;
    const int64_t step =
        fine ? 1 : std::max<int64_t>(1, std::llround(0.1 / std::max(st.FrameDuration, 1e-6)));
    const int64_t at = PartFirstFrame(st, k);
    // Strictly between the neighbouring cuts, so the parts keep their order.
    const int64_t low = PartFirstFrame(st, k - 1) + 1;
    const int64_t high = (k < PartCount(st) ? PartFirstFrame(st, k + 1) : st.FrameCount) - 1;
    const int64_t to = std::clamp(at + direction * step, low, high);
    if (to == at)
        return true;
    Document& doc = window_.document();
    const int64_t sample = PartAt(st, k).cutSample;
    if (sample >= 0) {
        // A cut at a sample keeps its place in the frame; one halfway
        // through rounds to even frames, so it is put a sample nearer `to`.
        const TimeBase tb = TimeBaseOf(st);
        int64_t moved = sample + (to - at) * tb.samplesPerFrame;
        const int64_t frame = NearestFrameToSample(tb, moved);
        moved += frame < to ? 1 : (frame > to ? -1 : 0);
        doc.MoveCutLineToSample(k, moved);
    } else
        doc.MoveCutLine(k, static_cast<int32_t>(to));
    window_.view()->centreOn(PartFirstFrame(st, k));
    return true;
}

void CutReview::followSelection() {
    if (label_->isHidden())
        return;
    // Another part picked (in the list, on the waveform): the review rests.
    if (window_.state().SelectedPart != reviewing_) {
        reviewing_ = 0;
        label_->hide();
        return;
    }
    const QString text = CutReviewText(window_.state(), window_.state().SelectedPart);
    label_->setText(text);
    label_->setVisible(!text.isEmpty());
}

} // namespace tessivo
