#include "SmtpReplyReader.h"

namespace mail {

int replyCode(const QString &line)
{
    if (line.size() < 3)
        return 0;
    for (int i = 0; i < 3; ++i)
        if (!line.at(i).isDigit() || line.at(i).unicode() > 127)
            return 0;
    return line.left(3).toInt();
}

void SmtpReplyReader::clear()
{
    m_buffer.clear();
    m_reply.clear();
}

QList<SmtpReply> SmtpReplyReader::feed(const QByteArray &bytes)
{
    QList<SmtpReply> replies;
    if (m_overflowed)
        return replies;
    m_buffer += bytes;
    qsizetype end;
    while ((end = m_buffer.indexOf('\n')) >= 0) {
        const QString line = QString::fromLatin1(m_buffer.left(end + 1));
        m_buffer.remove(0, end + 1);
        const int code = replyCode(line);
        if (code == 0 && m_reply.isEmpty()) {
            replies.append({0, line});
            continue;
        }
        m_reply += line;
        // "NNN-text" announces more lines; "NNN text" or a bare "NNN" ends.
        if (code != 0 && (line.size() < 4 || line.at(3) != u'-')) {
            replies.append({replyCode(m_reply), m_reply});
            m_reply.clear();
        }
    }
    if (m_reply.isEmpty() && !m_buffer.isEmpty()) {
        const QString tail = QString::fromLatin1(m_buffer);
        if (replyCode(tail) == 0 &&
            tail.contains(QLatin1StringView("WinGate>"), Qt::CaseInsensitive)) {
            replies.append({0, tail});
            m_buffer.clear();
        }
    }
    if (m_buffer.size() + m_reply.size() > kMaxReplyBytes) {
        m_overflowed = true;
        clear();
    }
    return replies;
}

} // namespace mail
