#pragma once

#include <QByteArray>
#include <optional>

#include <windows.h>

namespace platform::registry {

// The text of one value, read with the right to query values only and in
// the system's 8-bit code page; nothing when the key or value is missing,
// empty or longer than the value buffer.
std::optional<QByteArray> readText(HKEY root, const char *keyPath, const char *valueName);

} // namespace platform::registry
