#pragma once

#include "TrayMenuModel.h"

#include <QIcon>
#include <QObject>
#include <QString>
#include <memory>

class QMenu;

namespace tray {

class TrayShell;

// The program's icon in the notification area: its tool tip, balloon tips
// and popup menu. The owner talks to it through the operations below and
// hears about clicks only through its signals.
class frmSysTray : public QObject
{
    Q_OBJECT
public:
    // The tip shown until the owner sets its own.
    static const QString kFileDescription;

    // Takes ownership of shell and adds the icon at once.
    explicit frmSysTray(TrayShell *shell, const QIcon &icon, QObject *parent = nullptr);
    // Deletes the icon, so none is left behind in the notification area.
    ~frmSysTray() override;

    // Takes the icon out of the notification area now. Safe to call from a
    // handler of the component's own menu, where deleting the component
    // itself would pull the menu out from under the click.
    void Unload();

    void ShowBalloonTip(const QString &sMessage, const QString &sTitle = QString(), int eIcon = 0,
                        int lTimeOutMs = 10000);
    QString ToolTip() const { return m_tip; }
    void setToolTip(const QString &sTip);
    QIcon IconHandle() const { return m_icon; }
    void setIconHandle(const QIcon &hIcon);
    long AddMenuItem(const QString &sCaption, const QString &sKey = QString(),
                     bool bDefault = false);
    void EnableMenuItem(long lIndex, bool bState);
    long RemoveMenuItem(long iIndex);
    long DefaultMenuIndex() const { return m_model.DefaultMenuIndex(); }
    void setDefaultMenuIndex(long lIndex);
    void ShowMenu();

    // The last balloon handed to the desktop, as held in its fields.
    QString balloonText() const { return m_balloonText; }
    QString balloonTitle() const { return m_balloonTitle; }

    // Whether the desktop shows the icon at all right now.
    bool isAvailable() const;

    QMenu *menu() const { return m_menu.get(); }
    const TrayMenuModel &menuModel() const { return m_model; }

    // Feeds one notification code as the desktop would; public so that the
    // desktop seam and tests use one way in.
    void notify(int notificationCode);

signals:
    void SysTrayMouseDown(int eButton);
    void SysTrayMouseUp(int eButton);
    void SysTrayMouseMove();
    void SysTrayDoubleClick(int eButton);
    void MenuClick(long lIndex, const QString &sKey);
    void BalloonShow();
    void BalloonHide();
    void BalloonTimeOut();
    void BalloonClicked();

private:
    void rebuildMenu();

    TrayShell *m_shell;
    std::unique_ptr<QMenu> m_menu;
    TrayMenuModel m_model;
    QIcon m_icon;
    QString m_tip;
    QString m_balloonText;
    QString m_balloonTitle;
    bool m_loaded = true;
};

} // namespace tray
