#include "ui/window/main_window.h"

#include "core/analysis/frame_index.h"
#include "core/analysis/peak_cache.h"
#include "core/parts/time_text.h"
#include "core/settings/settings_file.h"
#include "ui/output/confirm_dialog.h"
#include "ui/output/split_runner.h"
#include "ui/parts/part_list_view.h"
#include "ui/parts/split_settings_panel.h"
#include "ui/window/about_window.h"
#include "ui/window/frame_viewer.h"
#include "ui/window/help_window.h"
#include "ui/window/open_job.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSlider>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <cmath>
#include <functional>

namespace tessivo {

namespace {

constexpr int kMax = kScrollMax; // scroll bar positions 0..10000

void SetBackground(QWidget* w, const QColor& c) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, c);
    pal.setColor(QPalette::Base, c);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

void Place(QWidget* w, const LayoutRect& r) {
    w->setGeometry(r.left, r.top, r.width, r.height);
}

QFrame* MakeFrame(QWidget* parent, const QString& name) {
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    return f;
}

// The sunken, light panels of the status word and the clock.
QFrame* MakeDisplayFrame(QWidget* parent, const QRect& r) {
    auto* f = new QFrame(parent);
    f->setGeometry(r);
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

// The central widget: reports every change of its size, so that the window
// lays itself out on the resize event (the client area also changes without
// the outer size, when the menu bar takes its height at the first show).
class ClientArea : public QWidget {
public:
    using QWidget::QWidget;
    std::function<void()> onResized;

protected:
    void resizeEvent(QResizeEvent* e) override {
        QWidget::resizeEvent(e);
        if (onResized)
            onResized();
    }
};

QToolButton* MakeButton(QWidget* parent, const QString& text, const QString& hint, int x, int y,
                        int w, int h) {
    auto* b = new QToolButton(parent);
    b->setText(text);
    b->setToolTip(hint);
    b->setGeometry(x, y, w, h);
    b->setAutoRaise(false);
    return b;
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
    // The desktop's own UI font, at the size the fixed panel layout was
    // designed for.
    QFont font = QApplication::font();
    font.setPointSize(8);
    setFont(font);
    setMinimumSize(800, 600);
    resize(800, 600);
    setAcceptDrops(true);
    createOpenJob();

    auto* client = new ClientArea(this);
    client_ = client;
    createClientArea();
    createControlPanel();
    createMenus();
    createEditingControls();

    frameViewer_ = new FrameViewerWindow(st_, this);
    frameViewer_->setObjectName(QStringLiteral("frameViewer"));
    aboutWindow_ = new AboutWindow(this);
    aboutWindow_->setObjectName(QStringLiteral("aboutWindow"));

    initialise();
    // From now on every change of the client area's size lays it out again.
    client->onResized = [this] { onClientResized(); };
    createTimers();
}

MainWindow::~MainWindow() {
    // Destruction: a split being written finishes first (its files are the
    // user's); no open and no peak computation may outlive the window, then
    // the stream and the audio output go.
    confirmDialog_->splitRunner()->wait();
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

    scrollBar_ = new QScrollBar(Qt::Horizontal, client_);
    scrollBar_->setObjectName(QStringLiteral("scrollBar"));
    scrollBar_->setRange(0, kMax);
    scrollBar_->setPageStep(kMax);
    connect(scrollBar_, &QScrollBar::valueChanged, this, &MainWindow::onScrollBarMoved);
    // A click in the trough moves by the large change, not by a page.
    connect(scrollBar_, &QScrollBar::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderPageStepAdd)
            scrollBar_->setSliderPosition(scrollBar_->value() + scrollLargeChange_);
        else if (action == QAbstractSlider::SliderPageStepSub)
            scrollBar_->setSliderPosition(scrollBar_->value() - scrollLargeChange_);
    });

    controlPanel_ = MakeFrame(client_, QStringLiteral("controlPanel"));
    splitFrame_ = MakeFrame(client_, QStringLiteral("splitFrame"));
    partListFrame_ = MakeFrame(client_, QStringLiteral("partListFrame"));
    tagFrame_ = MakeFrame(client_, QStringLiteral("tagFrame"));
    for (QFrame* f : {splitFrame_, partListFrame_, tagFrame_})
        f->setFrameShape(QFrame::StyledPanel);

