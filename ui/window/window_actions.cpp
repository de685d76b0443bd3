#include "ui/window/window_actions.h"

#include "ui/common/dialog_placement.h"
#include "ui/output/batch_split_dialog.h"
#include "ui/output/confirm_dialog.h"
#include "ui/output/join_dialog.h"
#include "ui/parts/part_list_view.h"
#include "ui/view/colour_scheme.h"
#include "ui/view/playback_cursor_overlay.h"
#include "ui/view/wave_renderer.h"
#include "ui/window/about_window.h"
#include "ui/window/cut_list_commands.h"
#include "ui/window/cut_review.h"
#include "ui/window/edit_commands.h"
#include "ui/window/frame_viewer.h"
#include "ui/window/help_window.h"
#include "ui/window/main_window.h"
#include "ui/window/mute_commands.h"
#include "ui/window/track_list_commands.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace tessivo {

QList<QPair<QString, QString>> KeyboardShortcutList() {
    return {
        {WindowActions::tr("Ctrl+O (letter O)"), WindowActions::tr("Open a file")},
        {WindowActions::tr("Ctrl+S"), WindowActions::tr("Split the ticked parts")},
        {WindowActions::tr("Ctrl+Z"), WindowActions::tr("Undo")},
        {WindowActions::tr("Ctrl+Shift+Z, Ctrl+Y"), WindowActions::tr("Redo")},
        {WindowActions::tr("Ctrl+T"), WindowActions::tr("Add a cut line at a typed time")},
        {WindowActions::tr("M, Insert"), WindowActions::tr("Add a cut line at the play cursor")},
        {WindowActions::tr("Delete"), WindowActions::tr("Delete the selected part's cut line")},
        {WindowActions::tr("Space"), WindowActions::tr("Play or stop")},
        {WindowActions::tr("C"),
         WindowActions::tr("Play around cut: 2 s either side of the selected cut line")},
        {WindowActions::tr("Shift+drag"),
         WindowActions::tr("Select a stretch of the waveform; Play plays it")},
        {WindowActions::tr("X"),
         WindowActions::tr("Cut out the selected stretch: cut lines at its edges, the part "
                           "between them unticked")},
        {WindowActions::tr("Ctrl+Shift+S"), WindowActions::tr("Save the ticked parts as one file")},
        {WindowActions::tr("U"), WindowActions::tr("Mute the selected stretch in what is written")},
        {WindowActions::tr("."),
         WindowActions::tr("Next cut: select the next cut line and centre it")},
        {WindowActions::tr(","),
         WindowActions::tr("Previous cut: select the cut line before and centre it")},
        {WindowActions::tr("Ctrl+drag, Ctrl+double click"),
         WindowActions::tr("Zoomed in to the samples: a cut line at the sample under the pointer")},
        {WindowActions::tr("Left, Right"),
         WindowActions::tr("Play cursor one second back or on; the cut under review a tenth of a "
                           "second")},
        {WindowActions::tr("Shift+Left, Shift+Right"),
         WindowActions::tr("Play cursor or the cut under review one frame back or on")},
        {WindowActions::tr("Home, End"), WindowActions::tr("Play cursor to the start or the end")},
        {WindowActions::tr("+, -"), WindowActions::tr("Zoom in or out")},
        {WindowActions::tr("Ctrl++, Ctrl+-"), WindowActions::tr("Zoom in, Zoom out")},
        {WindowActions::tr("Ctrl+0 (zero)"), WindowActions::tr("Zoom to fit")},
        {WindowActions::tr("Wheel, Ctrl+Wheel"), WindowActions::tr("Scroll, zoom the waveform")},
        {WindowActions::tr("F1"), WindowActions::tr("Help contents")},
    };
}

WindowActions::WindowActions(MainWindow& window) : QObject(&window), window_(window) {
    frameViewer_ = new FrameViewerWindow(window.state(), &window);
    frameViewer_->setObjectName(QStringLiteral("frameViewer"));
    aboutWindow_ = new AboutWindow(&window);
    aboutWindow_->setObjectName(QStringLiteral("aboutWindow"));
}

void WindowActions::createMenus() {
    createFileMenu();
    createEditMenu();
    createViewMenu();
    createHelpMenu();
}

