// The window's smaller commands: File > Open Recent, View > Zoom in and Zoom
// out, Edit > Play around cut, Help > Keyboard shortcuts, the stretch chosen
// with Shift+drag that Play plays, and what the window keeps between runs
// (its place and size, the open folder, the recent files).
#include "ui/window/main_window.h"

#include "ui/window/settings_autosave.h"

#include "core/parts/part_access.h"
#include "ui/output/confirm_dialog.h"
#include "ui/window/window_memory.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace tessivo {

namespace {

// Seconds heard before and after a cut line.
constexpr double kAroundCutSeconds = 2.0;

} // namespace

QList<QPair<QString, QString>> KeyboardShortcutList() {
    return {
        {MainWindow::tr("Ctrl+O (letter O)"), MainWindow::tr("Open a file")},
        {MainWindow::tr("Ctrl+S"), MainWindow::tr("Split the ticked parts")},
        {MainWindow::tr("Ctrl+Z"), MainWindow::tr("Undo")},
        {MainWindow::tr("Ctrl+Shift+Z, Ctrl+Y"), MainWindow::tr("Redo")},
        {MainWindow::tr("Ctrl+T"), MainWindow::tr("Add a cut line at a typed time")},
        {MainWindow::tr("M, Insert"), MainWindow::tr("Add a cut line at the play cursor")},
        {MainWindow::tr("Delete"), MainWindow::tr("Delete the selected part's cut line")},
        {MainWindow::tr("Space"), MainWindow::tr("Play or stop")},
        {MainWindow::tr("C"),
         MainWindow::tr("Play around cut: 2 s either side of the selected cut line")},
        {MainWindow::tr("Shift+drag"),
         MainWindow::tr("Select a stretch of the waveform; Play plays it")},
        {MainWindow::tr("X"),
         MainWindow::tr("Cut out the selected stretch: cut lines at its edges, the part "
                        "between them unticked")},
        {MainWindow::tr("Ctrl+Shift+S"), MainWindow::tr("Save the ticked parts as one file")},
        {MainWindow::tr("U"), MainWindow::tr("Mute the selected stretch in what is written")},
        {MainWindow::tr("."), MainWindow::tr("Next cut: select the next cut line and centre it")},
        {MainWindow::tr(","),
         MainWindow::tr("Previous cut: select the cut line before and centre it")},
        {MainWindow::tr("Ctrl+drag, Ctrl+double click"),
         MainWindow::tr("Zoomed in to the samples: a cut line at the sample under the pointer")},
        {MainWindow::tr("Left, Right"),
         MainWindow::tr("Play cursor one second back or on; the cut under review a tenth of a "
                        "second")},
        {MainWindow::tr("Shift+Left, Shift+Right"),
         MainWindow::tr("Play cursor or the cut under review one frame back or on")},
        {MainWindow::tr("Home, End"), MainWindow::tr("Play cursor to the start or the end")},
        {MainWindow::tr("+, -"), MainWindow::tr("Zoom in or out")},
        {MainWindow::tr("Ctrl++, Ctrl+-"), MainWindow::tr("Zoom in, Zoom out")},
        {MainWindow::tr("Ctrl+0 (zero)"), MainWindow::tr("Zoom to fit")},
        {MainWindow::tr("Wheel, Ctrl+Wheel"), MainWindow::tr("Scroll, zoom the waveform")},
        {MainWindow::tr("F1"), MainWindow::tr("Help contents")},
    };
}

void MainWindow::createRecentMenu(QMenu* fileMenu) {
    recentMenu_ = fileMenu->addMenu(tr("Open Recent"));
    recentMenu_->setObjectName(QStringLiteral("recentMenu"));
    showRecentFiles();
}

void MainWindow::showRecentFiles() {
    recentMenu_->clear();
    for (const QString& path : recentFiles_) {
        QAction* a = recentMenu_->addAction(QFileInfo(path).fileName());
        a->setObjectName(QStringLiteral("recentFileAction"));
        a->setToolTip(path);
        a->setData(path);
        connect(a, &QAction::triggered, this, [this, path] { openFilePath(path); });
    }
    recentMenu_->setEnabled(!recentFiles_.isEmpty());
}

void MainWindow::rememberRecentFile(const QString& path) {
    recentFiles_ = WithRecentFile(recentFiles_, path);
    showRecentFiles();
    if (settingsAutosave_)
        settingsAutosave_->changed();
}

void MainWindow::addZoomActions(QMenu* viewMenu) {
    QAction* in = viewMenu->addAction(tr("Zoom in"), this, &MainWindow::onZoomInClicked);
    in->setObjectName(QStringLiteral("zoomInAction"));
    in->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    QAction* out = viewMenu->addAction(tr("Zoom out"), this, &MainWindow::onZoomOutClicked);
    out->setObjectName(QStringLiteral("zoomOutAction"));
    out->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
}

void MainWindow::addListeningActions(QMenu* editMenu) {
    QAction* around =
        editMenu->addAction(tr("Play around cut"), this, &MainWindow::onPlayAroundCutTriggered);
    around->setObjectName(QStringLiteral("playAroundCutAction"));
    around->setShortcut(QKeySequence(Qt::Key_C));
    QAction* cutOut =
        editMenu->addAction(tr("Cut out selection"), this, &MainWindow::onCutOutTriggered);
    cutOut->setObjectName(QStringLiteral("cutOutAction"));
    cutOut->setShortcut(QKeySequence(Qt::Key_X));
}

