#include "ui/window/main_window.h"

#include "core/parts/part_access.h"
#include "ui/common/dialog_placement.h"
#include "ui/document/core_text.h"

#include "core/analysis/frame_index.h"
#include "core/analysis/peak_cache.h"
#include "core/analysis/time_base.h"
#include "core/parts/part_times.h"
#include "core/settings/settings_file.h"
#include "core/util/time_text.h"
#include "ui/output/confirm_dialog.h"
#include "ui/output/split_runner.h"
#include "ui/parts/part_list_view.h"
#include "ui/parts/split_settings_panel.h"
#include "ui/view/colour_scheme.h"
#include "ui/view/view_controller.h"
#include "ui/window/about_window.h"
#include "ui/window/autosave_controller.h"
#include "ui/window/control_panel.h"
#include "ui/window/frame_viewer.h"
#include "ui/window/help_window.h"
#include "ui/window/open_job.h"
#include "ui/window/settings_autosave.h"
#include "ui/window/status_controller.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QScrollBar>
#include <QSlider>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <functional>

namespace tessivo {

namespace {

void SetBackground(QWidget* w, const QColor& c) {
    SetSchemeBackground(w, c);
}

QFrame* MakeFrame(QWidget* parent, const QString& name) {
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    return f;
}

} // namespace

QString DefaultSettingsPath() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(dir);
    return dir + QStringLiteral("/tessivo.ini");
}

QString DefaultMusicFolder() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (dir.isEmpty())
        return {};
    if (!QDir().mkpath(dir))
        return {};
    return dir;
}

QString FindHelpPage() {
    const QString app = QCoreApplication::applicationDirPath();
    const QStringList candidates = {
        app + QStringLiteral("/tessivo.html"),
        app + QStringLiteral("/../share/tessivo/tessivo.html"),
#ifdef TESSIVO_SOURCE_DIR
        QStringLiteral(TESSIVO_SOURCE_DIR "/app/help/tessivo.html"),
#endif
    };
    for (const QString& c : candidates)
        if (QFileInfo::exists(c))
            return QFileInfo(c).canonicalFilePath();
    return {};
}

MainWindow::MainWindow(ProgramState& st, AudioEngine& engine, UserDialogs& dialogs,
                       WindowEnvironment env, QWidget* parent)
    : QMainWindow(parent), st_(st), engine_(engine), dialogs_(dialogs), env_(std::move(env)) {
    setWindowTitle(QStringLiteral("Tessivo"));
    // The desktop's own font at its own size: the panels' layouts make room.
    setMinimumSize(800, 600);
    resize(800, 600);
    setAcceptDrops(true);
    createOpenJob();

    client_ = new QWidget(this);
    createClientArea();
    connectControlPanel();
    createMenus();
    createEditingControls();
    status_->follow(*docSignals_, *openJob_, *panels_.confirmDialog->splitRunner());

    panels_.frameViewer = new FrameViewerWindow(st_, this);
    panels_.frameViewer->setObjectName(QStringLiteral("frameViewer"));
    panels_.aboutWindow = new AboutWindow(this);
    panels_.aboutWindow->setObjectName(QStringLiteral("aboutWindow"));

    initialise();
    createAutosave();
    // From now on every change of the wave view's size lays it out again.
    layoutReady_ = true;
    createTimers();
}

MainWindow::~MainWindow() {
    // Destruction: a split being written finishes first (its files are the
    // user's); no open and no peak computation may outlive the window, then
    // the stream and the audio output go.
    panels_.confirmDialog->splitRunner()->wait();
    openJob_->cancel();
    engine_.Stop(st_.PlayStream);
    engine_.FreeStream(st_.PlayStream);
    st_.PlayStream = 0;
    engine_.Shutdown();
}

