#include "SoundFileWarning.h"

#include "SoundFile.h"

#include <QDir>
#include <QMessageBox>

namespace settings {

QByteArray loadSoundFile(const QString &path, QWidget *messageParent)
{
    QString error;
    QByteArray bytes = readSoundFile(path, &error);
    if (!error.isEmpty()) {
        // Windows' texts end in a full stop of their own.
        if (error.endsWith(u'.'))
            error.chop(1);
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
