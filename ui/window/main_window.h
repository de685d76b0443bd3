// The main window: menus, the waveform view, the panels below it, the status
// bar, the two timers and the open-file workflow. It is thin: its handlers call
// the core operations on the program state and then refresh what they show.
#pragma once

#include "ui/window/user_dialogs.h"
#include "core/playback/audio_engine.h"
#include "core/playback/playback_control.h"
#include "core/state/program_state.h"
#include "ui/view/playback_cursor_overlay.h"
#include "ui/view/view_geometry.h"
#include "ui/view/wave_renderer.h"
#include "ui/view/wave_view.h"

#include <QLocale>
#include <QMainWindow>
#include <QString>

#include <atomic>
#include <memory>
#include <thread>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QProgressBar;
class QScrollBar;
class QSlider;
class QStatusBar;
class QTimer;
class QToolButton;
class QTreeWidget;

namespace tessivo {

class TFormViewer;
class TFormAbout;
class SplitSettingsPanel;
class PartListView;
class PartPopupMenu;
class TagPanel;
class ConfirmDialog;
class WaveMouse;

// What the window needs from its surroundings; tests point these elsewhere.
struct WindowEnvironment {
    // Full path of the settings file.
    QString SettingsPath;
    // The user's music folder: the default output folder. Empty = ask the
    // system (QStandardPaths::MusicLocation).
    QString MusicFolder;
    // Folder in which "test.chk" switches the frame viewer on. Empty = the
    // current directory.
    QString DiagnosticFolder;
    // The help page. Empty = look beside the program, then in the sources.
    QString HelpPage;
};

// The settings file's place: tessivo.ini in the user's configuration folder
// (created when missing).
QString DefaultSettingsPath();
// The user's music folder, created when missing; empty when there is none.
QString DefaultMusicFolder();
// The help page installed with the program; empty when it cannot be found.
QString FindHelpPage();
// "Calculating Peaks - " with the percentage: one decimal, the user's
// decimal separator.
QString PeaksStatusText(double percent, const QLocale& locale = QLocale());

class TForm1 : public QMainWindow, public WaveViewHandler {
    Q_OBJECT
public:
    TForm1(ProgramState& st, AudioEngine& engine, UserDialogs& dialogs, WindowEnvironment env,
           QWidget* parent = nullptr);
    ~TForm1() override;

    ProgramState& State() { return st_; }
    const ViewGeometry& Geometry() const { return geom_; }

    // --- Layout and drawing ---
    void LayoutView();
    void DrawWaveView();
    void DrawLevelMeter();
    void PaintBackground();
    void ShowTimeLabels(double seconds);
    void ShowStreamInfo();

    // --- Zoom and scrolling ---
    void SpdBtnIncClick();
    void SpdBtnDecClick();
    void UpdateScrollBar();
    void ScrollBarChange(int position);
    // One level in when the file fills less than half of the view.
    void AutoZoomIn();

    // --- Timers ---
    void Timer33msTimer();
    void TimerStatusTimer();

    // --- Commands ---
    void menuOpenClick();
    // The open workflow for a path chosen elsewhere (drop, command line).
    void OpenFilePath(const QString& path);
    void menuSplitClick();
    void menuViewerClick();
    void menuExplorerClick();
    void menuExitClick();
    void menuContentClick();
    void menuAboutClick();
    void LabStatusClick();

    // --- Playback (the window's side of it) ---
    void StopPlayback();
    void SpdBtnPlayClick();
    // Plays part n from its start or from ClickFrame (PlayingPart set by the
    // caller) at the rate slider's speed; a refusal shows the engine's error.
    // For the part list, its popup menu and the waveform clicks.
    void PlayPart(int n, PlayStartKind kind);
    void SpdBtnStopClick();
    void VolumeBarChange(int position);
    void RateBarChange(int position);
    // The playback branches of the 33 ms timer.
    void FollowPlayback();

    // --- What the part list, the split settings and the tag panel show ---
    void RefreshPartList();
    void ClearTagPanel();
    void ShowPartTags(int n);
    void UpdateSplitControls();
    void ShowEqualPartTime(int n);
    // Back to one part spanning the file ("Clear", popup "Clear Cut Lines").
    void ClearCutLines();

    // True while a file is being opened: every command that would touch the
    // state is refused then.
    bool IsBusy() const { return busy_; }
    // Waits (running the event loop) until a running open has finished.
    void WaitForOpen();

