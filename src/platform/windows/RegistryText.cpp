#include "RegistryText.h"

#include "RegistryLayout.h"

namespace platform::registry {

std::optional<QByteArray> readText(HKEY root, const char *keyPath, const char *valueName)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::nullopt;
    char buffer[kValueBufferSize] = {};
    DWORD size = sizeof buffer;
    const LONG status = ::RegQueryValueExA(key, valueName, nullptr, nullptr,
                                           reinterpret_cast<BYTE *>(buffer), &size);
    ::RegCloseKey(key);
    return valueText(status, QByteArrayView(buffer, sizeof buffer), size);
}

} // namespace platform::registry
