#include "SoundFile.h"

#include <QFile>

namespace settings {

QByteArray readSoundFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return QByteArray();
    }
    QByteArray bytes = file.readAll();
    qsizetype first = 0;
    qsizetype end = bytes.size();
    while (first < end && bytes[first] == ' ')
        ++first;
    while (end > first && bytes[end - 1] == ' ')
        --end;
    return bytes.sliced(first, end - first);
}

} // namespace settings
