#include "ContentType.h"

#include <QMimeDatabase>

namespace platform {

QString contentTypeForFile(const QString &fileName)
{
    if (!fileName.contains(u'.'))
        return QStringLiteral("application/octet-stream");
    const QMimeType type = QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    return type.isValid() && !type.isDefault() ? type.name()
                                               : QStringLiteral("application/octet-stream");
}

} // namespace platform
