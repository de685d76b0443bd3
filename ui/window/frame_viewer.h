// The diagnostic frame viewer: header bytes and layer III global gains of the
// first 1001 frames as the index build recorded them, each granule's global
// gain as the side information holds it, and a short summary of
// the analysis. Offered only when
// "test.chk" lies in the current directory at start.
#pragma once

#include "core/state/program_state.h"

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace tessivo {

constexpr int kViewerRows = 1001; // frames 0..1000
constexpr int kViewerColumns = 12;

// The summary lines of the viewer's text box.
QStringList ViewerSummary(const ProgramState& st);

class FrameViewerWindow : public QDialog {
    Q_OBJECT
public:
    explicit FrameViewerWindow(const ProgramState& st, QWidget* parent = nullptr);

    // Fills the grid and the summary (each time the window is shown).
    void prepareToShow();

    QTableWidget* frameTable;
    QPushButton* closeButton;
    QPlainTextEdit* summaryText;

protected:
    void showEvent(QShowEvent* e) override;

private:
    const ProgramState& st_;
};

} // namespace tessivo
