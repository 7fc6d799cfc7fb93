#pragma once

#include <QByteArray>

namespace platform {

struct HostNameResult
{
    bool ok = false;
    QByteArray name;   // 8-bit, as the system reports it, without the NUL
    int errorCode = 0; // the system's error number when !ok
};

// The machine's host name, asked of the system with a 256-byte buffer.
HostNameResult queryHostName();

} // namespace platform
