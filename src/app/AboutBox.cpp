// About box and the application icon.
#include "app/AboutBox.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

namespace app {

QIcon ApplicationIcon() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x20, 0x3a, 0x5c));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(4, 6, 56, 40, 5, 5);
    p.setBrush(QColor(0x0b, 0x15, 0x22));
    p.drawRect(9, 11, 46, 30);
    p.setPen(QPen(QColor(0x5c, 0xe0, 0x7a), 3));
    const QPoint trace[] = {{10, 30}, {20, 30}, {25, 16}, {31, 38}, {36, 24}, {41, 30}, {54, 30}};
    p.drawPolyline(trace, 7);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0x3a, 0x5c));
    p.drawRect(26, 46, 12, 6);
    p.drawRoundedRect(16, 52, 32, 6, 2, 2);
    return QIcon(pixmap);
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("About Palomet"));
    setWhatsThis(tr("The program's name and version. OK closes the box."));
    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(48, 48));
    auto* text = new QLabel(tr("Palomet Manager\nRemote network capture console\nPalomet Version 1.0"), this);
    text->setAlignment(Qt::AlignCenter);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addSpacing(12);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace app
