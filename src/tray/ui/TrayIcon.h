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
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    // The tip shown until the owner sets its own.
    static const QString kFileDescription;

    // Takes ownership of shell and adds the icon at once.
    explicit TrayIcon(TrayShell *shell, const QIcon &icon, QObject *parent = nullptr);
    // Deletes the icon, so none is left behind in the notification area.
    ~TrayIcon() override;

    // Takes the icon out of the notification area now. Safe to call from a
    // handler of the component's own menu, where deleting the component
    // itself would pull the menu out from under the click.
    void unload();

    void showBalloon(const QString &message, const QString &title = QString(), int iconKind = 0,
                     int timeoutMs = 10000);
    QString toolTip() const { return m_tip; }
    void setToolTip(const QString &tip);
    QIcon icon() const { return m_icon; }
    void setIcon(const QIcon &newIcon);
    long addMenuItem(const QString &caption, const QString &key = QString(),
                     bool isDefault = false);
    void setMenuItemEnabled(long index, bool enabled);
    long removeMenuItem(long index);
    long defaultMenuIndex() const { return m_model.defaultMenuIndex(); }
    void setDefaultMenuIndex(long index);
    void showMenu();

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
    void buttonDown(Qt::MouseButton button);
    void buttonUp(Qt::MouseButton button);
    void mouseMoved();
    void doubleClicked(Qt::MouseButton button);
    void menuItemChosen(long index, const QString &key);
    void balloonShown();
    void balloonHidden();
    void balloonTimedOut();
    void balloonClicked();

private:
    void rebuildMenu();
    void appendAction(size_t index);

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
