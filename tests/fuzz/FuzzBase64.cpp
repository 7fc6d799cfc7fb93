#include "FuzzTarget.h"

#include "Base64.h"

using namespace mail;

FUZZ_TARGET(input)
{
    const QByteArray data = bytes(input);
    const QString encoded = base64Encode(data);
    FUZZ_CHECK(base64Decode(encoded) == QString::fromLatin1(data));
    // Broken into lines, the same text; long inputs in lines of 76.
    const QString lines = base64Encode(data, true);
    FUZZ_CHECK(QString(lines).remove("\r\n") == encoded);
    for (const QString &line : lines.split("\r\n"))
        FUZZ_CHECK(line.size() <= (data.size() < 77 ? 104 : 76));
    // Read as a server's challenge: where Qt's strict reading sees base64,
    // ours agrees.
    const auto strict =
        QByteArray::fromBase64Encoding(data, QByteArray::AbortOnBase64DecodingErrors);
    if (strict && data.size() % 4 == 0)
        FUZZ_CHECK(base64Decode(QString::fromLatin1(data)) == QString::fromLatin1(*strict));
}
