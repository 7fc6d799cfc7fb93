#include "WebHook.h"

#include <QHostAddress>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace app {

namespace {

QByteArray jsonString(const QString &text)
{
    QByteArray out = "\"";
    for (const char c : text.toUtf8()) {
        if (c == '"' || c == '\\')
            out += '\\' + QByteArray(1, c);
        else if (uchar(c) < 0x20)
            out += "\\u00" + QByteArray::number(uchar(c), 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out + '"';
}

QString retryText(int failures)
{
    const auto &delays = mail::NotificationSchedule::kRetryDelays;
    if (failures <= int(delays.size()))
        return QStringLiteral(" (trying again in %1 min)")
            .arg(delays[failures - 1] / mail::NotificationSchedule::kMinute);
    return QStringLiteral(" (trying again with the next refresh)");
}

} // namespace

QString webHookUrlProblem(const QUrl &url)
{
    if (!url.isValid() || url.host().isEmpty())
        return QStringLiteral("not a web address");
    if (url.scheme() == QLatin1String("https"))
        return QString();
    const QHostAddress host(url.host());
    if (url.scheme() == QLatin1String("http") &&
        (host.isLoopback() || url.host() == QLatin1String("localhost")))
        return QString();
    return QStringLiteral("only https, or http to this machine");
}

QString redactedUrl(const QUrl &url)
{
    QUrl shown = url.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment);
    QString text = shown.toString();
    if (url.hasQuery())
        text += QStringLiteral("?…");
    return text;
}

QByteArray webHookBody(const AddressChange &change)
{
    return "{\"family\":" + jsonString(change.family) + ",\"old\":" + jsonString(change.oldIp) +
           ",\"new\":" + jsonString(change.newIp) + ",\"host\":" + jsonString(change.hostName) +
           ",\"time\":" + jsonString(change.time.toUTC().toString(Qt::ISODate)) + "}";
}

WebHook::WebHook(QObject *parent) : QObject(parent)
{
    m_clock.start();
    m_now = [this] { return m_clock.elapsed(); };
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, [this] { pump(); });
    m_timeoutTimer.setSingleShot(true);
    connect(&m_timeoutTimer, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        if (m_reply)
            m_reply->abort(); // finished() follows inside
    });
}

WebHook::~WebHook()
{
    // A call under way ends unheard.
    if (m_reply)
        m_reply->disconnect(this);
}

void WebHook::setUrl(const QString &text)
{
    m_configured = !text.trimmed().isEmpty();
    m_url = QUrl(text.trimmed(), QUrl::StrictMode);
    if (m_configured)
        return;
    // Switched off: what waits is not sent.
    for (Family &f : m_families) {
        f.schedule.clear();
        f.waiting.reset();
    }
}

void WebHook::notify(const AddressChange &change)
{
    if (!m_configured)
        return;
    if (const QString problem = webHookUrlProblem(m_url); !problem.isEmpty()) {
        emit finished(false, QStringLiteral("Change Web Hook (") + change.family +
                                 QStringLiteral("): not sent to ") + redactedUrl(m_url) +
                                 QStringLiteral(": ") + problem);
        return;
    }
    Family &f = m_families[change.family == QLatin1String("ipv6") ? 1 : 0];
    replaceWaiting(f.waiting, change);
    f.schedule.changed({}, m_now());
    pump();
}

void WebHook::refreshed()
{
    pump(true);
}

void WebHook::pump(bool refreshed)
{
    if (m_reply)
        return;
    const qint64 now = m_now();
    std::optional<qint64> next;
    for (Family &f : m_families) {
        if (f.schedule.takeDue(now, refreshed)) {
            post(f);
            return;
        }
        if (const auto at = f.schedule.nextCheck())
            next = next ? std::min(*next, *at) : *at;
    }
    if (next)
        m_retryTimer.start(int(std::clamp<qint64>(*next - now, 0, 24 * 3600 * 1000)));
    else
        m_retryTimer.stop();
}

void WebHook::post(Family &f)
{
    // What goes now is the latest change; one that failed and has no newer
    // one after it goes again.
    if (f.waiting)
        f.calling = std::exchange(f.waiting, std::nullopt);
    QNetworkRequest request(m_url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Quorvel"));
    // A receiver that sends us elsewhere has not received anything, and
    // following it could take the address where it was never meant to go.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    m_timedOut = false;
    m_reply = m_nam.post(request, webHookBody(*f.calling));
    // The answer's body means nothing to us; it is not kept.
    connect(m_reply, &QNetworkReply::readyRead, this,
            [reply = m_reply.data()] { reply->readAll(); });
    connect(m_reply, &QNetworkReply::finished, this,
            [this, &f, reply = m_reply.data()] { onReplyFinished(f, reply); });
    m_timeoutTimer.start(m_timeoutMs);
}

void WebHook::onReplyFinished(Family &f, QNetworkReply *reply)
{
    m_timeoutTimer.stop();
    reply->deleteLater();
    m_reply = nullptr;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // Never the reply's own error text: it quotes the whole address, token
    // and all.
    QString failure;
    if (m_timedOut)
        failure = QStringLiteral("no answer within %1 s").arg(m_timeoutMs / 1000.0);
    else if (status != 0 && (status < 200 || status > 299))
        failure = QStringLiteral("status %1").arg(status);
    else if (reply->error() == QNetworkReply::ConnectionRefusedError)
        failure = QStringLiteral("refused");
    else if (reply->error() == QNetworkReply::HostNotFoundError)
        failure = QStringLiteral("host not found");
    else if (reply->error() == QNetworkReply::SslHandshakeFailedError)
        failure = QStringLiteral("no trusted TLS connection");
    else if (reply->error() != QNetworkReply::NoError || status == 0)
        failure = QStringLiteral("network error %1").arg(int(reply->error()));

    const QString family = f.calling ? f.calling->family : QString();
    f.schedule.attemptFinished(failure.isEmpty(), m_now());
    if (!failure.isEmpty() && f.calling) {
        // Tried again, unless a newer change has come meanwhile; that one
        // goes instead, and its receiver last heard of this one's old address.
        if (f.waiting)
            f.waiting->oldIp = f.calling->oldIp;
        else
            f.waiting = f.calling;
    }
    f.calling.reset();
    const QString head = QStringLiteral("Change Web Hook (") + family + QStringLiteral("): ");
    if (failure.isEmpty())
        emit finished(true, head + QStringLiteral("ok"));
    else
        emit finished(false,
                      head + failure +
                          (f.schedule.hasPending() ? retryText(f.schedule.failures()) : QString()));
    pump();
}

} // namespace app
