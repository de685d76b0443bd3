#include "ui/parts/part_list_view.h"

#include "ui/document/document_signals.h"
#include "ui/parts/part_table_model.h"
#include "ui/view/colour_scheme.h"

#include "core/parts/part_access.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>

namespace tessivo {

namespace {

const QColor kBackColor(235, 228, 215);

// The columns' widths before rows fit them.
constexpr int kDesignedWidths[PartTableModel::ColumnCount] = {40,  60,  60,  60, 60, 200,
                                                              150, 150, 150, 50, 80};

} // namespace

PartListView::PartListView(Document& doc, DocumentSignals& docSignals, QWidget* parent)
    : QTableView(parent), doc_(doc), st_(doc.State()) {
    setObjectName(QStringLiteral("partList"));
    // Tab leaves the list for the next control; the arrows move in it.
    setTabKeyNavigation(false);
    model_ = new PartTableModel(doc, docSignals, this);
    // Rows that come or go move the current row: that selects no part. These
    // run before the selection model hears the change.
    for (auto about :
         {&QAbstractItemModel::rowsAboutToBeInserted, &QAbstractItemModel::rowsAboutToBeRemoved})
        connect(model_, about, this, [this] { ++quiet_; });
    for (auto done : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model_, done, this, [this] { --quiet_; });
    setModel(model_);
    // A click on a header sorts the rows by it; # brings back the part order.
    setSortingEnabled(true);
    sortByColumn(PartTableModel::ColNumber, Qt::AscendingOrder);
    // Told after the editor has closed: the edit moves rows' contents.
    connect(model_, &PartTableModel::beginTyped, this, &PartListView::beginTyped,
            Qt::QueuedConnection);

    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(PartTableModel::ColFile, QHeaderView::Stretch);
    for (int c = 0; c < PartTableModel::ColumnCount; ++c)
        horizontalHeader()->resizeSection(c, kDesignedWidths[c]);
    setShowGrid(false);
    setWordWrap(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // Only the Begin cell of a part after the first is edited, by a double click.
    setEditTriggers(QAbstractItemView::DoubleClicked);
    QFont f = QApplication::font();
    f.setPointSize(8);
    setFont(f);
    SetSchemeBackground(this, kBackColor, BackgroundRoles::Base);
    QPalette p = palette();
    // The selection stays visible when the list loses the focus.
    p.setColor(QPalette::Inactive, QPalette::Highlight,
               p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);

    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { onCurrentRowChanged(current); });
    connect(&docSignals, &DocumentSignals::changed, this, [this] { showSelectedPart(); });
}

int PartListView::currentPart() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? model_->partOfRow(current.row()) : 0;
}

void PartListView::showSelectedPart() {
    const int k = st_.SelectedPart;
    if (currentPart() == k)
        return;
    if (k < 1 || k > model_->rowCount()) {
        ++quiet_;
        selectionModel()->clear();
        --quiet_;
        return;
    }
    ++quiet_;
    const QModelIndex row = model_->index(model_->rowOfPart(k), 0);
    selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect |
                                               QItemSelectionModel::Rows);
    scrollTo(row);
    --quiet_;
}

void PartListView::onCurrentRowChanged(const QModelIndex& current) {
    if (quiet_ > 0 || !current.isValid())
        return;
    const int k = model_->partOfRow(current.row());
    doc_.SelectPart(k);
    emit partPicked(k);
}

void PartListView::selectPart(int k) {
    doc_.SelectPart(k);
    showSelectedPart();
    setFocus(Qt::MouseFocusReason);
}

void PartListView::mousePressEvent(QMouseEvent* event) {
    // A press on a row that is not current makes it current first, so that a
    // click on its check box changes the part the user sees as selected.
    const QModelIndex at = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && at.isValid() && at.row() != currentIndex().row())
        selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect |
                                                  QItemSelectionModel::Rows);
    QTableView::mousePressEvent(event);
}

void PartListView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex at = indexAt(event->position().toPoint());
    QTableView::mouseDoubleClickEvent(event);
    // The Begin cell of a part after the first opens its editor instead.
    if (event->button() != Qt::LeftButton ||
        (at.isValid() && (model_->flags(at) & Qt::ItemIsEditable)))
        return;
    emit playPartRequested(currentPart());
}

PartPopupMenu::PartPopupMenu(Document& doc, QWidget* parent)
    : QMenu(parent), doc_(doc), st_(doc.State()) {
    setObjectName(QStringLiteral("partMenu"));
    playPartAction = addAction(tr("Play Part"));
    stopAction = addAction(tr("Stop"));
    addSeparator();
    usePartAction = addAction(tr("Use Part"));
    usePartAction->setCheckable(true);
    addSeparator();
    clearAction = addAction(tr("Clear Cut Lines"));
    splitAction = addAction(tr("Split..."));
    addSeparator();
    explorerAction = addAction(tr("Explorer"));
    playPartAction->setObjectName(QStringLiteral("playPartAction"));
    stopAction->setObjectName(QStringLiteral("stopAction"));
    usePartAction->setObjectName(QStringLiteral("usePartAction"));
    clearAction->setObjectName(QStringLiteral("clearAction"));
    splitAction->setObjectName(QStringLiteral("splitAction"));
    explorerAction->setObjectName(QStringLiteral("explorerAction"));

    connect(this, &QMenu::aboutToShow, this, [this] { updateItems(); });
    connect(playPartAction, &QAction::triggered, this,
            [this] { emit playPartRequested(st_.SelectedPart); });
    connect(stopAction, &QAction::triggered, this, [this] { emit stopRequested(); });
    connect(usePartAction, &QAction::triggered, this, [this] {
        const int k = st_.SelectedPart;
        if (k < 1 || k > PartCount(st_))
            return;
        doc_.SetPartUsed(k, !PartTicked(st_, k));
    });
    connect(clearAction, &QAction::triggered, this, [this] { emit clearRequested(); });
    connect(splitAction, &QAction::triggered, this, [this] { emit splitRequested(); });
    connect(explorerAction, &QAction::triggered, this, [this] { emit explorerRequested(); });
}

void PartPopupMenu::updateItems() {
    for (QAction* a : {playPartAction, stopAction, usePartAction, clearAction, splitAction})
        a->setEnabled(false);
    usePartAction->setChecked(false);
    if (st_.IsPlaying)
        stopAction->setEnabled(true);
    const int k = st_.SelectedPart;
    if (st_.FileLoaded && st_.FrameCount > 10 && PartCount(st_) >= 2 && k >= 1 &&
        k <= PartCount(st_)) {
        playPartAction->setEnabled(true);
        usePartAction->setEnabled(true);
        playPartAction->setText(tr("Play Part(%1)").arg(k));
        usePartAction->setText(tr("Use Part(%1)").arg(k));
        usePartAction->setChecked(PartTicked(st_, k));
    }
    if (PartCount(st_) > 1) {
        clearAction->setEnabled(true);
        splitAction->setEnabled(true);
    }
}

} // namespace tessivo
