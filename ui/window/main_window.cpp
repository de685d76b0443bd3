#include "ui/window/main_window.h"

#include "core/parts/part_access.h"
#include "ui/document/core_text.h"

#include "core/analysis/frame_index.h"
#include "core/analysis/peak_cache.h"
#include "core/analysis/time_base.h"
#include "core/parts/part_times.h"
#include "core/util/time_text.h"
#include "core/settings/settings_file.h"
#include "ui/output/confirm_dialog.h"
#include "ui/output/split_runner.h"
#include "ui/parts/part_list_view.h"
#include "ui/parts/split_settings_panel.h"
#include "ui/view/colour_scheme.h"
#include "ui/window/about_window.h"
#include "ui/window/autosave_controller.h"
#include "ui/window/control_panel.h"
#include "ui/window/status_controller.h"
#include "ui/window/frame_viewer.h"
#include "ui/window/help_window.h"
#include "ui/window/open_job.h"
#include "ui/window/settings_autosave.h"

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
#include <QSplitter>
#include <QScrollBar>
#include <QSlider>
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

// The waveform's tooltip while it shows samples: how a cut line gets to one.
QString SampleCutHint(bool samples, bool gapless) {
    if (!samples)
        return {};
    return gapless ? MainWindow::tr("Samples shown: a dragged or double-clicked cut line goes to "
                                    "the sample under the pointer (Gapless parts)")
                   : MainWindow::tr("Samples shown: Ctrl+drag or Ctrl+double click puts a cut "
                                    "line at the sample under the pointer");
}

constexpr int kMax = kScrollMax; // scroll bar positions 0..10000

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
    createScrollBar();

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

void MainWindow::createScrollBar() {
    scrollBar_ = new QScrollBar(Qt::Horizontal, client_);
    scrollBar_->setObjectName(QStringLiteral("scrollBar"));
    scrollBar_->setRange(0, kMax);
    scrollBar_->setPageStep(kMax);
    connect(scrollBar_, &QScrollBar::valueChanged, this, &MainWindow::onScrollBarMoved);
    // A click in the trough moves by the large change, not by a page.
    connect(scrollBar_, &QScrollBar::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderPageStepAdd)
            scrollBar_->setSliderPosition(scrollBar_->value() + scrollSteps_.largeChange);
        else if (action == QAbstractSlider::SliderPageStepSub)
            scrollBar_->setSliderPosition(scrollBar_->value() - scrollSteps_.largeChange);
    });
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
    scrollRow->addWidget(scrollBar_);
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

    style_.fontFamily = font().family();
    style_.fontSize = font().pointSize();
    applyColourScheme();

    layoutView();
    updateScrollBar();
    paintBackground();

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
// Layout and drawing

void MainWindow::layoutView() {
    geom_ = ComputeWaveGeometry(waveView_->width(), waveView_->height(), st_.ChannelCount,
                                st_.FrameCount);
    st_.WaveLeft = geom_.waveLeft;
    st_.WaveRight = geom_.waveRight;
    waveView_->waveLeft = geom_.waveLeft;
    waveView_->meterLeft = geom_.meterLeft;
    if (waveView_->waveBitmap.size() != QSize(geom_.waveBitmapWidth(), geom_.waveBitmapHeight()))
        waveView_->waveBitmap = MakeWaveBitmap(geom_);
    if (waveView_->meterBitmap.size() != QSize(geom_.meterBitmapWidth(), geom_.meterBitmapHeight()))
        waveView_->meterBitmap = MakeMeterBitmap(geom_);
}

