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
#include "ui/window/cut_list_commands.h"

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
    splitSettings_ = new SplitSettingsPanel(doc_, dialogs_, splitFrame_);
    Fill(splitFrame_, splitSettings_);
    partList_ = new PartListView(doc_, st_, partListFrame_);
    tagPanel_ = new TagPanel(doc_, tagFrame_);
    Fill(tagFrame_, tagPanel_);
    partMenu_ = new PartPopupMenu(doc_, st_, *partList_, this);
    confirmDialog_ = new ConfirmDialog(doc_, dialogs_, this);
    cutLists_ = new CutListCommands(doc_, dialogs_, this);

    connectPanels();
    connectPartMenu();
    createWaveMouse();
    createShortcuts();
    createPartStartField();
    createEditingKeys();
}

void MainWindow::connectPanels() {
    connect(splitSettings_, &SplitSettingsPanel::partsPrepared, this,
            &MainWindow::showPreparedParts);
    connect(docSignals_.get(), &DocumentSignals::peaksChanged, this, &MainWindow::drawWaveView);
    connect(splitSettings_, &SplitSettingsPanel::clearRequested, this, &MainWindow::clearCutLines);
    connect(cutLists_, &CutListCommands::cutListApplied, this, [this] {
        refreshPartList();
        drawWaveView();
    });

    connect(partList_, &PartListView::showPartTags, this, &MainWindow::showPartTags);
    connect(partList_, &PartListView::viewChanged, this, &MainWindow::drawWaveView);
    connect(partList_, &PartListView::playPartRequested, this,
            [this](int k) { playPart(k, PlayStartKind::PartStart); });

    // The list shows the stored title, artist and album at once.
    connect(tagPanel_, &TagPanel::tagsStored, this, [this] { refreshPartList(); });

    connect(confirmDialog_, &ConfirmDialog::statusText, this,
            [this](const QString& text) { statusLabel_->setText(text); });
    connect(confirmDialog_, &ConfirmDialog::partsWritten, this, &MainWindow::refreshPartList);
    // While the parts are written no command may change what is written.
    connect(confirmDialog_->splitRunner(), &SplitRunner::started, this, [this] {
        setCommandsEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    });
    connect(confirmDialog_->splitRunner(), &SplitRunner::finished, this, [this] {
        setCommandsEnabled(true);
        QApplication::restoreOverrideCursor();
    });
}

void MainWindow::connectPartMenu() {
    connect(partMenu_, &PartPopupMenu::playPartRequested, this,
            [this](int k) { playPart(k, PlayStartKind::PartStart); });
    connect(partMenu_, &PartPopupMenu::stopRequested, this, &MainWindow::onStopClicked);
    connect(partMenu_, &PartPopupMenu::clearRequested, this, &MainWindow::clearCutLines);
    connect(partMenu_, &PartPopupMenu::splitRequested, this, [this] {
        if (!isBusy())
            confirmDialog_->exec();
    });
    connect(partMenu_, &PartPopupMenu::explorerRequested, this, &MainWindow::onExplorerTriggered);
    connect(partMenu_, &PartPopupMenu::viewChanged, this, &MainWindow::drawWaveView);
    // A right click anywhere in the window opens it; edit boxes keep their own.
    client_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(client_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (!isBusy())
            partMenu_->popup(client_->mapToGlobal(pos));
    });
}

void MainWindow::createWaveMouse() {
    WaveMouseHooks hooks;
    hooks.drawWaveView = [this] { drawWaveView(); };
    hooks.showTimeLabels = [this](double s) { showTimeLabels(s); };
    hooks.refreshPartList = [this] { refreshPartList(); };
    hooks.updatePartStatus = [this](int k) { partList_->updatePartStatus(k); };
    hooks.selectListRow = [this](int k) { partList_->selectPart(k); };
    hooks.playFrom = [this](int n, PlayStartKind kind) { playPart(n, kind); };
    hooks.stopPlayback = [this] { stopPlayback(); };
    hooks.openFile = [this] { onOpenTriggered(); };
    hooks.setCursor = [this](Qt::CursorShape shape) { waveView_->setCursor(shape); };
    waveMouse_ = new WaveMouse(doc_, st_, geom_, std::move(hooks), this);
}

void MainWindow::createShortcuts() {
    // Keyboard: Space plays or stops, Ctrl+S splits, + and - zoom. Edit boxes
    // keep the keys they type.
    splitAction_->setShortcut(QKeySequence::Save);
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), this);
    connect(space, &QShortcut::activated, this, [this] {
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
    playButton_->setToolTip(QStringLiteral("Play (Space)"));
    stopButton_->setToolTip(QStringLiteral("Stop (Space)"));
    splitButton_->setToolTip(QStringLiteral("Split & Save"));
    zoomInButton_->setToolTip(QStringLiteral("Zoom In Time"));
    zoomOutButton_->setToolTip(QStringLiteral("Zoom Out Time"));
}

void MainWindow::addCutListActions(QMenu* fileMenu) {
    QAction* importAction = fileMenu->addAction(QStringLiteral("Import cut list..."));
    importAction->setObjectName(QStringLiteral("importCutListAction"));
    connect(importAction, &QAction::triggered, this, [this] {
        if (!isBusy())
            cutLists_->importCutList();
    });
    QAction* exportAction = fileMenu->addAction(QStringLiteral("Export cut list..."));
    exportAction->setObjectName(QStringLiteral("exportCutListAction"));
    connect(exportAction, &QAction::triggered, this, [this] {
        if (!isBusy())
            cutLists_->exportCutList();
    });
}

void MainWindow::showPreparedParts() {
    refreshPartList();
    drawWaveView();
}

void MainWindow::clearCutLines() {
    if (isBusy() || st_.Duration == 0)
        return;
    if (st_.IsPlaying)
        stopPlayback();
    doc_.ClearCutLines();
    refreshPartList();
    drawWaveView();
    drawLevelMeter();
    showPartTags(1);
}

} // namespace tessivo
