// The part list and the window's context menu of parts.
#pragma once

#include "core/document/document.h"

#include <QMenu>
#include <QString>
#include <QTableView>

class QAction;

namespace tessivo {

class PartTableModel;
class DocumentSignals;

// The part list: a table view on the part model, sortable by its columns. It shows the
// document's selected part and asks the document to select the part of the
// row the user picks; it writes nothing of the parts itself.
class PartListView : public QTableView {
    Q_OBJECT
public:
    PartListView(Document& doc, DocumentSignals& docSignals, QWidget* parent = nullptr);

    PartTableModel* partModel() const { return model_; }
    // Selects part k's row (a click in the waveform strip) and focuses the list.
    void selectPart(int k);
    // The part of the current row, 0 when none.
    int currentPart() const;

signals:
    void playPartRequested(int k); // play part k from its start
    // The user picked part k's row (the document has selected it).
    void partPicked(int k);
    // A start for part k was typed into its Begin cell (not yet checked).
    void beginTyped(int k, const QString& text);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // The row of the document's selected part is current (quietly).
    void showSelectedPart();
    void onCurrentRowChanged(const QModelIndex& current);

    Document& doc_;
    const ProgramState& st_;
    PartTableModel* model_ = nullptr;
    int quiet_ = 0;
};

// partMenu_: opens on a right click in the window; updateItems sets its items
// each time it opens.
class PartPopupMenu : public QMenu {
    Q_OBJECT
public:
    PartPopupMenu(Document& doc, QWidget* parent = nullptr);

    void updateItems();

    QAction* playPartAction;
    QAction* stopAction;
    QAction* usePartAction;
    QAction* clearAction;
    QAction* splitAction;
    QAction* explorerAction;

signals:
    void playPartRequested(int k); // play part k from its start
    // The user picked part k's row (the document has selected it).
    void partPicked(int k);
    void stopRequested();
    void clearRequested();
    void splitRequested();
    void explorerRequested();

private:
    Document& doc_;
    const ProgramState& st_;
};

} // namespace tessivo