    statusBar_ = new QStatusBar(client_);
    statusBar_->setObjectName(QStringLiteral("statusBar"));
    statusBar_->setSizeGripEnabled(false);
    streamInfoLabel_ = new QLabel(statusBar_);
    streamInfoLabel_->setObjectName(QStringLiteral("streamInfoLabel"));
    streamInfoLabel_->setFrameShape(QFrame::Panel);
    streamInfoLabel_->setFrameShadow(QFrame::Sunken);
    streamInfoLabel_->setGeometry(0, 0, kStreamInfoWidth, kStatusBarHeight);
    progressBar_ = new QProgressBar(statusBar_);
    progressBar_->setObjectName(QStringLiteral("progressBar"));
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    progressBar_->hide();
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
    return openJob_->busy() || confirmDialog_->splitRunner()->isRunning();
}

void MainWindow::createControlPanel() {
    createPlaybackControls();
    createStatusDisplay();
    createClock();

    splitButton_ = MakeButton(controlPanel_, QStringLiteral("Split"),
                              QStringLiteral("Split & Save"), 665, 8, 60, 27);
    splitButton_->setObjectName(QStringLiteral("splitButton"));
    connect(splitButton_, &QToolButton::clicked, this, &MainWindow::onSplitTriggered);
    zoomInButton_ = MakeButton(controlPanel_, QStringLiteral("+"), QStringLiteral("Zoom In Time"),
                               0, 8, kZoomButtonWidth, 27);
    zoomInButton_->setObjectName(QStringLiteral("zoomInButton"));
    zoomOutButton_ = MakeButton(controlPanel_, QStringLiteral("-"), QStringLiteral("Zoom Out Time"),
                                0, 8, kZoomButtonWidth, 27);
    zoomOutButton_->setObjectName(QStringLiteral("zoomOutButton"));
    connect(zoomInButton_, &QToolButton::clicked, this, &MainWindow::onZoomInClicked);
    connect(zoomOutButton_, &QToolButton::clicked, this, &MainWindow::onZoomOutClicked);
}

void MainWindow::createPlaybackControls() {
    playButton_ =
        MakeButton(controlPanel_, QStringLiteral("Play"), QStringLiteral("Play"), 6, 8, 50, 27);
    playButton_->setObjectName(QStringLiteral("playButton"));
    stopButton_ =
        MakeButton(controlPanel_, QStringLiteral("Stop"), QStringLiteral("Stop"), 60, 8, 50, 27);
    stopButton_->setObjectName(QStringLiteral("stopButton"));
    connect(playButton_, &QToolButton::clicked, this, &MainWindow::onPlayClicked);
    connect(stopButton_, &QToolButton::clicked, this, &MainWindow::onStopClicked);

    auto* volumeLabel = new QLabel(QStringLiteral("Volume"), controlPanel_);
    volumeLabel->setGeometry(150, 0, 70, 13);
    auto* rateLabel = new QLabel(QStringLiteral("Rate"), controlPanel_);
    rateLabel->setGeometry(230, 0, 50, 13);

    auto makeSlider = [this](const QString& hint, int x, int w) {
        auto* slider = new QSlider(Qt::Horizontal, controlPanel_);
        slider->setToolTip(hint);
        slider->setGeometry(x, 12, w, 25);
        slider->setRange(0, kSliderMax);
        slider->setTickPosition(QSlider::NoTicks);
        return slider;
    };
    volumeSlider_ = makeSlider(QStringLiteral("Playback Volume"), 140, 80);
    volumeSlider_->setObjectName(QStringLiteral("volumeSlider"));
    rateSlider_ = makeSlider(QStringLiteral("Playback Rate"), 220, 60);
    rateSlider_->setObjectName(QStringLiteral("rateSlider"));
    connect(volumeSlider_, &QSlider::valueChanged, this, &MainWindow::onVolumeChanged);
    connect(rateSlider_, &QSlider::valueChanged, this, &MainWindow::onRateChanged);
}

void MainWindow::createStatusDisplay() {
    statusFrame_ = MakeDisplayFrame(controlPanel_, QRect(280, 3, 221, 38));
    statusLabel_ = new QLabel(QStringLiteral("Open a File"), statusFrame_);
    statusLabel_->setObjectName(QStringLiteral("statusLabel"));
    statusLabel_->setFont(DisplayFont(16));
    statusLabel_->setGeometry(292 - 280, 12 - 3, 221 - 14, 22);
    statusLabel_->setAttribute(Qt::WA_TranslucentBackground);
    statusLabel_->installEventFilter(this);
    statusFrame_->installEventFilter(this);
}

