#include "ConnectionTexts.h"

namespace tools {

namespace flag = platform::connection;

namespace {

QString truthText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

QString connectionSentence(const platform::ConnectionState &state)
{
    if (!state.online)
        return QStringLiteral("Not connected to the internet now.");
    const quint32 f = state.flags;
    QString text;
    if (f & flag::Configured)
        text += QStringLiteral("You have a network connection configured.\r\n");
    if (f & flag::Lan) {
        text += QStringLiteral("The local system connects to the Internet via a LAN");
        text +=
            f & flag::Proxy ? QStringLiteral(", and uses a proxy server. ") : QStringLiteral(".");
    }
    if (f & flag::Modem)
        text += QStringLiteral("The local system uses a modem to connect to the Internet. ");
    if (f & flag::Offline)
        text += QStringLiteral("The connection is currently offline. ");
    if (f & flag::ModemBusy)
        text += QStringLiteral("The local system's modem is busy with a non-Internet connection. ");
    if (f & flag::RasInstalled)
        text += QStringLiteral("Remote Access Services are installed on this system.");
    return text;
}

std::array<QString, 6> connectionReport(const std::function<platform::ConnectionState()> &query)
{
    return {truthText(query().flags & flag::Lan),          truthText(query().flags & flag::Modem),
            truthText(query().flags & flag::Proxy),        truthText(query().online),
            truthText(query().flags & flag::RasInstalled), connectionSentence(query())};
}

} // namespace tools
