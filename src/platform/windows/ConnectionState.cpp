#include "ConnectionState.h"

// Each of these needs the ones before it.
// clang-format off
#include <windows.h>
#include <wininet.h>
// clang-format on

namespace platform {

static_assert(connection::Modem == INTERNET_CONNECTION_MODEM &&
              connection::Lan == INTERNET_CONNECTION_LAN &&
              connection::Proxy == INTERNET_CONNECTION_PROXY &&
              connection::ModemBusy == INTERNET_CONNECTION_MODEM_BUSY &&
              connection::RasInstalled == INTERNET_RAS_INSTALLED &&
              connection::Offline == INTERNET_CONNECTION_OFFLINE &&
              connection::Configured == INTERNET_CONNECTION_CONFIGURED);

ConnectionState queryConnectionState()
{
    DWORD flags = 0;
    const BOOL connected = ::InternetGetConnectedState(&flags, 0);
    return connectionStateFromService(connected != FALSE, flags);
}

} // namespace platform
