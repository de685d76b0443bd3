// Opening a file: the chooser, the analysis in a worker thread on a scratch
// state, and the adoption of the result on the window's thread.
#include "ui/window/main_window.h"

#include "core/analysis/open_file.h"
#include "core/output/id3v1_tag.h"
#include "core/parts/cut_lines.h"
#include "ui/window/cut_list_commands.h"

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

#include <cstring>
#include <exception>

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

} // namespace

QString PeaksStatusText(double percent, const QLocale& locale) {
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return QStringLiteral("Calculating Peaks - ") + plain.toString(percent, 'f', 1) +
           QStringLiteral("%");
}

void MainWindow::onOpenTriggered() {
    if (busy_)
        return;
    const QString path =
        dialogs_.chooseOpenFile(this, lastOpenFolder_, QStringLiteral("MP3 Files (*.mp3)"));
    if (path.isEmpty())
        return; // cancelled: nothing changes, playback goes on
    openFilePath(path);
}

void MainWindow::openFilePath(const QString& path) {
    if (busy_ || path.isEmpty() || !mayDiscardEdits())
        return;
    lastOpenFolder_ = QFileInfo(path).absolutePath();
    startOpen(path);
}

void MainWindow::startOpen(const QString& path) {
    stopPlayback();

    // The open file stays, shown but not editable, until the new one is
    // adopted: a refused open puts the title and status words back.
    titleBeforeOpen_ = windowTitle();
    statusBeforeOpen_ = statusLabel_->text();
    statusLabel_->setText(QStringLiteral("Opening file"));
    st_.LastShownPercent = 0;
    setBusyCursor(true);

    setWindowTitle(path);

    busy_ = true;
    setCommandsEnabled(false);
    runOpenWorker(path.toStdString());
    openPollTimer_->start();
}

void MainWindow::runOpenWorker(const std::string& file) {
    scratch_ = std::make_unique<ProgramState>();
    scratch_->ViewerEnabled = viewerEnabled_;
    workerDone_ = false;
    cancelOpen_ = false;
    openStage_ = 0;
    shownPercent_ = -1;
    shownStage_ = 0;
    shownPercentOnLabel_ = -1;
    workerOk_ = false;
    workerMessage_.clear();

    ProgramState* scratch = scratch_.get();
    worker_ = std::thread([this, scratch, file] {
        double lastShown = 0.0;
        // Runs on the worker: only atomics are written here.
        ProgressFn progress = [this, &lastShown](const char* stage, double percent) {
            const bool peaks = stage && std::strcmp(stage, "Calculating Peaks") == 0;
            if (peaks) {
                openStage_ = 1;
                if (percent - lastShown >= 1.0) {
                    lastShown = percent;
                    shownPercent_ = percent;
                }
            }
            st_.ProgressPercent = percent;
        };
        bool ok = false;
        QString message;
        try {
            const OpenResult r = AnalyseFile(*scratch, file, true, progress, &cancelOpen_);
            ok = r.ok;
            if (!r.cancelled)
                message = QString::fromStdString(r.message);
        } catch (const std::exception& e) {
            message = QString::fromLocal8Bit(e.what());
            workerFailed_ = true;
        } catch (...) {
            message = QStringLiteral("Unknown error while opening the file");
            workerFailed_ = true;
        }
        workerOk_ = ok;
        workerMessage_ = message;
        workerDone_ = true;
    });
}

void MainWindow::pollOpen() {
    if (openStage_ == 1 && shownStage_ == 0) {
        shownStage_ = 1;
        statusLabel_->setText(QStringLiteral("Calculating Peaks"));
    }
    const double shown = shownPercent_;
    if (shownStage_ == 1 && shown >= 0 && shown != shownPercentOnLabel_) {
        shownPercentOnLabel_ = shown;
        statusLabel_->setText(PeaksStatusText(shown));
    }
    if (workerDone_)
        finishOpen();
}

void MainWindow::waitForOpen() {
    while (busy_) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
}

void MainWindow::finishOpen() {
    openPollTimer_->stop();
    if (worker_.joinable())
        worker_.join();
    st_.ProgressPercent = 0.0;
    busy_ = false;
    setCommandsEnabled(true);

    if (!workerOk_) {
        rejectOpen(workerMessage_);
        return;
    }

    try {
        adoptOpenedFile();
    } catch (const std::exception& e) {
        scratch_.reset();
        doc_.CloseFile(st_.FileName);
        // The earlier file went with the adoption: its title does not come back.
        titleBeforeOpen_ = QStringLiteral("Tessivo");
        workerFailed_ = true;
        rejectOpen(QString::fromLocal8Bit(e.what()));
    }
}

void MainWindow::adoptOpenedFile() {
    // The play stream reads the old file image: it goes before the image.
    engine_.Stop(st_.PlayStream);
    engine_.FreeStream(st_.PlayStream);
    st_.PlayStream = 0;
    st_.IsPlaying = false;
    st_.PlayFrame = 0;

    doc_.AdoptFile(std::move(*scratch_));
    scratch_.reset();

    clearTagPanel();
    showTimeLabels(st_.Duration);
    showStreamInfo();

    if (st_.HasId3v1 || st_.Id3v2Fields.present)
        showPartTags(1);

    st_.ZoomLevel = StartingZoomLevel(st_.FrameCount, geom_.cols());

    refreshPartList();
    showEqualPartTime(2);

    {
        const QSignalBlocker block(scrollBar_);
        scrollBar_->setValue(0);
    }
    st_.ViewFirstFrame = 0;
    updateScrollBar();
    layoutView();
    drawWaveView();

    setBusyCursor(false);
    updateSplitControls();

    st_.PlayStream = engine_.CreateStream(st_);
    // The status word goes back to what the status timer shows.
    onStatusTick();
}

void MainWindow::rejectOpen(const QString& message) {
    scratch_.reset();
    setWindowTitle(titleBeforeOpen_);
    statusLabel_->setText(statusBeforeOpen_);
    onStatusTick(); // the words for the state kept (playback was stopped)
    setBusyCursor(false);
    refreshPartList();
    drawWaveView();
    const bool failed = workerFailed_;
    workerFailed_ = false;
    if (cancelOpen_ || message.isEmpty())
        return;
    if (failed)
        dialogs_.showError(this, message); // the general error handler's box
    else
        dialogs_.showMessage(this, message);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (!busy_ && !LocalFileOf(e->mimeData()).isEmpty())
        e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e) {
    const QString path = LocalFileOf(e->mimeData());
    if (busy_ || path.isEmpty())
        return;
    e->acceptProposedAction();
    // A cut list applies to the open file; anything else opens.
    if (CutListCommands::isCutListPath(path)) {
        QTimer::singleShot(0, this, [this, path] {
            if (!busy_)
                cutLists_->applyCutListFile(path);
        });
        return;
    }
    // Opened after the drop has finished, as if chosen in the dialog.
    QTimer::singleShot(0, this, [this, path] { openFilePath(path); });
}

} // namespace tessivo
