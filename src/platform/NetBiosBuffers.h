#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <optional>

// The NetBIOS commands the adapter listing issues and the buffers they
// fill, read without trusting their lengths.
namespace platform::netbios {

inline constexpr quint8 kEnumerateAdapters = 0x37;
inline constexpr quint8 kReset = 0x32;
inline constexpr quint8 kAdapterStatus = 0x33;
inline constexpr quint8 kGoodReturn = 0;

// The adapter enumeration: a count byte and up to 255 adapter numbers.
inline constexpr int kEnumerationSize = 256;
// The adapter status: its fixed header and room for the adapter's names.
inline constexpr int kAdapterStatusSize = 680;

// Whom the status question is about: "*" and 15 blanks, the adapter itself.
QByteArray adapterStatusCallName();

// The adapter numbers of an enumeration buffer, in the system's order. A
// count beyond what the buffer holds yields the numbers it does hold.
QList<int> adapterNumbers(QByteArrayView enumeration);

// The adapter's hardware address: the first six bytes of its status;
// nothing when the status is shorter than that.
std::optional<QByteArray> hardwareAddress(QByteArrayView adapterStatus);

} // namespace platform::netbios
