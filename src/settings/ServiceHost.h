#pragma once

#include <QStringView>

namespace settings {

// Whether the text names a public-IP service the way the "IP Service Host"
// setting wants it: a host name ("ip.example.net"), a dotted IPv4 address
// or a bracketed IPv6 address ("[2001:db8::1]"), each optionally followed
// by ":port" (1 to 65535). No scheme, path, user or blanks. The empty text
// is not a host (it stands for the built-in default; the caller decides).
bool isValidServiceHost(QStringView text);

} // namespace settings
