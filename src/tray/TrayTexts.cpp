#include "TrayTexts.h"

namespace tray {

QString storeInField(const QString &previous, const QString &text, int fieldChars)
{
    if (text.isEmpty())
        return previous;
    const int max = fieldChars - 1;
    if (text.size() <= max)
        return text;
    qsizetype cut = max;
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut);
}

TrayEvent decodeNotification(int notificationCode)
{
    switch (notificationCode) {
    case code::MouseMove:
        return TrayEvent::MouseMove;
    case code::LButtonUp:
        return TrayEvent::MouseDownLeft;
    case code::LButtonDblClk:
        return TrayEvent::DoubleClickLeft;
    case code::RButtonDown:
        return TrayEvent::MouseDownRight;
    case code::RButtonUp:
        return TrayEvent::MouseUpRight;
    case code::RButtonDblClk:
        return TrayEvent::DoubleClickRight;
    case code::BalloonShow:
        return TrayEvent::BalloonShow;
    case code::BalloonHide:
        return TrayEvent::BalloonHide;
    case code::BalloonTimeOut:
        return TrayEvent::BalloonTimeOut;
    case code::BalloonUserClick:
        return TrayEvent::BalloonClicked;
    default:
        return TrayEvent::None; // includes the left press, 0x201
    }
}

} // namespace tray
