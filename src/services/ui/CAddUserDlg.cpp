// The Add User dialog's widgets.
#include "services/ui/CAddUserDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace services::ui {

CAddUserDlg::CAddUserDlg(std::vector<std::unique_ptr<AccountSource>> sources, QWidget* parent)
    : QDialog(parent),
      m_prompt(this),
      m_model(std::move(sources), m_prompt, m_cursor) {
    setWindowTitle(QStringLiteral("Add User"));
    m_sources = new QComboBox(this);
    auto* label = new QLabel(QStringLiteral("List Names from:"), this);
    label->setBuddy(m_sources);
    m_accounts = new QTreeWidget(this);
    m_accounts->setColumnCount(3);
    m_accounts->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Comment"), QStringLiteral("Full Name")});
    m_accounts->setRootIsDecorated(false);
    m_accounts->setUniformRowHeights(true);
    m_accounts->setAllColumnsShowFocus(true);
    m_accounts->setSelectionMode(QAbstractItemView::SingleSelection);
    m_accounts->setColumnWidth(0, 100);
    m_accounts->setColumnWidth(1, 185);
    m_accounts->setColumnWidth(2, 100);
    m_accounts->header()->setStretchLastSection(true);
    auto* box =
        widgets::OkCancelHelp(*this, QStringLiteral("The accounts of the service's host: choose the one the service is "
                                                    "to run as."));
    connect(m_accounts, &QTreeWidget::itemDoubleClicked, this, &CAddUserDlg::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_sources);
    layout->addWidget(m_accounts, 1);
    layout->addWidget(box);
    resize(480, 360);

    m_model.Open();
    for (const auto& name : m_model.SourceNames()) m_sources->addItem(QString::fromStdString(name));
    FillAccounts();
    connect(m_sources, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0) return;
        m_model.SelectSource(static_cast<std::size_t>(index));
        FillAccounts();
    });
}

void CAddUserDlg::FillAccounts() {
    m_accounts->clear();
    for (std::size_t row = 0; row < m_model.Rows().size(); ++row) {
        const auto account = m_model.ShownRow(row);
        new QTreeWidgetItem(m_accounts, {QString::fromStdString(account.name), QString::fromStdString(account.comment),
                                         QString::fromStdString(account.fullName)});
    }
}

void CAddUserDlg::accept() {
    const int row = m_accounts->indexOfTopLevelItem(m_accounts->currentItem());
    m_chosen = m_model.Choose(row < 0 ? std::nullopt : std::optional<std::size_t>(static_cast<std::size_t>(row)));
    QDialog::accept();
}

}  // namespace services::ui
