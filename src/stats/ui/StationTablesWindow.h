// Statistics > Conversations and Statistics > Endpoints: one tab per kind of station
// (Ethernet, IPv4, IPv6, TCP, UDP), each a table sortable by any column; Copy puts the
// selected rows (or all of them) on the clipboard as TSV, and a double-click goes to the
// row's first frame.
#pragma once

#include <QTabWidget>
#include <QTableView>
#include <array>

#include "stats/ui/StatsTableModel.h"
#include "stats/ui/StatsWindow.h"

namespace stats::ui {

class StationTablesWindow : public StatsWindow {
    Q_OBJECT
public:
    enum class Tables { Conversations, Endpoints };

    StationTablesWindow(Tables tables, StatsSource source, const QString& captureTitle, QWidget* parent);

    QTabWidget& Tabs() noexcept { return *m_tabs; }
    QTableView& View(TableKind kind) noexcept { return *m_views[static_cast<std::size_t>(kind)]; }
    StatsTableModel& Model(TableKind kind) noexcept { return *m_models[static_cast<std::size_t>(kind)]; }
    // The selected rows of the tab on display (all its rows when none is selected), as TSV.
    QString SelectionTsv() const;
    // Puts SelectionTsv on the clipboard.
    void Copy();

protected:
    void Show(const StatsSnapshot& snapshot) override;

private:
    Tables m_tables;
    QTabWidget* m_tabs;
    std::array<QTableView*, kTableKinds> m_views{};
    std::array<StatsTableModel*, kTableKinds> m_models{};
};

}  // namespace stats::ui
