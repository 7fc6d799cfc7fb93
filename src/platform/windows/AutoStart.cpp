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

} // namespace

QString startAtLogonLocation()
{
    return QStringLiteral("HKEY_LOCAL_MACHINE\\") + QString::fromUtf16(registry::kRunKey) + u'\\' +
           registry::runEntry(programOrSelf(QString()), false).valueName;
}

void setStartAtLogon(bool enable, const QString &program)
{
    const registry::RunEntry entry = registry::runEntry(programOrSelf(program), enable);
    // The machine's Run key needs an administrator's rights; without them
    // the key does not open and nothing is written, which is no error of
    // ours to report.
    HKEY key = nullptr;
    if (::RegCreateKeyW(HKEY_LOCAL_MACHINE, reinterpret_cast<const wchar_t *>(registry::kRunKey),
                        &key) != ERROR_SUCCESS)
        return;
    // The text with its terminating NUL, as a string value must hold it.
    ::RegSetValueExW(key, wide(entry.valueName), 0, REG_SZ,
                     reinterpret_cast<const BYTE *>(entry.data.utf16()),
                     DWORD((entry.data.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
}

} // namespace platform