void WindowActions::createFileMenu() {
    MainWindow& w = window_;
    fileMenu_ = w.menuBar()->addMenu(tr("File"));
    actions_.open = fileMenu_->addAction(tr("Open..."), &w, &MainWindow::onOpenTriggered);
    actions_.open->setObjectName(QStringLiteral("openAction"));
    actions_.open->setShortcut(QKeySequence::Open);
    recentMenu_ = fileMenu_->addMenu(tr("Open Recent"));
    recentMenu_->setObjectName(QStringLiteral("recentMenu"));
    showRecentFiles();
    actions_.split = fileMenu_->addAction(tr("Split..."), &w, &MainWindow::onSplitTriggered);
    actions_.split->setObjectName(QStringLiteral("splitAction"));
    QAction* oneFile = fileMenu_->addAction(tr("Save as one file..."), this, [&w] {
        if (!w.isBusy() && w.state().FileLoaded)
            w.confirmDialog()->openForOneFile();
    });
    oneFile->setObjectName(QStringLiteral("saveAsOneFileAction"));
    oneFile->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    fileMenu_->addAction(tr("Batch split..."), this, [this] { openBatchSplit({}); })
        ->setObjectName(QStringLiteral("batchSplitAction"));
    fileMenu_->addAction(tr("Join files..."), this, &WindowActions::openJoinFiles)
        ->setObjectName(QStringLiteral("joinFilesAction"));
    addCutListActions(fileMenu_);
    actions_.viewer = fileMenu_->addAction(tr("Show Viewer"), this, &WindowActions::showViewer);
    actions_.viewer->setObjectName(QStringLiteral("viewerAction"));
    actions_.viewer->setVisible(false);
    fileMenu_->addSeparator();
    fileMenu_->addAction(tr("Explorer"), this, &WindowActions::showOutputFolder);
    fileMenu_->addSeparator();
    fileMenu_->addAction(tr("Exit"), &w, &MainWindow::onExitTriggered);
}

void WindowActions::addCutListActions(QMenu* fileMenu) {
    QAction* importAction = fileMenu->addAction(tr("Import cut list..."));
    importAction->setObjectName(QStringLiteral("importCutListAction"));
    connect(importAction, &QAction::triggered, this, [this] {
        if (!window_.isBusy())
            window_.cutListCommands()->importCutList();
    });
    QAction* exportAction = fileMenu->addAction(tr("Export cut list..."));
    exportAction->setObjectName(QStringLiteral("exportCutListAction"));
    connect(exportAction, &QAction::triggered, this, [this] {
        if (!window_.isBusy())
            window_.cutListCommands()->exportCutList();
    });
}

void WindowActions::createEditMenu() {
    editMenu_ = window_.menuBar()->addMenu(tr("Edit"));
    QUndoStack* stack = window_.editHistory()->stack();
    actions_.undo = stack->createUndoAction(&window_, tr("Undo"));
    actions_.undo->setObjectName(QStringLiteral("undoAction"));
    actions_.undo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z)});
    actions_.redo = stack->createRedoAction(&window_, tr("Redo"));
    actions_.redo->setObjectName(QStringLiteral("redoAction"));
    actions_.redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    editMenu_->addAction(actions_.undo);
    editMenu_->addAction(actions_.redo);
    editMenu_->addSeparator();
    QAction* addCutAt =
        editMenu_->addAction(tr("Add cut at\u2026"), this, [this] { window_.edits()->addCutAt(); });
    addCutAt->setObjectName(QStringLiteral("addCutAtAction"));
    addCutAt->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    QAction* around = editMenu_->addAction(tr("Play around cut"), this,
                                           [this] { window_.playback()->playAroundCut(); });
    around->setObjectName(QStringLiteral("playAroundCutAction"));
    around->setShortcut(QKeySequence(Qt::Key_C));
    QAction* cutOut =
        editMenu_->addAction(tr("Cut out selection"), this, [this] { window_.edits()->cutOut(); });
    cutOut->setObjectName(QStringLiteral("cutOutAction"));
    cutOut->setShortcut(QKeySequence(Qt::Key_X));
}

