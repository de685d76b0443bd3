#include "ui/parts/part_table_model.h"

#include "ui/document/core_text.h"
#include "ui/document/document_signals.h"

#include "core/parts/edge_trim.h"
#include "core/parts/near_pauses.h"
#include "core/parts/part_access.h"
#include "core/parts/part_loudness.h"
#include "core/parts/part_times.h"
#include "core/util/time_text.h"

#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace tessivo {

namespace {

QString TimeText(double seconds) {
    return QString::fromStdString(FormatTimeText(true, seconds));
}

// "-16.3 LUFS" once the exact peaks measured it, "Silent" under the gate.
QString LoudnessText(const Loudness& l) {
    if (!l.measured)
        return {};
    if (l.silent)
        return PartTableModel::tr("Silent");
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

QString PartFile(const Document& doc, int k) {
    const std::vector<std::string> files = doc.PartFileNames();
    const auto slot = static_cast<size_t>(k);
    return slot < files.size() ? QString::fromStdString(files[slot]) : QString();
}

} // namespace

QString PartStatusText(const ProgramState& st, int k, const std::vector<bool>& noPause) {
    if (!PartTicked(st, k))
        return PartTableModel::tr("Not Used");
    if (PartSaved(st, k))
        return PartTableModel::tr("Saved");
    if (k >= 0 && static_cast<size_t>(k) < noPause.size() && noPause[k])
        return CoreText(kNoPauseStatus);
    return PartTableModel::tr("Prepared");
}

PartTableModel::PartTableModel(Document& doc, DocumentSignals& docSignals, QObject* parent)
    : QAbstractTableModel(parent), doc_(doc), st_(doc.State()) {
    rows_ = partRows();
    connect(&docSignals, &DocumentSignals::changed, this, &PartTableModel::follow);
}

int PartTableModel::partRows() const {
    return PartCount(st_) > 1 ? PartCount(st_) : 0;
}

int PartTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int PartTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

void PartTableModel::matchRowCount(int rows) {
    if (rows > rows_) {
        beginInsertRows({}, rows_, rows - 1);
        rows_ = rows;
        endInsertRows();
    } else if (rows < rows_) {
        beginRemoveRows({}, rows, rows_ - 1);
        rows_ = rows;
        endRemoveRows();
    }
}

void PartTableModel::follow(DocumentChange change) {
    // Parts that come or go bring the rows back into part order first.
    if (!order_.empty() && partRows() != rows_)
        reorder({});
    matchRowCount(partRows());
    if (rows_ == 0)
        return;
    // New exact peaks change only the loudness; anything else may change
    // every row (a tick renumbers the files and tracks after it).
    const bool peaksOnly = change == DocumentChange::Peaks;
    const int first = peaksOnly ? int{ColLoudness} : 0;
    emit dataChanged(index(0, first), index(rows_ - 1, ColumnCount - 1));
}

QVariant PartTableModel::displayText(int k, int column) const {
    switch (column) {
    case ColNumber:
        return QString::number(k);
    case ColStatus:
        return PartStatusText(st_, k, doc_.NearPausesFlags());
    case ColBegin:
        return TimeText(PartStartSeconds(st_, st_, k));
    case ColEnd:
        return TimeText(PartEndSeconds(st_, st_, k));
    case ColDuration: // as written: trimmed when trimming is on
        return TimeText(WrittenPartSeconds(st_, st_, st_, k));
    case ColFile:
        return QFileInfo(PartFile(doc_, k)).fileName();
    case ColLoudness:
        return LoudnessText(PartLoudness(st_, st_, k));
    default:
        break;
    }
    const PartTagV2 tag = EffectivePartTag(st_, k).fields;
    switch (column) {
    case ColTitle:
        return QString::fromStdString(tag.title);
    case ColArtist:
        return QString::fromStdString(tag.artist);
    case ColAlbum:
        return QString::fromStdString(tag.album);
    case ColTrack:
        return TrackText(st_, k, tag);
    default:
        return {};
    }
}

QVariant PartTableModel::sortKey(int k, int column) const {
    switch (column) {
    case ColNumber:
    case ColBegin:
    case ColEnd:
        return k;
    case ColDuration:
        return WrittenPartSeconds(st_, st_, st_, k);
    case ColLoudness: {
        const Loudness l = PartLoudness(st_, st_, k);
        return l.measured && !l.silent ? l.lufs : -1000.0;
    }
    default:
        return displayText(k, column);
    }
}

int PartTableModel::partOfRow(int row) const {
    if (row < 0 || row >= rows_)
        return 0;
    return order_.empty() ? row + 1 : order_[static_cast<size_t>(row)];
}

int PartTableModel::rowOfPart(int k) const {
    if (order_.empty())
        return k - 1;
    const auto at = std::find(order_.begin(), order_.end(), k);
    return at == order_.end() ? -1 : static_cast<int>(at - order_.begin());
}

void PartTableModel::sort(int column, Qt::SortOrder order) {
    if (rows_ == 0 || (column == ColNumber && order == Qt::AscendingOrder)) {
        reorder({});
        return;
    }
    std::vector<std::pair<QVariant, int>> keyed;
    for (int k = 1; k <= rows_; ++k)
        keyed.emplace_back(sortKey(k, column), k);
    std::stable_sort(keyed.begin(), keyed.end(), [order](const auto& a, const auto& b) {
        const QPartialOrdering c = QVariant::compare(a.first, b.first);
        return order == Qt::AscendingOrder ? c == QPartialOrdering::Less
                                           : c == QPartialOrdering::Greater;
    });
    std::vector<int> parts;
    for (const auto& [key, k] : keyed)
        parts.push_back(k);
    reorder(std::move(parts));
}

void PartTableModel::reorder(std::vector<int> order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> parts;
    for (const QModelIndex& i : before)
        parts.push_back(partOfRow(i.row()));
    order_ = std::move(order);
    QModelIndexList after;
    for (size_t i = 0; i < parts.size(); ++i)
        after << index(rowOfPart(parts[i]), before[static_cast<int>(i)].column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QVariant PartTableModel::data(const QModelIndex& index, int role) const {
    const int k = partOfRow(index.row());
    if (!index.isValid() || k < 1 || k > PartCount(st_))
        return {};
    const int column = index.column();
    if (role == Qt::DisplayRole)
        return displayText(k, column);
    if (role == SortRole)
        return sortKey(k, column);
    if (role == Qt::CheckStateRole && column == ColNumber)
        return PartTicked(st_, k) ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::ToolTipRole && column == ColFile)
        return PartFile(doc_, k);
    if (role == Qt::EditRole && column == ColBegin)
        return QString::fromStdString(FormatClockMsText(PartStartSeconds(st_, st_, k)));
    return {};
}

QVariant PartTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case ColNumber:
        return QStringLiteral("#");
    case ColStatus:
        return tr("Status");
    case ColBegin:
        return tr("Begin");
    case ColEnd:
        return tr("End");
    case ColDuration:
        return tr("Duration");
    case ColFile:
        return tr("Filename");
    case ColTitle:
        return tr("Title");
    case ColArtist:
        return tr("Artist");
    case ColAlbum:
        return tr("Album");
    case ColTrack:
        return tr("Track");
    case ColLoudness:
        return tr("Loudness");
    default:
        return {};
    }
}

Qt::ItemFlags PartTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == ColNumber)
        f |= Qt::ItemIsUserCheckable;
    // The first part always starts at the file's start.
    if (index.column() == ColBegin && partOfRow(index.row()) >= 2)
        f |= Qt::ItemIsEditable;
    return f;
}

bool PartTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const int k = partOfRow(index.row());
    if (!index.isValid() || k < 1)
        return false;
    if (role == Qt::CheckStateRole && index.column() == ColNumber) {
        doc_.SetPartUsed(k, value.toInt() == Qt::Checked);
        return true;
    }
    if (role == Qt::EditRole && index.column() == ColBegin) {
        emit beginTyped(k, value.toString());
        return true;
    }
    return false;
}

} // namespace tessivo
