#include "SmtpSession.h"

#include "Base64.h"
#include "MimeMessage.h"

namespace mail {

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

// Addresses and names go into command lines: a line break in them would
// start a command of its own.
QString commandText(const QString &text)
{
    QString out = text;
    out.remove(u'\r');
    out.remove(u'\n');
    return out;
}

QByteArray utf8Base64(const QString &text)
{
    return text.toUtf8().toBase64();
}

} // namespace

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
    case HeloReply:
        return QStringLiteral("the reply to HELO");
    case StartTlsReply:
        return QStringLiteral("the reply to STARTTLS");
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
    case Closed:
        break;
    }
    return QString();
}

SmtpStep SmtpSession::fail(const QString &reason)
{
    SmtpStep step;
    if (!std::exchange(m_finished, true)) {
        step.finished = true;
        step.reason = reason;
    }
    // A server that greeted us is told goodbye, whatever went wrong.
    if (m_greeted && m_state != QuitReply && m_state != Closed) {
        m_state = QuitReply;
        step.send = QByteArrayLiteral("QUIT") + kLineEnd;
    } else {
        m_state = Closed;
        step.close = true;
    }
    return step;
}

SmtpStep SmtpSession::refused(const QString &what, const SmtpReply &reply)
{
    // RFC 4954 6: 530, authentication required.
    const QString hint = reply.code == 530 && m_settings.password.isEmpty()
                             ? QStringLiteral("Password required. ")
                             : QString();
    return fail(hint + what + QStringLiteral(" refused: ") + reply.printable());
}

SmtpStep SmtpSession::succeed()
{
    m_finished = true;
    m_state = QuitReply;
    SmtpStep step;
    step.finished = true;
    step.success = true;
    step.send = QByteArrayLiteral("QUIT") + kLineEnd;
    return step;
}

SmtpStep SmtpSession::say(State next, const QByteArray &command)
{
    m_state = next;
    SmtpStep step;
    step.send = command + kLineEnd;
    return step;
}

SmtpStep SmtpSession::abandon(const QString &reason)
{
    return m_state == Closed ? SmtpStep{} : fail(reason);
}

SmtpStep SmtpSession::feed(const QByteArray &bytes)
{
    if (m_state == Closed)
        return {};
    const QList<SmtpReply> replies = m_reader.feed(bytes);
    SmtpStep step;
    bool answered = false;
    for (const SmtpReply &reply : replies) {
        // What came with the reply that decided the outcome was sent
        // before our QUIT; it no longer matters.
        if (step.close || step.finished)
            return step;
        // We reply to one reply at a time: whatever came with it was sent
        // before the server could have heard our answer.
        if (answered)
            return fail(QStringLiteral("The mail server answered before it was asked: ") +
                        reply.printable());
        step = handleReply(reply);
        answered = !step.send.isEmpty() || step.startTls || step.finished;
    }
    if (step.finished)
        return step;
    if (!m_reader.error().isEmpty())
        return m_state == QuitReply
                   ? fail(QString())
                   : fail(QStringLiteral("The mail server's reply is malformed: ") +
                          m_reader.error() + u'.');
    if (answered && !step.close && m_reader.hasPartialReply())
        return fail(QStringLiteral("The mail server answered before it was asked."));
    return step;
}

SmtpStep SmtpSession::encryptionStarted()
{
    m_encrypted = true;
    m_reader.clear();
    m_extensions.clear();
    return sendEhlo();
}

SmtpStep SmtpSession::sendEhlo()
{
    return say(EhloReply, "EHLO " + commandText(m_settings.helloName).toUtf8());
}

SmtpStep SmtpSession::handleReply(const SmtpReply &reply)
{
    const int code = reply.code;
    if (m_state == QuitReply) {
        m_state = Closed;
        SmtpStep step;
        step.close = true;
        return step;
    }
    if (m_state == ProxyPrompt) {
        if (code != 0)
            return fail(QStringLiteral("No valid wingate."));
        if (reply.lines.first().contains(QLatin1StringView("WinGate>"), Qt::CaseInsensitive))
            return say(Greeting, commandText(m_settings.proxyTarget).toUtf8());
        if (++m_proxyLines > kMaxProxyLines)
            return fail(QStringLiteral("No valid wingate."));
        return {};
    }
    if (code == 0)
        return fail(QStringLiteral("The mail server sent a line that is no SMTP reply: ") +
                    reply.printable());

    switch (m_state) {
    case Greeting:
        m_greeted = true;
        if (code != 220)
            return fail(reply.printable());
        return sendEhlo();
    case EhloReply:
        if (code == 500 || code == 502) // an old server without ESMTP
            return say(HeloReply, "HELO " + commandText(m_settings.helloName).toUtf8());
        if (code != 250)
            return refused(QStringLiteral("EHLO"), reply);
        // The first line names the server; each further one an extension.
        for (qsizetype i = 1; i < reply.lines.size(); ++i) {
            QStringList words = reply.lines.at(i).mid(4).toUpper().split(u' ', Qt::SkipEmptyParts);
            if (words.isEmpty())
                continue;
            QString keyword = words.takeFirst();
            if (keyword.startsWith(QLatin1StringView("AUTH="))) { // the old form
                words.prepend(keyword.mid(5));
                keyword = QStringLiteral("AUTH");
            }
            m_extensions[keyword] += words;
        }
        return afterHello();
    case HeloReply:
        if (code != 250)
            return refused(QStringLiteral("HELO"), reply);
        return afterHello();
    case StartTlsReply:
        if (code != 220)
            return fail(QStringLiteral("The server refused to start encryption: ") +
                        reply.printable());
        {
            SmtpStep step;
            step.startTls = true;
            return step;
        }
    case AuthLogin:
    case AuthPlain:
        if (code == 235)
            return mailFrom();
        if (code == 334 && m_state == AuthLogin)
            return answerLoginChallenge(reply);
        if (code == 334)
            return fail(QStringLiteral("The mail server asked for more than the login."));
        return refused(QStringLiteral("The login was"), reply);
    case MailFromReply:
        if (code != 250)
            return refused(QStringLiteral("MAIL FROM"), reply);
        {
            bool ok = false;
            const QByteArray to = envelope(m_settings.toEmail, &ok);
            return say(RcptToReply, "RCPT TO:<" + to + '>');
        }
    case RcptToReply:
        if (code != 250 && code != 251)
            return refused(QStringLiteral("RCPT TO"), reply);
        return say(DataReply, QByteArrayLiteral("DATA"));
    case DataReply:
        if (code != 354)
            return refused(QStringLiteral("DATA"), reply);
        m_state = MessageReply;
        {
            SmtpStep step;
            step.send = m_settings.messageData;
            return step;
        }
    case MessageReply:
        if (code / 100 != 2)
            return refused(QStringLiteral("The message was"), reply);
        return succeed();
    case QuitReply:
    case ProxyPrompt:
    case Closed:
        break;
    }
    return {};
}

