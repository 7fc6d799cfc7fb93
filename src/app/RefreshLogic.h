#pragma once

#include <QString>
#include <QStringList>

namespace app {

// The entries of the refresh interval list, in list order.
const QStringList &intervalEntries();

// Minutes for an entry of the interval list; any text it does not know
// (the "60 min." entry among them) means an hour.
qint16 minutesForIntervalEntry(const QString &entry);

// Counts timer ticks (minutes) in the window's 16-bit field and says when a
// timed refresh is due. An interval of 0 or less (a damaged setting) makes
// every tick due.
bool tickMinute(qint16 &minutesElapsed, qint16 refreshMinutes);

} // namespace app