    // --- Mouse on the waveform ---
    void FormMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x, int y) override;
    void FormMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods, int x, int y) override;
    void FormMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x, int y) override;
    void FormDblClick() override;
    void FormPaintDone() override;

    // Values the status and scrolling code keep (read by tests too).
    int32_t LastFormWidth = 0;
    int32_t LastFormHeight = 0;
    bool FirstTickDone = false;
    bool ViewerEnabled = false;
    bool OsVersion6OrLater = true;
    QString FormFontName;
    int FormFontSize = 8;
    int ScrollPageSize = kScrollMax;
    int ScrollSmallChange = 1;
    int ScrollLargeChange = 10;
    // Folder the open dialog starts in (the last one used in this run).
    QString LastOpenFolder;

    // --- Controls ---
    QWidget* Client = nullptr;
    WaveView* View = nullptr;
    // The playback cursor and strip mark over the view.
    std::unique_ptr<PlaybackOverlays> Overlays;
    QScrollBar* ScrollBar = nullptr;
    QFrame* PanelControl = nullptr;
    QFrame* PanelLeft = nullptr;
    QFrame* PanelList = nullptr;
    QFrame* PanelTags = nullptr;
    QTreeWidget* ListView1 = nullptr;
    QStatusBar* StBar = nullptr;
    QLabel* StBarPanel0 = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QToolButton* SpdBtnPlay = nullptr;
    QToolButton* SpdBtnStop = nullptr;
    QToolButton* SpdBtnSplit = nullptr;
    QToolButton* SpdBtnInc = nullptr;
    QToolButton* SpdBtnDec = nullptr;
    QLabel* LabVolume = nullptr;
    QLabel* LabRate = nullptr;
    QSlider* VolumeBar = nullptr;
    QSlider* RateBar = nullptr;
    QFrame* ImageStatus = nullptr;
    QLabel* LabStatus = nullptr;
    QFrame* ImageTime = nullptr;
    QLabel* LabTimeHms = nullptr;
    QLabel* LabTimeMs = nullptr;
    QTimer* Timer33ms = nullptr;
    QTimer* TimerStatus = nullptr;

    QMenu* menuFile = nullptr;
    QAction* menuOpen = nullptr;
    QAction* menuSplit = nullptr;
    QAction* menuViewer = nullptr;
    QAction* menuExplorer = nullptr;
    QAction* menuExit = nullptr;
    QMenu* menuHelp = nullptr;
    QAction* menuContent = nullptr;
    QAction* menuAbout = nullptr;

    TFormViewer* FormViewer = nullptr;
    TFormAbout* FormAbout = nullptr;

    // Editing: split settings (in PanelLeft), the part list (ListView1), its
    // context menu, the tag panel (in PanelTags), the split dialog, the mouse.
    SplitSettingsPanel* SplitSettings = nullptr;
    PartListView* PartList = nullptr;
    PartPopupMenu* PMenu = nullptr;
    TagPanel* Tags = nullptr;
    ConfirmDialog* FormConfirm = nullptr;
    WaveMouse* Mouse = nullptr;

    // The composed pictures (the view copies them).
    const QImage& WaveBitmap() const { return View->WaveBitmap; }
    const QImage& MeterBitmap() const { return View->MeterBitmap; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void FormCreate();
    void CreateMenus();
    void CreatePanelControl();
    void CreateEditingControls();
    void LoadWindowSettings();
    bool SaveWindowSettings();
    void SetCommandsEnabled(bool on);
    void SetBusyCursor(bool busy);

    // The open workflow after the chooser.
    void StartOpen(const QString& path);
    void PollOpen();
    void FinishOpen();
    void RejectOpen(const QString& message);

    ProgramState& st_;
    AudioEngine& engine_;
    UserDialogs& dialogs_;
    WindowEnvironment env_;
    ViewGeometry geom_;
    RenderStyle style_;

    // A running open: the worker analyses into scratch_, the window polls.
    bool busy_ = false;
    bool busyCursor_ = false;
    std::thread worker_;
    std::unique_ptr<ProgramState> scratch_;
    std::atomic<bool> workerDone_{false};
    std::atomic<bool> cancelOpen_{false};
    std::atomic<int> openStage_{0};        // 0 opening, 1 calculating peaks
    std::atomic<double> shownPercent_{-1}; // percentage the status text shows
    bool workerOk_ = false;
    bool workerFailed_ = false; // an error, not a rejected file
    QString workerMessage_;
    int shownStage_ = 0;
    double shownPercentOnLabel_ = -1;
    QTimer* OpenPoll = nullptr;
    bool autoZoomPending_ = false;
};

} // namespace tessivo
