// The window's commands on the cut lines: a cut line at the play cursor (M,
// Insert) or at a typed time (Edit > Add cut at), the selected part's start
// typed in the field below the part list or in its Begin cell, Delete,
// Cut out selection (X), Clear, Space on a part's row, and what the window
// shows after undo, redo or a restore. Every edit goes through the document,
// so it can be undone.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>

class QFrame;
class QLineEdit;

namespace tessivo {

class MainWindow;

class EditCommands : public QObject {
    Q_OBJECT
public:
    explicit EditCommands(MainWindow& window);

    // The part list and the start field below it, in `frame`.
    void createStartField(QFrame* frame);
    // M, Insert and Delete on the waveform and in the part list.
    void createKeys();
    QLineEdit* partStartEdit() const { return startEdit_; }

    // Edit > Add cut at...: asks for a time and adds a cut line there.
    void addCutAt();
    // M / Insert: a cut line at the play cursor.
    void addCutAtPlayCursor();
    // The selected part's start typed as text: moves cut line k there, or
    // says why not.
    void applyTypedStart(int k, const QString& text);
    // Delete: removes the selected part's starting cut line.
    void deleteSelectedCutLine();
    // Edit > Cut out selection (X): the Shift-selection's frames unticked
    // between two cut lines, as one undoable step.
    void cutOut();
    // Back to one part spanning the file ("Clear", popup "Clear Cut Lines").
    void clearCutLines();
    // Space on a selected row of the part list: ticks or unticks that part.
    // False when the list has no focus or no part is selected.
    bool toggleSelectedTick();
    // The table came back by undo, redo or a restore: the tags and the view
    // show it.
    void showRestoredParts();

private:
    // A cut line at `frame`, selected; at exactly `sample` of the time base
    // when one is given (0 or more).
    void addCutLineAt(int32_t frame, int64_t sample = -1);
    // The start field shows the selected part's start (empty when none).
    void showSelectedStart();

    MainWindow& window_;
    QLineEdit* startEdit_ = nullptr;
};

} // namespace tessivo
