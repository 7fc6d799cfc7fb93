#include "FuzzTarget.h"

#include "MimeMessage.h"

using namespace mail;

// Any text for DATA and as quoted-printable: every line within its limit,
// nothing lost on the way.
void fuzz(std::string_view input)
{
    const QString text = QString::fromUtf8(bytes(input));
    const QByteArray data = smtpData(text);
    const QList<QByteArray> lines = data.split('\n');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) // CR LF, 998 bytes, no lone "." but the last
        FUZZ_CHECK(lines[i].indexOf('\r') == lines[i].size() - 1 && lines[i].size() <= 999 &&
                   (lines[i] != ".\r" || i + 2 == lines.size()));
    FUZZ_CHECK(QString::fromUtf8(data).count(QChar::ReplacementCharacter) ==
               text.count(QChar::ReplacementCharacter));
    QByteArray decoded;
    const QList<QByteArray> qp = quotedPrintable(text).toLatin1().split('\n');
    for (qsizetype l = 0; l < qp.size(); ++l) {
        FUZZ_CHECK(l + 1 == qp.size() || qp[l].endsWith('\r'));
        const QByteArray line = l + 1 < qp.size() ? qp[l].chopped(1) : qp[l];
        const bool soft = line.endsWith('=');
        FUZZ_CHECK(line.size() <= 76);
        for (qsizetype i = 0; i < line.size() - soft; ++i)
            decoded +=
                line[i] != '=' ? line[i] : char(line.mid((i += 2) - 1, 2).toInt(nullptr, 16));
        if (!soft && l + 1 < qp.size())
            decoded += '\n';
    }
    FUZZ_CHECK(decoded == QString(text).replace("\r\n", "\n").toUtf8());
}
