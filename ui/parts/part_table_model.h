// The part table as a Qt model: one row per part (row r is part r + 1) while
// the file has cut lines. The rows hold nothing of their own: every cell is
// read from the document when asked, and the model follows the document's
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

    Document& doc_;
    const ProgramState& st_;
    int rows_ = 0;
};

} // namespace tessivo
