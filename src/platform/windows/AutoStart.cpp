#include "AutoStart.h"

#include "RegistryLayout.h"

#include <QCoreApplication>

#include <windows.h>

namespace platform {

namespace {

QString programOrSelf(const QString &program)
{
    return program.isEmpty() ? QCoreApplication::applicationFilePath() : program;
}

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

const wchar_t *runKey()
{
    return reinterpret_cast<const wchar_t *>(registry::kRunKey);
}

} // namespace

QString startAtLogonLocation()
{
    return QStringLiteral("HKEY_CURRENT_USER\\") + QString::fromUtf16(registry::kRunKey) + u'\\' +
           registry::runEntry(programOrSelf(QString()), false).valueName;
}

void setStartAtLogon(bool enable, const QString &program)
{
    const registry::RunEntry entry = registry::runEntry(programOrSelf(program), enable);
    // The user's own Run key: the program is installed per user and runs
    // without an administrator's rights, which the machine's key needs.
    HKEY key = nullptr;
    if (::RegCreateKeyW(HKEY_CURRENT_USER, runKey(), &key) == ERROR_SUCCESS) {
        // The text with its terminating NUL, as a string value must hold it.
        ::RegSetValueExW(key, wide(entry.valueName), 0, REG_SZ,
                         reinterpret_cast<const BYTE *>(entry.data.utf16()),
                         DWORD((entry.data.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
    }
    // An older version wrote the machine's key. Left there, its entry would
    // start the program for every user whatever this one chose; only an
    // administrator may take it away, for anyone else it stays.
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, runKey(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        ::RegDeleteValueW(key, wide(entry.valueName));
        ::RegCloseKey(key);
    }
}

} // namespace platform
