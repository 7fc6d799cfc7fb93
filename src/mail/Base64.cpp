#include "Base64.h"

#include <QFile>

namespace mail {

namespace {

// RFC 2045 keeps encoded lines to 76 characters.
constexpr int kLineLength = 76;
// Inputs below this many bytes stay on one line even when breaks are asked
// for; mail clients of the time did the same, and receivers accept it.
constexpr int kBreakThreshold = 77;

int alphabetValue(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return 0;
}

} // namespace

QString base64Encode(const QByteArray &bytes, bool lineBreaks)
{
    const QByteArray encoded = bytes.toBase64();
    if (!lineBreaks || bytes.size() < kBreakThreshold)
        return QString::fromLatin1(encoded);
    QByteArray out;
    out.reserve(encoded.size() + encoded.size() / kLineLength * 2);
    for (qsizetype i = 0; i < encoded.size(); i += kLineLength) {
        if (i > 0)
            out += "\r\n";
        out += encoded.mid(i, kLineLength);
    }
    return QString::fromLatin1(out);
}

QString base64EncodeText(const QString &text, bool lineBreaks)
{
    return base64Encode(text.toLatin1(), lineBreaks);
}

QString base64EncodeFile(const QString &path, bool lineBreaks)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return base64Encode(file.readAll(), lineBreaks);
}

QString base64Decode(const QString &text)
{
    const QByteArray in = text.toLatin1();
    const qsizetype groups = in.size() / 4;
    QByteArray out;
    out.reserve(groups * 3);
    for (qsizetype g = 0; g < groups; ++g) {
        const char *p = in.constData() + g * 4;
        const quint32 v = quint32(alphabetValue(p[0])) << 18 | quint32(alphabetValue(p[1])) << 12 |
                          quint32(alphabetValue(p[2])) << 6 | quint32(alphabetValue(p[3]));
        out += char(v >> 16);
        out += char(v >> 8 & 0xff);
        out += char(v & 0xff);
    }
    if (!out.isEmpty() && in.size() >= 2) {
        if (in.at(in.size() - 2) == '=')
            out.chop(2);
        else if (in.at(in.size() - 1) == '=')
            out.chop(1);
    }
    return QString::fromLatin1(out);
}

} // namespace mail
