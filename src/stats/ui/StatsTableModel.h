// A statistics table in a Qt view: the table's columns and cells, sorted by any column with
// the "other" row last, and copied as TSV. A new table (a live window's next counts) keeps
// the column and direction the user sorted by.
#pragma once

#include <QAbstractTableModel>
#include <QModelIndexList>
#include <memory>
#include <optional>
#include <vector>

#include "stats/StatsTable.h"

namespace stats::ui {

class StatsTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit StatsTableModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void SetTable(std::shared_ptr<const StatsTable> table);
    const StatsTable* Table() const noexcept { return m_table.get(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

    // The frame a double-click on the row goes to.
    std::optional<std::uint32_t> FirstFrame(int row) const;
    // The header and the given rows (every row when none is given) in the order shown.
    QString Tsv(const QModelIndexList& rows = {}) const;

private:
    void Order();

    std::shared_ptr<const StatsTable> m_table;
    std::vector<std::size_t> m_order;  // the table's rows in the order shown
    std::optional<int> m_sortColumn;   // none: the table's own order
    Qt::SortOrder m_sortOrder = Qt::DescendingOrder;
};

}  // namespace stats::ui
