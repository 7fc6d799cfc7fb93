#pragma once

#include "SmtpReplyReader.h"

#include <QByteArray>
#include <QString>

namespace mail {

// The login as it goes to the server. The base64 forms used by AUTH LOGIN
// follow every change; the AUTH PLAIN token is made once, from the first
// complete pair, and then kept.
class SmtpLogin
{
public:
    void setUserName(const QString &name);
    void setPassword(const QString &password);
    // With no user name set, the part of the sender address before its
    // first "@" becomes the user name.
    void deriveFromSender(const QString &fromEmail);

    QString userName() const { return m_userName; }
    QString password() const { return m_password; }
    QString base64UserName() const { return m_base64UserName; }
    QString base64Password() const { return m_base64Password; }
    QString plainToken() const { return m_plainToken; }

private:
    void makePlainToken();

    QString m_userName, m_password, m_base64UserName, m_base64Password, m_plainToken;
};

struct SmtpSessionSettings
{
    QString serverHost;  // EHLO names it when there is no message identifier
    QString proxyTarget; // "host:port" that the proxy is asked to reach
    QString fromEmail, toEmail, messageId;
    QByteArray messageHeader; // sent right after DATA when not empty
    QByteArray messageData;   // the whole DATA block, closing "." included
    SmtpLogin login;
    bool viaProxy = false;
    bool implicitTls = false; // the connection is encrypted from its first byte
    // Refuse to send the password or the message over a connection that
    // is not encrypted.
    bool requireEncryption = false;
};

// What the connection has to do after a reply.
struct SmtpStep
{
    QByteArray send;       // hand this to the socket (may be empty)
    bool startTls = false; // then begin the encryption handshake
    bool finished = false; // the session is over; close the connection
    bool success = false;
    QString reason; // why it failed
};

// The SMTP dialogue of one message, without any I/O: complete replies go
// in, the text to send and the outcome come out. A direct session starts
// waiting for the greeting, one through the proxy for its prompt.
class SmtpSession
{
public:
    enum State
    {
        Greeting = 0,
        EhloReply = 1,
        AuthLogin = 3,
        AuthPlain = 4,
        MailFromReply = 5,
        RcptToReply = 7,
        DataReply = 8,
        MessageReply = 9,
        QuitReply = 10,
        ProxyPrompt = 11,
        StartTlsReply = 12,
    };

    explicit SmtpSession(SmtpSessionSettings settings);

    SmtpStep handleReply(const SmtpReply &reply);
    // The encryption handshake after STARTTLS has succeeded: everything
    // heard before it is forgotten and EHLO is sent again.
    SmtpStep encryptionStarted();

    State state() const { return m_state; }
    bool isEncrypted() const { return m_encrypted; }
    bool isFinished() const { return m_finished; }
    // What the session waits for, for a time-out message.
    QString waitingFor() const;

private:
    SmtpStep fail(const QString &reason);
    SmtpStep succeed(QByteArray send = {});
    SmtpStep sendEhlo();
    SmtpStep chooseAuthentication();
    SmtpStep mailFrom();
    bool offers(const QString &keyword) const;

    SmtpSessionSettings m_settings;
    State m_state;
    bool m_encrypted;
    bool m_finished = false;
    QString m_log; // everything heard since the greeting (or the upgrade)
};

} // namespace mail
