#pragma once

#include <QByteArray>
#include <QString>

class QWidget;

namespace settings {

// The whole file, with the blank bytes (0x20) at either end removed the way
// a text is trimmed. Empty, with error set to what went wrong, when the
// file cannot be read.
QByteArray readSoundFile(const QString &path, QString *error = nullptr);

// readSoundFile, telling the user in a message box (OK only, titled
// "Quorvel") when the file cannot be read. The box does not wait for an
// answer: the program goes on, with no sound.
QByteArray loadSoundFile(const QString &path, QWidget *messageParent);

} // namespace settings
