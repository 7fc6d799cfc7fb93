#pragma once

#include <QByteArray>
#include <QString>

namespace mail {

// Standard base64. With lineBreaks, and only when the input has 77 bytes or
// more, a CR LF follows every 76th character except the last one; shorter
// inputs stay on one line (up to 104 characters).
QString base64Encode(const QByteArray &bytes, bool lineBreaks = false);
// The text as ISO-8859-1 bytes, encoded as above.
QString base64EncodeText(const QString &text, bool lineBreaks = false);
// The file's whole content; a file that cannot be read gives the empty text.
QString base64EncodeFile(const QString &path, bool lineBreaks);

// Decodes complete groups of four characters; a trailing partial group (the
// line end after a server's challenge) is ignored, characters outside the
// alphabet count as zero, and the padding is judged from the last two
// characters of the whole input. Bytes come back as ISO-8859-1 text.
QString base64Decode(const QString &text);

} // namespace mail
