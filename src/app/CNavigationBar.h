// The navigation bar: the summary-level box, the six moves through a trace, the packet
// number field, go to packet and the pause/continue button (pressed while paused).
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QToolBar>
#include <functional>

namespace app {

class CNavigationBar : public QToolBar {
    Q_OBJECT
public:
    // action(id) hands out the frame's action of a command.
    CNavigationBar(const std::function<QAction*(std::uint32_t)>& action, QWidget* parent = nullptr);

    QComboBox& LevelBox() noexcept { return *m_level; }
    QLineEdit& PacketField() noexcept { return *m_packet; }
    // The level of the selected entry; nullopt when none is selected.
    std::optional<std::uint32_t> SelectedLevel() const;
    // Selects the entry of a summary level (10, 13, 16 or 40).
    void SelectLevel(std::uint32_t level);

signals:
    void LevelChosen(std::uint32_t level);

private:
    QComboBox* m_level;
    QLineEdit* m_packet;
};

}  // namespace app
