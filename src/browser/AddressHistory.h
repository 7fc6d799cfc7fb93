#pragma once

#include <QString>
#include <QStringList>

namespace browser {

// The address list as a most-recent-first history of what the user typed:
// the box's text, without "http://", goes to the top; an equal entry
// (compared exactly, case and all) further down moves up instead of being
// listed twice.
QStringList withTypedAddress(QStringList entries, const QString &boxText);

} // namespace browser
