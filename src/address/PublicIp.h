#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace address {

// What the address box shows instead of an address when the page cannot be
// had or does not say what it should. They are compared like addresses, so a
// lost connection is itself announced as a change.
inline const QString kUnableToAccessInternet = QStringLiteral("(unable to access Internet)");
inline const QString kUnableToParseIP = QStringLiteral("(unable to parse IP)");
// What the IPv6 box shows on a machine that cannot reach any address
// service over IPv6. Unlike the two above it is never announced: a machine
// without IPv6 is not news.
inline const QString kNoIpv6 = QStringLiteral("(no IPv6)");

inline constexpr char kMarker[] = "Your IP address is:";

// http://HOST/quorvel.php, HOST being a host name, an address or host:port
// ("[::1]:8080" for IPv6). An invalid URL when the host cannot be part of one.
QUrl publicIpPageUrl(const QString &host);

// Cuts the address out of the page: the text strictly between the first ">"
// after the marker and the next "<" (the "<" right after that ">" is not taken
// as the end, so an empty tag pair does not end the address). The text is
// taken unchanged, blanks and line breaks included. The page is 8-bit text,
// one character per byte.
QString cutPublicIp(const QByteArray &page);

} // namespace address
