#pragma once

#include <QString>
#include <QStringList>

namespace platform {
class AdapterStatusSource;
}

namespace tools {

// The MAC address text of every adapter the source lists, one per adapter
// in the source's order, empty for an adapter that could not be readied or
// gave no address. The list is empty when the source could not list its
// adapters or has none.
QStringList adapterMacAddresses(platform::AdapterStatusSource &source, const QString &separator);

// The adapter list's lines for those MAC texts: a count line, then for each
// adapter an empty line, a heading with its position and the tab-led MAC.
QStringList adapterListingItems(const QStringList &macAddresses);

// Both together, as the adapter window and quorvel-cli show them.
QStringList listAdapters(platform::AdapterStatusSource &source);

} // namespace tools
