// The editing side of the main window: the split settings panel, the part
// list with its context menu, the tag panel, the split dialog, the mouse on
// the waveform and the keyboard shortcuts, and how they reach each other.
#include "ui/window/main_window.h"

#include "core/parts/cut_lines.h"
#include "ui/output/confirm_dialog.h"
#include "ui/output/split_runner.h"
#include "ui/output/tag_panel.h"
#include "ui/parts/part_list_view.h"
#include "ui/parts/split_settings_panel.h"
#include "ui/view/wave_mouse.h"
#include "ui/window/control_panel.h"
#include "ui/window/cut_list_commands.h"
#include "ui/window/status_controller.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace tessivo {

namespace {

// Puts `w` into `frame`, filling it.
void Fill(QFrame* frame, QWidget* w) {
    auto* box = new QVBoxLayout(frame);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(w);
}

} // namespace

void MainWindow::createEditingControls() {
    docSignals_ = std::make_unique<DocumentSignals>(doc_);
    panels_.splitSettings = new SplitSettingsPanel(doc_, dialogs_, panels_.splitFrame);
    Fill(panels_.splitFrame, panels_.splitSettings);
    panels_.partList = new PartListView(doc_, *docSignals_, panels_.partListFrame);
    panels_.tagPanel = new TagPanel(doc_, panels_.tagFrame);
    Fill(panels_.tagFrame, panels_.tagPanel);
    panels_.partMenu = new PartPopupMenu(doc_, this);
    panels_.confirmDialog = new ConfirmDialog(doc_, dialogs_, this);
    panels_.cutLists = new CutListCommands(doc_, dialogs_, this);

    connectPanels();
    connectPartMenu();
    createWaveMouse();
    createShortcuts();
    createPartStartField();
    createEditingKeys();
    createPauseCommands();
}

void MainWindow::connectPanels() {
    // The waveform follows every edit of the document and its new peaks.
    connect(docSignals_.get(), &DocumentSignals::changed, this, &MainWindow::drawWaveView);
    connect(panels_.splitSettings, &SplitSettingsPanel::clearRequested, this,
            &MainWindow::clearCutLines);

    connect(panels_.partList, &PartListView::playPartRequested, this,
            [this](int k) { playPart(k, PlayStartKind::PartStart); });

    // The tag panel follows the parts: never a part that is gone. Another
    // part selected keeps what was typed for the one shown.
    for (auto signal : {&DocumentSignals::cutLinesChanged, &DocumentSignals::selectionChanged})
        connect(docSignals_.get(), signal, panels_.tagPanel, &TagPanel::followParts);
    connect(panels_.partList, &PartListView::partPicked, panels_.tagPanel, &TagPanel::showPartTags);

    connect(panels_.confirmDialog, &ConfirmDialog::statusText, this,
            [this](const QString& text) { controls_->setStatus(text); });
    connect(panels_.confirmDialog, &ConfirmDialog::partsWritten, this, [this] {
        // The parts as split: undoing back to them asks nothing on close.
        if (!doc_.HasUnsplitEdits())
            history_->stack()->setClean();
    });
    connect(panels_.confirmDialog, &ConfirmDialog::filesWritten, status_,
            &StatusController::showSplitDone);
    // While the parts are written no command may change what is written.
    connect(panels_.confirmDialog->splitRunner(), &SplitRunner::started, this, [this] {
        setCommandsEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    });
    connect(panels_.confirmDialog->splitRunner(), &SplitRunner::ended, this, [this] {
        setCommandsEnabled(true);
        QApplication::restoreOverrideCursor();
    });
}

void MainWindow::connectPartMenu() {
    connect(panels_.partMenu, &PartPopupMenu::playPartRequested, this,
            [this](int k) { playPart(k, PlayStartKind::PartStart); });
    connect(panels_.partMenu, &PartPopupMenu::stopRequested, this, &MainWindow::onStopClicked);
    connect(panels_.partMenu, &PartPopupMenu::clearRequested, this, &MainWindow::clearCutLines);
    connect(panels_.partMenu, &PartPopupMenu::splitRequested, this, [this] {
        if (!isBusy())
            panels_.confirmDialog->openIfPartsPrepared();
    });
    connect(panels_.partMenu, &PartPopupMenu::explorerRequested, this,
            &MainWindow::onExplorerTriggered);
    // A right click anywhere in the window opens it; edit boxes keep their own.
    client_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(client_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (!isBusy())
            panels_.partMenu->popup(client_->mapToGlobal(pos));
    });
}

void MainWindow::createWaveMouse() {
    WaveMouseHooks hooks;
    hooks.drawWaveView = [this] { drawWaveView(); };
    hooks.showTimeLabels = [this](double s) { status_->showTime(s); };
    hooks.selectListRow = [this](int k) { panels_.partList->selectPart(k); };
    hooks.playFrom = [this](int n, PlayStartKind kind) { playPart(n, kind); };
    hooks.stopPlayback = [this] { stopPlayback(); };
    hooks.openFile = [this] { onOpenTriggered(); };
    hooks.setCursor = [this](Qt::CursorShape shape) { waveView_->setCursor(shape); };
    panels_.waveMouse = new WaveMouse(doc_, st_, view_->geometry(), std::move(hooks), this);
    panels_.waveMouse->setClickWait(env_.clickWaitMs);
}

void MainWindow::createShortcuts() {
    // Keyboard: Space plays or stops (on a selected row of the part list it
    // ticks or unticks that part), Ctrl+S splits, + and - zoom. Edit boxes
    // keep the keys they type.
    actions_.split->setShortcut(QKeySequence::Save);
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), this);
    connect(space, &QShortcut::activated, this, [this] {
        if (toggleSelectedTick())
            return;
        if (st_.IsPlaying)
            onStopClicked();
        else
            onPlayClicked();
    });
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal),
                                    QKeySequence(Qt::KeypadModifier | Qt::Key_Plus)})
        connect(new QShortcut(key, this), &QShortcut::activated, this,
                &MainWindow::onZoomInClicked);
    for (const QKeySequence& key :
         {QKeySequence(Qt::Key_Minus), QKeySequence(Qt::KeypadModifier | Qt::Key_Minus)})
        connect(new QShortcut(key, this), &QShortcut::activated, this,
                &MainWindow::onZoomOutClicked);
}

bool MainWindow::toggleSelectedTick() {
    QWidget* focus = QApplication::focusWidget();
    PartListView* list = panels_.partList;
    if (!focus || (focus != list && !list->isAncestorOf(focus)) || isBusy())
        return false;
    const int k = st_.SelectedPart;
    if (k < 1 || k > PartCount(st_))
        return false;
    doc_.SetPartUsed(k, !PartTicked(st_, k));
    return true;
}

void MainWindow::addCutListActions(QMenu* fileMenu) {
    QAction* importAction = fileMenu->addAction(tr("Import cut list..."));
    importAction->setObjectName(QStringLiteral("importCutListAction"));
    connect(importAction, &QAction::triggered, this, [this] {
        if (!isBusy())
            panels_.cutLists->importCutList();
    });
    QAction* exportAction = fileMenu->addAction(tr("Export cut list..."));
    exportAction->setObjectName(QStringLiteral("exportCutListAction"));
    connect(exportAction, &QAction::triggered, this, [this] {
        if (!isBusy())
            panels_.cutLists->exportCutList();
    });
}

void MainWindow::clearCutLines() {
    if (isBusy() || st_.Duration == 0)
        return;
    if (st_.IsPlaying)
        stopPlayback();
    doc_.ClearCutLines();
    view_->drawMeter();
    showPartTags(1);
}

} // namespace tessivo
