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

// The sunken, light panels of the status word and the clock.
QFrame* MakeDisplayFrame(QWidget* parent) {
    auto* f = new QFrame(parent);
    f->setFrameShape(QFrame::Panel);
    f->setFrameShadow(QFrame::Sunken);
    SetBackground(f, QColor(245, 240, 230));
    return f;
}

// The large bold type of the status word and the clock, in the desktop's font.
QFont DisplayFont(int pixelSize) {
    QFont f = QApplication::font();
    f.setPixelSize(pixelSize);
    f.setBold(true);
    return f;
}

// `font` made smaller, when needed, until `widest` fits in `width` pixels:
// the clock's frame keeps its size whatever the desktop's font is.
QFont FittedFont(QFont font, const QString& widest, int width) {
    while (font.pixelSize() > 8 && QFontMetrics(font).horizontalAdvance(widest) > width)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

// A button at least `w` pixels wide, wider when its text needs it.
QToolButton* MakeButton(QWidget* parent, const QString& text, const QString& hint, int w) {
    auto* b = new QToolButton(parent);
    b->setText(text);
    b->setToolTip(hint);
    b->setMinimumSize(w, 27);
    b->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    b->setAutoRaise(false);
    return b;
}

// The longest texts of the status word: its font is made to fit them.
QString LongestStatusWord() {
    return PeaksWaitingText(100.0);
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
    createControlPanel();
    createMenus();
    createEditingControls();

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

    controls_.panel = MakeFrame(client_, QStringLiteral("controlPanel"));
    panels_.splitFrame = MakeFrame(client_, QStringLiteral("splitFrame"));
    panels_.partListFrame = MakeFrame(client_, QStringLiteral("partListFrame"));
    panels_.tagFrame = MakeFrame(client_, QStringLiteral("tagFrame"));
    for (QFrame* f : {panels_.splitFrame, panels_.partListFrame, panels_.tagFrame})
        f->setFrameShape(QFrame::StyledPanel);
    createStatusBar();
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

void MainWindow::createStatusBar() {
    statusParts_.bar = new QStatusBar(this);
    statusParts_.bar->setObjectName(QStringLiteral("statusBar"));
    statusParts_.bar->setSizeGripEnabled(false);
    setStatusBar(statusParts_.bar);
    statusParts_.streamInfo = new QLabel(statusParts_.bar);
    statusParts_.streamInfo->setObjectName(QStringLiteral("streamInfoLabel"));
    statusParts_.streamInfo->setFrameShape(QFrame::Panel);
    statusParts_.streamInfo->setFrameShadow(QFrame::Sunken);
    statusParts_.streamInfo->setMinimumWidth(200);
    // After a split: how many files went where, and a link that opens the folder.
    statusParts_.splitDone = new QLabel(statusParts_.bar);
    statusParts_.splitDone->setObjectName(QStringLiteral("splitDoneLabel"));
    statusParts_.splitDone->setTextFormat(Qt::RichText);
    connect(statusParts_.splitDone, &QLabel::linkActivated, this,
            [this](const QString& folder) { openFolder(folder); });
    statusParts_.splitDone->hide();
    statusParts_.progress = new QProgressBar(statusParts_.bar);
    statusParts_.progress->setObjectName(QStringLiteral("progressBar"));
    statusParts_.progress->setRange(0, 100);
    statusParts_.progress->setValue(0);
    statusParts_.progress->setTextVisible(false);
    statusParts_.progress->hide();
    statusParts_.bar->addWidget(statusParts_.streamInfo, 1);
    statusParts_.bar->addWidget(statusParts_.progress, 1);
    statusParts_.bar->addWidget(statusParts_.splitDone, 1);
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
    column->addWidget(controls_.panel);

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

void MainWindow::createTimers() {
    auto* playbackTimer = new QTimer(this);
    playbackTimer->setObjectName(QStringLiteral("playbackTimer"));
    playbackTimer->setInterval(33);
    connect(playbackTimer, &QTimer::timeout, this, &MainWindow::onPlaybackTick);
    auto* statusTimer = new QTimer(this);
    statusTimer->setObjectName(QStringLiteral("statusTimer"));
    statusTimer->setInterval(100);
    connect(statusTimer, &QTimer::timeout, this, &MainWindow::onStatusTick);
    playbackTimer->start();
    statusTimer->start();
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

void MainWindow::createControlPanel() {
    // Left to right: play and stop, volume and rate, the status word, the
    // clock, Split; the zoom buttons at the right edge.
    auto* row = new QHBoxLayout(controls_.panel);
    row->setContentsMargins(6, 2, 2, 2);
    row->setSpacing(4);
    createPlaybackControls(row);
    createStatusDisplay(row);
    createClock(row);

    controls_.splitButton = MakeButton(controls_.panel, tr("Split"), tr("Split & Save"), 60);
    controls_.splitButton->setObjectName(QStringLiteral("splitButton"));
    connect(controls_.splitButton, &QToolButton::clicked, this, &MainWindow::onSplitTriggered);
    row->addWidget(controls_.splitButton);
    row->addStretch(1);
    controls_.zoomInButton =
        MakeButton(controls_.panel, QStringLiteral("+"), tr("Zoom In Time"), kZoomButtonWidth);
    controls_.zoomInButton->setObjectName(QStringLiteral("zoomInButton"));
    controls_.zoomOutButton =
        MakeButton(controls_.panel, QStringLiteral("-"), tr("Zoom Out Time"), kZoomButtonWidth);
    controls_.zoomOutButton->setObjectName(QStringLiteral("zoomOutButton"));
    auto* zoom = new QHBoxLayout;
    zoom->setSpacing(2);
    zoom->addWidget(controls_.zoomInButton);
    zoom->addWidget(controls_.zoomOutButton);
    row->addLayout(zoom);
    connect(controls_.zoomInButton, &QToolButton::clicked, this, &MainWindow::onZoomInClicked);
    connect(controls_.zoomOutButton, &QToolButton::clicked, this, &MainWindow::onZoomOutClicked);
}

void MainWindow::createPlaybackControls(QHBoxLayout* row) {
    controls_.playButton = MakeButton(controls_.panel, tr("Play"), tr("Play"), 50);
    controls_.playButton->setObjectName(QStringLiteral("playButton"));
    controls_.stopButton = MakeButton(controls_.panel, tr("Stop"), tr("Stop"), 50);
    controls_.stopButton->setObjectName(QStringLiteral("stopButton"));
    connect(controls_.playButton, &QToolButton::clicked, this, &MainWindow::onPlayClicked);
    connect(controls_.stopButton, &QToolButton::clicked, this, &MainWindow::onStopClicked);
    row->addWidget(controls_.playButton);
    row->addWidget(controls_.stopButton);
    row->addSpacing(20);

    // A caption above each slider.
    auto addSlider = [this, row](const QString& caption, const QString& hint, int w) {
        auto* column = new QVBoxLayout;
        column->setSpacing(0);
        column->addWidget(new QLabel(caption, controls_.panel));
        auto* slider = new QSlider(Qt::Horizontal, controls_.panel);
        slider->setToolTip(hint);
        slider->setMinimumWidth(w);
        slider->setRange(0, kSliderMax);
        slider->setTickPosition(QSlider::NoTicks);
        column->addWidget(slider);
        row->addLayout(column);
        return slider;
    };
    controls_.volumeSlider = addSlider(tr("Volume"), tr("Playback Volume"), 80);
    controls_.volumeSlider->setObjectName(QStringLiteral("volumeSlider"));
    controls_.rateSlider = addSlider(tr("Rate"), tr("Playback Rate"), 60);
    controls_.rateSlider->setObjectName(QStringLiteral("rateSlider"));
    connect(controls_.volumeSlider, &QSlider::valueChanged, this, &MainWindow::onVolumeChanged);
    connect(controls_.rateSlider, &QSlider::valueChanged, this, &MainWindow::onRateChanged);
}

void MainWindow::createStatusDisplay(QHBoxLayout* row) {
    controls_.statusFrame = MakeDisplayFrame(controls_.panel);
    controls_.statusLabel = new QLabel(tr("Open a File"), controls_.statusFrame);
    controls_.statusLabel->setObjectName(QStringLiteral("statusLabel"));
    // The longest status word fits whole in the frame's least width.
    constexpr int kStatusWidth = 221 - 14;
    controls_.statusLabel->setFont(FittedFont(DisplayFont(16), LongestStatusWord(), kStatusWidth));
    controls_.statusLabel->setMinimumWidth(kStatusWidth);
    controls_.statusLabel->setAttribute(Qt::WA_TranslucentBackground);
    controls_.statusLabel->installEventFilter(this);
    controls_.statusFrame->installEventFilter(this);
    auto* box = new QHBoxLayout(controls_.statusFrame);
    box->setContentsMargins(7, 2, 7, 2);
    box->addWidget(controls_.statusLabel);
    row->addWidget(controls_.statusFrame, 1);
}

void MainWindow::createClock(QHBoxLayout* row) {
    QFrame* clockFrame = MakeDisplayFrame(controls_.panel);
    controls_.clockLabel = new QLabel(QStringLiteral("0:00:00"), clockFrame);
    controls_.clockLabel->setObjectName(QStringLiteral("clockLabel"));
    controls_.clockLabel->setFont(FittedFont(DisplayFont(24), QStringLiteral("00:00:00"), 120));
    controls_.clockLabel->setMinimumWidth(
        controls_.clockLabel->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 2);
    controls_.clockLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    controls_.clockMsLabel = new QLabel(QStringLiteral(":000"), clockFrame);
    controls_.clockMsLabel->setObjectName(QStringLiteral("clockMsLabel"));
    controls_.clockMsLabel->setMinimumWidth(
        controls_.clockMsLabel->fontMetrics().horizontalAdvance(QStringLiteral(":000")) + 2);
    auto* box = new QHBoxLayout(clockFrame);
    box->setContentsMargins(6, 0, 6, 0);
    box->setSpacing(2);
    box->addWidget(controls_.clockLabel);
    box->addWidget(controls_.clockMsLabel, 0, Qt::AlignBottom);
    row->addWidget(clockFrame);
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
         {static_cast<QWidget*>(controls_.panel), static_cast<QWidget*>(panels_.splitFrame),
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
    const QSignalBlocker block(controls_.volumeSlider);
    controls_.volumeSlider->setValue(st_.Volume);
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

void MainWindow::showTimeLabels(double seconds) {
    std::string hms, ms;
    SplitClockText(seconds, hms, ms);
    controls_.clockLabel->setText(QString::fromStdString(hms));
    controls_.clockMsLabel->setText(QString::fromStdString(ms));
}

void MainWindow::showStreamInfo() {
    statusParts_.streamInfo->setText(QString::fromStdString(StreamInfoText(st_)));
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
    if (!isBusy()) {
        stopAtStretchEnd();
        followPlayback();
        placePositionLine();
    }
}

void MainWindow::onStatusTick() {
    const SplitRunner* split = panels_.confirmDialog->splitRunner();
    const double progress = split->isRunning() ? split->percent() : st_.ProgressPercent.load();
    if (progress > 0) {
        statusParts_.progress->setValue(static_cast<int>(RoundEven(progress)));
        statusParts_.progress->show();
        statusParts_.splitDone->hide();
        return;
    }
    // The exact peaks computed behind the file shown.
    const bool peaks = openJob_->peaksRunning();
    const double peaksPercent = openJob_->peaksPercent();
    statusParts_.progress->setValue(static_cast<int>(RoundEven(peaksPercent)));
    statusParts_.progress->setVisible(peaks);
    if (peaks)
        statusParts_.splitDone->hide();
    // While an open runs the status word is the open's own.
    if (isBusy())
        return;
    if (auto caption = PlaybackStatusCaption(st_))
        controls_.statusLabel->setText(CoreText(*caption));
    if (!st_.FileLoaded) {
        controls_.statusLabel->setText(tr("Open a file"));
        controls_.statusLabel->setCursor(Qt::PointingHandCursor);
    } else {
        controls_.statusLabel->unsetCursor();
    }
    if (!st_.IsPlaying && st_.FileLoaded) {
        // Stopped, the clock shows the play cursor.
        showTimeLabels(FrameSeconds(st_, st_.ClickFrame));
        const int k = st_.SelectedPart;
        if (peaks && doc_.PreparePending()) {
            controls_.statusLabel->setText(PeaksWaitingText(peaksPercent));
        } else if (peaks && (k <= 0 || k > PartCount(st_))) {
            controls_.statusLabel->setText(PeaksStatusText(peaksPercent));
        } else if (k <= 0 || k > PartCount(st_)) {
            controls_.statusLabel->setText(tr("Ready"));
        } else {
            const double start = PartStartSeconds(st_, k);
            const double end = PartEndSeconds(st_, k);
            controls_.statusLabel->setText(
                tr("Part(%1)  %2 - %3")
                    .arg(k)
                    .arg(QString::fromStdString(FormatTimeText(false, start)))
                    .arg(QString::fromStdString(FormatTimeText(false, end))));
        }
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
    for (QWidget* w :
         {static_cast<QWidget*>(controls_.playButton), static_cast<QWidget*>(controls_.stopButton),
          static_cast<QWidget*>(controls_.splitButton),
          static_cast<QWidget*>(controls_.zoomInButton),
          static_cast<QWidget*>(controls_.zoomOutButton), static_cast<QWidget*>(scrollBar_),
          static_cast<QWidget*>(panels_.splitFrame), static_cast<QWidget*>(panels_.partListFrame),
          static_cast<QWidget*>(panels_.tagFrame)})
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

void MainWindow::showSplitDone(int files, const QString& folder) {
    const QString where = QDir::toNativeSeparators(folder);
    statusParts_.splitDone->setText(tr("%1 %2 written to %3  <a href=\"%4\">Open folder</a>")
                                        .arg(files)
                                        .arg(files == 1 ? tr("file") : tr("files"))
                                        .arg(where.toHtmlEscaped())
                                        .arg(QString(folder).toHtmlEscaped()));
    statusParts_.splitDone->setToolTip(where);
    statusParts_.splitDone->show();
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

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    if ((watched == controls_.statusLabel || watched == controls_.statusFrame) &&
        e->type() == QEvent::MouseButtonPress) {
        onStatusClicked();
        return true;
    }
    return QMainWindow::eventFilter(watched, e);
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
