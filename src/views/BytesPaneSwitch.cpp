// Bytes pane switch.
#include "views/BytesPaneSwitch.h"

#include <QCoreApplication>
#include <QPointer>

#include "settings/PanePreferences.h"

namespace views {

BytesPaneSwitch::BytesPaneSwitch(QObject* parent) : QObject(parent), m_on(settings::LoadBytesPaneShown()) {}

BytesPaneSwitch& BytesPaneSwitch::Instance() {
    // Owned by the application: a new application (the tests make one per run) gets a new one.
    static QPointer<BytesPaneSwitch> instance;
    if (instance.isNull()) instance = new BytesPaneSwitch(QCoreApplication::instance());
    return *instance;
}

void BytesPaneSwitch::Set(bool on) {
    if (on == m_on) return;
    m_on = on;
    settings::StoreBytesPaneShown(on);
    emit Changed(on);
}

}  // namespace views