void MainWindow::createClock() {
    QFrame* clockFrame = MakeDisplayFrame(controlPanel_, QRect(505, 3, 150, 38));
    clockLabel_ = new QLabel(QStringLiteral("0:00:00"), clockFrame);
    clockLabel_->setObjectName(QStringLiteral("clockLabel"));
    clockLabel_->setFont(FittedFont(DisplayFont(24), QStringLiteral("00:00:00"), 92));
    clockLabel_->setGeometry(8, 4, 92, 30);
    clockLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    clockMsLabel_ = new QLabel(QStringLiteral(":000"), clockFrame);
    clockMsLabel_->setObjectName(QStringLiteral("clockMsLabel"));
    clockMsLabel_->setFont(FittedFont(clockMsLabel_->font(), QStringLiteral(":000"), 40));
    clockMsLabel_->setGeometry(102, 12, 40, 20);
}

void MainWindow::createMenus() {
    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("File"));
    openAction_ =
        fileMenu->addAction(QStringLiteral("Open..."), this, &MainWindow::onOpenTriggered);
    openAction_->setObjectName(QStringLiteral("openAction"));
    openAction_->setShortcut(QKeySequence::Open);
    splitAction_ =
        fileMenu->addAction(QStringLiteral("Split..."), this, &MainWindow::onSplitTriggered);
    splitAction_->setObjectName(QStringLiteral("splitAction"));
    addCutListActions(fileMenu);
    viewerAction_ =
        fileMenu->addAction(QStringLiteral("Show Viewer"), this, &MainWindow::onViewerTriggered);
    viewerAction_->setObjectName(QStringLiteral("viewerAction"));
    viewerAction_->setVisible(false);
    fileMenu->addSeparator();
    fileMenu->addAction(QStringLiteral("Explorer"), this, &MainWindow::onExplorerTriggered);
    fileMenu->addSeparator();
    fileMenu->addAction(QStringLiteral("Exit"), this, &MainWindow::onExitTriggered);

    createEditMenu();
    createViewMenu();

    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("Help"));
    helpMenu->addAction(QStringLiteral("Help Contents"), this,
                        &MainWindow::onHelpContentsTriggered);
    helpMenu->addSeparator();
    helpMenu->addAction(QStringLiteral("About..."), this, &MainWindow::onAboutTriggered);
}

void MainWindow::initialise() {
    engine_.Init(); // a failure shows later, when playing is refused
    st_.ZoomLevel = 1;
    st_.FrameDuration = 0.02612;

    for (QWidget* w : {static_cast<QWidget*>(controlPanel_), static_cast<QWidget*>(splitFrame_),
                       static_cast<QWidget*>(tagFrame_), static_cast<QWidget*>(partList_),
                       static_cast<QWidget*>(partListFrame_)})
        SetBackground(w, BackColor);
    partList_->clear();

    loadWindowSettings();

    const QString chkFolder =
        env_.diagnosticFolder.isEmpty() ? QDir::currentPath() : env_.diagnosticFolder;
    if (QFileInfo::exists(chkFolder + QStringLiteral("/test.chk"))) {
        viewerAction_->setVisible(true);
        viewerEnabled_ = true;
    }
    st_.ViewerEnabled = viewerEnabled_;

    style_.fontFamily = font().family();
    style_.fontSize = font().pointSize();
    style_.images = &DefaultMarkImages();

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
    LoadSettings(st_, env_.settingsPath.toStdString());
    const QSignalBlocker block(volumeSlider_);
    volumeSlider_->setValue(st_.Volume);
    splitSettings_->showSilenceSettings();
}

