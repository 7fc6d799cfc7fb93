#include "NetBiosBuffers.h"

namespace platform::netbios {

namespace {
constexpr qsizetype kHardwareAddressSize = 6;
constexpr qsizetype kNameSize = 16;
} // namespace

QByteArray adapterStatusCallName()
{
    return QByteArray("*").leftJustified(kNameSize, ' ');
}

QList<int> adapterNumbers(QByteArrayView enumeration)
{
    QList<int> numbers;
    if (enumeration.isEmpty())
        return numbers;
    const qsizetype count = qMin<qsizetype>(quint8(enumeration[0]), enumeration.size() - 1);
    for (qsizetype i = 1; i <= count; ++i)
        numbers.append(quint8(enumeration[i]));
    return numbers;
}

std::optional<QByteArray> hardwareAddress(QByteArrayView adapterStatus)
{
    if (adapterStatus.size() < kHardwareAddressSize)
        return std::nullopt;
    return adapterStatus.first(kHardwareAddressSize).toByteArray();
}

} // namespace platform::netbios
