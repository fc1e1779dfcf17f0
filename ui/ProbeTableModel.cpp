#include "ui/ProbeTableModel.h"

namespace quorvex {

namespace {

// Titles: target (IP address or domain name), average, current, largest, smallest delay, loss.
const char* const kTitles[ProbeTableModel::kColumnCount] = {"IP或域名", "平均延迟", "当前延迟",
                                                            "最大延迟", "最小延迟", "丢包率"};

}  // namespace

ProbeTableModel::ProbeTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void ProbeTableModel::AppendRow(const std::string& hostText) {
    const int row = static_cast<int>(rows_.size());
    beginInsertRows({}, row, row);
    rows_.push_back({QString::fromStdString(hostText)});
    endInsertRows();
}

void ProbeTableModel::RewriteStatistics(const std::function<Statistics(int row)>& statisticsOf) {
    if (rows_.empty()) return;
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        const Statistics texts = statisticsOf(static_cast<int>(row));
        for (std::size_t column = 0; column < texts.size(); ++column)
            rows_[row][column + 1] = QString::fromLatin1(texts[column]);
    }
    emit dataChanged(index(0, 1), index(rowCount() - 1, kColumnCount - 1), {Qt::DisplayRole});
}

int ProbeTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ProbeTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant ProbeTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role == Qt::DisplayRole) return rows_[index.row()][index.column()];
    if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

QVariant ProbeTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
    if (role == Qt::DisplayRole) return QString::fromUtf8(kTitles[section]);
    if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags ProbeTableModel::flags(const QModelIndex& index) const {
    // Selectable rows, never editable.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace quorvex
