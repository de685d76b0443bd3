// The window's commands around muted stretches, track lists and the review
// of the cuts: built after the editing controls, each adding its own menu
// entries.
#include "ui/window/main_window.h"

#include "core/parts/part_access.h"
#include "ui/window/cut_review.h"
#include "ui/window/mute_commands.h"
#include "ui/window/track_list_commands.h"

#include <QAction>
#include <QMenu>

#include <cmath>

namespace tessivo {

namespace {

// The menu that holds `action`.
QMenu* MenuOf(const QAction* action) {
    for (QObject* o : action->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(o))
            return menu;
    return nullptr;
}

} // namespace

void MainWindow::createPauseCommands() {
    QMenu* editMenu = MenuOf(actions_.undo);
    panels_.mutes = new MuteCommands(*this, editMenu);
    editMenu->addSeparator();
    panels_.review = new CutReview(*this, *docSignals_, editMenu);

    // After Import and Export cut list in the File menu.
    panels_.trackLists = new TrackListCommands(doc_, dialogs_, this);
    QAction* import = new QAction(tr("Import track list..."), this);
    import->setObjectName(QStringLiteral("importTrackListAction"));
    MenuOf(actions_.viewer)->insertAction(actions_.viewer, import);
    connect(import, &QAction::triggered, this, [this] {
        if (!isBusy())
            panels_.trackLists->importTrackList();
    });
}

void MainWindow::centreViewOn(int64_t frame) {
    view_->scrollTo(frame - RoundEven(FramesPerColumn(st_) * view_->geometry().cols() / 2.0));
}

} // namespace tessivo
