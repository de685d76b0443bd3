#include "ui/window/main_window.h"

#include "core/parts/part_access.h"

#include "core/analysis/frame_index.h"
#include "core/analysis/peak_cache.h"
#include "core/analysis/time_base.h"
#include "core/parts/part_times.h"
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

    panels_.frameViewer = new FrameViewerWindow(st_, this);
    panels_.frameViewer->setObjectName(QStringLiteral("frameViewer"));
    panels_.aboutWindow = new AboutWindow(this);
    panels_.aboutWindow->setObjectName(QStringLiteral("aboutWindow"));

    initialise();
    // From now on every change of the client area's size lays it out again.
    client->onResized = [this] { onClientResized(); };
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

    controls_.panel = MakeFrame(client_, QStringLiteral("controlPanel"));
    panels_.splitFrame = MakeFrame(client_, QStringLiteral("splitFrame"));
    panels_.partListFrame = MakeFrame(client_, QStringLiteral("partListFrame"));
    panels_.tagFrame = MakeFrame(client_, QStringLiteral("tagFrame"));
    for (QFrame* f : {panels_.splitFrame, panels_.partListFrame, panels_.tagFrame})
        f->setFrameShape(QFrame::StyledPanel);

    statusParts_.bar = new QStatusBar(client_);
    statusParts_.bar->setObjectName(QStringLiteral("statusBar"));
    statusParts_.bar->setSizeGripEnabled(false);
    statusParts_.streamInfo = new QLabel(statusParts_.bar);
    statusParts_.streamInfo->setObjectName(QStringLiteral("streamInfoLabel"));
    statusParts_.streamInfo->setFrameShape(QFrame::Panel);
    statusParts_.streamInfo->setFrameShadow(QFrame::Sunken);
    statusParts_.streamInfo->setGeometry(0, 0, kStreamInfoWidth, kStatusBarHeight);
    statusParts_.progress = new QProgressBar(statusParts_.bar);
    statusParts_.progress->setObjectName(QStringLiteral("progressBar"));
    statusParts_.progress->setRange(0, 100);
    statusParts_.progress->setValue(0);
    statusParts_.progress->setTextVisible(false);
    statusParts_.progress->hide();
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
    createPlaybackControls();
    createStatusDisplay();
    createClock();

    controls_.splitButton = MakeButton(controls_.panel, QStringLiteral("Split"),
                                       QStringLiteral("Split & Save"), 665, 8, 60, 27);
    controls_.splitButton->setObjectName(QStringLiteral("splitButton"));
    connect(controls_.splitButton, &QToolButton::clicked, this, &MainWindow::onSplitTriggered);
    controls_.zoomInButton = MakeButton(controls_.panel, QStringLiteral("+"),
                                        QStringLiteral("Zoom In Time"), 0, 8, kZoomButtonWidth, 27);
    controls_.zoomInButton->setObjectName(QStringLiteral("zoomInButton"));
    controls_.zoomOutButton =
        MakeButton(controls_.panel, QStringLiteral("-"), QStringLiteral("Zoom Out Time"), 0, 8,
                   kZoomButtonWidth, 27);
    controls_.zoomOutButton->setObjectName(QStringLiteral("zoomOutButton"));
    connect(controls_.zoomInButton, &QToolButton::clicked, this, &MainWindow::onZoomInClicked);
    connect(controls_.zoomOutButton, &QToolButton::clicked, this, &MainWindow::onZoomOutClicked);
}

void MainWindow::createPlaybackControls() {
    controls_.playButton =
        MakeButton(controls_.panel, QStringLiteral("Play"), QStringLiteral("Play"), 6, 8, 50, 27);
    controls_.playButton->setObjectName(QStringLiteral("playButton"));
    controls_.stopButton =
        MakeButton(controls_.panel, QStringLiteral("Stop"), QStringLiteral("Stop"), 60, 8, 50, 27);
    controls_.stopButton->setObjectName(QStringLiteral("stopButton"));
    connect(controls_.playButton, &QToolButton::clicked, this, &MainWindow::onPlayClicked);
    connect(controls_.stopButton, &QToolButton::clicked, this, &MainWindow::onStopClicked);

    auto* volumeLabel = new QLabel(QStringLiteral("Volume"), controls_.panel);
    volumeLabel->setGeometry(150, 0, 70, 13);
    auto* rateLabel = new QLabel(QStringLiteral("Rate"), controls_.panel);
    rateLabel->setGeometry(230, 0, 50, 13);

    auto makeSlider = [this](const QString& hint, int x, int w) {
        auto* slider = new QSlider(Qt::Horizontal, controls_.panel);
        slider->setToolTip(hint);
        slider->setGeometry(x, 12, w, 25);
        slider->setRange(0, kSliderMax);
        slider->setTickPosition(QSlider::NoTicks);
        return slider;
    };
    controls_.volumeSlider = makeSlider(QStringLiteral("Playback Volume"), 140, 80);
    controls_.volumeSlider->setObjectName(QStringLiteral("volumeSlider"));
    controls_.rateSlider = makeSlider(QStringLiteral("Playback Rate"), 220, 60);
    controls_.rateSlider->setObjectName(QStringLiteral("rateSlider"));
    connect(controls_.volumeSlider, &QSlider::valueChanged, this, &MainWindow::onVolumeChanged);
    connect(controls_.rateSlider, &QSlider::valueChanged, this, &MainWindow::onRateChanged);
}

