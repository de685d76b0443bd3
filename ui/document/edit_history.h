// The undo history of the open file's part table. It records every edit the
// document makes, whoever made it, as one command holding the table before
// and after; undo and redo put one of the two back through the document.
// Adopting another file starts a new history. Edits made between
// beginGesture() and endGesture() (one press and release of the mouse) that
// are of the same kind become one command: a drag is undone in one step.
#pragma once

#include "core/document/document.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

namespace tessivo {

// What the Edit menu says the command undoes or redoes.
QString EditText(EditKind kind);

class EditHistory : public QObject {
    Q_OBJECT
public:
    explicit EditHistory(Document& doc, QObject* parent = nullptr);
    ~EditHistory() override;

    QUndoStack* stack() { return &stack_; }
    void beginGesture();
    void endGesture();

signals:
    // Undo or redo put a recorded table back.
    void partsRestored();

private:
    void record(EditKind kind, const PartTable& before, const PartTable& after);

    Document& doc_;
    QUndoStack stack_;
    int token_ = 0;
    int gesture_ = 0;     // the gesture now running, 0 = none
    int lastGesture_ = 0; // numbers the gestures
};

} // namespace tessivo
