// The main window assembles the program's window: it builds the menus
// (through WindowActions), places the waveform and the panels below it in
// splitters, and connects the controllers that own the state: the view's
// (ViewController), the player's (PlaybackController), the open workflow's
// (OpenController), the edit commands and the status.
#pragma once

#include "core/document/document.h"
#include "core/playback/audio_engine.h"
#include "core/state/program_state.h"
#include "ui/common/user_dialogs.h"
#include "ui/document/document_signals.h"
#include "ui/document/edit_history.h"
#include "ui/view/view_controller.h"
#include "ui/view/wave_view.h"
#include "ui/window/open_controller.h"
#include "ui/window/playback_controller.h"
#include "ui/window/status_controller.h"
#include "ui/window/window_actions.h"
#include "ui/window/window_environment.h"

#include <QMainWindow>

#include <memory>

class QFrame;
class QLineEdit;
class QSplitter;

namespace tessivo {

class ControlPanel;
class SplitSettingsPanel;
class PartListView;
class PartPopupMenu;
class TagPanel;
class ConfirmDialog;
class CutListCommands;
class EditCommands;
class WaveInput;
class WaveMouse;
class OpenJob;
class AutosaveController;
class SettingsAutosave;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(ProgramState& st, AudioEngine& engine, UserDialogs& dialogs, WindowEnvironment env,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    ProgramState& state() { return st_; }
    // The document of the open file (benchmarks and tests ask it about its
    // peaks), and its signals.
    Document& document() { return doc_; }
    DocumentSignals& documentSignals() const { return *docSignals_; }
    UserDialogs& dialogs() const { return dialogs_; }
    const WindowEnvironment& environment() const { return env_; }
    const ViewGeometry& viewGeometry() const { return view_->geometry(); }

    // --- The controllers it assembles ---
    // The one owner of the zoom, the scroll and the stretch.
    ViewController* view() const { return view_; }
    // The one owner of playback.
    PlaybackController* playback() const { return playback_; }
    OpenController* opener() const { return open_; }
    // The menus, their keys and the windows they open.
    WindowActions* actions() const { return actions_; }
    EditCommands* edits() const { return edits_; }
    // The open job, the status, the edit history and what is kept on change.
    OpenJob* openJob() const { return openJob_.get(); }
    StatusController* statusController() const { return status_; }
    EditHistory* editHistory() const { return history_.get(); }
    AutosaveController* autosave() const { return autosave_.get(); }
    SettingsAutosave* settingsAutosave() const { return settingsAutosave_.get(); }

    // True while a file's frame index is being built or parts are written:
    // every command that would touch the state is refused then.
    bool isBusy() const;
    // At a start without a file: offers the newest edit a crash left whose
    // file is unchanged, and opens that file with it on Restore.
    void restoreAfterCrash();
    // "test.chk" was found at start: the frame viewer is offered.
    bool viewerEnabled() const { return viewerEnabled_; }

    // --- Commands (menus, buttons, keys) the tests give ---
    void openFilePath(const QString& path) { open_->openFilePath(path); }
    // Wait (running the event loop) until a running open shows its file, and
    // until its exact peaks are in.
    void waitForFileShown() { open_->waitForOpen(false); }
    void waitForOpen() { open_->waitForOpen(true); }
    void onOpenTriggered() { open_->chooseAndOpen(); }
    void onSplitTriggered();
    void onExplorerTriggered() { actions_->showOutputFolder(); }
    void onExitTriggered() { close(); }
    void onHelpContentsTriggered() { actions_->showHelpContents(); }
    void onKeyboardShortcutsTriggered() { actions_->showKeyboardShortcuts(); }
    // The sound libraries' versions for the About window.
    void setAudioLibraries(const QString& text) { actions_->setAudioLibraries(text); }
    void onStatusClicked();
    void onPlayClicked() { playback_->play(); }
    void onStopClicked() { playback_->stop(); }
    void stopPlayback() { playback_->stopPlayback(); }
    void onPlaybackTick() { playback_->tick(); }
    void onZoomInClicked() { view_->zoomIn(); }
    void onZoomOutClicked() { view_->zoomOut(); }
    void onZoomToFitTriggered() { view_->zoomToFit(); }
    void drawWaveView() { view_->draw(); }
    const QStringList& recentFiles() const { return open_->recentFiles(); }
    const QString& lastOpenFolder() const { return open_->lastOpenFolder(); }

    // --- Parts of the window the tests drive ---
    WaveView* waveView() const { return waveView_; }
    PartListView* partList() const { return panels_.partList; }
    PartPopupMenu* partMenu() const { return panels_.partMenu; }
    TagPanel* tagPanel() const { return panels_.tagPanel; }
    SplitSettingsPanel* splitSettings() const { return panels_.splitSettings; }
    ConfirmDialog* confirmDialog() const { return panels_.confirmDialog; }
    WaveMouse* waveMouse() const { return panels_.waveMouse; }
    CutListCommands* cutListCommands() const { return panels_.cutLists; }
    QLineEdit* partStartEdit() const;
    QFrame* partListFrame() const { return panels_.partListFrame; }
    // The dialogs beside the window once they were opened (null before).
    BatchSplitDialog* batchSplitDialog() const { return actions_->batchSplitDialog(); }
    JoinDialog* joinDialog() const { return actions_->joinDialog(); }
    // The composed pictures (the view copies them).
    const QImage& waveBitmap() const { return waveView_->waveBitmap; }
    const QImage& meterBitmap() const { return waveView_->meterBitmap; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    // --- Assembly ---
    void createOpenJob();
    void createClientArea();
    void createView();
    void createSplitters();
    void createPanels();
    void connectPanels();
    void connectPartMenu();
    void connectOpen();
    void createWaveMouse();
    void initialise();
    // The edit's record and the settings written as they change.
    void createAutosave();
    void setCommandsEnabled(bool on);
    // A file adopted: the tag panel and the split settings show its parts.
    void showAdoptedFile();

    // --- Kept between runs ---
    void loadWindowSettings();
    bool saveWindowSettings();
    // Both sections of the settings file; "" when written, else the error.
    QString writeSettingsFile();
    // Place, size, splitters, open folder and recent files.
    void restoreWindowMemory();
    bool keepWindowMemory();

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
    bool viewerEnabled_ = false;
    // The open in progress and the exact peaks behind the file shown.
    std::unique_ptr<OpenJob> openJob_;

    // --- The controllers (children of the window) ---
    ViewController* view_ = nullptr;
    PlaybackController* playback_ = nullptr;
    OpenController* open_ = nullptr;
    WindowActions* actions_ = nullptr;
    EditCommands* edits_ = nullptr;
    StatusController* status_ = nullptr;
    std::unique_ptr<WaveInput> waveInput_;

    // --- Widgets (tests find the plain ones by object name) ---
    QWidget* client_ = nullptr;
    WaveView* waveView_ = nullptr;
    // Waveform above, panels below; the panels side by side.
    QSplitter* mainSplitter_ = nullptr;
    QSplitter* panelSplitter_ = nullptr;
    // The control panel above the panels.
    ControlPanel* controls_ = nullptr;
    // The panels below the waveform (split settings in splitFrame, the part
    // list and the start field in partListFrame, the tag panel in tagFrame),
    // the part list's menu, the split dialog, the mouse on the waveform and
    // the cut list commands (import, export, drops).
    struct Panels {
        QFrame* splitFrame = nullptr;
        QFrame* partListFrame = nullptr;
        QFrame* tagFrame = nullptr;
        SplitSettingsPanel* splitSettings = nullptr;
        PartListView* partList = nullptr;
        PartPopupMenu* partMenu = nullptr;
        TagPanel* tagPanel = nullptr;
        ConfirmDialog* confirmDialog = nullptr;
        WaveMouse* waveMouse = nullptr;
        CutListCommands* cutLists = nullptr;
    } panels_;
};

} // namespace tessivo
