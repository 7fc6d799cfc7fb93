#include "TrayIcon.h"

#include "TrayShell.h"
#include "TrayTexts.h"

#include <QAction>
#include <QMenu>

namespace tray {

const QString TrayIcon::kFileDescription =
    QStringLiteral("Software that show your internet IP address.");

TrayIcon::TrayIcon(TrayShell *shell, const QIcon &icon, QObject *parent)
    : QObject(parent), m_shell(shell), m_menu(std::make_unique<QMenu>()), m_icon(icon)
{
    m_shell->setParent(this);
    m_menu->setObjectName(QStringLiteral("trayMenu"));
    m_menu->setTitle(QStringLiteral("&Popup"));
    connect(m_shell, &TrayShell::notification, this, &TrayIcon::notify);
    m_tip = storeInField(QString(), kFileDescription, kTipChars);
    rebuildMenu();
    m_shell->addIcon(m_icon, m_tip, m_menu.get());
}

TrayIcon::~TrayIcon()
{
    unload();
}

void TrayIcon::unload()
{
    if (std::exchange(m_loaded, false))
        m_shell->deleteIcon();
}

void TrayIcon::showBalloon(const QString &message, const QString &title, int iconKind,
                           int timeoutMs)
{
    if (!m_shell->balloonsSupported())
        return;
    m_balloonText = storeInField(m_balloonText, message, kBalloonTextChars);
    m_balloonTitle = storeInField(m_balloonTitle, title, kBalloonTitleChars);
    m_shell->showBalloon(m_balloonTitle, m_balloonText, iconKind, timeoutMs);
}

void TrayIcon::setToolTip(const QString &tip)
{
    m_tip = storeInField(m_tip, tip, kTipChars);
    m_shell->setTip(m_tip);
}

void TrayIcon::setIcon(const QIcon &newIcon)
{
    if (newIcon.cacheKey() == m_icon.cacheKey())
        return;
    m_icon = newIcon;
    m_shell->setIcon(m_icon);
}

long TrayIcon::addMenuItem(const QString &caption, const QString &key, bool isDefault)
{
    const long index = m_model.addMenuItem(caption, key, isDefault);
    // A menu is built one entry after another at start-up: a new last
    // entry is added on its own instead of drawing the whole menu again.
    if (index > 0 && !isDefault && index == long(m_menu->actions().size()))
        appendAction(size_t(index));
    else
        rebuildMenu();
    return index;
}

void TrayIcon::setMenuItemEnabled(long index, bool enabled)
{
    m_model.setMenuItemEnabled(index, enabled);
    const QList<QAction *> actions = m_menu->actions();
    if (index >= 0 && index < long(actions.size()) &&
        actions.size() == qsizetype(m_model.entries().size()))
        actions[index]->setEnabled(enabled);
    else
        rebuildMenu();
}

long TrayIcon::removeMenuItem(long index)
{
    const long r = m_model.removeMenuItem(index);
    rebuildMenu();
    return r;
}

void TrayIcon::setDefaultMenuIndex(long index)
{
    m_model.setDefaultMenuIndex(index);
    rebuildMenu();
}

bool TrayIcon::isAvailable() const
{
    return m_shell->isAvailable();
}

void TrayIcon::showMenu()
{
    m_shell->popupMenu(m_menu.get());
}

void TrayIcon::rebuildMenu()
{
    // Changes other than a new last entry or an entry's state are rare and
    // the menu is small: it is simply drawn anew from the model.
    m_menu->clear();
    for (size_t i = 0; i < m_model.entries().size(); ++i)
        appendAction(i);
}

void TrayIcon::appendAction(size_t i)
{
    const auto &e = m_model.entries()[i];
    // A separator keeps no text, or some styles draw the "-" beside it.
    QAction *a =
        e.caption == QLatin1String("-") ? m_menu->addSeparator() : m_menu->addAction(e.caption);
    a->setObjectName(QStringLiteral("trayMenuItem"));
    a->setEnabled(e.enabled);
    // A blank entry 0 (before the first addMenuItem) is not shown.
    a->setVisible(!(i == 0 && e.caption.isEmpty()));
    const long index = long(i);
    connect(a, &QAction::triggered, this,
            [this, index] { emit menuItemChosen(index, m_model.entries()[size_t(index)].key); });
    // The style draws the default entry in bold.
    if (index == m_model.defaultMenuIndex() && !a->isSeparator())
        m_menu->setDefaultAction(a);
}

void TrayIcon::notify(int notificationCode)
{
    switch (decodeNotification(notificationCode)) {
    case TrayEvent::MouseMove:
        emit mouseMoved();
        break;
    case TrayEvent::MouseDownLeft:
        emit buttonDown(Qt::LeftButton);
        break;
    case TrayEvent::MouseDownRight:
        emit buttonDown(Qt::RightButton);
        break;
    case TrayEvent::MouseUpRight:
        emit buttonUp(Qt::RightButton);
        break;
    case TrayEvent::DoubleClickLeft:
        emit doubleClicked(Qt::LeftButton);
        break;
    case TrayEvent::DoubleClickRight:
        emit doubleClicked(Qt::RightButton);
        break;
    case TrayEvent::BalloonShow:
        emit balloonShown();
        break;
    case TrayEvent::BalloonHide:
        emit balloonHidden();
        break;
    case TrayEvent::BalloonTimeOut:
        emit balloonTimedOut();
        break;
    case TrayEvent::BalloonClicked:
        emit balloonClicked();
        break;
    case TrayEvent::None:
        break;
    }
}

} // namespace tray
