#pragma once

#include "MimeMessage.h"
#include "SmtpReplyReader.h"
#include "SmtpSession.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QString>
#include <chrono>
#include <memory>

class QSslSocket;
class QTimer;

namespace mail {

// Result codes of startUp() and connectAndSend().
namespace result {
inline constexpr int Success = 100;
inline constexpr int ThroughProxy = 107;
inline constexpr int NoServer = 108;
inline constexpr int NoSender = 110;
inline constexpr int BadSender = 111;
inline constexpr int NoRecipient = 112;
inline constexpr int BadRecipient = 113;
inline constexpr int NoMessage = 114;
inline constexpr int NoSocket = 115;
inline constexpr int UnknownHost = 116;
inline constexpr int ConnectFailed = 117;
inline constexpr int NotWatched = 118;
} // namespace result

// The plain-English text of a result code (101 to 118); "" for others.
QString resultText(int code);

// Where a server text ("host", "host:port", "[v6]:port", a bare IPv6
// address) points; port 25 when none is given. ok is false for a port that
// is not a number from 1 to 65535.
struct ServerAddress
{
    QString host;
    quint16 port = 25;
    bool ok = true;
};
ServerAddress parseServerAddress(const QString &text);

// Submission (587) and implicit TLS (465) carry passwords by design, so
// there encryption is required unless the user says otherwise; port 25
// often meets servers that have none.
bool defaultRequireEncryption(const QString &serverText);
// Port 465 speaks TLS from the first byte (RFC 8314); any other port only
// when the user says so.
bool defaultImplicitTls(const QString &serverText);

// Our own name for EHLO (RFC 5321 4.1.1.1): the machine's full host name
// when it has one, else the address literal of our end of the connection
// ("[192.0.2.7]", "[IPv6:2001:db8::7]").
QString helloName(const QString &hostName, const QString &domainName,
                  const QHostAddress &localAddress);

// Sends one message to one recipient through an SMTP server (optionally
// behind a WinGate proxy), on the GUI thread, never blocking it. Fill the
// properties, prepareEmail(), connectAndSend(), then wait for
// sendComplete(). connected() comes once the server is reached,
// disconnected() whenever an open connection is closed (after
// sendComplete() at the end of every dialogue). Every connectAndSend() that
// returns 100 ends in exactly one sendComplete(), never before it returns,
// also when the server hangs up; a session that the server greeted ends
// with QUIT, whose reply is awaited a short while before the outcome is
// told. The login is read for one session only: set it before each.
class MailClient : public QObject
{
    Q_OBJECT
public:
    // Limits of one session; tests shorten them and trust their own CA.
    struct Tuning
    {
        std::chrono::milliseconds connectTimeout{20000};
        std::chrono::milliseconds replyTimeout{60000};
        // The whole session, connecting included.
        std::chrono::milliseconds sessionDeadline{120000};
        // How long the reply to QUIT is awaited.
        std::chrono::milliseconds quitTimeout{2000};
        // Empty: the system's trusted certificates.
        QList<QSslCertificate> caCertificates;
    };

    explicit MailClient(QObject *parent = nullptr);
    ~MailClient() override;

    // Text properties lose leading and trailing spaces when assigned.
    void setServer(const QString &server);
    void setUserName(const QString &name);
    void setPassword(const QString &password);
    void setFromName(const QString &name);
    void setFromEmail(const QString &address);
    void setToName(const QString &name);
    void setToEmail(const QString &address);
    void setSubject(const QString &subject);
    // True: plain text with attachments; false: HTML with inline images.
    void setPlainText(bool plain) { m_plainText = plain; }
    void setMessageId(const QString &id) { m_messageId = id; }
    void setMessageHeader(const QString &header) { m_messageHeader = header; }
    void setWingate(const QString &host) { m_wingate = host; }
    void setWingatePort(const QString &port) { m_wingatePort = port; }
    void setRequireEncryption(bool on) { m_requireEncryption = on; }
    // The user allows the password over a connection without encryption.
    void setAllowPlainPassword(bool on) { m_allowPlainPassword = on; }
    // TLS from the first byte instead of STARTTLS.
    void setImplicitTls(bool on) { m_implicitTls = on; }

    // The default mail account's values, after startUp().
    QString defaultServer() const { return m_defaultServer; }
    QString defaultEmail() const { return m_defaultEmail; }
    QString defaultFrom() const { return m_defaultFrom; }

    bool isOnline() const;
    bool isConnectionProxy() const;

    // Reads the default mail account and makes the client ready; 100.
    int startUp(QString &error);
    // Closes an open session and leaves the client as before startUp().
    void closeDown();
    // Shapes the body and the parts of the "*"-separated file list (which
    // is trimmed in place); needed before connectAndSend().
    void prepareEmail(const QString &text, QString &files);
    // Forgets what was heard and not yet sent, and closes the connection.
    void resetEmail();
    // Checks the settings and starts connecting: 100, or the code of the
    // first failed check with its text in error. Failures to resolve or
    // to connect come later, as sendComplete(false, text).
    int connectAndSend(QString &error);
    // Closes an open connection (disconnected() follows); else nothing.
    void disconnectFromServer();

    void setTuning(const Tuning &tuning) { m_tuning = tuning; }
    // Whether a session is under way (connecting or talking).
    bool isBusy() const;

signals:
    void connected();
    void sendComplete(bool success, const QString &error);
    void disconnected();

private:
    void onConnected();
    void onEncrypted();
    void onReadyRead();
    void onSocketError();
    void onConnectTimeout();
    void onReplyTimeout();
    void onDeadline();
    void apply(const SmtpStep &step);
    void sendData(const QByteArray &bytes);
    void flushPending();
    void complete();
    void failConnecting(int code, const QString &detail);
    void releaseSocket(bool graceful);

    QString m_server, m_userName, m_password, m_fromName, m_fromEmail, m_toName, m_toEmail,
        m_subject, m_messageId, m_messageHeader, m_wingate, m_wingatePort;
    bool m_plainText = true;
    bool m_requireEncryption = false;
    bool m_allowPlainPassword = false;
    bool m_implicitTls = false;

    QString m_defaultServer, m_defaultEmail, m_defaultFrom;
    int m_readyState = 0;
    int m_lastError = 0;

    std::optional<PreparedMail> m_prepared;
    QPointer<QSslSocket> m_socket;
    bool m_open = false; // connected to the server (or proxy)
    std::unique_ptr<SmtpSession> m_session;
    QByteArray m_pending;
    QString m_tlsErrors;
    // The outcome, once decided; told when the conversation is over.
    std::optional<std::pair<bool, QString>> m_outcome;
    QTimer *m_connectTimer;
    QTimer *m_replyTimer;
    QTimer *m_deadlineTimer;
    Tuning m_tuning;
};

} // namespace mail
