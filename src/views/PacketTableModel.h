// The packet list's rows for Qt: a table over the screen on display in packetlist::CKestroView.
// Nothing is decoded until a cell is drawn; a new screen resets the table, a level change
// marks the three texts that follow the level as changed.
#pragma once

#include <QAbstractTableModel>
#include <array>

#include "packetlist/CKestroView.h"

namespace views {

class PacketTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kCounter, kDelta, kSource, kDestination, kSummary, kColumnCount };
    // Column widths in pixels, in column order.
    static constexpr std::array<int, kColumnCount> kWidths = {75, 50, 100, 100, 300};

    explicit PacketTableModel(packetlist::CKestroView& view, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Another block is on display.
    void Refill();
    // Source, Destination and Summary of every row follow a new summary level.
    void Retext();

private:
    packetlist::CKestroView* m_view;
    int m_rows = 0;
};

}  // namespace views
