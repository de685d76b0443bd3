// The window's status: the status word and the clock in the control panel,
// and the status bar below the panels (the stream's facts, the progress of
// long work, what a split wrote). It follows the document, the open and the
// split as they signal; nothing polls it.
#pragma once

#include "core/document/document.h"

#include <QObject>
#include <QString>

#include <functional>

class QLabel;
class QMainWindow;
class QProgressBar;
class QStatusBar;

namespace tessivo {

class ControlPanel;
class DocumentSignals;
class OpenJob;
class SplitRunner;

class StatusController : public QObject {
    Q_OBJECT
public:
    // The status bar becomes `window`'s; `busy` tells whether an open or a
    // split runs.
    StatusController(Document& doc, ControlPanel& panel, QMainWindow& window,
                     std::function<bool()> busy);

    // Follows these from now on.
    void follow(DocumentSignals& docSignals, OpenJob& open, SplitRunner& split);
    // Shows the status as the document, the open, the split and the player
    // have it now.
    void refresh();
    // The stream's facts in the status bar ("MPEG 1 Layer III, ...").
    void showStreamInfo();
    // "3 files written to FOLDER  Open folder".
    void showSplitDone(int files, const QString& folder);
    void hideSplitDone();
    // The clock at `seconds`.
    void showTime(double seconds);

signals:
    // The status bar's "Open folder" link.
    void openFolderRequested(const QString& folder);

private:
    void createStatusBar(QMainWindow& window);
    // The progress bar for the open's read or a split; false when none runs.
    bool showWorkProgress();
    // The status word while nothing plays: the selected part, or the peaks.
    void showStoppedWords(bool peaks, double peaksPercent);

    Document& doc_;
    const ProgramState& st_;
    ControlPanel& panel_;
    std::function<bool()> busy_;
    OpenJob* open_ = nullptr;
    SplitRunner* split_ = nullptr;
    QStatusBar* bar_ = nullptr;
    QLabel* streamInfo_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* splitDone_ = nullptr;
};

} // namespace tessivo
