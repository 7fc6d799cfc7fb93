#pragma once

#include <QIcon>

namespace app {

// The sizes the icon ships in (resources/quorvel-SIZE.png).
inline constexpr int kApplicationIconSizes[] = {16, 32, 48, 64, 128};

// The program's icon in every size it ships; the main window, its picture,
// the tray icon and the browser window all show it.
QIcon applicationIcon();

} // namespace app
