#pragma once

#include "SmtpReplyReader.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

namespace mail {

// Everything one session needs, the login included: it is made for the
// session and dies with it, so a changed server, user or password takes
// effect with the next mail.
struct SmtpSessionSettings
{
    QString helloName;   // our own name for EHLO: a full host name or "[192.0.2.7]"
    QString proxyTarget; // "host:port" that the proxy is asked to reach
    QString fromEmail, toEmail;
    QString userName, password;
    QByteArray messageData; // the whole DATA block, closing "." included
    bool viaProxy = false;
    bool implicitTls = false; // the connection is encrypted from its first byte
    // Never send the password or the message over a connection that is
    // not encrypted.
    bool requireEncryption = false;
    // The user's explicit permission to send the password in clear where
    // the server offers no encryption.
    bool allowPlainPassword = false;
};

// What the connection has to do after the server has spoken.
struct SmtpStep
{
    QByteArray send;       // hand this to the socket (may be empty)
    bool startTls = false; // then begin the encryption handshake
    bool finished = false; // the outcome is decided (success, reason)
    bool success = false;
    QString reason;     // why it failed
    bool close = false; // the conversation is over: close the connection
};

// The SMTP dialogue of one message, without any I/O: received bytes go in,
// the text to send and the outcome come out. Every reply is matched to the
// command it answers (RFC 5321 4.3.2); anything else ends the session as a
// failure. A session that got a greeting ends with QUIT, and the
// conversation closes with the reply to it. A direct session starts
// waiting for the greeting, one through the proxy for its prompt.
class SmtpSession
{
public:
    enum State
    {
        Greeting,
        EhloReply,
        HeloReply,
        StartTlsReply,
        AuthLogin,
        AuthPlain,
        MailFromReply,
        RcptToReply,
        DataReply,
        MessageReply,
        QuitReply,
        ProxyPrompt,
        Closed,
    };

    // A LOGIN exchange asks for the user and the password; a server that
    // asks more often is not answered.
    static constexpr int kMaxAuthChallenges = 2;
    // Lines of a proxy's banner before its prompt.
    static constexpr int kMaxProxyLines = 20;

    explicit SmtpSession(SmtpSessionSettings settings);

    // Bytes as received from the server.
    SmtpStep feed(const QByteArray &bytes);
    // The encryption handshake after STARTTLS has succeeded: EHLO again,
    // and nothing heard before it counts.
    SmtpStep encryptionStarted();
    // Ends the session from outside (a time-out): QUIT when the server
    // greeted us, else the connection just closes.
    SmtpStep abandon(const QString &reason);
    // Our own name for EHLO, once the connection tells which address we
    // have.
    void setHelloName(const QString &name) { m_settings.helloName = name; }

    State state() const { return m_state; }
    bool isEncrypted() const { return m_encrypted; }
    bool isFinished() const { return m_finished; }
    // What the session waits for, for a time-out message.
    QString waitingFor() const;

private:
    SmtpStep handleReply(const SmtpReply &reply);
    SmtpStep fail(const QString &reason);
    SmtpStep refused(const QString &what, const SmtpReply &reply);
    SmtpStep succeed();
    SmtpStep say(State next, const QByteArray &command);
    SmtpStep sendEhlo();
    SmtpStep afterHello();
    SmtpStep mailFrom();
    SmtpStep answerLoginChallenge(const SmtpReply &reply);
    QByteArray envelope(const QString &address, bool *ok) const;

    SmtpSessionSettings m_settings;
    SmtpReplyReader m_reader;
    State m_state;
    bool m_encrypted;
    bool m_greeted = false;
    bool m_finished = false;
    int m_challenges = 0;
    int m_proxyLines = 0;
    // The extensions of the last EHLO reply: keyword -> its parameters.
    QHash<QString, QStringList> m_extensions;
};

} // namespace mail
