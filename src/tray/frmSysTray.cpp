#include "frmSysTray.h"

#include "TrayShell.h"
#include "TrayTexts.h"

#include <QAction>
#include <QMenu>

namespace tray {

const QString frmSysTray::kFileDescription =
    QStringLiteral("Software that show your internet IP address.");

frmSysTray::frmSysTray(TrayShell *shell, const QIcon &icon, QObject *parent)
    : QObject(parent), m_shell(shell), m_menu(std::make_unique<QMenu>()), m_icon(icon)
{
    m_shell->setParent(this);
    m_menu->setObjectName(QStringLiteral("mnuPopup"));
    m_menu->setTitle(QStringLiteral("&Popup"));
    connect(m_shell, &TrayShell::notification, this, &frmSysTray::notify);
    m_tip = storeInField(QString(), kFileDescription, kTipChars);
    rebuildMenu();
    m_shell->addIcon(m_icon, m_tip, m_menu.get());
}

frmSysTray::~frmSysTray()
{
    Unload();
}

void frmSysTray::Unload()
{
    if (std::exchange(m_loaded, false))
        m_shell->deleteIcon();
}

void frmSysTray::ShowBalloonTip(const QString &sMessage, const QString &sTitle, int eIcon,
                                int lTimeOutMs)
{
    if (!m_shell->balloonsSupported())
        return;
    m_balloonText = storeInField(m_balloonText, sMessage, kBalloonTextChars);
    m_balloonTitle = storeInField(m_balloonTitle, sTitle, kBalloonTitleChars);
    m_shell->showBalloon(m_balloonTitle, m_balloonText, eIcon, lTimeOutMs);
}

void frmSysTray::setToolTip(const QString &sTip)
{
    m_tip = storeInField(m_tip, sTip, kTipChars);
    m_shell->setTip(m_tip);
}

void frmSysTray::setIconHandle(const QIcon &hIcon)
{
    if (hIcon.cacheKey() == m_icon.cacheKey())
        return;
    m_icon = hIcon;
    m_shell->setIcon(m_icon);
}

long frmSysTray::AddMenuItem(const QString &sCaption, const QString &sKey, bool bDefault)
{
    const long index = m_model.AddMenuItem(sCaption, sKey, bDefault);
    rebuildMenu();
    return index;
}

void frmSysTray::EnableMenuItem(long lIndex, bool bState)
{
    m_model.EnableMenuItem(lIndex, bState);
    rebuildMenu();
}

long frmSysTray::RemoveMenuItem(long iIndex)
{
    const long r = m_model.RemoveMenuItem(iIndex);
    rebuildMenu();
    return r;
}

void frmSysTray::setDefaultMenuIndex(long lIndex)
{
    m_model.setDefaultMenuIndex(lIndex);
    rebuildMenu();
}

bool frmSysTray::isAvailable() const
{
    return m_shell->isAvailable();
}

void frmSysTray::ShowMenu()
{
    m_shell->popupMenu(m_menu.get());
}

void frmSysTray::rebuildMenu()
{
    // The menu is small and changes only while the owner builds it, so it
    // is simply drawn anew from the model.
    m_menu->clear();
    const auto &entries = m_model.entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        const auto &e = entries[i];
        // A separator keeps no text, or some styles draw the "-" beside it.
        QAction *a =
            e.caption == QLatin1String("-") ? m_menu->addSeparator() : m_menu->addAction(e.caption);
        a->setObjectName(QStringLiteral("mnuSysTray"));
        a->setEnabled(e.enabled);
        // A blank entry 0 (before the first AddMenuItem) is not shown.
        a->setVisible(!(i == 0 && e.caption.isEmpty()));
        const long index = long(i);
        connect(a, &QAction::triggered, this,
                [this, index] { emit MenuClick(index, m_model.entries()[size_t(index)].key); });
        // The style draws the default entry in bold.
        if (long(i) == m_model.DefaultMenuIndex() && !a->isSeparator())
            m_menu->setDefaultAction(a);
    }
}

void frmSysTray::notify(int notificationCode)
{
    switch (decodeNotification(notificationCode)) {
    case TrayEvent::MouseMove:
        emit SysTrayMouseMove();
        break;
    case TrayEvent::MouseDownLeft:
        emit SysTrayMouseDown(1);
        break;
    case TrayEvent::MouseDownRight:
        emit SysTrayMouseDown(2);
        break;
    case TrayEvent::MouseUpRight:
        emit SysTrayMouseUp(2);
        break;
    case TrayEvent::DoubleClickLeft:
        emit SysTrayDoubleClick(1);
        break;
    case TrayEvent::DoubleClickRight:
        emit SysTrayDoubleClick(2);
        break;
    case TrayEvent::BalloonShow:
        emit BalloonShow();
        break;
    case TrayEvent::BalloonHide:
        emit BalloonHide();
        break;
    case TrayEvent::BalloonTimeOut:
        emit BalloonTimeOut();
        break;
    case TrayEvent::BalloonClicked:
        emit BalloonClicked();
        break;
    case TrayEvent::None:
        break;
    }
}

} // namespace tray
