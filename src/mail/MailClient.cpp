#include "MailClient.h"

#include "ConnectionState.h"
#include "DefaultMailAccount.h"

#include <QDateTime>
#include <QHostInfo>
#include <QNetworkProxy>
#include <QRegularExpression>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

namespace mail {

namespace {

// Bytes handed to the socket at a time: a large attachment waits in our
// own queue instead of being copied whole into the socket's buffer.
constexpr qint64 kWriteChunk = 64 * 1024;
// How long a finished connection may take to say goodbye.
constexpr int kCloseGraceMs = 5000;

QString trimSpaces(const QString &text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

QString seconds(std::chrono::milliseconds ms)
{
    return QString::number(double(ms.count()) / 1000.0) + QStringLiteral(" s");
}

// What was wrong with the server's certificate, in words a user can act on.
QString certificateProblem(const QSslError &e)
{
    switch (e.error()) {
    case QSslError::HostNameMismatch:
        return QStringLiteral("it was issued for another host name");
    case QSslError::CertificateExpired:
        return QStringLiteral("it has expired");
    case QSslError::CertificateNotYetValid:
        return QStringLiteral("it is not valid yet");
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
    case QSslError::CertificateUntrusted:
        return QStringLiteral("its issuer is unknown (not trusted by this system)");
    case QSslError::CertificateRevoked:
        return QStringLiteral("it has been revoked");
    default:
        return e.errorString();
    }
}

} // namespace

QString resultText(int code)
{
    switch (code) {
    case 101:
        return QStringLiteral("The network is not ready.");
    case 102:
        return QStringLiteral("The network does not support this program.");
    case 103:
        return QStringLiteral("The network is busy with another request.");
    case 104:
        return QStringLiteral("Too many programs are using the network.");
    case 105:
        return QStringLiteral("The network could not be started.");
    case result::ThroughProxy:
        return QStringLiteral("The Internet connection goes through a proxy; mail cannot be sent "
                              "directly.");
    case result::NoServer:
        return QStringLiteral("No SMTP server is set.");
    case result::NoSender:
        return QStringLiteral("No sender e-mail address is set.");
    case result::BadSender:
        return QStringLiteral("The sender e-mail address has no \"@\".");
    case result::NoRecipient:
        return QStringLiteral("No recipient e-mail address is set.");
    case result::BadRecipient:
        return QStringLiteral("The recipient e-mail address has no \"@\".");
    case result::NoMessage:
        return QStringLiteral("There is no message to send.");
    case result::NoSocket:
        return QStringLiteral("No network connection could be made.");
    case result::UnknownHost:
        return QStringLiteral("The mail server's name could not be found.");
    case result::ConnectFailed:
        return QStringLiteral("The connection to the mail server failed.");
    case result::NotWatched:
        return QStringLiteral("The connection could not be watched for replies.");
    default:
        return QString();
    }
}

ServerAddress parseServerAddress(const QString &text)
{
    ServerAddress a;
    const QString t = text.trimmed();
    QString port;
    if (t.startsWith(u'[')) {
        const qsizetype close = t.indexOf(u']');
        a.host = t.mid(1, close - 1);
        const QString rest = close < 0 ? QString() : t.mid(close + 1);
        if (rest.startsWith(u':'))
            port = rest.mid(1);
        else if (!rest.isEmpty() || close < 0)
            a.ok = false;
    } else if (t.count(u':') == 1) {
        a.host = t.section(u':', 0, 0);
        port = t.section(u':', 1);
    } else {
        a.host = t; // a name, an IPv4 address or a bare IPv6 address
    }
    if (!port.isNull()) {
        bool isNumber = false;
        const uint p = port.toUInt(&isNumber);
        a.ok = a.ok && isNumber && p >= 1 && p <= 65535;
        a.port = a.ok ? quint16(p) : 0;
    }
    return a;
}

bool defaultRequireEncryption(const QString &serverText)
{
    const ServerAddress a = parseServerAddress(serverText);
    return a.ok && (a.port == 465 || a.port == 587);
}

bool defaultImplicitTls(const QString &serverText)
{
    const ServerAddress a = parseServerAddress(serverText);
    return a.ok && a.port == 465;
}

QString helloName(const QString &hostName, const QString &domainName,
                  const QHostAddress &localAddress)
{
    const QString full =
        domainName.isEmpty() || hostName.contains(u'.') ? hostName : hostName + u'.' + domainName;
    // Servers that check the name (Postfix's reject_non_fqdn_helo_hostname)
    // want at least two labels of letters, digits and hyphens, not all
    // digits.
    static const QRegularExpression fqdn(QStringLiteral(
        "^(?=.*[A-Za-z])([A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?\\.)+[A-Za-z0-9-]*[A-Za-z]$"));
    if (fqdn.match(full).hasMatch())
        return full;
    QHostAddress address = localAddress;
    bool isV4 = false;
    if (const quint32 v4 = address.toIPv4Address(&isV4); isV4)
        address = QHostAddress(v4);
    address.setScopeId(QString());
    return address.protocol() == QAbstractSocket::IPv6Protocol
               ? QStringLiteral("[IPv6:") + address.toString() + u']'
               : u'[' + address.toString() + u']';
}

MailClient::MailClient(QObject *parent)
    : QObject(parent), m_connectTimer(new QTimer(this)), m_replyTimer(new QTimer(this)),
      m_deadlineTimer(new QTimer(this))
{
    for (QTimer *timer : {m_connectTimer, m_replyTimer, m_deadlineTimer})
        timer->setSingleShot(true);
    connect(m_connectTimer, &QTimer::timeout, this, &MailClient::onConnectTimeout);
    connect(m_replyTimer, &QTimer::timeout, this, &MailClient::onReplyTimeout);
    connect(m_deadlineTimer, &QTimer::timeout, this, &MailClient::onDeadline);
}

MailClient::~MailClient()
{
    closeDown();
}

void MailClient::setServer(const QString &server)
{
    m_server = trimSpaces(server);
}

void MailClient::setUserName(const QString &name)
{
    m_userName = trimSpaces(name);
}

void MailClient::setPassword(const QString &password)
{
    m_password = trimSpaces(password);
}

void MailClient::setFromName(const QString &name)
{
    m_fromName = trimSpaces(name);
}

void MailClient::setFromEmail(const QString &address)
{
    m_fromEmail = trimSpaces(address);
}

void MailClient::setToName(const QString &name)
{
    m_toName = trimSpaces(name);
}

void MailClient::setToEmail(const QString &address)
{
    m_toEmail = trimSpaces(address);
}

void MailClient::setSubject(const QString &subject)
{
    m_subject = trimSpaces(subject);
}

bool MailClient::isOnline() const
{
    return platform::queryConnectionState().online;
}

bool MailClient::isConnectionProxy() const
{
    return platform::queryConnectionState().flags & platform::connection::Proxy;
}

int MailClient::startUp(QString &error)
{
    // Values the account does not have keep what an earlier call found.
    const platform::MailAccount account = platform::readDefaultMailAccount();
    if (account.smtpServer)
        m_defaultServer = *account.smtpServer;
    if (account.displayName)
        m_defaultFrom = *account.displayName;
    if (account.email)
        m_defaultEmail = *account.email;
    m_lastError = 0;
    // Qt's network needs no start of its own; the client is simply ready.
    m_readyState = result::Success;
    Q_UNUSED(error);
    return m_readyState;
}

void MailClient::closeDown()
{
    disconnectFromServer();
    m_readyState = 0;
}

void MailClient::prepareEmail(const QString &text, QString &files)
{
    m_prepared = prepareMail(text, files, m_plainText);
}

void MailClient::resetEmail()
{
    m_pending.clear();
    m_lastError = 0;
    disconnectFromServer();
}

bool MailClient::isBusy() const
{
    return m_session != nullptr;
}

int MailClient::connectAndSend(QString &error)
{
    error.clear();
    if (m_readyState != result::Success) {
        error = resultText(m_lastError);
        return m_lastError;
    }
    resetEmail();

    // A proxy the desktop sets for web traffic is no reason to stop: mail
    // goes straight to the server the user named.
    int code = 0;
    if (m_server.isEmpty())
        code = result::NoServer;
    else if (m_fromEmail.isEmpty())
        code = result::NoSender;
    else if (!m_fromEmail.contains(u'@'))
        code = result::BadSender;
    else if (m_toEmail.isEmpty())
        code = result::NoRecipient;
    else if (!m_toEmail.contains(u'@'))
        code = result::BadRecipient;
    else if (!m_prepared || m_prepared->body.isEmpty())
        code = result::NoMessage;
    if (code != 0) {
        error = resultText(code);
        return code;
    }

    const ServerAddress server = parseServerAddress(m_server);
    const bool viaProxy = !m_wingate.isEmpty();
    const QString host = viaProxy ? m_wingate : server.host;
    const quint16 port = viaProxy ? m_wingatePort.toUShort() : server.port;

    MessageHead head{
        m_fromName,   m_fromEmail, m_toName,    m_toEmail,
        m_subject,    m_messageId, server.host, dateHeader(QDateTime::currentDateTime()),
        newUniqueId()};
    SmtpSessionSettings settings;
    settings.proxyTarget = (server.host.contains(u':') ? u'[' + server.host + u']' : server.host) +
                           u':' + QString::number(server.port);
    settings.fromEmail = m_fromEmail;
    settings.toEmail = m_toEmail;
    // The extra header goes after the server's 354, as part of the message.
    const QString headerLines = m_messageHeader.isEmpty() ? QString() : m_messageHeader + "\r\n";
    settings.messageData = smtpData(headerLines + composeMessage(head, *m_prepared, m_plainText));
    // The login belongs to this session alone.
    settings.userName =
        m_userName.isEmpty() ? m_fromEmail.section(u'@', 0, 0) : std::exchange(m_userName, {});
    settings.password = std::exchange(m_password, {});
    settings.viaProxy = viaProxy;
    settings.implicitTls = m_implicitTls;
    settings.requireEncryption = m_requireEncryption;
    settings.allowPlainPassword = m_allowPlainPassword;
    m_session = std::make_unique<SmtpSession>(std::move(settings));
    m_outcome.reset();

    auto *socket = new QSslSocket(this);
    m_socket = socket;
    socket->setProxy(QNetworkProxy::NoProxy);
    if (!m_tuning.caCertificates.isEmpty()) {
        QSslConfiguration config = socket->sslConfiguration();
        config.setCaCertificates(m_tuning.caCertificates);
        socket->setSslConfiguration(config);
    }
    // Through the proxy the certificate still has to name the mail server.
    socket->setPeerVerifyName(server.host);
    connect(socket, &QAbstractSocket::connected, this, &MailClient::onConnected);
    connect(socket, &QSslSocket::encrypted, this, &MailClient::onEncrypted);
    connect(socket, &QIODevice::readyRead, this, &MailClient::onReadyRead);
    connect(socket, &QIODevice::bytesWritten, this, &MailClient::flushPending);
    connect(socket, &QAbstractSocket::errorOccurred, this, &MailClient::onSocketError);
    connect(socket, &QSslSocket::sslErrors, this, [this](const QList<QSslError> &errors) {
        QStringList problems;
        for (const QSslError &e : errors)
            if (!problems.contains(certificateProblem(e)))
                problems << certificateProblem(e);
        m_tlsErrors = problems.join(QStringLiteral("; "));
    });
    m_tlsErrors.clear();
    m_connectTimer->start(m_tuning.connectTimeout);
    m_deadlineTimer->start(m_tuning.sessionDeadline);

    // Started from the event loop: a connection that fails at once (no
    // route to an address) must not report before the caller has heard
    // that the attempt began.
    const bool implicitTls = m_implicitTls && !viaProxy;
    const bool portOk = viaProxy || server.ok;
    QTimer::singleShot(0, socket, [this, socket, host, port, implicitTls, portOk, server] {
        if (!portOk)
            failConnecting(result::ConnectFailed,
                           QStringLiteral("The port is not a number from 1 to 65535."));
        else if (implicitTls)
            socket->connectToHostEncrypted(host, port, server.host);
        else
            socket->connectToHost(host, port);
    });
    return result::Success;
}

void MailClient::onConnected()
{
    if (!m_session)
        return;
    m_session->setHelloName(helloName(QHostInfo::localHostName(), QHostInfo::localDomainName(),
                                      m_socket->localAddress()));
    if (m_session->isEncrypted() && !m_open)
        return; // implicit TLS: the dialogue starts once encrypted
    m_open = true;
    m_connectTimer->stop();
    m_lastError = 0;
    m_replyTimer->start(m_tuning.replyTimeout);
    emit connected();
}

void MailClient::onEncrypted()
{
    if (!m_session)
        return;
    if (!m_open) {
        m_open = true;
        m_connectTimer->stop();
        m_replyTimer->start(m_tuning.replyTimeout);
        emit connected();
        return;
    }
    apply(m_session->encryptionStarted());
}

void MailClient::onReadyRead()
{
    if (!m_socket)
        return;
    const QByteArray bytes = m_socket->readAll();
    if (m_session)
        apply(m_session->feed(bytes));
}

void MailClient::apply(const SmtpStep &step)
{
    if (step.finished)
        m_outcome = std::make_pair(step.success, step.reason);
    if (!step.send.isEmpty()) {
        sendData(step.send);
        // A new question starts a new wait; a server that chatters without
        // answering still runs into the time-out. QUIT waits less.
        m_replyTimer->start(m_session->state() == SmtpSession::QuitReply ? m_tuning.quitTimeout
                                                                         : m_tuning.replyTimeout);
    }
    if (step.close) {
        complete();
        return;
    }
    if (step.startTls) {
        m_replyTimer->start(m_tuning.replyTimeout);
        m_socket->startClientEncryption();
    }
}

void MailClient::sendData(const QByteArray &bytes)
{
    m_pending += bytes;
    flushPending();
}

void MailClient::flushPending()
{
    // Text leaves in the order it was handed over; what the socket cannot
    // take now waits for its next "written" notice.
    while (m_socket && !m_pending.isEmpty() &&
           m_socket->state() == QAbstractSocket::ConnectedState &&
           m_socket->bytesToWrite() < kWriteChunk) {
        const qint64 n =
            m_socket->write(m_pending.constData(), std::min<qint64>(m_pending.size(), kWriteChunk));
        if (n <= 0)
            break;
        m_pending.remove(0, n);
    }
}

void MailClient::complete()
{
    m_replyTimer->stop();
    m_connectTimer->stop();
    m_deadlineTimer->stop();
    const auto outcome = m_outcome.value_or(
        std::make_pair(false, QStringLiteral("The mail server closed the connection.")));
    m_outcome.reset();
    QSslSocket *socket = m_socket;
    m_session.reset();
    emit sendComplete(outcome.first, outcome.first ? QString() : outcome.second);
    // The handler may already have started the next session.
    if (m_socket == socket)
        disconnectFromServer();
}

void MailClient::failConnecting(int code, const QString &detail)
{
    releaseSocket(false);
    emit sendComplete(false, resultText(code) + u' ' + detail);
}

void MailClient::onSocketError()
{
    if (!m_socket)
        return;
    const auto error = m_socket->error();
    const QString what = m_socket->errorString();
    if (error == QAbstractSocket::SslHandshakeFailedError) {
        const QString text = m_tlsErrors.isEmpty()
                                 ? QStringLiteral("Encryption with the mail server failed: ") + what
                                 : QStringLiteral("The mail server's certificate was refused: ") +
                                       m_tlsErrors + u'.';
        if (!m_outcome)
            m_outcome = std::make_pair(false, text);
        if (m_open)
            complete();
        else {
            releaseSocket(false);
            emit sendComplete(false, text);
        }
        return;
    }
    if (!m_open) {
        failConnecting(error == QAbstractSocket::HostNotFoundError ? result::UnknownHost
                                                                   : result::ConnectFailed,
                       what);
        return;
    }
    // The server hung up (or the network did): after QUIT that is the
    // normal end; before it, a failure.
    if (!m_outcome && m_session)
        m_outcome = std::make_pair(false, QStringLiteral("The mail server closed the connection "
                                                         "(waiting for ") +
                                              m_session->waitingFor() + QStringLiteral(")."));
    complete();
}

void MailClient::onConnectTimeout()
{
    if (m_socket && !m_open)
        failConnecting(result::ConnectFailed, QStringLiteral("No connection within ") +
                                                  seconds(m_tuning.connectTimeout) + u'.');
}

void MailClient::onReplyTimeout()
{
    if (!m_session || !m_open)
        return;
    if (m_session->state() == SmtpSession::QuitReply) {
        complete(); // the outcome is known; the goodbye need not be heard
        return;
    }
    QString reason = QStringLiteral("The mail server did not answer within ") +
                     seconds(m_tuning.replyTimeout) + QStringLiteral(" (waiting for ") +
                     m_session->waitingFor() + QStringLiteral(").");
    if (m_session->state() == SmtpSession::Greeting && !m_session->isEncrypted())
        reason += QStringLiteral(" If the server expects encryption from the first byte, turn on "
                                 "implicit TLS in the e-mail settings.");
    apply(m_session->abandon(reason));
}

void MailClient::onDeadline()
{
    if (!m_session)
        return;
    const QString reason =
        QStringLiteral("The mail was not sent within ") + seconds(m_tuning.sessionDeadline) + u'.';
    if (!m_open) {
        failConnecting(result::ConnectFailed, reason);
        return;
    }
    // QUIT, awaited a short while; a session already saying goodbye ends.
    apply(m_session->abandon(reason));
}

void MailClient::disconnectFromServer()
{
    if (!m_socket) {
        m_session.reset();
        return;
    }
    const bool wasOpen = m_open;
    releaseSocket(true);
    if (wasOpen)
        emit disconnected();
}

void MailClient::releaseSocket(bool graceful)
{
    m_connectTimer->stop();
    m_replyTimer->stop();
    m_deadlineTimer->stop();
    m_session.reset();
    m_outcome.reset();
    m_open = false;
    QSslSocket *socket = m_socket;
    m_socket = nullptr;
    if (!socket) {
        m_pending.clear();
        return;
    }
    socket->disconnect(this);
    if (graceful && socket->state() == QAbstractSocket::ConnectedState) {
        if (!m_pending.isEmpty())
            socket->write(m_pending);
        connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kCloseGraceMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        socket->disconnectFromHost();
    } else {
        socket->abort();
        socket->deleteLater();
    }
    m_pending.clear();
}

} // namespace mail
