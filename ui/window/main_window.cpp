#include "ui/window/main_window.h"

#include "core/analysis/frame_index.h"
#include "core/parts/time_text.h"
#include "core/settings/settings_file.h"
#include "ui/output/confirm_dialog.h"
#include "ui/parts/split_settings_panel.h"
#include "ui/window/about_window.h"
#include "ui/window/frame_viewer.h"
#include "ui/window/help_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QScrollBar>
#include <QSlider>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <cmath>

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
    w->setGeometry(r.Left, r.Top, r.Width, r.Height);
}

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

TForm1::TForm1(ProgramState& st, AudioEngine& engine, UserDialogs& dialogs, WindowEnvironment env,
               QWidget* parent)
    : QMainWindow(parent), st_(st), engine_(engine), dialogs_(dialogs), env_(std::move(env)) {
    setWindowTitle(QStringLiteral("Tessivo"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    setFont(font);
    setMinimumSize(800, 600);
    resize(800, 600);
    setAcceptDrops(true);

    Client = new QWidget(this);
    SetBackground(Client, BackColor);
    setCentralWidget(Client);

    View = new WaveView(Client);
    View->SetHandler(this);
    Overlays = std::make_unique<PlaybackOverlays>(View);

    ScrollBar = new QScrollBar(Qt::Horizontal, Client);
    ScrollBar->setRange(0, kMax);
    ScrollBar->setPageStep(kMax);
    connect(ScrollBar, &QScrollBar::valueChanged, this, &TForm1::ScrollBarChange);
    // A click in the trough moves by the large change, not by a page.
    connect(ScrollBar, &QScrollBar::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderPageStepAdd)
            ScrollBar->setSliderPosition(ScrollBar->value() + ScrollLargeChange);
        else if (action == QAbstractSlider::SliderPageStepSub)
            ScrollBar->setSliderPosition(ScrollBar->value() - ScrollLargeChange);
    });

    PanelControl = new QFrame(Client);
    PanelLeft = new QFrame(Client);
    PanelList = new QFrame(Client);
    PanelTags = new QFrame(Client);
    for (QFrame* f : {PanelLeft, PanelList, PanelTags})
        f->setFrameShape(QFrame::StyledPanel);

    StBar = new QStatusBar(Client);
    StBar->setSizeGripEnabled(false);
    StBarPanel0 = new QLabel(StBar);
    StBarPanel0->setFrameShape(QFrame::Panel);
    StBarPanel0->setFrameShadow(QFrame::Sunken);
    StBarPanel0->setGeometry(0, 0, kStBarFirstPanelWidth, kStBarHeight);

    CreatePanelControl();
    CreateMenus();
    CreateEditingControls();

    Timer33ms = new QTimer(this);
    Timer33ms->setInterval(33);
    connect(Timer33ms, &QTimer::timeout, this, &TForm1::Timer33msTimer);
    TimerStatus = new QTimer(this);
    TimerStatus->setInterval(100);
    connect(TimerStatus, &QTimer::timeout, this, &TForm1::TimerStatusTimer);
    OpenPoll = new QTimer(this);
    OpenPoll->setInterval(20);
    connect(OpenPoll, &QTimer::timeout, this, &TForm1::PollOpen);

    FormViewer = new TFormViewer(st_, this);
    FormAbout = new TFormAbout(this);

    FormCreate();
    Timer33ms->start();
    TimerStatus->start();
}

TForm1::~TForm1() {
    // Destruction: no open may outlive the window, then the stream and the
    // audio output go.
    if (worker_.joinable()) {
        cancelOpen_ = true;
        worker_.join();
    }
    engine_.Stop(st_.PlayStream);
    engine_.FreeStream(st_.PlayStream);
    st_.PlayStream = 0;
    engine_.Shutdown();
}

