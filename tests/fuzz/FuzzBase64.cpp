#include "FuzzTarget.h"

#include "Base64.h"

using namespace mail;

// Encoded comes back as it was; broken into lines of 76 from 77 bytes on; a
// server's challenge that Qt reads as strict base64, ours reads alike.
void fuzz(std::string_view input)
{
    const QByteArray data = bytes(input);
    const QString encoded = base64Encode(data);
    FUZZ_CHECK(base64Decode(encoded) == QString::fromLatin1(data));
    const QStringList lines = base64Encode(data, true).split("\r\n");
    FUZZ_CHECK(lines.join("") == encoded && (data.size() < 77) == (lines.size() == 1));
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        FUZZ_CHECK(lines[i].size() == 76 && !lines.last().isEmpty());
    const auto strict =
        QByteArray::fromBase64Encoding(data, QByteArray::AbortOnBase64DecodingErrors);
    if (strict && data.size() % 4 == 0)
        FUZZ_CHECK(base64Decode(QString::fromLatin1(data)) == QString::fromLatin1(*strict));
}
