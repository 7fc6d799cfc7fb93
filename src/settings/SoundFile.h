#pragma once

#include <QByteArray>
#include <QString>

namespace settings {

// The whole file, with the blank bytes (0x20) at either end removed the way
// a text is trimmed. Empty, with error set to what went wrong, when the
// file cannot be read.
QByteArray readSoundFile(const QString &path, QString *error = nullptr);

} // namespace settings