void WindowActions::createViewMenu() {
    MainWindow& w = window_;
    QMenu* viewMenu = w.menuBar()->addMenu(tr("View"));
    QAction* fit = viewMenu->addAction(tr("Zoom to fit"), &w, &MainWindow::onZoomToFitTriggered);
    fit->setObjectName(QStringLiteral("zoomToFitAction"));
    fit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    QAction* in = viewMenu->addAction(tr("Zoom in"), &w, &MainWindow::onZoomInClicked);
    in->setObjectName(QStringLiteral("zoomInAction"));
    in->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    QAction* out = viewMenu->addAction(tr("Zoom out"), &w, &MainWindow::onZoomOutClicked);
    out->setObjectName(QStringLiteral("zoomOutAction"));
    out->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    viewMenu->addSeparator();
    addColourActions(viewMenu);
}

void WindowActions::createHelpMenu() {
    QMenu* helpMenu = window_.menuBar()->addMenu(tr("Help"));
    QAction* contents =
        helpMenu->addAction(tr("Help Contents"), this, &WindowActions::showHelpContents);
    contents->setShortcut(QKeySequence(Qt::Key_F1));
    QAction* keys =
        helpMenu->addAction(tr("Keyboard shortcuts"), this, &WindowActions::showKeyboardShortcuts);
    keys->setObjectName(QStringLiteral("keyboardShortcutsAction"));
    helpMenu->addSeparator();
    helpMenu->addAction(tr("About..."), this, &WindowActions::showAbout);
}

void WindowActions::createCommandObjects() {
    mutes_ = new MuteCommands(window_, editMenu_);
    editMenu_->addSeparator();
    review_ = new CutReview(window_, window_.documentSignals(), editMenu_);

    // After Import and Export cut list in the File menu.
    trackLists_ = new TrackListCommands(window_.document(), window_.dialogs(), &window_);
    auto* import = new QAction(tr("Import track list..."), &window_);
    import->setObjectName(QStringLiteral("importTrackListAction"));
    fileMenu_->insertAction(actions_.viewer, import);
    connect(import, &QAction::triggered, this, [this] {
        if (!window_.isBusy())
            trackLists_->importTrackList();
    });
}

void WindowActions::createShortcuts() {
    // Space plays or stops (on a selected row of the part list it ticks or
    // unticks that part), Ctrl+S splits, + and - zoom.
    MainWindow& w = window_;
    actions_.split->setShortcut(QKeySequence::Save);
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), &w);
    connect(space, &QShortcut::activated, this, [&w] {
        if (w.edits()->toggleSelectedTick())
            return;
        if (w.state().IsPlaying)
            w.onStopClicked();
        else
            w.onPlayClicked();
    });
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal),
                                    QKeySequence(Qt::KeypadModifier | Qt::Key_Plus)})
        connect(new QShortcut(key, &w), &QShortcut::activated, &w, &MainWindow::onZoomInClicked);
    for (const QKeySequence& key :
         {QKeySequence(Qt::Key_Minus), QKeySequence(Qt::KeypadModifier | Qt::Key_Minus)})
        connect(new QShortcut(key, &w), &QShortcut::activated, &w, &MainWindow::onZoomOutClicked);
}

void WindowActions::setEnabled(bool on) {
    for (QAction* a : {actions_.open, actions_.split, actions_.viewer})
        a->setEnabled(on);
    // The history's actions follow the stack again once commands are back.
    const QUndoStack* stack = window_.editHistory()->stack();
    actions_.undo->setEnabled(on && stack->canUndo());
    actions_.redo->setEnabled(on && stack->canRedo());
}

void WindowActions::showViewerAction() {
    actions_.viewer->setVisible(true);
}

void WindowActions::showRecentFiles() {
    recentMenu_->clear();
    const QStringList& recent = window_.opener()->recentFiles();
    for (const QString& path : recent) {
        QAction* a = recentMenu_->addAction(QFileInfo(path).fileName());
        a->setObjectName(QStringLiteral("recentFileAction"));
        a->setToolTip(path);
        a->setData(path);
        connect(a, &QAction::triggered, this, [this, path] { window_.openFilePath(path); });
    }
    recentMenu_->setEnabled(!recent.isEmpty());
}

// ---------------------------------------------------------------------------
// View > Colours: the window follows the desktop's palette, or keeps the
// light or the dark scheme, and repaints whenever the choice or the palette
// changes.

