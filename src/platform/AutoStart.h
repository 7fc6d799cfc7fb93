#pragma once

#include <QString>

namespace platform {

// Makes the desktop start the program at every logon, or stops it from
// doing so. The registration is kept either way (switched off, not
// removed), so that it always reflects the latest choice. Failures (a
// folder we may not write to, a full disk) are ignored: the program runs
// the same with or without it, and the next start-up tries again.
//
// program is the executable to start; by default the one running now.
void setStartAtLogon(bool enable, const QString &program = QString());

// Where the registration lives (Linux: the desktop entry in the user's
// autostart folder; Windows: the program's value in the user's Run key),
// for tests and the README.
QString startAtLogonLocation();

} // namespace platform
