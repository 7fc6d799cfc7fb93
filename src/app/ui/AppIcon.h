#pragma once

#include <QIcon>

namespace app {

// The program's icon in every size it ships; the main window, its picture
// and the tray icon all show it.
QIcon applicationIcon();

} // namespace app
