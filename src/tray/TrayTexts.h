#pragma once

#include <QString>

namespace tray {

// Field sizes of the shell's notification record, in characters, each
// including the terminating NUL.
inline constexpr int kTipChars = 128;
inline constexpr int kBalloonTextChars = 256;
inline constexpr int kBalloonTitleChars = 64;

// What a text field holds after text is written into one of fieldChars
// characters: at most fieldChars - 1 characters (room for the NUL), never
// half of a surrogate pair; an empty text leaves the previous one in place.
QString storeInField(const QString &previous, const QString &text, int fieldChars);

enum class TrayEvent
{
    None,
    MouseMove,
    MouseDownLeft,
    MouseDownRight,
    MouseUpRight,
    DoubleClickLeft,
    DoubleClickRight,
    BalloonShow,
    BalloonHide,
    BalloonTimeOut,
    BalloonClicked,
};

// Notification codes the shell reports for the icon, as window messages.
namespace code {
inline constexpr int MouseMove = 0x200;
inline constexpr int LButtonDown = 0x201;
inline constexpr int LButtonUp = 0x202;
inline constexpr int LButtonDblClk = 0x203;
inline constexpr int RButtonDown = 0x204;
inline constexpr int RButtonUp = 0x205;
inline constexpr int RButtonDblClk = 0x206;
inline constexpr int BalloonShow = 0x402;
inline constexpr int BalloonHide = 0x403;
inline constexpr int BalloonTimeOut = 0x404;
inline constexpr int BalloonUserClick = 0x405;
} // namespace code

// Which event a notification code raises. A left click is reported once,
// when the button comes up; the left press raises nothing.
TrayEvent decodeNotification(int notificationCode);

} // namespace tray
