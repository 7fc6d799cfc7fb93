#pragma once

#include <QString>

namespace platform {

// The first IPv4 address the system's name service lists for name, in
// dotted form; a dotted address comes back as it is. Empty when the name
// does not resolve. Blocks for as long as the name service takes: call it
// off the GUI thread.
QString firstIpv4Address(const QString &name);

// The name the system's name service gives an IPv4 address (host byte
// order); empty when it knows none. Blocks like firstIpv4Address.
QString hostNameOfAddress(quint32 address);

} // namespace platform
