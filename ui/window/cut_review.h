// Reviewing the cuts one by one after an import or an automatic cut: Next
// and Previous cut (. and ,) select a cut line and centre it, and the status
// bar says whether it lies in a pause, by the split settings' silence
// values; Left and Right nudge the cut under review. The cuts looked at are
// kept with the edit.
#pragma once

#include "core/state/program_state.h"

#include <QObject>
#include <QString>

class QLabel;
class QMenu;

namespace tessivo {

class DocumentSignals;
class MainWindow;

// "Cut 4 of 12, in a pause of 1.8 s" or "Cut 4 of 12, not in a pause" for
// the cut line that starts part k (2..PartCount); "" for any other k.
QString CutReviewText(const ProgramState& st, int k);

class CutReview : public QObject {
    Q_OBJECT
public:
    // Adds the commands to `menu` and the text to the window's status bar.
    CutReview(MainWindow& window, DocumentSignals& docSignals, QMenu* menu);

    void nextCut();
    void previousCut();
    // The text shown for the cut under review; "" while none is.
    QString statusText() const;
    // Moves the cut under review a tenth of a second (`fine`: one frame)
    // later (+1) or earlier (-1), never past its neighbours; one undoable
    // step. False, nothing done, while no cut is under review.
    bool nudge(int direction, bool fine);

private:
    // One cut line on (+1) or back (-1) from the selected part's.
    void step(int direction);
    // The text follows the selected cut line; it goes when none is selected.
    void followSelection();

    MainWindow& window_;
    QLabel* label_;
    // The part whose first frame is the cut under review; 0 while none is.
    int reviewing_ = 0;
};

} // namespace tessivo