void MainWindow::drawWaveView() {
    // The exact peaks of what is shown are computed next.
    const int64_t shown = static_cast<int64_t>(std::ceil(geom_.cols() * ZoomScale(st_.ZoomLevel)));
    openJob_->setViewRange(static_cast<uint32_t>(std::max(st_.ViewFirstFrame, 0)),
                           static_cast<uint32_t>(std::clamp<int64_t>(st_.ViewFirstFrame + shown, 0,
                                                                     int64_t{st_.FrameCount})));
    if (waveView_->waveBitmap.isNull())
        return;
    style_.samples = shownSamples();
    const QString hint = SampleCutHint(style_.samples != nullptr, st_.IsGapless);
    if (waveView_->toolTip() != hint)
        waveView_->setToolTip(hint);
    {
        QPainter p(&waveView_->waveBitmap);
        RenderWaveView(p, st_, geom_, style_);
    }
    waveView_->update(geom_.waveLeft, geom_.waveTop, waveView_->waveBitmap.width(),
                      waveView_->waveBitmap.height());
    if (stretchBand_)
        showStretch();
}

const SampleStretch* MainWindow::shownSamples() {
    const FrameMapping m(geom_, st_);
    if (!st_.FileLoaded || !m.showsSamples())
        return nullptr;
    // The frames shown, and a frame more for the last column's samples.
    const int64_t wide = static_cast<int64_t>(std::ceil(geom_.waveBitmapWidth() * m.z())) + 1;
    const auto first = static_cast<uint32_t>(std::max<int64_t>(m.f0(), 0));
    const auto end = static_cast<uint32_t>(
        std::clamp<int64_t>(int64_t{first} + wide, 0, int64_t{st_.FrameCount}));
    if (!StretchHolds(samples_, st_, first, end)) {
        // A screen to either side as well, so scrolling a little and every
        // redraw of a drag reuse them.
        const auto from = static_cast<uint32_t>(std::max<int64_t>(int64_t{first} - wide, 0));
        samples_ = DecodeFrameStretch(st_, from, static_cast<uint32_t>(int64_t{end} + wide));
    }
    return StretchHolds(samples_, st_, first, end) ? &samples_ : nullptr;
}

void MainWindow::drawLevelMeter() {
    if (waveView_->meterBitmap.isNull())
        return;
    {
        QPainter p(&waveView_->meterBitmap);
        RenderLevelMeter(p, st_, geom_, frameGeometry().height());
    }
    waveView_->update(geom_.meterLeft, geom_.waveTop, waveView_->meterBitmap.width(),
                      waveView_->meterBitmap.height());
}

void MainWindow::paintBackground() {
    waveView_->update();
}

// ---------------------------------------------------------------------------
// Zoom and scrolling

void MainWindow::onZoomInClicked() {
    if (isBusy())
        return;
    // From a fitted scale in goes to the level below the one just above it.
    st_.FitFramesPerColumn = 0.0;
    if (st_.ZoomLevel > kFinestZoomLevel) {
        --st_.ZoomLevel;
        updateScrollBar();
        drawWaveView();
    }
}

void MainWindow::onZoomOutClicked() {
    if (isBusy() || st_.FitFramesPerColumn > 0)
        return; // a fitted scale already shows the whole file
    const int64_t w = geom_.waveBitmapWidth();
    const int64_t n = st_.FrameCount;
    double z = ZoomScale(st_.ZoomLevel);
    if (st_.ZoomLevel >= 11 || RoundEven(static_cast<double>(n) / z) <= w)
        return; // the whole file already fits
    ++st_.ZoomLevel;
    z = ZoomScale(st_.ZoomLevel);
    if (RoundEven(static_cast<double>(n - st_.ViewFirstFrame) / z) < w)
        st_.ViewFirstFrame =
            static_cast<int32_t>(std::max<int64_t>(n - RoundEven(static_cast<double>(w) * z), 0));
    updateScrollBar();
    drawWaveView();
}

