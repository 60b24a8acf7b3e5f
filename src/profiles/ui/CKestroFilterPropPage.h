// The "Filters" page of the "Profile settings" sheet: one check box per protocol in its
// layer's group, and the filter type ("Included" or "Excluded").
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QWidget>
#include <array>

#include "profiles/ProfileForm.h"

namespace profiles::ui {

class CKestroFilterPropPage final : public QWidget {
    Q_OBJECT
public:
    CKestroFilterPropPage(const ProfileForm& form, QWidget* parent);

    void Read(ProfileForm& form) const;
    QWidget* FilterTypeWidget() const { return m_filterType; }

private:
    std::array<QCheckBox*, kCaptureLayers.size()> m_checks{};
    QComboBox* m_filterType;
};

}  // namespace profiles::ui
