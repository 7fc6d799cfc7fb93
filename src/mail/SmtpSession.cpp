#include "SmtpSession.h"

#include "Base64.h"

#include <QRegularExpression>

namespace mail {

namespace {

const QByteArray kCrLf = QByteArrayLiteral("\r\n");

SmtpStep say(QByteArray text)
{
    SmtpStep step;
    step.send = std::move(text);
    return step;
}

bool containsText(const QString &text, QLatin1StringView what)
{
    return text.contains(what, Qt::CaseInsensitive);
}

// Addresses and names go into command lines: a line break in them would
// start a command of its own.
QByteArray commandText(const QString &text)
{
    QString out = text;
    out.remove(u'\r');
    out.remove(u'\n');
    return out.toLatin1();
}

} // namespace

void SmtpLogin::setUserName(const QString &name)
{
    m_userName = name;
    m_base64UserName = base64EncodeText(name);
    if (!m_password.isEmpty())
        makePlainToken();
}

void SmtpLogin::setPassword(const QString &password)
{
    m_password = password;
    m_base64Password = base64EncodeText(password);
    if (!m_userName.isEmpty())
        makePlainToken();
}

void SmtpLogin::deriveFromSender(const QString &fromEmail)
{
    if (!m_userName.isEmpty())
        return;
    m_userName = fromEmail.section(u'@', 0, 0);
    m_base64UserName = base64EncodeText(m_userName);
    if (!m_password.isEmpty())
        makePlainToken();
}

void SmtpLogin::makePlainToken()
{
    if (!m_plainToken.isEmpty())
        return;
    m_plainToken = base64EncodeText(m_userName + QChar(0) + m_userName + QChar(0) + m_password);
}

SmtpSession::SmtpSession(SmtpSessionSettings settings)
    : m_settings(std::move(settings)), m_state(m_settings.viaProxy ? ProxyPrompt : Greeting),
      m_encrypted(m_settings.implicitTls)
{
}

QString SmtpSession::waitingFor() const
{
    switch (m_state) {
    case Greeting:
        return QStringLiteral("the server's greeting");
    case EhloReply:
        return QStringLiteral("the reply to EHLO");
    case AuthLogin:
    case AuthPlain:
        return QStringLiteral("the reply to the login");
    case MailFromReply:
        return QStringLiteral("the reply to MAIL FROM");
    case RcptToReply:
        return QStringLiteral("the reply to RCPT TO");
    case DataReply:
        return QStringLiteral("the reply to DATA");
    case MessageReply:
        return QStringLiteral("the reply to the message");
    case QuitReply:
        return QStringLiteral("the reply to QUIT");
    case ProxyPrompt:
        return QStringLiteral("the proxy's prompt");
    case StartTlsReply:
        return QStringLiteral("the reply to STARTTLS");
    }
    return QString();
}

SmtpStep SmtpSession::fail(const QString &reason)
{
    m_finished = true;
    SmtpStep step;
    step.finished = true;
    step.reason = reason;
    return step;
}

SmtpStep SmtpSession::succeed(QByteArray send)
{
    m_finished = true;
    SmtpStep step;
    step.send = std::move(send);
    step.finished = true;
    step.success = true;
    return step;
}

SmtpStep SmtpSession::sendEhlo()
{
    const QString &id = m_settings.messageId;
    const QString domain = id.isEmpty()        ? m_settings.serverHost
                           : id.contains(u'@') ? id.section(u'@', 1)
                                               : id;
    m_state = EhloReply;
    return say(QByteArrayLiteral("EHLO ") + commandText(domain) + kCrLf);
}

SmtpStep SmtpSession::mailFrom()
{
    if (m_settings.requireEncryption && !m_encrypted)
        return fail(QStringLiteral("Encryption is required, but the server offers none "
                                   "(no STARTTLS); nothing was sent."));
    m_state = MailFromReply;
    return say(QByteArrayLiteral("MAIL FROM: <") + commandText(m_settings.fromEmail) + '>' + kCrLf);
}

bool SmtpSession::offers(const QString &keyword) const
{
    // An EHLO line "250-STARTTLS" or "250 STARTTLS".
    const QRegularExpression line(QStringLiteral("^\\d{3}[- ]") + keyword + QStringLiteral("\\b"),
                                  QRegularExpression::MultilineOption |
                                      QRegularExpression::CaseInsensitiveOption);
    return line.match(m_log).hasMatch();
}

SmtpStep SmtpSession::chooseAuthentication()
{
    if (!m_encrypted && !m_settings.implicitTls && offers(QStringLiteral("STARTTLS"))) {
        m_state = StartTlsReply;
        return say(QByteArrayLiteral("STARTTLS") + kCrLf);
    }
    if (!containsText(m_log, QLatin1StringView("AUTH")))
        return mailFrom();
    if (m_settings.login.password().isEmpty())
        return fail(QStringLiteral("Password required."));
    if (m_settings.requireEncryption && !m_encrypted)
        return fail(QStringLiteral("Encryption is required, but the server offers none "
                                   "(no STARTTLS); the password was not sent."));
    if (containsText(m_log, QLatin1StringView("LOGIN"))) {
        m_state = AuthLogin;
        return say(QByteArrayLiteral("AUTH LOGIN") + kCrLf);
    }
    m_state = AuthPlain;
    return say(QByteArrayLiteral("AUTH PLAIN") + kCrLf);
}

SmtpStep SmtpSession::encryptionStarted()
{
    m_encrypted = true;
    m_log.clear();
    return sendEhlo();
}

SmtpStep SmtpSession::handleReply(const SmtpReply &reply)
{
    if (m_finished)
        return {};
    const int code = reply.code;
    // Text without a number that is no proxy prompt is only noted.
    if (code == 0 && !containsText(reply.text, QLatin1StringView("WinGate>"))) {
        m_log += reply.text;
        return {};
    }
    m_log += reply.text;
    if ((m_state == MailFromReply || m_state == RcptToReply || m_state == DataReply) &&
        code != 250 && code != 354)
        return fail(QString::number(code));

    switch (m_state) {
    case Greeting:
        if (code != 220)
            return fail(QString::number(code));
        m_log.clear();
        return sendEhlo();
    case EhloReply:
        if (code != 250)
            return fail(reply.text);
        return chooseAuthentication();
    case AuthLogin:
    case AuthPlain:
        if (code == 235)
            return mailFrom();
        if (code != 334)
            return fail(reply.text);
        if (m_state == AuthPlain)
            return say(m_settings.login.plainToken().toLatin1() + kCrLf);
        else {
            const QString challenge = base64Decode(reply.text.section(u' ', 1));
            if (containsText(challenge, QLatin1StringView("user")))
                return say(m_settings.login.base64UserName().toLatin1() + kCrLf);
            if (containsText(challenge, QLatin1StringView("pass")))
                return say(m_settings.login.base64Password().toLatin1() + kCrLf);
            return {};
        }
    case MailFromReply:
        m_state = RcptToReply;
        return say(QByteArrayLiteral("RCPT TO: <") + commandText(m_settings.toEmail) + '>' + kCrLf);
    case RcptToReply: {
        m_state = DataReply;
        QByteArray send = QByteArrayLiteral("DATA") + kCrLf;
        if (!m_settings.messageHeader.isEmpty())
            send += m_settings.messageHeader;
        return say(send);
    }
    case DataReply:
        m_state = MessageReply;
        return say(m_settings.messageData);
    case MessageReply:
        // Whatever the server thinks of the message, it has been handed over.
        m_state = QuitReply;
        return succeed(QByteArrayLiteral("QUIT") + kCrLf);
    case QuitReply:
        return succeed();
    case ProxyPrompt:
        if (!containsText(reply.text, QLatin1StringView("WinGate>")))
            return fail(QStringLiteral("No valid wingate."));
        m_log.clear();
        m_state = Greeting;
        return say(commandText(m_settings.proxyTarget) + kCrLf);
    case StartTlsReply:
        if (code != 220)
            return fail(QStringLiteral("The server refused to start encryption: ") +
                        reply.text.trimmed());
        {
            SmtpStep step;
            step.startTls = true;
            return step;
        }
    }
    return {};
}

} // namespace mail
