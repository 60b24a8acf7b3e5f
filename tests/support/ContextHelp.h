// Context help as the user meets it, for the widget tests (header only, like QtApp.h): which
// controls a click in What's-This mode would find nothing for, and the box a Help button opens.
#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace support {

// The text a click in What's-This mode on widget shows: its own, else the nearest one of its
// parents' up to top (Qt passes the question up).
inline QString WhatsThisOf(const QWidget* widget, const QWidget* top) {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (!w->whatsThis().isEmpty()) return w->whatsThis();
        if (w == top) break;
    }
    return {};
}

// The controls under top (but for those under skip) that the user can see and that show no
// What's-This text, each as its class and its text or object name.
inline QStringList ControlsWithoutWhatsThis(const QWidget& top, const QWidget* skip = nullptr) {
    QStringList silent;
    for (const QWidget* w : top.findChildren<QWidget*>()) {
        const bool control = qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
                             qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
                             qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QProgressBar*>(w) ||
                             qobject_cast<const QTabBar*>(w);
        if (!control || !w->isVisibleTo(&top) || (skip != nullptr && skip->isAncestorOf(w)) ||
            !WhatsThisOf(w, &top).isEmpty())
            continue;
        const auto* button = qobject_cast<const QAbstractButton*>(w);
        silent << QStringLiteral("%1 '%2'").arg(QString::fromLatin1(w->metaObject()->className()),
                                                 button != nullptr ? button->text() : w->objectName());
    }
    return silent;
}

// The dialog's Help button (its text "Help", with or without a mnemonic); null when none.
inline QAbstractButton* HelpButton(const QWidget& dialog) {
    for (QAbstractButton* b : dialog.findChildren<QAbstractButton*>())
        if (b->text().remove(QLatin1Char('&')) == QStringLiteral("Help")) return b;
    return nullptr;
}

// Clicks button and returns the text of the message box it opens, which is closed at once;
// empty when none opens.
inline QString BoxTextAfterClicking(QAbstractButton& button) {
    QString text;
    QTimer::singleShot(0, [&text] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = box->text();
            box->accept();
        }
    });
    QTest::mouseClick(&button, Qt::LeftButton);
    QApplication::processEvents();
    return text;
}

}  // namespace support
