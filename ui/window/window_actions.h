// The window's menus and keys: File, Edit, View and Help with their
// shortcuts, File > Open Recent, Space and the zoom keys, View > Colours and
// the scheme it applies, and the windows the menus open beside the main
// window (keyboard shortcuts, help, About, the frame viewer, batch split
// and join). It calls the controllers the main window assembles.
#pragma once

#include "core/state/program_state.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

class QAction;
class QActionGroup;
class QDialog;
class QMenu;

namespace tessivo {

class AboutWindow;
class BatchSplitDialog;
class CutReview;
class FrameViewerWindow;
class JoinDialog;
class MainWindow;
class MuteCommands;
class TrackListCommands;

// Every key of the window and what it does, as Help > Keyboard shortcuts
// lists them.
QList<QPair<QString, QString>> KeyboardShortcutList();

class WindowActions : public QObject {
    Q_OBJECT
public:
    explicit WindowActions(MainWindow& window);

    // The menu bar's File, Edit, View and Help (the edit history is made).
    void createMenus();
    // Mute selection, the review of the cuts and the track list import,
    // once the panels are built.
    void createCommandObjects();
    // Space, Ctrl+S, + and -: edit boxes keep the keys they type.
    void createShortcuts();
    // The commands refused while a file opens or parts are written.
    void setEnabled(bool on);
    // "test.chk" was found: File > Show Viewer is offered.
    void showViewerAction();
    // File > Open Recent shows the open controller's list.
    void showRecentFiles();
    // The colour scheme of the choice in the state, on every widget.
    void applyColourScheme();

    // --- The windows the menus open ---
    void showKeyboardShortcuts();
    void showHelpContents();
    void showAbout();
    void setAudioLibraries(const QString& text);
    void showViewer();
    // The batch dialog (not modal; the document is not involved), holding
    // `files` when given (several MP3s dropped).
    void openBatchSplit(const QStringList& files);
    void openJoinFiles();
    // File > Explorer, and any folder shown in the file manager.
    void showOutputFolder();
    void openFolder(const QString& folder);

    BatchSplitDialog* batchSplitDialog() const { return batchSplit_; }
    JoinDialog* joinDialog() const { return joinFiles_; }
    CutReview* cutReview() const { return review_; }

private:
    void createFileMenu();
    void addCutListActions(QMenu* fileMenu);
    void createEditMenu();
    void createViewMenu();
    void addColourActions(QMenu* viewMenu);
    void chooseColours(ColourChoice choice);
    void createHelpMenu();

    MainWindow& window_;
    // The menu commands that are enabled and disabled with the file.
    struct Actions {
        QAction* open = nullptr;
        QAction* split = nullptr;
        QAction* viewer = nullptr;
        QAction* undo = nullptr;
        QAction* redo = nullptr;
    } actions_;
    QMenu* fileMenu_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QActionGroup* colourGroup_ = nullptr;
    QDialog* shortcutsWindow_ = nullptr;
    FrameViewerWindow* frameViewer_ = nullptr;
    AboutWindow* aboutWindow_ = nullptr;
    BatchSplitDialog* batchSplit_ = nullptr;
    JoinDialog* joinFiles_ = nullptr;
    MuteCommands* mutes_ = nullptr;
    CutReview* review_ = nullptr;
    TrackListCommands* trackLists_ = nullptr;
};

} // namespace tessivo
