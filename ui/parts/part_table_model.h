// The part table as a Qt model: one row per part while the file has cut
// lines, in part order (row r is part r + 1) unless sorted by a column. The rows hold nothing of
// their own: every cell is read from the document when asked, and the model follows the document's
// signals, inserting and removing rows as parts come and go, never reset.
// Ticks and typed starts become document edits.
#pragma once

#include "core/document/document.h"

#include <QAbstractTableModel>
#include <QString>

#include <vector>

namespace tessivo {

class DocumentSignals;

// Status text of part k: "Saved", "Prepared" or "Not Used"; a prepared part
// flagged in `noPause` (a split at pauses near found no pause for its start)
// shows "No pause".
QString PartStatusText(const ProgramState& st, int k, const std::vector<bool>& noPause = {});

class PartTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        ColNumber,
        ColStatus,
        ColBegin,
        ColEnd,
        ColDuration,
        ColFile,
        ColTitle,
        ColArtist,
        ColAlbum,
        ColTrack,
        ColLoudness,
        ColumnCount
    };
    // The value a column sorts by (numbers for times and loudness).
    static constexpr int SortRole = Qt::UserRole;

    PartTableModel(Document& doc, DocumentSignals& docSignals, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A check box ticks or unticks the part; a typed Begin is handed on.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    // Orders the rows by a column's values; # ascending is the part order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The part a row shows, and the row that shows part k (0: none).
    int partOfRow(int row) const;
    int rowOfPart(int k) const;

signals:
    // A start for part k was typed into its Begin cell (not yet checked).
    void beginTyped(int k, const QString& text);

private:
    // The rows the document's parts ask for: none for a single part.
    int partRows() const;
    void follow(DocumentChange change);
    // Inserts or removes rows at the end until there are `rows`.
    void matchRowCount(int rows);
    QVariant displayText(int k, int column) const;
    QVariant sortKey(int k, int column) const;
    // Moves the rows into `order` (parts 1..N), keeping what is selected.
    void reorder(std::vector<int> order);

    Document& doc_;
    const ProgramState& st_;
    int rows_ = 0;
    // The part of each row while sorted; empty in part order.
    std::vector<int> order_;
};

} // namespace tessivo
