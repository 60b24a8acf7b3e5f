// The protocol hierarchy window.
#include "stats/ui/ProtocolHierarchyWindow.h"

#include <QHeaderView>
#include <QScrollBar>
#include <vector>

namespace stats::ui {

void FillProtocolTree(QTreeWidget& tree, const ProtocolTable& table) {
    tree.clear();
    const auto& columns = table.Columns();
    QStringList headers;
    for (const StatsColumn& c : columns) headers << QString::fromStdString(c.name);
    tree.setHeaderLabels(headers);
    std::vector<QTreeWidgetItem*> items(table.RowCount(), nullptr);
    for (std::size_t r = 0; r < table.RowCount(); ++r) {
        const ProtocolRow& row = table.Rows()[r];
        QTreeWidgetItem* parent = row.parent && *row.parent < r ? items[*row.parent] : nullptr;
        auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(&tree);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            item->setText(static_cast<int>(c), QString::fromStdString(table.Text(r, c)));
            if (columns[c].numeric) item->setTextAlignment(static_cast<int>(c), Qt::AlignRight | Qt::AlignVCenter);
        }
        items[r] = item;
    }
    tree.expandAll();
    tree.header()->setSectionResizeMode(0, QHeaderView::Stretch);
    if (QTreeWidgetItem* head = tree.headerItem()) head->setTextAlignment(0, Qt::AlignLeft | Qt::AlignVCenter);
}

ProtocolHierarchyWindow::ProtocolHierarchyWindow(StatsSource source, const QString& captureTitle, QWidget* parent)
    : StatsWindow(std::move(source), tr("Protocol Hierarchy - %1").arg(captureTitle), parent),
      m_tree(new QTreeWidget) {
    m_tree->setUniformRowHeights(true);
    m_tree->setAlternatingRowColors(true);
    // The layer names take the room; the numbers as wide as they need.
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_tree->header()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_tree->setWhatsThis(
        tr("Every layer path seen in the capture, with its frames and bytes and their share of the whole."));
    SetBody(m_tree);
    StatsRequest request;
    request.protocols = true;
    Start(request);
}

void ProtocolHierarchyWindow::Show(const StatsSnapshot& snapshot) {
    if (!snapshot.protocols) return;
    m_table = snapshot.protocols;
    const int scrolled = m_tree->verticalScrollBar()->value();
    FillProtocolTree(*m_tree, *m_table);
    m_tree->verticalScrollBar()->setValue(scrolled);
}

}  // namespace stats::ui
