// Navigation bar.
#include "app/CNavigationBar.h"

#include <QKeyEvent>
#include <QSignalBlocker>
#include <QTimer>

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
      m_packet(new QLineEdit(this)),
      m_filter(new QComboBox(this)) {
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

    // The filter field: the list holds the recent expressions, which the bar keeps itself.
    m_filter->setEditable(true);
    m_filter->setInsertPolicy(QComboBox::NoInsert);
    m_filter->setMinimumWidth(260);
    m_filter->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_filter->lineEdit()->setPlaceholderText(tr("Filter expression"));
    m_filter->lineEdit()->setClearButtonEnabled(true);
    Tag(m_filter, views::CommandId::FilterField,
        "Show only the packets a capture-filter expression selects\nFilter expression");
    m_filter->setWhatsThis(ControlWhatsThis(Control::FilterField));
    addSeparator();
    addWidget(m_filter);
    connect(m_filter->lineEdit(), &QLineEdit::returnPressed, this, [this] { EnterFilter(); });
    // An entry picked from the list; Enter also activates the entry shown, which counts once.
    connect(m_filter, &QComboBox::activated, this, [this](int index) {
        if (m_filter->itemText(index) == m_filter->currentText()) EnterFilter();
    });
    m_filter->lineEdit()->installEventFilter(this);
}

bool CNavigationBar::eventFilter(QObject* watched, QEvent* event) {
    // Escape in the filter field clears it and the filter.
    if (watched == m_filter->lineEdit() && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        m_filter->setEditText(QString());
        emit FilterEntered(QString());
        return true;
    }
    return QToolBar::eventFilter(watched, event);
}

void CNavigationBar::EnterFilter() {
    if (m_entering) return;
    m_entering = true;
    QTimer::singleShot(0, this, [this] { m_entering = false; });
    emit FilterEntered(m_filter->currentText().trimmed());
}

void CNavigationBar::ShowFilter(const QString& expression) {
    m_filter->setEditText(expression);
    ShowFilterError(QString());
}

void CNavigationBar::ShowFilterError(const QString& message) {
    m_filterError = !message.isEmpty();
    // A style sheet, not the palette: styles draw a combo box's field from their own colours.
    m_filter->setStyleSheet(m_filterError ? QStringLiteral("QComboBox { background: #ff9a9a; color: black; }")
                                          : QString());
    m_filter->setToolTip(m_filterError ? message : tr("Filter expression"));
}

void CNavigationBar::SetRecentFilters(const QStringList& expressions) {
    const QString text = m_filter->currentText();
    const QSignalBlocker quiet(m_filter);
    m_filter->clear();
    m_filter->addItems(expressions);
    m_filter->setEditText(text);
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
