// The part list (partList_) and the window's context menu (partMenu_).
#pragma once

#include "core/document/document.h"

#include <QMenu>
#include <QString>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <string>
#include <vector>

class QAction;

namespace tessivo {

// Status text of part k: "Saved", "Prepared" or "Not Used"; a prepared part
// flagged in `noPause` (a split at pauses near found no pause for its start)
// shows "No pause".
QString PartStatusText(const ProgramState& st, int k, const std::vector<bool>& noPause = {});

// One row per part (row r shows part r + 1). The rows hold no data of their
// own: they are rebuilt from the part tables. Only a change the user makes
// (selecting a row, ticking a box) raises onSelectionOrCheckChanged; rebuilding and
// rewriting rows from the program are quiet, and the selection that ends a
// rebuild raises it once, after every row is in place.
class PartListView : public QTreeWidget {
    Q_OBJECT
public:
    PartListView(Document& doc, PlaybackValues& playback, QWidget* parent = nullptr);

    void refreshPartList();
    // Rewrites row k - 1's status cell and check box from the part tables, and
    // every row's file name.
    void updatePartStatus(int k);
    // Selects part k's row (a click in the waveform strip) and focuses the list.
    void selectPart(int k);

signals:
    void showPartTags(int k);      // the tag panel shows part k's slot
    void viewChanged();            // the waveform must be redrawn
    void playPartRequested(int k); // PlayingPart is set; play part k from its start
    // A start for part k was typed into its Begin cell (not yet checked).
    void beginTyped(int k, const QString& text);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Each column as wide as its contents; the Filename column also takes the
    // width left over. Without rows the columns have their designed widths.
    void fitColumns();
    void onSelectionOrCheckChanged();
    // `files` = Document::PartFileNames().
    void fillRow(QTreeWidgetItem* row, int k, const std::vector<std::string>& files);

    Document& doc_;
    const ProgramState& st_;
    PlaybackValues& playback_;
    int quiet_ = 0;
};

// The editor of the Begin cell: opens with the start as "h:mm:ss.mmm" and
// hands the typed text on instead of writing it into the row.
class BeginCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    BeginCellDelegate(const ProgramState& st, QObject* parent);
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

signals:
    void typed(int k, const QString& text) const;

private:
    const ProgramState& st_;
};

// partMenu_: opens on a right click in the window; updateItems sets its items
// each time it opens.
class PartPopupMenu : public QMenu {
    Q_OBJECT
public:
    PartPopupMenu(Document& doc, PlaybackValues& playback, PartListView& list,
                  QWidget* parent = nullptr);

    void updateItems();

    QAction* playPartAction;
    QAction* stopAction;
    QAction* usePartAction;
    QAction* clearAction;
    QAction* splitAction;
    QAction* explorerAction;

signals:
    void playPartRequested(int k); // PlayingPart is set; play part k from its start
    void stopRequested();
    void clearRequested();
    void splitRequested();
    void explorerRequested();
    void viewChanged();

private:
    Document& doc_;
    const ProgramState& st_;
    PlaybackValues& playback_;
    PartListView& list_;
};

} // namespace tessivo
