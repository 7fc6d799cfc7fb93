#include "SoundFile.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>

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

QByteArray loadSoundFile(const QString &path, QWidget *messageParent)
{
    QString error;
    QByteArray bytes = readSoundFile(path, &error);
    if (!error.isEmpty()) {
        auto *box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Quorvel"),
                                    QStringLiteral("Cannot open the sound file \"%1\": %2.")
                                        .arg(QDir::toNativeSeparators(path), error),
                                    QMessageBox::Ok, messageParent);
        box->setObjectName(QStringLiteral("soundFileMessage"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
    }
    return bytes;
}

} // namespace settings
