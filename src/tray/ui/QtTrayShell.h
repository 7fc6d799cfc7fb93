#pragma once

#include "TrayShell.h"

#include <QSystemTrayIcon>

namespace tray {

// The notification area through QSystemTrayIcon: XEmbed or StatusNotifier
// on Linux desktops, the shell's own on Windows.
class QtTrayShell : public TrayShell
{
    Q_OBJECT
public:
    explicit QtTrayShell(QObject *parent = nullptr);

    bool isAvailable() const override;
    void addIcon(const QIcon &icon, const QString &tip, QMenu *menu) override;
    void setTip(const QString &tip) override;
    void setIcon(const QIcon &icon) override;
    void deleteIcon() override;
    bool balloonsSupported() const override;
    void showBalloon(const QString &title, const QString &text, int iconKind,
                     int timeoutMs) override;
    void popupMenu(QMenu *menu) override;

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon m_icon;
};

} // namespace tray
