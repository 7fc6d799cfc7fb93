#include "AddressHistory.h"

#include "BrowserAddresses.h"

namespace browser {

QStringList withTypedAddress(QStringList entries, const QString &boxText)
{
    const QString entry = stripScheme(boxText);
    // Only the first equal entry goes: the list never holds two anyway.
    if (const qsizetype at = entries.indexOf(entry); at >= 0)
        entries.removeAt(at);
    entries.prepend(entry);
    return entries;
}

} // namespace browser
