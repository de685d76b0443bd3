#include "ui/window/main_window.h"

#include "core/analysis/peak_cache.h"
#include "core/settings/settings_file.h"
#include "ui/document/core_text.h"
#include "ui/output/confirm_dialog.h"
#include "ui/output/split_runner.h"
#include "ui/output/tag_panel.h"
#include "ui/parts/part_list_view.h"
#include "ui/parts/split_settings_panel.h"
#include "ui/view/colour_scheme.h"
#include "ui/view/wave_mouse.h"
#include "ui/window/autosave_controller.h"
#include "ui/window/control_panel.h"
#include "ui/window/cut_list_commands.h"
#include "ui/window/edit_commands.h"
#include "ui/window/open_job.h"
#include "ui/window/settings_autosave.h"
#include "ui/window/wave_input.h"
#include "ui/window/window_memory.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

namespace tessivo {

namespace {

QFrame* MakeFrame(QWidget* parent, const QString& name) {
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    f->setFrameShape(QFrame::StyledPanel);
    return f;
}

// Puts `w` into `frame`, filling it.
void Fill(QFrame* frame, QWidget* w) {
    auto* box = new QVBoxLayout(frame);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(w);
}

} // namespace

MainWindow::MainWindow(ProgramState& st, AudioEngine& engine, UserDialogs& dialogs,
                       WindowEnvironment env, QWidget* parent)
    : QMainWindow(parent), st_(st), engine_(engine), dialogs_(dialogs), env_(std::move(env)) {
    setWindowTitle(QStringLiteral("Tessivo"));
    // The desktop's own font at its own size: the panels' layouts make room.
    setMinimumSize(800, 600);
    resize(800, 600);
    setAcceptDrops(true);
    history_ = std::make_unique<EditHistory>(doc_);
    docSignals_ = std::make_unique<DocumentSignals>(doc_);
    createOpenJob();

    client_ = new QWidget(this);
    createClientArea();
    actions_ = new WindowActions(*this);
    actions_->createMenus();
    createPanels();
    connectOpen();
    status_->follow(*docSignals_, *openJob_, *panels_.confirmDialog->splitRunner());

    initialise();
    createAutosave();
    // From now on the view's events (its size among them) come here.
    waveInput_ = std::make_unique<WaveInput>(*this);
    waveView_->setHandler(waveInput_.get());
}

MainWindow::~MainWindow() {
    // Destruction: a split being written finishes first (its files are the
    // user's); no open and no peak computation may outlive the window, then
    // the stream and the audio output go.
    waveView_->setHandler(nullptr);
    panels_.confirmDialog->splitRunner()->wait();
    openJob_->cancel();
    playback_->releaseStream();
    engine_.Shutdown();
}

void MainWindow::createOpenJob() {
    PeakWorkSettings peakWork;
    peakWork.cacheFolder = env_.peakCacheFolder.isEmpty() ? DefaultPeakCacheFolder()
                                                          : env_.peakCacheFolder.toStdString();
    peakWork.threads = env_.peakThreads;
    if (env_.peakChunkFrames > 0)
        peakWork.chunkFrames = env_.peakChunkFrames;
    openJob_ = std::make_unique<OpenJob>(doc_, st_.ProgressPercent, std::move(peakWork));
}

void MainWindow::createClientArea() {
    client_->setObjectName(QStringLiteral("client"));
    SetSchemeBackground(client_, BackColor);
    setCentralWidget(client_);

    waveView_ = new WaveView(client_);
    waveView_->setObjectName(QStringLiteral("waveView"));
    createView();

    controls_ = new ControlPanel(client_);
    panels_.splitFrame = MakeFrame(client_, QStringLiteral("splitFrame"));
    panels_.partListFrame = MakeFrame(client_, QStringLiteral("partListFrame"));
    panels_.tagFrame = MakeFrame(client_, QStringLiteral("tagFrame"));
    const auto busy = [this] { return isBusy(); };
    status_ = new StatusController(doc_, *controls_, *this, busy);
    playback_ =
        new PlaybackController(st_, engine_, dialogs_, *view_, *waveView_, *controls_, busy, this);
    connect(playback_, &PlaybackController::playbackChanged, status_, &StatusController::refresh);
    connect(playback_, &PlaybackController::timeFollowed, status_, &StatusController::showTime);
    connect(controls_->splitButton, &QToolButton::clicked, this, &MainWindow::onSplitTriggered);
    connect(controls_->zoomInButton, &QToolButton::clicked, view_, &ViewController::zoomIn);
    connect(controls_->zoomOutButton, &QToolButton::clicked, view_, &ViewController::zoomOut);
    connect(controls_, &ControlPanel::statusClicked, this, &MainWindow::onStatusClicked);
    open_ = new OpenController({&st_, &doc_, openJob_.get(), &dialogs_, this, controls_, status_,
                                view_, playback_, history_.get(), busy},
                               this);
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

void MainWindow::createPanels() {
    panels_.splitSettings = new SplitSettingsPanel(doc_, dialogs_, panels_.splitFrame);
    Fill(panels_.splitFrame, panels_.splitSettings);
    panels_.partList = new PartListView(doc_, *docSignals_, panels_.partListFrame);
    panels_.tagPanel = new TagPanel(doc_, panels_.tagFrame);
    Fill(panels_.tagFrame, panels_.tagPanel);
    panels_.partMenu = new PartPopupMenu(doc_, this);
    panels_.confirmDialog = new ConfirmDialog(doc_, dialogs_, this);
    panels_.cutLists = new CutListCommands(doc_, dialogs_, this);
    edits_ = new EditCommands(*this);
    connect(history_.get(), &EditHistory::partsRestored, edits_, &EditCommands::showRestoredParts);

    connectPanels();
    connectPartMenu();
    createWaveMouse();
    actions_->createShortcuts();
    edits_->createStartField(panels_.partListFrame);
    edits_->createKeys();
    // A new file: the cursor at its start, the view takes the keys, the old
    // file's samples go.
    connect(docSignals_.get(), &DocumentSignals::fileChanged, this, [this] {
        view_->forgetFile();
        st_.ClickFrame = 0;
        waveView_->setFocus(Qt::OtherFocusReason);
    });
    actions_->createCommandObjects();
}

void MainWindow::connectPanels() {
    // The waveform follows every edit of the document and its new peaks.
    connect(docSignals_.get(), &DocumentSignals::changed, view_, &ViewController::draw);
    connect(panels_.splitSettings, &SplitSettingsPanel::clearRequested, edits_,
            &EditCommands::clearCutLines);
    connect(panels_.partList, &PartListView::playPartRequested, playback_,
            [this](int k) { playback_->playPart(k, PlayStartKind::PartStart); });

    // The tag panel follows the parts: never a part that is gone. Another
    // part selected keeps what was typed for the one shown.
    for (auto signal : {&DocumentSignals::cutLinesChanged, &DocumentSignals::selectionChanged})
        connect(docSignals_.get(), signal, panels_.tagPanel, &TagPanel::followParts);
    connect(panels_.partList, &PartListView::partPicked, panels_.tagPanel, &TagPanel::showPartTags);

    connect(panels_.confirmDialog, &ConfirmDialog::statusText, controls_, &ControlPanel::setStatus);
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
    connect(status_, &StatusController::openFolderRequested, actions_, &WindowActions::openFolder);
}

void MainWindow::connectPartMenu() {
    connect(panels_.partMenu, &PartPopupMenu::playPartRequested, playback_,
            [this](int k) { playback_->playPart(k, PlayStartKind::PartStart); });
    connect(panels_.partMenu, &PartPopupMenu::stopRequested, playback_, &PlaybackController::stop);
    connect(panels_.partMenu, &PartPopupMenu::clearRequested, edits_, &EditCommands::clearCutLines);
    connect(panels_.partMenu, &PartPopupMenu::splitRequested, this, [this] {
        if (!isBusy())
            panels_.confirmDialog->openIfPartsPrepared();
    });
    connect(panels_.partMenu, &PartPopupMenu::explorerRequested, actions_,
            &WindowActions::showOutputFolder);
    // A right click anywhere in the window opens it; edit boxes keep their own.
    client_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(client_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (!isBusy())
            panels_.partMenu->popup(client_->mapToGlobal(pos));
    });
}

void MainWindow::connectOpen() {
    connect(open_, &OpenController::commandsEnabled, this, &MainWindow::setCommandsEnabled);
    connect(open_, &OpenController::fileAdopted, this, &MainWindow::showAdoptedFile);
    connect(open_, &OpenController::recentFilesChanged, actions_, &WindowActions::showRecentFiles);
    connect(open_, &OpenController::batchSplitRequested, actions_, &WindowActions::openBatchSplit);
    connect(open_, &OpenController::cutListDropped, panels_.cutLists,
            &CutListCommands::applyCutListFile);
}

void MainWindow::createWaveMouse() {
    WaveMouseHooks hooks;
    hooks.showTimeLabels = [this](double s) { status_->showTime(s); };
    hooks.selectListRow = [this](int k) { panels_.partList->selectPart(k); };
    hooks.playFrom = [this](int n, PlayStartKind kind) { playback_->playPart(n, kind); };
    hooks.stopPlayback = [this] { stopPlayback(); };
    hooks.openFile = [this] { onOpenTriggered(); };
    hooks.setCursor = [this](Qt::CursorShape shape) { waveView_->setCursor(shape); };
    panels_.waveMouse = new WaveMouse(doc_, st_, view_->geometry(), std::move(hooks), this);
    panels_.waveMouse->setClickWait(env_.clickWaitMs);
}

void MainWindow::initialise() {
    engine_.Init(); // a failure shows later, when playing is refused
    st_.ZoomLevel = 1;
    st_.FrameDuration = 0.02612;

    for (QWidget* w :
         {static_cast<QWidget*>(controls_), static_cast<QWidget*>(panels_.splitFrame),
          static_cast<QWidget*>(panels_.tagFrame), static_cast<QWidget*>(panels_.partList),
          static_cast<QWidget*>(panels_.partListFrame)})
        SetSchemeBackground(w, BackColor);

    loadWindowSettings();

    const QString chkFolder =
        env_.diagnosticFolder.isEmpty() ? QDir::currentPath() : env_.diagnosticFolder;
    if (QFileInfo::exists(chkFolder + QStringLiteral("/test.chk"))) {
        actions_->showViewerAction();
        viewerEnabled_ = true;
    }
    st_.ViewerEnabled = viewerEnabled_;
    open_->setViewerEnabled(viewerEnabled_);

    view_->style().fontFamily = font().family();
    view_->style().fontSize = font().pointSize();
    actions_->applyColourScheme();

    view_->layout();
    view_->updateScrollBar();

    if (st_.OutputFolder.empty()) {
        const QString music = env_.musicFolder.isEmpty() ? DefaultMusicFolder() : env_.musicFolder;
        if (!music.isEmpty())
            QDir().mkpath(music);
        doc_.SetOutputFolder(music.toStdString());
    }
}

bool MainWindow::isBusy() const {
    return openJob_->busy() || panels_.confirmDialog->splitRunner()->isRunning();
}

QLineEdit* MainWindow::partStartEdit() const {
    return edits_->partStartEdit();
}

void MainWindow::setCommandsEnabled(bool on) {
    actions_->setEnabled(on);
    controls_->setControlsEnabled(on);
    for (QWidget* w :
         {static_cast<QWidget*>(view_->scrollBar()), static_cast<QWidget*>(panels_.splitFrame),
          static_cast<QWidget*>(panels_.partListFrame), static_cast<QWidget*>(panels_.tagFrame)})
        w->setEnabled(on);
}

void MainWindow::showAdoptedFile() {
    panels_.tagPanel->clearTagPanel();
    if (st_.FileTag.present)
        panels_.tagPanel->showPartTags(1);
    panels_.splitSettings->resetForOpenedFile(2);
    panels_.splitSettings->updateSplitControls();
}

void MainWindow::onSplitTriggered() {
    if (!isBusy())
        panels_.confirmDialog->openIfPartsPrepared();
}

void MainWindow::onStatusClicked() {
    if (!st_.FileLoaded && !isBusy())
        onOpenTriggered();
}

// ---------------------------------------------------------------------------
// What survives a crash, and what is kept between runs

void MainWindow::createAutosave() {
    autosave_ = std::make_unique<AutosaveController>(doc_, dialogs_, this, env_.recoveryFolder,
                                                     env_.autosaveWaitMs);
    connect(autosave_.get(), &AutosaveController::restored, edits_,
            &EditCommands::showRestoredParts);
    // An edit a crash left for a file just opened is offered once it shows.
    connect(open_, &OpenController::fileAdopted, autosave_.get(),
            &AutosaveController::offerRestore);
    // Made after the settings were read and the defaults filled, so a start
    // writes nothing.
    settingsAutosave_ = std::make_unique<SettingsAutosave>(
        dialogs_, this, [this] { return writeSettingsFile(); }, env_.settingsWaitMs);
    SettingsAutosave* saver = settingsAutosave_.get();
    connect(docSignals_.get(), &DocumentSignals::settingsChanged, saver,
            &SettingsAutosave::changed);
    connect(controls_->volumeSlider, &QSlider::valueChanged, saver, &SettingsAutosave::changed);
    connect(open_, &OpenController::settingsChanged, saver, &SettingsAutosave::changed);
}

void MainWindow::restoreAfterCrash() {
    if (isBusy() || st_.FileLoaded)
        return;
    const QString path = autosave_->offerNewestRecord();
    if (!path.isEmpty())
        openFilePath(path);
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

QString MainWindow::writeSettingsFile() {
    std::string error;
    if (!SaveSettings(st_, env_.settingsPath.toStdString(), error, &doc_.SplitLoudnessChoice()))
        return CoreText(error);
    if (!keepWindowMemory())
        return tr("Unable to write to %1").arg(env_.settingsPath);
    return {};
}

void MainWindow::restoreWindowMemory() {
    const WindowMemory m = LoadWindowMemory(env_.settingsPath);
    open_->restoreMemory(m.recentFiles, m.openFolder);
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
    m.openFolder = open_->lastOpenFolder();
    m.recentFiles = open_->recentFiles();
    m.waveSplit = mainSplitter_->sizes();
    m.panelSplit = panelSplitter_->sizes();
    return SaveWindowMemory(env_.settingsPath, m);
}

// ---------------------------------------------------------------------------
// Window events

void MainWindow::closeEvent(QCloseEvent* e) {
    // A split being written finishes first: its files are the user's, and
    // the parts it wrote no longer count as unsplit edits.
    panels_.confirmDialog->splitRunner()->wait();
    if (!open_->mayDiscardEdits()) {
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
    if (palette && actions_ && st_.Colours == ColourChoice::FollowDesktop &&
        ActiveScheme().isDark() != view_->style().colours.isDark())
        actions_->applyColourScheme();
    QMainWindow::changeEvent(e);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (open_->acceptsDrop(e->mimeData()))
        e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e) {
    if (open_->drop(e->mimeData()))
        e->acceptProposedAction();
}

} // namespace tessivo
