// Opening a file: the chooser, the frame index built by the open job's worker
// thread, the adoption of the result with preview (or cached) peaks on the
// window's thread, and the exact peaks arriving behind it.
#include "ui/window/open_controller.h"

#include "core/analysis/mp3_load.h"
#include "core/analysis/open_file.h"
#include "ui/common/user_dialogs.h"
#include "ui/document/core_text.h"
#include "ui/document/edit_history.h"
#include "ui/view/view_controller.h"
#include "ui/window/control_panel.h"
#include "ui/window/cut_list_commands.h"
#include "ui/window/open_job.h"
#include "ui/window/playback_controller.h"
#include "ui/window/status_controller.h"
#include "ui/window/window_memory.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

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

OpenController::OpenController(OpenParts parts, QObject* parent)
    : QObject(parent), p_(std::move(parts)), st_(*p_.st) {
    connect(p_.job, &OpenJob::opened, this, &OpenController::onFileOpened);
    connect(p_.job, &OpenJob::peaksFinished, this, &OpenController::onPeaksFinished);
}

void OpenController::chooseAndOpen() {
    if (p_.busy())
        return;
    const QString path =
        p_.dialogs->chooseOpenFile(p_.window, lastOpenFolder_, tr("MP3 Files (*.mp3)"));
    if (path.isEmpty())
        return; // cancelled: nothing changes, playback goes on
    openFilePath(path);
}

void OpenController::openFilePath(const QString& path) {
    if (p_.busy() || path.isEmpty())
        return;
    // Before the question whether to discard edits: a file that cannot be an
    // MP3 is refused with the edits kept.
    std::string refusal;
    if (st_.FileLoaded && p_.doc->HasUnsplitEdits() && !QuickCheck(path.toStdString(), refusal)) {
        p_.dialogs->showMessage(p_.window, CoreText(refusal));
        return;
    }
    if (!mayDiscardEdits())
        return;
    lastOpenFolder_ = QFileInfo(path).absolutePath();
    emit settingsChanged();
    startOpen(path);
}

bool OpenController::mayDiscardEdits() {
    // Edits undone back to the open or the last split lose nothing.
    if (!st_.FileLoaded || !p_.doc->HasUnsplitEdits() || p_.history->stack()->isClean())
        return true;
    const QString name = QFileInfo(QString::fromStdString(st_.FileName)).fileName();
    return p_.dialogs->confirmDiscard(p_.window, tr("Discard the cut lines of %1?").arg(name));
}

void OpenController::startOpen(const QString& path) {
    p_.playback->stopPlayback();

    // The open file stays, shown but not editable, until the new one is
    // adopted: a refused open puts the title and status words back.
    p_.job->setShownBefore({p_.window->windowTitle(), p_.controls->status()});
    p_.controls->setStatus(tr("Opening file"));
    st_.LastShownPercent = 0;

    p_.window->setWindowTitle(path);

    p_.job->start(path.toStdString(), viewerEnabled_);
    emit commandsEnabled(false);
    // The view no longer asks for a file to be chosen.
    p_.view->setOpenHint(false);
}

// The open's end and the peaks' progress arrive as events, so waiting for
// the next one never misses the change.
void OpenController::waitForOpen(bool peaks) {
    while (p_.busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    while (peaks && p_.job->peaksRunning() && !p_.job->peaksHeld())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void OpenController::onFileOpened(bool ok, bool failed, const QString& message) {
    emit commandsEnabled(true);
    p_.view->setOpenHint(true);
    if (!ok) {
        rejectOpen(message, failed);
        return;
    }
    try {
        adoptOpenedFile();
    } catch (const std::exception& e) {
        p_.job->cancel();
        p_.doc->CloseFile(st_.FileName);
        // The earlier file went with the adoption: its title does not come back.
        p_.job->setShownBefore({QStringLiteral("Tessivo"), p_.job->shownBefore().status});
        rejectOpen(QString::fromLocal8Bit(e.what()), true);
    }
}

void OpenController::adoptOpenedFile() {
    // The play stream reads the old file image: it goes before the image.
    p_.playback->releaseStream();
    st_.IsPlaying = false;
    st_.PlayFrame = 0;

    const bool exact = p_.job->resultExact();
    p_.doc->AdoptFile(std::move(*p_.job->takeResult()), exact);

    p_.view->clearStretch();
    rememberRecentFile(QString::fromStdString(st_.FileName));
    p_.status->hideSplitDone();
    p_.status->showTime(st_.Duration);
    p_.status->showStreamInfo();

    p_.view->showOpenedFile();
    if (!exact)
        p_.job->startPeaks(); // the frames in view first: drawing tells it
    p_.view->draw();
    p_.job->setWaitCursor(false);

    p_.playback->openStream();
    // The status word goes back to what the status shows for the state.
    p_.status->refresh();
    // The panels show the file; an edit a crash left for it is offered then.
    emit fileAdopted();
}

void OpenController::onPeaksFinished() {
    const std::optional<PrepareOutcome> out = p_.doc->FinishPeaks();
    p_.status->refresh();
    if (!out)
        return;
    // A Prepare at pauses waited for the peaks: it has run now.
    if (!out->message.empty())
        p_.dialogs->showMessage(p_.window, CoreText(out->message));
}

void OpenController::rejectOpen(const QString& message, bool failed) {
    p_.window->setWindowTitle(p_.job->shownBefore().title);
    p_.controls->setStatus(p_.job->shownBefore().status);
    p_.status->refresh(); // the words for the state kept (playback was stopped)
    p_.job->setWaitCursor(false);
    p_.view->draw(); // the file kept, or the hint to open one
    // The file kept still needs its exact peaks.
    if (st_.FileLoaded && !p_.doc->PeaksExact())
        p_.job->startPeaks();
    if (message.isEmpty())
        return;
    if (failed)
        p_.dialogs->showError(p_.window, message); // the general error handler's box
    else
        p_.dialogs->showMessage(p_.window, message);
}

void OpenController::rememberRecentFile(const QString& path) {
    recentFiles_ = WithRecentFile(recentFiles_, path);
    emit recentFilesChanged();
    emit settingsChanged();
}

void OpenController::restoreMemory(const QStringList& recentFiles, const QString& openFolder) {
    recentFiles_ = recentFiles;
    emit recentFilesChanged();
    if (!openFolder.isEmpty())
        lastOpenFolder_ = openFolder;
}

bool OpenController::acceptsDrop(const QMimeData* mime) const {
    return !p_.busy() && !LocalFileOf(mime).isEmpty();
}

bool OpenController::drop(const QMimeData* mime) {
    // Several MP3 files: the batch dialog offers to split them all alike.
    const QStringList mp3Files = LocalMp3FilesOf(mime);
    if (mp3Files.size() > 1) {
        QTimer::singleShot(0, this, [this, mp3Files] { emit batchSplitRequested(mp3Files); });
        return true;
    }
    const QString path = LocalFileOf(mime);
    if (p_.busy() || path.isEmpty())
        return false;
    // A cut list applies to the open file; anything else opens.
    if (CutListCommands::isCutListPath(path)) {
        QTimer::singleShot(0, this, [this, path] {
            if (!p_.busy())
                emit cutListDropped(path);
        });
        return true;
    }
    // Opened after the drop has finished, as if chosen in the dialog.
    QTimer::singleShot(0, this, [this, path] { openFilePath(path); });
    return true;
}

} // namespace tessivo
