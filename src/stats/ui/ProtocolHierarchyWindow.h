// Statistics > Protocol Hierarchy: every layer path seen, as a tree, with its frames and
// bytes and their share of the capture.
#pragma once

#include <QTreeWidget>

#include "stats/ui/StatsWindow.h"

namespace stats::ui {

class ProtocolHierarchyWindow : public StatsWindow {
    Q_OBJECT
public:
    ProtocolHierarchyWindow(StatsSource source, const QString& captureTitle, QWidget* parent);

    QTreeWidget& Tree() noexcept { return *m_tree; }

protected:
    void Show(const StatsSnapshot& snapshot) override;

private:
    QTreeWidget* m_tree;
    std::shared_ptr<const ProtocolTable> m_table;
};

// Fills tree with the table's rows under their parents, every level open.
void FillProtocolTree(QTreeWidget& tree, const ProtocolTable& table);

}  // namespace stats::ui
