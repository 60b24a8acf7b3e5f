// The navigation bar: the summary-level box, the six moves through a trace, the packet
// number field, go to packet, the pause/continue button (pressed while paused) and the filter
// field with the expressions used last.
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

    QComboBox& FilterBox() noexcept { return *m_filter; }
    QString FilterText() const { return m_filter->currentText(); }
    // Shows the expression of the active window (no error).
    void ShowFilter(const QString& expression);
    // Red with libpcap's message as its tool tip; an empty message takes the red away.
    void ShowFilterError(const QString& message);
    bool FilterInError() const noexcept { return m_filterError; }
    // The expressions offered under the field, newest first.
    void SetRecentFilters(const QStringList& expressions);

signals:
    void LevelChosen(std::uint32_t level);
    // Enter (or an expression picked from the list) applies it; Escape sends an empty one.
    void FilterEntered(const QString& expression);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void EnterFilter();

    QComboBox* m_level;
    QLineEdit* m_packet;
    QComboBox* m_filter;
    bool m_filterError = false;
    bool m_entering = false;  // this event turn's Enter was taken
};

}  // namespace app