void MainWindow::createClientArea() {
    client_->setObjectName(QStringLiteral("client"));
    SetBackground(client_, BackColor);
    setCentralWidget(client_);

    waveView_ = new WaveView(client_);
    waveView_->setObjectName(QStringLiteral("waveView"));
    waveView_->setHandler(this);
    overlays_ = std::make_unique<PlaybackOverlays>(waveView_);
    createView();

    controls_ = new ControlPanel(client_);
    panels_.splitFrame = MakeFrame(client_, QStringLiteral("splitFrame"));
    panels_.partListFrame = MakeFrame(client_, QStringLiteral("partListFrame"));
    panels_.tagFrame = MakeFrame(client_, QStringLiteral("tagFrame"));
    for (QFrame* f : {panels_.splitFrame, panels_.partListFrame, panels_.tagFrame})
        f->setFrameShape(QFrame::StyledPanel);
    status_ = new StatusController(doc_, *controls_, *this, [this] { return isBusy(); });
    connect(status_, &StatusController::openFolderRequested, this, &MainWindow::openFolder);
    createSplitters();
}

void MainWindow::createView() {
    ViewHooks hooks;
    hooks.busy = [this] { return isBusy(); };
    hooks.framesShown = [this](uint32_t first, uint32_t last) {
        openJob_->setViewRange(first, last);
    };
    hooks.windowHeight = [this] { return frameGeometry().height(); };
    view_ = new ViewController(st_, *waveView_, std::move(hooks), this);
    // The play cursor's line follows the view.
    connect(view_, &ViewController::viewChanged, this, &MainWindow::placePositionLine);
}

void MainWindow::createSplitters() {
    // Above: the waveform, its scroll bar and the control panel. Below: the
    // split settings, the part list and the tag panel side by side. Both
    // dividers can be dragged; their places are kept with the window's.
    auto* waveArea = new QWidget(client_);
    auto* column = new QVBoxLayout(waveArea);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(waveView_, 1);
    auto* scrollRow = new QHBoxLayout;
    scrollRow->setContentsMargins(5, 0, 40, 2);
    scrollRow->addWidget(view_->scrollBar());
    column->addLayout(scrollRow);
    column->addWidget(controls_);

    panelSplitter_ = new QSplitter(Qt::Horizontal, client_);
    panelSplitter_->setObjectName(QStringLiteral("panelSplitter"));
    for (QFrame* f : {panels_.splitFrame, panels_.partListFrame, panels_.tagFrame})
        panelSplitter_->addWidget(f);
    panelSplitter_->setStretchFactor(1, 1);
    for (int i = 0; i < 3; ++i)
        panelSplitter_->setCollapsible(i, false);

    mainSplitter_ = new QSplitter(Qt::Vertical, client_);
    mainSplitter_->setObjectName(QStringLiteral("mainSplitter"));
    mainSplitter_->addWidget(waveArea);
    mainSplitter_->addWidget(panelSplitter_);
    mainSplitter_->setStretchFactor(0, 1);
    mainSplitter_->setCollapsible(0, false);
    mainSplitter_->setCollapsible(1, false);
    auto* box = new QVBoxLayout(client_);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(mainSplitter_);
}

void MainWindow::connectControlPanel() {
    connect(controls_->playButton, &QToolButton::clicked, this, &MainWindow::onPlayClicked);
    connect(controls_->stopButton, &QToolButton::clicked, this, &MainWindow::onStopClicked);
    connect(controls_->splitButton, &QToolButton::clicked, this, &MainWindow::onSplitTriggered);
    connect(controls_->zoomInButton, &QToolButton::clicked, this, &MainWindow::onZoomInClicked);
    connect(controls_->zoomOutButton, &QToolButton::clicked, this, &MainWindow::onZoomOutClicked);
    connect(controls_->volumeSlider, &QSlider::valueChanged, this, &MainWindow::onVolumeChanged);
    connect(controls_->rateSlider, &QSlider::valueChanged, this, &MainWindow::onRateChanged);
    connect(controls_, &ControlPanel::statusClicked, this, &MainWindow::onStatusClicked);
}

void MainWindow::createTimers() {
    auto* playbackTimer = new QTimer(this);
    playbackTimer->setObjectName(QStringLiteral("playbackTimer"));
    playbackTimer->setInterval(33);
    connect(playbackTimer, &QTimer::timeout, this, &MainWindow::onPlaybackTick);
    playbackTimer->start();
}

