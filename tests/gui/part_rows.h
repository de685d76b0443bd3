// How the window tests read and drive the part list: through its model, the
// way a user sees it (in part order, row r is part r + 1).
#pragma once

#include "ui/parts/part_list_view.h"
#include "ui/parts/part_table_model.h"

#include <QItemSelectionModel>
#include <QRect>
#include <QString>

#include <memory>

namespace tessivo::testing {

// One row of the part list, read from the model.
class PartRow {
public:
    PartRow(const PartListView* list, int row) : list_(list), row_(row) {}
    const PartRow* operator->() const { return this; }
    explicit operator bool() const { return row_ >= 0 && row_ < list_->partModel()->rowCount(); }

    QString text(int column) const { return cell(column).data(Qt::DisplayRole).toString(); }
    QString toolTip(int column) const { return cell(column).data(Qt::ToolTipRole).toString(); }
    Qt::CheckState checkState(int column) const {
        return static_cast<Qt::CheckState>(cell(column).data(Qt::CheckStateRole).toInt());
    }
    // What a click on the row's check box does.
    void setCheckState(int column, Qt::CheckState state) const {
        list_->partModel()->setData(cell(column), state, Qt::CheckStateRole);
    }
    int row() const { return row_; }
    // The row's index in the view.
    QModelIndex viewIndex(int column = 0) const { return cell(column); }

private:
    QModelIndex cell(int column) const { return list_->partModel()->index(row_, column); }

    const PartListView* list_;
    int row_;
};

inline int PartRows(const PartListView* list) {
    return list->partModel()->rowCount();
}
inline int PartRows(const PartListView& list) {
    return PartRows(&list);
}
inline PartRow RowOf(const PartListView* list, int row) {
    return PartRow(list, row);
}
inline PartRow RowOf(const PartListView& list, int row) {
    return PartRow(&list, row);
}

template <class Owner> int PartRows(const std::unique_ptr<Owner>& list) {
    return PartRows(list.get());
}
template <class Owner> PartRow RowOf(const std::unique_ptr<Owner>& list, int row) {
    return PartRow(list.get(), row);
}

// Makes the row current, as a click on it does.
inline void SelectRow(PartListView* list, const PartRow& row) {
    list->selectionModel()->setCurrentIndex(row.viewIndex(), QItemSelectionModel::ClearAndSelect |
                                                                 QItemSelectionModel::Rows);
}
inline void SelectRow(PartListView& list, const PartRow& row) {
    SelectRow(&list, row);
}

// Where a cell of the row is drawn, in the list's viewport.
inline QRect CellRect(const PartListView* list, const PartRow& row, int column = 0) {
    return list->visualRect(row.viewIndex(column));
}

} // namespace tessivo::testing

namespace tessivo {
// Every window test reads the part list through these.
using testing::CellRect;
using testing::PartRow;
using testing::PartRows;
using testing::RowOf;
using testing::SelectRow;
} // namespace tessivo
