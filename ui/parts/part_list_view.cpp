#include "ui/parts/part_list_view.h"

#include "ui/document/core_text.h"
#include "ui/view/colour_scheme.h"

#include "core/parts/part_access.h"

#include "core/analysis/loudness.h"
#include "core/output/id3v1_tag.h"
#include "core/output/split_parts.h"
#include "core/parts/edge_trim.h"
#include "core/parts/near_pauses.h"
#include "core/parts/part_times.h"
#include "core/parts/time_text.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QResizeEvent>

#include <algorithm>

namespace tessivo {

namespace {

const QColor kBackColor(235, 228, 215);

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

// The columns' widths before rows fit them.
constexpr int kDesignedWidths[ColumnCount] = {40, 60, 60, 60, 60, 200, 150, 150, 150, 50, 80};

QString TimeText(double seconds) {
    return QString::fromStdString(FormatTimeText(true, seconds));
}

// "-16.3 LUFS" once the exact peaks measured it, "Silent" under the gate.
QString LoudnessText(const Loudness& l) {
    if (!l.measured)
        return {};
    if (l.silent)
        return PartListView::tr("Silent");
    return QString::number(l.lufs, 'f', 1) + QStringLiteral(" LUFS");
}

// The track a ticked part is written with: n/N among the ticked parts when
// they are numbered or the part's tag has none, else the tag's own.
QString TrackText(const ProgramState& st, int k, const PartTagV2& tag) {
    if (!PartTicked(st, k))
        return {};
    if (!st.NumberTracks && !tag.track.empty())
        return QString::fromStdString(tag.track);
    int n = 0, count = 0;
    for (int i = 1; i <= PartCount(st); ++i) {
        if (!PartTicked(st, i))
            continue;
        ++count;
        if (i <= k)
            ++n;
    }
    return QStringLiteral("%1/%2").arg(n).arg(count);
}

// The file's name; the whole path in its tooltip.
void SetFileCell(QTreeWidgetItem* row, const std::string& file) {
    const QString path = QString::fromStdString(file);
    row->setText(ColFile, QFileInfo(path).fileName());
    row->setToolTip(ColFile, path);
}

} // namespace

QString PartStatusText(const ProgramState& st, int k, const std::vector<bool>& noPause) {
    if (!PartTicked(st, k))
        return PartListView::tr("Not Used");
    if (PartSaved(st, k))
        return PartListView::tr("Saved");
    if (k >= 0 && static_cast<size_t>(k) < noPause.size() && noPause[k])
        return CoreText(kNoPauseStatus);
    return PartListView::tr("Prepared");
}

PartListView::PartListView(Document& doc, PlaybackValues& playback, QWidget* parent)
    : QTreeWidget(parent), doc_(doc), st_(doc.State()), playback_(playback) {
    setObjectName(QStringLiteral("partList"));
    setColumnCount(ColumnCount);
    setHeaderLabels({QStringLiteral("#"), tr("Status"), tr("Begin"), tr("End"), tr("Duration"),
                     tr("Filename"), tr("Title"), tr("Artist"), tr("Album"), tr("Track"),
                     tr("Loudness")});
    for (int c = 0; c < ColumnCount; ++c)
        setColumnWidth(c, kDesignedWidths[c]);
    header()->setStretchLastSection(false);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAllColumnsShowFocus(true);
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

    auto* begin = new BeginCellDelegate(st_, this);
    setItemDelegateForColumn(ColBegin, begin);
    // Told after the editor has closed: the edit rebuilds the rows.
    connect(begin, &BeginCellDelegate::typed, this, &PartListView::beginTyped,
            Qt::QueuedConnection);

    connect(this, &QTreeWidget::itemSelectionChanged, this,
            [this] { onSelectionOrCheckChanged(); });
    connect(this, &QTreeWidget::itemChanged, this, [this] { onSelectionOrCheckChanged(); });
}

void PartListView::fillRow(QTreeWidgetItem* row, int k, const std::vector<std::string>& files) {
    const double a = PartStartSeconds(st_, k);
    const double b = PartEndSeconds(st_, k);
    // Editable only by a double click on the Begin cell (no edit triggers).
    row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
                  Qt::ItemIsEditable);
    row->setCheckState(ColNumber, PartTicked(st_, k) ? Qt::Checked : Qt::Unchecked);
    row->setText(ColNumber, QString::number(k));
    row->setText(ColStatus, PartStatusText(st_, k, doc_.NearPausesFlags()));
    row->setText(ColBegin, TimeText(a));
    row->setText(ColEnd, TimeText(b));
    row->setText(ColDuration, TimeText(WrittenPartSeconds(st_, k)));
    const auto slot = static_cast<size_t>(k);
    SetFileCell(row, slot < files.size() ? files[slot] : std::string());
    const PartTagV2 tag = EffectivePartTag(st_, k).fields;
    row->setText(ColTitle, QString::fromStdString(tag.title));
    row->setText(ColArtist, QString::fromStdString(tag.artist));
    row->setText(ColAlbum, QString::fromStdString(tag.album));
    row->setText(ColTrack, TrackText(st_, k, tag));
    row->setText(ColLoudness, LoudnessText(PartLoudness(st_, k)));
}