void MainWindow::createOpenJob() {
    PeakWorkSettings peakWork;
    peakWork.cacheFolder = env_.peakCacheFolder.isEmpty() ? DefaultPeakCacheFolder()
                                                          : env_.peakCacheFolder.toStdString();
    peakWork.threads = env_.peakThreads;
    if (env_.peakChunkFrames > 0)
        peakWork.chunkFrames = env_.peakChunkFrames;
    openJob_ = std::make_unique<OpenJob>(doc_, st_.ProgressPercent, std::move(peakWork));
    connect(openJob_.get(), &OpenJob::opened, this, &MainWindow::onFileOpened);
    connect(openJob_.get(), &OpenJob::peaksFinished, this, &MainWindow::onPeaksFinished);
}

bool MainWindow::isBusy() const {
    return openJob_->busy() || panels_.confirmDialog->splitRunner()->isRunning();
}

void MainWindow::createMenus() {
    QMenu* fileMenu = menuBar()->addMenu(tr("File"));
    actions_.open = fileMenu->addAction(tr("Open..."), this, &MainWindow::onOpenTriggered);
    actions_.open->setObjectName(QStringLiteral("openAction"));
    actions_.open->setShortcut(QKeySequence::Open);
    createRecentMenu(fileMenu);
    actions_.split = fileMenu->addAction(tr("Split..."), this, &MainWindow::onSplitTriggered);
    actions_.split->setObjectName(QStringLiteral("splitAction"));
    QAction* oneFile =
        fileMenu->addAction(tr("Save as one file..."), this, &MainWindow::onSaveAsOneFileTriggered);
    oneFile->setObjectName(QStringLiteral("saveAsOneFileAction"));
    oneFile->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    fileMenu->addAction(tr("Batch split..."), this, &MainWindow::onBatchSplitTriggered)
        ->setObjectName(QStringLiteral("batchSplitAction"));
    fileMenu->addAction(tr("Join files..."), this, &MainWindow::onJoinFilesTriggered)
        ->setObjectName(QStringLiteral("joinFilesAction"));
    addCutListActions(fileMenu);
    actions_.viewer = fileMenu->addAction(tr("Show Viewer"), this, &MainWindow::onViewerTriggered);
    actions_.viewer->setObjectName(QStringLiteral("viewerAction"));
    actions_.viewer->setVisible(false);
    fileMenu->addSeparator();
    fileMenu->addAction(tr("Explorer"), this, &MainWindow::onExplorerTriggered);
    fileMenu->addSeparator();
    fileMenu->addAction(tr("Exit"), this, &MainWindow::onExitTriggered);

    createEditMenu();
    createViewMenu();

    QMenu* helpMenu = menuBar()->addMenu(tr("Help"));
    QAction* contents =
        helpMenu->addAction(tr("Help Contents"), this, &MainWindow::onHelpContentsTriggered);
    contents->setShortcut(QKeySequence(Qt::Key_F1));
    addHelpActions(helpMenu);
    helpMenu->addSeparator();
    helpMenu->addAction(tr("About..."), this, &MainWindow::onAboutTriggered);
}

void MainWindow::initialise() {
    engine_.Init(); // a failure shows later, when playing is refused
    st_.ZoomLevel = 1;
    st_.FrameDuration = 0.02612;

    for (QWidget* w :
         {static_cast<QWidget*>(controls_), static_cast<QWidget*>(panels_.splitFrame),
          static_cast<QWidget*>(panels_.tagFrame), static_cast<QWidget*>(panels_.partList),
          static_cast<QWidget*>(panels_.partListFrame)})
        SetBackground(w, BackColor);

    loadWindowSettings();

    const QString chkFolder =
        env_.diagnosticFolder.isEmpty() ? QDir::currentPath() : env_.diagnosticFolder;
    if (QFileInfo::exists(chkFolder + QStringLiteral("/test.chk"))) {
        actions_.viewer->setVisible(true);
        viewerEnabled_ = true;
    }
    st_.ViewerEnabled = viewerEnabled_;

    view_->style().fontFamily = font().family();
    view_->style().fontSize = font().pointSize();
    applyColourScheme();

    view_->layout();
    updateScrollBar();
    waveView_->update();

    if (st_.OutputFolder.empty()) {
        const QString music = env_.musicFolder.isEmpty() ? DefaultMusicFolder() : env_.musicFolder;
        if (!music.isEmpty())
            QDir().mkpath(music);
        doc_.SetOutputFolder(music.toStdString());
    }
}

