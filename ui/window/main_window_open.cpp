// Opening a file: the chooser, the frame index built by the open job's worker
// thread, the adoption of the result with preview (or cached) peaks on the
// window's thread, and the exact peaks arriving behind it.
#include "ui/window/main_window.h"

#include "ui/document/core_text.h"

#include "ui/window/control_panel.h"
#include "ui/window/status_controller.h"

#include "core/analysis/mp3_load.h"
#include "core/analysis/open_file.h"
#include "core/output/id3v1_tag.h"
#include "core/parts/cut_lines.h"
#include "ui/window/autosave_controller.h"
#include "ui/window/cut_list_commands.h"
#include "ui/window/open_job.h"
#include "ui/window/settings_autosave.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QScrollBar>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <cmath>
#include <exception>
#include <optional>

namespace tessivo {

namespace {

QString LocalFileOf(const QMimeData* mime) {
    if (!mime || !mime->hasUrls())
        return {};
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return {};
}

// The local MP3 files among dropped URLs.
QStringList LocalMp3FilesOf(const QMimeData* mime) {
    QStringList files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile() &&
            url.toLocalFile().endsWith(QStringLiteral(".mp3"), Qt::CaseInsensitive))
            files << url.toLocalFile();
    return files;
}

} // namespace

void MainWindow::onOpenTriggered() {
    if (isBusy())
        return;
    const QString path = dialogs_.chooseOpenFile(this, lastOpenFolder_, tr("MP3 Files (*.mp3)"));
    if (path.isEmpty())
        return; // cancelled: nothing changes, playback goes on
    openFilePath(path);
}

void MainWindow::openFilePath(const QString& path) {
    if (isBusy() || path.isEmpty())
        return;
    // Before the question whether to discard edits: a file that cannot be an
    // MP3 is refused with the edits kept.
    std::string refusal;
    if (st_.FileLoaded && doc_.HasUnsplitEdits() && !QuickCheck(path.toStdString(), refusal)) {
        dialogs_.showMessage(this, CoreText(refusal));
        return;
    }
    if (!mayDiscardEdits())
        return;
    lastOpenFolder_ = QFileInfo(path).absolutePath();
    settingsAutosave_->changed();
    startOpen(path);
}

void MainWindow::startOpen(const QString& path) {
    stopPlayback();

    // The open file stays, shown but not editable, until the new one is
    // adopted: a refused open puts the title and status words back.
    openJob_->setShownBefore({windowTitle(), controls_->status()});
    controls_->setStatus(tr("Opening file"));
    st_.LastShownPercent = 0;

    setWindowTitle(path);

    openJob_->start(path.toStdString(), viewerEnabled_);
    setCommandsEnabled(false);
    // The view no longer asks for a file to be chosen.
    view_->style().openHint = false;
    drawWaveView();
}

void MainWindow::waitForFileShown() {
    while (isBusy()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
}

void MainWindow::waitForOpen() {
    waitForFileShown();
    while (openJob_->peaksRunning() && !openJob_->peaksHeld()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
}

void MainWindow::onFileOpened(bool ok, bool failed, const QString& message) {
    setCommandsEnabled(true);
    view_->style().openHint = true;
    if (!ok) {
        rejectOpen(message, failed);
        return;
    }
    try {
        adoptOpenedFile();
    } catch (const std::exception& e) {
        openJob_->cancel();
        doc_.CloseFile(st_.FileName);
        // The earlier file went with the adoption: its title does not come back.
        openJob_->setShownBefore({QStringLiteral("Tessivo"), openJob_->shownBefore().status});
        rejectOpen(QString::fromLocal8Bit(e.what()), true);
    }
}

void MainWindow::adoptOpenedFile() {
    // The play stream reads the old file image: it goes before the image.
    engine_.Stop(st_.PlayStream);
    engine_.FreeStream(st_.PlayStream);
    st_.PlayStream = 0;
    st_.IsPlaying = false;
    st_.PlayFrame = 0;

    const bool exact = openJob_->resultExact();
    doc_.AdoptFile(std::move(*openJob_->takeResult()), exact);

    clearTagPanel();
    view_->clearStretch();
    rememberRecentFile(QString::fromStdString(st_.FileName));
    status_->hideSplitDone();
    status_->showTime(st_.Duration);
    status_->showStreamInfo();

    if (st_.FileTag.present)
        showPartTags(1);

    view_->showOpenedFile();
    showEqualPartTime(2);
    if (!exact)
        openJob_->startPeaks(); // the frames in view first: drawWaveView tells it
    drawWaveView();

    openJob_->setWaitCursor(false);
    updateSplitControls();

    st_.PlayStream = engine_.CreateStream(st_);
    // The status word goes back to what the status timer shows.
    status_->refresh();
    // An edit a crash left for this file is offered now that it shows.
    autosave_->offerRestore();
}

void MainWindow::onPeaksFinished() {
    const std::optional<PrepareOutcome> out = doc_.FinishPeaks();
    status_->refresh();
    if (!out)
        return;
    // A Prepare at pauses waited for the peaks: it has run now.
    if (!out->message.empty())
        dialogs_.showMessage(this, CoreText(out->message));
}

void MainWindow::rejectOpen(const QString& message, bool failed) {
    setWindowTitle(openJob_->shownBefore().title);
    controls_->setStatus(openJob_->shownBefore().status);
    status_->refresh(); // the words for the state kept (playback was stopped)
    openJob_->setWaitCursor(false);
    drawWaveView(); // the file kept, or the hint to open one
    // The file kept still needs its exact peaks.
    if (st_.FileLoaded && !doc_.PeaksExact())
        openJob_->startPeaks();
    if (message.isEmpty())
        return;
    if (failed)
        dialogs_.showError(this, message); // the general error handler's box
    else
        dialogs_.showMessage(this, message);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (!isBusy() && !LocalFileOf(e->mimeData()).isEmpty())
        e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e) {
    // Several MP3 files: the batch dialog offers to split them all alike.
    const QStringList mp3Files = LocalMp3FilesOf(e->mimeData());
    if (mp3Files.size() > 1) {
        e->acceptProposedAction();
        QTimer::singleShot(0, this, [this, mp3Files] { openBatchSplit(mp3Files); });
        return;
    }
    const QString path = LocalFileOf(e->mimeData());
    if (isBusy() || path.isEmpty())
        return;
    e->acceptProposedAction();
    // A cut list applies to the open file; anything else opens.
    if (CutListCommands::isCutListPath(path)) {
        QTimer::singleShot(0, this, [this, path] {
            if (!isBusy())
                panels_.cutLists->applyCutListFile(path);
        });
        return;
    }
    // Opened after the drop has finished, as if chosen in the dialog.
    QTimer::singleShot(0, this, [this, path] { openFilePath(path); });
}

} // namespace tessivo