void PartListView::refreshPartList() {
    ++quiet_;
    clear();
    if (PartCount(st_) > 1) {
        QList<QTreeWidgetItem*> rows;
        rows.reserve(PartCount(st_));
        const std::vector<std::string> files = doc_.PartFileNames();
        for (int k = 1; k <= PartCount(st_); ++k) {
            auto* row = new QTreeWidgetItem;
            fillRow(row, k, files);
            rows.append(row);
        }
        addTopLevelItems(rows);
    }
    --quiet_;
    fitColumns();
    if (st_.SelectedPart > 0 && PartCount(st_) > 1 && st_.SelectedPart <= PartCount(st_))
        setCurrentItem(topLevelItem(st_.SelectedPart - 1)); // raises onSelectionOrCheckChanged
}

void PartListView::updatePartStatus(int k) {
    if (k < 1)
        return;
    QTreeWidgetItem* row = topLevelItem(k - 1);
    if (!row)
        return;
    ++quiet_;
    row->setText(ColStatus, PartStatusText(st_, k, doc_.NearPausesFlags()));
    row->setCheckState(ColNumber, PartTicked(st_, k) ? Qt::Checked : Qt::Unchecked);
    // A tick renumbers the files of the parts after it.
    const std::vector<std::string> files = doc_.PartFileNames();
    for (int i = 1; i <= PartCount(st_); ++i)
        if (QTreeWidgetItem* other = topLevelItem(i - 1)) {
            const auto slot = static_cast<size_t>(i);
            SetFileCell(other, slot < files.size() ? files[slot] : std::string());
            other->setText(ColTrack, TrackText(st_, i, EffectivePartTag(st_, i).fields));
        }
    --quiet_;
    fitColumns();
}

void PartListView::selectPart(int k) {
    if (QTreeWidgetItem* row = topLevelItem(k - 1))
        setCurrentItem(row);
    setFocus(Qt::MouseFocusReason);
}

void PartListView::onSelectionOrCheckChanged() {
    if (quiet_ > 0)
        return;
    const QList<QTreeWidgetItem*> sel = selectedItems();
    if (sel.isEmpty())
        return;
    const int r = indexOfTopLevelItem(sel.first());
    if (r < 0)
        return;
    const int k = r + 1;
    doc_.SetPartUsed(k, sel.first()->checkState(ColNumber) == Qt::Checked);
    emit showPartTags(k);
    doc_.SelectPart(k);
    updatePartStatus(k);
    emit viewChanged();
}

void PartListView::mousePressEvent(QMouseEvent* event) {
    // A press on a row that is not selected selects it first, so that a click
    // on its check box changes the row the user sees as selected.
    if (event->button() == Qt::LeftButton) {
        QTreeWidgetItem* row = itemAt(event->position().toPoint());
        if (row && !row->isSelected())
            setCurrentItem(row);
    }
    QTreeWidget::mousePressEvent(event);
}

void PartListView::fitColumns() {
    // Without rows there is nothing to fit: the designed widths.
    if (topLevelItemCount() == 0) {
        for (int c = 0; c < ColumnCount; ++c)
            setColumnWidth(c, kDesignedWidths[c]);
        return;
    }
    constexpr int kPadding = 8;
    const auto contents = [this](int c) {
        return std::max(sizeHintForColumn(c), header()->sectionSizeHint(c)) + kPadding;
    };
    int used = 0;
    for (int c = 0; c < ColumnCount; ++c) {
        if (c == ColFile)
            continue;
        setColumnWidth(c, contents(c));
        used += columnWidth(c);
    }
    setColumnWidth(ColFile, std::max(contents(ColFile), viewport()->width() - used));
}

void PartListView::resizeEvent(QResizeEvent* event) {
    QTreeWidget::resizeEvent(event);
    fitColumns();
}

void PartListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    // The Begin cell of a part after the first: its start is typed there.
    const QPoint at = event->position().toPoint();
    QTreeWidgetItem* row = itemAt(at);
    if (row && columnAt(at.x()) == ColBegin && indexOfTopLevelItem(row) >= 1) {
        editItem(row, ColBegin);
        return;
    }
    const QList<QTreeWidgetItem*> sel = selectedItems();
    const int k = sel.isEmpty() ? 0 : indexOfTopLevelItem(sel.first()) + 1;
    playback_.PlayingPart = k;
    emit playPartRequested(k);
}

BeginCellDelegate::BeginCellDelegate(const ProgramState& st, QObject* parent)
    : QStyledItemDelegate(parent), st_(st) {}

void BeginCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    const int k = index.row() + 1;
    if (auto* line = qobject_cast<QLineEdit*>(editor); line && k >= 1 && k <= PartCount(st_))
        line->setText(QString::fromStdString(FormatClockMsText(PartStartSeconds(st_, k))));
}

void BeginCellDelegate::setModelData(QWidget* editor, QAbstractItemModel*,
                                     const QModelIndex& index) const {
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        emit typed(index.row() + 1, line->text());
}

PartPopupMenu::PartPopupMenu(Document& doc, PlaybackValues& playback, PartListView& list,
                             QWidget* parent)
    : QMenu(parent), doc_(doc), st_(doc.State()), playback_(playback), list_(list) {
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
    connect(playPartAction, &QAction::triggered, this, [this] {
        playback_.PlayingPart = st_.SelectedPart;
        emit playPartRequested(st_.SelectedPart);
    });
    connect(stopAction, &QAction::triggered, this, [this] { emit stopRequested(); });
    connect(usePartAction, &QAction::triggered, this, [this] {
        const int k = st_.SelectedPart;
        if (k < 1 || k > PartCount(st_))
            return;
        doc_.SetPartUsed(k, !PartTicked(st_, k));
        list_.updatePartStatus(k);
        emit viewChanged();
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