bool MainWindow::saveWindowSettings() {
    std::string error;
    if (!SaveSettings(st_, env_.settingsPath.toStdString(), error)) {
        dialogs_.showError(this, QString::fromStdString(error));
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Layout and drawing

void MainWindow::layoutView() {
    const int cw = client_->width();
    const int ch = client_->height();
    geom_ = ComputeLayout(cw, ch, st_.ChannelCount, st_.FrameCount);
    st_.WaveLeft = geom_.waveLeft;
    st_.WaveRight = geom_.waveRight;

    Place(statusBar_, geom_.statusBar);
    Place(splitFrame_, geom_.splitFrame);
    Place(tagFrame_, geom_.tagFrame);
    Place(partListFrame_, geom_.partListFrame);
    layoutPartStartField();
    Place(controlPanel_, geom_.controlPanel);
    zoomOutButton_->move(geom_.zoomOutButton.left, zoomOutButton_->y());
    zoomInButton_->move(geom_.zoomInButton.left, zoomInButton_->y());
    Place(scrollBar_, geom_.scrollBar);
    Place(progressBar_, geom_.progressBar);

    // The view widget spans the client area down to the control panel; the
    // scroll bar lies on top of it.
    waveView_->setGeometry(0, 0, cw, std::max(0, geom_.controlPanel.top));
    waveView_->waveLeft = geom_.waveLeft;
    waveView_->meterLeft = geom_.meterLeft;
    scrollBar_->raise();

    if (waveView_->waveBitmap.size() != QSize(geom_.waveBitmapWidth(), geom_.waveBitmapHeight()))
        waveView_->waveBitmap = MakeWaveBitmap(geom_);
    if (waveView_->meterBitmap.size() != QSize(geom_.meterBitmapWidth(), geom_.meterBitmapHeight()))
        waveView_->meterBitmap = MakeMeterBitmap(geom_);
}

void MainWindow::drawWaveView() {
    // The exact peaks of what is shown are computed next.
    const int64_t shown = int64_t{geom_.cols()} * ZoomFactor[st_.ZoomLevel];
    openJob_->setViewRange(static_cast<uint32_t>(std::max(st_.ViewFirstFrame, 0)),
                           static_cast<uint32_t>(std::clamp<int64_t>(st_.ViewFirstFrame + shown, 0,
                                                                     int64_t{st_.FrameCount})));
    if (waveView_->waveBitmap.isNull())
        return;
    {
        QPainter p(&waveView_->waveBitmap);
        RenderWaveView(p, st_, geom_, style_);
    }
    waveView_->update(geom_.waveLeft, geom_.waveTop, waveView_->waveBitmap.width(),
                      waveView_->waveBitmap.height());
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
    clockLabel_->setText(QString::fromStdString(hms));
    clockMsLabel_->setText(QString::fromStdString(ms));
}

void MainWindow::showStreamInfo() {
    streamInfoLabel_->setText(QString::fromStdString(StreamInfoText(st_)));
}

// ---------------------------------------------------------------------------
// Zoom and scrolling

void MainWindow::onZoomInClicked() {
    if (isBusy())
        return;
    // From a fitted scale in goes to the level below the one just above it.
    st_.FitFramesPerColumn = 0.0;
    if (st_.ZoomLevel > 1) {
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
    int64_t z = ZoomFactor[st_.ZoomLevel];
    if (st_.ZoomLevel >= 11 || RoundEven(static_cast<double>(n) / z) <= w)
        return; // the whole file already fits
    ++st_.ZoomLevel;
    z = ZoomFactor[st_.ZoomLevel];
    if (RoundEven(static_cast<double>(n - st_.ViewFirstFrame) / z) < w)
        st_.ViewFirstFrame = static_cast<int32_t>(std::max<int64_t>(n - w * z, 0));
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
        scrollPageSize_ = static_cast<int>(std::max<int64_t>(page, 1));
    const int64_t position = RoundEven(
        z * static_cast<double>(RoundEven(static_cast<double>(kMax) * static_cast<double>(f0) /
                                          (z * static_cast<double>(n)))));
    scrollSmallChange_ = static_cast<int>(RoundEven(z));
    scrollLargeChange_ = static_cast<int>(RoundEven(10 * z));

    {
        // The last position shows the end of the file at the right edge.
        const QSignalBlocker block(scrollBar_);
        scrollBar_->setMaximum(kMax - scrollPageSize_);
        scrollBar_->setPageStep(scrollPageSize_);
        scrollBar_->setSingleStep(scrollSmallChange_);
    }
    // A changed position re-derives the first frame and redraws.
    scrollBar_->setValue(static_cast<int>(std::clamp<int64_t>(position, 0, kMax)));
}

void MainWindow::onScrollBarMoved(int position) {
    const double z = FramesPerColumn(st_);
    const int64_t fp = int64_t{st_.FrameCount} * position;
    st_.ViewFirstFrame = static_cast<int32_t>(
        RoundEven(z * static_cast<double>(RoundEven(static_cast<double>(fp) / (z * kMax)))));
    drawWaveView();
}

void MainWindow::autoZoomIn() {
    const double z = ZoomFactor[st_.ZoomLevel];
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
    if (!(st_.FrameCount < 0.5 * ZoomFactor[st_.ZoomLevel] * geom_.cols()))
        return;
    autoZoomPending_ = true;
    QTimer::singleShot(0, this, [this] {
        autoZoomPending_ = false;
        autoZoomIn();
    });
}

// ---------------------------------------------------------------------------
// Resizes and timers

void MainWindow::onClientResized() {
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
        followPlayback();
        placePositionLine();
    }
}

void MainWindow::onStatusTick() {
    const SplitRunner* split = confirmDialog_->splitRunner();
    const double progress = split->isRunning() ? split->percent() : st_.ProgressPercent.load();
    if (progress > 0) {
        progressBar_->setValue(static_cast<int>(RoundEven(progress)));
        progressBar_->show();
        return;
    }
    // The exact peaks computed behind the file shown.
    const bool peaks = openJob_->peaksRunning();
    const double peaksPercent = openJob_->peaksPercent();
    progressBar_->setValue(static_cast<int>(RoundEven(peaksPercent)));
    progressBar_->setVisible(peaks);
    // While an open runs the status word is the open's own.
    if (isBusy())
        return;
    if (auto caption = PlaybackStatusCaption(st_))
        statusLabel_->setText(QString::fromStdString(*caption));
    if (!st_.FileLoaded) {
        statusLabel_->setText(QStringLiteral("Open a file"));
        statusLabel_->setCursor(Qt::PointingHandCursor);
    } else {
        statusLabel_->unsetCursor();
    }
    if (!st_.IsPlaying && st_.FileLoaded) {
        // Stopped, the clock shows the play cursor.
        showTimeLabels(st_.ClickFrame * st_.FrameDuration);
        const int k = st_.SelectedPart;
        if (peaks && (doc_.PreparePending() || k <= 0 || k > st_.CutCount)) {
            statusLabel_->setText(PeaksStatusText(peaksPercent));
        } else if (k <= 0 || k > st_.CutCount || k >= kPartSlots) {
            statusLabel_->setText(QStringLiteral("Ready"));
        } else {
            const double start = st_.PartStart[k] * st_.FrameDuration;
            const double end = (st_.PartEnd[k] + 1.0) * st_.FrameDuration;
            statusLabel_->setText(QStringLiteral("Part(%1)  %2 - %3")
                                      .arg(k)
                                      .arg(QString::fromStdString(FormatTimeText(false, start)))
                                      .arg(QString::fromStdString(FormatTimeText(false, end))));
        }
    }
}

// ---------------------------------------------------------------------------
// Commands

void MainWindow::setCommandsEnabled(bool on) {
    for (QAction* a : {openAction_, splitAction_, viewerAction_})
        a->setEnabled(on);
    // The history's actions follow the stack again once commands are back.
    undoAction_->setEnabled(on && history_->stack()->canUndo());
    redoAction_->setEnabled(on && history_->stack()->canRedo());
    for (QWidget* w : {static_cast<QWidget*>(playButton_), static_cast<QWidget*>(stopButton_),
                       static_cast<QWidget*>(splitButton_), static_cast<QWidget*>(zoomInButton_),
                       static_cast<QWidget*>(zoomOutButton_), static_cast<QWidget*>(scrollBar_),
                       static_cast<QWidget*>(splitFrame_), static_cast<QWidget*>(partListFrame_),
                       static_cast<QWidget*>(tagFrame_)})
        w->setEnabled(on);
}

void MainWindow::onSplitTriggered() {
    if (isBusy())
        return;
    confirmDialog_->openIfPartsPrepared();
}

void MainWindow::onViewerTriggered() {
    if (isBusy() || !viewerEnabled_)
        return;
    frameViewer_->exec();
}

void MainWindow::onExplorerTriggered() {
    dialogs_.openLocalPath(QString::fromStdString(st_.OutputFolder));
}

void MainWindow::onExitTriggered() {
    close();
}

void MainWindow::onHelpContentsTriggered() {
    const QString page = env_.helpPage.isEmpty() ? FindHelpPage() : env_.helpPage;
    ShowHelpPage(this, dialogs_, page);
}

void MainWindow::setAudioLibraries(const QString& text) {
    aboutWindow_->setAudioLibraries(text);
}

void MainWindow::onAboutTriggered() {
    aboutWindow_->exec();
}

void MainWindow::onStatusClicked() {
    if (!st_.FileLoaded && !isBusy())
        onOpenTriggered();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    if ((watched == statusLabel_ || watched == statusFrame_) &&
        e->type() == QEvent::MouseButtonPress) {
        onStatusClicked();
        return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (!mayDiscardEdits()) {
        e->ignore();
        return;
    }
    // A split being written finishes first: its files are the user's. An
    // open or the exact peaks stop at once.
    confirmDialog_->splitRunner()->wait();
    openJob_->cancel();
    // The window closes even when the settings could not be written: the
    // user has seen the error, and keeping the window open would not help.
    saveWindowSettings();
    e->accept();
}

void MainWindow::changeEvent(QEvent* e) {
    if (e->type() == QEvent::WindowStateChange && !(windowState() & Qt::WindowMinimized))
        drawWaveView();
    QMainWindow::changeEvent(e);
}

} // namespace tessivo
