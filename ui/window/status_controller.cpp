#include "ui/window/status_controller.h"

#include "core/analysis/frame_index.h"
#include "core/analysis/time_base.h"
#include "core/parts/part_access.h"
#include "core/parts/part_times.h"
#include "core/playback/playback_control.h"
#include "core/util/round_even.h"
#include "core/util/time_text.h"
#include "ui/document/core_text.h"
#include "ui/document/document_signals.h"
#include "ui/output/split_runner.h"
#include "ui/window/control_panel.h"
#include "ui/window/open_job.h"
#include "ui/window/status_texts.h"

#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QStatusBar>

#include <cmath>

namespace tessivo {

QString PeaksStatusText(double percent, const QLocale& locale) {
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return StatusController::tr("Calculating Peaks - ") + plain.toString(percent, 'f', 1) +
           QStringLiteral("%");
}

QString PeaksWaitingText(double percent) {
    return StatusController::tr("Waiting for the exact peaks (%1%)\u2026")
        .arg(static_cast<int>(std::floor(percent)));
}

StatusController::StatusController(Document& doc, ControlPanel& panel, QMainWindow& window,
                                   std::function<bool()> busy)
    : QObject(&window), doc_(doc), st_(doc.State()), panel_(panel), busy_(std::move(busy)) {
    createStatusBar(window);
}

void StatusController::createStatusBar(QMainWindow& window) {
    bar_ = new QStatusBar(&window);
    bar_->setObjectName(QStringLiteral("statusBar"));
    bar_->setSizeGripEnabled(false);
    window.setStatusBar(bar_);
    streamInfo_ = new QLabel(bar_);
    streamInfo_->setObjectName(QStringLiteral("streamInfoLabel"));
    streamInfo_->setFrameShape(QFrame::Panel);
    streamInfo_->setFrameShadow(QFrame::Sunken);
    // After a split: how many files went where, and a link that opens the folder.
    splitDone_ = new QLabel(bar_);
    splitDone_->setObjectName(QStringLiteral("splitDoneLabel"));
    splitDone_->setTextFormat(Qt::RichText);
    connect(splitDone_, &QLabel::linkActivated, this, &StatusController::openFolderRequested);
    splitDone_->hide();
    progress_ = new QProgressBar(bar_);
    progress_->setObjectName(QStringLiteral("progressBar"));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    progress_->hide();
    bar_->addWidget(streamInfo_, 1);
    bar_->addWidget(progress_, 1);
    bar_->addWidget(splitDone_, 1);
}

void StatusController::follow(DocumentSignals& docSignals, OpenJob& open, SplitRunner& split) {
    open_ = &open;
    split_ = &split;
    connect(&docSignals, &DocumentSignals::changed, this, &StatusController::refresh);
    for (auto signal : {&OpenJob::progress, &OpenJob::peaksProgress})
        connect(&open, signal, this, &StatusController::refresh);
    connect(&open, &OpenJob::peaksFinished, this, &StatusController::refresh);
    connect(&split, &SplitRunner::progress, this, &StatusController::refresh);
    connect(&split, &SplitRunner::ended, this, &StatusController::refresh);
}

bool StatusController::showWorkProgress() {
    const bool splitting = split_ && split_->isRunning();
    const double progress = splitting ? split_->percent() : st_.ProgressPercent.load();
    if (progress <= 0)
        return false;
    progress_->setValue(static_cast<int>(RoundEven(progress)));
    progress_->show();
    splitDone_->hide();
    return true;
}

void StatusController::refresh() {
    if (showWorkProgress())
        return;
    // The exact peaks computed behind the file shown.
    const bool peaks = open_ && open_->peaksRunning();
    const double peaksPercent = open_ ? open_->peaksPercent() : 0.0;
    progress_->setValue(static_cast<int>(RoundEven(peaksPercent)));
    progress_->setVisible(peaks);
    if (peaks)
        splitDone_->hide();
    // While an open runs the status word is the open's own.
    if (busy_())
        return;
    if (auto caption = PlaybackStatusCaption(st_, st_))
        panel_.setStatus(CoreText(*caption));
    if (!st_.FileLoaded)
        panel_.setStatus(tr("Open a file"));
    panel_.setStatusClickable(!st_.FileLoaded);
    if (!st_.IsPlaying && st_.FileLoaded)
        showStoppedWords(peaks, peaksPercent);
}

void StatusController::showStoppedWords(bool peaks, double peaksPercent) {
    // Stopped, the clock shows the play cursor.
    showTime(FrameSeconds(st_, st_.ClickFrame));
    const int k = st_.SelectedPart;
    const bool none = k <= 0 || k > PartCount(st_);
    if (peaks && doc_.PreparePending()) {
        panel_.setStatus(PeaksWaitingText(peaksPercent));
    } else if (peaks && none) {
        panel_.setStatus(PeaksStatusText(peaksPercent));
    } else if (none) {
        panel_.setStatus(tr("Ready"));
    } else {
        panel_.setStatus(
            tr("Part(%1)  %2 - %3")
                .arg(k)
                .arg(QString::fromStdString(FormatTimeText(false, PartStartSeconds(st_, st_, k))))
                .arg(QString::fromStdString(FormatTimeText(false, PartEndSeconds(st_, st_, k)))));
    }
}

void StatusController::showStreamInfo() {
    streamInfo_->setText(QString::fromStdString(StreamInfoText(st_)));
}

void StatusController::showSplitDone(int files, const QString& folder) {
    const QString where = QDir::toNativeSeparators(folder);
    splitDone_->setText(tr("%1 %2 written to %3  <a href=\"%4\">Open folder</a>")
                            .arg(files)
                            .arg(files == 1 ? tr("file") : tr("files"))
                            .arg(where.toHtmlEscaped())
                            .arg(QString(folder).toHtmlEscaped()));
    splitDone_->setToolTip(where);
    splitDone_->show();
}

void StatusController::hideSplitDone() {
    splitDone_->hide();
}

void StatusController::showTime(double seconds) {
    panel_.showTime(seconds);
}

} // namespace tessivo