void WindowActions::addColourActions(QMenu* viewMenu) {
    QMenu* colours = viewMenu->addMenu(tr("Colours"));
    colourGroup_ = new QActionGroup(colours);
    colourGroup_->setObjectName(QStringLiteral("coloursGroup"));
    const struct {
        ColourChoice choice;
        const char* text;
        const char* name;
    } entries[] = {{ColourChoice::FollowDesktop,
                    QT_TRANSLATE_NOOP("tessivo::WindowActions", "Follow the desktop"),
                    "coloursDesktopAction"},
                   {ColourChoice::Light, QT_TRANSLATE_NOOP("tessivo::WindowActions", "Light"),
                    "coloursLightAction"},
                   {ColourChoice::Dark, QT_TRANSLATE_NOOP("tessivo::WindowActions", "Dark"),
                    "coloursDarkAction"}};
    for (const auto& e : entries) {
        QAction* a = colours->addAction(tr(e.text));
        a->setObjectName(QString::fromLatin1(e.name));
        a->setCheckable(true);
        a->setData(static_cast<int>(e.choice));
        colourGroup_->addAction(a);
        const ColourChoice choice = e.choice;
        connect(a, &QAction::triggered, this, [this, choice] { chooseColours(choice); });
    }
}

void WindowActions::chooseColours(ColourChoice choice) {
    if (window_.state().Colours == choice)
        return;
    window_.document().SetColours(choice); // the settings are written as they change
    applyColourScheme();
}

void WindowActions::applyColourScheme() {
    const ColourChoice choice = window_.state().Colours;
    SetColourChoice(choice);
    for (QAction* a : colourGroup_->actions())
        a->setChecked(a->data().toInt() == static_cast<int>(choice));
    const ColourScheme cs = ActiveScheme();
    ViewController* view = window_.view();
    ApplySchemeToChildren(&window_);
    window_.playback()->overlays()->setScheme(cs);
    view->setColours(cs, MarkImagesFor(cs));
}

// ---------------------------------------------------------------------------
// The windows the menus open

void WindowActions::showKeyboardShortcuts() {
    if (!shortcutsWindow_) {
        shortcutsWindow_ = new QDialog(&window_);
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

void WindowActions::showHelpContents() {
    const QString& helpPage = window_.environment().helpPage;
    const QString page = helpPage.isEmpty() ? FindHelpPage() : helpPage;
    ShowHelpPage(&window_, window_.dialogs(), page);
}

void WindowActions::showAbout() {
    aboutWindow_->exec();
}

void WindowActions::setAudioLibraries(const QString& text) {
    aboutWindow_->setAudioLibraries(text);
}

void WindowActions::showViewer() {
    if (window_.isBusy() || !window_.viewerEnabled())
        return;
    CentreOnParent(frameViewer_);
    frameViewer_->exec();
}

// File > Batch split... and Join files...: dialogs beside the window. They
// open files of their own on their workers; the open file and its document
// stay as they are.
void WindowActions::openBatchSplit(const QStringList& files) {
    if (!batchSplit_) {
        const std::string& out = window_.state().OutputFolder;
        const QString folder =
            out.empty() ? window_.environment().musicFolder : QString::fromStdString(out);
        batchSplit_ = new BatchSplitDialog(window_.dialogs(), folder, &window_);
    }
    batchSplit_->addPaths(files);
    if (!batchSplit_->isVisible())
        CentreOnParent(batchSplit_);
    batchSplit_->show();
    batchSplit_->raise();
    batchSplit_->activateWindow();
}

void WindowActions::openJoinFiles() {
    if (!joinFiles_) {
        const std::string& out = window_.state().OutputFolder;
        const QString folder =
            out.empty() ? window_.environment().musicFolder : QString::fromStdString(out);
        joinFiles_ = new JoinDialog(window_.dialogs(), folder, &window_);
    }
    if (!joinFiles_->isVisible())
        CentreOnParent(joinFiles_);
    joinFiles_->show();
    joinFiles_->raise();
    joinFiles_->activateWindow();
}

void WindowActions::showOutputFolder() {
    openFolder(QString::fromStdString(window_.state().OutputFolder));
}

void WindowActions::openFolder(const QString& folder) {
    if (!window_.dialogs().openLocalPath(folder))
        window_.dialogs().showMessage(&window_, tr("No file manager could be started to show %1.")
                                                    .arg(QDir::toNativeSeparators(folder)));
}

} // namespace tessivo
