#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace mail {

// One reply of the server, as received (line ends included). code is the
// number its lines begin with, or 0 for text without one, such as a
// proxy's prompt.
struct SmtpReply
{
    int code = 0;
    QString text;
};

// Gathers received bytes into complete replies, however the network cut
// them: a multi-line reply ("250-...") ends with its "NNN " line, two
// replies in one read are two replies, and a proxy prompt ("WinGate>")
// counts even without a line end, because the proxy waits for our answer
// right after it.
class SmtpReplyReader
{
public:
    // RFC 5321 4.5.3.1.5 allows 512 characters per reply line; a reply is
    // allowed many such lines, but a server that keeps talking without
    // ending its reply is not followed further.
    static constexpr qsizetype kMaxReplyBytes = 64 * 1024;

    // The replies completed by these bytes, in order.
    QList<SmtpReply> feed(const QByteArray &bytes);
    // Forgets everything not yet returned (the encryption upgrade starts
    // afresh).
    void clear();
    // The server exceeded kMaxReplyBytes; nothing more is returned.
    bool overflowed() const { return m_overflowed; }

private:
    QByteArray m_buffer; // bytes not yet part of a complete line
    QString m_reply;     // complete lines of an unfinished multi-line reply
    bool m_overflowed = false;
};

// The number a reply line begins with, or 0 when it does not begin with
// three digits.
int replyCode(const QString &line);

} // namespace mail
