// Whether capture windows show the bytes pane: one switch for the whole workbench, read from
// the settings store when first asked and written there on each change. Every detail pane and
// the View menu's item follow it, so hiding the pane anywhere hides it everywhere.
#pragma once

#include <QObject>

namespace views {

class BytesPaneSwitch : public QObject {
    Q_OBJECT
public:
    // The application's switch (made on first use, a child of the application).
    static BytesPaneSwitch& Instance();

    bool IsOn() const noexcept { return m_on; }
    // Stores the state and tells the followers; the same state again does nothing.
    void Set(bool on);

signals:
    void Changed(bool on);

private:
    explicit BytesPaneSwitch(QObject* parent);
    bool m_on;
};

}  // namespace views
