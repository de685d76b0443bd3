// The main window: menus, the waveform view, the panels below it, the status
// bar, the two timers and the open-file workflow. It is thin: its handlers call
// the core operations on the program state and then refresh what they show.
#pragma once

#include "core/document/document.h"
#include "core/playback/audio_engine.h"
#include "core/playback/playback_control.h"
#include "core/state/program_state.h"
#include "ui/common/user_dialogs.h"
#include "ui/document/document_signals.h"
#include "ui/document/edit_history.h"
#include "ui/view/playback_cursor_overlay.h"
#include "ui/view/view_controller.h"
#include "ui/view/view_geometry.h"
#include "ui/view/wave_renderer.h"
#include "ui/view/wave_view.h"
#include "ui/window/status_controller.h"
#include "ui/window/status_texts.h"

#include <QList>
#include <QLocale>
#include <QMainWindow>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>

class QAction;
class QDialog;
class QFrame;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QScrollBar;
class QSlider;
class QSplitter;
class QStatusBar;
class QTimer;
class QToolButton;
class QTreeWidget;

namespace tessivo {

class FrameViewerWindow;
class AboutWindow;
class ControlPanel;
class StatusController;
class SplitSettingsPanel;
class PartListView;
class PartPopupMenu;
class TagPanel;
class ConfirmDialog;
class CutListCommands;
class MuteCommands;
class CutReview;
class TrackListCommands;
class WaveMouse;
class OpenJob;
class AutosaveController;
class SettingsAutosave;
class BatchSplitDialog;
class JoinDialog;

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
    // Where exact peaks are kept between runs. Empty = the user's cache
    // folder (DefaultPeakCacheFolder).
    QString peakCacheFolder;
    // Decoders of the exact peaks (0: one per core) and frames per chunk
    // (0: the default).
    unsigned peakThreads = 0;
    uint32_t peakChunkFrames = 0;
    // Where edits are kept against a crash. Empty = the user's data folder
    // (DefaultRecoveryFolder).
    QString recoveryFolder;
    // How long a click on the waveform waits for a double click (ms).
    int clickWaitMs = 300;
};

// The settings file's place: tessivo.ini in the user's configuration folder
// (created when missing).
QString DefaultSettingsPath();
// The user's music folder, created when missing; empty when there is none.
QString DefaultMusicFolder();
// The help page installed with the program; empty when it cannot be found.
QString FindHelpPage();
// Every key of the window and what it does, as Help > Keyboard shortcuts
// lists them.
QList<QPair<QString, QString>> KeyboardShortcutList();

