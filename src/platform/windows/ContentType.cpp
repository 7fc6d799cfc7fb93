#include "ContentType.h"

#include "RegistryLayout.h"
#include "RegistryText.h"

namespace platform {

QString contentTypeForFile(const QString &fileName)
{
    const QString key = registry::fileTypeKey(fileName);
    if (!key.isEmpty())
        if (const auto type = registry::readText(HKEY_CLASSES_ROOT, key.toLocal8Bit().constData(),
                                                 registry::kContentTypeValue))
            return QString::fromLocal8Bit(*type);
    return QStringLiteral("application/octet-stream");
}

} // namespace platform
