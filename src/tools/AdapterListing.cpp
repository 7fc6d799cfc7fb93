#include "AdapterListing.h"

#include "AdapterStatusSource.h"
#include "MacAddress.h"

namespace tools {

QStringList adapterMacAddresses(platform::AdapterStatusSource &source, const QString &separator)
{
    const auto numbers = source.adapterNumbers();
    if (!numbers)
        return {};
    // One text per adapter listed, whether or not it answers: the count is
    // of adapters, not of addresses.
    QStringList macs(numbers->size());
    for (qsizetype i = 0; i < numbers->size(); ++i) {
        const int adapter = numbers->at(i);
        if (!source.reset(adapter))
            continue;
        if (const auto address = source.hardwareAddress(adapter))
            macs[i] = macAddressText(*address, separator);
    }
    return macs;
}

QStringList adapterListingItems(const QStringList &macAddresses)
{
    if (macAddresses.isEmpty())
        return {QStringLiteral("No adapters using NetBIOS found")};
    QStringList items{QStringLiteral("Number of adapters: %1").arg(macAddresses.size())};
    // Numbered by position in the list, not by the system's adapter number.
    for (qsizetype i = 0; i < macAddresses.size(); ++i)
        items << QString() << QStringLiteral("MAC address of lana %1:").arg(i)
              << u'\t' + macAddresses[i];
    return items;
}

QStringList listAdapters(platform::AdapterStatusSource &source)
{
    return adapterListingItems(adapterMacAddresses(source, QStringLiteral(" ")));
}

} // namespace tools
