// The Services dialog's list: one row per service ("Service", "Status", "Startup"), the
// whole row selected, long texts cut with "...". A thin view of ServicesDialogModel's rows.
#pragma once

#include <QAbstractTableModel>
#include <QTreeView>
#include <optional>

#include "services/ServicesDialogModel.h"

namespace services::ui {

class ServiceTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    ServiceTableModel(const ServicesDialogModel& model, QObject* parent);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Another host's services.
    void Reset();
    // The same services, states read again.
    void RowsChanged();

private:
    const ServicesDialogModel& m_model;
};

class CServiceListCtrl final : public QTreeView {
    Q_OBJECT
public:
    CServiceListCtrl(const ServicesDialogModel& model, QWidget* parent);
    ServiceTableModel& Rows() noexcept { return *m_rows; }
    std::optional<std::size_t> SelectedRow() const;
    void SelectRow(std::optional<std::size_t> row);

private:
    ServiceTableModel* m_rows;
};

}  // namespace services::ui
