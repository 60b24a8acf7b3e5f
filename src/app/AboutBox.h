// "About Palomet": the application's icon, three centred lines ending in the version, OK.
#pragma once

#include <QDialog>

namespace app {

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
};

// The application's icon, drawn rather than shipped: a monitor with a trace on it.
QIcon ApplicationIcon();

}  // namespace app