void MainWindow::loadWindowSettings() {
    SplitLoudness loudness;
    LoadSettings(st_, env_.settingsPath.toStdString(), &loudness);
    doc_.SetReplayGain(loudness.replayGain);
    restoreWindowMemory();
    const QSignalBlocker block(controls_->volumeSlider);
    controls_->volumeSlider->setValue(st_.Volume);
    panels_.splitSettings->showSilenceSettings();
}

bool MainWindow::saveWindowSettings() {
    const QString error = writeSettingsFile();
    if (!error.isEmpty())
        dialogs_.showError(this, error);
    return error.isEmpty();
}

// ---------------------------------------------------------------------------
// Timers

void MainWindow::onPlaybackTick() {
    if (isBusy())
        return;
    stopAtStretchEnd();
    followPlayback();
    placePositionLine();
    // The status word tells what the player does: it follows every change.
    const PlaybackValues& now = st_;
    if (shownPlayback_.IsPlaying != now.IsPlaying || shownPlayback_.ClickFrame != now.ClickFrame ||
        shownPlayback_.PlayingPart != now.PlayingPart) {
        shownPlayback_ = now;
        status_->refresh();
    }
}

// ---------------------------------------------------------------------------
// Commands

void MainWindow::setCommandsEnabled(bool on) {
    for (QAction* a : {actions_.open, actions_.split, actions_.viewer})
        a->setEnabled(on);
    // The history's actions follow the stack again once commands are back.
    actions_.undo->setEnabled(on && history_->stack()->canUndo());
    actions_.redo->setEnabled(on && history_->stack()->canRedo());
    controls_->setControlsEnabled(on);
    for (QWidget* w :
         {static_cast<QWidget*>(view_->scrollBar()), static_cast<QWidget*>(panels_.splitFrame),
          static_cast<QWidget*>(panels_.partListFrame), static_cast<QWidget*>(panels_.tagFrame)})
        w->setEnabled(on);
}

void MainWindow::onSplitTriggered() {
    if (isBusy())
        return;
    panels_.confirmDialog->openIfPartsPrepared();
}

void MainWindow::onViewerTriggered() {
    if (isBusy() || !viewerEnabled_)
        return;
    CentreOnParent(panels_.frameViewer);
    panels_.frameViewer->exec();
}

void MainWindow::onExplorerTriggered() {
    openFolder(QString::fromStdString(st_.OutputFolder));
}

void MainWindow::openFolder(const QString& folder) {
    if (!dialogs_.openLocalPath(folder))
        dialogs_.showMessage(this, tr("No file manager could be started to show %1.")
                                       .arg(QDir::toNativeSeparators(folder)));
}

void MainWindow::onExitTriggered() {
    close();
}

void MainWindow::onHelpContentsTriggered() {
    const QString page = env_.helpPage.isEmpty() ? FindHelpPage() : env_.helpPage;
    ShowHelpPage(this, dialogs_, page);
}

void MainWindow::setAudioLibraries(const QString& text) {
    panels_.aboutWindow->setAudioLibraries(text);
}

void MainWindow::onAboutTriggered() {
    panels_.aboutWindow->exec();
}

void MainWindow::onStatusClicked() {
    if (!st_.FileLoaded && !isBusy())
        onOpenTriggered();
}

void MainWindow::closeEvent(QCloseEvent* e) {
    // A split being written finishes first: its files are the user's, and
    // the parts it wrote no longer count as unsplit edits.
    panels_.confirmDialog->splitRunner()->wait();
    if (!mayDiscardEdits()) {
        e->ignore();
        return;
    }
    // An open or the exact peaks stop at once.
    openJob_->cancel();
    autosave_->discard();
    // The window closes even when the settings could not be written: the
    // user has seen the error, and keeping the window open would not help.
    saveWindowSettings();
    e->accept();
}

void MainWindow::changeEvent(QEvent* e) {
    if (e->type() == QEvent::WindowStateChange && !(windowState() & Qt::WindowMinimized))
        drawWaveView();
    // A desktop that turns dark or light takes the window along.
    const bool palette =
        e->type() == QEvent::ApplicationPaletteChange || e->type() == QEvent::PaletteChange;
    if (palette && st_.Colours == ColourChoice::FollowDesktop &&
        ActiveScheme().isDark() != view_->style().colours.isDark())
        applyColourScheme();
    QMainWindow::changeEvent(e);
}

} // namespace tessivo