void TForm1::CreatePanelControl() {
    SpdBtnPlay =
        MakeButton(PanelControl, QStringLiteral("Play"), QStringLiteral("Play"), 6, 8, 50, 27);
    SpdBtnStop =
        MakeButton(PanelControl, QStringLiteral("Stop"), QStringLiteral("Stop"), 60, 8, 50, 27);
    connect(SpdBtnPlay, &QToolButton::clicked, this, &TForm1::SpdBtnPlayClick);
    connect(SpdBtnStop, &QToolButton::clicked, this, &TForm1::SpdBtnStopClick);

    LabVolume = new QLabel(QStringLiteral("Volume"), PanelControl);
    LabVolume->setGeometry(150, 0, 70, 13);
    LabRate = new QLabel(QStringLiteral("Rate"), PanelControl);
    LabRate->setGeometry(230, 0, 50, 13);

    auto makeBar = [this](const QString& hint, int x, int w) {
        auto* bar = new QSlider(Qt::Horizontal, PanelControl);
        bar->setToolTip(hint);
        bar->setGeometry(x, 12, w, 25);
        bar->setRange(0, kSliderMax);
        bar->setTickPosition(QSlider::NoTicks);
        return bar;
    };
    VolumeBar = makeBar(QStringLiteral("Playback Volume"), 140, 80);
    RateBar = makeBar(QStringLiteral("Playback Rate"), 220, 60);
    connect(VolumeBar, &QSlider::valueChanged, this, &TForm1::VolumeBarChange);
    connect(RateBar, &QSlider::valueChanged, this, &TForm1::RateBarChange);

    ImageStatus = new QFrame(PanelControl);
    ImageStatus->setGeometry(280, 3, 221, 38);
    ImageStatus->setFrameShape(QFrame::Panel);
    ImageStatus->setFrameShadow(QFrame::Sunken);
    SetBackground(ImageStatus, QColor(245, 240, 230));
    LabStatus = new QLabel(QStringLiteral("Open a File"), ImageStatus);
    QFont statusFont(QStringLiteral("Times New Roman"));
    statusFont.setPixelSize(16);
    statusFont.setBold(true);
    LabStatus->setFont(statusFont);
    LabStatus->setGeometry(292 - 280, 12 - 3, 221 - 14, 22);
    LabStatus->setAttribute(Qt::WA_TranslucentBackground);
    LabStatus->installEventFilter(this);
    ImageStatus->installEventFilter(this);

    ImageTime = new QFrame(PanelControl);
    ImageTime->setGeometry(505, 3, 150, 38);
    ImageTime->setFrameShape(QFrame::Panel);
    ImageTime->setFrameShadow(QFrame::Sunken);
    SetBackground(ImageTime, QColor(245, 240, 230));
    LabTimeHms = new QLabel(QStringLiteral("0:00:00"), ImageTime);
    QFont clockFont(QStringLiteral("Times New Roman"));
    clockFont.setPixelSize(24);
    clockFont.setBold(true);
    LabTimeHms->setFont(clockFont);
    LabTimeHms->setGeometry(8, 4, 92, 30);
    LabTimeHms->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LabTimeMs = new QLabel(QStringLiteral(":000"), ImageTime);
    LabTimeMs->setGeometry(102, 12, 40, 20);

    SpdBtnSplit = MakeButton(PanelControl, QStringLiteral("Split"), QStringLiteral("Split & Save"),
                             665, 8, 60, 27);
    connect(SpdBtnSplit, &QToolButton::clicked, this, &TForm1::menuSplitClick);
    SpdBtnInc = MakeButton(PanelControl, QStringLiteral("+"), QStringLiteral("Zoom In Time"), 0, 8,
                           kZoomButtonWidth, 27);
    SpdBtnDec = MakeButton(PanelControl, QStringLiteral("-"), QStringLiteral("Zoom Out Time"), 0, 8,
                           kZoomButtonWidth, 27);
    connect(SpdBtnInc, &QToolButton::clicked, this, &TForm1::SpdBtnIncClick);
    connect(SpdBtnDec, &QToolButton::clicked, this, &TForm1::SpdBtnDecClick);

    ProgressBar = new QProgressBar(StBar);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ProgressBar->hide();
}

void TForm1::CreateMenus() {
    menuFile = menuBar()->addMenu(QStringLiteral("File"));
    menuOpen = menuFile->addAction(QStringLiteral("Open..."), this, &TForm1::menuOpenClick);
    menuOpen->setShortcut(QKeySequence::Open);
    menuSplit = menuFile->addAction(QStringLiteral("Split..."), this, &TForm1::menuSplitClick);
    menuViewer = menuFile->addAction(QStringLiteral("Show Viewer"), this, &TForm1::menuViewerClick);
    menuViewer->setVisible(false);
    menuFile->addSeparator();
    menuExplorer =
        menuFile->addAction(QStringLiteral("Explorer"), this, &TForm1::menuExplorerClick);
    menuFile->addSeparator();
    menuExit = menuFile->addAction(QStringLiteral("Exit"), this, &TForm1::menuExitClick);

    menuHelp = menuBar()->addMenu(QStringLiteral("Help"));
    menuContent =
        menuHelp->addAction(QStringLiteral("Help Contents"), this, &TForm1::menuContentClick);
    menuHelp->addSeparator();
    menuAbout = menuHelp->addAction(QStringLiteral("About..."), this, &TForm1::menuAboutClick);
}

