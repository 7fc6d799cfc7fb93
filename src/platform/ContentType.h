#pragma once

#include <QString>

namespace platform {

// The content type the system registers for a file name's extension (the
// part from its last "." on); "application/octet-stream" when the name has
// no extension or the system knows no type for it. Windows asks the file
// type registrations, elsewhere the shared MIME database answers.
QString contentTypeForFile(const QString &fileName);

} // namespace platform
