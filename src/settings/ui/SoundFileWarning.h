#pragma once

#include <QByteArray>
#include <QString>

class QWidget;

namespace settings {

// readSoundFile, telling the user in a message box (OK only, titled
// "Quorvel") when the file cannot be read. The box does not wait for an
// answer: the program goes on, with no sound.
QByteArray loadSoundFile(const QString &path, QWidget *messageParent);

} // namespace settings