void TForm1::FormCreate() {
    engine_.Init(); // a failure shows later, when playing is refused
    st_.ZoomLevel = 1;
    st_.FrameDuration = 0.02612;

    for (QWidget* w : {static_cast<QWidget*>(PanelControl), static_cast<QWidget*>(PanelLeft),
                       static_cast<QWidget*>(PanelTags), static_cast<QWidget*>(ListView1),
                       static_cast<QWidget*>(PanelList)})
        SetBackground(w, BackColor);
    ListView1->clear();

    LastFormWidth = width();
    LastFormHeight = height();

    LoadWindowSettings();

    ViewerEnabled = false;
    const QString chkFolder =
        env_.DiagnosticFolder.isEmpty() ? QDir::currentPath() : env_.DiagnosticFolder;
    if (QFileInfo::exists(chkFolder + QStringLiteral("/test.chk"))) {
        menuViewer->setVisible(true);
        ViewerEnabled = true;
    }
    st_.ViewerEnabled = ViewerEnabled;

    FormFontSize = font().pointSize();
    FormFontName = font().family();
    style_.FormFontName = FormFontName;
    style_.FormFontSize = FormFontSize;
    style_.Images = &DefaultMarkImages();

    LayoutView();
    UpdateScrollBar();
    PaintBackground();

    if (st_.OutputFolder.empty()) {
        const QString music = env_.MusicFolder.isEmpty() ? DefaultMusicFolder() : env_.MusicFolder;
        if (!music.isEmpty())
            QDir().mkpath(music);
        st_.OutputFolder = music.toStdString();
    }
    // The paint handler only copies the composed pictures; they are redrawn
    // when something changes.
    OsVersion6OrLater = true;
}

void TForm1::LoadWindowSettings() {
    LoadSettings(st_, env_.SettingsPath.toStdString());
    const QSignalBlocker block(VolumeBar);
    VolumeBar->setValue(st_.Volume);
    SplitSettings->ShowSilenceSettings();
}

