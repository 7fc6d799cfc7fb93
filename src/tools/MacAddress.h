#pragma once

#include <QByteArray>
#include <QString>

namespace tools {

// Six bytes as a MAC address text: two upper-case hexadecimal digits per
// byte with the separator between them ("00 1A 2B 3C 4D 5E"). Any other
// number of bytes gives the empty text, none at all
// "(error building MAC address)".
QString macAddressText(const QByteArray &bytes, const QString &separator);

} // namespace tools