void MainWindow::createStatusDisplay() {
    controls_.statusFrame = MakeDisplayFrame(controls_.panel, QRect(280, 3, 221, 38));
    controls_.statusLabel = new QLabel(QStringLiteral("Open a File"), controls_.statusFrame);
    controls_.statusLabel->setObjectName(QStringLiteral("statusLabel"));
    // The longest status word, the peaks' progress, fits whole.
    controls_.statusLabel->setFont(FittedFont(DisplayFont(16), PeaksStatusText(100.0), 221 - 14));
    controls_.statusLabel->setGeometry(292 - 280, 12 - 3, 221 - 14, 22);
    controls_.statusLabel->setAttribute(Qt::WA_TranslucentBackground);
    controls_.statusLabel->installEventFilter(this);
    controls_.statusFrame->installEventFilter(this);
}

void MainWindow::createClock() {
    QFrame* clockFrame = MakeDisplayFrame(controls_.panel, QRect(505, 3, 150, 38));
    controls_.clockLabel = new QLabel(QStringLiteral("0:00:00"), clockFrame);
    controls_.clockLabel->setObjectName(QStringLiteral("clockLabel"));
    controls_.clockLabel->setFont(FittedFont(DisplayFont(24), QStringLiteral("00:00:00"), 92));
    controls_.clockLabel->setGeometry(8, 4, 92, 30);
    controls_.clockLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    controls_.clockMsLabel = new QLabel(QStringLiteral(":000"), clockFrame);
    controls_.clockMsLabel->setObjectName(QStringLiteral("clockMsLabel"));
    controls_.clockMsLabel->setFont(
        FittedFont(controls_.clockMsLabel->font(), QStringLiteral(":000"), 40));
    controls_.clockMsLabel->setGeometry(102, 12, 40, 20);
}

void MainWindow::createMenus() {
    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("File"));
    actions_.open =
        fileMenu->addAction(QStringLiteral("Open..."), this, &MainWindow::onOpenTriggered);
    actions_.open->setObjectName(QStringLiteral("openAction"));
    actions_.open->setShortcut(QKeySequence::Open);
    actions_.split =
        fileMenu->addAction(QStringLiteral("Split..."), this, &MainWindow::onSplitTriggered);
    actions_.split->setObjectName(QStringLiteral("splitAction"));
    addCutListActions(fileMenu);
    actions_.viewer =
        fileMenu->addAction(QStringLiteral("Show Viewer"), this, &MainWindow::onViewerTriggered);
    actions_.viewer->setObjectName(QStringLiteral("viewerAction"));
    actions_.viewer->setVisible(false);
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

    for (QWidget* w :
         {static_cast<QWidget*>(controls_.panel), static_cast<QWidget*>(panels_.splitFrame),
          static_cast<QWidget*>(panels_.tagFrame), static_cast<QWidget*>(panels_.partList),
          static_cast<QWidget*>(panels_.partListFrame)})
        SetBackground(w, BackColor);
    panels_.partList->clear();

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
    const QSignalBlocker block(controls_.volumeSlider);
    controls_.volumeSlider->setValue(st_.Volume);
    panels_.splitSettings->showSilenceSettings();
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

    Place(statusParts_.bar, geom_.statusBar);
    Place(panels_.splitFrame, geom_.splitFrame);
    Place(panels_.tagFrame, geom_.tagFrame);
    Place(panels_.partListFrame, geom_.partListFrame);
    layoutPartStartField();
    Place(controls_.panel, geom_.controlPanel);
    controls_.zoomOutButton->move(geom_.zoomOutButton.left, controls_.zoomOutButton->y());
    controls_.zoomInButton->move(geom_.zoomInButton.left, controls_.zoomInButton->y());
    Place(scrollBar_, geom_.scrollBar);
    Place(statusParts_.progress, geom_.progressBar);

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
        scrollSteps_.pageSize = static_cast<int>(std::max<int64_t>(page, 1));
    const int64_t position = RoundEven(
        z * static_cast<double>(RoundEven(static_cast<double>(kMax) * static_cast<double>(f0) /
                                          (z * static_cast<double>(n)))));
    scrollSteps_.smallChange = static_cast<int>(RoundEven(z));
    scrollSteps_.largeChange = static_cast<int>(RoundEven(10 * z));

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
    const SplitRunner* split = panels_.confirmDialog->splitRunner();
    const double progress = split->isRunning() ? split->percent() : st_.ProgressPercent.load();
    if (progress > 0) {
        statusParts_.progress->setValue(static_cast<int>(RoundEven(progress)));
        statusParts_.progress->show();
        return;
    }
    // The exact peaks computed behind the file shown.
    const bool peaks = openJob_->peaksRunning();
    const double peaksPercent = openJob_->peaksPercent();
    statusParts_.progress->setValue(static_cast<int>(RoundEven(peaksPercent)));
    statusParts_.progress->setVisible(peaks);
    // While an open runs the status word is the open's own.
    if (isBusy())
        return;
    if (auto caption = PlaybackStatusCaption(st_))
        controls_.statusLabel->setText(QString::fromStdString(*caption));
    if (!st_.FileLoaded) {
        controls_.statusLabel->setText(QStringLiteral("Open a file"));
        controls_.statusLabel->setCursor(Qt::PointingHandCursor);
    } else {
        controls_.statusLabel->unsetCursor();
    }
    if (!st_.IsPlaying && st_.FileLoaded) {
        // Stopped, the clock shows the play cursor.
        showTimeLabels(FrameSeconds(st_, st_.ClickFrame));
        const int k = st_.SelectedPart;
        if (peaks && (doc_.PreparePending() || k <= 0 || k > PartCount(st_))) {
            controls_.statusLabel->setText(PeaksStatusText(peaksPercent));
        } else if (k <= 0 || k > PartCount(st_)) {
            controls_.statusLabel->setText(QStringLiteral("Ready"));
        } else {
            const double start = PartStartSeconds(st_, k);
            const double end = PartEndSeconds(st_, k);
            controls_.statusLabel->setText(
                QStringLiteral("Part(%1)  %2 - %3")
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
