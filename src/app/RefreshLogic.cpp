#include "RefreshLogic.h"

namespace app {

const QStringList &intervalEntries()
{
    static const QStringList entries{
        QStringLiteral("1 min."),  QStringLiteral("5 min."),  QStringLiteral("10 min."),
        QStringLiteral("15 min."), QStringLiteral("20 min."), QStringLiteral("25 min."),
        QStringLiteral("30 min."), QStringLiteral("35 min."), QStringLiteral("40 min."),
        QStringLiteral("45 min."), QStringLiteral("50 min."), QStringLiteral("55 min."),
        QStringLiteral("60 min.")};
    return entries;
}

qint16 minutesForIntervalEntry(const QString &entry)
{
    static constexpr qint16 kMinutes[] = {1, 5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 55};
    const qsizetype i = intervalEntries().indexOf(entry);
    return (i >= 0 && i < qsizetype(std::size(kMinutes))) ? kMinutes[i] : qint16(60);
}

bool tickMinute(qint16 &minutesElapsed, qint16 refreshMinutes)
{
    // Wraps like the 16-bit field it is instead of overflowing.
    minutesElapsed = qint16(quint16(minutesElapsed) + 1u);
    if (minutesElapsed < refreshMinutes)
        return false;
    minutesElapsed = 0;
    return true;
}

} // namespace app
