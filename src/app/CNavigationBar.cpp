// Navigation bar.
#include "app/CNavigationBar.h"

#include "app/WhatsThisTexts.h"
#include "decode/ProtoCode.h"
#include "packetlist/NavCommand.h"
#include "views/CommandIds.h"

namespace app {

namespace {
struct LevelEntry {
    const char* text;
    std::uint32_t level;
};
constexpr LevelEntry kLevels[] = {{"Datalink level", decode::LEVEL_DATALINK},
                                  {"Network level", decode::LEVEL_NETWORK},
                                  {"Transport level", decode::LEVEL_TRANSPORT},
                                  {"Application level", decode::LEVEL_APPLICATION}};

void Tag(QWidget* widget, views::CommandId id, const char* prompt) {
    widget->setProperty("commandId", static_cast<uint>(id));
    const QString text = QString::fromLatin1(prompt);
    widget->setStatusTip(text.section(QLatin1Char('\n'), 0, 0));
    widget->setToolTip(text.section(QLatin1Char('\n'), 1));
}
}  // namespace

CNavigationBar::CNavigationBar(const std::function<QAction*(std::uint32_t)>& action, QWidget* parent)
    : QToolBar(tr("Navigation Bar"), parent),
      m_level(new QComboBox(this)),
      m_packet(new QLineEdit(this)) {
    setObjectName(QStringLiteral("NavigationBar"));
    setProperty("commandId", static_cast<uint>(views::CommandId::NavigationBar));
    setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);

    for (const LevelEntry& e : kLevels) m_level->addItem(QString::fromLatin1(e.text), e.level);
    m_level->setCurrentIndex(m_level->count() - 1);
    m_level->setMinimumWidth(120);
    QFont bold = m_level->font();
    bold.setBold(true);
    m_level->setFont(bold);
    Tag(m_level, views::CommandId::SummaryLevel, "Select summary level\nSummary level");
    m_level->setWhatsThis(ControlWhatsThis(Control::LevelBox));
    connect(m_level, &QComboBox::activated, this,
            [this](int index) { emit LevelChosen(m_level->itemData(index).toUInt()); });

    m_packet->setFixedWidth(80);
    m_packet->setFrame(true);
    Tag(m_packet, views::CommandId::PacketField, "Packet number for Goto packet\nPacket number");
    m_packet->setWhatsThis(ControlWhatsThis(Control::PacketField));

    using packetlist::NavCommand;
    addWidget(m_level);
    addSeparator();
    for (NavCommand id : {NavCommand::GoToBeginning, NavCommand::PreviousScreen, NavCommand::PreviousPacket,
                          NavCommand::NextPacket, NavCommand::NextScreen, NavCommand::GoToEnd})
        addAction(action(static_cast<std::uint32_t>(id)));
    addSeparator();
    addWidget(m_packet);
    addSeparator();
    addAction(action(static_cast<std::uint32_t>(NavCommand::GotoPacket)));
    addAction(action(static_cast<std::uint32_t>(NavCommand::PauseContinue)));
    // Enter in the packet field goes to the packet, as the button does.
    QAction* go = action(static_cast<std::uint32_t>(NavCommand::GotoPacket));
    connect(m_packet, &QLineEdit::returnPressed, go, [go] {
        if (go->isEnabled()) go->trigger();
    });
}

std::optional<std::uint32_t> CNavigationBar::SelectedLevel() const {
    if (m_level->currentIndex() < 0) return std::nullopt;
    return m_level->currentData().toUInt();
}

void CNavigationBar::SelectLevel(std::uint32_t level) {
    const int index = m_level->findData(level);
    if (index >= 0) m_level->setCurrentIndex(index);
}

}  // namespace app
