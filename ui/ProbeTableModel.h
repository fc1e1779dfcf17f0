// The rows of the main window: one per probe, in probe order, six text columns. Column 0 (the
// target) is written once when the row is added; columns 1 to 5 are rewritten together on every
// refresh tick, and the view is told once per tick.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <functional>
#include <string>
#include <vector>

namespace quorvex {

class ProbeTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int kColumnCount = 6;
    using Statistics = std::array<std::string, 5>;

    explicit ProbeTableModel(QObject* parent = nullptr);

    // Adds a row whose column 0 is `hostText` (raw bytes, shown as UTF-8) and the others empty.
    void AppendRow(const std::string& hostText);
    // Rewrites columns 1 to 5 of every row with statisticsOf(row).
    void RewriteStatistics(const std::function<Statistics(int row)>& statisticsOf);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<std::array<QString, kColumnCount>> rows_;
};

}  // namespace quorvex
