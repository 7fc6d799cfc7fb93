#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

class QMenu;

namespace tray {

// The desktop's notification area as the tray component sees it: add,
// modify and delete one icon, show a balloon, and hear back notification
// codes. The component keeps all the rules; a shell only carries them out,
// so tests can stand in for the desktop with a recording shell.
class TrayShell : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Whether the desktop has a notification area right now; without one a
    // window hidden "into the tray" could not be got back.
    virtual bool isAvailable() const = 0;
    virtual void addIcon(const QIcon &icon, const QString &tip, QMenu *menu) = 0;
    virtual void setTip(const QString &tip) = 0;
    virtual void setIcon(const QIcon &icon) = 0;
    virtual void deleteIcon() = 0;
    // Whether a balloon can be shown now (a tray host is there and can draw
    // one); asked at every balloon because a tray host can come and go.
    virtual bool balloonsSupported() const = 0;
    // iconKind: 1 information, 2 warning, 3 error, anything else none.
    virtual void showBalloon(const QString &title, const QString &text, int iconKind,
                             int timeoutMs) = 0;
    // Pops the menu up at the mouse unless the desktop already shows it.
    virtual void popupMenu(QMenu *menu) = 0;

signals:
    // A notification code of TrayTexts.h, as the desktop reported it.
    void notification(int code);
};

} // namespace tray