void MainWindow::onCutOutTriggered() {
    if (isBusy() || !st_.FileLoaded || !view_->hasStretch())
        return;
    if (st_.IsPlaying)
        stopPlayback();
    const auto first = static_cast<int32_t>(view_->stretch().first);
    const auto end = static_cast<int32_t>(view_->stretch().last + 1);
    view_->clearStretch();
    if (doc_.CutOut(first, end)) {
    }
}

void MainWindow::onSaveAsOneFileTriggered() {
    if (isBusy() || !st_.FileLoaded)
        return;
    panels_.confirmDialog->openForOneFile();
}

void MainWindow::addHelpActions(QMenu* helpMenu) {
    QAction* keys = helpMenu->addAction(tr("Keyboard shortcuts"), this,
                                        &MainWindow::onKeyboardShortcutsTriggered);
    keys->setObjectName(QStringLiteral("keyboardShortcutsAction"));
}

void MainWindow::onKeyboardShortcutsTriggered() {
    if (!shortcutsWindow_) {
        shortcutsWindow_ = new QDialog(this);
        shortcutsWindow_->setObjectName(QStringLiteral("shortcutsWindow"));
        shortcutsWindow_->setWindowTitle(tr("Keyboard shortcuts"));
        auto* list = new QTreeWidget(shortcutsWindow_);
        list->setObjectName(QStringLiteral("shortcutsList"));
        list->setHeaderLabels({tr("Keys"), tr("What they do")});
        list->setRootIsDecorated(false);
        for (const auto& [keys, what] : KeyboardShortcutList())
            list->addTopLevelItem(new QTreeWidgetItem({keys, what}));
        list->resizeColumnToContents(0);
        list->resizeColumnToContents(1);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, shortcutsWindow_);
        connect(buttons, &QDialogButtonBox::rejected, shortcutsWindow_, &QDialog::close);
        auto* box = new QVBoxLayout(shortcutsWindow_);
        box->addWidget(list);
        box->addWidget(buttons);
        const int width = list->header()->length() + 40;
        shortcutsWindow_->resize(std::max(width, 420), 460);
    }
    shortcutsWindow_->show();
    shortcutsWindow_->raise();
}

void MainWindow::onPlayAroundCutTriggered() {
    if (isBusy() || !st_.FileLoaded || st_.FrameDuration <= 0)
        return;
    const int k = st_.SelectedPart;
    if (k < 2 || k > PartCount(st_)) {
        dialogs_.showMessage(this, tr("Select a part after the first: its cut line "
                                      "is the one heard."));
        return;
    }
    const int64_t cut = PartFirstFrame(st_, k);
    const int64_t around = RoundEven(kAroundCutSeconds / st_.FrameDuration);
    playStretch(cut - around, cut + around);
}

void MainWindow::playStretch(int64_t first, int64_t last) {
    const int64_t end = int64_t{st_.FrameCount} - 1;
    first = std::clamp<int64_t>(first, 0, std::max<int64_t>(end, 0));
    last = std::clamp<int64_t>(last, first, std::max<int64_t>(end, 0));
    if (st_.IsPlaying)
        stopPlayback();
    // Played as the part that holds its end, so no part end stops it early.
    st_.ClickFrame = static_cast<int32_t>(first);
    st_.PlayingPart = PartAtClickFrame(st_, last);
    // The stop frame is set once playback runs: the start lets events run,
    // and a timer tick then, finding nothing playing yet, would forget it.
    playStopFrame_ = -1;
    playPart(st_.PlayingPart, PlayStartKind::ClickedFrame);
    if (st_.IsPlaying)
        playStopFrame_ = last;
    placePositionLine();
}

void MainWindow::stopAtStretchEnd() {
    if (playStopFrame_ < 0)
        return;
    if (!st_.IsPlaying)
        playStopFrame_ = -1;
    else if (int64_t{st_.PlayFrame} >= playStopFrame_) {
        playStopFrame_ = -1;
        stopPlayback();
    }
}

// ---------------------------------------------------------------------------
// Kept between runs

void MainWindow::restoreWindowMemory() {
    const WindowMemory m = LoadWindowMemory(env_.settingsPath);
    recentFiles_ = m.recentFiles;
    showRecentFiles();
    if (!m.openFolder.isEmpty())
        lastOpenFolder_ = m.openFolder;
    if (!m.geometry.isNull())
        setGeometry(m.geometry);
    if (m.maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
    if (!m.waveSplit.isEmpty())
        mainSplitter_->setSizes(m.waveSplit);
    if (!m.panelSplit.isEmpty())
        panelSplitter_->setSizes(m.panelSplit);
    else // the part list takes what the side panels leave
        panelSplitter_->setSizes({panels_.splitFrame->minimumSizeHint().width(), 100000,
                                  panels_.tagFrame->minimumSizeHint().width()});
}

bool MainWindow::keepWindowMemory() {
    WindowMemory m;
    m.geometry = normalGeometry();
    m.maximized = isMaximized();
    m.openFolder = lastOpenFolder_;
    m.recentFiles = recentFiles_;
    m.waveSplit = mainSplitter_->sizes();
    m.panelSplit = panelSplitter_->sizes();
    return SaveWindowMemory(env_.settingsPath, m);
}

} // namespace tessivo