SmtpStep SmtpSession::afterHello()
{
    if (!m_encrypted && m_extensions.contains(QStringLiteral("STARTTLS")))
        return say(StartTlsReply, QByteArrayLiteral("STARTTLS"));
    if (m_settings.requireEncryption && !m_encrypted)
        return fail(QStringLiteral("Encryption is required, but the server offers none "
                                   "(no STARTTLS); nothing was sent."));
    // Without a password a relay may still take the mail; if it wants a
    // login, its refusal says so (refused()).
    if (!m_extensions.contains(QStringLiteral("AUTH")) || m_settings.password.isEmpty())
        return mailFrom();
    if (!m_encrypted && !m_settings.allowPlainPassword)
        return fail(QStringLiteral("The mail server offers no encryption (no STARTTLS), so the "
                                   "password was not sent. To send it anyway, allow the password "
                                   "without encryption in the e-mail settings."));
    const QStringList mechanisms = m_extensions.value(QStringLiteral("AUTH"));
    if (mechanisms.contains(QStringLiteral("LOGIN")))
        return say(AuthLogin, QByteArrayLiteral("AUTH LOGIN"));
    if (mechanisms.contains(QStringLiteral("PLAIN"))) // RFC 4616, no authorization identity
        return say(AuthPlain, "AUTH PLAIN " + utf8Base64(QChar(0) + m_settings.userName + QChar(0) +
                                                         m_settings.password));
    return fail(QStringLiteral("The mail server offers no login method this program knows (") +
                printableText(mechanisms.join(u' ')) + QStringLiteral(")."));
}

SmtpStep SmtpSession::answerLoginChallenge(const SmtpReply &reply)
{
    if (++m_challenges > kMaxAuthChallenges)
        return fail(QStringLiteral("The mail server keeps asking for the login; the session was "
                                   "ended."));
    // "Username:" and "Password:", or whatever the server says instead:
    // then the user first and the password second.
    const QString challenge = base64Decode(reply.lines.first().mid(4)).toLower();
    const bool wantsPassword =
        challenge.contains(QLatin1StringView("pass")) ||
        (!challenge.contains(QLatin1StringView("user")) && m_challenges == 2);
    return say(AuthLogin, utf8Base64(wantsPassword ? m_settings.password : m_settings.userName));
}

QByteArray SmtpSession::envelope(const QString &address, bool *ok) const
{
    const QString a = wireAddress(commandText(address));
    const qsizetype at = a.lastIndexOf(u'@');
    *ok = at > 0 && at + 1 < a.size() && isAscii(a.mid(at + 1));
    return a.toUtf8();
}

SmtpStep SmtpSession::mailFrom()
{
    bool fromOk = false, toOk = false;
    const QByteArray from = envelope(m_settings.fromEmail, &fromOk);
    envelope(m_settings.toEmail, &toOk);
    if (!fromOk || !toOk)
        return fail(QStringLiteral("An e-mail address has a domain that cannot be used."));
    // A local part beyond ASCII needs the server's SMTPUTF8 (RFC 6531).
    const bool utf8 = !isAscii(m_settings.fromEmail.section(u'@', 0, -2)) ||
                      !isAscii(m_settings.toEmail.section(u'@', 0, -2));
    if (utf8 && !m_extensions.contains(QStringLiteral("SMTPUTF8")))
        return fail(QStringLiteral("An e-mail address is not plain ASCII, and the mail server "
                                   "does not accept such addresses (no SMTPUTF8)."));
    return say(MailFromReply, "MAIL FROM:<" + from + '>' + (utf8 ? " SMTPUTF8" : ""));
}

} // namespace mail
