// The conversations and endpoints windows.
#include "stats/ui/StationTablesWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace stats::ui {

StationTablesWindow::StationTablesWindow(Tables tables, StatsSource source, const QString& captureTitle,
                                         QWidget* parent)
    : StatsWindow(std::move(source),
                  (tables == Tables::Conversations ? tr("Conversations - %1") : tr("Endpoints - %1")).arg(captureTitle),
                  parent),
      m_tables(tables),
      m_tabs(new QTabWidget) {
    for (const TableKind kind : kAllTableKinds) {
        const auto at = static_cast<std::size_t>(kind);
        auto* model = new StatsTableModel(this);
        auto* view = new QTableView;
        view->setModel(model);
        // The table's own order (most frames first) until the user picks a column.
        view->horizontalHeader()->setSortIndicator(-1, Qt::DescendingOrder);
        view->setSortingEnabled(true);
        view->horizontalHeader()->setStretchLastSection(true);
        view->horizontalHeader()->setSectionsMovable(true);
        view->verticalHeader()->hide();
        view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setAlternatingRowColors(true);
        view->setWordWrap(false);
        view->setWhatsThis(m_tables == Tables::Conversations
                               ? tr("Every pair of stations, both directions together. Click a column to sort by "
                                    "it; double-click a conversation to go to its first frame.")
                               : tr("Every station, with what it sent and received. Click a column to sort by it; "
                                    "double-click an endpoint to go to its first frame."));
        connect(view, &QTableView::doubleClicked, this, [this, model](const QModelIndex& index) {
            if (const auto frame = model->FirstFrame(index.row())) emit GoToFrame(*frame);
        });
        m_tabs->addTab(view, QString::fromLatin1(KindTitle(kind)));
        m_views[at] = view;
        m_models[at] = model;
    }
    auto* copy = new QPushButton(tr("&Copy"));
    copy->setToolTip(tr("Copy the selected rows, or every row, as tab-separated text"));
    connect(copy, &QPushButton::clicked, this, &StationTablesWindow::Copy);
    auto* copyKey = new QAction(this);
    copyKey->setShortcuts(QKeySequence::Copy);
    copyKey->setShortcutContext(Qt::WindowShortcut);
    connect(copyKey, &QAction::triggered, this, &StationTablesWindow::Copy);
    addAction(copyKey);

    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(copy, 0, Qt::AlignRight);
    SetBody(body);

    StatsRequest request;
    for (const TableKind kind : kAllTableKinds) {
        const auto at = static_cast<std::size_t>(kind);
        (m_tables == Tables::Conversations ? request.conversations : request.endpoints)[at] = true;
    }
    Start(request);
}

void StationTablesWindow::Show(const StatsSnapshot& snapshot) {
    for (const TableKind kind : kAllTableKinds) {
        const auto at = static_cast<std::size_t>(kind);
        std::shared_ptr<const StatsTable> table;
        if (m_tables == Tables::Conversations)
            table = snapshot.conversations[at];
        else
            table = snapshot.endpoints[at];
        if (!table) continue;
        QTableView& view = *m_views[at];
        // A live window's next counts: the user keeps the row and place they were looking at.
        const auto current = m_models[at]->FirstFrame(view.currentIndex().row());
        const int scrolled = view.verticalScrollBar()->value();
        const bool first = m_models[at]->Table() == nullptr;
        m_models[at]->SetTable(std::move(table));
        // Widths fit the first rows once; after that they are the user's.
        if (first) view.resizeColumnsToContents();
        if (current) {
            for (int r = 0; r < m_models[at]->rowCount(); ++r) {
                if (m_models[at]->FirstFrame(r) != current) continue;
                view.selectRow(r);
                break;
            }
        }
        view.verticalScrollBar()->setValue(scrolled);
        m_tabs->setTabText(static_cast<int>(at),
                           QStringLiteral("%1 \u00b7 %2").arg(QString::fromLatin1(KindTitle(kind))).arg(
                               m_models[at]->Table()->RowCount()));
    }
}

QString StationTablesWindow::SelectionTsv() const {
    const int at = m_tabs->currentIndex();
    if (at < 0) return {};
    const QTableView& view = *m_views[static_cast<std::size_t>(at)];
    return m_models[static_cast<std::size_t>(at)]->Tsv(view.selectionModel()->selectedRows());
}

void StationTablesWindow::Copy() { QApplication::clipboard()->setText(SelectionTsv()); }

}  // namespace stats::ui
