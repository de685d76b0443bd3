#include "ui/window/edit_commands.h"

#include "core/analysis/time_base.h"
#include "core/parts/cut_lines.h"
#include "core/parts/part_access.h"
#include "core/parts/part_times.h"
#include "core/parts/typed_cut.h"
#include "core/util/time_text.h"
#include "ui/document/core_text.h"
#include "ui/output/tag_panel.h"
#include "ui/parts/part_list_view.h"
#include "ui/window/main_window.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QVBoxLayout>

namespace tessivo {

EditCommands::EditCommands(MainWindow& window) : QObject(&window), window_(window) {}

void EditCommands::createStartField(QFrame* frame) {
    auto* label = new QLabel(tr("Start of part:"), frame);
    label->setObjectName(QStringLiteral("partStartLabel"));
    startEdit_ = new QLineEdit(frame);
    startEdit_->setObjectName(QStringLiteral("partStartEdit"));
    startEdit_->setToolTip(tr("The selected part's start: h:mm:ss.mmm, mm:ss.mmm, seconds or the "
                              "list's mm:ss:mmm (Enter moves its cut line)"));
    startEdit_->setPlaceholderText(QStringLiteral("h:mm:ss.mmm"));
    // The list above, the field below it at the width of its longest time.
    startEdit_->setMinimumWidth(
        startEdit_->fontMetrics().horizontalAdvance(QStringLiteral("000:00:00.000")) + 12);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(6, 2, 6, 2);
    row->addWidget(label);
    row->addWidget(startEdit_);
    row->addStretch(1);
    auto* column = new QVBoxLayout(frame);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    PartListView* list = window_.partList();
    column->addWidget(list, 1);
    column->addLayout(row);
    // Tab: the list, then the field below it.
    QWidget::setTabOrder(list, startEdit_);
    connect(startEdit_, &QLineEdit::returnPressed, this,
            [this] { applyTypedStart(window_.state().SelectedPart, startEdit_->text()); });
    connect(list, &PartListView::beginTyped, this, &EditCommands::applyTypedStart);
    for (auto signal : {&DocumentSignals::selectionChanged, &DocumentSignals::cutLinesChanged,
                        &DocumentSignals::fileChanged})
        connect(&window_.documentSignals(), signal, this, &EditCommands::showSelectedStart);
    showSelectedStart();
}

void EditCommands::createKeys() {
    // The cut line keys act where cut lines are shown: on the waveform and
    // in the part list (not while a list cell is typed in, nor in the tag
    // panel, whose genre box takes letters).
    const auto editingKey = [this](const QKeySequence& key, void (EditCommands::*slot)()) {
        for (QWidget* w : {static_cast<QWidget*>(window_.waveView()),
                           static_cast<QWidget*>(window_.partList())}) {
            auto* shortcut = new QShortcut(key, w);
            shortcut->setContext(Qt::WidgetWithChildrenShortcut);
            connect(shortcut, &QShortcut::activated, this, slot);
        }
    };
    editingKey(QKeySequence(Qt::Key_M), &EditCommands::addCutAtPlayCursor);
    editingKey(QKeySequence(Qt::Key_Insert), &EditCommands::addCutAtPlayCursor);
    editingKey(QKeySequence(Qt::Key_Delete), &EditCommands::deleteSelectedCutLine);
}

void EditCommands::showSelectedStart() {
    const ProgramState& st = window_.state();
    const int k = st.SelectedPart;
    const bool movable = st.FileLoaded && k >= 2 && k <= PartCount(st);
    startEdit_->setEnabled(movable);
    startEdit_->setText(movable
                            ? QString::fromStdString(FormatClockMsText(PartStartSeconds(st, st, k)))
                            : QString());
}

void EditCommands::applyTypedStart(int k, const QString& text) {
    const ProgramState& st = window_.state();
    if (window_.isBusy() || !st.FileLoaded)
        return;
    if (k < 2 || k > PartCount(st)) {
        window_.dialogs().showMessage(&window_, tr("The first part starts with the file."));
        return;
    }
    const TypedCut cut = TypedCutFrame(st, st, text.trimmed().toStdString(), k);
    if (!cut.ok) {
        window_.dialogs().showMessage(&window_, CoreText(cut.message));
        showSelectedStart();
        return;
    }
    if (st.IsPlaying)
        window_.stopPlayback();
    // The line keeps the typed time's sample, as --at does; a file without
    // a sample count puts it on its frame.
    Document& doc = window_.document();
    const int moved = cut.sample > 0 && TimeBaseOf(st).samples > 0
                          ? doc.MoveCutLineToSample(k, cut.sample)
                          : doc.MoveCutLine(k, cut.frame);
    doc.SelectPart(moved);
    window_.tagPanel()->showPartTags(moved);
    showSelectedStart();
}

void EditCommands::addCutAt() {
    const ProgramState& st = window_.state();
    if (window_.isBusy() || !st.FileLoaded)
        return;
    const QString initial =
        QString::fromStdString(FormatClockMsText(FrameSeconds(st, PlayCursorFrame(st))));
    const QString text = window_.dialogs().askTime(&window_, tr("Add cut at\u2026"),
                                                   tr("Time (h:mm:ss.mmm):"), initial);
    if (text.isNull())
        return;
    const TypedCut cut = TypedCutFrame(st, st, text.trimmed().toStdString(), 0);
    if (!cut.ok) {
        window_.dialogs().showMessage(&window_, CoreText(cut.message));
        return;
    }
    addCutLineAt(cut.frame, cut.sample);
}

void EditCommands::addCutLineAt(int32_t frame, int64_t sample) {
    ProgramState& st = window_.state();
    Document& doc = window_.document();
    const bool added = sample > 0 && TimeBaseOf(st).samples > 0 ? doc.AddCutLineAtSample(sample)
                                                                : doc.AddCutLine(frame);
    if (!added) {
        window_.dialogs().showMessage(&window_, tr("No more than %1 cut lines.").arg(kMaxParts));
        return;
    }
    for (int k = 1; k <= PartCount(st); ++k) {
        if (PartFirstFrame(st, k) != frame)
            continue;
        doc.SelectPart(k);
        window_.playback()->continueIntoPart(k);
    }
    window_.tagPanel()->showPartTags(st.SelectedPart);
}

void EditCommands::addCutAtPlayCursor() {
    const ProgramState& st = window_.state();
    if (window_.isBusy() || !st.FileLoaded)
        return;
    const int64_t frame = PlayCursorFrame(st);
    // A cursor on a cut line or in the last frames makes no new part.
    if (CutFrameRefusal(st, st, frame, 0, std::string()).empty())
        addCutLineAt(static_cast<int32_t>(frame));
}

void EditCommands::deleteSelectedCutLine() {
    const ProgramState& st = window_.state();
    if (window_.isBusy() || !st.FileLoaded)
        return;
    const int k = st.SelectedPart;
    if (k < 2 || k > PartCount(st))
        return;
    if (st.IsPlaying)
        window_.stopPlayback();
    window_.document().DeleteCutLine(k);
}

void EditCommands::cutOut() {
    const ProgramState& st = window_.state();
    ViewController* view = window_.view();
    if (window_.isBusy() || !st.FileLoaded || !view->hasStretch())
        return;
    if (st.IsPlaying)
        window_.stopPlayback();
    const auto first = static_cast<int32_t>(view->stretch().first);
    const auto end = static_cast<int32_t>(view->stretch().last + 1);
    view->clearStretch();
    window_.document().CutOut(first, end);
}

void EditCommands::clearCutLines() {
    const ProgramState& st = window_.state();
    if (window_.isBusy() || st.Duration == 0)
        return;
    if (st.IsPlaying)
        window_.stopPlayback();
    window_.document().ClearCutLines();
    window_.view()->drawMeter();
    window_.tagPanel()->showPartTags(1);
}

bool EditCommands::toggleSelectedTick() {
    QWidget* focus = QApplication::focusWidget();
    PartListView* list = window_.partList();
    if (!focus || (focus != list && !list->isAncestorOf(focus)) || window_.isBusy())
        return false;
    const ProgramState& st = window_.state();
    const int k = st.SelectedPart;
    if (k < 1 || k > PartCount(st))
        return false;
    window_.document().SetPartUsed(k, !PartTicked(st, k));
    return true;
}

void EditCommands::showRestoredParts() {
    const ProgramState& st = window_.state();
    if (st.IsPlaying)
        window_.stopPlayback();
    const int k = st.SelectedPart;
    window_.tagPanel()->showPartTags(k >= 1 && k <= PartCount(st) ? k : 1);
}

} // namespace tessivo
