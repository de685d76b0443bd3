// The main window: menus, the waveform view, the panels below it, the status
// bar, the two timers and the open-file workflow. It is thin: its handlers call
// the core operations on the program state and then refresh what they show.
#pragma once

#include "core/playback/audio_engine.h"
#include "core/playback/playback_control.h"
#include "core/state/program_state.h"
#include "ui/view/playback_cursor_overlay.h"
#include "ui/view/view_geometry.h"
#include "ui/view/wave_renderer.h"
#include "ui/view/wave_view.h"
#include "ui/window/user_dialogs.h"

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

class FrameViewerWindow;
class AboutWindow;
class SplitSettingsPanel;
class PartListView;
class PartPopupMenu;
class TagPanel;
class ConfirmDialog;
class WaveMouse;

// What the window needs from its surroundings; tests point these elsewhere.
struct WindowEnvironment {
    // Full path of the settings file.
    QString settingsPath;
    // The user's music folder: the default output folder. Empty = ask the
    // system (QStandardPaths::MusicLocation).
    QString musicFolder;
    // Folder in which "test.chk" switches the frame viewer on. Empty = the
    // current directory.
    QString diagnosticFolder;
    // The help page. Empty = look beside the program, then in the sources.
    QString helpPage;
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

class MainWindow : public QMainWindow, public WaveViewHandler {
    Q_OBJECT
public:
    MainWindow(ProgramState& st, AudioEngine& engine, UserDialogs& dialogs, WindowEnvironment env,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    ProgramState& state() { return st_; }
    const ViewGeometry& viewGeometry() const { return geom_; }

    // --- Layout and drawing ---
    void layoutView();
    void drawWaveView();
    void drawLevelMeter();
    void paintBackground();
    void showTimeLabels(double seconds);
    void showStreamInfo();

    // --- Zoom and scrolling ---
    void onZoomInClicked();
    void onZoomOutClicked();
    void updateScrollBar();
    void onScrollBarMoved(int position);
    // One level in when the file fills less than half of the view.
    void autoZoomIn();

    // --- Timers ---
    void onPlaybackTick();
    void onStatusTick();

    // --- Commands ---
    void onOpenTriggered();
    // The open workflow for a path chosen elsewhere (drop, command line).
    void openFilePath(const QString& path);
    void onSplitTriggered();
    void onViewerTriggered();
    void onExplorerTriggered();
    void onExitTriggered();
    void onHelpContentsTriggered();
    void onAboutTriggered();
    void onStatusClicked();

    // --- Playback (the window's side of it) ---
    void stopPlayback();
    void onPlayClicked();
    // Plays part n from its start or from ClickFrame (PlayingPart set by the
    // caller) at the rate slider's speed; a refusal shows the engine's error.
    // For the part list, its popup menu and the waveform clicks.
    void playPart(int n, PlayStartKind kind);
    void onStopClicked();
    void onVolumeChanged(int position);
    void onRateChanged(int position);
    // The playback branches of the 33 ms timer.
    void followPlayback();

    // --- What the part list, the split settings and the tag panel show ---
    void refreshPartList();
    void clearTagPanel();
    void showPartTags(int n);
    void updateSplitControls();
    void showEqualPartTime(int n);
    // Back to one part spanning the file ("Clear", popup "Clear Cut Lines").
    void clearCutLines();

    // True while a file is being opened: every command that would touch the
    // state is refused then.
    bool isBusy() const { return busy_; }
    // Waits (running the event loop) until a running open has finished.
    void waitForOpen();

    // --- Mouse on the waveform ---
    void onWaveMousePress(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x,
                          int y) override;
    void onWaveMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods, int x,
                         int y) override;
    void onWaveMouseRelease(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x,
                            int y) override;
    void onWaveDoubleClick() override;
    void onWavePainted() override;

    // Values the status and scrolling code keep (read by tests too).
    int32_t lastWidth_ = 0;
    int32_t lastHeight_ = 0;
    bool firstTickDone_ = false;
    bool viewerEnabled_ = false;
    int scrollPageSize_ = kScrollMax;
    int scrollSmallChange_ = 1;
    int scrollLargeChange_ = 10;
    // Folder the open dialog starts in (the last one used in this run).
    QString lastOpenFolder_;

    // --- Controls ---
    QWidget* client_ = nullptr;
    WaveView* waveView_ = nullptr;
    // The playback cursor and strip mark over the view.
    std::unique_ptr<PlaybackOverlays> overlays_;
    QScrollBar* scrollBar_ = nullptr;
    QFrame* controlPanel_ = nullptr;
    QFrame* splitFrame_ = nullptr;
    QFrame* partListFrame_ = nullptr;
    QFrame* tagFrame_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* streamInfoLabel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QToolButton* playButton_ = nullptr;
    QToolButton* stopButton_ = nullptr;
    QToolButton* splitButton_ = nullptr;
    QToolButton* zoomInButton_ = nullptr;
    QToolButton* zoomOutButton_ = nullptr;
    QLabel* volumeLabel_ = nullptr;
    QLabel* rateLabel_ = nullptr;
    QSlider* volumeSlider_ = nullptr;
    QSlider* rateSlider_ = nullptr;
    QFrame* statusFrame_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QFrame* clockFrame_ = nullptr;
    QLabel* clockLabel_ = nullptr;
    QLabel* clockMsLabel_ = nullptr;
    QTimer* playbackTimer_ = nullptr;
    QTimer* statusTimer_ = nullptr;

    QMenu* fileMenu_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* splitAction_ = nullptr;
    QAction* viewerAction_ = nullptr;
    QAction* explorerAction_ = nullptr;
    QAction* exitAction_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* helpContentsAction_ = nullptr;
    QAction* aboutAction_ = nullptr;

    FrameViewerWindow* frameViewer_ = nullptr;
    AboutWindow* aboutWindow_ = nullptr;

    // Editing: split settings (in splitFrame_), the part list (partList_), its
    // context menu, the tag panel (in tagFrame_), the split dialog, the mouse.
    SplitSettingsPanel* splitSettings_ = nullptr;
    PartListView* partList_ = nullptr;
    PartPopupMenu* partMenu_ = nullptr;
    TagPanel* tagPanel_ = nullptr;
    ConfirmDialog* confirmDialog_ = nullptr;
    WaveMouse* waveMouse_ = nullptr;

    // The composed pictures (the view copies them).
    const QImage& waveBitmap() const { return waveView_->waveBitmap; }
    const QImage& meterBitmap() const { return waveView_->meterBitmap; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void initialise();
    void createMenus();
    void createControlPanel();
    void createEditingControls();
    void loadWindowSettings();
    bool saveWindowSettings();
    void setCommandsEnabled(bool on);
    void setBusyCursor(bool busy);

    // The open workflow after the chooser.
    void startOpen(const QString& path);
    void pollOpen();
    void finishOpen();
    void rejectOpen(const QString& message);

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
    QTimer* openPollTimer_ = nullptr;
    bool autoZoomPending_ = false;
};

} // namespace tessivo