void MainWindow::updateScrollBar() {
    const int64_t n = st_.FrameCount == 0 ? 1 : st_.FrameCount;
    const double z = FramesPerColumn(st_);
    const int64_t cols = geom_.cols();
    const int64_t f0 = st_.ViewFirstFrame;

    int64_t page = kMax;
    if (!(static_cast<double>(n) <= z * static_cast<double>(cols) && f0 == 0))
        page = RoundEven(z * kMax * static_cast<double>(cols) / static_cast<double>(n));
    if (page <= kMax)
        scrollSteps_.pageSize = static_cast<int>(std::max<int64_t>(page, 1));
    // The view starts on a whole frame, also below one frame per column.
    const double step = std::max(z, 1.0);
    const int64_t position = RoundEven(
        step * static_cast<double>(RoundEven(static_cast<double>(kMax) * static_cast<double>(f0) /
                                             (step * static_cast<double>(n)))));
    scrollSteps_.smallChange = static_cast<int>(RoundEven(step));
    scrollSteps_.largeChange = static_cast<int>(RoundEven(10 * step));

    {
        // The last position shows the end of the file at the right edge.
        const QSignalBlocker block(scrollBar_);
        scrollBar_->setMaximum(kMax - scrollSteps_.pageSize);
        scrollBar_->setPageStep(scrollSteps_.pageSize);
        scrollBar_->setSingleStep(scrollSteps_.smallChange);
    }
    // A changed position re-derives the first frame and redraws.
    scrollBar_->setValue(static_cast<int>(std::clamp<int64_t>(position, 0, kMax)));
}

void MainWindow::onScrollBarMoved(int position) {
    const double step = std::max(FramesPerColumn(st_), 1.0);
    const int64_t fp = int64_t{st_.FrameCount} * position;
    st_.ViewFirstFrame = static_cast<int32_t>(
        RoundEven(step * static_cast<double>(RoundEven(static_cast<double>(fp) / (step * kMax)))));
    drawWaveView();
}

void MainWindow::autoZoomIn() {
    const double z = ZoomScale(st_.ZoomLevel);
    if (isBusy() || st_.ZoomLevel <= 1 || st_.FitFramesPerColumn > 0 ||
        !(st_.FrameCount < 0.5 * z * geom_.cols()))
        return;
    --st_.ZoomLevel;
    layoutView();
    updateScrollBar();
    paintBackground();
    drawWaveView();
}

void MainWindow::onWavePainted() {
    // The check runs at the end of every paint; the zoom itself is posted so
    // it does not redraw from inside the paint.
    if (autoZoomPending_ || isBusy() || st_.ZoomLevel <= 1 || st_.FitFramesPerColumn > 0)
        return;
    if (!(st_.FrameCount < 0.5 * ZoomScale(st_.ZoomLevel) * geom_.cols()))
        return;
    autoZoomPending_ = true;
    QTimer::singleShot(0, this, [this] {
        autoZoomPending_ = false;
        autoZoomIn();
    });
}

// ---------------------------------------------------------------------------
// Resizes and timers

void MainWindow::onWaveResized() {
    if (!layoutReady_)
        return;
    overlays_->hideCursor(); // back at the next tick that finds playback active
    layoutView();
    if (st_.FitFramesPerColumn > 0)
        st_.FitFramesPerColumn = FitScale(st_.FrameCount, geom_.cols());
    updateScrollBar();
    paintBackground();
    drawWaveView();
    drawLevelMeter();
}

void MainWindow::onPlaybackTick() {
    if (isBusy())
        return;
    const PlaybackValues before = static_cast<const PlaybackValues&>(st_);
    stopAtStretchEnd();
    followPlayback();
    placePositionLine();
    // The status word tells what the player does: it follows every change.
    if (before.IsPlaying != st_.IsPlaying || before.ClickFrame != st_.ClickFrame ||
        before.PlayingPart != st_.PlayingPart)
        status_->refresh();
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
         {static_cast<QWidget*>(scrollBar_), static_cast<QWidget*>(panels_.splitFrame),
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
        ActiveScheme().isDark() != style_.colours.isDark())
        applyColourScheme();
    QMainWindow::changeEvent(e);
}

} // namespace tessivo
