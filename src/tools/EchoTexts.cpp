#include "EchoTexts.h"

#include <QHash>

#include <cctype>

namespace tools {

namespace {

// One number of a dotted address, starting at text[pos]; pos moves past it.
std::optional<quint64> readPart(const QByteArray &text, qsizetype &pos)
{
    int base = 10;
    if (text.at(pos) == '0') {
        base = 8;
        ++pos;
        if (pos < text.size() && (text.at(pos) == 'x' || text.at(pos) == 'X')) {
            base = 16;
            ++pos;
            // "0x" needs at least one digit.
            if (pos >= text.size() || !std::isxdigit(uchar(text.at(pos))))
                return std::nullopt;
        }
    } else if (text.at(pos) < '0' || text.at(pos) > '9') {
        return std::nullopt;
    }
    quint64 value = 0;
    for (; pos < text.size(); ++pos) {
        const char c = text.at(pos);
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        if (digit >= base)
            return std::nullopt;
        value = value * base + quint64(digit);
        if (value > 0xFFFFFFFFu)
            return std::nullopt;
    }
    return value;
}

bool isBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

std::optional<quint32> parseDottedAddress(const QString &text)
{
    const QByteArray bytes = text.toLatin1();
    if (bytes.isEmpty())
        return std::nullopt;
    quint64 parts[4] = {};
    int count = 0;
    qsizetype pos = 0;
    for (;;) {
        if (pos >= bytes.size())
            return std::nullopt;
        const auto part = readPart(bytes, pos);
        if (!part)
            return std::nullopt;
        parts[count++] = *part;
        if (pos < bytes.size() && bytes.at(pos) == '.') {
            if (count == 4)
                return std::nullopt;
            ++pos;
            continue;
        }
        break;
    }
    if (pos < bytes.size() && !isBlank(bytes.at(pos)))
        return std::nullopt;
    // The leading numbers are one byte each; the last fills what is left.
    static constexpr quint64 kLastMax[] = {0xFFFFFFFFu, 0xFFFFFFu, 0xFFFFu, 0xFFu};
    quint64 value = 0;
    for (int i = 0; i < count - 1; ++i) {
        if (parts[i] > 0xFF)
            return std::nullopt;
        value |= parts[i] << (24 - 8 * i);
    }
    if (parts[count - 1] > kLastMax[count - 1])
        return std::nullopt;
    value |= parts[count - 1];
    if (value == 0xFFFFFFFFu)
        return std::nullopt;
    return quint32(value);
}

QString statusText(int status)
{
    static const QHash<int, QString> texts = {
        {-1, QStringLiteral("inet_addr: bad IP format")},
        {0, QStringLiteral("ip success")},
        {500, QStringLiteral("ping timeout")},
        {11001, QStringLiteral("ip buf too_small")},
        {11002, QStringLiteral("ip dest net unreachable")},
        {11003, QStringLiteral("ip dest host unreachable")},
        {11004, QStringLiteral("ip dest prot unreachable")},
        {11005, QStringLiteral("ip dest port unreachable")},
        {11006, QStringLiteral("ip no resources")},
        {11007, QStringLiteral("ip bad option")},
        {11008, QStringLiteral("ip hw_error")},
        {11009, QStringLiteral("ip packet too_big")},
        {11010, QStringLiteral("ip req timed out")},
        {11011, QStringLiteral("ip bad req")},
        {11012, QStringLiteral("ip bad route")},
        {11013, QStringLiteral("ip ttl expired transit")},
        {11014, QStringLiteral("ip ttl expired reassem")},
        {11015, QStringLiteral("ip param_problem")},
        {11016, QStringLiteral("ip source quench")},
        {11017, QStringLiteral("ip option too_big")},
        {11018, QStringLiteral("ip bad destination")},
        {11019, QStringLiteral("ip addr deleted")},
        {11020, QStringLiteral("ip spec mtu change")},
        {11021, QStringLiteral("ip mtu_change")},
        {11022, QStringLiteral("ip unload")},
        {11023, QStringLiteral("ip addr added")},
        {11050, QStringLiteral("ip general failure")},
        {11255, QStringLiteral("ip pending")},
    };
    const QString text = texts.value(status, QStringLiteral("unknown  msg returned"));
    return QString::number(status) + QStringLiteral("   [ ") + text + QStringLiteral(" ]");
}

QString addressAsDecimal(quint32 address)
{
    // Host order holds the first byte highest; the number wants it lowest.
    const quint32 swapped = ((address & 0xFF) << 24) | ((address & 0xFF00) << 8) |
                            ((address >> 8) & 0xFF00) | (address >> 24);
    return QString::number(qint32(swapped));
}

PingFields pingFields(int status, const platform::EchoReply &reply)
{
    PingFields f;
    f.status = statusText(status);
    f.address = addressAsDecimal(reply.address);
    f.roundTrip = QString::number(reply.roundTripMs) + QStringLiteral(" ms");
    f.dataSize = QString::number(reply.data.size()) + QStringLiteral(" bytes");
    if (!reply.data.isEmpty() && reply.data.at(0) != '\0') {
        const qsizetype nul = reply.data.indexOf('\0');
        f.dataReturned = QString::fromLocal8Bit(nul < 0 ? reply.data : reply.data.left(nul));
    }
    f.dataPointer = QString::number(reply.answered ? kReplyDataOffset : 0);
    return f;
}

} // namespace tools