class MainWindow : public QMainWindow, public WaveViewHandler {
    Q_OBJECT
public:
    MainWindow(ProgramState& st, AudioEngine& engine, UserDialogs& dialogs, WindowEnvironment env,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    ProgramState& state() { return st_; }
    // The document of the open file (benchmarks and tests ask it about its
    // peaks).
    Document& document() { return doc_; }
    const ViewGeometry& viewGeometry() const { return view_->geometry(); }
    // The one owner of the zoom, the scroll and the stretch.
    ViewController* view() const { return view_; }

    // The open workflow for a path chosen elsewhere (drop, command line).
    void openFilePath(const QString& path);
    // True while a file's frame index is being built: every command that
    // would touch the state is refused then.
    bool isBusy() const;
    // Waits (running the event loop) until a running open has finished and
    // the file's exact peaks are in (unless the open job holds them back).
    void waitForOpen();
    // Waits until a running open shows its file (its peaks may be a preview).
    void waitForFileShown();
    // The open and the exact peaks behind the file shown.
    OpenJob* openJob() const { return openJob_.get(); }
    // At a start without a file: offers the newest edit a crash left whose
    // file is unchanged, and opens that file with it on Restore.
    void restoreAfterCrash();
    // The edit kept against a crash, and the settings written on change.
    AutosaveController* autosave() const { return autosave_.get(); }
    SettingsAutosave* settingsAutosave() const { return settingsAutosave_.get(); }

    // --- Commands (menus, buttons, keys) ---
    void onOpenTriggered();
    void onSplitTriggered();
    // File > Batch split...: the batch dialog (not modal; the document is
    // not involved), holding `files` when given (several MP3s dropped).
    void onBatchSplitTriggered();
    void openBatchSplit(const QStringList& files);
    // File > Join files...: the join dialog (not modal; the document is not
    // involved).
    void onJoinFilesTriggered();
    void onViewerTriggered();
    void onExplorerTriggered();
    void onExitTriggered();
    void onHelpContentsTriggered();
    void onAboutTriggered();
    // The sound libraries' versions for the About window (the window layer
    // cannot ask the sound library itself).
    void setAudioLibraries(const QString& text);
    void onStatusClicked();
    void onPlayClicked();
    void onStopClicked();
    void onZoomInClicked() { view_->zoomIn(); }
    void onZoomOutClicked() { view_->zoomOut(); }
    // View > Zoom to fit: the whole file across the view's width.
    void onZoomToFitTriggered() { view_->zoomToFit(); }
    // Edit > Add cut at...: asks for a time and adds a cut line there.
    void onAddCutAtTriggered();
    // The selected part's start typed as text (the field beside the part list
    // and the list's Begin cell): moves cut line k there, or says why not.
    void applyTypedStart(int k, const QString& text);

    // Help > Keyboard shortcuts: a window listing every key.
    void onKeyboardShortcutsTriggered();
    // Edit > Play around cut (C): 2 s before to 2 s after the selected cut line.
    void onPlayAroundCutTriggered();
    // Edit > Cut out selection (X): the Shift-selection's frames unticked
    // between two cut lines, as one undoable step.
    void onCutOutTriggered();
    // File > Save as one file... (Ctrl+Shift+S): the split dialog set to
    // write the ticked parts as one file.
    void onSaveAsOneFileTriggered();
    // Scrolls the view so that `frame` lies in its middle.
    void centreViewOn(int64_t frame);
    // Plays frames first..last (held in the file) and stops there.
    void playStretch(int64_t first, int64_t last);
    // The stretch chosen with Shift+drag (first <= last once chosen).
    const Stretch& stretch() const { return view_->stretch(); }
    bool hasStretch() const { return view_->hasStretch(); }
    // File > Open Recent, newest first.
    const QStringList& recentFiles() const { return recentFiles_; }

    // --- The timer that follows playback (33 ms) ---
    void onPlaybackTick();

    // --- Refreshes the editing code and the tests ask for ---
    void drawWaveView() { view_->draw(); }
    void updateScrollBar() { view_->updateScrollBar(); }
    void stopPlayback();

    // --- Parts of the window the tests drive ---
    WaveView* waveView() const { return waveView_; }
    PartListView* partList() const { return panels_.partList; }
    PartPopupMenu* partMenu() const { return panels_.partMenu; }
    TagPanel* tagPanel() const { return panels_.tagPanel; }
    ConfirmDialog* confirmDialog() const { return panels_.confirmDialog; }
    EditHistory* editHistory() const { return history_.get(); }
    WaveMouse* waveMouse() const { return panels_.waveMouse; }
    CutListCommands* cutListCommands() const { return panels_.cutLists; }
    // The batch dialog once it was opened (null before).
    BatchSplitDialog* batchSplitDialog() const { return panels_.batchSplit; }
    // The join dialog once it was opened (null before).
    JoinDialog* joinDialog() const { return panels_.joinFiles; }
    PlaybackOverlays* overlays() const { return overlays_.get(); }
    // The status word, the clock and the status bar.
    StatusController* statusController() const { return status_; }
    QLineEdit* partStartEdit() const { return panels_.partStartEdit; }
    // The composed pictures (the view copies them).
    const QImage& waveBitmap() const { return waveView_->waveBitmap; }
    const QImage& meterBitmap() const { return waveView_->meterBitmap; }

    // Values the scrolling code keeps.
    int scrollPageSize() const { return view_->scrollPageSize(); }
    int scrollSmallChange() const { return view_->scrollSmallChange(); }
    int scrollLargeChange() const { return view_->scrollLargeChange(); }
    // Folder the open dialog starts in (the last one used in this run).
    const QString& lastOpenFolder() const { return lastOpenFolder_; }
    // "test.chk" was found at start: the frame viewer is offered.
    bool viewerEnabled() const { return viewerEnabled_; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    // --- Creation ---
    void initialise();
    void createOpenJob();
    void createMenus();
    // File > Import cut list... and Export cut list...
    void addCutListActions(QMenu* fileMenu);
    void createEditMenu();
    void createClientArea();
    void connectControlPanel();
    void createEditingControls();
    void connectPanels();
    void connectPartMenu();
    void createWaveMouse();
    void createShortcuts();
    // Space on a selected row of the part list: ticks or unticks that part.
    // False when the list has no focus or no part is selected.
    bool toggleSelectedTick();
    // Keys of the play cursor and cut lines, the View menu, the start field.
    void createEditingKeys();
    // Mute selection, the review of the cuts and the track list import
    // (main_window_pauses.cpp).
    void createPauseCommands();
    void createViewMenu();
    // View > Colours and the scheme it chooses.
    void addColourActions(QMenu* viewMenu);
    void chooseColours(ColourChoice choice);
    void applyColourScheme();
    void createPartStartField();
    // The start field shows the selected part's start (empty when none).
    void showSelectedStart();
    void createTimers();
    // File > Open Recent, View > Zoom in/out, Edit > Play around cut and
    // Help > Keyboard shortcuts.
    void createRecentMenu(QMenu* fileMenu);
    void showRecentFiles();
    void rememberRecentFile(const QString& path);
    void addZoomActions(QMenu* viewMenu);
    void addListeningActions(QMenu* editMenu);
    void addHelpActions(QMenu* helpMenu);
    // Place, size, open folder and recent files from and into the settings file.
    void restoreWindowMemory();
    bool keepWindowMemory();
    // Playing a stretch stops at its end.
    void stopAtStretchEnd();
    void loadWindowSettings();
    bool saveWindowSettings();
    // Both sections of the settings file; "" when written, else the error.
    QString writeSettingsFile();
    // The edit's record and the settings written as they change.
    void createAutosave();
    void setCommandsEnabled(bool on);

    // --- Layout and drawing ---
    // The wave view changed size: its geometry is derived and drawn anew.
    void onWaveResized() override;
    // The view's owner, and the splitters that hold the panels.
    void createView();
    void createSplitters();
    // Shows `folder` in the file manager, or says that none could be started.
    void openFolder(const QString& folder);

    // --- Playback (the window's side of it) ---
    // Plays part n (now the playing part) from its start or from ClickFrame
    // at the rate slider's speed; a refusal shows the engine's error.
    // For the part list, its popup menu and the waveform clicks.
    void playPart(int n, PlayStartKind kind);
    void onVolumeChanged(int position);
    void onRateChanged(int position);
    // The playback branches of the 33 ms timer.
    void followPlayback();

    // --- What the part list, the split settings and the tag panel show ---
    void clearTagPanel();
    void showPartTags(int n);
    void updateSplitControls();
    void showEqualPartTime(int n);
    // Back to one part spanning the file ("Clear", popup "Clear Cut Lines").
    void clearCutLines();

    // --- Mouse on the waveform ---
    void onWaveMousePress(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x,
                          int y) override;
    void onWaveMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods, int x,
                         int y) override;
    void onWaveMouseRelease(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x,
                            int y) override;
    void onWaveDoubleClick(Qt::KeyboardModifiers mods) override;
    void onWavePainted() override;
    void onWaveWheel(QPoint angleDelta, Qt::KeyboardModifiers mods, int x) override;
    bool onWaveKeyPress(int key, Qt::KeyboardModifiers mods) override;

    // --- Keys and wheel ---
    // The play cursor to `frame` (held in the file); playback follows it.
    void movePlayCursorTo(int64_t frame);
    // M / Insert: a cut line at the play cursor.
    void addCutAtPlayCursor();
    // Delete: removes the selected part's starting cut line.
    void deleteSelectedCutLine();
    // A cut line at `frame` made by the keys or "Add cut at...", selected;
    // at exactly `sample` of the time base when one is given (0 or more).
    void addCutLineAt(int32_t frame, int64_t sample = -1);
    // The position line at ClickFrame while nothing plays.
    void placePositionLine();
    PlaybackGeometry playbackGeometry() const;

    // --- The open workflow after the chooser ---
    void startOpen(const QString& path);
    // The open job's frame index is built (ok) or the file was refused.
    void onFileOpened(bool ok, bool failed, const QString& message);
    // Every exact peak is in: a Prepare that waited for them runs.
    void onPeaksFinished();
    // True when nothing unsplit would be lost, or the user chose to discard it.
    bool mayDiscardEdits();
    // The table came back by undo or redo: the list, tags and view show it.
    void showRestoredParts();
    // Moves the analysed file into the state and shows it.
    void adoptOpenedFile();
    void rejectOpen(const QString& message, bool failed);

    ProgramState& st_;
    // Every edit of the open file and its parts goes through the document.
    Document doc_{st_};
    // Declared after the document, so it goes first.
    std::unique_ptr<DocumentSignals> docSignals_;
    // The undo history of the part table's edits.
    std::unique_ptr<EditHistory> history_;
    std::unique_ptr<AutosaveController> autosave_;
    std::unique_ptr<SettingsAutosave> settingsAutosave_;
    AudioEngine& engine_;
    UserDialogs& dialogs_;
    WindowEnvironment env_;
    // The zoom, the scroll, the stretch and the drawing of the view.
    ViewController* view_ = nullptr;

    bool viewerEnabled_ = false;
    QString lastOpenFolder_;
    QStringList recentFiles_;
    QMenu* recentMenu_ = nullptr;
    QDialog* shortcutsWindow_ = nullptr;
    // Where a stretch being played stops (-1: none), and the player's state
    // the status last showed.
    int64_t playStopFrame_ = -1;
    PlaybackValues shownPlayback_;

    // The open in progress and the exact peaks behind the file shown.
    std::unique_ptr<OpenJob> openJob_;

    // --- Widgets (tests find the plain ones by object name) ---
    QWidget* client_ = nullptr;
    WaveView* waveView_ = nullptr;
    // The playback cursor and strip mark over the view.
    std::unique_ptr<PlaybackOverlays> overlays_;
    // Waveform above, panels below; the panels side by side.
    QSplitter* mainSplitter_ = nullptr;
    QSplitter* panelSplitter_ = nullptr;
    // Set once the window is built: resizes lay the view out from then on.
    bool layoutReady_ = false;
    // The control panel above the panels, and the status word, clock and bar.
    ControlPanel* controls_ = nullptr;
    StatusController* status_ = nullptr;
    // The menu commands that are enabled and disabled with the file.
    struct Actions {
        QAction* open = nullptr;
        QAction* split = nullptr;
        QAction* viewer = nullptr;
        QAction* undo = nullptr;
        QAction* redo = nullptr;
    } actions_;
    // The panels below the waveform (split settings in splitFrame, the part
    // list and the start field in partListFrame, the tag panel in tagFrame),
    // the part list's menu, the dialogs and windows, the mouse on the
    // waveform and the cut list commands (import, export, drops).
    struct Panels {
        QFrame* splitFrame = nullptr;
        QFrame* partListFrame = nullptr;
        QFrame* tagFrame = nullptr;
        SplitSettingsPanel* splitSettings = nullptr;
        PartListView* partList = nullptr;
        QLineEdit* partStartEdit = nullptr;
        PartPopupMenu* partMenu = nullptr;
        TagPanel* tagPanel = nullptr;
        ConfirmDialog* confirmDialog = nullptr;
        FrameViewerWindow* frameViewer = nullptr;
        AboutWindow* aboutWindow = nullptr;
        WaveMouse* waveMouse = nullptr;
        CutListCommands* cutLists = nullptr;
        BatchSplitDialog* batchSplit = nullptr;
        JoinDialog* joinFiles = nullptr;
        MuteCommands* mutes = nullptr;
        CutReview* review = nullptr;
        TrackListCommands* trackLists = nullptr;
    } panels_;
};

} // namespace tessivo
