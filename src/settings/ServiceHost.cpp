#include "ServiceHost.h"

#include <QHostAddress>

namespace settings {

namespace {

bool isHostName(QStringView name)
{
    // Labels of letters, digits and inner hyphens, at most 63 each and 253
    // in all; a trailing dot (the root) is allowed.
    if (name.endsWith(u'.'))
        name.chop(1);
    if (name.isEmpty() || name.size() > 253)
        return false;
    for (QStringView label : name.split(u'.')) {
        if (label.isEmpty() || label.size() > 63 || label.startsWith(u'-') || label.endsWith(u'-'))
            return false;
        for (QChar c : label)
            if (c.unicode() >= 128 || !(c.isLetterOrNumber() || c == u'-'))
                return false;
    }
    // All digits and dots would be a (malformed) address, not a name.
    bool numeric = true;
    for (QChar c : name)
        numeric = numeric && (c.isDigit() || c == u'.');
    return !numeric;
}

bool isIPv4(QStringView text)
{
    const auto parts = text.split(u'.');
    if (parts.size() != 4)
        return false;
    for (QStringView part : parts) {
        if (part.isEmpty() || part.size() > 3 || (part.size() > 1 && part.startsWith(u'0')))
            return false;
        for (QChar c : part)
            if (c < u'0' || c > u'9')
                return false;
        if (part.toInt() > 255)
            return false;
    }
    return true;
}

} // namespace

bool isValidServiceHost(QStringView text)
{
    QStringView host = text;
    QStringView port;
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close < 0)
            return false;
        host = text.sliced(1, close - 1);
        const QStringView rest = text.sliced(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(u':'))
            return false;
        port = rest.isEmpty() ? QStringView() : rest.sliced(1);
        if (rest.size() == 1)
            return false; // "[::1]:" with no port
        const QHostAddress address(host.toString());
        if (host.isEmpty() || address.protocol() != QAbstractSocket::IPv6Protocol ||
            host.contains(u'%'))
            return false;
    } else {
        const qsizetype colon = text.indexOf(u':');
        if (colon >= 0) {
            host = text.first(colon);
            port = text.sliced(colon + 1);
            if (port.isEmpty())
                return false;
        }
        if (!isIPv4(host) && !isHostName(host))
            return false;
    }
    if (port.isNull())
        return true;
    if (port.size() > 5)
        return false;
    for (QChar c : port)
        if (c < u'0' || c > u'9')
            return false;
    const int number = port.toInt();
    return number >= 1 && number <= 65535;
}

} // namespace settings
