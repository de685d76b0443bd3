// The open workflow of the window: the chooser, the question before unsplit
// edits are lost, the open job that builds the frame index, the adoption of
// its result, the exact peaks behind it, and what is dropped on the window.
// It keeps the folder last opened from and the recent files, and reports to
// the window through signals.
#pragma once

#include "core/document/document.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QMimeData;
class QWidget;

namespace tessivo {

class ControlPanel;
class EditHistory;
class OpenJob;
class PlaybackController;
class StatusController;
class UserDialogs;
class ViewController;

// What the open workflow works with; every pointer is set.
struct OpenParts {
    ProgramState* st = nullptr;
    Document* doc = nullptr;
    OpenJob* job = nullptr;
    UserDialogs* dialogs = nullptr;
    // The window: the parent of the questions, its title names the file.
    QWidget* window = nullptr;
    ControlPanel* controls = nullptr;
    StatusController* status = nullptr;
    ViewController* view = nullptr;
    PlaybackController* playback = nullptr;
    EditHistory* history = nullptr;
    // True while an open or a split runs.
    std::function<bool()> busy;
};

class OpenController : public QObject {
    Q_OBJECT
public:
    OpenController(OpenParts parts, QObject* parent);

    // File > Open...: the chooser, then the file chosen.
    void chooseAndOpen();
    // The open workflow for a path chosen elsewhere (drop, command line).
    void openFilePath(const QString& path);
    // True when nothing unsplit would be lost, or the user chose to discard it.
    bool mayDiscardEdits();
    // Waits (running the event loop) until a running open shows its file,
    // and with `peaks` until the exact peaks are in (unless held back).
    void waitForOpen(bool peaks);

    // A drop the window takes: a local file while nothing runs.
    bool acceptsDrop(const QMimeData* mime) const;
    // Acts on a drop (after it has finished); false when it is refused.
    bool drop(const QMimeData* mime);

    // The frame viewer is offered: the open keeps what it shows.
    void setViewerEnabled(bool on) { viewerEnabled_ = on; }
    // File > Open Recent, newest first, and the folder the chooser starts in.
    const QStringList& recentFiles() const { return recentFiles_; }
    const QString& lastOpenFolder() const { return lastOpenFolder_; }
    // Both as kept between runs (an empty folder keeps the one there is).
    void restoreMemory(const QStringList& recentFiles, const QString& openFolder);

signals:
    // Commands are refused while a file opens, and allowed again after.
    void commandsEnabled(bool on);
    // A file was adopted and shows: the panels show its parts.
    void fileAdopted();
    void recentFilesChanged();
    // The open folder or the recent files changed: the settings are written.
    void settingsChanged();
    // Several MP3 files dropped, and a cut list dropped on the open file.
    void batchSplitRequested(const QStringList& files);
    void cutListDropped(const QString& path);

private:
    void startOpen(const QString& path);
    // The open job's frame index is built (ok) or the file was refused.
    void onFileOpened(bool ok, bool failed, const QString& message);
    // Every exact peak is in: a Prepare that waited for them runs.
    void onPeaksFinished();
    // Moves the analysed file into the state and shows it.
    void adoptOpenedFile();
    void rejectOpen(const QString& message, bool failed);
    void rememberRecentFile(const QString& path);

    OpenParts p_;
    ProgramState& st_;
    bool viewerEnabled_ = false;
    QString lastOpenFolder_;
    QStringList recentFiles_;
};

} // namespace tessivo
