#include "QtTrayShell.h"

#include "TrayTexts.h"

#include <QCursor>
#include <QMenu>

namespace tray {

QtTrayShell::QtTrayShell(QObject *parent) : TrayShell(parent)
{
    connect(&m_icon, &QSystemTrayIcon::activated, this, &QtTrayShell::onActivated);
    connect(&m_icon, &QSystemTrayIcon::messageClicked, this,
            [this] { emit notification(code::BalloonUserClick); });
}

bool QtTrayShell::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTrayShell::addIcon(const QIcon &icon, const QString &tip, QMenu *menu)
{
    m_icon.setIcon(icon);
    setTip(tip);
    // Handing the menu to Qt lets desktops that draw tray menus themselves
    // (StatusNotifier hosts) show it; on XEmbed trays Qt pops it up on the
    // right press.
    m_icon.setContextMenu(menu);
    m_icon.show();
}

void QtTrayShell::setTip(const QString &tip)
{
    // The tip's lines end in CR LF like everything else the program shows;
    // tool tips want bare line feeds.
    QString shown = tip;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_icon.setToolTip(shown);
}

void QtTrayShell::setIcon(const QIcon &icon)
{
    m_icon.setIcon(icon);
}

void QtTrayShell::deleteIcon()
{
    m_icon.hide();
    m_icon.setContextMenu(nullptr);
}

bool QtTrayShell::balloonsSupported() const
{
    return QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages() &&
           m_icon.isVisible();
}

void QtTrayShell::showBalloon(const QString &title, const QString &text, int iconKind,
                              int timeoutMs)
{
    QSystemTrayIcon::MessageIcon icon = QSystemTrayIcon::NoIcon;
    switch (iconKind) {
    case 1:
        icon = QSystemTrayIcon::Information;
        break;
    case 2:
        icon = QSystemTrayIcon::Warning;
        break;
    case 3:
        icon = QSystemTrayIcon::Critical;
        break;
    default:
        break;
    }
    // Qt looks the balloon's icon up in the desktop's icon theme, which the
    // first time takes longer than the rest of the start-up; from the event
    // loop it comes after the window that the same refresh shows. The order
    // of balloons stays, and a balloon for an icon gone by then is dropped.
    QMetaObject::invokeMethod(
        this,
        [this, title, text, icon, timeoutMs] {
            if (m_icon.isVisible())
                m_icon.showMessage(title, text, icon, timeoutMs);
        },
        Qt::QueuedConnection);
}

void QtTrayShell::popupMenu(QMenu *menu)
{
    if (menu && !menu->isVisible())
        menu->popup(QCursor::pos());
}

void QtTrayShell::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    // Qt reports one activation per click; map each to the code of the
    // moment the owner cares about.
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        emit notification(code::LButtonUp);
        break;
    case QSystemTrayIcon::Context:
        emit notification(code::RButtonDown);
        break;
    case QSystemTrayIcon::DoubleClick:
        emit notification(code::LButtonDblClk);
        break;
    default:
        break;
    }
}

} // namespace tray