bool TForm1::SaveWindowSettings() {
    std::string error;
    if (!SaveSettings(st_, env_.SettingsPath.toStdString(), error)) {
        dialogs_.ShowError(this, QString::fromStdString(error));
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Layout and drawing

void TForm1::LayoutView() {
    const int cw = Client->width();
    const int ch = Client->height();
    geom_ = ComputeLayout(cw, ch, st_.ChannelCount, st_.FrameCount);
    st_.WaveLeft = geom_.WaveLeft;
    st_.WaveRight = geom_.WaveRight;

    Place(StBar, geom_.StBar);
    Place(PanelLeft, geom_.PanelLeft);
    Place(PanelTags, geom_.PanelTags);
    Place(PanelList, geom_.PanelList);
    ListView1->setGeometry(0, 0, geom_.PanelList.Width, geom_.PanelList.Height);
    Place(PanelControl, geom_.PanelControl);
    SpdBtnDec->move(geom_.SpdBtnDec.Left, SpdBtnDec->y());
    SpdBtnInc->move(geom_.SpdBtnInc.Left, SpdBtnInc->y());
    Place(ScrollBar, geom_.ScrollBar);
    Place(ProgressBar, geom_.ProgressBar);

    // The view widget spans the client area down to the control panel; the
    // scroll bar lies on top of it.
    View->setGeometry(0, 0, cw, std::max(0, geom_.PanelControl.Top));
    View->WaveLeft = geom_.WaveLeft;
    View->MeterLeft = geom_.MeterLeft;
    ScrollBar->raise();

    if (View->WaveBitmap.size() != QSize(geom_.WaveBitmapWidth(), geom_.WaveBitmapHeight()))
        View->WaveBitmap = MakeWaveBitmap(geom_);
    if (View->MeterBitmap.size() != QSize(geom_.MeterBitmapWidth(), geom_.MeterBitmapHeight()))
        View->MeterBitmap = MakeMeterBitmap(geom_);
}

void TForm1::DrawWaveView() {
    if (View->WaveBitmap.isNull())
        return;
    {
        QPainter p(&View->WaveBitmap);
        RenderWaveView(p, st_, geom_, style_);
    }
    View->update(geom_.WaveLeft, geom_.WaveTop, View->WaveBitmap.width(),
                 View->WaveBitmap.height());
}

void TForm1::DrawLevelMeter() {
    if (View->MeterBitmap.isNull())
        return;
    {
        QPainter p(&View->MeterBitmap);
        RenderLevelMeter(p, st_, geom_, frameGeometry().height());
    }
    View->update(geom_.MeterLeft, geom_.WaveTop, View->MeterBitmap.width(),
                 View->MeterBitmap.height());
}

void TForm1::PaintBackground() {
    View->update();
}

void TForm1::ShowTimeLabels(double seconds) {
    std::string hms, ms;
    SplitClockText(seconds, hms, ms);
    LabTimeHms->setText(QString::fromStdString(hms));
    LabTimeMs->setText(QString::fromStdString(ms));
}

void TForm1::ShowStreamInfo() {
    StBarPanel0->setText(QString::fromStdString(StreamInfoText(st_)));
}

// ---------------------------------------------------------------------------
// Zoom and scrolling

void TForm1::SpdBtnIncClick() {
    if (busy_)
        return;
    if (st_.ZoomLevel > 1) {
        --st_.ZoomLevel;
        UpdateScrollBar();
        DrawWaveView();
    }
}

void TForm1::SpdBtnDecClick() {
    if (busy_)
        return;
    const int64_t w = geom_.WaveBitmapWidth();
    const int64_t n = st_.FrameCount;
    int64_t z = ZoomFactor[st_.ZoomLevel];
    if (st_.ZoomLevel >= 11 || RoundEven(static_cast<double>(n) / z) <= w)
        return; // the whole file already fits
    ++st_.ZoomLevel;
    z = ZoomFactor[st_.ZoomLevel];
    if (RoundEven(static_cast<double>(n - st_.ViewFirstFrame) / z) < w)
        st_.ViewFirstFrame = static_cast<int32_t>(std::max<int64_t>(n - w * z, 0));
    UpdateScrollBar();
    DrawWaveView();
}

void TForm1::UpdateScrollBar() {
    const int64_t n = st_.FrameCount == 0 ? 1 : st_.FrameCount;
    const int64_t z = ZoomFactor[st_.ZoomLevel];
    const int64_t cols = geom_.Cols();
    const int64_t f0 = st_.ViewFirstFrame;

    int64_t page = kMax;
    if (!(n <= z * cols && f0 == 0))
        page = RoundEven(static_cast<double>(z) * kMax * static_cast<double>(cols) /
                         static_cast<double>(n));
    if (page <= kMax)
        ScrollPageSize = static_cast<int>(std::max<int64_t>(page, 1));
    const int64_t position = z * RoundEven(static_cast<double>(kMax) * static_cast<double>(f0) /
                                           (static_cast<double>(z) * static_cast<double>(n)));
    ScrollSmallChange = static_cast<int>(z);
    ScrollLargeChange = static_cast<int>(10 * z);

    {
        // The last position shows the end of the file at the right edge.
        const QSignalBlocker block(ScrollBar);
        ScrollBar->setMaximum(kMax - ScrollPageSize);
        ScrollBar->setPageStep(ScrollPageSize);
        ScrollBar->setSingleStep(ScrollSmallChange);
    }
    // A changed position re-derives the first frame and redraws.
    ScrollBar->setValue(static_cast<int>(std::clamp<int64_t>(position, 0, kMax)));
}

void TForm1::ScrollBarChange(int position) {
    const int64_t z = ZoomFactor[st_.ZoomLevel];
    const int64_t fp = int64_t{st_.FrameCount} * position;
    st_.ViewFirstFrame = static_cast<int32_t>(
        z * RoundEven(static_cast<double>(fp) / (static_cast<double>(z) * kMax)));
    DrawWaveView();
}

void TForm1::AutoZoomIn() {
    const double z = ZoomFactor[st_.ZoomLevel];
    if (busy_ || st_.ZoomLevel <= 1 || !(st_.FrameCount < 0.5 * z * geom_.Cols()))
        return;
    --st_.ZoomLevel;
    LayoutView();
    UpdateScrollBar();
    PaintBackground();
    DrawWaveView();
}

void TForm1::FormPaintDone() {
    // The check runs at the end of every paint; the zoom itself is posted so
    // it does not redraw from inside the paint.
    if (autoZoomPending_ || busy_ || st_.ZoomLevel <= 1)
        return;
    if (!(st_.FrameCount < 0.5 * ZoomFactor[st_.ZoomLevel] * geom_.Cols()))
        return;
    autoZoomPending_ = true;
    QTimer::singleShot(0, this, [this] {
        autoZoomPending_ = false;
        AutoZoomIn();
    });
}

// ---------------------------------------------------------------------------
// Timers

void TForm1::Timer33msTimer() {
    if (!FirstTickDone) {
        FirstTickDone = true;
        DrawWaveView();
    }
    // The client area also changes without the outer size when the window is
    // first shown (the menu bar takes its height then).
    if (width() != LastFormWidth || height() != LastFormHeight ||
        Client->width() != geom_.ClientWidth || Client->height() != geom_.ClientHeight) {
        Overlays->HideCursor(); // back at the next tick that finds playback active
        LayoutView();
        UpdateScrollBar();
        PaintBackground();
        DrawWaveView();
        DrawLevelMeter();
        LastFormWidth = width();
        LastFormHeight = height();
    }
    if (!busy_)
        FollowPlayback();
}

void TForm1::TimerStatusTimer() {
    const double progress = st_.ProgressPercent.load();
    if (progress > 0) {
        ProgressBar->setValue(static_cast<int>(RoundEven(progress)));
        ProgressBar->show();
        return;
    }
    ProgressBar->hide();
    // While an open runs the status word is the open's own.
    if (busy_)
        return;
    if (auto caption = PlaybackStatusCaption(st_))
        LabStatus->setText(QString::fromStdString(*caption));
    if (!st_.FileLoaded) {
        LabStatus->setText(QStringLiteral("Open a file"));
        LabStatus->setCursor(Qt::PointingHandCursor);
    } else {
        LabStatus->unsetCursor();
    }
    if (!st_.IsPlaying && st_.FileLoaded) {
        ShowTimeLabels(0);
        const int k = st_.SelectedPart;
        if (k <= 0 || k > st_.CutCount || k >= kPartSlots) {
            LabStatus->setText(QStringLiteral("Ready"));
        } else {
            const double start = st_.PartStart[k] * st_.FrameDuration;
            const double end = (st_.PartEnd[k] + 1.0) * st_.FrameDuration;
            LabStatus->setText(QStringLiteral("Part(%1)  %2 - %3")
                                   .arg(k)
                                   .arg(QString::fromStdString(FormatTimeText(false, start)))
                                   .arg(QString::fromStdString(FormatTimeText(false, end))));
        }
    }
}

// ---------------------------------------------------------------------------
// Commands

void TForm1::SetCommandsEnabled(bool on) {
    for (QAction* a : {menuOpen, menuSplit, menuViewer})
        a->setEnabled(on);
    for (QWidget* w : {static_cast<QWidget*>(SpdBtnPlay), static_cast<QWidget*>(SpdBtnStop),
                       static_cast<QWidget*>(SpdBtnSplit), static_cast<QWidget*>(SpdBtnInc),
                       static_cast<QWidget*>(SpdBtnDec), static_cast<QWidget*>(ScrollBar),
                       static_cast<QWidget*>(PanelLeft), static_cast<QWidget*>(PanelList),
                       static_cast<QWidget*>(PanelTags)})
        w->setEnabled(on);
}

void TForm1::SetBusyCursor(bool busy) {
    if (busy == busyCursor_)
        return;
    busyCursor_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TForm1::menuSplitClick() {
    if (busy_)
        return;
    FormConfirm->OpenIfPartsPrepared();
}

void TForm1::menuViewerClick() {
    if (busy_ || !ViewerEnabled)
        return;
    FormViewer->exec();
}

void TForm1::menuExplorerClick() {
    dialogs_.OpenLocalPath(QString::fromStdString(st_.OutputFolder));
}

void TForm1::menuExitClick() {
    close();
}

void TForm1::menuContentClick() {
    const QString page = env_.HelpPage.isEmpty() ? FindHelpPage() : env_.HelpPage;
    ShowHelpPage(this, dialogs_, page);
}

void TForm1::menuAboutClick() {
    FormAbout->exec();
}

void TForm1::LabStatusClick() {
    if (!st_.FileLoaded && !busy_)
        menuOpenClick();
}

bool TForm1::eventFilter(QObject* watched, QEvent* e) {
    if ((watched == LabStatus || watched == ImageStatus) && e->type() == QEvent::MouseButtonPress) {
        LabStatusClick();
        return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

void TForm1::closeEvent(QCloseEvent* e) {
    if (worker_.joinable()) {
        cancelOpen_ = true;
        worker_.join();
        OpenPoll->stop();
        busy_ = false;
        st_.ProgressPercent = 0.0;
        SetBusyCursor(false);
    }
    // The window closes even when the settings could not be written: the
    // user has seen the error, and keeping the window open would not help.
    SaveWindowSettings();
    e->accept();
}

void TForm1::changeEvent(QEvent* e) {
    if (e->type() == QEvent::WindowStateChange && !(windowState() & Qt::WindowMinimized))
        DrawWaveView();
    QMainWindow::changeEvent(e);
}

} // namespace tessivo
