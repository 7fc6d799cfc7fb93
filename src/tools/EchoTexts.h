#pragma once

#include "IcmpEcho.h"

#include <QString>
#include <optional>

namespace tools {

// The status the ping shows for an address text that is not a dotted
// address (nothing is sent then).
inline constexpr int kBadAddressStatus = -1;

// A dotted IPv4 address as the sockets layer's inet_addr reads it: one to
// four numbers separated by dots, each decimal, octal (leading 0) or
// hexadecimal (leading 0x), the last one filling the remaining bytes
// ("127.1" is 127.0.0.1); the text may end in blanks and anything after
// them. 255.255.255.255 cannot be told from the error value and is
// rejected like any text that does not convert. Host byte order.
std::optional<quint32> parseDottedAddress(const QString &text);

// "11010   [ ip req timed out ]": the status, three blanks and its text.
QString statusText(int status);

// The four address bytes, first byte lowest, as a signed 32-bit number:
// 127.0.0.1 is 16777343, 10.0.0.200 is -939524086.
QString addressAsDecimal(quint32 address);

// Captions of the ping's six result fields, in the order of PingFields.
inline constexpr const char *kPingFieldLabels[] = {
    "Return Status:",    "Address (dec):", "Round Trip Time:",
    "Data Packet Size:", "Data Returned:", "Data Pointer:"};

// The six result fields of the ping window.
struct PingFields
{
    QString status;
    QString address;
    QString roundTrip;
    QString dataSize;
    // Empty when the reply's first data byte is NUL: the field keeps what
    // it showed before.
    std::optional<QString> dataReturned;
    QString dataPointer;
};

// Where the echoed data starts in the ping's 278-byte reply record; shown
// as the data pointer of a reply (0 when no reply was written).
inline constexpr int kReplyDataOffset = 28;

PingFields pingFields(int status, const platform::EchoReply &reply);

} // namespace tools
