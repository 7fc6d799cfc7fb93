#include "RegistryLayout.h"

namespace platform::registry {

RunEntry runEntry(const QString &programPath, bool enable)
{
    QString path = programPath;
    path.replace(u'/', u'\\');
    const qsizetype slash = path.lastIndexOf(u'\\');
    // The folder keeps its closing backslash, so a program in a drive's
    // root gets no second one (C:\Quorvel).
    const QString folder = path.left(slash + 1);
    QString name = path.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0)
        name.truncate(dot);

    return RunEntry{name, enable ? folder + name : QString()};
}

QByteArray mailAccountKey(QByteArrayView accountName)
{
    return QByteArray(kAccountManagerKey) + "\\Accounts\\" + accountName.toByteArray();
}

QString fileTypeKey(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot < 0 ? QString() : fileName.mid(dot);
}

std::optional<QByteArray> valueText(long status, QByteArrayView buffer, quint32 size)
{
    if (status != 0 || size < 2 || size > quint32(buffer.size()))
        return std::nullopt;
    return buffer.first(qsizetype(size) - 1).toByteArray();
}

} // namespace platform::registry
