// The "Filters" page: the group boxes are made from the layer table, in its order.
#include "profiles/ui/CKestroFilterPropPage.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>
#include <map>

#include "widgets/QtText.h"

namespace profiles::ui {

using widgets::Q;

CKestroFilterPropPage::CKestroFilterPropPage(const ProfileForm& form, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("filtersPage"));
    setWhatsThis(QStringLiteral("The protocols the agent captures: a frame is kept when one of its layers is "
                                "checked. The filter type chooses how the checked protocols are matched."));
    auto* page = new QGridLayout(this);
    // The lower layers stacked on the left, the application layer on the right.
    std::map<std::string_view, QGroupBox*> groups;
    std::map<std::string_view, QVBoxLayout*> boxes;
    int row = 0;
    for (std::size_t i = 0; i < kCaptureLayers.size(); ++i) {
        const CaptureLayer& layer = kCaptureLayers[i];
        if (!groups.count(layer.group)) {
            auto* group = new QGroupBox(Q(layer.group), this);
            boxes[layer.group] = new QVBoxLayout(group);
            groups[layer.group] = group;
            if (layer.group == "Application layer")
                page->addWidget(group, 0, 1, 3, 1);
            else
                page->addWidget(group, row++, 0);
        }
        m_checks[i] = new QCheckBox(Q(layer.label), groups[layer.group]);
        m_checks[i]->setObjectName(Q(layer.keyword));
        m_checks[i]->setChecked(form.layers[i]);
        boxes[layer.group]->addWidget(m_checks[i]);
    }
    auto* filters = new QGroupBox(QStringLiteral("Filters"), this);
    m_filterType = new QComboBox(filters);
    m_filterType->setObjectName(QStringLiteral("filterType"));
    for (const auto text : kFilterTypeTexts) m_filterType->addItem(Q(text));
    m_filterType->setCurrentIndex(form.filterType);  // -1: nothing chosen yet
    auto* filterRow = new QFormLayout(filters);
    filterRow->addRow(QStringLiteral("Filter type:"), m_filterType);
    page->addWidget(filters, 3, 0, 1, 2);
    page->setRowStretch(4, 1);
}

void CKestroFilterPropPage::Read(ProfileForm& form) const {
    for (std::size_t i = 0; i < m_checks.size(); ++i) form.layers[i] = m_checks[i]->isChecked();
    form.filterType = m_filterType->currentIndex();
}

}  // namespace profiles::ui
