#include "SmtpReplyReader.h"

namespace mail {

int replyCode(const QString &line)
{
    if (line.size() < 3 || (line.size() > 3 && line.at(3) != u' ' && line.at(3) != u'-'))
        return 0;
    for (int i = 0; i < 3; ++i)
        if (line.at(i) < u'0' || line.at(i) > u'9')
            return 0;
    return line.left(3).toInt();
}

QString printableText(const QString &text, qsizetype max)
{
    QString out;
    for (const QChar c : text) {
        const auto category = c.category();
        const bool hidden = category == QChar::Other_Control || category == QChar::Other_Format ||
                            category == QChar::Separator_Line ||
                            category == QChar::Separator_Paragraph;
        out += hidden ? u'?' : c;
    }
    if (out.size() > max)
        out = out.left(max) + QStringLiteral("...");
    return out;
}

QString SmtpReply::printable() const
{
    QString text = lines.value(0);
    for (qsizetype i = 1; i < lines.size(); ++i)
        text += u' ' + lines.at(i).mid(4);
    return printableText(text.trimmed());
}

bool SmtpReplyReader::fail(const QString &why)
{
    m_error = why;
    clear();
    return false;
}

void SmtpReplyReader::clear()
{
    m_buffer.clear();
    m_lines.clear();
    m_code = 0;
}

QList<SmtpReply> SmtpReplyReader::feed(const QByteArray &bytes)
{
    QList<SmtpReply> replies;
    if (!m_error.isEmpty())
        return replies;
    m_buffer += bytes;
    qsizetype end;
    while ((end = m_buffer.indexOf('\n')) >= 0) {
        if (end > kMaxLineBytes) {
            fail(QStringLiteral("a reply line is too long"));
            return replies;
        }
        QByteArray raw = m_buffer.left(end);
        m_buffer.remove(0, end + 1);
        if (raw.endsWith('\r'))
            raw.chop(1);
        const QString line = QString::fromUtf8(raw);
        const int code = replyCode(line);
        if (code == 0 && m_lines.isEmpty()) {
            replies.append({0, {line}});
            continue;
        }
        // RFC 5321 4.2.1: every line of a reply carries the same code.
        if (code == 0 || (!m_lines.isEmpty() && code != m_code)) {
            fail(QStringLiteral("a line of a reply lacks its code: ") + printableText(line, 80));
            return replies;
        }
        if (code < 200 || code >= 600) {
            fail(QStringLiteral("no SMTP reply code: ") + printableText(line, 80));
            return replies;
        }
        m_code = code;
        m_lines += line;
        if (m_lines.size() > kMaxReplyLines) {
            fail(QStringLiteral("a reply has too many lines"));
            return replies;
        }
        if (line.size() == 3 || line.at(3) == u' ') {
            replies.append({code, m_lines});
            m_lines.clear();
        }
    }
    if (m_buffer.size() > kMaxLineBytes) {
        fail(QStringLiteral("a reply line is too long"));
    } else if (m_lines.isEmpty() && m_buffer.toLower().contains("wingate>") &&
               replyCode(QString::fromLatin1(m_buffer)) == 0) {
        replies.append({0, {QString::fromUtf8(m_buffer)}});
        m_buffer.clear();
    }
    return replies;
}

} // namespace mail
